// Window imaging and lookup, and the keyboard, sound and control-search queries.
#include <cstring>

#include "lib/types/zuControls.h"
#include "lib/utils/zuUtilsDrawing.h"
#include "platform/forms/Application.h"
#include "platform/graphics/Gdi.h"
#include "platform/graphics/Rects.h"
#include "platform/windows/Windows.h"

namespace zu {

void GetWindowImageFrom(TWinControl* control, int32_t x, int32_t y, bool paintSelf, bool recurse,
                        win::HDC dc) {
  using namespace win;
  if (!control) return;
  if (paintSelf) {
    int saved = SaveDC(dc);
    SetViewportOrgEx(dc, x, y, nullptr);
    TPublicWinControl::PaintWindow(control, dc);
    RestoreDC(dc, saved);
  }
  for (int i = 0; i < control->ControlCount(); ++i) {
    TControl* child = control->Controls(i);
    if (!child) continue;
    auto* windowed = dynamic_cast<TWinControl*>(child);
    if (windowed && recurse) {
      GetWindowImageFrom(windowed, x + child->Left(), y + child->Top(), true, recurse, dc);
    } else if (child->Visible()) {
      int saved = SaveDC(dc);
      SetViewportOrgEx(dc, x + child->Left(), y + child->Top(), nullptr);
      child->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
      RestoreDC(dc, saved);
    }
  }
}

void GetWindowImage(TWinControl* control, bool paintSelf, bool recurse, win::HDC dc) {
  GetWindowImageFrom(control, 0, 0, paintSelf, recurse, dc);
}

void GetParentImageRect(TControl* control, const win::RECT& rect, win::HDC dc) {
  using namespace win;
  TWinControl* parent = control ? control->Parent() : nullptr;
  if (!parent) return;
  TRect bounds = control->BoundsRect();
  TRect covered;
  IntersectRect(&covered, &bounds, &rect);
  int saved = SaveDC(dc);
  SetViewportOrgEx(dc, -rect.left, -rect.top, nullptr);
  IntersectClipRect(dc, 0, 0, rect.right, rect.bottom);
  TPublicWinControl::PaintWindow(parent, dc);
  RestoreDC(dc, saved);
  for (int i = 0; i < parent->ControlCount(); ++i) {
    TControl* sibling = parent->Controls(i);
    if (sibling == control) break;
    if (!sibling || dynamic_cast<TWinControl*>(sibling)) continue;
    TRect siblingBounds = sibling->BoundsRect();
    TRect common;
    if (!IntersectRect(&common, &siblingBounds, &covered) || !sibling->Visible()) continue;
    saved = SaveDC(dc);
    SetViewportOrgEx(dc, sibling->Left() - rect.left, sibling->Top() - rect.top, nullptr);
    IntersectClipRect(dc, 0, 0, sibling->Width(), sibling->Height());
    sibling->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
    RestoreDC(dc, saved);
  }
}

void BringParentWindowToTop(TWinControl* control) {
  if (TForm* form = GetParentForm(control)) win::BringWindowToTop(form->Handle());
}

TForm* GetParentForm(TControl* control) {
  for (TControl* c = control; c; c = c->Parent())
    if (auto* form = dynamic_cast<TForm*>(c)) return form;
  return nullptr;
}

win::HWND FindMainWindow(const std::string& className, const std::string& caption) {
  if (className.empty() && caption.empty()) return nullptr;
  return win::FindWindowA(className.c_str(), caption.c_str());
}

void Msg(const std::string& text) {
  win::MessageBoxA(Application->Handle(), text.c_str(), "", win::MB_OK | win::MB_ICONINFORMATION);
}

bool PlayWaveResource(const std::string& name) {
  using namespace win;
  HINSTANCE module = GetModuleHandleA(nullptr);
  HRSRC resource = FindResourceA(module, name.c_str(), RT_RCDATA);
  if (!resource) return false;
  HGLOBAL handle = LoadResource(module, resource);
  if (!handle) return false;
  const auto* bytes = static_cast<const char*>(LockResource(handle));
  DWORD size = SizeofResource(module, resource);
  // The player trusts the wave header's length; a resource shorter than that is refused.
  bool whole = false;
  if (bytes && size >= 12 && std::memcmp(bytes, "RIFF", 4) == 0) {
    uint32_t declared = 0;
    for (int i = 3; i >= 0; --i) declared = (declared << 8) | static_cast<unsigned char>(bytes[4 + i]);
    whole = declared <= size - 8;
  }
  bool played = whole && sndPlaySoundA(bytes, SND_ASYNC | SND_MEMORY) != 0;
  FreeResource(handle);
  return played;
}

void TypeStringOnKeyboard(const std::string& text) {
  using namespace win;
  for (char c : text) {
    BYTE key = 0;
    bool shift = false;
    if (static_cast<unsigned char>(c) <= 32)
      key = static_cast<BYTE>(c);
    else if (!VirtualKeyFromChar(c, &key, &shift))
      continue;
    if (shift) keybd_event(VK_SHIFT, 0, 0, 0);
    keybd_event(key, 0, 0, 0);
    keybd_event(key, 0, KEYEVENTF_KEYUP, 0);
    if (shift) keybd_event(VK_SHIFT, 0, KEYEVENTF_KEYUP, 0);
  }
}

TControl* FindControlAtPt(TWinControl* parent, win::POINT& point, const TClassInfo* controlClass) {
  if (!parent) return nullptr;
  for (int i = parent->ControlCount() - 1; i >= 0; --i) {
    TControl* c = parent->Controls(i);
    TRect bounds = c->BoundsRect();
    if (c->InheritsFrom(controlClass) && win::PtInRect(&bounds, point)) return c;
  }
  return nullptr;
}

}  // namespace zu
