#include "lib/types/zuControls.h"

namespace zu {

ZU_PUBLISHED(TPublicWinControl, "zuTypes") {}
ZU_PUBLISHED(TShowFont, "zuTypes") {}

namespace {
// Reaches the protected members of any windowed control; the calls dispatch virtually.
struct TWinControlAccess : TWinControl {
  static void Paint(TWinControl* control, win::HDC dc) { (control->*(&TWinControlAccess::PaintWindow))(dc); }
};
}  // namespace

void TPublicWinControl::PaintWindow(win::HDC DC) { TWinControl::PaintWindow(DC); }

void TPublicWinControl::RecreateWnd() { TWinControl::RecreateWnd(); }

void TPublicWinControl::PaintWindow(TWinControl* Control, win::HDC DC) {
  if (Control) TWinControlAccess::Paint(Control, DC);
}

void TPublicWinControl::RecreateWnd(TWinControl* Control) {
  if (Control) Control->RecreateWnd();
}

}  // namespace zu
