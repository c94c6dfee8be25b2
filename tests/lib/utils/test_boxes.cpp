#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "lib/colors3d/zu3DCol.h"
#include "lib/styles/zuCommCl.h"
#include "lib/utils/zuUtils.h"
#include "platform/graphics/Gdi.h"
#include "platform/graphics/Graphics.h"
#include "platform/graphics/Surface.h"
#include "tests/platform/graphics/Surface.h"
#include "platform/graphics/SysColors.h"

namespace zu {
namespace {

using namespace win;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kDark = RGB(0x10, 0x10, 0x90);       // 3D dark shadow
constexpr COLORREF kLight3D = RGB(0xE0, 0xE0, 0x10);    // 3D light
constexpr COLORREF kHighlight = RGB(0x20, 0xE0, 0x20);  // button highlight
constexpr COLORREF kShadow = RGB(0x90, 0x10, 0x10);     // button shadow
constexpr COLORREF kFace = RGB(0xC8, 0xC8, 0xC8);       // button face
constexpr COLORREF kFill = RGB(0x30, 0x60, 0x90);

using Surface = test::TestSurface;

const std::map<COLORREF, char> kNames{{kWhite, '.'},  {kDark, 'K'}, {kLight3D, 'L'}, {kHighlight, 'H'},
                                      {kShadow, 'S'}, {kFace, 'F'}, {kFill, 'f'}};

class Boxes : public ::testing::Test {
 protected:
  void SetUp() override {
    const int indices[] = {COLOR_3DDKSHADOW, COLOR_3DLIGHT, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW,
                           COLOR_BTNFACE};
    const COLORREF colors[] = {kDark, kLight3D, kHighlight, kShadow, kFace};
    SetSysColors(5, indices, colors);
  }
  void TearDown() override { ResetSysColors(); }
};

TEST_F(Boxes, DrawBoxStylesEdgesAndInterior) {
  struct Probe {
    int x, y;
    char color;
  };
  struct Case {
    TzuBoxStyle style;
    RECT interior;
    std::vector<Probe> probes;  // on (0,0,12,10)
  } cases[] = {
      {fbsFlat, {0, 0, 12, 10}, {}},
      {fbsStatusControl, {0, 0, 12, 10}, {}},
      {fbsCtl3D, {2, 2, 10, 9}, {}},
      {fbsRecessed,
       {2, 2, 11, 8},
       {{0, 4, 'K'},
        {5, 0, 'K'},
        {11, 4, 'H'},
        {5, 8, 'H'},
        {1, 4, 'S'},
        {5, 1, 'S'},
        {5, 5, 'F'},
        {5, 9, '.'}}},
      {fbsRaised,
       {3, 3, 9, 7},
       {{9, 5, 'K'},
        {5, 7, 'K'},
        {2, 5, 'H'},
        {5, 2, 'H'},
        {8, 4, 'S'},
        {5, 6, 'S'},
        {5, 4, 'F'},
        {1, 5, '.'}}},
      {fbsRaisedFrame,
       {4, 4, 9, 7},
       {{11, 5, 'K'},
        {0, 5, 'H'},
        {10, 5, 'S'},
        {1, 5, 'F'},
        {2, 5, 'K'},
        {9, 5, 'H'},
        {3, 5, 'S'},
        {5, 5, 'F'}}},
      {fbsRecessedFrame,
       {4, 4, 9, 7},
       {{0, 5, 'K'},
        {11, 5, 'H'},
        {1, 5, 'S'},
        {2, 5, 'F'},
        {9, 5, 'K'},
        {3, 5, 'H'},
        {8, 5, 'S'},
        {5, 5, 'F'},
        {10, 5, 'F'}}},
      {static_cast<TzuBoxStyle>(7), {0, 0, 12, 10}, {}},
  };
  for (const Case& c : cases) {
    Surface s(12, 10);
    RECT r{0, 0, 12, 10};
    DrawBox(s.dc, r, c.style, 123, true);
    EXPECT_EQ(r, c.interior) << "style " << int(c.style);
    std::vector<std::string> map = s.MapRows(kNames);
    if (c.probes.empty()) {
      EXPECT_EQ(map, std::vector<std::string>(10, std::string(12, '.'))) << int(c.style);
    }
    for (const Probe& p : c.probes)
      EXPECT_EQ(map[size_t(p.y)][size_t(p.x)], p.color)
          << "style " << int(c.style) << " at " << p.x << "," << p.y;
  }
}

TEST_F(Boxes, DrawBoxResultsOnTheLargerBox) {
  const struct {
    TzuBoxStyle style;
    RECT interior;
  } cases[] = {{fbsCtl3D, {2, 2, 98, 49}}, {fbsRaised, {3, 3, 97, 47}}, {fbsRecessed, {2, 2, 99, 48}}};
  for (const auto& c : cases) {
    Surface s(100, 50);
    RECT r{0, 0, 100, 50};
    DrawBox(s.dc, r, c.style, 0, false);
    EXPECT_EQ(r, c.interior) << int(c.style);
  }
}

const TzuSides kAllSides{fsdLeft, fsdTop, fsdRight, fsdBottom};

TEST_F(Boxes, DrawBoxExBevelPixels) {
  struct Case {
    const char* name;
    RECT rect;
    TzuSides sides;
    TBevelCut inner, outer;
    bool bold, transparent;
    RECT interior;
    std::vector<std::string> map;
  } cases[] = {
      {"bold lowered outer",
       {1, 1, 6, 5},
       kAllSides,
       bvNone,
       bvLowered,
       true,
       false,
       {3, 3, 5, 4},
       {"........", ".KKKKKH.", ".KSSSSH.", ".KSfffH.", ".KSfffH.", ".HHHHHH.", "........"}},
      {"raised outer, lowered inner",
       {1, 1, 7, 6},
       kAllSides,
       bvLowered,
       bvRaised,
       false,
       true,
       {3, 3, 5, 4},
       {".........", ".HHHHHHS.", ".HSSSSHS.", ".HS...HS.", ".HS...HS.", ".HHHHHHS.", ".SSSSSSS.",
        "........."}},
      {"bold raised without the left side",
       {1, 1, 7, 6},
       TzuSides{fsdTop, fsdRight, fsdBottom},
       bvNone,
       bvRaised,
       true,
       true,
       {1, 2, 5, 4},
       {".........", ".HHHHHHK.", "......SK.", "......SK.", "......SK.", ".SSSSSSK.", ".KKKKKKK.",
        "........."}},
      {"bold lowered on left and top only",
       {1, 1, 7, 6},
       TzuSides{fsdLeft, fsdTop},
       bvNone,
       bvLowered,
       true,
       true,
       {3, 3, 7, 6},
       {".........", ".KKKKKK..", ".KSSSSS..", ".KS......", ".KS......", ".KS......", "..S......",
        "........."}},
      {"space outer, bold raised inner, filled",
       {1, 1, 7, 6},
       kAllSides,
       bvRaised,
       bvSpace,
       true,
       false,
       {3, 3, 4, 3},
       {".........", ".SSSSSSS.", ".SHHHHKS.", ".SHffSKS.", ".SHSSSKS.", ".SKKKKKS.", ".SSSSSSS.",
        "........."}},
      {"no bevels: only the fill, right and bottom lines included",
       {2, 2, 5, 4},
       kAllSides,
       bvNone,
       bvNone,
       true,
       false,
       {2, 2, 5, 4},
       {"........", "........", "..ffff..", "..ffff..", "..ffff..", "........"}},
  };
  for (const Case& c : cases) {
    Surface s(int(c.map[0].size()), int(c.map.size()));
    RECT interior = DrawBoxEx(s.dc, c.rect, c.sides, c.inner, c.outer, c.bold, ToColor(kFill), c.transparent);
    EXPECT_EQ(interior, c.interior) << c.name;
    EXPECT_EQ(s.MapRows(kNames), c.map) << c.name;
  }
}

// Every combination: each line drawn moves its side of the interior in by one, nothing is drawn
// outside the frame's lines, and nothing at all without sides.
TEST_F(Boxes, DrawBoxExInteriorForEveryCombination) {
  const TBevelCut cuts[] = {bvNone, bvLowered, bvRaised, bvSpace};
  // Lines a bevel draws on one side: bold lowered bevels double the left and top, bold raised
  // ones the right and bottom.
  auto lines = [](TBevelCut cut, bool bold, TzuSide side) {
    if (cut == bvNone) return 0;
    if (bold && cut == bvLowered && (side == fsdLeft || side == fsdTop)) return 2;
    if (bold && cut == bvRaised && (side == fsdRight || side == fsdBottom)) return 2;
    return 1;
  };
  const RECT rect{2, 2, 12, 10};
  for (uint32_t mask = 0; mask < 16; ++mask)
    for (TBevelCut outer : cuts)
      for (TBevelCut inner : cuts)
        for (bool bold : {false, true}) {
          const TzuSides sides = TzuSides::FromMask(mask);
          auto moved = [&](TzuSide side) {
            return sides.Contains(side) ? lines(outer, bold, side) + lines(inner, bold, side) : 0;
          };
          Surface s(15, 13);
          RECT interior = DrawBoxEx(s.dc, rect, sides, inner, outer, bold, ToColor(kFill), true);
          const RECT expected{rect.left + moved(fsdLeft), rect.top + moved(fsdTop),
                              rect.right - moved(fsdRight), rect.bottom - moved(fsdBottom)};
          const std::string name = "sides " + std::to_string(mask) + " outer " + std::to_string(outer) +
                                   " inner " + std::to_string(inner) + " bold " + std::to_string(bold);
          EXPECT_EQ(interior, expected) << name;
          int drawn = 0, outside = 0;
          for (int y = 0; y < 13; ++y)
            for (int x = 0; x < 15; ++x) {
              if (s.At(x, y) == kWhite) continue;
              ++drawn;
              outside += x < rect.left || y < rect.top || x > rect.right || y > rect.bottom;
            }
          EXPECT_EQ(outside, 0) << name;
          EXPECT_EQ(drawn > 0, mask != 0 && (outer != bvNone || inner != bvNone)) << name;
        }
}

TEST_F(Boxes, DrawBoxExTakesTheRegisteredSchemeColours) {
  const COLORREF dark = RGB(1, 2, 3), light = RGB(4, 5, 6), shade = RGB(7, 8, 9), shade2 = RGB(10, 11, 12);
  const std::map<COLORREF, char> names{{kWhite, '.'}, {dark, 'K'}, {light, 'H'}, {shade, 'S'}, {shade2, 's'}};
  auto scheme = std::make_unique<Tzu3DColors>(nullptr);
  ASSERT_EQ(zuGlobalData.Global3DColors, scheme.get());
  scheme->SetDkShadow(ToColor(dark));
  scheme->SetHighlight(ToColor(light));
  scheme->SetShadow(ToColor(shade));
  const std::vector<std::string> expected{"........", ".KKKKKH.", ".KSSSSH.", ".KS...H.",
                                          ".KS...H.", ".HHHHHH.", "........"};
  {
    Surface s(8, 7);
    DrawBoxEx(s.dc, RECT{1, 1, 6, 5}, kAllSides, bvNone, bvLowered, true, clBlack, true);
    EXPECT_EQ(s.MapRows(names), expected);
  }
  scheme->SetShadow(ToColor(shade2));
  {
    Surface s(8, 7);
    DrawBoxEx(s.dc, RECT{1, 1, 6, 5}, kAllSides, bvNone, bvLowered, true, clBlack, true);
    EXPECT_EQ(s.MapRows(names)[2], ".KssssH.");
  }
  // System colours in the scheme are resolved; without a scheme the system's frame colours serve.
  scheme->SetShadow(clBtnFace);
  {
    Surface s(8, 7);
    DrawBoxEx(s.dc, RECT{1, 1, 6, 5}, kAllSides, bvNone, bvLowered, true, clBlack, true);
    EXPECT_EQ(s.At(2, 2), kFace);
  }
  scheme.reset();
  ASSERT_EQ(zuGlobalData.Global3DColors, nullptr);
  Surface s(8, 7);
  DrawBoxEx(s.dc, RECT{1, 1, 6, 5}, kAllSides, bvNone, bvLowered, true, clBlack, true);
  EXPECT_EQ(s.MapRows(kNames)[2], ".KSSSSH.");
}

TEST_F(Boxes, DrawBoxExDrawsWithTheSelectedPensStyleAndWidth) {
  Surface dotted(30, 8), wide(30, 8);
  HPEN dots = CreatePen(PS_DOT, 0, RGB(0, 0, 0));
  HGDIOBJ old = SelectObject(dotted.dc, dots);
  DrawBoxEx(dotted.dc, RECT{1, 1, 28, 6}, TzuSides{fsdTop}, bvNone, bvSpace, false, clBlack, true);
  EXPECT_EQ(GetCurrentObject(dotted.dc, OBJ_PEN), dots);
  SelectObject(dotted.dc, old);
  DeleteObject(dots);
  // Dots of 3 on, 3 off along the top line.
  std::string top;
  for (int x = 1; x < 28; ++x) top += dotted.At(x, 1) == kShadow ? 'S' : '.';
  EXPECT_EQ(top, "SSS...SSS...SSS...SSS...SSS");

  HPEN thick = CreatePen(PS_SOLID, 3, RGB(0, 0, 0));
  old = SelectObject(wide.dc, thick);
  DrawBoxEx(wide.dc, RECT{1, 2, 28, 6}, TzuSides{fsdTop}, bvNone, bvSpace, false, clBlack, true);
  SelectObject(wide.dc, old);
  DeleteObject(thick);
  EXPECT_EQ(wide.At(10, 1), kShadow);
  EXPECT_EQ(wide.At(10, 3), kShadow);
}

TEST_F(Boxes, GradientBoxDrawsTheGradient) {
  TGradient gradient;
  gradient.SetToColor(clRed);
  gradient.SetActive(true);
  gradient.SetSteps(4);
  Surface direct(20, 12), boxed(20, 12);
  gradient.Draw(direct.dc, RECT{2, 1, 18, 11}, PS_SOLID, 1);
  GradientBox(boxed.dc, RECT{2, 1, 18, 11}, &gradient, PS_SOLID, 1);
  std::vector<std::string> rows;
  for (int y = 0; y < 12; ++y) {
    std::string row;
    for (int x = 0; x < 20; ++x) row += boxed.At(x, y) == direct.At(x, y) ? '=' : '!';
    rows.push_back(row);
  }
  EXPECT_EQ(rows, std::vector<std::string>(12, std::string(20, '=')));
  EXPECT_NE(boxed.At(5, 1), boxed.At(5, 10));
  Surface untouched(20, 12);
  GradientBox(untouched.dc, RECT{2, 1, 18, 11}, nullptr, PS_SOLID, 1);
  EXPECT_EQ(untouched.At(5, 5), kWhite);
}

}  // namespace
}  // namespace zu
