// Gradient fills and gradient text of the property groups.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "lib/styles/zuCommCl.h"
#include "platform/graphics/Gdi.h"
#include "platform/graphics/GdiText.h"

namespace zu {

using namespace win;

namespace {

int Channel(uint32_t rgb, int shift) { return static_cast<int>((rgb >> shift) & 0xFF); }

COLORREF Pack(int r, int g, int b) { return RGB(r & 0xFF, g & 0xFF, b & 0xFF); }

// Puts the convergent orientation and the colour copies back however Draw leaves.
struct ConvergentGuard {
  TzuGradientDir& orientation;
  TzuGradientDir saved;
  uint32_t& from;
  uint32_t& to;
  uint32_t savedFrom, savedTo;
  ~ConvergentGuard() {
    orientation = saved;
    from = savedFrom;
    to = savedTo;
  }
};

int64_t CeilDiv(int64_t a, int64_t b) { return a >= 0 ? (a + b - 1) / b : -(-a / b); }
int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// The lines of the diagonal orientations, numbered from 1. Before line j each end point has moved j
// times by `step`: the first down the left edge then along the bottom (left bias; leftwards along
// the top then down the left edge for right bias), the second along the top then down the right
// edge (down the right edge then leftwards along the bottom). Every move adds `step` to x + y (left
// bias) or takes it from x - y (right bias), so line j lies on one diagonal: lines whose diagonal
// misses the clip box are not drawn at all, which keeps a huge gradient on a small surface cheap.
struct BiasLines {
  struct Line {
    int x1, y1, x2, y2;
  };
  RECT r;
  bool left;
  int64_t step;
  int64_t visibleFirst = 1;
  int64_t visibleLast = INT64_MAX;

  // Moves made down (or across) before an end point turns its corner; without a positive step it
  // never does.
  int64_t Down() const {
    return step > 0 ? std::max<int64_t>(0, CeilDiv(r.bottom - r.top, step)) : INT64_MAX;
  }
  int64_t Across() const {
    return step > 0 ? std::max<int64_t>(0, CeilDiv(r.right - r.left, step)) : INT64_MAX;
  }

  Line At(int64_t j) const {
    const int64_t down = std::min(j, Down()), across = std::min(j, Across());
    if (left)
      return Line{int(r.left + (j - down) * step), int(r.top + down * step), int(r.left + across * step),
                  int(r.top + (j - across) * step)};
    return Line{int(r.right - across * step), int(r.top + (j - across) * step),
                int(r.right - (j - down) * step), int(r.top + down * step)};
  }

  // Keeps the lines whose diagonal passes within the pen's reach of the clip box (logical).
  void Limit(const RECT& box, int penWidth) {
    if (step <= 0) return;
    if (box.right <= box.left || box.bottom <= box.top) {
      visibleFirst = 1;
      visibleLast = 0;
      return;
    }
    const int64_t margin = std::max(penWidth, 1) + 2;
    if (left) {  // line j on x + y = left + top + j * step
      const int64_t base = int64_t(r.left) + r.top;
      visibleFirst = std::max<int64_t>(1, CeilDiv(int64_t(box.left) + box.top - margin - base, step));
      visibleLast = FloorDiv(int64_t(box.right) + box.bottom - 2 + margin - base, step);
    } else {  // line j on x - y = right - top - j * step
      const int64_t base = int64_t(r.right) - r.top;
      visibleFirst = std::max<int64_t>(1, CeilDiv(base - (int64_t(box.right) - 1 - box.top) - margin, step));
      visibleLast = FloorDiv(base - (int64_t(box.left) - (box.bottom - 1)) + margin, step);
    }
  }
};

}  // namespace

void TGradient::Draw(HDC DC, const RECT& R, int32_t PenStyle, int32_t PenWidth) {
  if (!FActive || zuGlobalData.NoGradients || FSteps == 1 || GetDeviceCaps(DC, BITSPIXEL) < 16) return;
  int W = R.right - R.left;
  int H = R.bottom - R.top;

  if (FOrientation == fgdHorzConvergent || FOrientation == fgdVertConvergent) {
    ConvergentGuard guard{FOrientation, FOrientation, FRGBFrom, FRGBTo, FRGBFrom, FRGBTo};
    RECT first = R, second = R;
    if (FOrientation == fgdHorzConvergent) {
      FOrientation = fgdHorizontal;
      first.bottom = R.bottom - H / 2;
      second.top = R.top + H / 2;
    } else {
      FOrientation = fgdVertical;
      first.right = R.right - W / 2;
      second.left = R.left + W / 2;
    }
    Draw(DC, first, PenStyle, PenWidth);
    std::swap(FRGBFrom, FRGBTo);
    Draw(DC, second, PenStyle, PenWidth);
    return;
  }

  const int r0 = Channel(FRGBFrom, 0), g0 = Channel(FRGBFrom, 8), b0 = Channel(FRGBFrom, 16);
  const int dR = Channel(FRGBTo, 0) - r0, dG = Channel(FRGBTo, 8) - g0, dB = Channel(FRGBTo, 16) - b0;

  int n = 0;
  int step = PenWidth == 0 ? 1 : PenWidth;
  switch (FOrientation) {
    case fgdHorizontal:
      n = std::min(FSteps, H);
      break;
    case fgdVertical:
      n = std::min(FSteps, W);
      break;
    case fgdLeftBias:
    case fgdRightBias:
      n = std::min(FSteps, W + H);
      break;
    case fgdRectangle:
      H /= 2;
      W /= 2;
      n = std::min(FSteps, std::min(W, H));
      break;
    default:
      break;
  }
  // Nothing to draw: no bands, and a buffered draw copies nothing either.
  if (n <= 0) return;

  HDC target = DC;
  HDC memDC = nullptr;
  HBITMAP memBitmap = nullptr;
  HGDIOBJ oldBitmap = nullptr;
  const int fullW = R.right - R.left, fullH = R.bottom - R.top;
  if (FBufferedDraw) {
    memDC = CreateCompatibleDC(DC);
    memBitmap = CreateBitmap(fullW, fullH, static_cast<UINT>(GetDeviceCaps(DC, PLANES)),
                             static_cast<UINT>(GetDeviceCaps(DC, BITSPIXEL)), nullptr);
    oldBitmap = SelectObject(memDC, memBitmap);
    SetMapMode(memDC, GetMapMode(DC));
    target = memDC;
  }

  // Lines of the diagonal orientations stay inside R, whatever the pen width.
  const bool bias = FOrientation == fgdLeftBias || FOrientation == fgdRightBias;
  int saved = 0;
  BiasLines lines{R, FOrientation == fgdLeftBias, step};
  if (bias) {
    saved = SaveDC(target);
    IntersectClipRect(target, R.left, R.top, R.right, R.bottom);  // logical, like R
    RECT box;
    if (GetClipBox(target, &box) == NULLREGION) box = RECT{};
    lines.Limit(box, PenWidth);
  }

  for (int i = 0; i < n; ++i) {
    // A single band takes the start colour rather than dividing by zero.
    COLORREF color =
        n > 1 ? Pack(r0 + MulDiv(i, dR, n - 1), g0 + MulDiv(i, dG, n - 1), b0 + MulDiv(i, dB, n - 1))
              : Pack(r0, g0, b0);
    if (bias) {
      // Lines first..last of all W + H; only those that can reach the clip box are drawn.
      const int64_t first = std::max<int64_t>(MulDiv(i, W + H, n) + 1, lines.visibleFirst);
      const int64_t last = std::min<int64_t>(MulDiv(i + 1, W + H, n), lines.visibleLast);
      if (first <= last) {
        HPEN pen = CreatePen(PenStyle, PenWidth, color);
        HGDIOBJ oldPen = SelectObject(target, pen);
        for (int64_t j = first; j <= last; ++j) {
          const BiasLines::Line l = lines.At(j);
          MoveToEx(target, l.x1, l.y1, nullptr);
          LineTo(target, l.x2, l.y2);
        }
        SelectObject(target, oldPen);
        DeleteObject(pen);
      }
    } else if (FBrushStyle != bsClear) {
      RECT band;
      if (FOrientation == fgdHorizontal) {
        band = {R.left, R.top + MulDiv(i, H, n), R.right, R.top + MulDiv(i + 1, H, n)};
      } else if (FOrientation == fgdVertical) {
        band = {R.left + MulDiv(i, W, n), R.top, R.left + MulDiv(i + 1, W, n), R.bottom};
      } else {
        band = {R.left + MulDiv(i, W, n), R.top + MulDiv(i, H, n), R.right - MulDiv(i, W, n),
                R.bottom - MulDiv(i, H, n)};
      }
      HBRUSH brush;
      if (FBrushStyle == bsSolid) {
        brush = CreateSolidBrush(color);
      } else {
        LOGBRUSH lb;
        lb.lbStyle = BS_HATCHED;
        lb.lbColor = color;
        lb.lbHatch = static_cast<uintptr_t>(static_cast<int>(FBrushStyle) - 2);
        brush = CreateBrushIndirect(&lb);
      }
      FillRect(target, &band, brush);
      DeleteObject(brush);
    }
    if (static_cast<double>(FPercentFilling.Value) < static_cast<double>(i) / n * 100.0) break;
  }

  if (bias) RestoreDC(target, saved);
  if (FBufferedDraw) {
    BitBlt(DC, 0, 0, fullW, fullH, memDC, 0, 0, SRCCOPY);
    SelectObject(memDC, oldBitmap);
    DeleteObject(memBitmap);
    DeleteDC(memDC);
  }
}

void TCustomGradient::TextOut(HDC DC, const std::string& Text, const RECT& R, int32_t X, int32_t Y) {
  const int len = static_cast<int>(Text.size());
  if (!(FActive && GetDeviceCaps(DC, BITSPIXEL) >= 16)) {
    TextOutA(DC, X, Y, Text.c_str(), len);
    return;
  }
  const bool vertical = FOrientation == fgdVertical;
  const int L = vertical ? R.right - R.left : R.bottom - R.top;
  float run[3], stepf[3];
  for (int c = 0; c < 3; ++c) {
    int start = Channel(FRGBFrom, c * 8), end = Channel(FRGBTo, c * 8);
    run[c] = static_cast<float>(start);
    // A length of 0 keeps the start colour rather than dividing by zero.
    stepf[c] = L == 0 ? 0.0f : static_cast<float>(static_cast<double>(end - start) / L);
  }
  COLORREF saved = SetTextColor(DC, 0);
  const int n = MulDiv(L, FPercentFilling.Value, 100);
  for (int i = 0; i <= n; ++i) {
    SetTextColor(DC, Pack(static_cast<int>(std::trunc(run[0])), static_cast<int>(std::trunc(run[1])),
                          static_cast<int>(std::trunc(run[2]))));
    RECT clip = vertical ? RECT{i, R.top, i + 1, R.bottom} : RECT{R.left, i, R.right, i + 1};
    ExtTextOutA(DC, X, Y, ETO_CLIPPED, &clip, Text.c_str(), static_cast<UINT>(len), nullptr);
    for (int c = 0; c < 3; ++c) run[c] = run[c] + stepf[c];
  }
  SetTextColor(DC, saved);
}

TColor TCustomGradient::GetColorFromGradientLine(uint16_t Length, uint16_t Position) const {
  int out[3];
  for (int c = 0; c < 3; ++c) {
    int start = Channel(FRGBFrom, c * 8), end = Channel(FRGBTo, c * 8);
    if (Length == 0) {
      out[c] = start;
      continue;
    }
    float step = static_cast<float>(static_cast<double>(end - start) / Length);
    out[c] = static_cast<int>(std::trunc(static_cast<double>(Position) * step + start));
  }
  return static_cast<TColor>(Pack(out[0], out[1], out[2]));
}

}  // namespace zu
