// Lines with pen styles and widths, and 3D edges.
#include <algorithm>
#include <cmath>

#include "platform/graphics/GdiInternal.h"
#include "platform/graphics/Rects.h"
#include "platform/graphics/SysColors.h"

namespace zu::win {

using namespace detail;

namespace {

// Floor division for a positive divisor.
int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// num / den (den > 0) rounded to the nearest integer, ties to the smaller one.
int64_t RoundTiesDown(int64_t num, int64_t den) { return FloorDiv(2 * num + den - 1, 2 * den); }

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

bool DashOn(const DashPattern& p, int i) {
  int total = 0;
  for (int k = 0; k < p.count; ++k) total += p.lengths[k];
  i %= total;
  for (int k = 0; k < p.count; ++k) {
    if (i < p.lengths[k]) return k % 2 == 0;
    i -= p.lengths[k];
  }
  return false;
}

// A one-pixel line in device coordinates from (x0, y0) towards (x1, y1), end point left out.
void ThinLine(Target& t, int x0, int y0, int x1, int y1, UINT style, uint32_t color) {
  int64_t dx = x1 - x0, dy = y1 - y0;
  if (!dx && !dy) return;
  const DashPattern* dashes = DashesOf(style);
  bool gapsFilled = dashes && t.dc->state.bkMode == OPAQUE;
  uint32_t gap = gapsFilled ? DeviceColor(*t.bitmap, t.dc->state.bkColor) : 0;
  bool xMajor = std::llabs(dx) >= std::llabs(dy);
  int64_t steps = xMajor ? std::llabs(dx) : std::llabs(dy);
  for (int64_t i = 0; i < steps; ++i) {
    int64_t px, py;
    if (xMajor) {
      px = x0 + (dx > 0 ? i : -i);
      int64_t den = dx > 0 ? dx : -dx,
              num = (dx > 0 ? y0 * dx + (px - x0) * dy : -(y0 * dx + (px - x0) * dy));
      py = RoundTiesDown(num, den);
    } else {
      py = y0 + (dy > 0 ? i : -i);
      int64_t den = dy > 0 ? dy : -dy,
              num = (dy > 0 ? x0 * dy + (py - y0) * dx : -(x0 * dy + (py - y0) * dx));
      px = RoundTiesDown(num, den);
    }
    if (px < INT32_MIN || px > INT32_MAX || py < INT32_MIN || py > INT32_MAX) continue;
    if (!dashes || DashOn(*dashes, int(i))) {
      PutPixel(t, int(px), int(py), color);
    } else if (gapsFilled) {
      PutPixel(t, int(px), int(py), gap);
    }
  }
}

// A wide line: every pixel whose centre lies closer than width / 2 to the segment (round caps).
// Odd widths centre the segment on the pixels, even widths on their corners.
void WideLine(Target& t, int x0, int y0, int x1, int y1, int width, uint32_t color) {
  double half = width / 2.0;
  double shift = width % 2 ? 0.5 : 0.0;
  double ax = x0 + shift, ay = y0 + shift, bx = x1 + shift, by = y1 + shift;
  double vx = bx - ax, vy = by - ay, len2 = vx * vx + vy * vy;
  RECT box{int(std::floor(std::min(ax, bx) - half)), int(std::floor(std::min(ay, by) - half)),
           int(std::ceil(std::max(ax, bx) + half)) + 1, int(std::ceil(std::max(ay, by) + half)) + 1};
  if (!IntersectRect(&box, &box, &t.clip)) return;
  for (int y = box.top; y < box.bottom; ++y) {
    for (int x = box.left; x < box.right; ++x) {
      double cx = x + 0.5 - ax, cy = y + 0.5 - ay;
      double u = len2 > 0 ? std::clamp((cx * vx + cy * vy) / len2, 0.0, 1.0) : 0.0;
      double ex = cx - u * vx, ey = cy - u * vy;
      if (ex * ex + ey * ey < half * half) t.bitmap->Row(y)[x] = color;
    }
  }
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
  POINT from = d->state.position;
  d->state.position = POINT{x, y};
  Target t;
  PenObj* pen = LookupPen(d->state.pen);
  if (!pen || pen->log.lopnStyle == PS_NULL || !GetTarget(dc, t)) return 1;
  uint32_t color = DeviceColor(*t.bitmap, pen->log.lopnColor);
  int x0 = from.x + t.ox, y0 = from.y + t.oy, x1 = x + t.ox, y1 = y + t.oy;
  if (pen->log.lopnWidth.x <= 1) {
    ThinLine(t, x0, y0, x1, y1, pen->log.lopnStyle, color);
  } else if (x0 != x1 || y0 != y1) {
    WideLine(t, x0, y0, x1, y1, pen->log.lopnWidth.x, color);
  }
  return 1;
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
  for (int layer = 0; layer < 2; ++layer) {
    if (!present[layer]) continue;
    uint32_t c = colors[layer][right ? 1 : 0];
    for (int i = 0; i < n; ++i) {
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
  RECT r{rect->left + t.ox, rect->top + t.oy, rect->right + t.ox, rect->bottom + t.oy};
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
  if (flags & BF_ADJUST)
    *rect = RECT{inside.left - t.ox, inside.top - t.oy, inside.right - t.ox, inside.bottom - t.oy};
  return 1;
}

}  // namespace zu::win
