// The framework's graphic objects: colours, fonts, pens, brushes, canvases, bitmaps, icons, files.
#include <sys/resource.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "Surface.h"

#include "platform/classes/Streams.h"
#include "platform/graphics/Graphics.h"
#include "platform/typinfo/TypInfo.h"

namespace zu::test {
namespace {

using Graphics = GdiTest;

TEST(Colors, ValuesTypeAndResolution) {
  EXPECT_EQ(int32_t(clBtnFace), int32_t(0x8000000F));
  EXPECT_EQ(int32_t(clWindowText), -2147483640);
  EXPECT_EQ(int32_t(cl3DDkShadow), int32_t(0x80000015));
  EXPECT_EQ(int32_t(clGray), 0x808080);
  EXPECT_EQ(int32_t(clNone), 0x1FFFFFFF);
  EXPECT_EQ(int32_t(clDefault), 0x20000000);
  const TTypeInfo* info = TypeInfo<TColor>();
  EXPECT_EQ(info->Kind, tkInteger);
  EXPECT_EQ(info->Name, "TColor");
  EXPECT_EQ(info->MinValue, INT32_MIN);
  EXPECT_EQ(info->MaxValue, INT32_MAX);
  EXPECT_EQ(ColorToRGB(clBtnShadow), int32_t(GetSysColor(COLOR_BTNSHADOW)));
  EXPECT_EQ(ColorToRGB(clRed), 0x0000FF);
  EXPECT_EQ(ColorToRGB(clNone), 0x1FFFFFFF) << "only system colours are resolved";
  EXPECT_EQ(ColorToString(clBtnFace), "clBtnFace");
  EXPECT_EQ(ColorToString(ToColor(0x123456)), "$00123456");
  int32_t value = 0;
  EXPECT_TRUE(IdentToColor("CLWHITE", value));
  EXPECT_EQ(value, 0xFFFFFF);
  EXPECT_FALSE(IdentToColor("clPlaid", value));
}

TEST_F(Graphics, FontPublishesItsPropertiesInOrderWithTheClassicDefaults) {
  TFont font;
  std::vector<std::string> names;
  for (PPropInfo p : GetPropList(&font)) names.push_back(p->Name);
  EXPECT_EQ(names,
            (std::vector<std::string>{"Charset", "Color", "Height", "Name", "Pitch", "Size", "Style"}));
  auto text = [&](const char* name) { return GetPropText(&font, GetPropInfo(font.ClassType(), name)); };
  EXPECT_EQ(text("Charset"), "1");
  EXPECT_EQ(text("Color"), "-2147483640");
  EXPECT_EQ(text("Height"), "-11");
  EXPECT_EQ(text("Name"), "MS Sans Serif");
  EXPECT_EQ(text("Pitch"), "fpDefault");
  EXPECT_EQ(text("Style"), "");
  EXPECT_EQ(text("Size"), "8");
  EXPECT_FALSE(IsStoredProp(&font, GetPropInfo(font.ClassType(), "Size")));
  EXPECT_TRUE(IsStoredProp(&font, GetPropInfo(font.ClassType(), "Height")));
  EXPECT_EQ(GetPropInfo(font.ClassType(), "Pitch")->Default, int32_t(fpDefault));
  SetPropText(&font, GetPropInfo(font.ClassType(), "Style"), "[fsBold, fsUnderline]");
  EXPECT_EQ(font.Style(), (TFontStyles{fsBold, fsUnderline}));
  EXPECT_TRUE(font.InheritsFrom(TPersistent::StaticClass()));
}

TEST_F(Graphics, FontNotifiesRealChangesAndConvertsSizeAndHeight) {
  TFont font;
  int changes = 0;
  font.OnChange = TNotifyEvent([&](TObject* sender) {
    EXPECT_EQ(sender, &font);
    ++changes;
  });
  font.SetHeight(-11);
  EXPECT_EQ(changes, 0) << "no change, no notification";
  font.SetSize(12);
  EXPECT_EQ(font.Height(), -16);
  EXPECT_EQ(font.Size(), 12);
  font.SetColor(clRed);
  font.SetStyle(TFontStyles{fsItalic});
  EXPECT_EQ(changes, 3);
  TFont other;
  other.Assign(&font);
  EXPECT_EQ(other.Height(), -16);
  EXPECT_EQ(other.Color(), clRed);
  EXPECT_EQ(other.Style(), TFontStyles{fsItalic});
  font.Assign(&other);
  EXPECT_EQ(changes, 4) << "Assign notifies once";
  TPen pen;
  EXPECT_THROW(font.Assign(&pen), EConvertError);
}

TEST_F(Graphics, HandlesFollowTheirObjectsProperties) {
  {
    TFont font;
    font.SetName("Arial");
    font.SetStyle(TFontStyles{fsBold, fsItalic, fsStrikeOut});
    font.SetPitch(fpFixed);
    font.SetCharset(204);
    HFONT first = font.Handle();
    EXPECT_EQ(font.Handle(), first) << "kept while unchanged";
    LOGFONTA lf;
    ASSERT_TRUE(GetObjectA(first, sizeof lf, &lf));
    EXPECT_STREQ(lf.lfFaceName, "Arial");
    EXPECT_EQ(lf.lfHeight, -11);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_EQ(lf.lfItalic, 1);
    EXPECT_EQ(lf.lfUnderline, 0);
    EXPECT_EQ(lf.lfStrikeOut, 1);
    EXPECT_EQ(lf.lfCharSet, 204);
    EXPECT_EQ(lf.lfPitchAndFamily, FIXED_PITCH);
    font.SetHeight(-20);
    EXPECT_EQ(GetObjectType(first), 0u) << "the old handle is deleted";
    GetObjectA(font.Handle(), sizeof lf, &lf);
    EXPECT_EQ(lf.lfHeight, -20);

    TPen pen;
    pen.SetColor(clBtnShadow);
    pen.SetStyle(psDot);
    pen.SetWidth(0);
    LOGPEN lp;
    GetObjectA(pen.Handle(), sizeof lp, &lp);
    EXPECT_EQ(lp.lopnStyle, UINT(PS_DOT));
    EXPECT_EQ(lp.lopnWidth.x, 1);
    EXPECT_EQ(lp.lopnColor, GetSysColor(COLOR_BTNSHADOW));

    TBrush brush;
    brush.SetStyle(bsClear);
    LOGBRUSH lb;
    GetObjectA(brush.Handle(), sizeof lb, &lb);
    EXPECT_EQ(lb.lbStyle, BS_NULL);
    brush.SetStyle(bsDiagCross);
    GetObjectA(brush.Handle(), sizeof lb, &lb);
    EXPECT_EQ(lb.lbStyle, BS_HATCHED);
    EXPECT_EQ(lb.lbHatch, uintptr_t(HS_DIAGCROSS));
    brush.SetStyle(bsClear);
    brush.SetColor(clRed);
    EXPECT_EQ(brush.Style(), bsSolid) << "a colour makes a clear brush solid";
  }
}

TEST_F(Graphics, CanvasHandleCarriesTheBrushAndFontColours) {
  TBitmap bitmap;
  bitmap.SetSize(4, 4);
  TCanvas* canvas = bitmap.Canvas();
  canvas->Brush()->SetColor(clRed);
  canvas->Font()->SetColor(clBtnFace);
  HDC dc = canvas->Handle();
  EXPECT_EQ(GetBkColor(dc), COLORREF(clRed));
  EXPECT_EQ(GetBkMode(dc), OPAQUE);
  EXPECT_EQ(GetTextColor(dc), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), canvas->Brush()->Handle());
  canvas->Brush()->SetColor(clBlue);  // the next use of Handle selects the new brush
  EXPECT_EQ(GetBkColor(canvas->Handle()), COLORREF(clBlue));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), canvas->Brush()->Handle());
  canvas->Brush()->SetStyle(bsClear);
  EXPECT_EQ(GetBkMode(canvas->Handle()), TRANSPARENT);
  canvas->Brush()->SetColor(clLime);
  canvas->FillRect(Rect(1, 1, 3, 3));
  EXPECT_EQ(canvas->Pixels(1, 1), clLime);
  EXPECT_EQ(canvas->Pixels(3, 3), clWhite) << "a new bitmap is white; right and bottom edges excluded";
  canvas->SetPixels(0, 3, clBtnShadow);
  EXPECT_EQ(canvas->Pixels(0, 3), ToColor(GetSysColor(COLOR_BTNSHADOW)));
  EXPECT_EQ(int32_t(canvas->Pixels(9, 9)), -1);
  canvas->Pen()->SetColor(clBlack);
  canvas->MoveTo(0, 0);
  canvas->LineTo(4, 0);
  EXPECT_EQ(canvas->PenPos(), (TPoint{4, 0}));
  EXPECT_EQ(canvas->Pixels(3, 0), clBlack);
  EXPECT_GT(canvas->TextWidth("Wide"), canvas->TextWidth("W"));
  EXPECT_GT(canvas->TextHeight("W"), 8);
}

TEST_F(Graphics, BitmapResizesConvertsAndCopies) {
  TBitmap bitmap;
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_EQ(bitmap.Handle(), nullptr);
  bitmap.SetWidth(3);
  EXPECT_TRUE(bitmap.Empty()) << "no height yet";
  bitmap.SetHeight(2);
  ASSERT_NE(bitmap.Handle(), nullptr);
  TCanvas* c = bitmap.Canvas();
  c->SetPixels(0, 0, clRed);
  c->SetPixels(1, 0, clBlue);
  c->SetPixels(2, 1, clRed);
  bitmap.SetSize(4, 3);
  EXPECT_EQ(c->Pixels(0, 0), clRed) << "resizing keeps the pixels";
  EXPECT_EQ(c->Pixels(2, 1), clRed);
  EXPECT_EQ(c->Pixels(3, 2), clWhite);
  // To one bit: pixels of the brush colour become white, the rest black.
  c->Brush()->SetColor(clRed);
  bitmap.SetMonochrome(true);
  EXPECT_TRUE(bitmap.Monochrome());
  EXPECT_EQ(bitmap.PixelFormat(), pf1bit);
  EXPECT_EQ(c->Pixels(0, 0), clWhite);
  EXPECT_EQ(c->Pixels(1, 0), clBlack);
  EXPECT_EQ(c->Pixels(3, 2), clBlack);
  EXPECT_EQ(c->Pixels(2, 1), clWhite);
  TBitmap copy;
  copy.Assign(&bitmap);
  EXPECT_TRUE(copy.Monochrome());
  EXPECT_EQ(copy.Width(), 4);
  bitmap.Canvas()->SetPixels(0, 0, clBlack);
  EXPECT_EQ(copy.Canvas()->Pixels(0, 0), clWhite) << "the copy has pixels of its own";
  copy.SetPixelFormat(pf32bit);
  EXPECT_FALSE(copy.Monochrome());
  EXPECT_EQ(copy.Canvas()->Pixels(0, 0), clWhite);
  EXPECT_EQ(copy.Canvas()->Pixels(1, 0), clBlack);
  copy.Assign(nullptr);
  EXPECT_TRUE(copy.Empty());
  TFont font;
  EXPECT_THROW(copy.Assign(&font), EConvertError);
  HBITMAP taken = bitmap.ReleaseHandle();
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_EQ(GetObjectType(taken), OBJ_BITMAP);
  bitmap.SetHandle(taken);
  EXPECT_EQ(bitmap.Width(), 4);
  EXPECT_TRUE(bitmap.Monochrome());
}

TEST_F(Graphics, CanvasDrawsAndCopiesGraphics) {
  TBitmap glyph, target;
  glyph.SetSize(2, 2);
  glyph.Canvas()->SetPixels(0, 0, clRed);
  target.SetSize(6, 6);
  target.Canvas()->Draw(1, 1, &glyph);
  EXPECT_EQ(target.Canvas()->Pixels(1, 1), clRed);
  EXPECT_EQ(target.Canvas()->Pixels(2, 2), clWhite);
  target.Canvas()->StretchDraw(Rect(2, 2, 6, 6), &glyph);
  EXPECT_EQ(target.Canvas()->Pixels(3, 3), clRed);
  EXPECT_EQ(target.Canvas()->Pixels(4, 4), clWhite);
  target.Canvas()->CopyMode = int32_t(NOTSRCCOPY);
  target.Canvas()->CopyRect(Rect(0, 4, 2, 6), glyph.Canvas(), Rect(0, 0, 2, 2));
  EXPECT_EQ(target.Canvas()->Pixels(0, 4), ToColor(0xFFFF00));
  target.Canvas()->Draw(0, 0, nullptr);
}

TEST_F(Graphics, IconMaskLeavesTheSurfaceUnderWhiteMaskPixels) {
  TIcon icon;
  icon.SetWidth(2);
  icon.SetHeight(1);
  icon.Image()->Canvas()->SetPixels(0, 0, clRed);
  icon.Image()->Canvas()->SetPixels(1, 0, clBlue);
  icon.Mask()->Canvas()->SetPixels(0, 0, clBlack);  // opaque
  icon.Mask()->Canvas()->SetPixels(1, 0, clWhite);  // transparent
  TBitmap target;
  target.SetSize(2, 1);
  target.Canvas()->Brush()->SetColor(clLime);
  target.Canvas()->FillRect(Rect(0, 0, 2, 1));
  target.Canvas()->Draw(0, 0, &icon);
  EXPECT_EQ(target.Canvas()->Pixels(0, 0), clRed);
  EXPECT_EQ(target.Canvas()->Pixels(1, 0), clLime);
  TMemoryStream stream;
  icon.SaveToStream(stream);
  stream.SetPosition(0);
  TIcon back;
  back.LoadFromStream(stream);
  EXPECT_EQ(back.Image()->Canvas()->Pixels(1, 0), clBlue);
  EXPECT_TRUE(back.Mask()->Monochrome());
  EXPECT_EQ(back.Mask()->Canvas()->Pixels(1, 0), clWhite);
}

// A bitmap with a few distinct pixels, colour or 1-bit.
void Paint(TBitmap& b, bool mono) {
  b.SetMonochrome(mono);
  b.SetSize(13, 5);  // odd width: rows need padding
  b.Canvas()->SetPixels(0, 0, clBlack);
  b.Canvas()->SetPixels(12, 4, mono ? clBlack : ToColor(0x123456));
  b.Canvas()->SetPixels(5, 2, mono ? clBlack : clRed);
}

void ExpectSame(TBitmap& a, TBitmap& b) {
  ASSERT_EQ(a.Width(), b.Width());
  ASSERT_EQ(a.Height(), b.Height());
  EXPECT_EQ(a.Monochrome(), b.Monochrome());
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      ASSERT_EQ(a.Canvas()->Pixels(x, y), b.Canvas()->Pixels(x, y)) << x << "," << y;
}

TEST_F(Graphics, BitmapsRoundTripThroughBmpAndPng) {
  auto dir = std::filesystem::temp_directory_path();
  for (bool mono : {false, true}) {
    TBitmap original;
    Paint(original, mono);
    TMemoryStream stream;
    stream.Write("x", 1);  // the bitmap need not start the stream
    original.SaveToStream(stream);
    stream.Write("tail", 4);  // nor end it
    stream.SetPosition(1);
    TBitmap fromBmp;
    fromBmp.LoadFromStream(stream);
    ExpectSame(original, fromBmp);
    EXPECT_EQ(stream.Position(), stream.Size() - 4);

    std::string png = (dir / (mono ? "zu_test_mono.png" : "zu_test_color.png")).string();
    original.SaveToPngFile(png);
    TBitmap fromPng;
    fromPng.LoadFromPngFile(png);
    ExpectSame(original, fromPng);
    std::remove(png.c_str());
  }
  TBitmap bad;
  TStringStream junk("BMxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx");
  EXPECT_THROW(bad.LoadFromStream(junk), EInvalidGraphic);
  EXPECT_THROW(bad.LoadFromPngFile((dir / "zu_no_such_file.png").string()), EFOpenError);
  EXPECT_THROW(DecodePng("\x89PNG", 4), EInvalidGraphic);
  EXPECT_TRUE(bad.Empty());
}

TEST(ImageFiles, ReadsPaletteBmpsAndPngsWithAlpha) {
  // A 2 x 2 bottom-up 8-bit BMP with a palette of red and blue.
  const unsigned char bmp[] = {
      'B', 'M', 70,  0, 0,   0, 0, 0, 0, 0, 62, 0, 0, 0,                    // file header
      40,  0,   0,   0, 2,   0, 0, 0, 2, 0, 0,  0, 1, 0, 8, 0, 0, 0, 0, 0,  // info header
      8,   0,   0,   0, 0,   0, 0, 0, 0, 0, 0,  0, 2, 0, 0, 0, 0, 0, 0, 0,  //
      0,   0,   255, 0, 255, 0, 0, 0,                                       // red, blue
      0,   1,   0,   0,                                                     // bottom row: red, blue
      1,   1,   0,   0,                                                     // top row: blue, blue
  };
  HBITMAP b = DecodeBmp(bmp, sizeof bmp);
  TBitmapPixels p;
  ASSERT_TRUE(GetBitmapPixels(b, &p));
  EXPECT_EQ(p.bits[0], RGB(0, 0, 255));
  EXPECT_EQ(p.bits[p.stride], RGB(255, 0, 0));
  EXPECT_EQ(p.bits[p.stride + 1], RGB(0, 0, 255));
  DeleteObject(b);
  EXPECT_THROW(DecodeBmp(bmp, sizeof bmp - 1), EInvalidGraphic) << "pixels cut short";
}

// The bytes a hex string spells.
std::string FromHex(const char* hex) {
  std::string out;
  for (const char* p = hex; p[0] && p[1]; p += 2) out += char(std::stoi(std::string(p, 2), nullptr, 16));
  return out;
}

// A BMP file header and 40-byte info header for a `width` x `height` image of `bits` per pixel,
// with `colors` palette entries; the caller appends the palette and pixels.
std::string BmpHeader(int32_t width, int32_t height, int bits, uint32_t colors, uint32_t dataBytes) {
  std::string h;
  auto put = [&](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) h += char((v >> (8 * i)) & 0xFF);
  };
  uint32_t offset = 14 + 40 + colors * 4;
  h += "BM";
  put(offset + dataBytes, 4);
  put(0, 4);
  put(offset, 4);
  put(40, 4);
  put(uint32_t(width), 4);
  put(uint32_t(height), 4);
  put(1, 2);
  put(uint32_t(bits), 2);
  put(0, 4);
  put(dataBytes, 4);
  put(0, 4);
  put(0, 4);
  put(colors, 4);
  put(0, 4);
  return h;
}

// A PNG whose header claims width x height pixels (1-bit grey, or 8-bit RGB when `colour`), made
// from a small valid file with the header's checksum redone.
std::string PngClaiming(uint32_t width, uint32_t height, bool colour = false) {
  std::string png = FromHex(
      "89504e470d0a1a0a0000000d494844520000ffff0000ffff01000000009e7ee4fd0000000949444154789c630000000100015e"
      "ff7df90000000049454e44ae426082");
  for (int i = 0; i < 4; ++i) {
    png[size_t(16 + i)] = char((width >> (24 - 8 * i)) & 0xFF);
    png[size_t(20 + i)] = char((height >> (24 - 8 * i)) & 0xFF);
  }
  if (colour) {
    png[24] = 8;
    png[25] = 2;
  }
  uLong crc = crc32(0, reinterpret_cast<const Bytef*>(png.data() + 12), 17);
  for (int i = 0; i < 4; ++i) png[size_t(29 + i)] = char((crc >> (24 - 8 * i)) & 0xFF);
  return png;
}

TEST(ImageFiles, OneBitBmpsLoadIntoOneBitBitmaps) {
  // 10 x 2, top-down, palette dark blue and cyan: they become black and white.
  std::string bmp = BmpHeader(10, -2, 1, 2, 8);
  bmp += std::string("\x80\0\0\0\xff\xff\0\0", 8);
  bmp += std::string("\xA5\x40\0\0\x00\x80\0\0", 8);  // rows of 4 bytes each
  TStringStream stream(bmp);
  TBitmap bitmap;
  bitmap.LoadFromStream(stream);
  EXPECT_TRUE(bitmap.Monochrome());
  EXPECT_EQ(bitmap.PixelFormat(), pf1bit);
  BITMAP info;
  ASSERT_TRUE(GetObjectA(bitmap.Handle(), sizeof info, &info));
  EXPECT_EQ(info.bmBitsPixel, 1);
  const char* rows[] = {"1010010101", "0000000010"};  // 1: white (index 1, cyan)
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 10; ++x)
      EXPECT_EQ(bitmap.Canvas()->Pixels(x, y), rows[y][x] == '1' ? clWhite : clBlack) << x << "," << y;
}

// `raw` compressed as zlib data, as tightly as it goes.
std::string Deflate(const std::string& raw) {
  uLongf packedSize = compressBound(uLong(raw.size()));
  std::string packed(packedSize, '\0');
  compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(raw.data()),
            uLong(raw.size()), Z_BEST_COMPRESSION);
  packed.resize(packedSize);
  return packed;
}

struct PngChunk {
  const char* type;
  std::string body;
};

// A PNG file with the given header and chunks (nothing checks that they agree), then its end.
std::string PngFile(uint32_t width, uint32_t height, int depth, int colourType, bool interlaced,
                    const std::vector<PngChunk>& chunks) {
  std::string png = "\x89PNG\r\n\x1a\n";
  auto be32 = [](uint32_t v) {
    return std::string{char(v >> 24), char((v >> 16) & 0xFF), char((v >> 8) & 0xFF), char(v & 0xFF)};
  };
  auto chunk = [&](const char* type, const std::string& body) {
    std::string typed = type + body;
    png += be32(uint32_t(body.size())) + typed +
           be32(uint32_t(crc32(0, reinterpret_cast<const Bytef*>(typed.data()), uInt(typed.size()))));
  };
  chunk("IHDR", be32(width) + be32(height) + char(depth) + char(colourType) + std::string(2, '\0') +
                    char(interlaced ? 1 : 0));
  for (const PngChunk& c : chunks) chunk(c.type, c.body);
  chunk("IEND", "");
  return png;
}

// A 1-bit grey PNG of the given rows ('1' white, '0' black), with a transparent black when asked.
std::string OneBitPng(const std::vector<std::string>& rows, bool blackTransparent) {
  const auto width = uint32_t(rows[0].size()), height = uint32_t(rows.size());
  std::string raw;
  for (const std::string& row : rows) {
    raw += '\0';  // no filter
    std::string bytes((width + 7) / 8, '\0');
    for (uint32_t x = 0; x < width; ++x)
      if (row[x] == '1') bytes[x / 8] = char(bytes[x / 8] | (0x80 >> (x % 8)));
    raw += bytes;
  }
  std::vector<PngChunk> chunks;
  if (blackTransparent) chunks.push_back({"tRNS", std::string("\0\0", 2)});
  chunks.push_back({"IDAT", Deflate(raw)});
  return PngFile(width, height, 1, 0, false, chunks);
}

// A 1-bit grey PNG loads into a 1-bit bitmap; its transparent pixels lie over white.
TEST(ImageFiles, OneBitPngsLoadIntoOneBitBitmaps) {
  const std::vector<std::string> rows = {"1010010101", "0011111111", "0000000001"};
  for (bool transparent : {false, true}) {
    std::string png = OneBitPng(rows, transparent);
    HBITMAP bitmap = DecodePng(png.data(), png.size());
    TBitmapPixels p;
    ASSERT_TRUE(GetBitmapPixels(bitmap, &p));
    EXPECT_TRUE(p.monochrome);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 10; ++x)
        EXPECT_EQ(PixelAt(p, x, y), rows[size_t(y)][size_t(x)] == '1' || transparent ? 0xFFFFFFu : 0u)
            << x << "," << y << (transparent ? " transparent" : "");
    for (int y = 0; y < 3; ++y)
      for (int x = 10; x < p.rowBytes * 8; ++x)
        EXPECT_EQ(p.packed[size_t(y) * size_t(p.rowBytes) + size_t(x / 8)] & (0x80 >> (x % 8)), 0)
            << "padding";
    DeleteObject(bitmap);
  }
  std::string cut = OneBitPng(rows, false);
  cut.resize(cut.size() - 20);
  EXPECT_THROW(DecodePng(cut.data(), cut.size()), EInvalidGraphic);
}

enum class Outcome { Loads, OutOfMemory, Invalid };

// A 1-bit file is stored as it is, at 1 bit per pixel, each colour of its palette black or white;
// the bits past a row's last pixel are dropped, and saving writes the same 1-bit rows back.
TEST(ImageFiles, OneBitBmpsKeepOneBitPerPixelWhateverThePalette) {
  // 10 x 2, bottom-up: the file's first row is the bitmap's last.
  const std::string fileRows("\x3F\xFF\0\0\xA5\x7F\0\0", 8);
  struct Case {
    std::vector<uint32_t> palette;  // 0x00RRGGBB as the file holds it
    const char* rows[2];            // 1: white
  } cases[] = {
      {{0x000000, 0xFFFFFF}, {"1010010101", "0011111111"}},
      {{0xF0F0F0, 0x101010}, {"0101101010", "1100000000"}},  // light, then dark
      {{0xFFFFFF, 0xC0C0C0}, {"1111111111", "1111111111"}},
      {{0xFFFFFF}, {"0101101010", "1100000000"}},  // no colour for index 1: black
  };
  for (const Case& c : cases) {
    std::string bmp = BmpHeader(10, 2, 1, uint32_t(c.palette.size()), 8);
    for (uint32_t colour : c.palette)
      for (int i = 0; i < 4; ++i) bmp += char((colour >> (8 * i)) & 0xFF);
    bmp += fileRows;
    HBITMAP bitmap = DecodeBmp(bmp.data(), bmp.size());
    TBitmapPixels p;
    ASSERT_TRUE(GetBitmapPixels(bitmap, &p));
    ASSERT_TRUE(p.monochrome);
    ASSERT_EQ(p.rowBytes, 2);
    std::string packed(4, '\0');
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(PixelAt(p, x, y), c.rows[y][x] == '1' ? 0xFFFFFFu : 0u)
            << c.palette[0] << " " << x << "," << y;
        if (c.rows[y][x] == '1') packed[size_t(y * 2 + x / 8)] |= char(0x80 >> (x % 8));
      }
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p.packed), 4), packed);
    std::string saved = EncodeBmp(bitmap);
    ASSERT_EQ(saved.size(), 14u + 40 + 8 + 8);
    EXPECT_EQ(saved[28], 1);  // bits per pixel
    HBITMAP again = DecodeBmp(saved.data(), saved.size());
    TBitmapPixels q;
    ASSERT_TRUE(GetBitmapPixels(again, &q));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(q.packed), 4), packed);
    DeleteObject(bitmap);
    DeleteObject(again);
  }
}

// Fails the process (exit 1, with a line on stderr) unless `load` ends as `expected`.
template <class Load>
void Expect(const char* what, Load load, Outcome expected) {
  try {
    DeleteObject(load());
    if (expected == Outcome::Loads) return;
    std::fprintf(stderr, "%s: loaded\n", what);
  } catch (const EOutOfMemory&) {
    if (expected == Outcome::OutOfMemory) return;
    std::fprintf(stderr, "%s: EOutOfMemory\n", what);
  } catch (const EInvalidGraphic&) {
    if (expected == Outcome::Invalid) return;
    std::fprintf(stderr, "%s: EInvalidGraphic\n", what);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", what, e.what());
  }
  std::_Exit(1);
}

// Loads huge images under a 512 MB address-space limit; exits 0 when each ended as it should.
void LoadHugeImagesUnderALimit() {
  std::string png66 = PngClaiming(65535, 65535);
  std::string bmpHuge = BmpHeader(65535, 65535, 24, 0, 0) + std::string(64, '\0');
  std::string pngPastLimit = PngClaiming(16385, 16384);
  // 2^28 colour pixels (1 GB) with as much data as they could come from (but not valid data).
  std::string pngAtLimit = PngFile(16384, 16384, 8, 2, false, {{"IDAT", std::string(800u << 10, '\0')}});
  std::string monoPngAtLimit = PngClaiming(16384, 16384);  // read at a byte per pixel: 256 MB
  std::string bmpAtLimit = BmpHeader(16384, 16384, 1, 2, 16384u * 16384u / 8) + std::string(8, '\0');
  bmpAtLimit.resize(bmpAtLimit.size() + 16384u * 16384u / 8);
  rlimit limit{512u << 20, 512u << 20};
  if (png66.size() != 66 || setrlimit(RLIMIT_AS, &limit) != 0) std::_Exit(2);
  auto png = [](const std::string& s) { return [&s] { return DecodePng(s.data(), s.size()); }; };
  auto bmp = [](const std::string& s) { return [&s] { return DecodeBmp(s.data(), s.size()); }; };
  Expect("66-byte PNG", png(png66), Outcome::Invalid);
  Expect("65535 x 65535 BMP", bmp(bmpHuge), Outcome::Invalid);
  Expect("PNG past 2^28 pixels", png(pngPastLimit), Outcome::Invalid);
  Expect("PNG of 2^28 pixels", png(pngAtLimit), Outcome::OutOfMemory);
  Expect("1-bit PNG of 2^28 pixels", png(monoPngAtLimit), Outcome::Invalid);
  // The same pixels at 1 bit each take 32 MB beside the 32 MB file.
  Expect("1-bit BMP of 2^28 pixels", bmp(bmpAtLimit), Outcome::Loads);
  TStringStream stream(bmpHuge);
  TBitmap bitmap;
  auto viaStream = [&] {
    bitmap.LoadFromStream(stream);
    return HBITMAP(nullptr);
  };
  Expect("65535 x 65535 BMP stream", viaStream, Outcome::Invalid);
  std::_Exit(0);
}

// Headers naming huge images are refused before anything is allocated for them, an image within
// the limits that cannot be allocated raises EOutOfMemory, never std::bad_alloc, and a 1-bit image
// costs 1 bit per pixel. Runs in a
// child process, which the address-space limit binds alone.
TEST(ImageFiles, HugeHeadersAreRefusedBeforeAllocating) {
  if (kAddressSanitizer) GTEST_SKIP() << kNoAddressLimitUnderAsan;
  EXPECT_EXIT(LoadHugeImagesUnderALimit(), ::testing::ExitedWithCode(0), "");
}

// PNG files whose compressed data is too little for the image their header names: the image
// inflates to no more than 1032 times its compressed size.
struct ShortPng {
  const char* what;
  uint32_t side;
  int depth, colourType;
  bool interlaced;
  size_t dataBytes;
};
const ShortPng kShortPngs[] = {
    {"16-bit RGBA, a 66-byte file", 16384, 16, 6, false, 9},
    {"1-bit grey, a 66-byte file", 16384, 1, 0, false, 9},
    {"8-bit RGB interlaced, 1 KB", 16384, 8, 2, true, 1024},
    {"8-bit palette, 1 KB", 16384, 8, 3, false, 1024},
    // 1 bit a pixel: 16384 rows of 2049 bytes, 33.6 MB, inflated from no fewer than 32,530 bytes.
    {"1-bit grey, a little short", 16384, 1, 0, false, 31 << 10},
};

// Loads each of kShortPngs under a 256 MB address-space limit; exits 0 when each was refused.
void LoadShortPngsUnderALimit() {
  std::vector<std::string> files;
  for (const ShortPng& c : kShortPngs) {
    std::vector<PngChunk> chunks;
    if (c.colourType == 3) chunks.push_back({"PLTE", std::string(3 * 256, '\x40')});
    chunks.push_back({"IDAT", std::string(c.dataBytes, '\0')});
    files.push_back(PngFile(c.side, c.side, c.depth, c.colourType, c.interlaced, chunks));
  }
  if (files[0].size() != 66) std::_Exit(2);
  rlimit limit{256u << 20, 256u << 20};
  if (setrlimit(RLIMIT_AS, &limit) != 0) std::_Exit(2);
  for (size_t i = 0; i < files.size(); ++i)
    Expect(
        kShortPngs[i].what, [&] { return DecodePng(files[i].data(), files[i].size()); }, Outcome::Invalid);
  std::_Exit(0);
}

// A header naming a large image over compressed data too short to hold it is refused before the
// image is allocated: under a limit smaller than the image, each file is invalid, not out of memory.
TEST(ImageFiles, PngsWithTooLittleDataForTheirImageAreRefusedBeforeAllocating) {
  if (kAddressSanitizer) GTEST_SKIP() << kNoAddressLimitUnderAsan;
  EXPECT_EXIT(LoadShortPngsUnderALimit(), ::testing::ExitedWithCode(0), "");
}

// Large images compressed about as tightly as deflate goes still load, interlaced or not: the
// bound the compressed data puts on the image is no tighter than deflate's own.
TEST(ImageFiles, LargeHighlyCompressedPngsLoad) {
  const uint32_t width = 4096, height = 2048;
  // The bytes of each pass of an interlaced 8-bit RGB image of that size: rows of a filter byte
  // and 3 bytes a pixel (the sides divide by 8, so every pass is full).
  const uint32_t passes[7][2] = {{512, 256},  {512, 256},   {1024, 256}, {1024, 512},
                                 {2048, 512}, {2048, 1024}, {4096, 1024}};
  size_t interlacedBytes = 0;
  for (const auto& [columns, rows] : passes) interlacedBytes += size_t(rows) * (1 + columns * 3);
  for (bool interlaced : {false, true}) {
    // Black but for the last pixel of the data, the bottom right one (the last pass holds the odd
    // rows whole): red.
    std::string raw(interlaced ? interlacedBytes : size_t(height) * (1 + width * 3), '\0');
    raw[raw.size() - 3] = '\xFF';
    std::string data = Deflate(raw);
    std::string png = PngFile(width, height, 8, 2, interlaced, {{"IDAT", data}});
    SCOPED_TRACE(testing::Message() << (interlaced ? "interlaced, " : "") << "inflates "
                                    << raw.size() / data.size() << " times");
    HBITMAP bitmap = DecodePng(png.data(), png.size());
    TBitmapPixels p;
    ASSERT_TRUE(GetBitmapPixels(bitmap, &p));
    EXPECT_EQ(p.width, int(width));
    EXPECT_EQ(PixelAt(p, int(width) - 1, int(height) - 1), RGB(255, 0, 0));
    EXPECT_EQ(PixelAt(p, int(width) - 2, int(height) - 1), 0u);
    EXPECT_EQ(PixelAt(p, 0, 0), 0u);
    DeleteObject(bitmap);
  }
}

}  // namespace
}  // namespace zu::test
