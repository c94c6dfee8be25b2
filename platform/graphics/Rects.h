// Rectangle arithmetic of the classic API. Every function returns 0 for a null argument.
#pragma once

#include "platform/graphics/WinTypes.h"

namespace zu::win {

BOOL SetRect(RECT* rect, int left, int top, int right, int bottom);
BOOL SetRectEmpty(RECT* rect);
// True when the rectangle covers no pixel (right <= left or bottom <= top); true for null.
BOOL IsRectEmpty(const RECT* rect);
// Moves left and top out by (dx, dy) and right and bottom by the same amount the other way.
BOOL InflateRect(RECT* rect, int dx, int dy);
BOOL OffsetRect(RECT* rect, int dx, int dy);
// The common part of a and b; an empty result is (0,0,0,0) and returns 0.
BOOL IntersectRect(RECT* dest, const RECT* a, const RECT* b);
// The smallest rectangle holding both; an empty one is ignored.
BOOL UnionRect(RECT* dest, const RECT* a, const RECT* b);
// True when left <= x < right and top <= y < bottom.
BOOL PtInRect(const RECT* rect, POINT point);

}  // namespace zu::win
