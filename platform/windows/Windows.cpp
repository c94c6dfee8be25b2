#include "platform/windows/Windows.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/system/SysUtils.h"
#include "platform/windows/WindowHost.h"

namespace zu::win {
namespace {

struct TWindowEntry {
  HWND Handle;
  std::string ClassName;
  std::string WindowName;
  HWND Parent;
};

// The windows in z-order per parent: later entries lie above earlier ones.
struct TWindowTable {
  std::vector<TWindowEntry> Windows;
  uintptr_t NextHandle = 0x10000;
  TWindowHost* Host = nullptr;
  bool KeyDown[256] = {};
};

// Never destroyed: windows may be unregistered from destructors that run at exit.
TWindowTable& Table() {
  static TWindowTable* table = new TWindowTable;
  return *table;
}

TWindowEntry* Find(HWND window) {
  if (!window) return nullptr;
  for (auto& w : Table().Windows)
    if (w.Handle == window) return &w;
  return nullptr;
}

int CopyOut(const std::string& s, char* buffer, int size) {
  if (!buffer || size <= 0) return 0;
  int n = std::min(static_cast<int>(s.size()), size - 1);
  std::memcpy(buffer, s.data(), static_cast<size_t>(n));
  buffer[n] = 0;
  return n;
}

bool NameMatches(LPCSTR wanted, const std::string& actual) { return !wanted || SameText(wanted, actual); }

}  // namespace

TWindowHost* SetWindowHost(TWindowHost* host) {
  TWindowHost* previous = Table().Host;
  Table().Host = host;
  return previous;
}

TWindowHost* GetWindowHost() { return Table().Host; }

HWND RegisterWindow(const std::string& className, const std::string& windowName, HWND parent) {
  auto& t = Table();
  HWND handle = reinterpret_cast<HWND>(t.NextHandle);
  t.NextHandle += 4;
  t.Windows.push_back({handle, className, windowName, Find(parent) ? parent : nullptr});
  return handle;
}

void UnregisterWindow(HWND window) {
  if (!Find(window)) return;
  auto& list = Table().Windows;
  std::vector<HWND> children;
  for (auto& w : list)
    if (w.Parent == window) children.push_back(w.Handle);
  for (HWND child : children) UnregisterWindow(child);
  list.erase(
      std::remove_if(list.begin(), list.end(), [&](const TWindowEntry& w) { return w.Handle == window; }),
      list.end());
}

HWND FindWindowA(LPCSTR className, LPCSTR windowName) {
  auto& list = Table().Windows;
  for (auto it = list.rbegin(); it != list.rend(); ++it)
    if (!it->Parent && NameMatches(className, it->ClassName) && NameMatches(windowName, it->WindowName))
      return it->Handle;
  return nullptr;
}

BOOL BringWindowToTop(HWND window) {
  auto& list = Table().Windows;
  auto it = std::find_if(list.begin(), list.end(), [&](const TWindowEntry& w) { return w.Handle == window; });
  if (!window || it == list.end()) return 0;
  TWindowEntry entry = *it;
  list.erase(it);
  list.push_back(entry);
  if (!entry.Parent && Table().Host) Table().Host->RaiseWindow(window);
  return 1;
}

BOOL IsWindow(HWND window) { return Find(window) ? 1 : 0; }

HWND GetParent(HWND window) {
  const TWindowEntry* w = Find(window);
  return w ? w->Parent : nullptr;
}

BOOL SetWindowTextA(HWND window, LPCSTR text) {
  TWindowEntry* w = Find(window);
  if (!w) return 0;
  w->WindowName = text ? text : "";
  return 1;
}

int GetWindowTextA(HWND window, char* buffer, int size) {
  const TWindowEntry* w = Find(window);
  return w ? CopyOut(w->WindowName, buffer, size) : 0;
}

int GetClassNameA(HWND window, char* buffer, int size) {
  const TWindowEntry* w = Find(window);
  return w ? CopyOut(w->ClassName, buffer, size) : 0;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  std::string body = text ? text : "";
  std::string title = caption ? caption : "Error";
  if (TWindowHost* host = Table().Host) return host->MessageBox(owner, body, title, type);
  std::fprintf(stderr, "%s: %s\n", title.c_str(), body.c_str());
  switch (type & MB_TYPEMASK) {
    case MB_ABORTRETRYIGNORE:
      return IDABORT;
    case MB_YESNOCANCEL:
    case MB_YESNO:
      return IDYES;
    case MB_RETRYCANCEL:
      return IDRETRY;
    default:
      return IDOK;
  }
}

void SetKeyState(BYTE vk, bool down) {
  auto& keys = Table().KeyDown;
  keys[vk] = down;
  // The side-specific keys also count as the generic one.
  if (vk == VK_LSHIFT || vk == VK_RSHIFT) keys[VK_SHIFT] = keys[VK_LSHIFT] || keys[VK_RSHIFT];
  if (vk == VK_LCONTROL || vk == VK_RCONTROL) keys[VK_CONTROL] = keys[VK_LCONTROL] || keys[VK_RCONTROL];
}

void keybd_event(BYTE vk, BYTE /*scan*/, DWORD flags, ULONG_PTR /*extraInfo*/) {
  bool down = (flags & KEYEVENTF_KEYUP) == 0;
  SetKeyState(vk, down);
  if (TWindowHost* host = Table().Host) host->KeyEvent(vk, down);
}

SHORT GetKeyState(int vk) {
  if (vk < 0 || vk > 255) return 0;
  return Table().KeyDown[vk] ? static_cast<SHORT>(0x8000) : 0;
}

namespace {
// Punctuation keys of the US layout: the key, its character, its shifted character.
struct TPunctKey {
  BYTE Key;
  char Plain;
  char Shifted;
};
constexpr TPunctKey PunctKeys[] = {
    {VK_OEM_1, ';', ':'},      {VK_OEM_PLUS, '=', '+'}, {VK_OEM_COMMA, ',', '<'}, {VK_OEM_MINUS, '-', '_'},
    {VK_OEM_PERIOD, '.', '>'}, {VK_OEM_2, '/', '?'},    {VK_OEM_3, '`', '~'},     {VK_OEM_4, '[', '{'},
    {VK_OEM_5, '\\', '|'},     {VK_OEM_6, ']', '}'},    {VK_OEM_7, '\'', '"'},
};
constexpr char ShiftedDigits[] = ")!@#$%^&*(";
}  // namespace

char CharFromVirtualKey(BYTE vk, bool shift) {
  if (vk >= 'A' && vk <= 'Z') return static_cast<char>(shift ? vk : vk + 32);
  if (vk >= '0' && vk <= '9') return shift ? ShiftedDigits[vk - '0'] : static_cast<char>(vk);
  if (vk == VK_SPACE || vk == VK_TAB || vk == VK_RETURN || vk == VK_BACK) return static_cast<char>(vk);
  for (const auto& k : PunctKeys)
    if (k.Key == vk) return shift ? k.Shifted : k.Plain;
  return 0;
}

bool VirtualKeyFromChar(char c, BYTE* vk, bool* shift) {
  BYTE key = 0;
  bool shifted = false;
  if (c >= 'a' && c <= 'z') {
    key = static_cast<BYTE>(c - 32);
  } else if (c >= 'A' && c <= 'Z') {
    key = static_cast<BYTE>(c);
    shifted = true;
  } else if (c >= '0' && c <= '9') {
    key = static_cast<BYTE>(c);
  } else if (c == ' ' || c == '\t' || c == '\r' || c == '\b') {
    key = static_cast<BYTE>(c);
  } else if (c == '\n') {
    key = VK_RETURN;
  } else if (const char* d = c ? std::strchr(ShiftedDigits, c) : nullptr) {
    key = static_cast<BYTE>('0' + (d - ShiftedDigits));
    shifted = true;
  } else {
    for (const auto& k : PunctKeys) {
      if (k.Plain == c || k.Shifted == c) {
        key = k.Key;
        shifted = k.Shifted == c;
        break;
      }
    }
  }
  if (!key) return false;
  if (vk) *vk = key;
  if (shift) *shift = shifted;
  return true;
}

}  // namespace zu::win
