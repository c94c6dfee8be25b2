// Colour arithmetic and the integer, float and rectangle helpers.
#include <gtest/gtest.h>

#include <cmath>

#include "lib/utils/zuUtils.h"
#include "platform/graphics/Colors.h"
#include "platform/graphics/Gdi.h"
#include "platform/graphics/Geometry.h"
#include "platform/graphics/Surface.h"
#include "platform/graphics/SysColors.h"

namespace zu {
namespace {

TEST(ColourArithmetic, ChannelsMoveIndependentlyAndClamp) {
  struct Case {
    int32_t color;
    uint8_t amount;
    TColor inc, dec;
  } cases[] = {
      {0x102030, 0x10, ToColor(0x203040), ToColor(0x001020)},
      {0x00FF01, 2, ToColor(0x02FF03), ToColor(0x00FD00)},
      {clWhite, 200, clWhite, ToColor(0x373737)},
      {clBlack, 200, ToColor(0xC8C8C8), clBlack},
      {0x123456, 0, ToColor(0x123456), ToColor(0x123456)},
      {0x7F0000FE, 255, clWhite, clBlack},  // a stray top byte is not a channel
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IncColor(c.color, c.amount), c.inc) << std::hex << c.color;
    EXPECT_EQ(DecColor(c.color, c.amount), c.dec) << std::hex << c.color;
  }
}

TEST(ColourArithmetic, SystemColoursAreResolvedFirst) {
  int index = win::COLOR_BTNFACE;
  win::COLORREF face = win::RGB(100, 150, 200);
  win::SetSysColors(1, &index, &face);
  EXPECT_EQ(IncColor(clBtnFace, 60), ToColor(win::RGB(160, 210, 255)));
  EXPECT_EQ(DecColor(clBtnFace, 0), ToColor(face));
  EXPECT_EQ(ColorToRGB(clBtnFace), int32_t(face));
  win::ResetSysColors();
  EXPECT_EQ(IncColor(clBtnFace, 0), ToColor(win::GetSysColor(win::COLOR_BTNFACE)));
}

TEST(ColourArithmetic, CentimetresToPixelsFollowTheDevicesResolution) {
  win::HDC dc = win::CreateCompatibleDC(nullptr);
  EXPECT_EQ(SantimsToPixels(dc, 1.0f, true), 38);  // 37.575...
  EXPECT_EQ(SantimsToPixels(dc, 1.0f, false), 38);
  EXPECT_EQ(SantimsToPixels(dc, 2.5f, true), 94);  // 93.9...
  EXPECT_EQ(SantimsToPixels(dc, 0.0f, true), 0);
  EXPECT_EQ(SantimsToPixels(dc, -1.0f, true), -38);
  win::SetDeviceCaps(dc, win::LOGPIXELSX, 120);
  EXPECT_EQ(SantimsToPixels(dc, 1.0f, true), 47);  // 46.97
  EXPECT_EQ(SantimsToPixels(dc, 1.0f, false), 38) << "vertical reads LOGPIXELSY";
  win::DeleteDC(dc);
}

TEST(Helpers, MinMaxAndTheirFloatForms) {
  EXPECT_EQ(Min(-3, 2), -3);
  EXPECT_EQ(Max(-3, 2), 2);
  EXPECT_EQ(Min(INT32_MIN, INT32_MAX), INT32_MIN);
  EXPECT_EQ(MinSingle(1.5f, 2.5f), 1.5f);
  EXPECT_EQ(MaxSingle(1.5f, 2.5f), 2.5f);
  // Not strictly smaller or larger: the second argument wins.
  EXPECT_TRUE(std::signbit(MinSingle(0.0f, -0.0f)));
  EXPECT_FALSE(std::signbit(MaxSingle(-0.0f, 0.0f)));
  EXPECT_EQ(MinSingle(NAN, 1.0f), 1.0f);
  EXPECT_TRUE(std::isnan(MaxSingle(1.0f, NAN)));
}

TEST(Helpers, EvennessSwapAndRectangles) {
  for (int32_t v : {0, 2, -2, -4, INT32_MIN}) EXPECT_TRUE(IsEven(v)) << v;
  for (int32_t v : {1, -1, -3, INT32_MAX}) EXPECT_FALSE(IsEven(v)) << v;
  int32_t a = 1, b = 2;
  SwapInt(a, b);
  EXPECT_EQ(a, 2);
  EXPECT_EQ(b, 1);
  TRect r = Rect(0, 0, 10, 10);
  struct Case {
    TPoint p;
    bool inside;
  } cases[] = {{{0, 0}, false},  {{1, 1}, true},  {{9, 9}, true},  {{10, 5}, false},
               {{5, 10}, false}, {{0, 5}, false}, {{5, 0}, false}, {{-1, 5}, false}};
  for (const Case& c : cases) EXPECT_EQ(IsPointInRect(c.p, r), c.inside) << c.p.x << "," << c.p.y;
  EXPECT_EQ(RectW(Rect(3, 4, 10, 20)), 7);
  EXPECT_EQ(RectH(Rect(3, 4, 10, 20)), 16);
  EXPECT_EQ(RectW(Rect(10, 0, 3, 0)), -7);
  EXPECT_EQ(RectH(Rect(0, 5, 0, 2)), -3);
}

}  // namespace
}  // namespace zu
