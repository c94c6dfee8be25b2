#include <gtest/gtest.h>

#include <cstdio>

#include "lib/styles/zuCommCl.h"
#include "platform/typinfo/TypInfo.h"
#include "platform/graphics/Gdi.h"
#include "platform/graphics/GdiText.h"
#include "platform/graphics/Surface.h"
#include "tests/platform/graphics/Surface.h"

namespace zu {
namespace {

using namespace win;

// A white 32-bit surface of w x h pixels.
using Surface = test::TestSurface;

// An active black-to-white gradient.
struct BlackToWhite : TGradient {
  BlackToWhite(TzuGradientDir dir, int steps) {
    SeTzuomColor(clBlack);
    SetToColor(clWhite);
    SetSteps(steps);
    SetActive(true);
    SetOrientation(dir);
  }
  void Buffered() { SetPropText(this, ClassType()->FindProp("BufferedDraw"), "True"); }
};

constexpr COLORREF Grey(int v) { return RGB(v, v, v); }

TEST(GradientDraw, FourBandsOfHorizontalStripes) {
  Surface s(50, 100);
  BlackToWhite g(fgdHorizontal, 4);
  int before = GdiObjectCount();
  g.Draw(s.dc, {0, 0, 50, 100}, PS_SOLID, 1);
  EXPECT_EQ(GdiObjectCount(), before);
  struct Row {
    int y;
    int grey;
  } rows[] = {{0, 0}, {24, 0}, {25, 85}, {49, 85}, {50, 170}, {74, 170}, {75, 255}, {99, 255}};
  for (const Row& r : rows) {
    EXPECT_EQ(s.At(0, r.y), Grey(r.grey)) << r.y;
    EXPECT_EQ(s.At(49, r.y), Grey(r.grey)) << r.y;
  }
}

TEST(GradientDraw, VerticalStripesAndOneBandPerRow) {
  Surface s(100, 10);
  BlackToWhite v(fgdVertical, 4);
  v.Draw(s.dc, {0, 0, 100, 10}, PS_SOLID, 1);
  EXPECT_EQ(s.At(0, 5), Grey(0));
  EXPECT_EQ(s.At(25, 5), Grey(85));
  EXPECT_EQ(s.At(99, 5), Grey(255));

  Surface t(50, 10);
  BlackToWhite h(fgdHorizontal, 255);
  h.Draw(t.dc, {0, 0, 50, 10}, PS_SOLID, 1);
  for (int y = 0; y < 10; ++y) {
    int grey = MulDiv(y, 255, 9);
    EXPECT_EQ(t.At(10, y), Grey(grey)) << y;
  }
}

TEST(GradientDraw, FillingLimit) {
  struct Case {
    int percent;
    int lastBand;
  } cases[] = {{50, 6}, {0, 1}, {100, 9}};
  for (const Case& c : cases) {
    Surface s(10, 10);
    BlackToWhite g(fgdHorizontal, 255);
    g.SetToColor(clRed);  // bands differ from the white background
    g.SetPercentFilling(c.percent);
    g.Draw(s.dc, {0, 0, 10, 10}, PS_SOLID, 1);
    for (int y = 0; y < 10; ++y)
      EXPECT_EQ(s.At(5, y) != Grey(255), y <= c.lastBand) << c.percent << "% row " << y;
  }
}

TEST(GradientDraw, NestedRectanglesAndConvergentMiddle) {
  Surface s(100, 40);
  BlackToWhite g(fgdRectangle, 255);
  g.Draw(s.dc, {0, 0, 100, 40}, PS_SOLID, 1);
  // 20 bands from black at the edge to white in the middle.
  EXPECT_EQ(s.At(0, 0), Grey(0));
  EXPECT_EQ(s.At(2, 1), Grey(0));
  EXPECT_EQ(s.At(3, 1), Grey(MulDiv(1, 255, 19)));
  EXPECT_EQ(s.At(50, 20), Grey(255));

  Surface c(10, 5);
  BlackToWhite conv(fgdHorzConvergent, 255);
  conv.Draw(c.dc, {0, 0, 10, 5}, PS_SOLID, 1);
  EXPECT_EQ(c.At(3, 0), Grey(0));
  EXPECT_EQ(c.At(3, 2), Grey(255));
  EXPECT_EQ(c.At(3, 4), Grey(0));
  EXPECT_EQ(conv.Orientation(), fgdHorzConvergent);
  EXPECT_EQ(conv.FromColor(), clBlack);
  EXPECT_EQ(conv.RGBFrom(), 0u);
  EXPECT_EQ(conv.RGBTo(), 0xFFFFFFu);
}

TEST(GradientDraw, NothingIsDrawnWhenSwitchedOff) {
  struct Case {
    const char* why;
    bool active;
    bool noGradients;
    int steps;
    int bits;
  } cases[] = {{"inactive", false, false, 255, 32},
               {"switched off", true, true, 255, 32},
               {"one step", true, false, 1, 32},
               {"8-bit device", true, false, 255, 8}};
  for (const Case& c : cases) {
    Surface s(10, 10);
    SetDeviceCaps(s.dc, BITSPIXEL, c.bits);
    BlackToWhite g(fgdHorizontal, c.steps);
    g.SetActive(c.active);
    zuGlobalData.NoGradients = c.noGradients;
    g.Draw(s.dc, {0, 0, 10, 10}, PS_SOLID, 1);
    zuGlobalData.NoGradients = false;
    EXPECT_EQ(s.At(5, 0), Grey(255)) << c.why;
  }
}

TEST(GradientDraw, HatchesSingleBandsClearBrushAndBuffering) {
  Surface s(16, 16);
  BlackToWhite cross(fgdHorizontal, 2);
  cross.SetToColor(clBlack);
  cross.SetBrushStyle(bsCross);
  cross.Draw(s.dc, {0, 0, 16, 16}, PS_SOLID, 1);
  int black = 0;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) black += s.At(x, y) == Grey(0);
  EXPECT_EQ(black, 15) << "a cross hatch: one row and one column of each 8 x 8 cell";

  Surface one(10, 1);
  BlackToWhite single(fgdHorizontal, 255);
  single.SeTzuomColor(clRed);
  single.Draw(one.dc, {0, 0, 10, 1}, PS_SOLID, 1);
  EXPECT_EQ(one.At(3, 0), RGB(255, 0, 0)) << "a single band takes the start colour";

  Surface clear(10, 10);
  BlackToWhite none(fgdHorizontal, 255);
  none.SetBrushStyle(bsClear);
  none.Draw(clear.dc, {0, 0, 10, 10}, PS_SOLID, 1);
  EXPECT_EQ(clear.At(3, 3), Grey(255));

  Surface buffered(20, 20);
  BlackToWhite b(fgdVertical, 255);
  b.Buffered();
  int before = GdiObjectCount();
  b.Draw(buffered.dc, {0, 0, 20, 20}, PS_SOLID, 1);
  EXPECT_EQ(GdiObjectCount(), before);
  EXPECT_EQ(buffered.At(0, 5), Grey(0));
  EXPECT_EQ(buffered.At(19, 5), Grey(255));
  Surface empty(20, 20);
  BlackToWhite flat(fgdRectangle, 255);
  flat.Buffered();
  flat.Draw(empty.dc, {0, 0, 20, 1}, PS_SOLID, 1);
  EXPECT_EQ(empty.At(0, 0), Grey(255)) << "nothing to draw copies nothing";
}

TEST(GradientDraw, DiagonalLinesStayInsideTheRectangle) {
  for (TzuGradientDir dir : {fgdLeftBias, fgdRightBias}) {
    Surface s(30, 30);
    BlackToWhite g(dir, 255);
    g.SetToColor(clBlack);
    g.Draw(s.dc, {5, 5, 25, 25}, PS_SOLID, 3);
    int inside = 0, outside = 0;
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 30; ++x) {
        bool in = x >= 5 && x < 25 && y >= 5 && y < 25;
        if (s.At(x, y) == Grey(0)) ++(in ? inside : outside);
      }
    EXPECT_GT(inside, 300) << dir;
    EXPECT_EQ(outside, 0) << dir;
  }
}

// A control paints itself at a viewport origin: every orientation draws there what it draws at
// the same device place without one, and leaves the DC's origin and clip as they were.
TEST(GradientDraw, EveryOrientationDrawsTheSameAtAViewportOrigin) {
  for (int dir = fgdHorizontal; dir <= fgdVertConvergent; ++dir) {
    for (TBrushStyle brush : {bsSolid, bsFDiagonal}) {
      for (int width : {1, 2}) {
        Surface plain(40, 32), shifted(40, 32);
        BlackToWhite g(TzuGradientDir(dir), 255);
        g.SetToColor(clRed);
        g.SetBrushStyle(brush);
        g.Draw(plain.dc, {7, 5, 31, 25}, PS_SOLID, width);
        SetViewportOrgEx(shifted.dc, 7, 5, nullptr);
        g.Draw(shifted.dc, {0, 0, 24, 20}, PS_SOLID, width);
        EXPECT_EQ(shifted.Pixels(), plain.Pixels())
            << "orientation " << dir << " brush " << brush << " width " << width;
        EXPECT_NE(plain.Count(Grey(255)), 40 * 32) << "orientation " << dir;
        POINT org;
        GetViewportOrgEx(shifted.dc, &org);
        EXPECT_EQ(org.x, 7);
        RECT clip;
        GetClipBox(shifted.dc, &clip);
        EXPECT_EQ(clip, (RECT{-7, -5, 33, 27}));
      }
    }
  }
}

// The diagonal orientations walked literally: both end points step `width` at a time along their
// edges, band by band, one MoveToEx and LineTo per line, clipped to R.
void WalkDiagonals(HDC dc, const RECT& R, bool leftBias, int steps, int width) {
  const int W = R.right - R.left, H = R.bottom - R.top, n = std::min(steps, W + H), s = width ? width : 1;
  int x1 = leftBias ? R.left : R.right, y1 = R.top, x2 = x1, y2 = R.top;
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, R.left, R.top, R.right, R.bottom);
  for (int i = 0; i < n; ++i) {
    const int grey = MulDiv(i, 255, n - 1);
    HPEN pen = CreatePen(PS_SOLID, width, Grey(grey));
    HGDIOBJ old = SelectObject(dc, pen);
    for (int k = MulDiv(i + 1, W + H, n) - MulDiv(i, W + H, n); k > 0; --k) {
      if (leftBias) {
        (y1 < R.bottom ? y1 : x1) += s;
        (x2 < R.right ? x2 : y2) += s;
      } else {
        if (x1 > R.left)
          x1 -= s;
        else
          y1 += s;
        if (y2 < R.bottom)
          y2 += s;
        else
          x2 -= s;
      }
      MoveToEx(dc, x1, y1, nullptr);
      LineTo(dc, x2, y2);
    }
    SelectObject(dc, old);
    DeleteObject(pen);
  }
  RestoreDC(dc, saved);
}

// Lines that cannot reach the clip are skipped, and the picture stays that of the literal walk,
// also for rectangles far larger than the surface and for wide pens.
TEST(GradientDraw, DiagonalsDrawWhatTheLiteralWalkDraws) {
  const RECT rects[] = {{3, 2, 37, 27}, {-500, -300, 900, 700}, {-20, 5, 30, 9000}, {10, 10, 11, 40}};
  for (bool leftBias : {true, false})
    for (const RECT& R : rects)
      for (int width : {1, 3})
        for (int steps : {255, 7}) {
          Surface drawn(40, 30), walked(40, 30);
          BlackToWhite g(leftBias ? fgdLeftBias : fgdRightBias, steps);
          g.Draw(drawn.dc, R, PS_SOLID, width);
          WalkDiagonals(walked.dc, R, leftBias, steps, width);
          EXPECT_EQ(drawn.Pixels(), walked.Pixels())
              << (leftBias ? "left" : "right") << " bias, R " << R.left << "," << R.top << "," << R.right
              << "," << R.bottom << " width " << width << " steps " << steps;
        }
}

TEST(GradientText, ColourLineAndRowByRowText) {
  BlackToWhite g(fgdHorizontal, 255);
  EXPECT_EQ(static_cast<uint32_t>(g.GetColorFromGradientLine(10, 5)), Grey(127));
  EXPECT_EQ(g.GetColorFromGradientLine(10, 0), clBlack);
  EXPECT_EQ(g.GetColorFromGradientLine(0, 3), clBlack) << "a length of 0 gives the start colour";

  // 21 passes over rows 0..20: the top rows of big text are dark, the lower rows lighter.
  Surface s(100, 30);
  LOGFONTA lf;
  lf.lfHeight = -20;
  std::snprintf(lf.lfFaceName, sizeof lf.lfFaceName, "%s", "DejaVu Sans");
  HFONT font = CreateFontIndirectA(&lf);
  HGDIOBJ oldFont = SelectObject(s.dc, font);
  SetBkMode(s.dc, TRANSPARENT);
  SetTextColor(s.dc, RGB(0, 0, 255));
  g.TextOut(s.dc, "MMMM", {0, 0, 100, 20}, 0, 0);
  EXPECT_EQ(GetTextColor(s.dc), RGB(0, 0, 255)) << "text colour put back";
  int darkTop = 255, lightLow = 0;
  for (int x = 0; x < 100; ++x) {
    for (int y = 0; y < 8; ++y)
      if (s.At(x, y) != Grey(255)) darkTop = std::min<int>(darkTop, GetRValue(s.At(x, y)));
    for (int y = 14; y < 21; ++y)
      if (s.At(x, y) != Grey(255)) lightLow = std::max<int>(lightLow, GetRValue(s.At(x, y)));
    for (int y = 21; y < 30; ++y) EXPECT_EQ(s.At(x, y), Grey(255)) << "row " << y << " is past the last pass";
  }
  EXPECT_LT(darkTop, 110);
  EXPECT_GT(lightLow, 160);

  // Plain text on an 8-bit device, in the current text colour.
  Surface p(100, 30);
  SetDeviceCaps(p.dc, BITSPIXEL, 8);
  HGDIOBJ oldFont2 = SelectObject(p.dc, font);
  SetTextColor(p.dc, RGB(0, 0, 255));
  SetBkMode(p.dc, TRANSPARENT);
  g.TextOut(p.dc, "MMMM", {0, 0, 100, 20}, 0, 0);
  bool blue = false;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 100; ++x) blue |= p.At(x, y) == RGB(0, 0, 255);
  EXPECT_TRUE(blue);
  SelectObject(p.dc, oldFont2);
  SelectObject(s.dc, oldFont);
  DeleteObject(font);
}

}  // namespace
}  // namespace zu
