// The framework's point, size and rectangle: the classic records under their framework names.
#pragma once

#include "platform/graphics/WinTypes.h"

namespace zu {

using TPoint = win::POINT;
using TSize = win::SIZE;
using TRect = win::RECT;

constexpr TPoint Point(int32_t x, int32_t y) { return TPoint{x, y}; }
constexpr TRect Rect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  return TRect{left, top, right, bottom};
}
// The rectangle of a width x height area whose top-left corner is (left, top).
constexpr TRect Bounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  return TRect{left, top, left + width, top + height};
}

}  // namespace zu
