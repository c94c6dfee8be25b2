#include "platform/forms/HeadlessBackend.h"

#include <algorithm>

namespace zu {

void THeadlessBackend::CreateWindow(win::HWND Window, const std::string& Caption, const TRect& Bounds) {
  TWindowState& w = FWindows[Window];
  w.Caption = Caption;
  w.Bounds = Bounds;
  FZOrder.push_back(Window);
}

void THeadlessBackend::DestroyWindow(win::HWND Window) {
  FWindows.erase(Window);
  FZOrder.erase(std::remove(FZOrder.begin(), FZOrder.end(), Window), FZOrder.end());
}

void THeadlessBackend::ShowWindow(win::HWND Window, bool Visible) {
  if (auto it = FWindows.find(Window); it != FWindows.end()) it->second.Visible = Visible;
}

void THeadlessBackend::SetCaption(win::HWND Window, const std::string& Caption) {
  if (auto it = FWindows.find(Window); it != FWindows.end()) it->second.Caption = Caption;
}

void THeadlessBackend::SetBounds(win::HWND Window, const TRect& Bounds) {
  if (auto it = FWindows.find(Window); it != FWindows.end()) it->second.Bounds = Bounds;
}

void THeadlessBackend::MinimizeWindow(win::HWND Window) {
  if (auto it = FWindows.find(Window); it != FWindows.end()) it->second.Minimized = true;
}

void THeadlessBackend::RaiseWindow(win::HWND Window) {
  auto it = std::find(FZOrder.begin(), FZOrder.end(), Window);
  if (it == FZOrder.end()) return;
  FZOrder.erase(it);
  FZOrder.push_back(Window);
}

void THeadlessBackend::Present(win::HWND Window, const win::TBitmapPixels& Pixels) {
  auto it = FWindows.find(Window);
  if (it == FWindows.end()) return;
  TWindowState& w = it->second;
  ++w.Presents;
  w.Width = Pixels.width;
  w.Height = Pixels.height;
  w.Pixels.resize(static_cast<size_t>(Pixels.width) * static_cast<size_t>(Pixels.height));
  for (int y = 0; y < Pixels.height; ++y)
    std::copy_n(Pixels.bits + static_cast<ptrdiff_t>(y) * Pixels.stride, Pixels.width,
                w.Pixels.begin() + static_cast<ptrdiff_t>(y) * Pixels.width);
}

bool THeadlessBackend::NextEvent(TBackendEvent& Event, int TimeoutMs) {
  if (FQueue.empty() && TimeoutMs != 0 && OnIdle) OnIdle();
  if (FQueue.empty()) return false;
  Event = std::move(FQueue.front());
  FQueue.pop_front();
  if (Event.Kind == beMouseDown || Event.Kind == beMouseUp || Event.Kind == beMouseMove)
    if (const TWindowState* w = Window(Event.Window))
      Event.Screen = Point(w->Bounds.left + Event.X, w->Bounds.top + Event.Y);
  return true;
}

void THeadlessBackend::Click(win::HWND Window, int32_t X, int32_t Y, bool Double) {
  TBackendEvent e;
  e.Window = Window;
  e.X = X;
  e.Y = Y;
  e.Kind = beMouseDown;
  e.Double = Double;
  Inject(e);
  e.Kind = beMouseUp;
  e.Double = false;
  Inject(e);
}

void THeadlessBackend::Mouse(TBackendEventKind Kind, win::HWND Window, int32_t X, int32_t Y) {
  TBackendEvent e;
  e.Kind = Kind;
  e.Window = Window;
  e.X = X;
  e.Y = Y;
  if (Kind == beMouseMove) e.Shift.Include(ssLeft);
  Inject(e);
}

void THeadlessBackend::Key(uint8_t VirtualKey, TShiftState Shift, const std::string& Text) {
  TBackendEvent e;
  e.Kind = beKeyDown;
  e.Key = VirtualKey;
  e.Shift = Shift;
  Inject(e);
  if (!Text.empty()) {
    TBackendEvent c;
    c.Kind = beChar;
    c.Text = Text;
    Inject(c);
  }
  e.Kind = beKeyUp;
  Inject(e);
}

void THeadlessBackend::Type(const std::string& Text) {
  for (char ch : Text) {
    TBackendEvent c;
    c.Kind = beChar;
    c.Text = std::string(1, ch);
    Inject(c);
  }
}

const THeadlessBackend::TWindowState* THeadlessBackend::Window(win::HWND Window) const {
  auto it = FWindows.find(Window);
  return it == FWindows.end() ? nullptr : &it->second;
}

}  // namespace zu
