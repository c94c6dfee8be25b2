// Device contexts, their state and objects, handles, caps, rectangles, system colours.
#include "Surface.h"

#include <cstring>

#include "platform/graphics/Rects.h"

namespace zu::test {
namespace {

using DeviceContext = GdiTest;

TEST_F(DeviceContext, NewMemoryDCStartsWithTheClassicState) {
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(GetBkMode(dc), OPAQUE);
  EXPECT_EQ(GetBkColor(dc), kWhite);
  EXPECT_EQ(GetTextColor(dc), kBlack);
  EXPECT_EQ(GetMapMode(dc), MM_TEXT);
  EXPECT_EQ(GetStretchBltMode(dc), BLACKONWHITE);
  LOGPEN pen;
  ASSERT_EQ(GetObjectA(GetCurrentObject(dc, OBJ_PEN), sizeof pen, &pen), int(sizeof pen));
  EXPECT_EQ(pen.lopnStyle, UINT(PS_SOLID));
  EXPECT_EQ(pen.lopnWidth.x, 0) << "the stock pens are cosmetic";
  EXPECT_EQ(pen.lopnColor, kBlack);
  LOGBRUSH brush;
  ASSERT_EQ(GetObjectA(GetCurrentObject(dc, OBJ_BRUSH), sizeof brush, &brush), int(sizeof brush));
  EXPECT_EQ(brush.lbStyle, BS_SOLID);
  EXPECT_EQ(brush.lbColor, kWhite);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), GetStockObject(SYSTEM_FONT));
  BITMAP bm;
  ASSERT_EQ(GetObjectA(GetCurrentObject(dc, OBJ_BITMAP), sizeof bm, &bm), int(sizeof bm));
  EXPECT_EQ(bm.bmWidth, 1);
  EXPECT_EQ(bm.bmHeight, 1);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  // So a bitmap compatible with it is monochrome too, while one from the screen has colour.
  HBITMAP mono = CreateCompatibleBitmap(dc, 4, 4);
  HDC screen = GetDC(nullptr);
  HBITMAP color = CreateCompatibleBitmap(screen, 4, 4);
  GetObjectA(mono, sizeof bm, &bm);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  GetObjectA(color, sizeof bm, &bm);
  EXPECT_EQ(bm.bmBitsPixel, 32);
  EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
  DeleteObject(mono);
  DeleteObject(color);
  DeleteDC(dc);
}

TEST_F(DeviceContext, SettersReturnThePreviousSetting) {
  TestSurface s(2, 2);
  EXPECT_EQ(SetBkMode(s.dc, TRANSPARENT), OPAQUE);
  EXPECT_EQ(SetBkMode(s.dc, OPAQUE), TRANSPARENT);
  EXPECT_EQ(SetBkMode(s.dc, 7), 0) << "unknown mode refused";
  EXPECT_EQ(SetBkColor(s.dc, kRed), kWhite);
  EXPECT_EQ(SetBkColor(s.dc, kGreen), kRed);
  EXPECT_EQ(SetTextColor(s.dc, kBlue), kBlack);
  EXPECT_EQ(GetTextColor(s.dc), kBlue);
  EXPECT_EQ(SetMapMode(s.dc, MM_LOMETRIC), MM_TEXT);
  EXPECT_EQ(SetMapMode(s.dc, MM_TEXT), MM_LOMETRIC);
  HPEN pen = CreatePen(PS_DOT, 1, kRed);
  HGDIOBJ oldPen = SelectObject(s.dc, pen);
  EXPECT_EQ(oldPen, GetStockObject(BLACK_PEN));
  EXPECT_EQ(SelectObject(s.dc, oldPen), pen);
  HBRUSH brush = CreateSolidBrush(kRed);
  HGDIOBJ oldBrush = SelectObject(s.dc, brush);
  EXPECT_EQ(oldBrush, GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(SelectObject(s.dc, oldBrush), brush);
  DeleteObject(pen);
  DeleteObject(brush);
}

TEST_F(DeviceContext, RestoreDCPutsBackObjectsOriginAndClipByLevelAndByNegativeIndex) {
  TestSurface s(8, 8);
  HBRUSH red = CreateSolidBrush(kRed);
  int first = SaveDC(s.dc);  // level 1: plain
  EXPECT_EQ(first, 1);
  SetViewportOrgEx(s.dc, 2, 2, nullptr);
  IntersectClipRect(s.dc, 0, 0, 4, 4);  // device (2,2)-(6,6)
  SelectObject(s.dc, red);
  SetTextColor(s.dc, kGreen);
  EXPECT_EQ(SaveDC(s.dc), 2);  // level 2: origin (2,2), clip
  SetViewportOrgEx(s.dc, 5, 5, nullptr);
  IntersectClipRect(s.dc, -5, -5, 0, 0);  // device (0,0)-(5,5): leaves (2,2)-(5,5)
  EXPECT_EQ(SaveDC(s.dc), 3);
  RECT box;
  EXPECT_EQ(GetClipBox(s.dc, &box), SIMPLEREGION);
  EXPECT_EQ(box, (RECT{-3, -3, 0, 0}));

  EXPECT_TRUE(RestoreDC(s.dc, -2));  // back to level 2
  POINT org;
  GetViewportOrgEx(s.dc, &org);
  EXPECT_EQ(org, (POINT{2, 2}));
  GetClipBox(s.dc, &box);
  EXPECT_EQ(box, (RECT{0, 0, 4, 4}));
  EXPECT_EQ(GetTextColor(s.dc), kGreen);
  EXPECT_FALSE(RestoreDC(s.dc, 3)) << "level 3 was popped";
  EXPECT_FALSE(RestoreDC(s.dc, -2)) << "only one saved state is left";

  EXPECT_TRUE(RestoreDC(s.dc, 1));
  GetViewportOrgEx(s.dc, &org);
  EXPECT_EQ(org, (POINT{0, 0}));
  GetClipBox(s.dc, &box);
  EXPECT_EQ(box, (RECT{0, 0, 8, 8}));
  EXPECT_EQ(GetCurrentObject(s.dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(GetTextColor(s.dc), kBlack);
  EXPECT_FALSE(RestoreDC(s.dc, -1));
  EXPECT_FALSE(RestoreDC(s.dc, 0));
  DeleteObject(red);
}

TEST_F(DeviceContext, ClipIsFixedInDeviceCoordinatesWhenSet) {
  TestSurface s(6, 4);
  SetViewportOrgEx(s.dc, 1, 1, nullptr);
  EXPECT_EQ(IntersectClipRect(s.dc, 0, 0, 2, 2), SIMPLEREGION);  // device (1,1)-(3,3)
  SetViewportOrgEx(s.dc, 3, 0, nullptr);                         // the clip does not move with the origin
  HBRUSH red = CreateSolidBrush(kRed);
  RECT all{-10, -10, 10, 10};
  FillRect(s.dc, &all, red);
  EXPECT_EQ(s.Map({{kWhite, '.'}, {kRed, 'R'}}), Rows({"......", ".RR...", ".RR...", "......"}));
  EXPECT_EQ(GetPixel(s.dc, -2, 1), kRed) << "device (1,1) through the new origin";
  EXPECT_EQ(GetPixel(s.dc, 0, 0), CLR_INVALID) << "outside the clip";
  EXPECT_EQ(IntersectClipRect(s.dc, 5, 5, 6, 6), NULLREGION);
  DeleteObject(red);
}

// Clip regions read and set in device coordinates; no clip reads as 0 and a null region removes it.
TEST_F(DeviceContext, ClipRegionsReadAndSetTheClipInDeviceCoordinates) {
  TestSurface s(6, 4);
  HRGN region = CreateRectRgn(0, 0, 1, 1);
  EXPECT_EQ(GetObjectType(region), OBJ_REGION);
  EXPECT_EQ(GetClipRgn(s.dc, region), 0);
  RECT box;
  EXPECT_EQ(GetRgnBox(region, &box), SIMPLEREGION);
  EXPECT_EQ(box, (RECT{0, 0, 1, 1})) << "left alone without a clip";
  SetViewportOrgEx(s.dc, 1, 1, nullptr);
  IntersectClipRect(s.dc, 0, 0, 2, 2);
  EXPECT_EQ(GetClipRgn(s.dc, region), 1);
  GetRgnBox(region, &box);
  EXPECT_EQ(box, (RECT{1, 1, 3, 3}));
  HRGN wide = CreateRectRgn(2, 0, 5, 2);
  EXPECT_EQ(SelectClipRgn(s.dc, wide), SIMPLEREGION);
  DeleteObject(wide);  // the DC keeps its own copy
  HBRUSH red = CreateSolidBrush(kRed);
  RECT all{-10, -10, 10, 10};
  FillRect(s.dc, &all, red);
  EXPECT_EQ(s.Map({{kWhite, '.'}, {kRed, 'R'}}), Rows({"..RRR.", "..RRR.", "......", "......"}));
  HRGN empty = CreateRectRgn(7, 0, 9, 2);
  EXPECT_EQ(SelectClipRgn(s.dc, empty), NULLREGION);
  EXPECT_EQ(SelectClipRgn(s.dc, nullptr), SIMPLEREGION);
  EXPECT_EQ(GetClipRgn(s.dc, region), 0);
  EXPECT_EQ(GetClipRgn(s.dc, nullptr), -1);
  EXPECT_EQ(SelectClipRgn(s.dc, HRGN(red)), ERROR);
  DeleteObject(empty);
  DeleteObject(region);
  DeleteObject(red);
}

TEST_F(DeviceContext, DeviceCapsAreSettablePerDeviceAndInherited) {
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 32);
  EXPECT_EQ(GetDeviceCaps(screen, PLANES), 1);
  EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSX), 96);
  EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 96);
  EXPECT_TRUE(SetDeviceCaps(screen, BITSPIXEL, 8));
  EXPECT_TRUE(SetDeviceCaps(screen, LOGPIXELSX, 120));
  EXPECT_FALSE(SetDeviceCaps(screen, 1234, 1));
  HDC memory = CreateCompatibleDC(screen);
  EXPECT_EQ(GetDeviceCaps(memory, BITSPIXEL), 8);
  EXPECT_EQ(GetDeviceCaps(memory, LOGPIXELSX), 120);
  EXPECT_EQ(GetDeviceCaps(memory, LOGPIXELSY), 96);
  // The size is the screen's on every DC, whatever bitmap a memory DC holds.
  SetScreenSize(640, 480);
  HBITMAP small = CreateBitmap(4, 3, 1, 32, nullptr);
  HGDIOBJ old = SelectObject(memory, small);
  for (HDC dc : {screen, memory}) {
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 640);
    EXPECT_EQ(GetDeviceCaps(dc, VERTRES), 480);
  }
  SelectObject(memory, old);
  DeleteObject(small);
  SetScreenSize(1024, 768);
  HDC other = GetDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(other, BITSPIXEL), 32) << "one screen DC's caps do not leak into the next";
  SetScreenDeviceCaps(LOGPIXELSY, 120);
  HDC third = GetDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(third, LOGPIXELSY), 120);
  SetScreenDeviceCaps(LOGPIXELSY, 96);
  ReleaseDC(nullptr, third);
  ReleaseDC(nullptr, other);
  ReleaseDC(nullptr, screen);
  DeleteDC(memory);
}

TEST_F(DeviceContext, GetObjectReadsEveryKindBack) {
  HPEN pen = CreatePen(PS_DASHDOT, 3, kBlue);
  LOGPEN lp;
  EXPECT_EQ(GetObjectA(pen, 0, nullptr), int(sizeof lp));
  EXPECT_EQ(GetObjectA(pen, sizeof lp - 1, &lp), 0);
  ASSERT_EQ(GetObjectA(pen, sizeof lp, &lp), int(sizeof lp));
  EXPECT_EQ(lp.lopnStyle, UINT(PS_DASHDOT));
  EXPECT_EQ(lp.lopnWidth.x, 3);
  EXPECT_EQ(lp.lopnColor, kBlue);
  LOGBRUSH lb{BS_HATCHED, kRed, HS_CROSS};
  HBRUSH brush = CreateBrushIndirect(&lb);
  LOGBRUSH back;
  GetObjectA(brush, sizeof back, &back);
  EXPECT_EQ(back.lbStyle, BS_HATCHED);
  EXPECT_EQ(back.lbHatch, uintptr_t(HS_CROSS));
  EXPECT_EQ(back.lbColor, kRed);
  LOGFONTA lf{};
  lf.lfHeight = -13;
  lf.lfEscapement = 450;
  std::strcpy(lf.lfFaceName, "MS Sans Serif");
  HFONT font = CreateFontIndirectA(&lf);
  LOGFONTA lf2;
  GetObjectA(font, sizeof lf2, &lf2);
  EXPECT_EQ(lf2.lfHeight, -13);
  EXPECT_EQ(lf2.lfEscapement, 450);
  EXPECT_STREQ(lf2.lfFaceName, "MS Sans Serif");
  HBITMAP bitmap = CreateBitmap(17, 3, 1, 1, nullptr);
  BITMAP bm;
  GetObjectA(bitmap, sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidth, 17);
  EXPECT_EQ(bm.bmHeight, 3);
  EXPECT_EQ(bm.bmWidthBytes, 4);
  EXPECT_EQ(GetObjectType(pen), OBJ_PEN);
  EXPECT_EQ(GetObjectType(brush), OBJ_BRUSH);
  EXPECT_EQ(GetObjectType(font), OBJ_FONT);
  EXPECT_EQ(GetObjectType(bitmap), OBJ_BITMAP);
  for (HGDIOBJ o : {HGDIOBJ(pen), HGDIOBJ(brush), HGDIOBJ(font), HGDIOBJ(bitmap)})
    EXPECT_TRUE(DeleteObject(o));
  EXPECT_EQ(CreatePen(9, 1, 0), nullptr);
  EXPECT_EQ(CreateHatchBrush(6, 0), nullptr);
  EXPECT_EQ(CreateBitmap(0, 5, 1, 32, nullptr), nullptr);
}

TEST_F(DeviceContext, DeadHandlesAreCleanNoOps) {
  TestSurface s(4, 4);
  HBRUSH red = CreateSolidBrush(kRed);
  EXPECT_TRUE(DeleteObject(red));
  EXPECT_FALSE(DeleteObject(red)) << "already gone";
  EXPECT_EQ(SelectObject(s.dc, red), nullptr);
  EXPECT_EQ(GetCurrentObject(s.dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
  RECT r{0, 0, 4, 4};
  EXPECT_EQ(FillRect(s.dc, &r, red), 0);
  EXPECT_EQ(GetObjectA(red, sizeof(LOGBRUSH), nullptr), 0);

  // An object deleted while selected draws as nothing of its kind.
  HPEN pen = CreatePen(PS_SOLID, 1, kRed);
  SelectObject(s.dc, pen);
  DeleteObject(pen);
  MoveToEx(s.dc, 0, 0, nullptr);
  LineTo(s.dc, 4, 0);
  EXPECT_EQ(s.Count(kWhite), 16);

  // Stock objects survive DeleteObject.
  EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(GetObjectType(GetStockObject(BLACK_BRUSH)), OBJ_BRUSH);

  // A deleted DC, and a DC whose bitmap was deleted, draw nothing.
  HDC gone = CreateCompatibleDC(nullptr);
  EXPECT_TRUE(DeleteDC(gone));
  EXPECT_FALSE(DeleteDC(gone));
  EXPECT_EQ(FillRect(gone, &r, HBRUSH(GetStockObject(BLACK_BRUSH))), 0);
  EXPECT_EQ(SetPixel(gone, 0, 0, kRed), CLR_INVALID);
  EXPECT_EQ(SaveDC(gone), 0);
  EXPECT_EQ(SetBkMode(gone, OPAQUE), 0);
  EXPECT_EQ(TextOutA(gone, 0, 0, "x", 1), 0);
  EXPECT_EQ(BitBlt(gone, 0, 0, 1, 1, s.dc, 0, 0, SRCCOPY), 0);
  EXPECT_EQ(BitBlt(s.dc, 0, 0, 1, 1, gone, 0, 0, SRCCOPY), 0);
  HDC orphan = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateBitmap(2, 2, 1, 32, nullptr);
  HGDIOBJ old = SelectObject(orphan, bitmap);
  DeleteObject(bitmap);
  EXPECT_EQ(SetPixel(orphan, 0, 0, kRed), CLR_INVALID);
  EXPECT_EQ(GetPixel(orphan, 0, 0), CLR_INVALID);
  SelectObject(orphan, old);
  DeleteDC(orphan);
  EXPECT_EQ(SelectObject(reinterpret_cast<HDC>(uintptr_t(12345678)), GetStockObject(BLACK_PEN)), nullptr);
}

TEST_F(DeviceContext, ABitmapIsSelectedIntoOneMemoryDCAtATime) {
  HBITMAP bitmap = CreateBitmap(2, 2, 1, 32, nullptr);
  HDC a = CreateCompatibleDC(nullptr);
  HDC b = CreateCompatibleDC(nullptr);
  HGDIOBJ oldA = SelectObject(a, bitmap);
  EXPECT_NE(oldA, nullptr);
  EXPECT_EQ(SelectObject(b, bitmap), nullptr);
  SelectObject(a, oldA);
  HGDIOBJ oldB = SelectObject(b, bitmap);
  EXPECT_NE(oldB, nullptr) << "free again once deselected";
  DeleteDC(b);  // deleting the DC frees the bitmap for another
  EXPECT_NE(SelectObject(a, bitmap), nullptr);
  SelectObject(a, oldA);
  DeleteDC(a);
  DeleteObject(bitmap);
}

HBITMAP gWindowBuffer = nullptr;
HBITMAP WindowBuffer(HWND window) { return window == reinterpret_cast<HWND>(1) ? gWindowBuffer : nullptr; }

TEST_F(DeviceContext, SurfaceDCsDrawOnAWindowsBackBuffer) {
  gWindowBuffer = CreateBitmap(3, 3, 1, 32, nullptr);
  SetWindowSurfaceProvider(&WindowBuffer);
  HDC dc = GetDC(reinterpret_cast<HWND>(1));
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(GetDC(reinterpret_cast<HWND>(2)), nullptr);
  EXPECT_EQ(GetSurfaceBitmap(dc), gWindowBuffer);
  EXPECT_EQ(SetPixel(dc, 1, 2, kRed), kRed);
  HBITMAP other = CreateBitmap(3, 3, 1, 32, nullptr);
  EXPECT_EQ(SelectObject(dc, other), nullptr) << "the back buffer cannot be replaced";
  TBitmapPixels pixels;
  ASSERT_TRUE(GetBitmapPixels(gWindowBuffer, &pixels));
  EXPECT_EQ(pixels.bits[2 * pixels.stride + 1], kRed);
  EXPECT_EQ(ReleaseDC(reinterpret_cast<HWND>(1), dc), 1);
  EXPECT_EQ(GetObjectType(gWindowBuffer), OBJ_BITMAP) << "the buffer stays the window's";
  SetWindowSurfaceProvider(nullptr);
  DeleteObject(other);
  DeleteObject(gWindowBuffer);
}

TEST(MulDiv, RoundsHalvesAwayFromZeroAndReportsFailureAsMinusOne) {
  struct Case {
    int a, b, c, result;
  } cases[] = {
      {10, 10, 3, 33},
      {5, 1, 2, 3},
      {-5, 1, 2, -3},
      {5, -1, 2, -3},
      {5, 1, -2, -3},
      {-5, -1, 2, 3},
      {7, 1, 4, 2},
      {3, 1, 2, 2},
      {1, 1, 3, 0},
      {0, 5, 7, 0},
      {1, 2, 0, -1},
      {INT32_MAX, 2, 1, -1},
      {INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX},
      {INT32_MIN, 1, 1, INT32_MIN},
      {INT32_MIN, -1, 1, -1},
      {1, 255, 9, 28},
  };
  for (const Case& c : cases) EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.result) << c.a << "*" << c.b << "/" << c.c;
}

TEST(Rects, EdgesAndEmptiness) {
  RECT r{0, 0, 10, 10};
  EXPECT_TRUE(PtInRect(&r, POINT{0, 0}));
  EXPECT_FALSE(PtInRect(&r, POINT{10, 5})) << "right edge excluded";
  EXPECT_FALSE(PtInRect(&r, POINT{5, 10})) << "bottom edge excluded";
  EXPECT_TRUE(PtInRect(&r, POINT{9, 9}));
  InflateRect(&r, 2, -1);
  EXPECT_EQ(r, (RECT{-2, 1, 12, 9}));
  OffsetRect(&r, 3, -1);
  EXPECT_EQ(r, (RECT{1, 0, 15, 8}));
  RECT a{0, 0, 5, 5}, b{3, 4, 9, 9}, out{7, 7, 7, 7};
  EXPECT_TRUE(IntersectRect(&out, &a, &b));
  EXPECT_EQ(out, (RECT{3, 4, 5, 5}));
  RECT c{5, 0, 9, 5};  // touches a at x = 5 only
  EXPECT_FALSE(IntersectRect(&out, &a, &c));
  EXPECT_EQ(out, (RECT{}));
  EXPECT_TRUE(UnionRect(&out, &a, &b));
  EXPECT_EQ(out, (RECT{0, 0, 9, 9}));
  out = RECT{3, 3, 3, 9};
  EXPECT_TRUE(IsRectEmpty(&out));
  EXPECT_FALSE(InflateRect(nullptr, 1, 1));
}

TEST_F(DeviceContext, SystemColoursHaveClassicDefaultsAndResolveWhenDrawn) {
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), RGB(212, 208, 200));
  EXPECT_EQ(GetSysColor(COLOR_BTNSHADOW), RGB(128, 128, 128));
  EXPECT_EQ(GetSysColor(COLOR_BTNHIGHLIGHT), RGB(255, 255, 255));
  EXPECT_EQ(GetSysColor(COLOR_WINDOW), RGB(255, 255, 255));
  EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), RGB(0, 0, 0));
  EXPECT_EQ(GetSysColor(31), 0u);
  EXPECT_EQ(GetSysColor(-1), 0u);
  int index = COLOR_BTNFACE;
  COLORREF color = RGB(1, 2, 3);
  EXPECT_TRUE(SetSysColors(1, &index, &color));
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), color);
  TestSurface s(2, 1);
  EXPECT_EQ(SetPixel(s.dc, 0, 0, 0x80000000 | COLOR_BTNFACE), color);
  RECT r{1, 0, 2, 1};
  FillRect(s.dc, &r, reinterpret_cast<HBRUSH>(uintptr_t(COLOR_BTNFACE + 1)));
  EXPECT_EQ(s.Raw(1, 0), color);
  SetTextColor(s.dc, 0x80000000 | COLOR_BTNFACE);
  EXPECT_EQ(GetTextColor(s.dc), 0x80000000 | COLOR_BTNFACE) << "stored as given, resolved when drawn";
  ResetSysColors();
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), RGB(212, 208, 200));
}

}  // namespace
}  // namespace zu::test
