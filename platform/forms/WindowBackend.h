// The window backends behind TApplication: SDL2 shows real windows (also under Xvfb); the
// headless backend keeps windows in memory and delivers the events that tests inject.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/controls/Controls.h"
#include "platform/graphics/Surface.h"

namespace zu {

enum TBackendEventKind : uint8_t {
  bePaint,      // the window's picture was lost: present it again
  beMouseDown,  // X, Y in window coordinates; Button; Double for the second press of a double click
  beMouseUp,
  beMouseMove,
  beKeyDown,  // Key: virtual key; Shift
  beKeyUp,
  beChar,        // Text: the UTF-8 text typed (control characters for backspace, tab, enter, escape)
  beClose,       // the user asked to close the window
  beMoved,       // X, Y: the window's new position on the screen (moved by the window manager)
  beResized,     // X, Y: the window's new width and height (resized by the window manager)
  beRestored,    // the window came back from being minimised
  beActivate,    // the window got the keyboard focus of the screen
  beDeactivate,  // and lost it
  beQuit,        // the program was asked to end (SIGINT, SIGTERM): the main form closes
};

struct TBackendEvent {
  TBackendEventKind Kind = bePaint;
  win::HWND Window = nullptr;  // null for key events: the active window
  int32_t X = 0;
  int32_t Y = 0;
  TPoint Screen{};  // mouse events: the point on the screen, for dragging the window itself
  TMouseButton Button = mbLeft;
  bool Double = false;
  uint8_t Key = 0;
  TShiftState Shift;
  std::string Text;
};

class TWindowBackend {
 public:
  virtual ~TWindowBackend() = default;
  virtual std::string Name() const = 0;
  // A hidden top-level window with these outer bounds on the screen; its whole area is client to
  // the backend: the form draws its own frame and caption bar and moves and sizes the window
  // itself, so window managers are asked to leave it undecorated.
  virtual void CreateWindow(win::HWND Window, const std::string& Caption, const TRect& Bounds) = 0;
  virtual void DestroyWindow(win::HWND Window) = 0;
  virtual void ShowWindow(win::HWND Window, bool Visible) = 0;
  virtual void SetCaption(win::HWND Window, const std::string& Caption) = 0;
  virtual void SetBounds(win::HWND Window, const TRect& Bounds) = 0;
  virtual void MinimizeWindow(win::HWND Window) = 0;
  // The part of the screen a maximised window fills.
  virtual TRect WorkArea() = 0;
  // The system clipboard's text ("" when it holds none) and setting it.
  virtual std::string ClipboardText() = 0;
  virtual void SetClipboardText(const std::string& Text) = 0;
  // Raises the window and gives it the keyboard focus.
  virtual void RaiseWindow(win::HWND Window) = 0;
  // Shows the window's picture (pixels as big as the window).
  virtual void Present(win::HWND Window, const win::TBitmapPixels& Pixels) = 0;
  // The next event, waiting up to TimeoutMs (-1: as long as it takes). False when none came, and
  // at once when the backend can never deliver another (the headless one once its queue is empty).
  virtual bool NextEvent(TBackendEvent& Event, int TimeoutMs) = 0;
  // Whether events can still come when none is queued, as from a display. NextEvent coming back
  // empty then only says that the time ran out (a wait may also end a little early); for a backend
  // that cannot wait it says that no event will ever come.
  virtual bool CanWait() const = 0;
  // Makes a waiting NextEvent return.
  virtual void Wake() = 0;
};

// Real windows through SDL2; raises EOSError when no display can be opened.
std::unique_ptr<TWindowBackend> CreateSDLBackend();

}  // namespace zu
