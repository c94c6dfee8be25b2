// Monochrome bitmaps: stored packed at 1 bit per pixel in the classic layout, and drawn on exactly
// as a colour bitmap holding the same black and white pixels.
#include <random>
#include <string>

#include "Surface.h"

#include "platform/graphics/Graphics.h"

namespace zu::test {
namespace {

using Mono = GdiTest;

// The packed rows of a bitmap as bytes.
std::string PackedBytes(HBITMAP bitmap) {
  TBitmapPixels p;
  if (!GetBitmapPixels(bitmap, &p) || !p.monochrome) return "not packed";
  return std::string(reinterpret_cast<const char*>(p.packed), size_t(p.rowBytes) * size_t(p.height));
}

TEST_F(Mono, EveryWayToMakeAOneBitBitmapStoresItPacked) {
  // 19 x 2 from rows padded to 16 bits, with stray bits in the padding: they are cleared.
  const unsigned char rows[] = {0xA5, 0x0F, 0xFF, 0xFF, 0x00, 0x80, 0x3F, 0xC1};
  HBITMAP given = CreateBitmap(19, 2, 1, 1, rows);
  EXPECT_EQ(PackedBytes(given), std::string("\xA5\x0F\xE0\x00\x00\x80\x20\x00", 8));
  TBitmapPixels p;
  ASSERT_TRUE(GetBitmapPixels(given, &p));
  EXPECT_EQ(p.bits, nullptr);
  EXPECT_EQ(p.rowBytes, MonoRowBytes(19));
  EXPECT_EQ(PixelAt(p, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(PixelAt(p, 1, 0), 0u);
  EXPECT_EQ(PixelAt(p, 18, 1), 0xFFFFFFu);
  BITMAP info;
  ASSERT_TRUE(GetObjectA(given, sizeof info, &info));
  EXPECT_EQ(info.bmBitsPixel, 1);
  EXPECT_EQ(info.bmWidthBytes, p.rowBytes);

  TestSurface monoDC(4, 4, true);
  HBITMAP compatible = CreateCompatibleBitmap(monoDC.dc, 33, 3);
  EXPECT_EQ(PackedBytes(compatible), std::string(size_t(MonoRowBytes(33)) * 3, '\0'));

  // A colour TBitmap made 1-bit, resized (new pixels white) and copied.
  TBitmap bitmap;
  bitmap.SetSize(9, 2);
  bitmap.Canvas()->SetPixels(0, 0, clBlack);
  bitmap.SetPixelFormat(pf1bit);
  bitmap.SetSize(17, 1);
  EXPECT_EQ(PackedBytes(bitmap.Handle()), std::string("\x7F\xFF\x80\x00", 4));
  TBitmap copy;
  copy.Assign(&bitmap);
  EXPECT_EQ(copy.PixelFormat(), pf1bit);
  EXPECT_EQ(PackedBytes(copy.Handle()), PackedBytes(bitmap.Handle()));
  DeleteObject(given);
  DeleteObject(compatible);
}

// Random drawing on a 1-bit surface and on a colour one with the same black and white pixels,
// with black and white brushes, pens and background colours only: every step leaves the two
// alike. Widths and offsets fall anywhere within bytes, so every partial byte of a row is written.
TEST_F(Mono, DrawingMatchesAColourBitmapHoldingTheSameBlackAndWhite) {
  std::mt19937 random(18);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  auto bw = [&] { return pick(0, 1) ? kWhite : kBlack; };
  for (int drawing = 0; drawing < 40; ++drawing) {
    int w = pick(1, 70), h = pick(1, 6), sw = pick(1, 40), sh = pick(1, 6);
    TestSurface mono(w, h, true), colour(w, h, false), monoSrc(sw, sh, true), colourSrc(sw, sh, false);
    for (auto [a, b] : {std::pair{&mono, &colour}, std::pair{&monoSrc, &colourSrc}})
      for (int y = 0; y < a->Height(); ++y)
        for (int x = 0; x < a->Width(); ++x) a->Raw(x, y) = b->Raw(x, y) = bw();
    for (int step = 0; step < 30; ++step) {
      int op = pick(0, 5);
      int x = pick(-3, w), y = pick(-2, h), cx = pick(-4, w + 3), cy = pick(-2, h + 2);
      uint8_t code = uint8_t(pick(0, 255));
      int hatch = pick(-1, 5);
      COLORREF brushColor = bw(), back = bw(), pen = bw();
      int mode = pick(0, 1) ? TRANSPARENT : OPAQUE, rop2 = pick(1, 16), penWidth = pick(0, 3);
      int stretch = pick(0, 2) == 0 ? COLORONCOLOR : pick(0, 1) ? BLACKONWHITE : WHITEONBLACK;
      int sx = pick(-2, sw), sy = pick(-1, sh), scx = pick(-3, sw + 2), scy = pick(-2, sh + 2);
      bool self = pick(0, 3) == 0;
      for (auto [dst, src] : {std::pair{&mono, &monoSrc}, std::pair{&colour, &colourSrc}}) {
        HDC dc = dst->dc, from = self ? dst->dc : src->dc;
        HBRUSH brush = hatch < 0 ? CreateSolidBrush(brushColor) : CreateHatchBrush(hatch, brushColor);
        HPEN p = CreatePen(PS_SOLID, penWidth, pen);
        HGDIOBJ oldBrush = SelectObject(dc, brush), oldPen = SelectObject(dc, p);
        SetBkColor(dc, back);
        SetBkMode(dc, mode);
        SetROP2(dc, rop2);
        SetStretchBltMode(dc, stretch);
        DWORD rop = DWORD(code) << 16;
        switch (op) {
          case 0:
            PatBlt(dc, x, y, cx, cy, rop);
            break;
          case 1:
            BitBlt(dc, x, y, cx, cy, from, sx, sy, rop);
            break;
          case 2:
            StretchBlt(dc, x, y, cx, cy, from, sx, sy, scx, scy, rop);
            break;
          case 3:
            MoveToEx(dc, x, y, nullptr);
            LineTo(dc, cx, cy);
            break;
          case 4: {
            RECT r{x, y, cx, cy};
            DrawFocusRect(dc, &r);
            break;
          }
          default:
            SetPixel(dc, x, y, pen);
            break;
        }
        SelectObject(dc, oldBrush);
        SelectObject(dc, oldPen);
        DeleteObject(brush);
        DeleteObject(p);
      }
      ASSERT_EQ(mono.Pixels(), colour.Pixels()) << "drawing " << drawing << " step " << step << " op " << op;
    }
  }
}

}  // namespace
}  // namespace zu::test
