// A window backend without a screen: windows live in memory, their presented pictures are kept,
// and events come from a queue that tests fill.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <vector>

#include "platform/forms/WindowBackend.h"

namespace zu {

class THeadlessBackend : public TWindowBackend {
 public:
  struct TWindowState {
    std::string Caption;
    TRect Bounds{};
    bool Visible = false;
    bool Minimized = false;
    int Presents = 0;
    int Width = 0;
    int Height = 0;
    std::vector<uint32_t> Pixels;  // the last picture presented, rows top-down, 0x00BBGGRR
    uint32_t Pixel(int x, int y) const { return Pixels[static_cast<size_t>(y * Width + x)]; }
  };

  std::string Name() const override { return "headless"; }
  void CreateWindow(win::HWND Window, const std::string& Caption, const TRect& Bounds) override;
  void DestroyWindow(win::HWND Window) override;
  void ShowWindow(win::HWND Window, bool Visible) override;
  void SetCaption(win::HWND Window, const std::string& Caption) override;
  void SetBounds(win::HWND Window, const TRect& Bounds) override;
  void MinimizeWindow(win::HWND Window) override;
  TRect WorkArea() override { return FWorkArea; }
  std::string ClipboardText() override { return FClipboard; }
  void SetClipboardText(const std::string& Text) override { FClipboard = Text; }
  void RaiseWindow(win::HWND Window) override;
  void Present(win::HWND Window, const win::TBitmapPixels& Pixels) override;
  // The queue's next event; when it is empty OnIdle may add some, else false at once.
  bool NextEvent(TBackendEvent& Event, int TimeoutMs) override;
  bool CanWait() const override { return false; }
  void Wake() override {}

  // Mouse events get their screen point from the window's bounds when they are delivered.
  void Inject(const TBackendEvent& Event) { FQueue.push_back(Event); }
  // A press and release of the left button at (X, Y) of the window; Double for the second click
  // of a double click.
  void Click(win::HWND Window, int32_t X, int32_t Y, bool Double = false);
  // A mouse event of the window (a move with the left button down, for dragging).
  void Mouse(TBackendEventKind Kind, win::HWND Window, int32_t X, int32_t Y);
  // A key press and release; with Text, the character it types in between.
  void Key(uint8_t VirtualKey, TShiftState Shift = {}, const std::string& Text = {});
  // Each byte of Text as a typed character.
  void Type(const std::string& Text);

  // Null for an unknown window.
  const TWindowState* Window(win::HWND Window) const;
  // The windows from bottom to top.
  const std::vector<win::HWND>& ZOrder() const { return FZOrder; }
  size_t Pending() const { return FQueue.size(); }
  // Called when the queue is empty and an event is asked for (a modal loop waiting).
  std::function<void()> OnIdle;
  TRect FWorkArea{0, 0, 1024, 768};

 private:
  std::map<win::HWND, TWindowState> FWindows;
  std::vector<win::HWND> FZOrder;
  std::deque<TBackendEvent> FQueue;
  std::string FClipboard;
};

}  // namespace zu
