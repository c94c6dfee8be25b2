// gallery: renders the drawing routines into PNG files, one page per family.
//
//   gallery OUTPUT_FOLDER
//   gallery --help
//
// Writes text.png (text styles of both families, aligned and broadwise text, a rotated font, font
// qualities, partly filled gradient text), boxes.png (box styles, gradient boxes plain, hatched and
// at a viewport origin, the 3D colours), bevels.png (bevel combinations, bold and not, and
// side sets) and bitmaps.png (draw states, transparency and wallpaper options). The folder is
// created when missing. Exits 1 when a file cannot be written, 2 on a usage error.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "lib/styles/zuCommCl.h"
#include "lib/utils/zuUtils.h"
#include "platform/graphics/Gdi.h"
#include "platform/graphics/GdiText.h"
#include "platform/graphics/Graphics.h"
#include "platform/graphics/Surface.h"

namespace {

using namespace zu;
using namespace zu::win;

// A page to draw on: a bitmap filled with button face, with a small font for captions.
class Page {
 public:
  Page(int width, int height) {
    FBitmap.SetSize(width, height);
    FBitmap.Canvas()->Brush()->SetColor(clBtnFace);
    FBitmap.Canvas()->FillRect(Rect(0, 0, width, height));
    FCaption.SetHeight(-11);
    FCaption.SetColor(clBlack);
    FHeading.SetHeight(-13);
    FHeading.SetStyle(TFontStyles{fsBold});
    FHeading.SetColor(clNavy);
  }
  HDC DC() { return FBitmap.Canvas()->Handle(); }
  TCanvas* Canvas() { return FBitmap.Canvas(); }
  void Caption(const TRect& rect, const std::string& text, uint32_t format = DT_SINGLELINE | DT_VCENTER) {
    DrawTextInRect(DC(), rect, text, fstNone, &FCaption, format);
  }
  void Heading(int x, int y, const std::string& text) {
    DrawTextInRect(DC(), Rect(x, y, x + 700, y + 18), text, fstNone, &FHeading, 0);
  }
  void Fill(const TRect& rect, TColor color) {
    HBRUSH brush = CreateSolidBrush(COLORREF(ColorToRGB(color)));
    FillRect(DC(), &rect, brush);
    DeleteObject(brush);
  }
  // True when every pixel of rect still has the page's colour: the routine drew nothing there.
  bool Untouched(const TRect& rect) {
    TBitmapPixels pixels;
    GetBitmapPixels(FBitmap.Handle(), &pixels);
    const uint32_t face = uint32_t(ColorToRGB(clBtnFace));
    for (int y = rect.top; y < rect.bottom; ++y)
      for (int x = rect.left; x < rect.right; ++x)
        if (PixelAt(pixels, x, y) != face) return false;
    return true;
  }
  void Save(const std::filesystem::path& file) { FBitmap.SaveToPngFile(file.string()); }

 private:
  TBitmap FBitmap;
  TFont FCaption;
  TFont FHeading;
};

// Writes `text` at (x, y) in `font` and `color` over what is there, puts the DC back and deletes
// the font.
void WriteAndDelete(HDC dc, HFONT font, int x, int y, const std::string& text, TColor color) {
  HGDIOBJ old = SelectObject(dc, font);
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF oldColor = SetTextColor(dc, COLORREF(ColorToRGB(color)));
  TextOutA(dc, x, y, text.data(), int(text.size()));
  SetTextColor(dc, oldColor);
  SetBkMode(dc, oldMode);
  SelectObject(dc, old);
  DeleteObject(font);
}

const char* const kTextStyleNames[] = {"fstNone",   "fstRaised", "fstRecessed",
                                       "fstPushed", "fstShadow", "fstVolumetric"};

void TextPage(const std::filesystem::path& folder) {
  Page page(780, 700);
  TFont big;
  big.SetHeight(-22);
  big.SetStyle(TFontStyles{fsBold});
  big.SetColor(clNavy);

  page.Heading(10, 8, "DrawTextInRect");
  for (int s = 0; s < 6; ++s) {
    const int y = 30 + s * 30;
    page.Caption(Rect(10, y, 120, y + 28), kTextStyleNames[s]);
    DrawTextInRect(page.DC(), Rect(120, y, 330, y + 28), "Styled text", TzuTextStyle(s), &big, 0);
  }

  page.Heading(350, 8, "ExtTextOutExt");
  const char* const columns[] = {"plain", "delineated", "skip effects", "gradient"};
  for (int c = 0; c < 4; ++c) page.Caption(Rect(350 + c * 107, 26, 457 + c * 107, 40), columns[c]);
  TGradient gradient;
  gradient.SetToColor(clRed);
  gradient.SetActive(true);
  TIllumination deep;
  deep.SetShadowDepth(4);
  for (int s = 0; s < 6; ++s) {
    const int y = 42 + s * 30;
    for (int c = 0; c < 4; ++c) {
      // Each cell is painted at its own origin, as a control paints itself: gradient text runs
      // along the clip rectangle from the origin's row.
      HDC dc = page.DC();
      const int saved = SaveDC(dc);
      SetViewportOrgEx(dc, 350 + c * 107, y, nullptr);
      ExtTextOutExt(dc, 4, 2, Rect(0, 0, 105, 30), "Text", TzuTextStyle(s), c == 1, c == 2, clNavy, clWhite,
                    clBtnHighlight, clBtnShadow, s == fstVolumetric ? &deep : nullptr,
                    c == 3 ? &gradient : nullptr, &big);
      RestoreDC(dc, saved);
    }
  }

  const std::string paragraph =
      "Broadwise text spreads the words of every line to both edges of its rectangle; the last line keeps "
      "its natural spacing, and a line never starts with the spaces between words.";
  TCanvas* canvas = page.Canvas();
  canvas->Font()->SetHeight(-12);
  canvas->Font()->SetColor(clBlack);
  canvas->Brush()->SetStyle(bsClear);
  const char* const alignNames[] = {"ftaLeftJustify", "ftaRightJustify", "ftaCenter", "ftaBroadwise"};
  page.Heading(10, 230, "DrawTextExtAligned");
  for (int a = 0; a < 4; ++a) {
    const TRect r = Rect(10 + a * 190, 270, 190 + a * 190, 400);
    page.Caption(Rect(r.left, 250, r.right, 268), alignNames[a]);
    page.Fill(r, clWindow);
    DrawTextExtAligned(canvas, paragraph, r, TzuAlignment(a), true);
  }

  page.Heading(10, 420, "CreateRotatedFont");
  TFont rotatedSource;
  rotatedSource.SetHeight(-16);
  rotatedSource.SetStyle(TFontStyles{fsBold});
  for (int i = 0; i < 4; ++i) {
    WriteAndDelete(page.DC(), CreateRotatedFont(&rotatedSource, i * 300), 40 + i * 180, 535,
                   std::to_string(i * 30) + " degrees", clMaroon);
  }
  page.Heading(10, 570, "Font quality: default and ANTIALIASED_QUALITY");
  for (int q = 0; q < 2; ++q) {
    LOGFONTA lf{};
    lf.lfHeight = -20;
    lf.lfQuality = q ? ANTIALIASED_QUALITY : DEFAULT_QUALITY;
    std::snprintf(lf.lfFaceName, sizeof lf.lfFaceName, "%s", "MS Sans Serif");
    WriteAndDelete(page.DC(), CreateFontIndirectA(&lf), 10, 594 + q * 30,
                   q ? "Antialiased glyphs" : "Monochrome glyphs", clNavy);
  }

  page.Heading(430, 570, "Gradient text, PercentFilling 100, 60, 30");
  // Gradient text is written one pixel row at a time down the clip rectangle; rows past the
  // filling's share of its height are not written, which cuts the lower part of the text.
  page.Caption(Rect(430, 632, 780, 646), "rows past that share of the 30-pixel cell stay unwritten");
  for (int k = 0; k < 3; ++k) {
    TGradient filling;
    filling.SetToColor(clRed);
    filling.SetActive(true);
    filling.SetPercentFilling(TzuPercent(100 - (k == 1 ? 40 : k == 2 ? 70 : 0)));
    HDC dc = page.DC();
    const int saved = SaveDC(dc);
    SetViewportOrgEx(dc, 430 + k * 115, 592, nullptr);
    ExtTextOutExt(dc, 4, 2, Rect(0, 0, 120, 30), "Text", fstNone, false, false, clNavy, clWhite,
                  clBtnHighlight, clBtnShadow, nullptr, &filling, &big);
    RestoreDC(dc, saved);
  }
  page.Save(folder / "text.png");
}

void BoxesPage(const std::filesystem::path& folder) {
  Page page(800, 640);
  const char* const names[] = {"fbsFlat",   "fbsCtl3D",       "fbsStatusControl", "fbsRecessed",
                               "fbsRaised", "fbsRaisedFrame", "fbsRecessedFrame"};
  page.Heading(10, 8, "DrawBox");
  for (int s = 0; s < 7; ++s) {
    TRect r = Rect(12 + s * 112, 34, 112 + s * 112, 104);
    page.Caption(Rect(r.left - 6, 108, r.right + 6, 124), names[s], DT_SINGLELINE | DT_CENTER);
    const TRect cell = r;
    DrawBox(page.DC(), r, TzuBoxStyle(s), 0, false);
    // A style without edges leaves its cell blank: say so, and how far it shrank the rectangle.
    if (page.Untouched(cell)) {
      std::string note = "draws nothing";
      if (r.left != cell.left || r.top != cell.top || r.right != cell.right || r.bottom != cell.bottom)
        note += ", shrinks the rect by " + std::to_string(r.left - cell.left) + ", " +
                std::to_string(r.top - cell.top) + ", " + std::to_string(cell.right - r.right) + ", " +
                std::to_string(cell.bottom - r.bottom);
      page.Caption(Rect(cell.left, cell.top + 20, cell.right, cell.bottom), note, DT_CENTER | DT_WORDBREAK);
    }
  }
  page.Heading(10, 140, "GradientBox");
  const char* const directions[] = {"fgdHorizontal", "fgdVertical",       "fgdLeftBias",      "fgdRightBias",
                                    "fgdRectangle",  "fgdHorzConvergent", "fgdVertConvergent"};
  for (int d = 0; d < 7; ++d) {
    TGradient gradient;
    gradient.SetToColor(clNavy);
    gradient.SetActive(true);
    gradient.SetOrientation(TzuGradientDir(d));
    const TRect r = Rect(12 + d * 112, 166, 112 + d * 112, 256);
    GradientBox(page.DC(), r, &gradient, PS_SOLID, 1);
    page.Caption(Rect(r.left - 6, 260, r.right + 6, 276), directions[d], DT_SINGLELINE | DT_CENTER);
  }

  page.Heading(10, 290, "GradientBox with hatched bands (8 steps)");
  const char* const hatches[] = {"bsHorizontal", "bsVertical", "bsFDiagonal",
                                 "bsBDiagonal",  "bsCross",    "bsDiagCross"};
  for (int h = 0; h < 6; ++h) {
    TGradient gradient;
    gradient.SetToColor(clNavy);
    gradient.SeTzuomColor(clYellow);
    gradient.SetSteps(8);
    gradient.SetActive(true);
    gradient.SetBrushStyle(TBrushStyle(int(bsHorizontal) + h));
    const TRect r = Rect(12 + h * 128, 316, 124 + h * 128, 396);
    GradientBox(page.DC(), r, &gradient, PS_SOLID, 1);
    page.Caption(Rect(r.left, 400, r.right, 416), hatches[h], DT_SINGLELINE | DT_CENTER);
  }

  page.Heading(10, 430, "GradientBox at a viewport origin (each box painted as a control paints itself)");
  for (int d = 0; d < 7; ++d) {
    TGradient gradient;
    gradient.SetToColor(clMaroon);
    gradient.SetActive(true);
    gradient.SetOrientation(TzuGradientDir(d));
    HDC dc = page.DC();
    const int saved = SaveDC(dc);
    SetViewportOrgEx(dc, 12 + d * 112, 456, nullptr);
    GradientBox(dc, Rect(0, 0, 100, 90), &gradient, PS_SOLID, 1);
    RestoreDC(dc, saved);
    page.Caption(Rect(6 + d * 112, 550, 118 + d * 112, 566), directions[d], DT_SINGLELINE | DT_CENTER);
  }

  page.Heading(10, 580, "The 3D colour scheme");
  const struct {
    const char* name;
    TColor color;
  } scheme[] = {{"cl3DDkShadow", cl3DDkShadow},
                {"clBtnShadow", clBtnShadow},
                {"clBtnFace", clBtnFace},
                {"cl3DLight", cl3DLight},
                {"clBtnHighlight", clBtnHighlight}};
  for (int k = 0; k < 5; ++k) {
    page.Fill(Rect(11 + k * 150, 603, 41 + k * 150, 629), clBlack);
    page.Fill(Rect(12 + k * 150, 604, 40 + k * 150, 628), scheme[k].color);
    page.Caption(Rect(46 + k * 150, 604, 160 + k * 150, 628), scheme[k].name);
  }
  page.Save(folder / "boxes.png");
}

void BevelsPage(const std::filesystem::path& folder) {
  Page page(780, 420);
  const char* const cuts[] = {"bvNone", "bvLowered", "bvRaised", "bvSpace"};
  const TzuSides all{fsdLeft, fsdTop, fsdRight, fsdBottom};
  for (int bold = 0; bold < 2; ++bold) {
    const int x0 = 10 + bold * 390;
    page.Heading(x0, 8, bold ? "DrawBoxEx, bold" : "DrawBoxEx");
    page.Caption(Rect(x0, 28, x0 + 80, 44), "outer \\ inner");
    for (int i = 0; i < 4; ++i) page.Caption(Rect(x0 + 80 + i * 72, 28, x0 + 150 + i * 72, 44), cuts[i]);
    for (int o = 0; o < 4; ++o) {
      const int y = 50 + o * 56;
      page.Caption(Rect(x0, y, x0 + 80, y + 44), cuts[o]);
      for (int i = 0; i < 4; ++i) {
        const TRect r = Rect(x0 + 80 + i * 72, y, x0 + 140 + i * 72, y + 44);
        DrawBoxEx(page.DC(), r, all, TBevelCut(i), TBevelCut(o), bold != 0, clBtnFace, false);
      }
    }
  }
  page.Heading(10, 290, "Sides (outer bvLowered, inner bvRaised, bold)");
  const struct {
    const char* name;
    TzuSides sides;
  } sets[] = {{"left", TzuSides{fsdLeft}},
              {"top", TzuSides{fsdTop}},
              {"right", TzuSides{fsdRight}},
              {"bottom", TzuSides{fsdBottom}},
              {"left, top", TzuSides{fsdLeft, fsdTop}},
              {"right, bottom", TzuSides{fsdRight, fsdBottom}},
              {"top, right, bottom", TzuSides{fsdTop, fsdRight, fsdBottom}},
              {"all", all}};
  for (int k = 0; k < 8; ++k) {
    const TRect r = Rect(10 + k * 95, 316, 90 + k * 95, 376);
    DrawBoxEx(page.DC(), r, sets[k].sides, bvRaised, bvLowered, true, clBtnFace, false);
    page.Caption(Rect(r.left - 6, 382, r.right + 12, 398), sets[k].name, DT_SINGLELINE | DT_CENTER);
  }
  page.Save(folder / "bevels.png");
}

// A 16 x 16 glyph on magenta: a white page with a black border and tick, mid-grey shading.
void MakeGlyph(TBitmap& glyph) {
  glyph.SetSize(16, 16);
  TBitmapPixels p;
  GetBitmapPixels(glyph.Handle(), &p);
  auto set = [&](int x, int y, COLORREF c) { p.bits[size_t(y) * size_t(p.stride) + size_t(x)] = c; };
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) set(x, y, RGB(255, 0, 255));
  for (int y = 2; y < 14; ++y)
    for (int x = 2; x < 14; ++x) {
      const bool border = x == 2 || y == 2 || x == 13 || y == 13;
      const bool shade = !border && (x == 12 || y == 12);
      set(x, y, border ? RGB(0, 0, 0) : shade ? RGB(0x80, 0x80, 0x80) : RGB(255, 255, 255));
    }
  const int tick[][2] = {{4, 7}, {5, 8}, {6, 9},  {7, 8}, {8, 7}, {9, 6}, {10, 5},
                         {4, 8}, {5, 9}, {6, 10}, {7, 9}, {8, 8}, {9, 7}, {10, 6}};
  for (auto [x, y] : tick) set(x, y, RGB(0, 0, 0));
}

void BitmapsPage(const std::filesystem::path& folder) {
  Page page(780, 400);
  TBitmap glyph;
  MakeGlyph(glyph);
  const TColor key = ToColor(RGB(255, 0, 255));
  const char* const states[] = {"fdsDefault", "fdsDisabled", "fdsDelicate"};

  page.Heading(10, 8, "CreateBitmapExt: draw states, opaque and transparent (own size and stretched x3)");
  for (int t = 0; t < 2; ++t)
    for (int s = 0; s < 3; ++s) {
      const int x = 10 + (t * 3 + s) * 128;
      page.Caption(Rect(x, 30, x + 124, 46), std::string(states[s]) + (t ? ", transp." : ""));
      page.Fill(Rect(x, 50, x + 120, 120), clWindow);
      page.Fill(Rect(x + 60, 50, x + 120, 120), clYellow);
      CreateBitmapExt(page.DC(), &glyph, Rect(x + 8, 60, x + 24, 76), 0, 0, fwoNone, TzuDrawState(s), t != 0,
                      key, clBlack);
      CreateBitmapExt(page.DC(), &glyph, Rect(x + 60, 64, x + 108, 112), 0, 0, fwoStretch, TzuDrawState(s),
                      t != 0, key, clBlack);
    }

  page.Heading(10, 140, "Wallpaper options over the framed rectangle (offsets 4, 4 for fwoTile)");
  const char* const options[] = {"fwoNone", "fwoStretch", "fwoPropStretch", "fwoTile"};
  for (int o = 0; o < 4; ++o) {
    const int x = 10 + o * 190;
    const TRect r = Rect(x + 10, 180, x + 170, 260);
    page.Caption(Rect(x, 162, x + 180, 178), options[o]);
    page.Fill(r, clWindow);
    CreateBitmapExt(page.DC(), &glyph, r, o == 3 ? 4 : 0, o == 3 ? 4 : 0, TzuWallpaperOption(o), fdsDefault,
                    true, key, clBlack);
    TRect frame = Rect(r.left - 1, r.top - 1, r.right, r.bottom);
    DrawBoxEx(page.DC(), frame, TzuSides{fsdLeft, fsdTop, fsdRight, fsdBottom}, bvNone, bvSpace, false,
              clBlack, true);
  }

  page.Heading(10, 280, "ChangeBitmapColor (white to yellow) and GetTransparentColor");
  TBitmap changed;
  changed.Assign(&glyph);
  ChangeBitmapColor(&changed, clWhite, clYellow);
  CreateBitmapExt(page.DC(), &changed, Rect(20, 306, 68, 354), 0, 0, fwoStretch, fdsDefault, true,
                  GetTransparentColor(&changed, ftcLeftTopPixel), clBlack);
  page.Caption(Rect(80, 306, 500, 354), "corner colour as key: the magenta of the top-left pixel");
  page.Save(folder / "bitmaps.png");
}

}  // namespace

constexpr const char* kUsage = "usage: gallery OUTPUT_FOLDER | gallery --help\n";
constexpr const char* kHelp =
    "Renders the library's drawing routines into four PNG files in OUTPUT_FOLDER (created when\n"
    "missing): text.png (styled, aligned, broadwise, rotated and gradient text), boxes.png (box styles,\n"
    "gradient boxes, the 3D colours), bevels.png (bevel combinations and side sets) and bitmaps.png\n"
    "(draw states, transparency, wallpaper options). A blank cell is a style that draws nothing, as\n"
    "its caption says.\n"
    "\n"
    "Exit status: 0 done, 1 a file could not be written, 2 a usage error.\n";

int main(int argc, char** argv) {
  if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
    std::fputs(kUsage, stdout);
    std::fputs(kHelp, stdout);
    return 0;
  }
  if (argc != 2 || argv[1][0] == '-') {
    std::fputs(kUsage, stderr);
    return 2;
  }
  try {
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    TextPage(folder);
    BoxesPage(folder);
    BevelsPage(folder);
    BitmapsPage(folder);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "gallery: %s\n", e.what());
    return 1;
  }
  return 0;
}
