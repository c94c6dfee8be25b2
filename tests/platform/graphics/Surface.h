// Test surfaces: a memory DC over a small bitmap, pixel maps to compare with, and a check that a
// test leaves no drawing object alive.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/graphics/Gdi.h"
#include "platform/graphics/GdiText.h"
#include "platform/graphics/Rects.h"
#include "platform/graphics/Surface.h"
#include "platform/graphics/SysColors.h"

namespace zu::test {

using namespace zu::win;

// One stored pixel of a bitmap of either depth, read and written as 0x00BBGGRR.
class PixelRef {
 public:
  PixelRef(const TBitmapPixels& pixels, int x, int y) : FPixels(pixels), FX(x), FY(y) {}
  operator uint32_t() const { return PixelAt(FPixels, FX, FY); }
  PixelRef& operator=(uint32_t color) {
    SetPixelAt(FPixels, FX, FY, color);
    return *this;
  }
  PixelRef& operator=(const PixelRef& other) { return *this = uint32_t(other); }  // the pixel, not the place
  friend std::ostream& operator<<(std::ostream& out, const PixelRef& pixel) { return out << uint32_t(pixel); }

 private:
  TBitmapPixels FPixels;
  int FX, FY;
};

// A memory DC with a width x height bitmap (32-bit or 1-bit) selected, filled with `fill`.
class TestSurface {
 public:
  TestSurface(int width, int height, bool mono = false, COLORREF fill = RGB(255, 255, 255))
      : FWidth(width), FHeight(height) {
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateBitmap(width, height, 1, mono ? 1 : 32, nullptr);
    FOld = SelectObject(dc, bitmap);
    Fill(fill);
  }
  ~TestSurface() {
    SelectObject(dc, FOld);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  TestSurface(const TestSurface&) = delete;
  TestSurface& operator=(const TestSurface&) = delete;

  void Fill(COLORREF color) {
    for (int y = 0; y < FHeight; ++y)
      for (int x = 0; x < FWidth; ++x) Raw(x, y) = color;
  }
  // The stored pixel, whatever the DC's origin and clip.
  PixelRef Raw(int x, int y) const {
    TBitmapPixels p;
    GetBitmapPixels(bitmap, &p);
    return PixelRef(p, x, y);
  }
  COLORREF At(int x, int y) const { return Raw(x, y); }
  // Every pixel, row by row.
  std::vector<COLORREF> Pixels() const {
    std::vector<COLORREF> all;
    for (int y = 0; y < FHeight; ++y)
      for (int x = 0; x < FWidth; ++x) all.push_back(Raw(x, y));
    return all;
  }
  // The pixels as rows of letters, one string a row: each colour of `legend` as its letter, others as '?'.
  std::vector<std::string> MapRows(const std::map<COLORREF, char>& legend) const {
    std::vector<std::string> rows;
    for (int y = 0; y < FHeight; ++y) {
      std::string row;
      for (int x = 0; x < FWidth; ++x) {
        auto it = legend.find(Raw(x, y));
        row += it == legend.end() ? '?' : it->second;
      }
      rows.push_back(row);
    }
    return rows;
  }
  // The same rows as text, one row a line.
  std::string Map(const std::map<COLORREF, char>& legend) const {
    std::string out;
    for (const std::string& row : MapRows(legend)) out += row + '\n';
    return out;
  }
  // The smallest rectangle holding every pixel not equal to `background` (empty when none).
  RECT InkBox(COLORREF background) const {
    RECT r{FWidth, FHeight, 0, 0};
    for (int y = 0; y < FHeight; ++y)
      for (int x = 0; x < FWidth; ++x)
        if (Raw(x, y) != background) {
          r.left = std::min<LONG>(r.left, x);
          r.top = std::min<LONG>(r.top, y);
          r.right = std::max<LONG>(r.right, x + 1);
          r.bottom = std::max<LONG>(r.bottom, y + 1);
        }
    if (r.right <= r.left) return RECT{};
    return r;
  }
  int Count(COLORREF color) const {
    int n = 0;
    for (int y = 0; y < FHeight; ++y)
      for (int x = 0; x < FWidth; ++x) n += Raw(x, y) == color;
    return n;
  }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }

  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;

 private:
  int FWidth;
  int FHeight;
  HGDIOBJ FOld = nullptr;
};

// Joins rows into the text form TestSurface::Map returns.
inline std::string Rows(std::initializer_list<const char*> rows) {
  std::string out;
  for (const char* r : rows) out += std::string(r) + '\n';
  return out;
}

// Every test leaves as many drawing objects alive as it found, and the system colours as they were.
class GdiTest : public ::testing::Test {
 protected:
  void SetUp() override { FLive = GdiObjectCount(); }
  void TearDown() override {
    ResetSysColors();
    EXPECT_EQ(GdiObjectCount(), FLive) << "drawing objects left alive";
  }

 private:
  int FLive = 0;
};

// Tests under an address-space limit skip under AddressSanitizer, which reserves far more address
// space than any such limit.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif
constexpr const char* kNoAddressLimitUnderAsan = "AddressSanitizer reserves far more address space than the limit";

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

}  // namespace zu::test
