// Colour arithmetic and the small integer, float and rectangle helpers.
#include <algorithm>
#include <cmath>
#include <utility>

#include "lib/utils/zuUtilsBase.h"
#include "platform/graphics/Colors.h"
#include "platform/graphics/Gdi.h"
#include "platform/graphics/Geometry.h"

namespace zu {

namespace {

TColor Pack(int32_t r, int32_t g, int32_t b) {
  return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

// Adds `delta` to every channel of the resolved colour, clamped to 0..255.
TColor Shift(int32_t color, int32_t delta) {
  int32_t rgb = ColorToRGB(static_cast<TColor>(color));
  auto channel = [&](int shift) { return std::clamp(((rgb >> shift) & 0xFF) + delta, 0, 255); };
  return Pack(channel(0), channel(8), channel(16));
}

}  // namespace

TColor IncColor(int32_t Color, uint8_t Amount) { return Shift(Color, Amount); }

TColor DecColor(int32_t Color, uint8_t Amount) { return Shift(Color, -int32_t(Amount)); }

int32_t SantimsToPixels(win::HDC DC, float Santims, bool Horizontal) {
  long double dpi = win::GetDeviceCaps(DC, Horizontal ? win::LOGPIXELSX : win::LOGPIXELSY);
  long double value = dpi * static_cast<long double>(Santims) * 1.541L * 2.54L / 10.0f;
  return static_cast<int32_t>(std::nearbyint(value));  // the default rounding: halves to even
}

int32_t Min(int32_t A, int32_t B) { return A < B ? A : B; }
int32_t Max(int32_t A, int32_t B) { return A > B ? A : B; }
float MinSingle(float A, float B) { return A < B ? A : B; }
float MaxSingle(float A, float B) { return A > B ? A : B; }
bool IsEven(int32_t Value) { return Value % 2 == 0; }
void SwapInt(int32_t& A, int32_t& B) { std::swap(A, B); }

bool IsPointInRect(const TPoint& P, const TRect& R) {
  return R.left < P.x && P.x < R.right && R.top < P.y && P.y < R.bottom;
}

int32_t RectW(const TRect& R) { return R.right - R.left; }
int32_t RectH(const TRect& R) { return R.bottom - R.top; }

}  // namespace zu
