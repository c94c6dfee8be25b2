#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "lib/styles/zuCommCl.h"
#include "lib/utils/zuUtils.h"
#include "platform/graphics/Gdi.h"
#include "platform/graphics/GdiText.h"
#include "platform/graphics/Graphics.h"
#include "platform/graphics/Surface.h"
#include "platform/graphics/SysColors.h"

namespace zu {
namespace {

using namespace win;

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kHighlight = RGB(0x20, 0xE0, 0x20);
constexpr COLORREF kShadow = RGB(0x90, 0x10, 0x10);
constexpr COLORREF kFace = RGB(0xC8, 0xC8, 0xC8);
constexpr COLORREF kBackground = RGB(1, 2, 3);

using PixelRule = std::function<COLORREF(int x, int y)>;

// A 32-bit memory surface whose pixels start as `fill` says.
class Surface {
 public:
  Surface(
      int w, int h, const PixelRule& fill = [](int, int) { return kBackground; })
      : width(w), height(h) {
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateBitmap(w, h, 1, 32, nullptr);
    old = SelectObject(dc, bitmap);
    TBitmapPixels p;
    GetBitmapPixels(bitmap, &p);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) p.bits[size_t(y) * size_t(p.stride) + size_t(x)] = fill(x, y);
  }
  ~Surface() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  COLORREF At(int x, int y) const {
    TBitmapPixels p;
    GetBitmapPixels(bitmap, &p);
    return p.bits[size_t(y) * size_t(p.stride) + size_t(x)];
  }
  // The first pixel that breaks `rule`, as "(x,y) got ... expected ...", or "" when none does.
  std::string Mismatch(const PixelRule& rule) const {
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        if (At(x, y) != rule(x, y)) {
          char text[96];
          std::snprintf(text, sizeof text, "(%d,%d) got %06X expected %06X", x, y, At(x, y), rule(x, y));
          return text;
        }
    return "";
  }
  int width, height;
  HDC dc;

 private:
  HBITMAP bitmap;
  HGDIOBJ old;
};

// A bitmap of w x h pixels set by `pixel` (colour, or 1-bit when mono: black or white only); its
// canvas is not touched, so it holds no DC.
std::unique_ptr<TBitmap> MakeBitmap(int w, int h, const PixelRule& pixel, bool mono = false) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetMonochrome(mono);
  bitmap->SetSize(w, h);
  TBitmapPixels p;
  GetBitmapPixels(bitmap->Handle(), &p);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) SetPixelAt(p, x, y, pixel(x, y));
  return bitmap;
}

COLORREF Gradientish(int x, int y) { return RGB(x * 16, y * 16, 77); }
bool Inside(int x, int y, int left, int top, int right, int bottom) {
  return x >= left && y >= top && x < right && y < bottom;
}

class Bitmaps : public ::testing::Test {
 protected:
  void SetUp() override {
    const int indices[] = {COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW, COLOR_BTNFACE};
    const COLORREF colors[] = {kHighlight, kShadow, kFace};
    SetSysColors(3, indices, colors);
  }
  void TearDown() override { ResetSysColors(); }
};

TEST_F(Bitmaps, TilesFromTheOffsetPointToTheRectanglesEdges) {
  auto bitmap = MakeBitmap(16, 16, Gradientish);
  const struct { int dx, dy; } offsets[] = {{0, 0}, {3, 2}, {-5, -4}, {20, 30}};
  for (auto o : offsets) {
    Surface s(48, 28);
    CreateBitmapExt(s.dc, bitmap.get(), RECT{0, 0, 40, 20}, o.dx, o.dy, fwoTile, fdsDefault, false, clBlack,
                    clBlack);
    EXPECT_EQ(s.Mismatch([&](int x, int y) {
      if (!Inside(x, y, std::max(0, o.dx), std::max(0, o.dy), 40, 20)) return kBackground;
      return Gradientish((x - o.dx) % 16, (y - o.dy) % 16);
    }),
              "")
        << o.dx << "," << o.dy;
  }
}

TEST_F(Bitmaps, TilesInLogicalCoordinatesInsideTheClip) {
  auto bitmap = MakeBitmap(16, 16, Gradientish);
  Surface s(48, 28);
  SetViewportOrgEx(s.dc, 4, 3, nullptr);
  IntersectClipRect(s.dc, 6, 3, 26, 15);  // device pixels 10..29, 6..17
  CreateBitmapExt(s.dc, bitmap.get(), RECT{0, 0, 40, 20}, 0, 0, fwoTile, fdsDefault, false, clBlack, clBlack);
  EXPECT_EQ(s.Mismatch([](int x, int y) {
    return Inside(x, y, 10, 6, 30, 18) ? Gradientish((x - 4) % 16, (y - 3) % 16) : kBackground;
  }),
            "");
}

// Four blocks of colour, one per quadrant of a w x h bitmap.
COLORREF Quadrant(bool right, bool bottom) {
  return right ? (bottom ? RGB(200, 0, 0) : RGB(0, 200, 0)) : (bottom ? RGB(0, 0, 200) : RGB(90, 90, 0));
}
PixelRule Quadrants(int w, int h) {
  return [=](int x, int y) { return Quadrant(x >= w / 2, y >= h / 2); };
}

TEST_F(Bitmaps, StretchesAndPlacesOneTile) {
  struct Case {
    const char* name;
    int w, h;
    RECT rect;
    int dx, dy;
    TzuWallpaperOption option;
    RECT drawn;  // where the image lands
  } cases[] = {
      {"proportional, wide", 16, 8, {0, 0, 40, 40}, 0, 0, fwoPropStretch, {0, 0, 40, 20}},
      {"proportional, tall, moved", 8, 16, {2, 3, 42, 43}, 0, 0, fwoPropStretch, {2, 3, 22, 43}},
      {"stretch shifted by the offsets", 4, 4, {0, 0, 30, 20}, 5, 5, fwoStretch, {5, 5, 35, 25}},
      {"own size, not clipped to the rectangle", 16, 16, {2, 2, 6, 6}, 1, 1, fwoNone, {3, 3, 19, 19}},
  };
  for (const Case& c : cases) {
    auto bitmap = MakeBitmap(c.w, c.h, Quadrants(c.w, c.h));
    Surface s(48, 48);
    CreateBitmapExt(s.dc, bitmap.get(), c.rect, c.dx, c.dy, c.option, fdsDefault, false, clBlack, clBlack);
    const RECT d = c.drawn;
    EXPECT_EQ(s.Mismatch([&](int x, int y) {
      if (!Inside(x, y, d.left, d.top, d.right, d.bottom)) return kBackground;
      return Quadrant(x - d.left >= (d.right - d.left) / 2, y - d.top >= (d.bottom - d.top) / 2);
    }),
              "")
        << c.name;
  }
}

// The source of the draw-state cases: black strokes among white, mid-grey and near colours.
COLORREF Glyph(int x, int y) {
  static const char* const rows[] = {"wKww#", "wKKwg", "wwKwn", "gwwKw"};
  switch (rows[y][x]) {
    case 'K':
      return kBlack;
    case 'g':
      return RGB(0x80, 0x80, 0x80);
    case 'n':
      return RGB(0x80, 0x80, 0x81);
    case '#':
      return RGB(0xFE, 0xFF, 0xFF);
    default:
      return kWhite;
  }
}

TEST_F(Bitmaps, DrawStates) {
  // Disabled: black pixels in shadow, a highlight below right of each, button face elsewhere.
  auto disabled = [](int x, int y) {
    if (Glyph(x, y) == kBlack) return kShadow;
    if (x > 0 && y > 0 && Glyph(x - 1, y - 1) == kBlack) return kHighlight;
    return kFace;
  };
  auto delicate = [](int x, int y) {
    COLORREF c = Glyph(x, y);
    return c == kWhite ? kHighlight : c == RGB(0x80, 0x80, 0x80) ? kShadow : c;
  };
  auto mono = [](int x, int y) { return Glyph(x, y) == kBlack ? kBlack : kWhite; };
  const COLORREF fill = RGB(9, 8, 7);
  struct Case {
    const char* name;
    TzuDrawState state;
    bool monoSource;
    PixelRule expected;
  } cases[] = {
      {"default", fdsDefault, false, Glyph},
      {"disabled", fdsDisabled, false, disabled},
      {"disabled, 1-bit source", fdsDisabled, true, disabled},
      {"delicate", fdsDelicate, false, delicate},
      {"unknown state keeps the fill", static_cast<TzuDrawState>(5), false, [=](int, int) { return fill; }},
  };
  for (const Case& c : cases) {
    auto bitmap = c.monoSource ? MakeBitmap(5, 4, mono, true) : MakeBitmap(5, 4, Glyph);
    ASSERT_EQ(bitmap->Monochrome(), c.monoSource);
    Surface s(8, 7);
    CreateBitmapExt(s.dc, bitmap.get(), RECT{1, 2, 3, 3}, 0, 0, fwoNone, c.state, false, ToColor(fill),
                    clBlack);
    EXPECT_EQ(s.Mismatch([&](int x, int y) {
      return Inside(x, y, 1, 2, 6, 6) ? c.expected(x - 1, y - 2) : kBackground;
    }),
              "")
        << c.name;
    // The source stays as it was.
    EXPECT_EQ(GetTransparentColor(bitmap.get(), ftcRightTopPixel),
              ToColor(c.monoSource ? kWhite : Glyph(4, 0)));
  }
}

COLORREF Backdrop(int x, int y) { return RGB(x * 5, y * 5, 200); }

TEST_F(Bitmaps, TransparentKeyColourLeavesTheTarget) {
  const COLORREF key = RGB(255, 0, 255);
  auto keyed = [=](int x, int y) { return (x + y) % 3 == 0 ? key : (x == 2 ? kFace : Gradientish(x, y)); };
  auto tiny = [=](int x, int y) { return x == 1 && y == 0 ? key : Quadrant(x == 1, y == 1); };
  auto disabled = [](int x, int y) {
    if (Glyph(x, y) == kBlack) return kShadow;
    if (x > 0 && y > 0 && Glyph(x - 1, y - 1) == kBlack) return kHighlight;
    return kFace;
  };
  struct Case {
    const char* name;
    int w, h;
    PixelRule source;
    RECT rect;
    TzuWallpaperOption option;
    TzuDrawState state;
    TColor transparentColor;
    PixelRule expected;  // in target coordinates; nullptr-like results fall back to the backdrop
  } cases[] = {
      {"one tile",
       6,
       5,
       keyed,
       {2, 1, 4, 4},
       fwoNone,
       fdsDefault,
       ToColor(key),
       [=](int x, int y) {
         if (!Inside(x, y, 2, 1, 8, 6)) return Backdrop(x, y);
         COLORREF c = keyed(x - 2, y - 1);
         return c == key ? Backdrop(x, y) : c;
       }},
      {"a system colour as key",
       6,
       5,
       keyed,
       {2, 1, 4, 4},
       fwoNone,
       fdsDefault,
       clBtnFace,
       [=](int x, int y) {
         if (!Inside(x, y, 2, 1, 8, 6)) return Backdrop(x, y);
         COLORREF c = keyed(x - 2, y - 1);
         return c == kFace ? Backdrop(x, y) : c;
       }},
      {"tiles",
       6,
       5,
       keyed,
       {0, 0, 15, 12},
       fwoTile,
       fdsDefault,
       ToColor(key),
       [=](int x, int y) {
         if (!Inside(x, y, 0, 0, 15, 12)) return Backdrop(x, y);
         COLORREF c = keyed(x % 6, y % 5);
         return c == key ? Backdrop(x, y) : c;
       }},
      {"stretched",
       2,
       2,
       tiny,
       {1, 1, 11, 11},
       fwoStretch,
       fdsDefault,
       ToColor(key),
       [=](int x, int y) {
         if (!Inside(x, y, 1, 1, 11, 11)) return Backdrop(x, y);
         COLORREF c = tiny(x >= 6, y >= 6);
         return c == key ? Backdrop(x, y) : c;
       }},
      {"disabled: button face is the key",
       5,
       4,
       Glyph,
       {1, 1, 2, 2},
       fwoNone,
       fdsDisabled,
       ToColor(kBlack),
       [=](int x, int y) {
         if (!Inside(x, y, 1, 1, 6, 5)) return Backdrop(x, y);
         COLORREF c = disabled(x - 1, y - 1);
         return c == kFace ? Backdrop(x, y) : c;
       }},
  };
  for (const Case& c : cases) {
    auto bitmap = MakeBitmap(c.w, c.h, c.source);
    Surface s(16, 14, Backdrop);
    CreateBitmapExt(s.dc, bitmap.get(), c.rect, 0, 0, c.option, c.state, true, c.transparentColor, clBlack);
    EXPECT_EQ(s.Mismatch(c.expected), "") << c.name;
  }
}

TEST_F(Bitmaps, DrawBitmapExtDoesWhatCreateBitmapExtDoes) {
  auto bitmap = MakeBitmap(5, 4, Glyph);
  for (TzuWallpaperOption option : {fwoNone, fwoStretch, fwoPropStretch, fwoTile})
    for (TzuDrawState state : {fdsDefault, fdsDisabled, fdsDelicate}) {
      Surface a(30, 20, Backdrop), b(30, 20, Backdrop);
      CreateBitmapExt(a.dc, bitmap.get(), RECT{1, 1, 27, 17}, 1, 2, option, state, true, ToColor(kWhite),
                      clBlack);
      DrawBitmapExt(b.dc, bitmap.get(), RECT{1, 1, 27, 17}, 1, 2, option, state, true, ToColor(kWhite),
                    clBlack);
      EXPECT_EQ(b.Mismatch([&](int x, int y) { return a.At(x, y); }), "") << int(option) << " " << int(state);
    }
}

TEST_F(Bitmaps, EmptyOrNullBitmapsDrawNothing) {
  TBitmap empty, noHeight, noWidth;
  noHeight.SetSize(16, 0);
  noWidth.SetSize(0, 16);
  for (TBitmap* bitmap : {&empty, &noHeight, &noWidth, static_cast<TBitmap*>(nullptr)})
    for (TzuWallpaperOption option : {fwoNone, fwoStretch, fwoPropStretch, fwoTile}) {
      Surface s(20, 20);
      CreateBitmapExt(s.dc, bitmap, RECT{0, 0, 20, 20}, 0, 0, option, fdsDisabled, true, clBlack, clBlack);
      EXPECT_EQ(s.Mismatch([](int, int) { return kBackground; }), "") << int(option);
    }
}

TEST_F(Bitmaps, ChangeBitmapColorReplacesExactlyOneColour) {
  auto source = [](int x, int y) {
    const COLORREF colors[] = {RGB(10, 20, 30), RGB(10, 20, 31), kFace, RGB(10, 20, 30), kWhite};
    return colors[(x + y) % 5];
  };
  const COLORREF to = RGB(250, 1, 2);
  struct Case {
    TColor from;
    COLORREF matched;
  } cases[] = {{ToColor(RGB(10, 20, 30)), RGB(10, 20, 30)}, {clBtnFace, kFace}};
  for (const Case& c : cases) {
    auto bitmap = MakeBitmap(7, 3, source);
    ChangeBitmapColor(bitmap.get(), c.from, ToColor(to));
    EXPECT_EQ(bitmap->Canvas()->Brush()->Color(), ToColor(to));
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 7; ++x)
        EXPECT_EQ(COLORREF(bitmap->Canvas()->Pixels(x, y)), source(x, y) == c.matched ? to : source(x, y))
            << x << "," << y;
  }
  // A 1-bit bitmap compares its pixels too: black becomes white, white stays.
  auto mono = MakeBitmap(
      4, 2, [](int x, int) { return x % 2 ? kWhite : kBlack; }, true);
  ChangeBitmapColor(mono.get(), clBlack, clWhite);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(COLORREF(mono->Canvas()->Pixels(x, 1)), kWhite) << x;
  TBitmap empty;
  ChangeBitmapColor(&empty, clBlack, clWhite);
  ChangeBitmapColor(nullptr, clBlack, clWhite);
  EXPECT_TRUE(empty.Empty());
}

TEST_F(Bitmaps, TransparentColorFromACorner) {
  auto bitmap = MakeBitmap(3, 2, [](int x, int y) { return RGB(x * 100 + 1, y * 100 + 1, 7); });
  const struct {
    TzuAutoTransparentColor mode;
    COLORREF color;
  } cases[] = {{ftcUser, 0},
               {ftcLeftTopPixel, RGB(1, 1, 7)},
               {ftcLeftBottomPixel, RGB(1, 101, 7)},
               {ftcRightTopPixel, RGB(201, 1, 7)},
               {ftcRightBottomPixel, RGB(201, 101, 7)},
               {static_cast<TzuAutoTransparentColor>(9), RGB(201, 101, 7)}};
  TBitmap empty, noHeight;
  noHeight.SetSize(3, 0);
  for (auto c : cases) {
    EXPECT_EQ(GetTransparentColor(bitmap.get(), c.mode), ToColor(c.color)) << int(c.mode);
    EXPECT_EQ(GetTransparentColor(&empty, c.mode), clBlack) << int(c.mode);
    EXPECT_EQ(GetTransparentColor(&noHeight, c.mode), clBlack) << int(c.mode);
    EXPECT_EQ(GetTransparentColor(nullptr, c.mode), clBlack) << int(c.mode);
  }
}

TEST(IsItAFilledBitmap, NeedsBothDimensions) {
  const struct {
    int w, h;
    bool filled;
  } cases[] = {{0, 0, false}, {5, 0, false}, {0, 5, false}, {5, 5, true}};
  for (auto c : cases) {
    TBitmap bitmap;
    bitmap.SetSize(c.w, c.h);
    EXPECT_EQ(IsItAFilledBitmap(&bitmap), c.filled) << c.w << "x" << c.h;
  }
  EXPECT_FALSE(IsItAFilledBitmap(nullptr));
}

// ---- Every routine leaves the surface's settings as it found them and deletes what it made ----

struct DCSnapshot {
  COLORREF text, back;
  int mode;
  HGDIOBJ pen, brush, font, bitmap;
  POINT origin, position;
  RECT clip;
  int objects;
  bool operator==(const DCSnapshot&) const = default;
};

DCSnapshot Snapshot(HDC dc) {
  DCSnapshot s{};
  s.text = GetTextColor(dc);
  s.back = GetBkColor(dc);
  s.mode = GetBkMode(dc);
  s.pen = GetCurrentObject(dc, OBJ_PEN);
  s.brush = GetCurrentObject(dc, OBJ_BRUSH);
  s.font = GetCurrentObject(dc, OBJ_FONT);
  s.bitmap = GetCurrentObject(dc, OBJ_BITMAP);
  GetViewportOrgEx(dc, &s.origin);
  GetCurrentPositionEx(dc, &s.position);
  GetClipBox(dc, &s.clip);
  s.objects = GdiObjectCount();
  return s;
}

std::ostream& operator<<(std::ostream& out, const DCSnapshot& s) {
  return out << "text " << s.text << " back " << s.back << " mode " << s.mode << " pen " << s.pen << " brush "
             << s.brush << " font " << s.font << " bitmap " << s.bitmap << " origin " << s.origin.x << ","
             << s.origin.y << " position " << s.position.x << "," << s.position.y << " clip " << s.clip.left
             << "," << s.clip.top << "," << s.clip.right << "," << s.clip.bottom << " objects " << s.objects;
}

TEST_F(Bitmaps, EveryRoutineRestoresTheSurfaceAndDeletesWhatItMade) {
  Surface s(64, 48);
  LOGFONTA lf{};
  lf.lfHeight = -12;
  HPEN pen = CreatePen(PS_DASH, 1, RGB(1, 2, 3));
  HBRUSH brush = CreateSolidBrush(RGB(4, 5, 6));
  HFONT font = CreateFontIndirectA(&lf);
  HGDIOBJ oldPen = SelectObject(s.dc, pen), oldBrush = SelectObject(s.dc, brush),
          oldFont = SelectObject(s.dc, font);
  SetTextColor(s.dc, RGB(7, 8, 9));
  SetBkColor(s.dc, RGB(10, 11, 12));
  SetBkMode(s.dc, OPAQUE);
  SetViewportOrgEx(s.dc, 3, 2, nullptr);
  IntersectClipRect(s.dc, 1, 1, 58, 44);
  MoveToEx(s.dc, 7, 5, nullptr);

  TFont textFont;
  TIllumination illumination;
  illumination.SetShadowDepth(4);
  TGradient gradient;
  gradient.SetActive(true);
  gradient.SetToColor(clRed);
  gradient.SetOrientation(fgdVertConvergent);
  auto glyph = MakeBitmap(5, 4, Glyph);
  auto monoGlyph = MakeBitmap(
      5, 4, [](int x, int y) { return Glyph(x, y) == kBlack ? kBlack : kWhite; }, true);
  auto painted = MakeBitmap(5, 4, Glyph);
  painted->Canvas()->Pixels(0, 0);  // a bitmap whose canvas already has its DC
  TCanvas canvas;
  canvas.SetHandle(s.dc);

  const RECT r{2, 3, 50, 40};
  struct Case {
    const char* name;
    std::function<void(HDC)> run;
  } cases[] = {
      {"DrawTextInRect", [&](HDC dc) { DrawTextInRect(dc, r, "Ag", fstRaised, &textFont, 0); }},
      {"DrawTextInRect pushed",
       [&](HDC dc) { DrawTextInRect(dc, r, "Ag", fstPushed, &textFont, DT_CENTER); }},
      {"DrawTextInRectWithAlign",
       [&](HDC dc) { DrawTextInRectWithAlign(dc, r, "Ag", fhaRight, fvaBottom, fstShadow, &textFont, 0); }},
      {"ExtTextOutExt",
       [&](HDC dc) {
         ExtTextOutExt(dc, 4, 4, r, "Ag", fstRecessed, true, false, clRed, clBlack, clBtnHighlight,
                       clBtnShadow, &illumination, nullptr, &textFont);
       }},
      {"ExtTextOutExt with gradient",
       [&](HDC dc) {
         ExtTextOutExt(dc, 4, 4, r, "Ag", fstVolumetric, false, false, clRed, clBlack, clBtnHighlight,
                       clBtnShadow, &illumination, &gradient, &textFont);
       }},
      {"DrawTextExtAligned broadwise",
       [&](HDC) {
         DrawTextExtAligned(&canvas, "a b c d e f g h", RECT{2, 2, 20, 40}, ftaBroadwise, false);
       }},
      {"DrawTextExtAligned centred",
       [&](HDC) {
         DrawTextExtAligned(&canvas, "a b c d e f g h", RECT{2, 2, 20, 40}, ftaCenter, true);
       }},
      {"DrawBox",
       [&](HDC dc) {
         for (int style = 0; style <= 7; ++style) {
           RECT box = r;
           DrawBox(dc, box, static_cast<TzuBoxStyle>(style), 0, false);
         }
       }},
      {"DrawBoxEx",
       [&](HDC dc) {
         DrawBoxEx(dc, r, TzuSides{fsdLeft, fsdTop, fsdRight, fsdBottom}, bvRaised, bvLowered, true,
                   clBtnFace, false);
       }},
      {"GradientBox", [&](HDC dc) { GradientBox(dc, r, &gradient, PS_SOLID, 1); }},
      {"CreateBitmapExt tiled, disabled, transparent",
       [&](HDC dc) {
         CreateBitmapExt(dc, glyph.get(), r, 1, 1, fwoTile, fdsDisabled, true, clWhite, clBlack);
       }},
      {"CreateBitmapExt stretched, delicate, transparent",
       [&](HDC dc) {
         CreateBitmapExt(dc, painted.get(), r, 0, 0, fwoStretch, fdsDelicate, true, clBlack, clBlack);
       }},
      {"CreateBitmapExt 1-bit, proportional",
       [&](HDC dc) {
         CreateBitmapExt(dc, monoGlyph.get(), r, 0, 0, fwoPropStretch, fdsDisabled, false, clWhite, clBlack);
       }},
      {"DrawBitmapExt",
       [&](HDC dc) { DrawBitmapExt(dc, glyph.get(), r, 2, 2, fwoNone, fdsDefault, true, clWhite, clBlack); }},
      {"ChangeBitmapColor", [&](HDC) { ChangeBitmapColor(painted.get(), clWhite, clRed); }},
      {"GetTransparentColor", [&](HDC) { GetTransparentColor(glyph.get(), ftcLeftBottomPixel); }},
  };
  // The fonts' own handles and the canvas's font, pen and brush exist before the snapshots.
  textFont.Handle();
  canvas.Handle();
  for (const Case& c : cases) {
    const DCSnapshot before = Snapshot(s.dc);
    c.run(s.dc);
    EXPECT_EQ(Snapshot(s.dc), before) << c.name;
  }
  EXPECT_FALSE(glyph->Canvas()->HandleAllocated());

  canvas.SetHandle(nullptr);
  SelectObject(s.dc, oldPen);
  SelectObject(s.dc, oldBrush);
  SelectObject(s.dc, oldFont);
  DeleteObject(pen);
  DeleteObject(brush);
  DeleteObject(font);
}

}  // namespace
}  // namespace zu
