// Coordinates at the ends of the int range: drawing clips them like any others, and nothing on the
// way overflows (the sanitizer build checks every sum).
#include <climits>
#include <cstring>
#include <vector>

#include "Surface.h"

namespace zu::test {
namespace {

using Extremes = GdiTest;

const int kFar[] = {INT_MIN, INT_MIN + 1, -1000000000, 1000000000, INT_MAX - 1, INT_MAX};

HFONT SmallFont() {
  LOGFONTA log{};
  log.lfHeight = -11;
  std::strncpy(log.lfFaceName, "MS Sans Serif", LF_FACESIZE - 1);
  return CreateFontIndirectA(&log);
}

// Every drawing call, with shapes placed at logical (x, y), which lies far off the surface on the
// device: beyond its right when outX is 1, left of it when -1 (outY likewise). Shapes reach 40
// pixels from there toward the surface, and spans of the whole int range away from it.
void DrawEverythingAt(HDC dc, HDC source, int x, int y, int outX, int outY) {
  const int x2 = x - 40 * outX, y2 = y - 40 * outY;
  RECT r{std::min(x, x2), std::min(y, y2), std::max(x, x2), std::max(y, y2)};
  MoveToEx(dc, x, y, nullptr);
  LineTo(dc, x2, y2);
  POINT points[] = {{x, y}, {x2, y}, {x2, y2}, {x, y2}};
  Polyline(dc, points, 4);
  Rectangle(dc, r.left, r.top, r.right, r.bottom);
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  DrawFocusRect(dc, &r);
  RECT edge = r;
  DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT | BF_ADJUST);
  SetPixel(dc, x, y, RGB(1, 2, 3));
  PatBlt(dc, x, y, x2 - x, y2 - y, BLACKNESS);
  PatBlt(dc, x, y, outX > 0 ? INT_MAX : INT_MIN, outY > 0 ? INT_MAX : INT_MIN, PATINVERT);
  BitBlt(dc, x, y, 40, 40, source, 0, 0, SRCCOPY);
  BitBlt(dc, r.left, r.top, 40, 40, source, x, y, SRCCOPY);
  StretchBlt(dc, x, y, x2 - x, y2 - y, source, 0, 0, 8, 8, SRCCOPY);
  StretchBlt(dc, 0, 0, 8, 8, source, x, y, x2 - x, y2 - y, SRCCOPY);
  StretchBlt(dc, x, y, outX > 0 ? INT_MAX : INT_MIN, outY > 0 ? INT_MAX : INT_MIN, source, 0, 0, 8, 8, SRCCOPY);
  TextOutA(dc, x, y, "Wide text", 9);
  ExtTextOutA(dc, x, y, ETO_OPAQUE | ETO_CLIPPED, &r, "Wide text", 9, nullptr);
  const UINT formats[] = {DT_LEFT, DT_CENTER | DT_VCENTER | DT_SINGLELINE, DT_RIGHT | DT_BOTTOM | DT_SINGLELINE,
                          DT_WORDBREAK, DT_CALCRECT | DT_WORDBREAK, DT_CALCRECT | DT_VCENTER | DT_SINGLELINE,
                          DT_EXPANDTABS | DT_NOCLIP};
  for (UINT format : formats) {
    RECT box = r;
    DrawTextA(dc, "Two\tlines\nof text", -1, &box, format);
  }
}

TEST_F(Extremes, ShapesAndTextFarOffTheSurfaceLeaveItAsItWas) {
  TestSurface s(48, 32);
  TestSurface source(8, 8, false, kRed);
  HFONT font = SmallFont();
  HGDIOBJ oldFont = SelectObject(s.dc, font);
  const std::vector<COLORREF> white = s.Pixels();
  for (int x : kFar)
    for (int y : kFar) {
      SCOPED_TRACE(testing::Message() << "at (" << x << ", " << y << ")");
      const int outX = x > 0 ? 1 : -1, outY = y > 0 ? 1 : -1;
      DrawEverythingAt(s.dc, source.dc, x, y, outX, outY);
      EXPECT_EQ(s.Pixels(), white);
      // The same again through a viewport origin that far off, drawing near the origin.
      SetViewportOrgEx(s.dc, x, y, nullptr);
      DrawEverythingAt(s.dc, source.dc, 0, 0, outX, outY);
      DrawEverythingAt(s.dc, source.dc, -(x / 2), -(y / 2), outX, outY);
      SetViewportOrgEx(s.dc, 0, 0, nullptr);
      EXPECT_EQ(s.Pixels(), white);
    }
  SelectObject(s.dc, oldFont);
  DeleteObject(font);
}

TEST_F(Extremes, TheWholeRangeCoversTheSurface) {
  TestSurface s(48, 32);
  HBRUSH blue = CreateSolidBrush(kBlue);
  RECT all{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
  FillRect(s.dc, &all, blue);
  EXPECT_EQ(s.Pixels(), std::vector<COLORREF>(48 * 32, kBlue));
  DeleteObject(blue);

  // A stretch over the whole range: the surface shows the part of the picture that lands on it, the
  // first of its source pixels, at the cost of what it shows.
  TestSurface source(2, 2, false, kRed);
  source.Raw(1, 0) = kGreen;
  for (int mode : {COLORONCOLOR, HALFTONE}) {
    SetStretchBltMode(s.dc, mode);
    s.Fill(kWhite);
    StretchBlt(s.dc, 0, 0, INT_MAX, INT_MAX, source.dc, 0, 0, 2, 2, SRCCOPY);
    EXPECT_EQ(s.Pixels(), std::vector<COLORREF>(48 * 32, kRed)) << "mode " << mode;
    s.Fill(kWhite);
    StretchBlt(s.dc, -1000000000, 0, 2000000000, 32, source.dc, 0, 0, 2, 2, SRCCOPY);
    EXPECT_EQ(s.At(0, 0), kGreen) << "mode " << mode;
  }

  // Text centred in the whole range lies around the origin: its right and lower part shows.
  s.Fill(kWhite);
  HFONT font = SmallFont();
  HGDIOBJ oldFont = SelectObject(s.dc, font);
  SetBkMode(s.dc, TRANSPARENT);
  RECT centred = all;
  DrawTextA(s.dc, "WWWWWW", -1, &centred, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  int ink = 0;
  for (COLORREF c : s.Pixels()) ink += c != kWhite;
  EXPECT_GT(ink, 10);
  // Measuring from near the end keeps the rectangle's right and bottom at or after its left and top.
  RECT measured{INT_MAX - 5, INT_MAX - 5, INT_MAX, INT_MAX};
  DrawTextA(s.dc, "WWWWWW\nWWWWWW", -1, &measured, DT_CALCRECT);
  EXPECT_GE(measured.right, measured.left);
  EXPECT_GE(measured.bottom, measured.top);
  SelectObject(s.dc, oldFont);
  DeleteObject(font);
}

// Rectangles move and grow as 32-bit numbers do: past the end they wrap around, as the classic
// functions' plain additions do.
TEST_F(Extremes, RectanglesWrapAroundAtTheEndsOfTheRange) {
  RECT r{INT_MAX - 1, INT_MIN + 1, INT_MAX, 0};
  OffsetRect(&r, 2, -2);
  EXPECT_EQ(r.left, INT_MIN);
  EXPECT_EQ(r.right, INT_MIN + 1);
  EXPECT_EQ(r.top, INT_MAX);
  EXPECT_EQ(r.bottom, -2);
  r = {INT_MIN, 0, INT_MAX, 0};
  InflateRect(&r, 1, INT_MIN);
  EXPECT_EQ(r.left, INT_MAX);
  EXPECT_EQ(r.right, INT_MIN);
  EXPECT_EQ(r.top, INT_MIN);
  EXPECT_EQ(r.bottom, INT_MIN);
}

}  // namespace
}  // namespace zu::test
