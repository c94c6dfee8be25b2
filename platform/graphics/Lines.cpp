// Lines with pen styles and widths, and 3D edges.
#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/graphics/GdiInternal.h"
#include "platform/graphics/Rects.h"
#include "platform/graphics/SysColors.h"

namespace zu::win {

using namespace detail;

namespace {

// Floor division for a positive divisor.
template <class W>
W FloorDiv(W a, W b) {
  return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// num / den (den > 0) rounded to the nearest integer, ties to the smaller one.
template <class W>
W RoundTiesDown(W num, W den) {
  return FloorDiv<W>(2 * num + den - 1, 2 * den);
}

struct DashPattern {
  int lengths[6];
  int count;
};

// On and off runs of the one-pixel styles, starting with "on".
const DashPattern* DashesOf(UINT style) {
  static constexpr DashPattern kDash{{18, 6}, 2};
  static constexpr DashPattern kDot{{3, 3}, 2};
  static constexpr DashPattern kDashDot{{9, 6, 3, 6}, 4};
  static constexpr DashPattern kDashDotDot{{9, 3, 3, 3, 3, 3}, 6};
  switch (style) {
    case PS_DASH:
      return &kDash;
    case PS_DOT:
      return &kDot;
    case PS_DASHDOT:
      return &kDashDot;
    case PS_DASHDOTDOT:
      return &kDashDotDot;
    default:
      return nullptr;
  }
}

bool DashOn(const DashPattern& p, int64_t i) {
  int total = 0;
  for (int k = 0; k < p.count; ++k) total += p.lengths[k];
  i %= total;
  for (int k = 0; k < p.count; ++k) {
    if (i < p.lengths[k]) return k % 2 == 0;
    i -= p.lengths[k];
  }
  return false;
}

// Writes one pixel (inside the clip) by the DC's binary raster operation.
inline void Plot(BitmapObj& b, int x, int y, uint32_t color, int rop2) {
  b.Put(x, y, rop2 == R2_COPYPEN ? color : Rop2(rop2, color, b.At(x, y)));
}

// A one-pixel line in device coordinates from (x0, y0) towards (x1, y1), end point left out.
// `phase` is how far the dash pattern has run before the line; the line's length along its major
// axis is added to it. Only the steps whose pixels fall inside the clip are walked. The minor
// coordinate is computed in W: 64 bits hold it for points within the int range, 128 for any
// logical point plus an origin.
template <class W>
void ThinLine(Target& t, int64_t x0, int64_t y0, int64_t x1, int64_t y1, UINT style, uint32_t color,
              int64_t& phase) {
  int64_t dx = x1 - x0, dy = y1 - y0;
  if (!dx && !dy) return;
  const DashPattern* dashes = DashesOf(style);
  bool gapsFilled = dashes && t.dc->state.bkMode == OPAQUE;
  uint32_t gap = gapsFilled ? DeviceColor(*t.bitmap, t.dc->state.bkColor) : 0;
  int rop2 = t.dc->state.rop2;
  bool xMajor = std::llabs(dx) >= std::llabs(dy);
  int64_t steps = xMajor ? std::llabs(dx) : std::llabs(dy);
  int64_t start = phase;
  phase += steps;
  // Along the major axis step i is at a0 + sa * i; the minor coordinate is the line's, rounded.
  int64_t a0 = xMajor ? x0 : y0, b0 = xMajor ? y0 : x0;
  int64_t da = xMajor ? dx : dy, db = xMajor ? dy : dx;
  int64_t sa = da > 0 ? 1 : -1;
  int64_t den = std::llabs(da);
  auto minorAt = [&](int64_t i) {
    W num = W(b0) * da + W(i) * sa * db;
    return int64_t(RoundTiesDown<W>(da > 0 ? num : -num, den));
  };
  int64_t aLo = xMajor ? t.clip.left : t.clip.top, aHi = xMajor ? t.clip.right : t.clip.bottom;
  int64_t bLo = xMajor ? t.clip.top : t.clip.left, bHi = xMajor ? t.clip.bottom : t.clip.right;
  // Steps inside the clip along the major axis.
  int64_t first = sa > 0 ? aLo - a0 : a0 - (aHi - 1);
  int64_t last = sa > 0 ? aHi - 1 - a0 : a0 - aLo;
  first = std::max<int64_t>(first, 0);
  last = std::min<int64_t>(last, steps - 1);
  if (first > last) return;
  // The minor coordinate moves monotonically: narrow the steps to those inside the clip there.
  bool rising = db >= 0;
  auto below = [&](int64_t i) { return rising ? minorAt(i) < bLo : minorAt(i) >= bHi; };
  auto beyond = [&](int64_t i) { return rising ? minorAt(i) >= bHi : minorAt(i) < bLo; };
  int64_t lo = first, hi = last + 1;  // first step not below
  while (lo < hi) {
    int64_t mid = lo + (hi - lo) / 2;
    if (below(mid))
      lo = mid + 1;
    else
      hi = mid;
  }
  first = lo;
  lo = first;
  hi = last + 1;  // first step beyond
  while (lo < hi) {
    int64_t mid = lo + (hi - lo) / 2;
    if (beyond(mid))
      hi = mid;
    else
      lo = mid + 1;
  }
  last = lo - 1;
  for (int64_t i = first; i <= last; ++i) {
    int64_t a = a0 + sa * i, b = minorAt(i);
    int px = int(xMajor ? a : b), py = int(xMajor ? b : a);
    if (!dashes || DashOn(*dashes, start + i)) {
      Plot(*t.bitmap, px, py, color, rop2);
    } else if (gapsFilled) {
      Plot(*t.bitmap, px, py, gap, rop2);
    }
  }
}

// A wide line: every pixel whose centre lies closer than width / 2 to the segment (round caps).
// Odd widths centre the segment on the pixels, even widths on their corners.
void WideLine(Target& t, int64_t x0, int64_t y0, int64_t x1, int64_t y1, int width, uint32_t color) {
  double half = width / 2.0;
  double shift = width % 2 ? 0.5 : 0.0;
  double ax = double(x0) + shift, ay = double(y0) + shift, bx = double(x1) + shift, by = double(y1) + shift;
  double vx = bx - ax, vy = by - ay, len2 = vx * vx + vy * vy;
  auto held = [](double v) { return DeviceCoord(int64_t(std::clamp(v, -1e18, 1e18))); };
  RECT box{held(std::floor(std::min(ax, bx) - half)), held(std::floor(std::min(ay, by) - half)),
           held(std::ceil(std::max(ax, bx) + half) + 1), held(std::ceil(std::max(ay, by) + half) + 1)};
  if (!IntersectRect(&box, &box, &t.clip)) return;
  int rop2 = t.dc->state.rop2;
  for (int y = box.top; y < box.bottom; ++y) {
    for (int x = box.left; x < box.right; ++x) {
      double cx = x + 0.5 - ax, cy = y + 0.5 - ay;
      double u = len2 > 0 ? std::clamp((cx * vx + cy * vy) / len2, 0.0, 1.0) : 0.0;
      double ex = cx - u * vx, ey = cy - u * vy;
      if (ex * ex + ey * ey < half * half) Plot(*t.bitmap, x, y, color, rop2);
    }
  }
}

// Draws the lines from `from` through `points` with the DC's pen, the dash pattern running on.
// False when the DC is dead.
bool PenPath(HDC dc, POINT from, const POINT* points, size_t count) {
  Target t;
  if (!GetTarget(dc, t)) return LookupDC(dc) != nullptr;
  PenObj* pen = LookupPen(t.dc->state.pen);
  if (!pen || pen->log.lopnStyle == PS_NULL) return true;
  uint32_t color = DeviceColor(*t.bitmap, pen->log.lopnColor);
  int64_t phase = 0;
  for (size_t k = 0; k < count; ++k) {
    const int64_t x0 = int64_t(from.x) + t.ox, y0 = int64_t(from.y) + t.oy;
    const int64_t x1 = int64_t(points[k].x) + t.ox, y1 = int64_t(points[k].y) + t.oy;
    if (pen->log.lopnWidth.x <= 1) {
      constexpr int64_t small = int64_t(1) << 31;
      if (std::max({std::llabs(x0), std::llabs(y0), std::llabs(x1), std::llabs(y1)}) < small)
        ThinLine<int64_t>(t, x0, y0, x1, y1, pen->log.lopnStyle, color, phase);
      else
        ThinLine<__int128>(t, x0, y0, x1, y1, pen->log.lopnStyle, color, phase);
    } else if (x0 != x1 || y0 != y1) {
      WideLine(t, x0, y0, x1, y1, pen->log.lopnWidth.x, color);
    }
    from = points[k];
  }
  return true;
}

}  // namespace

BOOL MoveToEx(HDC dc, int x, int y, POINT* previous) {
  DCObj* d = LookupDC(dc);
  if (!d) return 0;
  if (previous) *previous = d->state.position;
  d->state.position = POINT{x, y};
  return 1;
}

BOOL GetCurrentPositionEx(HDC dc, POINT* position) {
  DCObj* d = LookupDC(dc);
  if (!d || !position) return 0;
  *position = d->state.position;
  return 1;
}

BOOL LineTo(HDC dc, int x, int y) {
  DCObj* d = LookupDC(dc);
  if (!d) return 0;
  POINT from = std::exchange(d->state.position, POINT{x, y});
  POINT to{x, y};
  return PenPath(dc, from, &to, 1);
}

BOOL Polyline(HDC dc, const POINT* points, int count) {
  if (!points || count < 2 || !LookupDC(dc)) return 0;
  return PenPath(dc, points[0], points + 1, size_t(count - 1));
}

BOOL PolylineTo(HDC dc, const POINT* points, DWORD count) {
  DCObj* d = LookupDC(dc);
  if (!d || !points || count < 1) return 0;
  POINT from = std::exchange(d->state.position, points[count - 1]);
  return PenPath(dc, from, points, count);
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
  Target t;
  if (!GetTarget(dc, t)) return LookupDC(dc) != nullptr;
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  PenObj* pen = LookupPen(t.dc->state.pen);
  bool outlined = pen && pen->log.lopnStyle != PS_NULL;
  // The brush fills inside the outline, or up to the right and bottom edges left out without one.
  const int64_t in = outlined ? 1 : 0;
  RECT inside = DeviceRectOf(t, int64_t(left) + in, int64_t(top) + in, int64_t(right) - 1, int64_t(bottom) - 1);
  Pattern brush = MakePattern(t, t.dc->state.brush);
  if (brush.type != Pattern::None && IntersectRect(&inside, &inside, &t.clip))
    PatternRop(t, inside, TernaryOfRop2(t.dc->state.rop2), brush);
  if (outlined && int64_t(right) - left >= 1 && int64_t(bottom) - top >= 1) {
    // A closed path through the corners draws every outline pixel once.
    const POINT corners[] = {{right - 1, top}, {right - 1, bottom - 1}, {left, bottom - 1}, {left, top}};
    PenPath(dc, POINT{left, top}, corners, 4);
  }
  return 1;
}

BOOL DrawFocusRect(HDC dc, const RECT* rect) {
  Target t;
  if (!rect || !GetTarget(dc, t)) return 0;
  RECT r = DeviceRectOf(t, *rect);
  if (IsRectEmpty(&r)) return 1;
  auto invert = [&](int x, int y) {
    if (((x + y) & 1) && PtInRect(&t.clip, POINT{x, y})) t.bitmap->Put(x, y, t.bitmap->At(x, y) ^ kWhite);
  };
  // Only the part of each side inside the clip is walked.
  for (int x = std::max(r.left, t.clip.left), xEnd = std::min(r.right, t.clip.right); x < xEnd; ++x) {
    invert(x, r.top);
    if (r.bottom - 1 > r.top) invert(x, r.bottom - 1);
  }
  for (int y = std::max(r.top + 1, t.clip.top), yEnd = std::min(r.bottom - 1, t.clip.bottom); y < yEnd; ++y) {
    invert(r.left, y);
    if (r.right - 1 > r.left) invert(r.right - 1, y);
  }
  return 1;
}

int SetROP2(HDC dc, int rop2) {
  DCObj* d = LookupDC(dc);
  if (!d || rop2 < R2_BLACK || rop2 > R2_WHITE) return 0;
  return std::exchange(d->state.rop2, rop2);
}

int GetROP2(HDC dc) {
  DCObj* d = LookupDC(dc);
  return d ? d->state.rop2 : 0;
}

namespace {

struct EdgeColors {
  int topLeft;
  int bottomRight;
};

// System colour indices of one layer of an edge; `bits` are the layer's raised / sunken bits.
EdgeColors LayerColors(UINT bits, bool outer, UINT flags) {
  if (flags & BF_MONO)
    return outer ? EdgeColors{COLOR_WINDOWFRAME, COLOR_WINDOWFRAME} : EdgeColors{COLOR_WINDOW, COLOR_WINDOW};
  if (flags & BF_FLAT)
    return outer ? EdgeColors{COLOR_BTNSHADOW, COLOR_BTNSHADOW} : EdgeColors{COLOR_BTNFACE, COLOR_BTNFACE};
  bool raised = bits & 1;
  if (flags & BF_SOFT) {  // a softer top-left: one step lighter when raised, darker when sunken
    if (outer)
      return raised ? EdgeColors{COLOR_BTNHIGHLIGHT, COLOR_3DDKSHADOW}
                    : EdgeColors{COLOR_3DDKSHADOW, COLOR_BTNHIGHLIGHT};
    return raised ? EdgeColors{COLOR_3DLIGHT, COLOR_BTNSHADOW} : EdgeColors{COLOR_BTNSHADOW, COLOR_3DLIGHT};
  }
  if (outer)
    return raised ? EdgeColors{COLOR_3DLIGHT, COLOR_3DDKSHADOW}
                  : EdgeColors{COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT};
  return raised ? EdgeColors{COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW}
                : EdgeColors{COLOR_3DDKSHADOW, COLOR_3DLIGHT};
}

// One layer around device rectangle r on the sides in `flags`: left and top in the top-left colour,
// then right and bottom in the bottom-right colour, which so owns two corners.
void DrawLayer(Target& t, const RECT& r, UINT flags, uint32_t tl, uint32_t br) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  if (flags & BF_LEFT) FillDevice(t, RECT{r.left, r.top, r.left + 1, r.bottom}, tl);
  if (flags & BF_TOP) FillDevice(t, RECT{r.left, r.top, r.right, r.top + 1}, tl);
  if (flags & BF_RIGHT) FillDevice(t, RECT{r.right - 1, r.top, r.right, r.bottom}, br);
  if (flags & BF_BOTTOM) FillDevice(t, RECT{r.left, r.bottom - 1, r.right, r.bottom}, br);
}

void Shrink(RECT& r, UINT flags) {
  if (flags & BF_LEFT) ++r.left;
  if (flags & BF_TOP) ++r.top;
  if (flags & BF_RIGHT) --r.right;
  if (flags & BF_BOTTOM) --r.bottom;
}

// A diagonal edge corner to corner: "/" when it ends top-right or bottom-left, "\" otherwise.
// Lines ending on the right take the bottom-right colour; the inner layer lies one pixel below.
void DrawDiagonal(Target& t, const RECT& r, UINT flags, const uint32_t colors[2][2], const bool present[2]) {
  bool rising = (flags & BF_TOPRIGHT) == BF_TOPRIGHT || (flags & BF_BOTTOMLEFT) == BF_BOTTOMLEFT;
  bool right = flags & BF_RIGHT;
  int n = std::min(r.right - r.left, r.bottom - r.top);
  // Only the steps whose column lies inside the clip are walked.
  const int from = std::max(0, t.clip.left - r.left), to = std::min(n, t.clip.right - r.left);
  for (int layer = 0; layer < 2; ++layer) {
    if (!present[layer]) continue;
    uint32_t c = colors[layer][right ? 1 : 0];
    for (int i = from; i < to; ++i) {
      int x = r.left + i;
      int y = rising ? r.bottom - 1 - i : r.top + i;
      PutPixel(t, x, y + layer, c);
    }
  }
}

}  // namespace

BOOL DrawEdge(HDC dc, RECT* rect, UINT edge, UINT flags) {
  Target t;
  if (!rect || !GetTarget(dc, t)) return 0;
  RECT r = DeviceRectOf(t, *rect);
  UINT layerBits[2] = {edge & BDR_OUTER, (edge & BDR_INNER) >> 2};
  bool present[2] = {layerBits[0] != 0, layerBits[1] != 0};
  uint32_t colors[2][2];
  for (int layer = 0; layer < 2; ++layer) {
    EdgeColors c = LayerColors(layerBits[layer], layer == 0, flags);
    colors[layer][0] = DeviceColor(*t.bitmap, GetSysColor(c.topLeft));
    colors[layer][1] = DeviceColor(*t.bitmap, GetSysColor(c.bottomRight));
  }
  if (flags & BF_DIAGONAL) {
    DrawDiagonal(t, r, flags, colors, present);
    return 1;
  }
  RECT inside = r;
  for (int layer = 0; layer < 2; ++layer) {
    if (!present[layer]) continue;
    DrawLayer(t, inside, flags, colors[layer][0], colors[layer][1]);
    Shrink(inside, flags);
  }
  if (flags & BF_MIDDLE)
    FillDevice(t, inside,
               DeviceColor(*t.bitmap, GetSysColor((flags & BF_MONO) ? COLOR_WINDOW : COLOR_BTNFACE)));
  if (flags & BF_ADJUST) {
    // The sides move by the layers drawn, whatever the rectangle's place.
    rect->left = WrapAdd(rect->left, inside.left - r.left);
    rect->top = WrapAdd(rect->top, inside.top - r.top);
    rect->right = WrapAdd(rect->right, inside.right - r.right);
    rect->bottom = WrapAdd(rect->bottom, inside.bottom - r.bottom);
  }
  return 1;
}

}  // namespace zu::win
