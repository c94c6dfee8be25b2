// The system colour table, holding the classic defaults until changed.
#include "platform/graphics/SysColors.h"

#include <array>
#include <cstddef>

namespace zu::win {
namespace {

constexpr int kCount = COLOR_MENUBAR + 1;

constexpr std::array<COLORREF, kCount> kDefaults = {
    RGB(212, 208, 200),  // scroll bar
    RGB(58, 110, 165),   // desktop
    RGB(10, 36, 106),    // active caption
    RGB(128, 128, 128),  // inactive caption
    RGB(212, 208, 200),  // menu
    RGB(255, 255, 255),  // window
    RGB(0, 0, 0),        // window frame
    RGB(0, 0, 0),        // menu text
    RGB(0, 0, 0),        // window text
    RGB(255, 255, 255),  // caption text
    RGB(212, 208, 200),  // active border
    RGB(212, 208, 200),  // inactive border
    RGB(128, 128, 128),  // application workspace
    RGB(10, 36, 106),    // highlight
    RGB(255, 255, 255),  // highlight text
    RGB(212, 208, 200),  // button face
    RGB(128, 128, 128),  // button shadow
    RGB(128, 128, 128),  // grey text
    RGB(0, 0, 0),        // button text
    RGB(212, 208, 200),  // inactive caption text
    RGB(255, 255, 255),  // button highlight
    RGB(64, 64, 64),     // 3D dark shadow
    RGB(212, 208, 200),  // 3D light
    RGB(0, 0, 0),        // info text
    RGB(255, 255, 225),  // info background
    RGB(181, 181, 181),  // (unused index 25)
    RGB(0, 0, 128),      // hot light
    RGB(166, 202, 240),  // gradient active caption
    RGB(192, 192, 192),  // gradient inactive caption
    RGB(10, 36, 106),    // menu highlight
    RGB(212, 208, 200),  // menu bar
};

std::array<COLORREF, kCount>& Table() {
  static std::array<COLORREF, kCount> table = kDefaults;
  return table;
}

}  // namespace

DWORD GetSysColor(int index) { return index >= 0 && index < kCount ? Table()[std::size_t(index)] : 0; }

BOOL SetSysColors(int count, const int* indices, const COLORREF* colors) {
  if (!indices || !colors) return 0;
  for (int i = 0; i < count; ++i)
    if (indices[i] >= 0 && indices[i] < kCount) Table()[std::size_t(indices[i])] = colors[i] & 0x00FFFFFF;
  return 1;
}

void ResetSysColors() { Table() = kDefaults; }

COLORREF ResolveColor(COLORREF color) {
  if (color & 0x80000000u) return GetSysColor(int(color & 0xFF));
  return color & 0x00FFFFFF;
}

}  // namespace zu::win
