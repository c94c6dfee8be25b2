// Drawing with the installed package: a gradient box from red to navy in a bitmap, saved as PNG
// to the file named by the argument, then read back and checked.
#include <cstdio>

#include "lib/styles/zuCommCl.h"
#include "lib/utils/zuUtils.h"
#include "platform/graphics/Gdi.h"
#include "platform/graphics/Graphics.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zudrawing FILE.png\n");
    return 2;
  }
  constexpr int width = 160, height = 80;
  try {
    zu::TBitmap bitmap;
    bitmap.SetSize(width, height);
    zu::TGradient gradient;
    gradient.SeTzuomColor(zu::clRed);
    gradient.SetToColor(zu::clNavy);
    gradient.SetActive(true);
    zu::GradientBox(bitmap.Canvas()->Handle(), zu::Rect(0, 0, width, height), &gradient, zu::win::PS_SOLID,
                    1);
    bitmap.SaveToPngFile(argv[1]);

    // Top to bottom (the default orientation's bands) the red falls from full and the blue rises
    // towards navy's, in every column.
    zu::TBitmap copy;
    copy.LoadFromPngFile(argv[1]);
    if (copy.Width() != width || copy.Height() != height) return 1;
    zu::TCanvas* canvas = copy.Canvas();
    for (int x = 0; x < width; ++x) {
      if (canvas->Pixels(x, 0) != zu::clRed) return 1;
      for (int y = 1; y < height; ++y) {
        const zu::TColor above = canvas->Pixels(x, y - 1), here = canvas->Pixels(x, y);
        if ((here & 0xFF) > (above & 0xFF) || (here >> 16 & 0xFF) < (above >> 16 & 0xFF)) return 1;
      }
      const zu::TColor last = canvas->Pixels(x, height - 1);
      if ((last & 0xFF) > 8 || (last >> 16 & 0xFF) < 0x78) return 1;
    }
  } catch (const zu::Exception& e) {
    std::fprintf(stderr, "%s: %s\n", e.ClassName(), e.what());
    return 1;
  }
  return 0;
}
