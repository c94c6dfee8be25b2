// Fills, hatches, raster operations, colour/monochrome conversion and stretching.
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <random>

#include "Surface.h"

namespace zu::test {
namespace {

using Raster = GdiTest;

TEST_F(Raster, FillRectLeavesOutRightAndBottomEdgesAndFollowsTheOrigin) {
  TestSurface s(6, 5);
  HBRUSH red = CreateSolidBrush(kRed);
  RECT r{1, 1, 4, 3};
  EXPECT_EQ(FillRect(s.dc, &r, red), 1);
  SetViewportOrgEx(s.dc, 4, 3, nullptr);
  RECT dot{0, 0, 1, 1};
  FillRect(s.dc, &dot, red);
  RECT empty{2, 2, 2, 4};
  FillRect(s.dc, &empty, red);
  EXPECT_EQ(s.Map({{kWhite, '.'}, {kRed, 'R'}}), Rows({"......", ".RRR..", ".RRR..", "....R.", "......"}));
  DeleteObject(red);
}

// An inverted side is shifted by one rather than normalised: {9, .., 2, ..} fills 3..9.
TEST_F(Raster, FillRectShiftsAnInvertedRectangleByOne) {
  struct Case {
    RECT r;
    RECT filled;
  } cases[] = {
      {{2, 3, 9, 7}, {2, 3, 9, 7}},  {{9, 3, 2, 7}, {3, 3, 10, 7}}, {{2, 7, 9, 3}, {2, 4, 9, 8}},
      {{9, 7, 2, 3}, {3, 4, 10, 8}}, {{5, 3, 4, 7}, {5, 3, 6, 7}},  {{5, 3, 5, 7}, {}},
  };
  for (const Case& c : cases) {
    TestSurface s(12, 10);
    HBRUSH red = CreateSolidBrush(kRed);
    SetViewportOrgEx(s.dc, 1, 1, nullptr);
    RECT r = c.r;
    OffsetRect(&r, -1, -1);  // the origin moves it back
    EXPECT_EQ(FillRect(s.dc, &r, red), 1);
    EXPECT_EQ(s.InkBox(kWhite), c.filled)
        << c.r.left << "," << c.r.top << "," << c.r.right << "," << c.r.bottom;
    DeleteObject(red);
  }
}

// The 8 x 8 cell of each hatch, anchored at device (0, 0): '#' is the brush colour.
const char* const kHatchCells[6][8] = {
    {"........", "........", "........", "########", "........", "........", "........", "........"},
    {"....#...", "....#...", "....#...", "....#...", "....#...", "....#...", "....#...", "....#..."},
    {"#.......", ".#......", "..#.....", "...#....", "....#...", ".....#..", "......#.", ".......#"},
    {".......#", "......#.", ".....#..", "....#...", "...#....", "..#.....", ".#......", "#......."},
    {"....#...", "....#...", "....#...", "########", "....#...", "....#...", "....#...", "....#..."},
    {"#......#", ".#....#.", "..#..#..", "...##...", "...##...", "..#..#..", ".#....#.", "#......#"},
};

TEST_F(Raster, HatchesAreAnchoredAtTheDeviceOriginInBothBackgroundModes) {
  for (int hatch = HS_HORIZONTAL; hatch <= HS_DIAGCROSS; ++hatch) {
    for (int mode : {OPAQUE, TRANSPARENT}) {
      TestSurface s(20, 20, false, kGreen);
      HBRUSH brush = CreateHatchBrush(hatch, kRed);
      SetBkMode(s.dc, mode);
      SetBkColor(s.dc, kBlue);
      SetViewportOrgEx(s.dc, 1, 2, nullptr);  // the pattern does not move with the origin
      RECT r{2, 1, 17, 15};                   // device (3,3)-(18,17)
      FillRect(s.dc, &r, brush);
      for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
          bool inside = x >= 3 && x < 18 && y >= 3 && y < 17;
          COLORREF want = !inside                                   ? kGreen
                          : kHatchCells[hatch][y % 8][x % 8] == '#' ? kRed
                          : mode == OPAQUE                          ? kBlue
                                                                    : kGreen;
          ASSERT_EQ(s.Raw(x, y), want) << "hatch " << hatch << " mode " << mode << " at " << x << "," << y;
        }
      DeleteObject(brush);
    }
  }
}

// The ternary code applied bit by bit, as its definition reads.
uint32_t Ternary(uint8_t code, uint32_t p, uint32_t s, uint32_t d) {
  uint32_t out = 0;
  for (int bit = 0; bit < 24; ++bit) {
    int index = int(((p >> bit) & 1) << 2 | ((s >> bit) & 1) << 1 | ((d >> bit) & 1));
    out |= uint32_t((code >> index) & 1) << bit;
  }
  return out;
}

TEST_F(Raster, AllTernaryRasterOperationsFollowTheirCode) {
  // Every combination of pattern, source and destination bits occurs in each channel of the first
  // column, so its result spells the code itself; the other columns mix colours.
  const COLORREF brushes[] = {0xF0F0F0, RGB(200, 17, 99)};
  const COLORREF sources[] = {0xCCCCCC, RGB(0, 255, 128), RGB(12, 34, 56), 0xFFFFFF};
  const COLORREF dests[] = {0xAAAAAA, RGB(255, 0, 77), RGB(90, 90, 90), 0x000000};
  for (COLORREF brushColor : brushes) {
    HBRUSH brush = CreateSolidBrush(brushColor);
    for (int code = 0; code < 256; ++code) {
      TestSurface src(4, 1), dst(4, 1);
      for (int x = 0; x < 4; ++x) {
        src.Raw(x, 0) = sources[x];
        dst.Raw(x, 0) = dests[x];
      }
      SelectObject(dst.dc, brush);
      ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 4, 1, src.dc, 0, 0, DWORD(code) << 16));
      for (int x = 0; x < 4; ++x)
        ASSERT_EQ(dst.Raw(x, 0), Ternary(uint8_t(code), brushColor, sources[x], dests[x]))
            << "code " << code << " column " << x;
      if (brushColor == 0xF0F0F0) {
        ASSERT_EQ(dst.Raw(0, 0), RGB(code, code, code));
      }
      SelectObject(dst.dc, GetStockObject(WHITE_BRUSH));
    }
    DeleteObject(brush);
  }
}

TEST_F(Raster, HatchedPatternsInRasterOperationsSkipTheGapsInTransparentMode) {
  TestSurface src(8, 8, false, 0x0F0F0F), dst(8, 8, false, kGreen);
  HBRUSH hatch = CreateHatchBrush(HS_HORIZONTAL, kRed);
  SelectObject(dst.dc, hatch);
  SetBkMode(dst.dc, TRANSPARENT);
  BitBlt(dst.dc, 0, 0, 8, 8, src.dc, 0, 0, MERGECOPY);  // P & S
  EXPECT_EQ(dst.Raw(0, 3), kRed & 0x0F0F0F);
  EXPECT_EQ(dst.Raw(0, 6), kGreen);
  SetBkMode(dst.dc, OPAQUE);
  SetBkColor(dst.dc, kBlue);
  BitBlt(dst.dc, 0, 0, 8, 8, src.dc, 0, 0, MERGECOPY);
  EXPECT_EQ(dst.Raw(0, 6), kBlue & 0x0F0F0F);
  SelectObject(dst.dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(hatch);
}

TEST_F(Raster, ColourToMonochromeMarksExactlyTheSourceBackgroundColour) {
  TestSurface src(4, 1), mono(4, 1, true);
  src.Raw(0, 0) = kRed;
  src.Raw(1, 0) = RGB(254, 0, 0);
  src.Raw(2, 0) = kWhite;
  src.Raw(3, 0) = kBlack;
  SetBkColor(src.dc, kRed);
  SetBkColor(mono.dc, kBlack);  // the destination's colours play no part
  BitBlt(mono.dc, 0, 0, 4, 1, src.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(mono.Map({{kWhite, '1'}, {kBlack, '0'}}), "1000\n");
  SetBkColor(src.dc, 0x80000000 | COLOR_BTNHIGHLIGHT);  // a system colour resolves first
  BitBlt(mono.dc, 0, 0, 4, 1, src.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(mono.Map({{kWhite, '1'}, {kBlack, '0'}}), "0010\n");
}

TEST_F(Raster, MonochromeToColourTakesTheDestinationsTextAndBackgroundColours) {
  TestSurface mono(3, 1, true), dst(3, 1);
  mono.Raw(0, 0) = 0;
  mono.Raw(1, 0) = 0xFFFFFF;
  mono.Raw(2, 0) = 0;
  SetTextColor(mono.dc, kGreen);  // the source's colours play no part
  SetTextColor(dst.dc, kRed);
  SetBkColor(dst.dc, kBlue);
  BitBlt(dst.dc, 0, 0, 3, 1, mono.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(dst.Map({{kRed, 'T'}, {kBlue, 'B'}}), "TBT\n");
  // The brush-through-mask code with black text on white: mask 1 takes the brush, 0 keeps.
  dst.Fill(kGreen);
  SetTextColor(dst.dc, kBlack);
  SetBkColor(dst.dc, kWhite);
  HBRUSH brush = CreateSolidBrush(kRed);
  SelectObject(dst.dc, brush);
  BitBlt(dst.dc, 0, 0, 3, 1, mono.dc, 0, 0, 0x00E20746);
  EXPECT_EQ(dst.Map({{kRed, 'R'}, {kGreen, 'G'}}), "GRG\n");
  SelectObject(dst.dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(brush);
}

TEST_F(Raster, CopiesWithinOneBitmapMoveOverlappingAreasIntact) {
  TestSurface s(5, 1);
  for (int x = 0; x < 5; ++x) s.Raw(x, 0) = RGB(x, 0, 0);
  BitBlt(s.dc, 1, 0, 4, 1, s.dc, 0, 0, SRCCOPY);
  for (int x = 1; x < 5; ++x) EXPECT_EQ(s.Raw(x, 0), RGB(x - 1, 0, 0));
  BitBlt(s.dc, 0, 0, 4, 1, s.dc, 1, 0, SRCCOPY);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(s.Raw(x, 0), RGB(x, 0, 0));
}

TEST_F(Raster, BlitsDrawOnlyWhereTheSourceExists) {
  TestSurface src(2, 2, false, kRed), dst(4, 4);
  BitBlt(dst.dc, 0, 0, 4, 4, src.dc, -1, 0, SRCCOPY);
  EXPECT_EQ(dst.Map({{kWhite, '.'}, {kRed, 'R'}}), Rows({".RR.", ".RR.", "....", "...."}));
}

TEST_F(Raster, ShrinkingBlackOnWhiteAndsTheSourcePixelsColourOnColourKeepsOne) {
  // Each 2 x 2 block holds one black pixel, never at its top-right corner.
  TestSurface src(4, 4), dst(2, 2);
  src.Raw(0, 0) = kBlack;
  src.Raw(2, 1) = kBlack;
  src.Raw(0, 3) = kBlack;
  src.Raw(3, 3) = kBlack;
  StretchBlt(dst.dc, 0, 0, 2, 2, src.dc, 0, 0, 4, 4, SRCCOPY);
  EXPECT_EQ(dst.Map({{kWhite, '.'}, {kBlack, '#'}}), Rows({"##", "##"}));
  dst.Fill(kRed);
  EXPECT_EQ(SetStretchBltMode(dst.dc, COLORONCOLOR), BLACKONWHITE);
  StretchBlt(dst.dc, 0, 0, 2, 2, src.dc, 0, 0, 4, 4, SRCCOPY);
  EXPECT_EQ(dst.Map({{kWhite, '.'}, {kBlack, '#'}}), Rows({"..", ".."}));
  // White on black ORs: with the source inverted every block has a white pixel.
  PatBlt(src.dc, 0, 0, 4, 4, DSTINVERT);
  SetStretchBltMode(dst.dc, WHITEONBLACK);
  StretchBlt(dst.dc, 0, 0, 2, 2, src.dc, 0, 0, 4, 4, SRCCOPY);
  EXPECT_EQ(dst.Map({{kWhite, '.'}, {kBlack, '#'}}), Rows({"..", ".."}));
}

// One axis of a stretch, across or down: source pixel i is `value(i)`; `want` holds the red channel
// of each destination pixel.
struct StretchCase {
  int sn, dn;
  int mode;
  std::vector<int> want;
};

void CheckStretch(const StretchCase& c, bool vertical, COLORREF (*value)(int)) {
  TestSurface src(vertical ? 1 : c.sn, vertical ? c.sn : 1), dst(vertical ? 1 : c.dn, vertical ? c.dn : 1);
  for (int i = 0; i < c.sn; ++i) (vertical ? src.Raw(0, i) : src.Raw(i, 0)) = value(i);
  SetStretchBltMode(dst.dc, c.mode);
  if (vertical)
    StretchBlt(dst.dc, 0, 0, 1, c.dn, src.dc, 0, 0, 1, c.sn, SRCCOPY);
  else
    StretchBlt(dst.dc, 0, 0, c.dn, 1, src.dc, 0, 0, c.sn, 1, SRCCOPY);
  std::vector<int> got;
  for (int i = 0; i < c.dn; ++i) got.push_back(GetRValue(vertical ? dst.Raw(0, i) : dst.Raw(i, 0)));
  EXPECT_EQ(got, c.want) << c.sn << " -> " << c.dn << " mode " << c.mode << (vertical ? " down" : " across");
}

TEST_F(Raster, StretchingMapsPixelCentresWithTiesTowardTheLowerIndex) {
  auto index = [](int i) { return RGB(i, i + 1, 0); };
  const std::vector<int> colourOnColour16to5Across{2, 5, 9, 12, 15}, colourOnColour16to5Down{0, 3, 6, 10, 13};
  StretchCase both[] = {
      {4, 7, BLACKONWHITE, {0, 0, 1, 1, 2, 3, 3}},
      {4, 10, COLORONCOLOR, {0, 0, 0, 1, 1, 2, 2, 2, 3, 3}},
      {3, 5, WHITEONBLACK, {0, 0, 1, 2, 2}},
      {2, 3, HALFTONE, {0, 0, 1}},
  };
  for (const StretchCase& c : both) {
    CheckStretch(c, false, index);
    CheckStretch(c, true, index);
  }
  CheckStretch({16, 5, COLORONCOLOR, colourOnColour16to5Across}, false, index);
  CheckStretch({16, 5, COLORONCOLOR, colourOnColour16to5Down}, true, index);
  CheckStretch({7, 3, COLORONCOLOR, {1, 4, 6}}, false, index);  // groups {0-1}, {2-4}, {5-6}
  CheckStretch({7, 3, COLORONCOLOR, {0, 2, 5}}, true, index);
  // Halftone blends the two source pixels around i * sw / dw: 0, 3.2, 6.4, 9.6, 12.8.
  auto ramp = [](int i) { return RGB(16 * i, 0, 16 * i); };
  for (bool vertical : {false, true})
    CheckStretch({16, 5, HALFTONE, {0x00, 0x33, 0x66, 0x9a, 0xcd}}, vertical, ramp);
}

// Shrinking 16 to 5 gathers groups {0-2}, {3-5}, {6-9}, {10-12}, {13-15}: one black pixel on white
// blackens its group's pixel (AND), one white pixel on black whitens it (OR).
TEST_F(Raster, ShrinkingMergesEachGroupOfSourcePixels) {
  const int group[16] = {0, 0, 0, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 4, 4, 4};
  for (int mode : {BLACKONWHITE, WHITEONBLACK})
    for (bool vertical : {false, true})
      for (int p = 0; p < 16; ++p) {
        COLORREF back = mode == BLACKONWHITE ? kWhite : kBlack, ink = mode == BLACKONWHITE ? kBlack : kWhite;
        TestSurface src(vertical ? 1 : 16, vertical ? 16 : 1, false, back);
        TestSurface dst(vertical ? 1 : 5, vertical ? 5 : 1, false, kRed);
        (vertical ? src.Raw(0, p) : src.Raw(p, 0)) = ink;
        SetStretchBltMode(dst.dc, mode);
        StretchBlt(dst.dc, 0, 0, vertical ? 1 : 5, vertical ? 5 : 1, src.dc, 0, 0, vertical ? 1 : 16,
                   vertical ? 16 : 1, SRCCOPY);
        for (int d = 0; d < 5; ++d)
          EXPECT_EQ(vertical ? dst.Raw(0, d) : dst.Raw(d, 0), d == group[p] ? ink : back)
              << "mode " << mode << " pixel " << p << " destination " << d;
      }
  // A negative destination width mirrors the mapping.
  TestSurface src(4, 1), dst(7, 1);
  for (int i = 0; i < 4; ++i) src.Raw(i, 0) = RGB(i, 0, 0);
  StretchBlt(dst.dc, 6, 0, -7, 1, src.dc, 0, 0, 4, 1, SRCCOPY);
  std::vector<int> got;
  for (int i = 0; i < 7; ++i) got.push_back(GetRValue(dst.Raw(i, 0)));
  EXPECT_EQ(got, (std::vector<int>{3, 3, 2, 1, 1, 0, 0}));
}

TEST_F(Raster, EnlargingRepeatsSourcePixelsAndNegativeSizesMirror) {
  TestSurface src(2, 2), dst(4, 4);
  src.Raw(0, 0) = kRed;
  src.Raw(1, 0) = kGreen;
  src.Raw(0, 1) = kBlue;
  src.Raw(1, 1) = kBlack;
  std::map<COLORREF, char> legend{{kRed, 'R'}, {kGreen, 'G'}, {kBlue, 'B'}, {kBlack, 'K'}, {kWhite, '.'}};
  StretchBlt(dst.dc, 0, 0, 4, 4, src.dc, 0, 0, 2, 2, SRCCOPY);
  EXPECT_EQ(dst.Map(legend), Rows({"RRGG", "RRGG", "BBKK", "BBKK"}));
  dst.Fill(kWhite);
  StretchBlt(dst.dc, 0, 0, 3, 2, src.dc, 0, 0, 2, 2, SRCCOPY);
  EXPECT_EQ(dst.Map(legend), Rows({"RRG.", "BBK.", "....", "...."}));
  StretchBlt(dst.dc, 3, 0, -4, 4, src.dc, 0, 0, 2, 2, SRCCOPY);  // mirrored left to right
  EXPECT_EQ(dst.Map(legend), Rows({"GGRR", "GGRR", "KKBB", "KKBB"}));
  StretchBlt(dst.dc, 0, 0, 4, 4, src.dc, 0, 1, 2, -2, SRCCOPY);  // the source read bottom-up
  EXPECT_EQ(dst.Map(legend), Rows({"BBKK", "BBKK", "RRGG", "RRGG"}));
}

// A stretch within one bitmap reads the pixels as they were before it: it draws what a stretch
// from a copy of them draws, in every mode, at both depths, enlarging and shrinking over its own
// source, mirrored, clipped and reaching past the source's edges.
TEST_F(Raster, StretchingWithinOneBitmapDrawsWhatAStretchFromACopyDraws) {
  struct Case {
    int x, y, w, h, sx, sy, sw, sh;
  } cases[] = {
      {3, 2, 20, 14, 0, 0, 9, 7},        // enlarging over its own source
      {1, 1, 9, 7, 4, 3, 20, 14},        // shrinking onto its own source
      {25, 12, -17, -9, 5, 5, 11, 8},    // mirrored both ways
      {10, 3, 30, 9, 20, 2, 15, 20},     // reading past the right and bottom edges
      {-6, -4, 19, 13, 14, 11, -12, 9},  // from outside, the source read right to left
  };
  const int width = 31, height = 19;
  std::mt19937 random(3);
  for (bool mono : {false, true})
    for (int mode : {BLACKONWHITE, WHITEONBLACK, COLORONCOLOR, HALFTONE})
      for (DWORD rop : {SRCCOPY, SRCINVERT})
        for (const Case& c : cases) {
          TestSurface self(width, height, mono), original(width, height, mono), copy(width, height, mono);
          for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
              original.Raw(x, y) = self.Raw(x, y) = copy.Raw(x, y) =
                  mono ? (random() & 1) * kWhite : random() & 0xFFFFFF;
          for (TestSurface* s : {&self, &copy}) {
            SetStretchBltMode(s->dc, mode);
            if (&c == &cases[1]) IntersectClipRect(s->dc, 2, 2, 8, 6);
          }
          StretchBlt(self.dc, c.x, c.y, c.w, c.h, self.dc, c.sx, c.sy, c.sw, c.sh, rop);
          StretchBlt(copy.dc, c.x, c.y, c.w, c.h, original.dc, c.sx, c.sy, c.sw, c.sh, rop);
          EXPECT_EQ(self.Pixels(), copy.Pixels()) << (mono ? "1-bit" : "colour") << " mode " << mode
                                                  << " rop " << rop << " case " << (&c - cases);
        }
}

// Stretches a 64 x 64 block of a 7680 x 4320 bitmap (132 MB) to 128 x 128 over itself with 48 MB of
// address space to spare; exits 0 when the block arrived.
void StretchWithinALargeBitmapUnderALimit() {
  const int width = 7680, height = 4320;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateBitmap(width, height, 1, 32, nullptr);
  SelectObject(dc, bitmap);
  SetPixel(dc, 150, 150, kRed);
  SetPixel(dc, 213, 213, kBlue);
  long pages = 0;
  if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%ld", &pages) != 1) pages = 0;
    std::fclose(statm);
  }
  const rlim_t used = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)), spare = 48u << 20;
  rlimit limit{used + spare, used + spare};
  if (!pages || setrlimit(RLIMIT_AS, &limit) != 0) std::_Exit(2);
  StretchBlt(dc, 100, 100, 128, 128, dc, 150, 150, 64, 64, SRCCOPY);
  bool arrived =
      GetPixel(dc, 101, 101) == kRed && GetPixel(dc, 226, 226) == kBlue && GetPixel(dc, 102, 102) == kBlack;
  std::_Exit(arrived ? 0 : 1);
}

// A stretch within one bitmap copies only the block of source pixels it reads, not the bitmap.
TEST(RasterMemory, StretchingWithinOneLargeBitmapCopiesOnlyTheBlockItReads) {
  if (kAddressSanitizer) GTEST_SKIP() << kNoAddressLimitUnderAsan;
  EXPECT_EXIT(StretchWithinALargeBitmapUnderALimit(), ::testing::ExitedWithCode(0), "");
}

TEST_F(Raster, StretchingIntoMonochromeAppliesTheConversionRule) {
  TestSurface src(4, 2), mono(2, 1, true);
  src.Fill(kRed);
  src.Raw(3, 1) = kGreen;
  SetBkColor(src.dc, kRed);
  StretchBlt(mono.dc, 0, 0, 2, 1, src.dc, 0, 0, 4, 2, SRCCOPY);
  EXPECT_EQ(mono.Map({{kWhite, '1'}, {kBlack, '0'}}), "10\n");
}

TEST_F(Raster, PatBltAndSetPixelOnMonochromeTakeTheNearerOfBlackAndWhite) {
  TestSurface mono(3, 1, true);
  EXPECT_EQ(SetPixel(mono.dc, 0, 0, RGB(200, 200, 200)), kWhite);
  EXPECT_EQ(SetPixel(mono.dc, 1, 0, RGB(100, 20, 90)), kBlack);
  EXPECT_EQ(GetPixel(mono.dc, 0, 0), kWhite);
  EXPECT_EQ(SetPixel(mono.dc, 3, 0, kWhite), CLR_INVALID);
  HBRUSH dark = CreateSolidBrush(RGB(250, 100, 10));  // nearer black
  SelectObject(mono.dc, dark);
  PatBlt(mono.dc, 2, 0, 1, 1, PATCOPY);
  EXPECT_EQ(mono.Raw(2, 0), kBlack);
  PatBlt(mono.dc, 0, 0, 3, 1, DSTINVERT);
  EXPECT_EQ(mono.Map({{kWhite, '1'}, {kBlack, '0'}}), "011\n");
  SelectObject(mono.dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(dark);
}

}  // namespace
}  // namespace zu::test
