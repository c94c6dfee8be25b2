// zuTypes' access classes over the framework's controls.
#pragma once

#include "platform/controls/Controls.h"

namespace zu {

// Makes two protected operations of the windowed control callable from library code; publishes
// nothing. The static forms apply them to any windowed control.
class TPublicWinControl : public TWinControl {
  ZU_CLASS(TPublicWinControl, TWinControl)
 public:
  using TWinControl::TWinControl;
  // Paints the control's face into DC as the framework's own painting does.
  void PaintWindow(win::HDC DC) override;
  // Destroys and makes again the control's window handle.
  void RecreateWnd();

  static void PaintWindow(TWinControl* Control, win::HDC DC);
  static void RecreateWnd(TWinControl* Control);
};

// A control that declares nothing of its own; no routine of the library uses it.
class TShowFont : public TControl {
  ZU_CLASS(TShowFont, TControl)
 public:
  using TControl::TControl;
};

}  // namespace zu
