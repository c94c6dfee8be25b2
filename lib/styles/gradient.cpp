// Gradient fills and gradient text of the property groups.
#include <algorithm>
#include <cmath>
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
  int x1 = R.left, y1 = R.top, x2 = R.left, y2 = R.top;
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
      if (FOrientation == fgdRightBias) x1 = x2 = R.right;
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
  if (bias) {
    saved = SaveDC(target);
    IntersectClipRect(target, R.left, R.top, R.right, R.bottom);  // logical, like R
  }

  for (int i = 0; i < n; ++i) {
    // A single band takes the start colour rather than dividing by zero.
    COLORREF color =
        n > 1 ? Pack(r0 + MulDiv(i, dR, n - 1), g0 + MulDiv(i, dG, n - 1), b0 + MulDiv(i, dB, n - 1))
              : Pack(r0, g0, b0);
    if (bias) {
      HPEN pen = CreatePen(PenStyle, PenWidth, color);
      HGDIOBJ oldPen = SelectObject(target, pen);
      int k = MulDiv(i + 1, W + H, n) - MulDiv(i, W + H, n);
      for (int line = 0; line < k; ++line) {
        if (FOrientation == fgdLeftBias) {
          if (y1 < R.bottom)
            y1 += step;
          else
            x1 += step;
          if (x2 < R.right)
            x2 += step;
          else
            y2 += step;
        } else {
          if (x1 > R.left)
            x1 -= step;
          else
            y1 += step;
          if (y2 < R.bottom)
            y2 += step;
          else
            x2 -= step;
        }
        MoveToEx(target, x1, y1, nullptr);
        LineTo(target, x2, y2);
      }
      SelectObject(target, oldPen);
      DeleteObject(pen);
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
