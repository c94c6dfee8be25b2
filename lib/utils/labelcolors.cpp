#include <algorithm>

#include "lib/styles/zuCommCl.h"
#include "lib/utils/zuUtilsDrawing.h"
#include "platform/graphics/SysColors.h"

namespace zu {

void CalcShadowAndHighlightColors(TColor Color, TzuCustomLabelColors* Colors) {
  if (!Colors) return;
  uint32_t c = static_cast<uint32_t>(Color);
  if (c & 0x80000000u) c = win::GetSysColor(static_cast<int>(c & 0xFF));
  const int r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
  // Channels are masked to 8 bits when packed: a negative shift is not limited.
  auto pack = [](int rr, int gg, int bb) {
    return static_cast<TColor>((rr & 0xFF) | ((gg & 0xFF) << 8) | ((bb & 0xFF) << 16));
  };
  if (Colors->FAutoShadow) {
    const int s = Colors->FColorShadowShift;
    Colors->FShadow = pack(std::max(r - s, 0), std::max(g - s, 0), std::max(b - s, 0));
  }
  if (Colors->FAutoHighlight) {
    const int h = Colors->FColorHighlightShift;
    Colors->FHighlight = pack(std::min(r + h, 255), std::min(g + h, 255), std::min(b + h, 255));
  }
}

}  // namespace zu
