// Fonts and text: metrics, extents, placement by DrawTextA's flags, clipping, rotation, styles.
#include <cstring>
#include <string>

#include "Surface.h"

namespace zu::test {
namespace {

using Text = GdiTest;

// A font owned by the test: a logical font from the arguments, deleted with the object.
class Font {
 public:
  explicit Font(int height, const char* face = "MS Sans Serif", int escapement = 0, int weight = FW_NORMAL) {
    FLog.lfHeight = height;
    FLog.lfEscapement = escapement;
    FLog.lfWeight = weight;
    std::strncpy(FLog.lfFaceName, face, LF_FACESIZE - 1);
  }
  Font& Underline() { return FLog.lfUnderline = 1, *this; }
  Font& StrikeOut() { return FLog.lfStrikeOut = 1, *this; }
  // Sets a byte field of the logical font (character set, pitch and family, quality).
  Font& Set(BYTE LOGFONTA::*field, BYTE value) { return FLog.*field = value, *this; }
  HFONT Handle() {
    if (!FHandle) FHandle = CreateFontIndirectA(&FLog);
    return FHandle;
  }
  ~Font() { DeleteObject(FHandle); }

 private:
  LOGFONTA FLog{};
  HFONT FHandle = nullptr;
};

// A white surface with `font` selected, black text, transparent background.
struct TextSurface : TestSurface {
  TextSurface(int w, int h, HFONT font) : TestSurface(w, h) {
    FOld = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
  }
  ~TextSurface() { SelectObject(dc, FOld); }
  SIZE Extent(const char* text) {
    SIZE size;
    GetTextExtentPoint32A(dc, text, int(std::strlen(text)), &size);
    return size;
  }
  HGDIOBJ FOld;
};

TEST_F(Text, HeightsSelectTheCharacterOrTheCell) {
  for (int height : {8, 11, 13, 20, 32}) {
    Font byChar(-height), byCell(height);
    TextSurface s(1, 1, byChar.Handle());
    TEXTMETRICA tm;
    ASSERT_TRUE(GetTextMetricsA(s.dc, &tm));
    EXPECT_EQ(tm.tmAscent + tm.tmDescent, tm.tmHeight);
    EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, height) << "em height " << height;
    EXPECT_GT(tm.tmAveCharWidth, 0);
    SelectObject(s.dc, byCell.Handle());
    GetTextMetricsA(s.dc, &tm);
    EXPECT_LE(tm.tmHeight, height) << "cell height " << height;
    EXPECT_GE(tm.tmHeight, height - 2) << "cell height " << height;
  }
}

TEST_F(Text, ExtentAgreesWithTheInkDrawn) {
  Font font(-16);
  TextSurface s(200, 40, font.Handle());
  SIZE size = s.Extent("Hello, World");
  EXPECT_EQ(s.Extent("").cx, 0);
  EXPECT_EQ(s.Extent("Hello,").cx + s.Extent(" World").cx, size.cx) << "advances add up";
  TEXTMETRICA tm;
  GetTextMetricsA(s.dc, &tm);
  EXPECT_EQ(size.cy, tm.tmHeight);
  TextOutA(s.dc, 10, 5, "Hello, World", 12);
  RECT ink = s.InkBox(kWhite);
  EXPECT_GE(ink.left, 10);
  EXPECT_LE(ink.left, 12);
  EXPECT_LE(ink.right, 10 + size.cx);
  EXPECT_GE(ink.right, 10 + size.cx - 3);
  EXPECT_GE(ink.top, 5);
  EXPECT_LE(ink.bottom, 5 + tm.tmAscent + tm.tmDescent);
  EXPECT_LE(ink.top, 5 + tm.tmInternalLeading + 2) << "capitals reach near the top of the em";
  EXPECT_GT(ink.bottom, 5 + tm.tmAscent) << "the comma descends below the baseline";
}

TEST_F(Text, OpaqueBackgroundFillsExactlyTheTextCell) {
  Font font(-12);
  TextSurface s(100, 30, font.Handle());
  SetBkMode(s.dc, OPAQUE);
  SetBkColor(s.dc, kRed);
  SetTextColor(s.dc, kBlue);
  TextOutA(s.dc, 3, 4, "Ag", 2);
  SIZE size = s.Extent("Ag");
  EXPECT_EQ(s.InkBox(kWhite), (RECT{3, 4, 3 + size.cx, 4 + size.cy}));
  EXPECT_GT(s.Count(kBlue), 10);
  EXPECT_EQ(s.Count(kRed) + s.Count(kBlue), size.cx * size.cy);
}

TEST_F(Text, TextAlignmentMovesTheReferencePoint) {
  Font font(-12);
  TextSurface s(100, 40, font.Handle());
  SetBkMode(s.dc, OPAQUE);
  SetBkColor(s.dc, kRed);
  SIZE size = s.Extent("Right");
  TEXTMETRICA tm;
  GetTextMetricsA(s.dc, &tm);
  EXPECT_EQ(SetTextAlign(s.dc, TA_RIGHT | TA_BASELINE), TA_LEFT | TA_TOP);
  TextOutA(s.dc, 90, 30, "Right", 5);
  EXPECT_EQ(s.InkBox(kWhite), (RECT{90 - size.cx, 30 - tm.tmAscent, 90, 30 + tm.tmDescent}));
}

TEST_F(Text, DrawTextPlacesTextAsItsFlagsSay) {
  Font font(-12);
  TEXTMETRICA tm;
  SIZE word;
  {
    TextSurface probe(1, 1, font.Handle());
    GetTextMetricsA(probe.dc, &tm);
    word = probe.Extent("Wide");
  }
  RECT area{10, 10, 110, 70};
  struct Case {
    UINT format;
    int left, top;  // where the cell of "Wide" must start
  } cases[] = {
      {DT_LEFT | DT_TOP, 10, 10},
      {DT_RIGHT, 110 - word.cx, 10},
      {DT_CENTER, 10 + (100 - word.cx) / 2, 10},
      {DT_SINGLELINE | DT_VCENTER, 10, 10 + 60 / 2 - tm.tmHeight / 2},
      {DT_SINGLELINE | DT_BOTTOM | DT_RIGHT, 110 - word.cx, 70 - tm.tmHeight},
      {DT_VCENTER, 10, 10},  // vertical alignment needs a single line
  };
  for (const Case& c : cases) {
    TextSurface s(120, 80, font.Handle());
    SetBkMode(s.dc, OPAQUE);
    SetBkColor(s.dc, kRed);
    RECT r = area;
    int height = DrawTextA(s.dc, "Wide", -1, &r, c.format);
    EXPECT_EQ(r, area) << "only DT_CALCRECT changes the rectangle";
    EXPECT_EQ(s.InkBox(kWhite), (RECT{c.left, c.top, c.left + word.cx, c.top + tm.tmHeight}))
        << "format " << c.format;
    EXPECT_EQ(height, c.top - 10 + tm.tmHeight) << "format " << c.format;
  }
}

// Vertical centring halves the rectangle and the text each with integer division; the result is
// the offset of the text's bottom from the rectangle's top, and DT_CALCRECT moves the bottom there.
TEST_F(Text, VerticalCentringHalvesRectangleAndTextEachOnItsOwn) {
  Font font(-12);
  TEXTMETRICA tm;
  {
    TextSurface probe(1, 1, font.Handle());
    GetTextMetricsA(probe.dc, &tm);
  }
  const int cy = tm.tmHeight;
  for (int top : {0, 5}) {
    for (int h : {cy, cy + 1, cy + 6, cy + 7, 2 * cy, cy - 3, 1}) {
      int want = top + h / 2 - cy / 2;
      TextSurface s(60, 80, font.Handle());
      SetBkMode(s.dc, OPAQUE);
      SetBkColor(s.dc, kRed);
      RECT r{2, top, 58, top + h};
      EXPECT_EQ(DrawTextA(s.dc, "Ab", -1, &r, DT_SINGLELINE | DT_VCENTER | DT_NOCLIP), want - top + cy)
          << "h " << h;
      EXPECT_EQ(s.InkBox(kWhite).top, std::max(want, 0)) << "h " << h;
      RECT calc{2, top, 58, top + h};
      EXPECT_EQ(DrawTextA(s.dc, "Ab", -1, &calc, DT_SINGLELINE | DT_VCENTER | DT_CALCRECT), want - top + cy)
          << "h " << h;
      EXPECT_EQ(calc.top, top);
      EXPECT_EQ(calc.bottom, want + cy) << "h " << h;
    }
  }
}

TEST_F(Text, WordBreakWrapsBeforeTheRightEdgeAndCalcRectMeasures) {
  Font font(-12);
  TextSurface s(200, 100, font.Handle());
  TEXTMETRICA tm;
  GetTextMetricsA(s.dc, &tm);
  int one = s.Extent("alpha beta").cx;
  RECT r{0, 0, one + 2, 100};  // "alpha beta" fits, "alpha beta gamma" does not
  RECT calc = r;
  EXPECT_EQ(DrawTextA(s.dc, "alpha beta gamma", -1, &calc, DT_WORDBREAK | DT_CALCRECT), 2 * tm.tmHeight);
  EXPECT_EQ(calc, (RECT{0, 0, one, 2 * tm.tmHeight}));
  EXPECT_EQ(s.InkBox(kWhite), (RECT{})) << "DT_CALCRECT draws nothing";
  SetBkMode(s.dc, OPAQUE);
  SetBkColor(s.dc, kRed);
  EXPECT_EQ(DrawTextA(s.dc, "alpha beta gamma", -1, &r, DT_WORDBREAK), 2 * tm.tmHeight);
  int gamma = s.Extent("gamma").cx;
  // First line "alpha beta", second "gamma" at the left edge: the break's space is dropped.
  EXPECT_EQ(s.InkBox(kWhite), (RECT{0, 0, one, 2 * tm.tmHeight}));
  EXPECT_EQ(s.Raw(gamma, tm.tmHeight + 2), kWhite);
  EXPECT_NE(s.Raw(gamma - 1, tm.tmHeight + tm.tmAscent - 1), kWhite);
  // Without the flag it stays one line; line breaks always break unless DT_SINGLELINE.
  calc = r;
  DrawTextA(s.dc, "alpha beta gamma", -1, &calc, DT_CALCRECT);
  EXPECT_EQ(calc.bottom, tm.tmHeight);
  calc = r;
  DrawTextA(s.dc, "a\r\nb\nc", -1, &calc, DT_CALCRECT);
  EXPECT_EQ(calc.bottom, 3 * tm.tmHeight);
  calc = r;
  DrawTextA(s.dc, "a\r\nb\nc", -1, &calc, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(calc.bottom, tm.tmHeight);
  // A word wider than the line stays whole on a line of its own.
  calc = RECT{0, 0, 5, 100};
  DrawTextA(s.dc, "wonderful day", -1, &calc, DT_CALCRECT | DT_WORDBREAK);
  EXPECT_EQ(calc, (RECT{0, 0, s.Extent("wonderful").cx, 2 * tm.tmHeight}));
}

TEST_F(Text, TabsExpandAndPrefixesUnderline) {
  Font font(-12);
  TextSurface s(300, 40, font.Handle());
  TEXTMETRICA tm;
  GetTextMetricsA(s.dc, &tm);
  RECT calc{0, 0, 300, 40};
  DrawTextA(s.dc, "a\tb", -1, &calc, DT_CALCRECT | DT_EXPANDTABS);
  EXPECT_EQ(calc.right, 8 * tm.tmAveCharWidth + s.Extent("b").cx);
  calc = RECT{0, 0, 300, 40};
  DrawTextA(s.dc, "&File && more", -1, &calc, DT_CALCRECT);
  EXPECT_EQ(calc.right, s.Extent("File & more").cx);
  calc = RECT{0, 0, 300, 40};
  DrawTextA(s.dc, "&File", -1, &calc, DT_CALCRECT | DT_NOPREFIX);
  EXPECT_EQ(calc.right, s.Extent("&File").cx);
  // The prefixed letter gets a line under it that the plain text lacks.
  RECT r{0, 0, 300, 40};
  DrawTextA(s.dc, "&File", -1, &r, DT_SINGLELINE);
  int f = s.Extent("F").cx;
  int underRow = 0;
  for (int y = tm.tmAscent + 1; y < tm.tmHeight; ++y) {
    bool full = true;
    for (int x = 0; x < f - 1; ++x) full = full && s.Raw(x, y) == kBlack;
    if (full) underRow = y;
  }
  EXPECT_GT(underRow, tm.tmAscent) << "a full row of ink under F, below the baseline";
  for (int x = f + 1; x < s.Extent("File").cx; ++x) EXPECT_EQ(s.Raw(x, underRow), kWhite) << x;
}

// Text is measured where it lies: line breaks, prefixes at line ends and the end of the text,
// wrapping with tabs, and texts far longer than a line.
TEST_F(Text, CalcRectCountsLinesAndWidthsOfTheTextAsWritten) {
  Font font(-12);
  TextSurface s(1, 1, font.Handle());
  TEXTMETRICA tm;
  GetTextMetricsA(s.dc, &tm);
  struct Case {
    const char* text;
    UINT format;
    int lines;
    const char* widest;  // the line the width must be of
  } cases[] = {
      {"", 0, 0, ""},
      {"&", 0, 0, ""},
      {"ab&", 0, 1, "ab"},
      {"a\n", 0, 2, "a"},
      {"a\r\n\r\nbc", 0, 3, "bc"},
      {"x&\nyy", 0, 2, "yy"},
      {"x&&\nyy&&", 0, 2, "yy&"},
      {"&&&&", DT_SINGLELINE, 1, "&&"},
      {"a&\tb", DT_NOPREFIX, 1, "a&\tb"},
      {"wide\r\nw", DT_SINGLELINE, 1, "wide\r\nw"},
  };
  for (const Case& c : cases) {
    RECT r{0, 0, 0, 0};
    EXPECT_EQ(DrawTextA(s.dc, c.text, -1, &r, c.format | DT_CALCRECT), c.lines * tm.tmHeight) << c.text;
    EXPECT_EQ(r.right, s.Extent(c.widest).cx) << c.text;
  }
  // A long line wraps into lines of its words, each within the width; a tab at a line's start
  // moves from that line's left edge.
  std::string words;
  for (int i = 0; i < 20000; ++i) words += "word\tw ";
  RECT two{0, 0, 0, 0};
  DrawTextA(s.dc, "word\tw word\tw", -1, &two, DT_EXPANDTABS | DT_CALCRECT);
  RECT r{0, 0, two.right, 0};
  int height =
      DrawTextA(s.dc, words.c_str(), int(words.size()), &r, DT_WORDBREAK | DT_EXPANDTABS | DT_CALCRECT);
  EXPECT_EQ(height, 10000 * tm.tmHeight) << "two words a line";
  EXPECT_EQ(r.right, two.right);
}

TEST_F(Text, ExtTextOutClipsToItsRectangleAndOpaqueFillsIt) {
  Font font(-30);
  TextSurface s(100, 50, font.Handle());
  RECT clip{5, 5, 20, 20};
  ExtTextOutA(s.dc, 0, 0, ETO_CLIPPED, &clip, "MMM", 3, nullptr);
  RECT ink = s.InkBox(kWhite);
  EXPECT_GE(ink.left, 5);
  EXPECT_GE(ink.top, 5);
  EXPECT_LE(ink.right, 20);
  EXPECT_LE(ink.bottom, 20);
  EXPECT_GT(s.Count(kBlack), 20) << "the part inside is drawn";
  s.Fill(kWhite);
  SetBkColor(s.dc, kRed);
  ExtTextOutA(s.dc, 0, 0, ETO_OPAQUE | ETO_CLIPPED, &clip, "", 0, nullptr);
  EXPECT_EQ(s.InkBox(kWhite), clip);
  EXPECT_EQ(s.Count(kRed), 15 * 15);
  s.Fill(kWhite);
  const int dx[] = {30, 30};
  ExtTextOutA(s.dc, 0, 0, 0, nullptr, "ii", 2, dx);
  RECT spaced = s.InkBox(kWhite);
  EXPECT_GE(spaced.right - spaced.left, 30) << "the advances given are used";
}

TEST_F(Text, EscapementRotatesTheText) {
  Font flat(-20), up(-20, "MS Sans Serif", 900), down(-20, "MS Sans Serif", 2700);
  TextSurface s(120, 120, flat.Handle());
  SIZE size = s.Extent("Rotated");
  TextOutA(s.dc, 60, 60, "Rotated", 7);
  RECT a = s.InkBox(kWhite);
  EXPECT_GT(a.right - a.left, 3 * (a.bottom - a.top));
  s.Fill(kWhite);
  SelectObject(s.dc, up.Handle());
  EXPECT_EQ(s.Extent("Rotated").cx, size.cx) << "extents are measured along the baseline";
  TextOutA(s.dc, 60, 60, "Rotated", 7);
  RECT b = s.InkBox(kWhite);
  EXPECT_GT(b.bottom - b.top, 3 * (b.right - b.left)) << "reads upwards";
  EXPECT_LE(b.bottom, 61);
  EXPECT_GE(b.top, 60 - size.cx - 1);
  EXPECT_GE(b.left, 59);
  EXPECT_LE(b.right, 60 + size.cy + 1);
  s.Fill(kWhite);
  SelectObject(s.dc, down.Handle());
  TextOutA(s.dc, 60, 60, "Rotated", 7);
  RECT c = s.InkBox(kWhite);
  EXPECT_GE(c.top, 59) << "reads downwards";
  EXPECT_LE(c.right, 61);
  EXPECT_NEAR(c.bottom - c.top, b.bottom - b.top, 2);
}

// The metrics tell the character set and the family of the face chosen, not of the request.
TEST_F(Text, MetricsReportTheCharacterSetAndFamilyOfTheChosenFace) {
  struct Case {
    const char* face;
    BYTE charset, pitchAndFamily;  // requested
    BYTE tmCharSet, family;        // reported
    bool fixed;
  } cases[] = {
      {"MS Sans Serif", DEFAULT_CHARSET, VARIABLE_PITCH | FF_ROMAN, ANSI_CHARSET, FF_SWISS, false},
      {"MS Sans Serif", ANSI_CHARSET, FF_DONTCARE, ANSI_CHARSET, FF_SWISS, false},
      {"MS Sans Serif", 204, FF_DONTCARE, 204, FF_SWISS, false},  // the face covers Cyrillic
      {"MS Serif", DEFAULT_CHARSET, FF_SWISS, ANSI_CHARSET, FF_ROMAN, false},
      {"Courier", DEFAULT_CHARSET, VARIABLE_PITCH | FF_SWISS, ANSI_CHARSET, FF_MODERN, true},
  };
  for (const Case& c : cases) {
    Font font(-12, c.face);
    font.Set(&LOGFONTA::lfCharSet, c.charset).Set(&LOGFONTA::lfPitchAndFamily, c.pitchAndFamily);
    TextSurface s(1, 1, font.Handle());
    TEXTMETRICA tm;
    ASSERT_TRUE(GetTextMetricsA(s.dc, &tm));
    EXPECT_EQ(tm.tmCharSet, c.tmCharSet) << c.face << " " << int(c.charset);
    EXPECT_EQ(tm.tmPitchAndFamily & 0xF0, c.family) << c.face;
    EXPECT_EQ(tm.tmPitchAndFamily & 1, c.fixed ? 0 : 1) << c.face << ": the bit is set for variable pitch";
  }
}

// The quality field chooses the rendering: monochrome by default, greyscale coverage blended with
// the text colour over what lies below (the background colour in opaque mode) when antialiased.
TEST_F(Text, QualityChoosesMonochromeOrAntialiasedGlyphs) {
  struct Case {
    BYTE quality;
    bool antialiased;
  } cases[] = {{DEFAULT_QUALITY, false},
               {NONANTIALIASED_QUALITY, false},
               {PROOF_QUALITY, false},
               {ANTIALIASED_QUALITY, true},
               {CLEARTYPE_QUALITY, true}};
  SIZE plainSize{};
  {
    Font plain(-16);
    TextSurface probe(1, 1, plain.Handle());
    plainSize = probe.Extent("Sample text");
  }
  for (const Case& c : cases) {
    Font font(-16);
    font.Set(&LOGFONTA::lfQuality, c.quality);
    for (int mode : {TRANSPARENT, OPAQUE}) {
      TextSurface s(120, 24, font.Handle());
      SetBkMode(s.dc, mode);
      SetBkColor(s.dc, kRed);
      SetTextColor(s.dc, kBlue);
      TextOutA(s.dc, 2, 2, "Sample text", 11);
      EXPECT_EQ(s.Extent("Sample text").cx, plainSize.cx) << "the quality does not change the advances";
      COLORREF under = mode == OPAQUE ? kRed : kWhite;
      int between = 0, foreign = 0;
      for (COLORREF p : s.Pixels()) {
        if (p == kBlue || p == under || (mode == OPAQUE && p == kWhite)) continue;
        // Blue blended over white keeps blue full and red equal to green; over red, red and blue
        // share the weight and green stays 0.
        bool onLine = mode == OPAQUE ? GetGValue(p) == 0 && std::abs(GetRValue(p) + GetBValue(p) - 255) <= 1
                                     : GetBValue(p) == 255 && GetGValue(p) == GetRValue(p);
        ++(onLine ? between : foreign);
      }
      EXPECT_EQ(foreign, 0) << "quality " << int(c.quality) << " mode " << mode;
      if (c.antialiased)
        EXPECT_GT(between, 20) << "quality " << int(c.quality) << " mode " << mode;
      else
        EXPECT_EQ(between, 0) << "quality " << int(c.quality) << " mode " << mode;
    }
    TestSurface mono(120, 24, true);
    HGDIOBJ old = SelectObject(mono.dc, font.Handle());
    TextOutA(mono.dc, 2, 2, "Sample text", 11);
    EXPECT_EQ(mono.Count(kWhite) + mono.Count(kBlack), 120 * 24) << "a 1-bit surface stays black and white";
    EXPECT_GT(mono.Count(kBlack), 30);
    SelectObject(mono.dc, old);
  }
}

TEST_F(Text, ClassicFaceNamesMapToTheSansSerifFace) {
  Font classic(-14, "MS Sans Serif"), generic(-14, "sans-serif");
  TextSurface a(80, 20, classic.Handle()), b(80, 20, generic.Handle());
  TextOutA(a.dc, 0, 0, "Sample", 6);
  TextOutA(b.dc, 0, 0, "Sample", 6);
  EXPECT_EQ(a.Map({{kWhite, '.'}, {kBlack, '#'}}), b.Map({{kWhite, '.'}, {kBlack, '#'}}));
}

TEST_F(Text, BoldUnderlineAndStrikeOutChangeTheInk) {
  Font normal(-16), bold(-16, "MS Sans Serif", 0, FW_BOLD), lined(-16), struck(-16);
  lined.Underline();
  struck.StrikeOut();
  auto draw = [](HFONT font, RECT* ink = nullptr) {
    TextSurface s(120, 30, font);
    TextOutA(s.dc, 2, 2, "Sample", 6);
    if (ink) *ink = s.InkBox(kWhite);
    return s.Count(kBlack);
  };
  int plain = draw(normal.Handle());
  EXPECT_GT(draw(bold.Handle()), plain + plain / 4);
  RECT plainInk, linedInk;
  draw(normal.Handle(), &plainInk);
  draw(lined.Handle(), &linedInk);
  TextSurface probe(1, 1, normal.Handle());
  SIZE size = probe.Extent("Sample");
  EXPECT_EQ(linedInk.left, 2) << "the underline spans the whole advance";
  EXPECT_EQ(linedInk.right, 2 + size.cx);
  EXPECT_GT(draw(lined.Handle()), plain + size.cx / 2);
  EXPECT_GT(draw(struck.Handle()), plain + size.cx / 2);
}

TEST_F(Text, TextOnAMonochromeSurfaceAndInTheTextColour) {
  Font font(-14);
  TestSurface mono(60, 20, true);
  HGDIOBJ old = SelectObject(mono.dc, font.Handle());
  SetTextColor(mono.dc, RGB(10, 10, 10));
  TextOutA(mono.dc, 0, 0, "Ink", 3);
  EXPECT_GT(mono.Count(kBlack), 10);
  EXPECT_EQ(mono.Count(kBlack) + mono.Count(kWhite), 60 * 20);
  SelectObject(mono.dc, old);
  TextSurface s(60, 20, font.Handle());
  SetTextColor(s.dc, 0x80000000 | COLOR_HIGHLIGHT);
  TextOutA(s.dc, 0, 0, "Ink", 3);
  EXPECT_EQ(s.Count(GetSysColor(COLOR_HIGHLIGHT)), mono.Count(kBlack));
}

}  // namespace
}  // namespace zu::test
