// The classic drawing API's basic types: integers, handles, rectangles, colours and records.
#pragma once

#include <cstdint>

namespace zu::win {

using BOOL = int;
using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using LONG = int32_t;
using UINT = unsigned int;
using LPCSTR = const char*;

// Colours are 0x00BBGGRR; a value with the top bit set names a system colour (its low byte is the
// index) and resolves through GetSysColor wherever it is drawn.
using COLORREF = DWORD;
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

constexpr COLORREF RGB(int r, int g, int b) {
  return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }

// Handles are opaque values checked against a table of live objects; a stale or foreign handle is
// refused, never dereferenced.
struct HDC__;
struct HGDIOBJ__;
struct HPEN__;
struct HBRUSH__;
struct HFONT__;
struct HBITMAP__;
struct HRGN__;
struct HWND__;
using HDC = HDC__*;
using HGDIOBJ = void*;
using HPEN = HPEN__*;
using HBRUSH = HBRUSH__*;
using HFONT = HFONT__*;
using HBITMAP = HBITMAP__*;
using HRGN = HRGN__*;
using HWND = HWND__*;

struct POINT {
  LONG x = 0;
  LONG y = 0;
};

struct SIZE {
  LONG cx = 0;
  LONG cy = 0;
};

// A rectangle covers Left <= x < Right and Top <= y < Bottom.
struct RECT {
  LONG left = 0;
  LONG top = 0;
  LONG right = 0;
  LONG bottom = 0;
};

inline bool operator==(const POINT& a, const POINT& b) { return a.x == b.x && a.y == b.y; }
inline bool operator==(const SIZE& a, const SIZE& b) { return a.cx == b.cx && a.cy == b.cy; }
inline bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

struct LOGPEN {
  UINT lopnStyle = 0;
  POINT lopnWidth;  // only x is used
  COLORREF lopnColor = 0;
};

struct LOGBRUSH {
  UINT lbStyle = 0;
  COLORREF lbColor = 0;
  uintptr_t lbHatch = 0;
};

constexpr int LF_FACESIZE = 32;

struct LOGFONTA {
  LONG lfHeight = 0;      // < 0: character height (em); > 0: cell height; 0: default
  LONG lfWidth = 0;       // average character width; 0: the face's own proportions
  LONG lfEscapement = 0;  // direction of the baseline, tenths of a degree counter-clockwise
  LONG lfOrientation = 0;
  LONG lfWeight = 0;  // 400 normal, 700 bold; 0 normal
  BYTE lfItalic = 0;
  BYTE lfUnderline = 0;
  BYTE lfStrikeOut = 0;
  BYTE lfCharSet = 0;
  BYTE lfOutPrecision = 0;
  BYTE lfClipPrecision = 0;
  BYTE lfQuality = 0;
  BYTE lfPitchAndFamily = 0;
  char lfFaceName[LF_FACESIZE] = {};
};

struct TEXTMETRICA {
  LONG tmHeight = 0;
  LONG tmAscent = 0;
  LONG tmDescent = 0;
  LONG tmInternalLeading = 0;
  LONG tmExternalLeading = 0;
  LONG tmAveCharWidth = 0;
  LONG tmMaxCharWidth = 0;
  LONG tmWeight = 0;
  LONG tmOverhang = 0;
  LONG tmDigitizedAspectX = 0;
  LONG tmDigitizedAspectY = 0;
  BYTE tmFirstChar = 0;
  BYTE tmLastChar = 0;
  BYTE tmDefaultChar = 0;
  BYTE tmBreakChar = 0;
  BYTE tmItalic = 0;
  BYTE tmUnderlined = 0;
  BYTE tmStruckOut = 0;
  BYTE tmPitchAndFamily = 0;
  BYTE tmCharSet = 0;
};

// What GetObjectA reports of a bitmap. bmBits is null: pixels are reached through Surface.h.
struct BITMAP {
  LONG bmType = 0;
  LONG bmWidth = 0;
  LONG bmHeight = 0;
  LONG bmWidthBytes = 0;
  WORD bmPlanes = 0;
  WORD bmBitsPixel = 0;
  void* bmBits = nullptr;
};

// a * b / c with a 64-bit intermediate, rounded to nearest with halves away from zero;
// -1 when c is 0 or the result does not fit 32 bits.
int MulDiv(int a, int b, int c);

}  // namespace zu::win
