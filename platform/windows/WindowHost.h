// The window layer's side of the system services: it enters its windows in the window table and
// shows message boxes, raises windows and delivers simulated key presses for them.
#pragma once

#include <string>

#include "platform/windows/Windows.h"

namespace zu::win {

class TWindowHost {
 public:
  virtual ~TWindowHost() = default;
  // Shows a modal message box and returns the ID of the button chosen.
  virtual int MessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type) = 0;
  // Raises a top-level window on the screen.
  virtual void RaiseWindow(HWND window) = 0;
  // A key pressed or released through keybd_event (the key state is already updated).
  virtual void KeyEvent(BYTE vk, bool down) = 0;
};

// Installs the window layer (null: none); returns the previous one.
TWindowHost* SetWindowHost(TWindowHost* host);
TWindowHost* GetWindowHost();

// Enters a window in the table, on top of its siblings; parent 0 makes it a top-level window.
// Handles are never reused.
HWND RegisterWindow(const std::string& className, const std::string& windowName, HWND parent);
// Removes a window and, first, its child windows from the table; unknown handles are ignored.
void UnregisterWindow(HWND window);
// Records a key's state as the window layer saw it go down or up.
void SetKeyState(BYTE vk, bool down);

}  // namespace zu::win
