// The message box of MessageBoxA: a modal dialog form with an icon, the text and push buttons.
#pragma once

#include <string>

#include "platform/windows/Windows.h"

namespace zu {

// Shows the box and returns the ID of the button chosen. Enter presses the focused button (the
// default one at first), Escape and the close button choose Cancel, or OK in a box with only OK.
// When the backend runs out of events (headless) the box ends as Escape would, or with its
// default button when it has neither Cancel nor only OK.
int ShowMessageBox(win::HWND Owner, const std::string& Text, const std::string& Caption, win::UINT Type);

}  // namespace zu
