// Bitmap composition: draw states, scaling and tiling, colour-key transparency, all composed in
// off-screen surfaces that are deleted before each routine returns.
#include <algorithm>
#include <climits>
#include <cmath>

#include "lib/types/zuTypes.h"
#include "lib/utils/zuUtilsDrawing.h"
#include "platform/graphics/Graphics.h"
#include "platform/graphics/Gdi.h"
#include "platform/graphics/Rects.h"
#include "platform/graphics/SysColors.h"

namespace zu {

using namespace win;

namespace {

constexpr COLORREF kBlack = 0x000000;
constexpr COLORREF kWhite = 0xFFFFFF;
// Destination XOR (source AND (brush XOR destination)): a 1-bit source blitted with text colour
// black and background white paints the brush where it is 1 and keeps the destination elsewhere.
constexpr DWORD kBrushThroughMask = 0x00E20746;

COLORREF Resolved(TColor color) { return ResolveColor(static_cast<COLORREF>(color)); }

// A memory DC with a new bitmap of its own (32-bit, or 1-bit for a mask), both deleted with it.
class Offscreen {
 public:
  Offscreen(HDC compatible, int width, int height, bool mono)
      : DC(CreateCompatibleDC(compatible)), Bitmap(CreateBitmap(width, height, 1, mono ? 1 : 32, nullptr)) {
    if (Bitmap) FOld = SelectObject(DC, Bitmap);
  }
  ~Offscreen() {
    if (FOld) SelectObject(DC, FOld);
    DeleteObject(Bitmap);
    DeleteDC(DC);
  }
  Offscreen(const Offscreen&) = delete;
  Offscreen& operator=(const Offscreen&) = delete;
  bool Valid() const { return DC && Bitmap; }

  HDC DC;
  HBITMAP Bitmap;

 private:
  HGDIOBJ FOld = nullptr;
};

// A DC showing a TBitmap's pixels: the bitmap's own canvas when it has one, otherwise a memory DC
// of our own with the bitmap selected, so that nothing is left behind.
class BitmapSource {
 public:
  explicit BitmapSource(TBitmap* bitmap) {
    if (bitmap->Canvas()->HandleAllocated()) {
      DC = bitmap->Canvas()->Handle();
    } else {
      FOwn = CreateCompatibleDC(nullptr);
      FOld = SelectObject(FOwn, bitmap->Handle());
      DC = FOwn;
    }
  }
  ~BitmapSource() {
    if (!FOwn) return;
    if (FOld) SelectObject(FOwn, FOld);
    DeleteDC(FOwn);
  }
  BitmapSource(const BitmapSource&) = delete;
  BitmapSource& operator=(const BitmapSource&) = delete;

  HDC DC = nullptr;

 private:
  HDC FOwn = nullptr;
  HGDIOBJ FOld = nullptr;
};

void Fill(HDC dc, int width, int height, COLORREF color) {
  RECT all{0, 0, width, height};
  HBRUSH brush = CreateSolidBrush(color);
  FillRect(dc, &all, brush);
  DeleteObject(brush);
}

// Writes into `mask` (1-bit) a 1 wherever the colour surface `dc` holds `key`, a 0 elsewhere.
void MakeMask(const Offscreen& mask, HDC dc, int width, int height, COLORREF key) {
  COLORREF oldBk = SetBkColor(dc, key);
  BitBlt(mask.DC, 0, 0, width, height, dc, 0, 0, SRCCOPY);
  SetBkColor(dc, oldBk);
}

// Paints `color` at (x, y) of dc wherever the 1-bit mask is 1 and keeps dc elsewhere.
void PaintThroughMask(HDC dc, int x, int y, int width, int height, HDC mask, COLORREF color) {
  HBRUSH brush = CreateSolidBrush(color);
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  COLORREF oldText = SetTextColor(dc, kBlack);
  COLORREF oldBk = SetBkColor(dc, kWhite);
  BitBlt(dc, x, y, width, height, mask, 0, 0, kBrushThroughMask);
  SetBkColor(dc, oldBk);
  SetTextColor(dc, oldText);
  SelectObject(dc, oldBrush);
  DeleteObject(brush);
}

// Turns every pixel of a colour surface that equals `from` into `to`.
void ReplaceColor(HDC dc, int width, int height, COLORREF from, COLORREF to) {
  Offscreen mask(dc, width, height, true);
  if (!mask.Valid()) return;
  MakeMask(mask, dc, width, height, from);
  PaintThroughMask(dc, 0, 0, width, height, mask.DC, to);
}

// Copies the area (sx, sy, width, height) of `image` to (px, py) of dc; with transparency, dc's
// pixels under key-coloured image pixels stay as they were.
void PutTile(HDC dc, int px, int py, int width, int height, HDC image, int sx, int sy, bool transparent,
             COLORREF key) {
  if (!transparent) {
    BitBlt(dc, px, py, width, height, image, sx, sy, SRCCOPY);
    return;
  }
  Offscreen tile(dc, width, height, false), mask(dc, width, height, true), back(dc, width, height, false);
  if (!tile.Valid() || !mask.Valid() || !back.Valid()) return;
  BitBlt(tile.DC, 0, 0, width, height, image, sx, sy, SRCCOPY);
  MakeMask(mask, tile.DC, width, height, key);
  // The new surfaces convert a 1-bit source with text colour black and background white.
  BitBlt(back.DC, 0, 0, width, height, dc, px, py, SRCCOPY);
  BitBlt(back.DC, 0, 0, width, height, mask.DC, 0, 0, SRCAND);
  BitBlt(mask.DC, 0, 0, width, height, mask.DC, 0, 0, NOTSRCCOPY);
  BitBlt(tile.DC, 0, 0, width, height, mask.DC, 0, 0, SRCAND);
  BitBlt(tile.DC, 0, 0, width, height, back.DC, 0, 0, SRCPAINT);
  BitBlt(dc, px, py, width, height, tile.DC, 0, 0, SRCCOPY);
}

// The part of the span [from, from + length) inside [lo, hi), as [first, last).
bool Visible(int64_t from, int64_t length, int64_t lo, int64_t hi, int64_t& first, int64_t& last) {
  first = std::max(from, lo);
  last = std::min(from + length, hi);
  return first < last;
}

}  // namespace

void CreateBitmapExt(HDC dc, TBitmap* bitmap, const TRect& rect, int32_t offsetX, int32_t offsetY,
                     TzuWallpaperOption wallpaper, TzuDrawState state, bool transparent,
                     TColor transparentColor, TColor /*auxColor*/) {
  if (!IsItAFilledBitmap(bitmap)) return;
  int w = bitmap->Width(), h = bitmap->Height();
  const int64_t x = int64_t(rect.left) + offsetX, y = int64_t(rect.top) + offsetY;
  // Only what falls inside the DC's clip can change, so tiles and the stretched image are made
  // for that part alone (a huge rectangle costs no more than the surface).
  RECT clip{};
  if (!GetClipBox(dc, &clip)) return;

  Offscreen work(dc, w, h, false);
  if (!work.Valid()) return;
  Fill(work.DC, w, h, Resolved(transparentColor));
  {
    BitmapSource source(bitmap);
    switch (state) {
      case fdsDefault:
        BitBlt(work.DC, 0, 0, w, h, source.DC, 0, 0, SRCCOPY);
        break;
      case fdsDelicate:
        BitBlt(work.DC, 0, 0, w, h, source.DC, 0, 0, SRCCOPY);
        ReplaceColor(work.DC, w, h, 0xFFFFFF, Resolved(clBtnHighlight));
        ReplaceColor(work.DC, w, h, 0x808080, Resolved(clBtnShadow));
        break;
      case fdsDisabled: {
        // The shape mask is 1 exactly at the black pixels; going through the colour work image
        // gives that for 1-bit bitmaps too.
        Offscreen mask(dc, w, h, true);
        if (!mask.Valid()) return;
        BitBlt(work.DC, 0, 0, w, h, source.DC, 0, 0, SRCCOPY);
        MakeMask(mask, work.DC, w, h, kBlack);
        Fill(work.DC, w, h, Resolved(clBtnFace));
        PaintThroughMask(work.DC, 1, 1, w, h, mask.DC, Resolved(clBtnHighlight));
        PaintThroughMask(work.DC, 0, 0, w, h, mask.DC, Resolved(clBtnShadow));
        break;
      }
      default:
        break;
    }
  }
  const COLORREF key = state == fdsDisabled ? Resolved(clBtnFace) : Resolved(transparentColor);
  const int64_t sw = int64_t(rect.right) - rect.left, sh = int64_t(rect.bottom) - rect.top;

  if (wallpaper == fwoTile) {
    // Columns and rows start at (x, y) every w and h pixels and end at rect's right and bottom
    // edges; the loops begin at the first tile that reaches into the clip.
    const int64_t right = std::min<int64_t>(rect.right, clip.right);
    const int64_t bottom = std::min<int64_t>(rect.bottom, clip.bottom);
    const int64_t firstColumn = x + std::max<int64_t>(0, (clip.left - x) / w) * w;
    const int64_t firstRow = y + std::max<int64_t>(0, (clip.top - y) / h) * h;
    for (int64_t cx = firstColumn; cx < right; cx += w) {
      const int64_t cw = std::min<int64_t>(w, int64_t(rect.right) - cx);
      for (int64_t cy = firstRow; cy < bottom; cy += h) {
        const int64_t ch = std::min<int64_t>(h, int64_t(rect.bottom) - cy);
        int64_t x0, x1, y0, y1;
        if (!Visible(cx, cw, clip.left, clip.right, x0, x1) ||
            !Visible(cy, ch, clip.top, clip.bottom, y0, y1))
          continue;
        PutTile(dc, int(x0), int(y0), int(x1 - x0), int(y1 - y0), work.DC, int(x0 - cx), int(y0 - cy),
                transparent, key);
      }
    }
    return;
  }

  int64_t tw = w, th = h;
  if (wallpaper == fwoStretch) {
    tw = sw;
    th = sh;
  } else if (wallpaper == fwoPropStretch) {
    const double k = std::min(double(sw) / double(w), double(sh) / double(h));
    tw = int64_t(std::trunc(double(w) * k));
    th = int64_t(std::trunc(double(h) * k));
  }
  if (tw <= 0 || th <= 0 || tw > INT_MAX || th > INT_MAX) return;
  int64_t x0, x1, y0, y1;
  if (!Visible(x, tw, clip.left, clip.right, x0, x1) || !Visible(y, th, clip.top, clip.bottom, y0, y1))
    return;
  const int vw = int(x1 - x0), vh = int(y1 - y0);
  if (tw == w && th == h) {
    PutTile(dc, int(x0), int(y0), vw, vh, work.DC, int(x0 - x), int(y0 - y), transparent, key);
    return;
  }
  // The visible part of the image stretched to tw x th, placed as the whole stretched image would be.
  Offscreen stretched(dc, vw, vh, false);
  if (!stretched.Valid()) return;
  StretchBlt(stretched.DC, int(x - x0), int(y - y0), int(tw), int(th), work.DC, 0, 0, w, h, SRCCOPY);
  PutTile(dc, int(x0), int(y0), vw, vh, stretched.DC, 0, 0, transparent, key);
}

void DrawBitmapExt(HDC dc, TBitmap* bitmap, const TRect& rect, int32_t offsetX, int32_t offsetY,
                   TzuWallpaperOption wallpaper, TzuDrawState state, bool transparent,
                   TColor transparentColor, TColor auxColor) {
  CreateBitmapExt(dc, bitmap, rect, offsetX, offsetY, wallpaper, state, transparent, transparentColor,
                  auxColor);
}

void ChangeBitmapColor(TBitmap* bitmap, TColor fromColor, TColor toColor) {
  if (!IsItAFilledBitmap(bitmap)) return;
  const int w = bitmap->Width(), h = bitmap->Height();
  TCanvas* canvas = bitmap->Canvas();
  canvas->Brush()->SetColor(toColor);
  HDC dc = canvas->Handle();
  // The mask is taken from a colour copy, so that a 1-bit bitmap compares its pixels too rather
  // than being copied bit for bit.
  Offscreen copy(dc, w, h, false), mask(dc, w, h, true);
  if (!copy.Valid() || !mask.Valid()) return;
  BitBlt(copy.DC, 0, 0, w, h, dc, 0, 0, SRCCOPY);
  MakeMask(mask, copy.DC, w, h, Resolved(fromColor));
  COLORREF oldText = SetTextColor(dc, kBlack);
  COLORREF oldBk = SetBkColor(dc, kWhite);
  BitBlt(dc, 0, 0, w, h, mask.DC, 0, 0, kBrushThroughMask);
  SetBkColor(dc, oldBk);
  SetTextColor(dc, oldText);
}

TColor GetTransparentColor(TBitmap* bitmap, TzuAutoTransparentColor mode) {
  if (mode == ftcUser || !IsItAFilledBitmap(bitmap)) return clBlack;
  const int w = bitmap->Width(), h = bitmap->Height();
  int x = w - 1, y = h - 1;
  if (mode == ftcLeftTopPixel) x = y = 0;
  if (mode == ftcLeftBottomPixel) x = 0;
  if (mode == ftcRightTopPixel) y = 0;
  BitmapSource source(bitmap);
  return ToColor(GetPixel(source.DC, x, y));
}

bool IsItAFilledBitmap(TBitmap* bitmap) { return bitmap && bitmap->Width() != 0 && bitmap->Height() != 0; }

}  // namespace zu
