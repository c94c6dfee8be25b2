// What the rest of the system needs of the drawing surface beyond the classic API: DCs over a
// window's back buffer, direct pixel access, settable device caps, and a count of live objects.
#pragma once

#include <cstdint>

#include "platform/graphics/WinTypes.h"

namespace zu::win {

// A DC that draws on `bitmap` (a window's back buffer): the bitmap stays the caller's and cannot
// be replaced through SelectObject. Deleted with DeleteDC or ReleaseDC. 0 for a dead bitmap.
HDC CreateSurfaceDC(HBITMAP bitmap);

// Names the back buffer of a window for GetDC(window); 0 when the window has none.
using TWindowSurfaceProvider = HBITMAP (*)(HWND window);
void SetWindowSurfaceProvider(TWindowSurfaceProvider provider);

// Sets what GetDeviceCaps reports for BITSPIXEL, PLANES, LOGPIXELSX or LOGPIXELSY of one DC
// (and of the DCs and bitmaps made compatible with it); 0 for another index or a dead DC.
BOOL SetDeviceCaps(HDC dc, int index, int value);
// The same for the screen: every DC made afterwards from the screen starts with it.
// Defaults: 32 bits per pixel, 1 plane, 96 pixels per inch.
BOOL SetScreenDeviceCaps(int index, int value);
// The size of the screen surface (default 1024 x 768); takes effect for later GetDC(0).
void SetScreenSize(int width, int height);

// Pixels of a bitmap, rows top-down. A colour bitmap gives `bits`, 0x00BBGGRR, `stride` pixels from
// one row to the next. A 1-bit bitmap gives `packed` instead, 1 bit per pixel as the classic API
// lays a monochrome bitmap out: rows of `rowBytes` bytes (a whole number of 16-bit words), the
// leftmost pixel in the most significant bit, 1 for white and 0 for black, the padding 0.
struct TBitmapPixels {
  int width = 0;
  int height = 0;
  int stride = 0;
  bool monochrome = false;
  uint32_t* bits = nullptr;
  uint8_t* packed = nullptr;
  int rowBytes = 0;
};
// False for a dead handle. The pointers stay valid until the bitmap is deleted.
BOOL GetBitmapPixels(HBITMAP bitmap, TBitmapPixels* pixels);
// The bytes of a row of `width` 1-bit pixels.
constexpr int MonoRowBytes(int width) { return (width + 15) / 16 * 2; }
// Pixels of either layout as 0x00BBGGRR, a 1-bit pixel as 0 (black) or 0x00FFFFFF (white); writing
// a 1-bit bitmap, anything but 0 is white. The row forms take `n` pixels from column `x`.
uint32_t PixelAt(const TBitmapPixels& pixels, int x, int y);
void SetPixelAt(const TBitmapPixels& pixels, int x, int y, uint32_t color);
void GetPixelRow(const TBitmapPixels& pixels, int x, int y, int n, uint32_t* out);
void SetPixelRow(const TBitmapPixels& pixels, int x, int y, int n, const uint32_t* in);
// The bitmap a DC draws on (0 for the screen and dead DCs).
HBITMAP GetSurfaceBitmap(HDC dc);

// Pens, brushes, fonts, bitmaps and DCs alive, stock objects and the screen excluded.
int GdiObjectCount();

}  // namespace zu::win
