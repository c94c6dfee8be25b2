// The system services of the classic platform that the library calls: top-level window search and
// activation, message boxes, simulated key presses, resources linked into the program and wave
// playback. The window layer (platform/forms) answers for the windows through WindowHost.h.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zu::win {

using BOOL = int;
using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using UINT = unsigned int;
using SHORT = int16_t;
using LPCSTR = const char*;
using ULONG_PTR = uintptr_t;

struct HWND__;
using HWND = HWND__*;

// ---- Windows ----

// The top-level window, topmost first, whose class name and title equal the given ones (ASCII
// letter case ignored); a null argument matches any, an empty one only an empty name. 0 if none.
HWND FindWindowA(LPCSTR className, LPCSTR windowName);
// Puts the window on top of its siblings (a top-level one is raised on the screen); 0 for an
// unknown handle.
BOOL BringWindowToTop(HWND window);
BOOL IsWindow(HWND window);
// The parent of a child window; 0 for a top-level or unknown one.
HWND GetParent(HWND window);
// The title; SetWindowTextA with null sets an empty one. 0 for an unknown handle.
BOOL SetWindowTextA(HWND window, LPCSTR text);
// Copies at most size - 1 bytes and a terminating zero; returns the bytes copied (0 when unknown).
int GetWindowTextA(HWND window, char* buffer, int size);
int GetClassNameA(HWND window, char* buffer, int size);

// ---- Message boxes ----

constexpr UINT MB_OK = 0x0;
constexpr UINT MB_OKCANCEL = 0x1;
constexpr UINT MB_ABORTRETRYIGNORE = 0x2;
constexpr UINT MB_YESNOCANCEL = 0x3;
constexpr UINT MB_YESNO = 0x4;
constexpr UINT MB_RETRYCANCEL = 0x5;
constexpr UINT MB_TYPEMASK = 0xF;
constexpr UINT MB_ICONHAND = 0x10;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONSTOP = MB_ICONHAND;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONEXCLAMATION = 0x30;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONASTERISK = 0x40;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr UINT MB_ICONMASK = 0xF0;
constexpr UINT MB_DEFBUTTON1 = 0x000;
constexpr UINT MB_DEFBUTTON2 = 0x100;
constexpr UINT MB_DEFBUTTON3 = 0x200;
constexpr UINT MB_DEFMASK = 0xF00;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Shows a modal box with the text, an icon and buttons as `type` says, and returns the ID of the
// button chosen. A null caption is "Error". Without a window layer the text goes to the standard
// error stream and the default button's ID is returned.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

// ---- Keyboard ----

constexpr BYTE VK_BACK = 0x08;
constexpr BYTE VK_TAB = 0x09;
constexpr BYTE VK_RETURN = 0x0D;
constexpr BYTE VK_SHIFT = 0x10;
constexpr BYTE VK_CONTROL = 0x11;
constexpr BYTE VK_MENU = 0x12;
constexpr BYTE VK_CAPITAL = 0x14;
constexpr BYTE VK_ESCAPE = 0x1B;
constexpr BYTE VK_SPACE = 0x20;
constexpr BYTE VK_PRIOR = 0x21;
constexpr BYTE VK_NEXT = 0x22;
constexpr BYTE VK_END = 0x23;
constexpr BYTE VK_HOME = 0x24;
constexpr BYTE VK_LEFT = 0x25;
constexpr BYTE VK_UP = 0x26;
constexpr BYTE VK_RIGHT = 0x27;
constexpr BYTE VK_DOWN = 0x28;
constexpr BYTE VK_INSERT = 0x2D;
constexpr BYTE VK_DELETE = 0x2E;
constexpr BYTE VK_F1 = 0x70;
constexpr BYTE VK_F4 = 0x73;
constexpr BYTE VK_LSHIFT = 0xA0;
constexpr BYTE VK_RSHIFT = 0xA1;
constexpr BYTE VK_LCONTROL = 0xA2;
constexpr BYTE VK_RCONTROL = 0xA3;
constexpr BYTE VK_OEM_1 = 0xBA;       // ;:
constexpr BYTE VK_OEM_PLUS = 0xBB;    // =+
constexpr BYTE VK_OEM_COMMA = 0xBC;   // ,<
constexpr BYTE VK_OEM_MINUS = 0xBD;   // -_
constexpr BYTE VK_OEM_PERIOD = 0xBE;  // .>
constexpr BYTE VK_OEM_2 = 0xBF;       // /?
constexpr BYTE VK_OEM_3 = 0xC0;       // `~
constexpr BYTE VK_OEM_4 = 0xDB;       // [{
constexpr BYTE VK_OEM_5 = 0xDC;       // \|
constexpr BYTE VK_OEM_6 = 0xDD;       // ]}
constexpr BYTE VK_OEM_7 = 0xDE;       // '"

constexpr DWORD KEYEVENTF_EXTENDEDKEY = 0x1;
constexpr DWORD KEYEVENTF_KEYUP = 0x2;

// Presses (flags 0) or releases (KEYEVENTF_KEYUP) a key: the key state is updated and the window
// layer delivers the key to the control that has the keyboard focus.
void keybd_event(BYTE vk, BYTE scan, DWORD flags, ULONG_PTR extraInfo);
// The high bit is set while the key is down (VK_SHIFT also for either shift key).
SHORT GetKeyState(int vk);

// The character a key types on the US layout with and without Shift (letters, digits, space,
// punctuation, tab, enter, backspace); 0 for a key that types nothing.
char CharFromVirtualKey(BYTE vk, bool shift);
// The key and Shift state that type a character on the US layout; false for a character that no
// key types (codes above 126 and control codes other than tab, line feed, enter and backspace).
bool VirtualKeyFromChar(char c, BYTE* vk, bool* shift);

// ---- Resources linked into the program ----

struct HINSTANCE__;
struct HRSRC__;
using HMODULE = HINSTANCE__*;
using HINSTANCE = HMODULE;
using HRSRC = HRSRC__*;
using HGLOBAL = void*;

inline LPCSTR MAKEINTRESOURCEA(WORD id) { return reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(id)); }
inline bool IS_INTRESOURCE(LPCSTR name) { return (reinterpret_cast<uintptr_t>(name) >> 16) == 0; }
constexpr WORD RT_RCDATA_ID = 10;
inline const LPCSTR RT_RCDATA = MAKEINTRESOURCEA(RT_RCDATA_ID);

// A resource that the build links into the program: its integer type, its name and its bytes.
struct TLinkedResource {
  WORD Type;
  const char* Name;
  const void* Data;
  size_t Size;
};
// Adds a resource at run time (its bytes stay the caller's and must outlive their use); a resource
// of the same type and name added later hides an earlier one.
void RegisterResource(const TLinkedResource& resource);
void UnregisterResource(WORD type, const char* name);

// The program itself for a null name; 0 for any other module.
HMODULE GetModuleHandleA(LPCSTR moduleName);
// The resource of that name (ASCII letter case ignored; "#123" or an integer name is ID 123) and
// type in the program's module (module 0 or the program's handle); 0 when there is none.
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
// The address of the resource's bytes; null for a null handle.
const void* LockResource(HGLOBAL data);
DWORD SizeofResource(HMODULE module, HRSRC resource);
BOOL FreeResource(HGLOBAL data);

// ---- Sound ----

constexpr UINT SND_SYNC = 0x0;
constexpr UINT SND_ASYNC = 0x1;
constexpr UINT SND_NODEFAULT = 0x2;
constexpr UINT SND_MEMORY = 0x4;
constexpr UINT SND_LOOP = 0x8;
constexpr UINT SND_NOSTOP = 0x10;

// Plays a wave sound: from a file, or with SND_MEMORY from a complete wave file image in memory
// (its RIFF header gives its size). SND_ASYNC returns while it plays; a new sound stops the one
// playing (SND_NOSTOP: returns false instead); SND_LOOP is not supported (the sound plays once).
// A null sound stops playback. False when the sound cannot be read or there is no audio device.
BOOL sndPlaySoundA(LPCSTR sound, UINT flags);

}  // namespace zu::win
