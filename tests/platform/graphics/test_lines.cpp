// Lines, pen styles and widths, and 3D edges.
#include <cmath>
#include <set>
#include <vector>

#include "Surface.h"

namespace zu::test {
namespace {

using Lines = GdiTest;

std::set<std::pair<int, int>> Drawn(TestSurface& s, COLORREF background) {
  std::set<std::pair<int, int>> out;
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x)
      if (s.Raw(x, y) != background) out.emplace(x, y);
  return out;
}

std::set<std::pair<int, int>> Line(int x0, int y0, int x1, int y1) {
  TestSurface s(21, 21);
  MoveToEx(s.dc, x0, y0, nullptr);
  LineTo(s.dc, x1, y1);
  POINT at;
  GetCurrentPositionEx(s.dc, &at);
  EXPECT_EQ(at, (POINT{x1, y1}));
  return Drawn(s, kWhite);
}

TEST_F(Lines, EveryDirectionLeavesOutTheEndPointAndMatchesItsReverse) {
  for (int dy = -7; dy <= 7; ++dy)
    for (int dx = -7; dx <= 7; ++dx) {
      if (!dx && !dy) continue;
      auto forward = Line(10, 10, 10 + dx, 10 + dy);
      auto backward = Line(10 + dx, 10 + dy, 10, 10);
      SCOPED_TRACE(testing::Message() << "towards " << dx << "," << dy);
      EXPECT_EQ(int(forward.size()), std::max(std::abs(dx), std::abs(dy)));
      EXPECT_TRUE(forward.count({10, 10}));
      EXPECT_FALSE(forward.count({10 + dx, 10 + dy}));
      forward.emplace(10 + dx, 10 + dy);
      backward.emplace(10, 10);
      EXPECT_EQ(forward, backward);
      // One pixel per step of the major axis, each within half a pixel of the true line.
      for (auto [x, y] : forward) {
        double t = std::abs(dx) >= std::abs(dy) ? double(x - 10) / dx : double(y - 10) / dy;
        double ex = 10 + t * dx, ey = 10 + t * dy;
        EXPECT_LE(std::abs(ex - x) + std::abs(ey - y), 0.5 + 1e-9) << x << "," << y;
      }
    }
}

TEST_F(Lines, RoundingTiesGoToTheSmallerCoordinate) {
  using P = std::set<std::pair<int, int>>;
  EXPECT_EQ(Line(0, 0, 4, 1), (P{{0, 0}, {1, 0}, {2, 0}, {3, 1}}));
  EXPECT_EQ(Line(4, 1, 0, 0), (P{{4, 1}, {3, 1}, {2, 0}, {1, 0}}));
  EXPECT_EQ(Line(0, 0, 1, 4), (P{{0, 0}, {0, 1}, {0, 2}, {1, 3}}));
  EXPECT_TRUE(Line(5, 5, 5, 5).empty()) << "a zero-length line draws nothing";
}

TEST_F(Lines, PenStylesDrawTheirDashPatternsWithGapsInTheBackgroundColour) {
  struct Case {
    int style;
    const char* pattern;  // 40 pixels of a horizontal line: '#' pen, '-' gap
  } cases[] = {
      {PS_SOLID, "########################################"},
      {PS_INSIDEFRAME, "########################################"},
      {PS_DASH, "##################------##################"},
      {PS_DOT, "###---###---###---###---###---###---###---"},
      {PS_DASHDOT, "#########------###------#########------###"},
      {PS_DASHDOTDOT, "#########---###---###---#########---###---"},
      {PS_NULL, "........................................"},
  };
  for (const Case& c : cases) {
    for (int mode : {OPAQUE, TRANSPARENT}) {
      TestSurface s(40, 1, false, kGreen);
      HPEN pen = CreatePen(c.style, 1, kRed);
      SelectObject(s.dc, pen);
      SetBkMode(s.dc, mode);
      SetBkColor(s.dc, kBlue);
      MoveToEx(s.dc, 0, 0, nullptr);
      LineTo(s.dc, 40, 0);
      std::string want(c.pattern, 40);
      for (char& ch : want) {
        if (ch == '-' && mode == TRANSPARENT) ch = '.';
      }
      EXPECT_EQ(s.Map({{kRed, '#'}, {kBlue, '-'}, {kGreen, '.'}}), want + "\n")
          << "style " << c.style << " mode " << mode;
      SelectObject(s.dc, GetStockObject(BLACK_PEN));
      DeleteObject(pen);
    }
  }
}

TEST_F(Lines, EachLineToStartsTheDashPatternAnewCountedAlongTheMajorAxis) {
  TestSurface s(12, 12, false, kWhite);
  HPEN pen = CreatePen(PS_DOT, 1, kBlack);
  SelectObject(s.dc, pen);
  SetBkMode(s.dc, TRANSPARENT);
  MoveToEx(s.dc, 0, 0, nullptr);
  LineTo(s.dc, 4, 0);
  LineTo(s.dc, 4, 4);  // starts "on" again at (4,0)
  MoveToEx(s.dc, 0, 6, nullptr);
  LineTo(s.dc, 8, 10);  // x-major: 3 on, 3 off, 2 on along x
  EXPECT_EQ(
      s.Map({{kBlack, '#'}, {kWhite, '.'}}),
      Rows({"###.#.......", "....#.......", "....#.......", "............", "............", "............",
            "##..........", "..#.........", "............", "......##....", "............", "............"}));
  SelectObject(s.dc, GetStockObject(BLACK_PEN));
  DeleteObject(pen);
}

// The classic rule walked over the whole line: step i along the major axis, the minor coordinate
// rounded to the nearest with ties to the smaller one, dashes counted by step.
std::vector<std::pair<int, int>> ReferenceDots(int x0, int y0, int x1, int y1, int w, int h) {
  auto floorDiv = [](long long a, long long b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
  std::vector<std::pair<int, int>> dots;  // (step, pixel index) of the pixels on the surface
  long long dx = x1 - x0, dy = y1 - y0;
  bool xMajor = std::llabs(dx) >= std::llabs(dy);
  long long a0 = xMajor ? x0 : y0, b0 = xMajor ? y0 : x0, da = xMajor ? dx : dy, db = xMajor ? dy : dx;
  for (long long i = 0; i < std::llabs(da); ++i) {
    long long a = a0 + (da > 0 ? i : -i);
    long long num = b0 * da + (a - a0) * db, den = da;  // the exact minor coordinate is num / den
    if (den < 0) num = -num, den = -den;
    long long b = -floorDiv(den - 2 * num, 2 * den);  // ceil(num / den - 1/2): nearest, ties down
    long long px = xMajor ? a : b, py = xMajor ? b : a;
    if (px >= 0 && px < w && py >= 0 && py < h) dots.emplace_back(int(i), int(py * w + px));
  }
  return dots;
}

// A line reaching far outside a small clip draws exactly the pixels and dash phase of the whole
// line walked step by step, in every direction.
TEST_F(Lines, ClippedLinesKeepTheirPixelsAndDashPhase) {
  const int far = 100000;
  struct Case {
    int x0, y0, x1, y1;
  } cases[] = {
      {-far, -far, far, far},      {far, far, -far, -far}, {-far, 7, far, 9},   {5, -far, 8, far},
      {-far, far, far, -far + 3},  {-1000, 3, 900, 17},    {17, 900, 2, -1000}, {3, 3, 18, 14},
      {-far, -far + 10, far, far}, {25, -40, -40, 25},     {-far, 20, far, 0},  {10, 10, 10, 10},
  };
  const int w = 20, h = 16;
  for (int style : {PS_SOLID, PS_DASHDOT}) {
    for (const Case& c : cases) {
      TestSurface s(w, h, false, kGreen);
      HPEN pen = CreatePen(style, 1, kRed);
      SelectObject(s.dc, pen);
      SetBkColor(s.dc, kBlue);
      MoveToEx(s.dc, c.x0, c.y0, nullptr);
      LineTo(s.dc, c.x1, c.y1);
      std::vector<COLORREF> want(size_t(w * h), kGreen);
      const int dashDot[] = {9, 6, 3, 6};
      for (auto [step, index] : ReferenceDots(c.x0, c.y0, c.x1, c.y1, w, h)) {
        bool on = true;
        if (style == PS_DASHDOT) {
          int k = step % 24, run = 0;
          while (k >= dashDot[run]) k -= dashDot[run++];
          on = run % 2 == 0;
        }
        want[size_t(index)] = on ? kRed : kBlue;
      }
      EXPECT_EQ(s.Pixels(), want) << c.x0 << "," << c.y0 << " to " << c.x1 << "," << c.y1 << " style "
                                  << style;
      SelectObject(s.dc, GetStockObject(BLACK_PEN));
      DeleteObject(pen);
    }
  }
}

// Polyline and PolylineTo run the dash pattern on across the joints; separate LineTo calls restart it.
TEST_F(Lines, PolylinesRunTheDashPatternOnAcrossJoints) {
  const POINT path[] = {{0, 0}, {4, 0}, {4, 5}, {0, 5}};
  const char* joined = "###..\n.....\n....#\n....#\n....#\n.#...\n";
  struct Case {
    int call;  // 0 Polyline, 1 PolylineTo, 2 LineTo one by one
    const char* map;
  } cases[] = {{0, joined}, {1, joined}, {2, "###.#\n....#\n....#\n.....\n.....\n..###\n"}};
  for (const Case& c : cases) {
    TestSurface s(5, 6);
    HPEN pen = CreatePen(PS_DOT, 1, kBlack);
    SelectObject(s.dc, pen);
    SetBkMode(s.dc, TRANSPARENT);
    MoveToEx(s.dc, 0, 0, nullptr);
    if (c.call == 0) {
      EXPECT_TRUE(Polyline(s.dc, path, 4));
    } else if (c.call == 1) {
      EXPECT_TRUE(PolylineTo(s.dc, path + 1, 3));
    } else {
      for (int k = 1; k < 4; ++k) LineTo(s.dc, path[k].x, path[k].y);
    }
    EXPECT_EQ(s.Map({{kBlack, '#'}, {kWhite, '.'}}), c.map) << "call " << c.call;
    POINT at;
    GetCurrentPositionEx(s.dc, &at);
    EXPECT_EQ(at, c.call == 0 ? (POINT{0, 0}) : (POINT{0, 5})) << "call " << c.call;
    SelectObject(s.dc, GetStockObject(BLACK_PEN));
    DeleteObject(pen);
  }
  TestSurface s(2, 2);
  EXPECT_FALSE(Polyline(s.dc, path, 1));
  EXPECT_FALSE(PolylineTo(s.dc, path, 0));
}

// Each binary raster operation combines the pen colour P with the destination D bit by bit.
TEST_F(Lines, BinaryRasterOperationsCombinePenAndDestination) {
  const uint32_t P = 0x00F0CC33, D = 0x00AA55A5, M = 0x00FFFFFF;
  const uint32_t want[17] = {0,
                             0,
                             ~(P | D) & M,
                             ~P & D,
                             ~P & M,
                             P & ~D & M,
                             ~D & M,
                             P ^ D,
                             ~(P & D) & M,
                             P & D,
                             ~(P ^ D) & M,
                             D,
                             (~P | D) & M,
                             P,
                             (P | ~D) & M,
                             P | D,
                             M};
  TestSurface probe(1, 1);
  EXPECT_EQ(GetROP2(probe.dc), R2_COPYPEN);
  EXPECT_EQ(SetROP2(probe.dc, 0), 0);
  EXPECT_EQ(SetROP2(probe.dc, 17), 0);
  for (int rop = R2_BLACK; rop <= R2_WHITE; ++rop) {
    TestSurface s(4, 1, false, D);
    HPEN pen = CreatePen(PS_SOLID, 1, P);
    SelectObject(s.dc, pen);
    EXPECT_EQ(SetROP2(s.dc, rop), R2_COPYPEN);
    EXPECT_EQ(GetROP2(s.dc), rop);
    MoveToEx(s.dc, 0, 0, nullptr);
    LineTo(s.dc, 3, 0);
    EXPECT_EQ(s.Raw(1, 0), want[rop]) << "rop " << rop;
    EXPECT_EQ(s.Raw(3, 0), D) << "end point left out";
    SelectObject(s.dc, GetStockObject(BLACK_PEN));
    DeleteObject(pen);
  }
}

// Rectangle: the pen's outline on the edges (right and bottom exclusive) around the brush; the
// null pen leaves the brush up to right - 1 and bottom - 1; XOR drawn twice leaves nothing.
TEST_F(Lines, RectangleOutlinesWithThePenAndFillsWithTheBrush) {
  struct Case {
    bool nullPen;
    int rop;
    const char* map;
  } cases[] = {
      {false, R2_COPYPEN, "......\n.#####\n.#RRR#\n.#####\n......\n"},
      {true, R2_COPYPEN, "......\n.RRRR.\n.RRRR.\n......\n......\n"},
      {false, R2_NOP, "......\n......\n......\n......\n......\n"},
  };
  for (const Case& c : cases) {
    TestSurface s(6, 5);
    HBRUSH red = CreateSolidBrush(kRed);
    SelectObject(s.dc, red);
    if (c.nullPen) SelectObject(s.dc, GetStockObject(NULL_PEN));
    SetROP2(s.dc, c.rop);
    SetViewportOrgEx(s.dc, 1, 1, nullptr);
    EXPECT_TRUE(Rectangle(s.dc, 0, 0, 5, 3));
    EXPECT_EQ(s.Map({{kWhite, '.'}, {kBlack, '#'}, {kRed, 'R'}}), c.map) << "null pen " << c.nullPen;
    SelectObject(s.dc, GetStockObject(WHITE_BRUSH));
    SelectObject(s.dc, GetStockObject(BLACK_PEN));
    DeleteObject(red);
  }
  TestSurface s(6, 5, false, kGreen);
  SetROP2(s.dc, R2_XORPEN);
  HPEN pen = CreatePen(PS_DOT, 1, kRed);
  SelectObject(s.dc, pen);
  Rectangle(s.dc, 0, 0, 6, 5);
  EXPECT_NE(s.Count(kGreen), 30);
  Rectangle(s.dc, 0, 0, 6, 5);
  EXPECT_EQ(s.Count(kGreen), 30) << "every pixel drawn once each time";
  SelectObject(s.dc, GetStockObject(BLACK_PEN));
  DeleteObject(pen);
}

TEST_F(Lines, FocusRectInvertsTheOddDotsOfItsBorder) {
  TestSurface s(7, 6);
  SetViewportOrgEx(s.dc, 1, 0, nullptr);
  RECT r{0, 1, 5, 5};  // device (1,1)-(6,5)
  EXPECT_TRUE(DrawFocusRect(s.dc, &r));
  EXPECT_EQ(s.Map({{kWhite, '.'}, {kBlack, '#'}}),
            Rows({".......", "..#.#..", ".#...#.", ".......", ".#.#.#.", "......."}));
  EXPECT_TRUE(DrawFocusRect(s.dc, &r));
  EXPECT_EQ(s.Count(kWhite), 42) << "drawn twice it is gone";
}

TEST_F(Lines, WidePensDrawSolidBandsOfTheirWidth) {
  for (int width : {2, 3, 4}) {
    TestSurface s(30, 12);
    HPEN pen = CreatePen(PS_DASH, width, kBlack);  // wide pens ignore dashes
    SelectObject(s.dc, pen);
    MoveToEx(s.dc, 5, 6, nullptr);
    LineTo(s.dc, 25, 6);
    int rows = 0;
    for (int y = 0; y < 12; ++y) rows += s.Raw(15, y) == kBlack;
    EXPECT_EQ(rows, width) << "width " << width;
    for (int x = 6; x < 25; ++x) EXPECT_EQ(s.Raw(x, 6), kBlack) << x;
    SelectObject(s.dc, GetStockObject(BLACK_PEN));
    DeleteObject(pen);
  }
}

// System colours set apart so each edge colour shows as its letter.
class Edges : public GdiTest {
 protected:
  void SetUp() override {
    GdiTest::SetUp();
    const int indices[] = {COLOR_3DLIGHT, COLOR_3DDKSHADOW, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW,
                           COLOR_BTNFACE, COLOR_WINDOW,     COLOR_WINDOWFRAME};
    const COLORREF colors[] = {RGB(1, 0, 0), RGB(2, 0, 0), RGB(3, 0, 0), RGB(4, 0, 0),
                               RGB(5, 0, 0), RGB(6, 0, 0), RGB(7, 0, 0)};
    SetSysColors(7, indices, colors);
  }
  std::string Draw(UINT edge, UINT flags, RECT* out = nullptr) {
    TestSurface s(6, 5, false, kGreen);
    RECT r{0, 0, 6, 5};
    EXPECT_TRUE(DrawEdge(s.dc, &r, edge, flags));
    if (out) *out = r;
    return s.Map({{RGB(1, 0, 0), 'L'},
                  {RGB(2, 0, 0), 'D'},
                  {RGB(3, 0, 0), 'H'},
                  {RGB(4, 0, 0), 'S'},
                  {RGB(5, 0, 0), 'F'},
                  {RGB(6, 0, 0), 'W'},
                  {RGB(7, 0, 0), 'K'},
                  {kGreen, '.'}});
  }
};

TEST_F(Edges, EachEdgeDrawsItsClassicColoursWithTheBottomRightOwningTwoCorners) {
  struct Case {
    UINT edge;
    const char* map;
  } cases[] = {
      {BDR_RAISEDOUTER, "LLLLLD\nL....D\nL....D\nL....D\nDDDDDD\n"},
      {BDR_SUNKENOUTER, "SSSSSH\nS....H\nS....H\nS....H\nHHHHHH\n"},
      {BDR_RAISEDINNER, "HHHHHS\nH....S\nH....S\nH....S\nSSSSSS\n"},
      {BDR_SUNKENINNER, "DDDDDL\nD....L\nD....L\nD....L\nLLLLLL\n"},
      {EDGE_RAISED, "LLLLLD\nLHHHSD\nLH..SD\nLSSSSD\nDDDDDD\n"},
      {EDGE_SUNKEN, "SSSSSH\nSDDDLH\nSD..LH\nSLLLLH\nHHHHHH\n"},
      {EDGE_ETCHED, "SSSSSH\nSHHHSH\nSH..SH\nSSSSSH\nHHHHHH\n"},
      {EDGE_BUMP, "LLLLLD\nLDDDLD\nLD..LD\nLLLLLD\nDDDDDD\n"},
      {BDR_RAISEDOUTER | BDR_SUNKENOUTER, "LLLLLD\nL....D\nL....D\nL....D\nDDDDDD\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(Draw(c.edge, BF_RECT), c.map) << "edge " << c.edge;
}

TEST_F(Edges, FlagsChooseSidesMiddleAdjustmentAndColourSchemes) {
  struct Case {
    UINT flags;
    const char* map;
  } cases[] = {
      {BF_LEFT, "LH....\nLH....\nLH....\nLH....\nLH....\n"},
      {BF_TOP, "LLLLLL\nHHHHHH\n......\n......\n......\n"},
      {BF_RIGHT, "....SD\n....SD\n....SD\n....SD\n....SD\n"},
      {BF_BOTTOM, "......\n......\n......\nSSSSSS\nDDDDDD\n"},
      {BF_TOPLEFT, "LLLLLL\nLHHHHH\nLH....\nLH....\nLH....\n"},
      {BF_BOTTOMRIGHT, "....SD\n....SD\n....SD\nSSSSSD\nDDDDDD\n"},
      {BF_TOPRIGHT, "LLLLLD\nHHHHSD\n....SD\n....SD\n....SD\n"},
      {BF_BOTTOMLEFT, "LH....\nLH....\nLH....\nLSSSSS\nDDDDDD\n"},
      {BF_RECT | BF_MIDDLE, "LLLLLD\nLHHHSD\nLHFFSD\nLSSSSD\nDDDDDD\n"},
      {BF_TOPLEFT | BF_MIDDLE, "LLLLLL\nLHHHHH\nLHFFFF\nLHFFFF\nLHFFFF\n"},
      {BF_RECT | BF_FLAT, "SSSSSS\nSFFFFS\nSF..FS\nSFFFFS\nSSSSSS\n"},
      {BF_RECT | BF_MONO | BF_MIDDLE, "KKKKKK\nKWWWWK\nKWWWWK\nKWWWWK\nKKKKKK\n"},
      {BF_RECT | BF_SOFT, "HHHHHD\nHLLLSD\nHL..SD\nHSSSSD\nDDDDDD\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(Draw(EDGE_RAISED, c.flags), c.map) << "flags " << c.flags;
}

// BF_SOFT gives each ring the top-left colour of its own kind, alone or beside another ring.
TEST_F(Edges, SoftEdgesTakeTheTopLeftColourOfEachRingsKind) {
  struct Case {
    UINT edge;
    const char* map;
  } cases[] = {
      {BDR_RAISEDOUTER, "HHHHHD\nH....D\nH....D\nH....D\nDDDDDD\n"},
      {BDR_SUNKENOUTER, "DDDDDH\nD....H\nD....H\nD....H\nHHHHHH\n"},
      {BDR_RAISEDINNER, "LLLLLS\nL....S\nL....S\nL....S\nSSSSSS\n"},
      {BDR_SUNKENINNER, "SSSSSL\nS....L\nS....L\nS....L\nLLLLLL\n"},
      {EDGE_RAISED, "HHHHHD\nHLLLSD\nHL..SD\nHSSSSD\nDDDDDD\n"},
      {EDGE_SUNKEN, "DDDDDH\nDSSSLH\nDS..LH\nDLLLLH\nHHHHHH\n"},
      {EDGE_ETCHED, "DDDDDH\nDLLLSH\nDL..SH\nDSSSSH\nHHHHHH\n"},
      {EDGE_BUMP, "HHHHHD\nHSSSLD\nHS..LD\nHLLLLD\nDDDDDD\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(Draw(c.edge, BF_RECT | BF_SOFT), c.map) << "edge " << c.edge;
}

TEST_F(Edges, OnlyAdjustMovesTheRectangle) {
  RECT r;
  Draw(EDGE_RAISED, BF_RECT | BF_MIDDLE, &r);
  EXPECT_EQ(r, (RECT{0, 0, 6, 5}));
  Draw(EDGE_RAISED, BF_RECT | BF_ADJUST, &r);
  EXPECT_EQ(r, (RECT{2, 2, 4, 3}));
  Draw(BDR_SUNKENOUTER, BF_TOPLEFT | BF_ADJUST, &r);
  EXPECT_EQ(r, (RECT{1, 1, 6, 5}));
}

TEST_F(Edges, DiagonalsRunCornerToCorner) {
  EXPECT_EQ(Draw(BDR_RAISEDOUTER, BF_DIAGONAL_ENDTOPRIGHT), "....D.\n...D..\n..D...\n.D....\nD.....\n");
  EXPECT_EQ(Draw(BDR_RAISEDOUTER, BF_DIAGONAL_ENDTOPLEFT), "L.....\n.L....\n..L...\n...L..\n....L.\n");
}

}  // namespace
}  // namespace zu::test
