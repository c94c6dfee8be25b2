#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "lib/styles/zuCommCl.h"
#include "lib/utils/zuUtils.h"
#include "platform/graphics/Gdi.h"
#include "platform/graphics/GdiText.h"
#include "platform/graphics/Graphics.h"
#include "platform/graphics/Surface.h"
#include "tests/platform/graphics/Surface.h"
#include "platform/graphics/SysColors.h"

namespace zu {
namespace {

using namespace win;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kHighlight = RGB(0x20, 0xE0, 0x20);
constexpr COLORREF kShadow = RGB(0x90, 0x10, 0x10);

using Surface = test::TestSurface;

// One copy of the string: its colour and its offset from the plain position.
struct Pass {
  COLORREF color;
  int dx, dy;
};

// Passes written as "H0,0 S2,2 T1,1": a letter naming a colour, then the offset.
std::vector<Pass> ParsePasses(const std::string& text, const std::map<char, COLORREF>& colors) {
  std::vector<Pass> passes;
  std::istringstream in(text);
  std::string token;
  while (in >> token) {
    Pass p{colors.at(token[0]), 0, 0};
    std::sscanf(token.c_str() + 1, "%d,%d", &p.dx, &p.dy);
    passes.push_back(p);
  }
  return passes;
}

// What the passes paint on a surface of `background`: the ink of `mask` (anything not white)
// moved by each pass's offset, inside `clip`, later passes over earlier ones.
std::vector<COLORREF> Compose(const Surface& mask, COLORREF background, const std::vector<Pass>& passes,
                              RECT clip) {
  std::vector<COLORREF> out(size_t(mask.Width()) * size_t(mask.Height()), background);
  const int left = std::max(0, int(clip.left)), top = std::max(0, int(clip.top));
  const int right = std::min(mask.Width(), int(clip.right)),
            bottom = std::min(mask.Height(), int(clip.bottom));
  for (const Pass& p : passes)
    for (int y = 0; y < mask.Height(); ++y)
      for (int x = 0; x < mask.Width(); ++x) {
        const int tx = x + p.dx, ty = y + p.dy;
        if (mask.At(x, y) == kWhite || tx < left || ty < top || tx >= right || ty >= bottom) continue;
        out[size_t(ty) * size_t(mask.Width()) + size_t(tx)] = p.color;
      }
  return out;
}

int Ink(const Surface& mask) {
  int n = 0;
  for (COLORREF c : mask.Pixels()) n += c != kWhite;
  return n;
}

class StyledText : public ::testing::Test {
 protected:
  void SetUp() override {
    const int indices[] = {COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW};
    const COLORREF colors[] = {kHighlight, kShadow};
    SetSysColors(2, indices, colors);
    font.SetName("MS Sans Serif");
    font.SetHeight(-16);
    font.SetStyle(TFontStyles{fsBold});
    font.SetColor(ToColor(RGB(0, 0, 0xC0)));
  }
  void TearDown() override { ResetSysColors(); }

  // The string in black at its plain position, drawn as DrawTextA draws it.
  void DrawTextMask(Surface& mask, const RECT& rect, const std::string& text, UINT format) {
    HGDIOBJ old = SelectObject(mask.dc, font.Handle());
    SetBkMode(mask.dc, TRANSPARENT);
    RECT r = rect;
    DrawTextA(mask.dc, text.data(), int(text.size()), &r, format);
    SelectObject(mask.dc, old);
  }
  // The string in black written at (x, y).
  void TextOutMask(Surface& mask, int x, int y, const std::string& text) {
    HGDIOBJ old = SelectObject(mask.dc, font.Handle());
    SetBkMode(mask.dc, TRANSPARENT);
    TextOutA(mask.dc, x, y, text.data(), int(text.size()));
    SelectObject(mask.dc, old);
  }

  TFont font;
};

TEST_F(StyledText, DrawTextInRectPassesPerStyle) {
  const COLORREF F = RGB(0, 0, 0xC0);
  const std::map<char, COLORREF> colors{{'H', kHighlight}, {'S', kShadow}, {'F', F}};
  struct Case {
    TzuTextStyle style;
    const char* passes;
  } cases[] = {
      {fstNone, "F0,0"},          {fstRaised, "H-1,-1 S1,1 F0,0"}, {fstRecessed, "S-1,-1 H1,1 F0,0"},
      {fstPushed, "H0,0 S-1,-1"}, {fstShadow, "S2,2 F0,0"},        {fstVolumetric, "F0,0"},
  };
  const RECT rect{6, 4, 70, 30};
  // Format 0 stands for single line, vertically centred; other formats are used as given.
  const struct {
    UINT format, drawn;
  } formats[] = {{0, DT_SINGLELINE | DT_VCENTER}, {DT_CENTER | DT_BOTTOM | DT_SINGLELINE, 0x29}};
  for (const auto& f : formats) {
    Surface mask(80, 36);
    DrawTextMask(mask, rect, "Ag!", f.drawn);
    ASSERT_GT(Ink(mask), 30);
    for (const Case& c : cases) {
      Surface s(80, 36);
      DrawTextInRect(s.dc, rect, "Ag!", c.style, &font, f.format);
      EXPECT_EQ(s.Pixels(), Compose(mask, kWhite, ParsePasses(c.passes, colors), RECT{0, 0, 80, 36}))
          << "style " << int(c.style) << " format " << f.format;
    }
  }
}

TEST_F(StyledText, DrawTextInRectNullFontDrawsNothing) {
  Surface s(40, 20);
  DrawTextInRect(s.dc, RECT{0, 0, 40, 20}, "Ag", fstRaised, nullptr, 0);
  DrawTextInRectWithAlign(s.dc, RECT{0, 0, 40, 20}, "Ag", fhaCenter, fvaCenter, fstRaised, nullptr, 0);
  EXPECT_EQ(s.Pixels(), Surface(40, 20).Pixels());
}

TEST_F(StyledText, AlignmentsAddTheirFlags) {
  struct Case {
    TzuHorAlign h;
    TzuVertAlign v;
    UINT format, expected;
  } cases[] = {
      {fhaLeft, fvaTop, 0, DT_SINGLELINE | DT_VCENTER},  // nothing added: format 0 still means 36
      {fhaCenter, fvaTop, DT_SINGLELINE, DT_SINGLELINE | DT_CENTER},
      {fhaRight, fvaCenter, DT_SINGLELINE, DT_SINGLELINE | DT_RIGHT | DT_VCENTER},
      {fhaLeft, fvaBottom, DT_SINGLELINE, DT_SINGLELINE | DT_BOTTOM},
      {fhaCenter, fvaCenter, 0, DT_CENTER | DT_VCENTER},  // not single line: no vertical centring
  };
  const RECT rect{2, 2, 78, 34};
  for (const Case& c : cases) {
    Surface expected(80, 36), actual(80, 36);
    DrawTextInRect(expected.dc, rect, "Ag", fstRaised, &font, c.expected);
    DrawTextInRectWithAlign(actual.dc, rect, "Ag", c.h, c.v, fstRaised, &font, c.format);
    EXPECT_EQ(actual.Pixels(), expected.Pixels()) << int(c.h) << " " << int(c.v);
  }
}

struct ExtCase {
  TzuTextStyle style;
  bool delineate, skipEffects;
  int shadowDepth;  // -1: no illumination
  const char* passes;
};

TEST_F(StyledText, ExtTextOutExtPassesPerStyle) {
  const COLORREF T = RGB(0xC0, 0, 0), D = RGB(0, 0, 0);
  const std::map<char, COLORREF> colors{{'H', kHighlight}, {'S', kShadow}, {'T', T}, {'D', D}};
  const ExtCase cases[] = {
      {fstNone, false, false, -1, "T0,0"},
      {fstRaised, false, false, -1, "H0,0 S2,2 T1,1"},
      {fstRecessed, false, false, -1, "S0,0 H2,2 T1,1"},
      {fstPushed, false, false, -1, "H1,1 S0,0"},
      {fstShadow, false, false, -1, "S2,2 T0,0"},
      {fstVolumetric, false, false, -1, "S1,1 S2,2 T0,0"},
      {fstNone, true, false, -1, "D0,0 D2,2 D0,2 D2,0 T1,1"},
      {fstRaised, true, false, -1, "H0,0 S4,4 D1,1 D3,3 D1,3 D3,1 T2,2"},
      {fstRecessed, true, false, -1, "S0,0 H4,4 D1,1 D3,3 D1,3 D3,1 T2,2"},
      {fstPushed, true, false, -1, "H1,1 S0,0"},
      {fstShadow, true, false, -1, "S3,3 D0,0 D2,2 D0,2 D2,0 T1,1"},
      {fstVolumetric, true, false, -1, "S1,1 S2,2 D0,0 D2,2 D0,2 D2,0 T1,1"},
      // Skipping effects keeps the string's offset and pushed text's passes.
      {fstRaised, false, true, -1, "T1,1"},
      {fstRecessed, true, true, -1, "T2,2"},
      {fstPushed, true, true, -1, "H1,1 S0,0"},
      {fstShadow, false, true, -1, "T0,0"},
      {fstShadow, true, true, -1, "T1,1"},
      {fstVolumetric, false, true, -1, "T0,0"},
      {fstNone, true, true, -1, "T1,1"},
      // The illumination's shadow depth.
      {fstShadow, false, false, 5, "S5,5 T0,0"},
      {fstShadow, true, false, 0, "S1,1 D0,0 D2,2 D0,2 D2,0 T1,1"},
      {fstVolumetric, false, false, 3, "S1,1 S2,2 S3,3 T0,0"},
      {fstVolumetric, false, false, 0, "T0,0"},
      {fstRaised, false, false, 7, "H0,0 S2,2 T1,1"},
  };
  const int x = 5, y = 3;
  Surface mask(80, 36);
  TextOutMask(mask, x, y, "Ag!");
  ASSERT_GT(Ink(mask), 30);
  for (const ExtCase& c : cases) {
    TIllumination illumination;
    illumination.SetShadowDepth(c.shadowDepth);
    Surface s(80, 36);
    ExtTextOutExt(s.dc, x, y, RECT{0, 0, 80, 36}, "Ag!", c.style, c.delineate, c.skipEffects, ToColor(T),
                  ToColor(D), clBtnHighlight, clBtnShadow, c.shadowDepth < 0 ? nullptr : &illumination,
                  nullptr, &font);
    EXPECT_EQ(s.Pixels(), Compose(mask, kWhite, ParsePasses(c.passes, colors), RECT{0, 0, 80, 36}))
        << "style " << int(c.style) << " delineate " << c.delineate << " skip " << c.skipEffects << " depth "
        << c.shadowDepth;
  }
}

TEST_F(StyledText, ExtTextOutExtClipsEveryPass) {
  const COLORREF T = RGB(0xC0, 0, 0), D = RGB(0, 0, 0);
  const RECT clip{8, 6, 30, 16};
  Surface mask(80, 36), s(80, 36);
  TextOutMask(mask, 5, 3, "Ag!");
  ExtTextOutExt(s.dc, 5, 3, clip, "Ag!", fstRaised, true, false, ToColor(T), ToColor(D), clBtnHighlight,
                clBtnShadow, nullptr, nullptr, &font);
  const std::map<char, COLORREF> colors{{'H', kHighlight}, {'S', kShadow}, {'T', T}, {'D', D}};
  EXPECT_EQ(s.Pixels(),
            Compose(mask, kWhite, ParsePasses("H0,0 S4,4 D1,1 D3,3 D1,3 D3,1 T2,2", colors), clip));
}

TEST_F(StyledText, ExtTextOutExtFinalPassThroughGradient) {
  const COLORREF T = RGB(0xC0, 0, 0);
  const RECT clip{0, 0, 80, 36};
  TGradient gradient;
  gradient.SetToColor(clRed);
  gradient.SetActive(true);
  // The gradient's own rendering of the string at the plain position.
  Surface reference(80, 36), mask(80, 36);
  TextOutMask(mask, 5, 3, "Ag!");
  {
    HGDIOBJ old = SelectObject(reference.dc, font.Handle());
    SetBkMode(reference.dc, TRANSPARENT);
    gradient.TextOut(reference.dc, "Ag!", clip, 5, 3);
    SelectObject(reference.dc, old);
  }
  Surface s(80, 36);
  ExtTextOutExt(s.dc, 5, 3, clip, "Ag!", fstShadow, false, false, ToColor(T), clBlack, clBtnHighlight,
                clBtnShadow, nullptr, &gradient, &font);
  std::vector<COLORREF> expected = Compose(mask, kWhite, {{kShadow, 2, 2}}, clip);
  int gradientInk = 0;
  for (int y = 0; y < 36; ++y)
    for (int x = 0; x < 80; ++x)
      if (mask.At(x, y) != kWhite) {
        expected[size_t(y) * 80 + size_t(x)] = reference.At(x, y);
        gradientInk += reference.At(x, y) != T;
      }
  EXPECT_EQ(s.Pixels(), expected);
  EXPECT_GT(gradientInk, 0);

  // An inactive gradient writes plain text in the text colour.
  gradient.SetActive(false);
  Surface plain(80, 36), viaGradient(80, 36);
  ExtTextOutExt(plain.dc, 5, 3, clip, "Ag!", fstShadow, false, false, ToColor(T), clBlack, clBtnHighlight,
                clBtnShadow, nullptr, nullptr, &font);
  ExtTextOutExt(viaGradient.dc, 5, 3, clip, "Ag!", fstShadow, false, false, ToColor(T), clBlack,
                clBtnHighlight, clBtnShadow, nullptr, &gradient, &font);
  EXPECT_EQ(viaGradient.Pixels(), plain.Pixels());
}

TEST_F(StyledText, ExtTextOutExtHugeShadowDepthEnds) {
  // The largest depth returns, having drawn every copy that reaches into the clip.
  TIllumination deep;
  deep.SetShadowDepth(INT_MAX);
  Surface mask(60, 30), s(60, 30);
  TextOutMask(mask, 2, 2, "Ag");
  ExtTextOutExt(s.dc, 2, 2, RECT{0, 0, 60, 30}, "Ag", fstVolumetric, false, false, clBlack, clBlack,
                clBtnHighlight, clBtnShadow, &deep, nullptr, &font);
  std::vector<Pass> passes;
  for (int i = 1; i <= 60; ++i) passes.push_back({kShadow, i, i});
  passes.push_back({RGB(0, 0, 0), 0, 0});
  EXPECT_EQ(s.Pixels(), Compose(mask, kWhite, passes, RECT{0, 0, 60, 30}));
  // A shadow whose offset leaves the coordinate range is left out; the string is drawn.
  Surface shadowless(60, 30);
  ExtTextOutExt(shadowless.dc, 2, 2, RECT{0, 0, 60, 30}, "Ag", fstShadow, false, false, clBlack, clBlack,
                clBtnHighlight, clBtnShadow, &deep, nullptr, &font);
  EXPECT_EQ(shadowless.Pixels(), Compose(mask, kWhite, {{RGB(0, 0, 0), 0, 0}}, RECT{0, 0, 60, 30}));
}

TEST_F(StyledText, ExtTextOutExtNullFontDrawsNothing) {
  Surface s(40, 20);
  ExtTextOutExt(s.dc, 0, 0, RECT{0, 0, 40, 20}, "Ag", fstPushed, true, false, clBlack, clBlack,
                clBtnHighlight, clBtnShadow, nullptr, nullptr, nullptr);
  EXPECT_EQ(s.Pixels(), Surface(40, 20).Pixels());
}

// A canvas drawing in black Courier over a transparent background on a surface.
struct TextCanvas {
  explicit TextCanvas(int w, int h) : surface(w, h) {
    canvas.SetHandle(surface.dc);
    canvas.Font()->SetName("Courier");
    canvas.Font()->SetHeight(-13);
    canvas.Font()->SetColor(clBlack);
    canvas.Brush()->SetStyle(bsClear);
  }
  void Word(int x, int y, const std::string& text) {
    TextOutA(canvas.Handle(), x, y, text.data(), int(text.size()));
  }
  bool Blank() const { return surface.Pixels() == Surface(surface.Width(), surface.Height()).Pixels(); }
  Surface surface;
  TCanvas canvas;
};

TEST(DrawTextExtAligned, PlainAlignmentsUseDrawTextFlags) {
  struct Case {
    TzuAlignment alignment;
    bool wordWrap;
    UINT format;
  } cases[] = {
      {ftaLeftJustify, false, DT_EXPANDTABS},
      {ftaLeftJustify, true, DT_EXPANDTABS | DT_WORDBREAK},
      {ftaRightJustify, true, DT_EXPANDTABS | DT_WORDBREAK | DT_RIGHT},
      {ftaCenter, true, DT_EXPANDTABS | DT_WORDBREAK | DT_CENTER},
      {ftaCenter, false, DT_EXPANDTABS | DT_CENTER},
  };
  const std::string text = "one\ttwo three four";
  const RECT rect{3, 2, 90, 60};
  for (const Case& c : cases) {
    TextCanvas expected(100, 64), actual(100, 64);
    RECT r = rect;
    DrawTextA(expected.canvas.Handle(), text.data(), int(text.size()), &r, c.format);
    DrawTextExtAligned(&actual.canvas, text, rect, c.alignment, c.wordWrap);
    ASSERT_FALSE(expected.Blank());
    EXPECT_EQ(actual.surface.Pixels(), expected.surface.Pixels()) << int(c.alignment) << " " << c.wordWrap;
  }
}

TEST(DrawTextExtAligned, BroadwiseLines) {
  TextCanvas probe(10, 10);
  SIZE one, four;
  GetTextExtentPoint32A(probe.canvas.Handle(), "a", 1, &one);
  GetTextExtentPoint32A(probe.canvas.Handle(), "aaaa", 4, &four);
  const int cw = one.cx, lh = one.cy;
  ASSERT_GT(cw, 0);
  ASSERT_EQ(four.cx, 4 * cw) << "a monospace face is needed";
  const int L = 5, T = 3;
  struct Word {
    int x, line;
    const char* text;
  };
  struct Case {
    const char* text;
    int widthInChars;
    std::vector<Word> words;
  } cases[] = {
      // One line that fits keeps natural spacing, leading spaces included.
      {"aa bb", 20, {{0, 0, "aa bb"}}},
      {"  aa bb", 20, {{0, 0, "  aa bb"}}},
      // Two lines: the first spreads one spare character over its two gaps, the last is natural
      // and loses its leading space.
      {"aa bb cc dd", 9, {{0, 0, "aa"}, {int(2.5 * cw), 0, " bb"}, {6 * cw, 0, " cc"}, {0, 1, "dd"}}},
      {"aa bb cc dd ee ff gg",
       9,
       {{0, 0, "aa"},
        {int(2.5 * cw), 0, " bb"},
        {6 * cw, 0, " cc"},
        {0, 1, "dd"},
        {int(2.5 * cw), 1, " ee"},
        {6 * cw, 1, " ff"},
        {0, 2, "gg"}}},
      // Later lines never begin with spaces; a one-word line is not stretched.
      {"aa   bb", 3, {{0, 0, "aa"}, {0, 1, "bb"}}},
      // A word longer than the line stands alone, drawn whole past the right edge.
      {"abcdefgh ab", 4, {{0, 0, "abcdefgh"}, {0, 1, "ab"}}},
      {"ab abcdefgh", 4, {{0, 0, "ab"}, {0, 1, "abcdefgh"}}},
  };
  for (const Case& c : cases) {
    TextCanvas expected(160, 64), actual(160, 64);
    for (const Word& w : c.words) expected.Word(L + w.x, T + w.line * lh, w.text);
    DrawTextExtAligned(&actual.canvas, c.text, RECT{L, T, L + c.widthInChars * cw, T + 5}, ftaBroadwise,
                       true);
    EXPECT_EQ(actual.surface.Pixels(), expected.surface.Pixels()) << c.text;
  }
}

TEST(DrawTextExtAligned, EmptyTextOrNullCanvasDrawsNothing) {
  TextCanvas c(40, 20);
  for (TzuAlignment a : {ftaLeftJustify, ftaBroadwise})
    DrawTextExtAligned(&c.canvas, "", RECT{0, 0, 40, 20}, a, true);
  DrawTextExtAligned(nullptr, "text", RECT{0, 0, 40, 20}, ftaBroadwise, true);
  EXPECT_EQ(c.surface.Pixels(), Surface(40, 20).Pixels());
}

TEST(CreateRotatedFont, LogicalFontFromTheFont) {
  struct Case {
    TFontStyles style;
    TFontPitch pitch;
    LONG weight;
    BYTE italic, underline, strikeOut, pitchAndFamily;
  } cases[] = {
      {TFontStyles{}, fpDefault, 400, 0, 0, 0, 0},
      {TFontStyles{fsBold}, fpVariable, 700, 0, 0, 0, 2},
      {TFontStyles{fsItalic, fsUnderline}, fpFixed, 400, 1, 1, 0, 1},
      {TFontStyles{fsBold, fsStrikeOut}, fpDefault, 700, 0, 0, 1, 0},
  };
  for (const Case& c : cases) {
    TFont font;
    font.SetName("Courier");
    font.SetHeight(-21);
    font.SetCharset(204);
    font.SetStyle(c.style);
    font.SetPitch(c.pitch);
    const int before = GdiObjectCount();
    HFONT rotated = CreateRotatedFont(&font, 900);
    ASSERT_NE(rotated, nullptr);
    EXPECT_EQ(GdiObjectCount(), before + 1);  // the caller's to delete
    LOGFONTA lf;
    ASSERT_NE(GetObjectA(rotated, sizeof lf, &lf), 0);
    EXPECT_EQ(lf.lfHeight, -21);
    EXPECT_EQ(lf.lfWidth, 0);
    EXPECT_EQ(lf.lfEscapement, 900);
    EXPECT_EQ(lf.lfOrientation, 0);
    EXPECT_EQ(lf.lfWeight, c.weight);
    EXPECT_EQ(lf.lfItalic, c.italic);
    EXPECT_EQ(lf.lfUnderline, c.underline);
    EXPECT_EQ(lf.lfStrikeOut, c.strikeOut);
    EXPECT_EQ(lf.lfCharSet, 204);
    EXPECT_EQ(lf.lfOutPrecision + lf.lfClipPrecision + lf.lfQuality, 0);
    EXPECT_EQ(lf.lfPitchAndFamily, c.pitchAndFamily);
    EXPECT_STREQ(lf.lfFaceName, "Courier");
    DeleteObject(rotated);
  }
}

TEST(CreateRotatedFont, LongNameCutAndNullFont) {
  TFont font;
  font.SetName(std::string(40, 'x'));
  HFONT rotated = CreateRotatedFont(&font, -450);
  LOGFONTA lf;
  ASSERT_NE(GetObjectA(rotated, sizeof lf, &lf), 0);
  EXPECT_EQ(std::string(lf.lfFaceName), std::string(31, 'x'));
  EXPECT_EQ(lf.lfEscapement, -450);
  DeleteObject(rotated);
  EXPECT_EQ(CreateRotatedFont(nullptr, 0), nullptr);
}

}  // namespace
}  // namespace zu
