// Rectangle arithmetic and MulDiv.
#include "platform/graphics/Rects.h"

#include <algorithm>
#include <cstdlib>

#include "platform/graphics/GdiInternal.h"

namespace zu::win {

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  int64_t num = int64_t(a) * int64_t(b);
  int64_t den = c;
  bool negative = (num < 0) != (den < 0);
  uint64_t n = num < 0 ? uint64_t(0) - uint64_t(num) : uint64_t(num);
  uint64_t d = den < 0 ? uint64_t(-den) : uint64_t(den);
  // Halves round away from zero: round the magnitude, then apply the sign.
  uint64_t q = n / d;
  if (2 * (n % d) >= d) ++q;
  int64_t result = negative ? -int64_t(q) : int64_t(q);
  if (result > INT32_MAX || result < INT32_MIN) return -1;
  return int(result);
}

BOOL SetRect(RECT* rect, int left, int top, int right, int bottom) {
  if (!rect) return 0;
  *rect = RECT{left, top, right, bottom};
  return 1;
}

BOOL SetRectEmpty(RECT* rect) { return SetRect(rect, 0, 0, 0, 0); }

BOOL IsRectEmpty(const RECT* rect) { return !rect || rect->right <= rect->left || rect->bottom <= rect->top; }

BOOL InflateRect(RECT* rect, int dx, int dy) {
  if (!rect) return 0;
  rect->left = detail::WrapAdd(rect->left, -int64_t(dx));
  rect->top = detail::WrapAdd(rect->top, -int64_t(dy));
  rect->right = detail::WrapAdd(rect->right, dx);
  rect->bottom = detail::WrapAdd(rect->bottom, dy);
  return 1;
}

BOOL OffsetRect(RECT* rect, int dx, int dy) {
  if (!rect) return 0;
  rect->left = detail::WrapAdd(rect->left, dx);
  rect->top = detail::WrapAdd(rect->top, dy);
  rect->right = detail::WrapAdd(rect->right, dx);
  rect->bottom = detail::WrapAdd(rect->bottom, dy);
  return 1;
}

BOOL IntersectRect(RECT* dest, const RECT* a, const RECT* b) {
  if (!dest || !a || !b) return 0;
  RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
         std::min(a->bottom, b->bottom)};
  if (IsRectEmpty(&r)) {
    *dest = RECT{};
    return 0;
  }
  *dest = r;
  return 1;
}

BOOL UnionRect(RECT* dest, const RECT* a, const RECT* b) {
  if (!dest || !a || !b) return 0;
  if (IsRectEmpty(a)) {
    *dest = IsRectEmpty(b) ? RECT{} : *b;
  } else if (IsRectEmpty(b)) {
    *dest = *a;
  } else {
    *dest = RECT{std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
                 std::max(a->bottom, b->bottom)};
  }
  return !IsRectEmpty(dest);
}

BOOL PtInRect(const RECT* rect, POINT p) {
  return rect && p.x >= rect->left && p.x < rect->right && p.y >= rect->top && p.y < rect->bottom;
}

}  // namespace zu::win
