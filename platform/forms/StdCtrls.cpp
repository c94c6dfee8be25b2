#include "platform/forms/StdCtrls.h"

#include <algorithm>
#include <map>
#include <string_view>
#include <utility>

#include "platform/forms/Application.h"
#include "platform/graphics/Gdi.h"
#include "platform/graphics/GdiText.h"
#include "platform/graphics/SysColors.h"

namespace zu {

ZU_PUBLISHED(TCustomLabel, "StdCtrls") {}

ZU_PUBLISHED(TLabel, "StdCtrls") {
  p.property("Align", &TControl::Align, &TControl::SetAlign).defaultValue(alNone);
  p.property("Alignment", &TCustomLabel::Alignment, &TCustomLabel::SetAlignment).defaultValue(taLeftJustify);
  p.property("Anchors", &TControl::Anchors, &TControl::SetAnchors).defaultValue(TAnchors{akLeft, akTop});
  p.property("AutoSize", &TCustomLabel::AutoSize, &TCustomLabel::SetAutoSize).defaultValue(true);
  p.property("BiDiMode", &TControl::BiDiMode, &TControl::SetBiDiMode).stored(&TControl::IsBiDiModeStored);
  p.property("Caption", &TControl::Caption, &TControl::SetCaption);
  p.property("Color", &TControl::Color, &TControl::SetColor).stored(&TControl::IsColorStored);
  p.property("Constraints", &TControl::Constraints, &TControl::SetConstraints);
  p.property("DragCursor", &TControl::DragCursor, &TControl::SetDragCursor).defaultValue(crDrag);
  p.property("DragKind", &TControl::DragKind, &TControl::SetDragKind).defaultValue(dkDrag);
  p.property("DragMode", &TControl::DragMode, &TControl::SetDragMode).defaultValue(dmManual);
  p.property("Enabled", &TControl::Enabled, &TControl::SetEnabled).defaultValue(true);
  p.property("FocusControl", &TCustomLabel::FocusControl, &TCustomLabel::SetFocusControl);
  p.property("Font", &TControl::Font, &TControl::SetFont).stored(&TControl::IsFontStored);
  p.property("ParentBiDiMode", &TControl::ParentBiDiMode, &TControl::SetParentBiDiMode).defaultValue(true);
  p.property("ParentColor", &TControl::ParentColor, &TControl::SetParentColor).defaultValue(true);
  p.property("ParentFont", &TControl::ParentFont, &TControl::SetParentFont).defaultValue(true);
  p.property("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint).defaultValue(true);
  p.property("PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu);
  p.property("ShowAccelChar", &TCustomLabel::ShowAccelChar, &TCustomLabel::SetShowAccelChar)
      .defaultValue(true);
  p.property("ShowHint", &TControl::ShowHint, &TControl::SetShowHint).stored(&TControl::IsShowHintStored);
  p.property("Transparent", &TCustomLabel::Transparent, &TCustomLabel::SetTransparent).defaultValue(false);
  p.property("Layout", &TCustomLabel::Layout, &TCustomLabel::SetLayout).defaultValue(tlTop);
  p.property("Visible", &TControl::Visible, &TControl::SetVisible).defaultValue(true);
  p.property("WordWrap", &TCustomLabel::WordWrap, &TCustomLabel::SetWordWrap).defaultValue(false);
  p.property("OnClick", &TControl::OnClick);
  p.property("OnDblClick", &TControl::OnDblClick);
  p.property("OnMouseDown", &TControl::OnMouseDown);
  p.property("OnMouseMove", &TControl::OnMouseMove);
  p.property("OnMouseUp", &TControl::OnMouseUp);
}

ZU_PUBLISHED(TCustomEdit, "StdCtrls") {}

ZU_PUBLISHED(TEdit, "StdCtrls") {
  p.property("Anchors", &TControl::Anchors, &TControl::SetAnchors).defaultValue(TAnchors{akLeft, akTop});
  p.property("AutoSelect", &TCustomEdit::AutoSelect, &TCustomEdit::SetAutoSelect).defaultValue(true);
  p.property("AutoSize", &TCustomEdit::AutoSize, &TCustomEdit::SetAutoSize).defaultValue(true);
  p.property("BiDiMode", &TControl::BiDiMode, &TControl::SetBiDiMode).stored(&TControl::IsBiDiModeStored);
  p.property("BorderStyle", &TCustomEdit::BorderStyle, &TCustomEdit::SetBorderStyle).defaultValue(bsSingle);
  p.property("CharCase", &TCustomEdit::CharCase, &TCustomEdit::SetCharCase).defaultValue(ecNormal);
  p.property("Color", &TControl::Color, &TControl::SetColor).stored(&TControl::IsColorStored);
  p.property("Constraints", &TControl::Constraints, &TControl::SetConstraints);
  p.property("Ctl3D", &TWinControl::Ctl3D, &TWinControl::SetCtl3D).stored(&TWinControl::IsCtl3DStored);
  p.property("DragCursor", &TControl::DragCursor, &TControl::SetDragCursor).defaultValue(crDrag);
  p.property("DragKind", &TControl::DragKind, &TControl::SetDragKind).defaultValue(dkDrag);
  p.property("DragMode", &TControl::DragMode, &TControl::SetDragMode).defaultValue(dmManual);
  p.property("Enabled", &TControl::Enabled, &TControl::SetEnabled).defaultValue(true);
  p.property("Font", &TControl::Font, &TControl::SetFont).stored(&TControl::IsFontStored);
  p.property("HideSelection", &TCustomEdit::HideSelection, &TCustomEdit::SetHideSelection).defaultValue(true);
  p.property("MaxLength", &TCustomEdit::MaxLength, &TCustomEdit::SetMaxLength).defaultValue(0);
  p.property("OEMConvert", &TCustomEdit::OEMConvert).defaultValue(false);
  p.property("ParentBiDiMode", &TControl::ParentBiDiMode, &TControl::SetParentBiDiMode).defaultValue(true);
  p.property("ParentColor", &TControl::ParentColor, &TControl::SetParentColor).defaultValue(false);
  p.property("ParentCtl3D", &TWinControl::ParentCtl3D, &TWinControl::SetParentCtl3D).defaultValue(true);
  p.property("ParentFont", &TControl::ParentFont, &TControl::SetParentFont).defaultValue(true);
  p.property("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint).defaultValue(true);
  p.property("PasswordChar", &TCustomEdit::PasswordChar, &TCustomEdit::SetPasswordChar).defaultValue(0);
  p.property("PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu);
  p.property("ReadOnly", &TCustomEdit::ReadOnly, &TCustomEdit::SetReadOnly).defaultValue(false);
  p.property("ShowHint", &TControl::ShowHint, &TControl::SetShowHint).stored(&TControl::IsShowHintStored);
  p.property("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder).defaultValue(-1);
  p.property("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop).defaultValue(true);
  p.property("Text", &TControl::Text, &TCustomEdit::SetText);
  p.property("Visible", &TControl::Visible, &TControl::SetVisible).defaultValue(true);
  p.property("OnChange", &TCustomEdit::OnChange);
  p.property("OnClick", &TControl::OnClick);
  p.property("OnDblClick", &TControl::OnDblClick);
  p.property("OnEnter", &TWinControl::OnEnter);
  p.property("OnExit", &TWinControl::OnExit);
  p.property("OnKeyDown", &TWinControl::OnKeyDown);
  p.property("OnKeyPress", &TWinControl::OnKeyPress);
  p.property("OnKeyUp", &TWinControl::OnKeyUp);
  p.property("OnMouseDown", &TControl::OnMouseDown);
  p.property("OnMouseMove", &TControl::OnMouseMove);
  p.property("OnMouseUp", &TControl::OnMouseUp);
}

namespace {

// A screen DC with a font selected, for measuring text outside painting.
struct TMeasureDC {
  win::HDC DC;
  win::HGDIOBJ Old;
  explicit TMeasureDC(TFont* font) : DC(win::GetDC(nullptr)), Old(win::SelectObject(DC, font->Handle())) {}
  ~TMeasureDC() {
    win::SelectObject(DC, Old);
    win::ReleaseDC(nullptr, DC);
  }
  TMeasureDC(const TMeasureDC&) = delete;
  TMeasureDC& operator=(const TMeasureDC&) = delete;
};

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Lays out an edit box's characters in its font. Advances add up (text is laid out without
// kerning), so each character is measured on its own, and each different character once.
class TEditLayout {
 public:
  TEditLayout(TFont* Font, char Password) : FDC(Font), FPassword(Password ? Measure(&Password, 1) : 0) {
    std::fill(std::begin(FAscii), std::end(FAscii), -1);
  }
  // Sets out[k] to the pen offset of byte k of Text (a continuation byte: of its character), the
  // text starting at pen offset X; returns the offset after its last character.
  int32_t Place(std::string_view Text, int32_t X, int32_t* Out) {
    for (size_t i = 0; i < Text.size();) {
      size_t next = i + 1;
      while (next < Text.size() && IsContinuation(Text[next])) ++next;
      for (size_t k = i; k < next; ++k) Out[k] = X;
      X += Width(Text.substr(i, next - i));
      i = next;
    }
    return X;
  }

 private:
  int32_t Measure(const char* S, size_t N) {
    win::SIZE size{};
    win::GetTextExtentPoint32A(FDC.DC, S, static_cast<int>(N), &size);
    return static_cast<int32_t>(size.cx);
  }
  int32_t Width(std::string_view Ch) {
    if (FPassword) return FPassword;
    const auto byte = static_cast<unsigned char>(Ch[0]);
    if (Ch.size() == 1 && byte < 128) {
      if (FAscii[byte] < 0) FAscii[byte] = Measure(Ch.data(), 1);
      return FAscii[byte];
    }
    auto it = FOthers.find(Ch);
    if (it == FOthers.end()) it = FOthers.emplace(std::string(Ch), Measure(Ch.data(), Ch.size())).first;
    return it->second;
  }
  TMeasureDC FDC;
  int32_t FPassword;
  int32_t FAscii[128];
  std::map<std::string, int32_t, std::less<>> FOthers;
};

}  // namespace

// ---- TCustomLabel ----

TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
  FWidth = 65;
  FHeight = 17;
}

void TCustomLabel::SetAlignment(TAlignment value) {
  FAlignment = value;
  Invalidate();
}

void TCustomLabel::SetAutoSize(bool value) {
  FAutoSize = value;
  AdjustBounds();
}

void TCustomLabel::SetFocusControl(TWinControl* value) {
  if (FFocusControl == value) return;
  if (FFocusControl) FFocusControl->RemoveFreeNotification(this);
  FFocusControl = value;
  if (value) value->FreeNotification(this);
}

void TCustomLabel::SetLayout(TTextLayout value) {
  FLayout = value;
  Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool value) {
  FShowAccelChar = value;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetTransparent(bool value) {
  FTransparent = value;
  Invalidate();
}

void TCustomLabel::SetWordWrap(bool value) {
  FWordWrap = value;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FFocusControl) FFocusControl = nullptr;
}

void TCustomLabel::Loaded() {
  TGraphicControl::Loaded();
  AdjustBounds();
}

void TCustomLabel::TextChanged() {
  TGraphicControl::TextChanged();
  AdjustBounds();
}

void TCustomLabel::FontChanged() {
  TGraphicControl::FontChanged();
  AdjustBounds();
}

unsigned TCustomLabel::DrawTextFlags() const {
  unsigned flags = win::DT_EXPANDTABS;
  if (FAlignment == taRightJustify) flags |= win::DT_RIGHT;
  if (FAlignment == taCenter) flags |= win::DT_CENTER;
  if (FWordWrap) flags |= win::DT_WORDBREAK;
  if (!FShowAccelChar) flags |= win::DT_NOPREFIX;
  return flags;
}

void TCustomLabel::AdjustBounds() {
  if (!FAutoSize || ComponentState().Contains(csLoading)) return;
  // An empty caption measures as one space, so the label keeps a line's height.
  const std::string_view text = FText.empty() ? std::string_view(" ") : std::string_view(FText);
  TRect r = Rect(0, 0, FWordWrap ? FWidth : 0, 0);
  {
    TMeasureDC dc(FFont.get());
    win::DrawTextA(dc.DC, text.data(), static_cast<int>(text.size()), &r,
                   (DrawTextFlags() & ~(win::DT_RIGHT | win::DT_CENTER)) | win::DT_CALCRECT);
  }
  int32_t left = FLeft;
  if (FAlignment == taRightJustify) left += FWidth - r.right;
  SetBounds(left, FTop, r.right, r.bottom);
}

void TCustomLabel::Paint() {
  using namespace win;
  TCanvas* canvas = Canvas();
  TRect r = ClientRect();
  if (!FTransparent) {
    canvas->Brush()->SetColor(FColor);
    canvas->Brush()->SetStyle(bsSolid);
    canvas->FillRect(r);
  }
  canvas->Brush()->SetStyle(bsClear);
  canvas->SetFont(FFont.get());
  HDC dc = canvas->Handle();
  unsigned flags = DrawTextFlags();
  if (FLayout != tlTop) {
    TRect calc = r;
    DrawTextA(dc, FText.c_str(), static_cast<int>(FText.size()), &calc, flags | DT_CALCRECT);
    int h = calc.bottom - calc.top;
    int shift = FLayout == tlBottom ? (r.bottom - r.top) - h : ((r.bottom - r.top) - h) / 2;
    r.top += shift;
  }
  auto draw = [&](TRect box) { DrawTextA(dc, FText.c_str(), static_cast<int>(FText.size()), &box, flags); };
  if (!FEnabled) {
    SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
    draw(Rect(r.left + 1, r.top + 1, r.right + 1, r.bottom + 1));
    SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
  }
  draw(r);
}

// ---- TCustomEdit ----

namespace {

// The classic caret blink time, in milliseconds.
constexpr int CaretBlinkTime = 530;

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

}  // namespace

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner), FCanvas(std::make_unique<TCanvas>()) {
  FWidth = 121;
  FHeight = 21;
  FColor = clWindow;
  FParentColor = false;
  FTabStop = true;
}

TCustomEdit::~TCustomEdit() {
  if (TApplication* app = GetApplication(false)) app->KillTimer(this);
  FCanvas->SetHandle(nullptr);
}

void TCustomEdit::SetBorderStyle(TFormBorderStyle value) {
  FBorderStyle = value == bsNone ? bsNone : bsSingle;
  Invalidate();
}

void TCustomEdit::SetCharCase(TEditCharCase value) {
  FCharCase = value;
  if (value == ecNormal) return;
  std::string text = FText;
  for (char& c : text) {
    if (value == ecUpperCase && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    if (value == ecLowerCase && c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  if (text != FText) {
    FText = text;
    TextChanged();
  }
}

void TCustomEdit::SetHideSelection(bool value) {
  FHideSelection = value;
  Invalidate();
}

void TCustomEdit::SetMaxLength(int32_t value) { FMaxLength = std::max(value, 0); }

void TCustomEdit::SetPasswordChar(char value) {
  FPasswordChar = value;
  InvalidateLayout();
  Invalidate();
}

void TCustomEdit::SetText(const std::string& value) {
  FAnchor = FCaret = FScroll = 0;
  FCanUndo = FTyping = false;
  TWinControl::SetText(value);
}

void TCustomEdit::TextChanged() {
  if (!std::exchange(FLayoutKept, false)) InvalidateLayout();
  TWinControl::TextChanged();
  Change();
}

void TCustomEdit::FontChanged() {
  InvalidateLayout();
  TWinControl::FontChanged();
  ScrollToCaret();
}

void TCustomEdit::Change() { OnChange(this); }

int32_t TCustomEdit::SelStart() const { return std::min(FAnchor, FCaret); }
int32_t TCustomEdit::SelLength() const { return std::abs(FCaret - FAnchor); }
std::string TCustomEdit::SelText() const {
  return FText.substr(static_cast<size_t>(SelStart()), static_cast<size_t>(SelLength()));
}

int32_t TCustomEdit::Boundary(int32_t pos) const {
  pos = std::clamp(pos, 0, static_cast<int32_t>(FText.size()));
  while (pos > 0 && pos < static_cast<int32_t>(FText.size()) &&
         IsContinuation(FText[static_cast<size_t>(pos)]))
    --pos;
  return pos;
}

int32_t TCustomEdit::NextPos(int32_t pos) const {
  auto size = static_cast<int32_t>(FText.size());
  if (pos >= size) return size;
  ++pos;
  while (pos < size && IsContinuation(FText[static_cast<size_t>(pos)])) ++pos;
  return pos;
}

int32_t TCustomEdit::PrevPos(int32_t pos) const {
  if (pos <= 0) return 0;
  --pos;
  while (pos > 0 && IsContinuation(FText[static_cast<size_t>(pos)])) --pos;
  return pos;
}

int32_t TCustomEdit::WordLeft(int32_t pos) const {
  while (pos > 0 && IsSpace(FText[static_cast<size_t>(pos - 1)])) --pos;
  while (pos > 0 && !IsSpace(FText[static_cast<size_t>(pos - 1)])) --pos;
  return pos;
}

int32_t TCustomEdit::WordRight(int32_t pos) const {
  auto size = static_cast<int32_t>(FText.size());
  while (pos < size && !IsSpace(FText[static_cast<size_t>(pos)])) ++pos;
  while (pos < size && IsSpace(FText[static_cast<size_t>(pos)])) ++pos;
  return pos;
}

void TCustomEdit::SetSelStart(int32_t value) {
  FAnchor = FCaret = Boundary(value);
  ScrollToCaret();
  Invalidate();
}

void TCustomEdit::SetSelLength(int32_t value) {
  FAnchor = SelStart();
  FCaret = Boundary(FAnchor + std::max(value, 0));
  ScrollToCaret();
  Invalidate();
}

void TCustomEdit::SelectAll() {
  FAnchor = 0;
  FCaret = static_cast<int32_t>(FText.size());
  ScrollToCaret();
  Invalidate();
}

void TCustomEdit::ClearSelection() {
  if (SelLength()) SaveUndo(false);
  DeleteRange(SelStart(), SelStart() + SelLength());
}

void TCustomEdit::SetSelText(const std::string& value) {
  FCanUndo = false;
  Insert(value);
}

void TCustomEdit::CopyToClipboard() {
  if (FPasswordChar || !SelLength()) return;
  if (TApplication* app = GetApplication(false)) app->Backend()->SetClipboardText(SelText());
}

void TCustomEdit::CutToClipboard() {
  if (FPasswordChar || FReadOnly || !SelLength()) return;
  CopyToClipboard();
  ClearSelection();
}

void TCustomEdit::PasteFromClipboard() {
  if (FReadOnly) return;
  TApplication* app = GetApplication(false);
  if (!app) return;
  std::string text = app->Backend()->ClipboardText();
  text = text.substr(0, text.find_first_of("\r\n"));
  for (char& c : text) {
    if (FCharCase == ecUpperCase && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    if (FCharCase == ecLowerCase && c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  if (FMaxLength > 0) {
    auto room = static_cast<size_t>(
        std::max<int32_t>(FMaxLength - static_cast<int32_t>(FText.size()) + SelLength(), 0));
    if (text.size() > room) {
      // Cut on a character boundary.
      size_t end = room;
      while (end > 0 && IsContinuation(text[end])) --end;
      text.resize(end);
    }
  }
  if (text.empty() && !SelLength()) return;
  SaveUndo(false);
  Insert(text);
}

void TCustomEdit::SaveUndo(bool Typing) {
  if (Typing && FTyping && FCanUndo) return;
  FUndoText = FText;
  FUndoAnchor = FAnchor;
  FUndoCaret = FCaret;
  FCanUndo = true;
  FTyping = Typing;
}

void TCustomEdit::Undo() {
  if (!FCanUndo) return;
  // What the edit changed is selected afterwards: the text between the common start and end.
  const std::string& before = FUndoText;
  size_t head = 0;
  while (head < before.size() && head < FText.size() && before[head] == FText[head]) ++head;
  size_t tail = 0;
  while (tail < before.size() - head && tail < FText.size() - head &&
         before[before.size() - 1 - tail] == FText[FText.size() - 1 - tail])
    ++tail;
  std::swap(FText, FUndoText);
  InvalidateLayout();
  FUndoAnchor = FAnchor;
  FUndoCaret = FCaret;
  FAnchor = Boundary(static_cast<int32_t>(head));
  FCaret = Boundary(static_cast<int32_t>(FText.size() - tail));
  FTyping = false;
  Edited();
}

void TCustomEdit::DeleteRange(int32_t from, int32_t to) {
  if (to <= from) return;
  ReplaceRange(from, to, {});
  FAnchor = FCaret = from;
  Edited();
}

void TCustomEdit::Insert(const std::string& s) {
  int32_t start = SelStart();
  ReplaceRange(start, start + SelLength(), s);
  FAnchor = FCaret = start + static_cast<int32_t>(s.size());
  Edited();
}

void TCustomEdit::Edited() {
  Modified = true;
  ScrollToCaret();
  FLayoutKept = true;  // the edit kept the layout up to date
  TextChanged();
  RestartCaret();
}

void TCustomEdit::MoveCaret(int32_t pos, bool extend) {
  FCaret = Boundary(pos);
  if (!extend) FAnchor = FCaret;
  FTyping = false;
  ScrollToCaret();
  Invalidate();
  RestartCaret();
}

bool TCustomEdit::ShowsFocus() const {
  if (!Focused()) return false;
  TCustomForm* form = ParentCustomForm(const_cast<TCustomEdit*>(this));
  return !form || form->Active();
}

void TCustomEdit::RestartCaret() {
  FCaretOn = true;
  TApplication* app = GetApplication(false);
  if (!app || !Focused()) return;
  app->SetTimer(this, CaretBlinkTime, [this] {
    FCaretOn = !FCaretOn;
    if (ShowsFocus()) Invalidate();
  });
}

void TCustomEdit::WndProc(TMessage& Message) {
  bool press = Message.Msg == win::WM_LBUTTONDOWN || Message.Msg == win::WM_LBUTTONDBLCLK;
  if (press) FEnteringByMouse = true;
  try {
    TWinControl::WndProc(Message);
  } catch (...) {
    FEnteringByMouse = false;
    throw;
  }
  if (press) FEnteringByMouse = false;
}

void TCustomEdit::DoEnter() {
  TWinControl::DoEnter();
  if (FAutoSelect && !FEnteringByMouse) SelectAll();
  RestartCaret();
}

void TCustomEdit::DoExit() {
  if (TApplication* app = GetApplication(false)) app->KillTimer(this);
  FCaretOn = true;
  FTyping = false;
  Invalidate();
  TWinControl::DoExit();
}

void TCustomEdit::KeyDown(uint16_t& Key, TShiftState Shift) {
  using namespace win;
  TWinControl::KeyDown(Key, Shift);
  const bool extend = Shift.Contains(ssShift);
  const bool word = Shift.Contains(ssCtrl);
  const bool alt = Shift.Contains(ssAlt);
  switch (Key) {
    case VK_LEFT:
      if (SelLength() && !extend)
        MoveCaret(SelStart(), false);
      else
        MoveCaret(word ? WordLeft(FCaret) : PrevPos(FCaret), extend);
      break;
    case VK_RIGHT:
      if (SelLength() && !extend)
        MoveCaret(SelStart() + SelLength(), false);
      else
        MoveCaret(word ? WordRight(FCaret) : NextPos(FCaret), extend);
      break;
    case VK_HOME:
      MoveCaret(0, extend);
      break;
    case VK_END:
      MoveCaret(static_cast<int32_t>(FText.size()), extend);
      break;
    case VK_DELETE:
      if (FReadOnly) break;
      if (extend && !word) {
        CutToClipboard();
      } else if (SelLength()) {
        ClearSelection();
      } else {
        int32_t to = word ? WordRight(FCaret) : NextPos(FCaret);
        if (to > FCaret) SaveUndo(false);
        DeleteRange(FCaret, to);
      }
      break;
    case VK_INSERT:
      if (word && !extend) CopyToClipboard();
      if (extend && !word) PasteFromClipboard();
      break;
    case VK_BACK:
      if (alt) Undo();
      break;
    default:
      break;
  }
  // The control-key shortcuts of the classic edit control.
  static const struct {
    uint16_t Key;
    void (TCustomEdit::*Action)();
  } shortcuts[] = {{'A', &TCustomEdit::SelectAll},
                   {'C', &TCustomEdit::CopyToClipboard},
                   {'X', &TCustomEdit::CutToClipboard},
                   {'V', &TCustomEdit::PasteFromClipboard},
                   {'Z', &TCustomEdit::Undo}};
  if (word)
    for (const auto& shortcut : shortcuts)
      if (Key == shortcut.Key) (this->*shortcut.Action)();
}

void TCustomEdit::KeyPress(char& Key) {
  TWinControl::KeyPress(Key);
  auto c = static_cast<unsigned char>(Key);
  if (c == 0 || FReadOnly) return;
  if (c == '\b') {
    if (SelLength()) {
      ClearSelection();
    } else if (FCaret > 0) {
      SaveUndo(false);
      DeleteRange(PrevPos(FCaret), FCaret);
    }
    return;
  }
  if (c < 32 || c == 127) return;
  char typed = Key;
  if (FCharCase == ecUpperCase && typed >= 'a' && typed <= 'z') typed = static_cast<char>(typed - 32);
  if (FCharCase == ecLowerCase && typed >= 'A' && typed <= 'Z') typed = static_cast<char>(typed + 32);
  if (FMaxLength > 0 && static_cast<int32_t>(FText.size()) - SelLength() + 1 > FMaxLength) return;
  SaveUndo(true);
  // Typing goes on as one edit for Undo until the caret is moved or something else is done.
  Insert(std::string(1, typed));
  FTyping = true;
}

void TCustomEdit::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (Button == mbLeft && Shift.Contains(ssDouble)) {
    // A double click selects the word under the pointer with the spaces after it (or a run of
    // spaces alone).
    int32_t pos = XToPos(X);
    auto size = static_cast<int32_t>(FText.size());
    if (pos == size && pos > 0) pos = PrevPos(pos);
    int32_t from = pos, to = pos;
    if (pos < size && IsSpace(FText[static_cast<size_t>(pos)])) {
      while (from > 0 && IsSpace(FText[static_cast<size_t>(from - 1)])) --from;
      while (to < size && IsSpace(FText[static_cast<size_t>(to)])) ++to;
    } else {
      while (from > 0 && !IsSpace(FText[static_cast<size_t>(from - 1)])) --from;
      to = WordRight(from);
    }
    MoveCaret(from, false);
    MoveCaret(to, true);
    FMouseSelecting = false;
  } else if (Button == mbLeft) {
    MoveCaret(XToPos(X), Shift.Contains(ssShift));
    FMouseSelecting = true;
  }
  TWinControl::MouseDown(Button, Shift, X, Y);
}

void TCustomEdit::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  if (FMouseSelecting) MoveCaret(XToPos(X), true);
  TWinControl::MouseMove(Shift, X, Y);
}

void TCustomEdit::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (Button == mbLeft) FMouseSelecting = false;
  TWinControl::MouseUp(Button, Shift, X, Y);
}

std::string TCustomEdit::DisplayText(int32_t from, int32_t to) const {
  from = std::clamp(from, 0, static_cast<int32_t>(FText.size()));
  to = std::clamp(to, from, static_cast<int32_t>(FText.size()));
  if (!FPasswordChar) return FText.substr(static_cast<size_t>(from), static_cast<size_t>(to - from));
  std::string shown;
  for (int32_t i = from; i < to; ++i)
    if (!IsContinuation(FText[static_cast<size_t>(i)])) shown += FPasswordChar;
  return shown;
}

int32_t TCustomEdit::BorderWidth() const {
  if (FBorderStyle == bsNone) return 0;
  return FCtl3D ? 2 : 1;
}

int32_t TCustomEdit::TextOffset(int32_t pos) {
  if (FOffsets.empty()) {
    FOffsets.resize(FText.size() + 1);
    FOffsets.back() = TEditLayout(FFont.get(), FPasswordChar).Place(FText, 0, FOffsets.data());
  }
  return FOffsets[static_cast<size_t>(std::clamp(pos, 0, static_cast<int32_t>(FText.size())))];
}

void TCustomEdit::ReplaceRange(int32_t from, int32_t to, const std::string& s) {
  // A laid-out text keeps its layout: the new characters are placed, and those after them move by
  // the change in width, so an edit costs no measuring of the rest of the text.
  // A stray continuation byte at either seam would join characters across it: laid out afresh.
  const bool seamless = (s.empty() || !IsContinuation(s[0])) &&
                        (static_cast<size_t>(to) >= FText.size() || !IsContinuation(FText[static_cast<size_t>(to)]));
  if (!seamless || FOffsets.size() != FText.size() + 1) InvalidateLayout();
  if (!FOffsets.empty()) {
    const auto at = FOffsets.begin() + from;
    const int32_t start = *at, oldEnd = FOffsets[static_cast<size_t>(to)];
    std::vector<int32_t> placed(s.size());
    const int32_t delta = TEditLayout(FFont.get(), FPasswordChar).Place(s, start, placed.data()) - oldEnd;
    FOffsets.erase(at, FOffsets.begin() + to);
    FOffsets.insert(FOffsets.begin() + from, placed.begin(), placed.end());
    for (auto it = FOffsets.begin() + from + static_cast<ptrdiff_t>(s.size()); it != FOffsets.end(); ++it)
      *it += delta;
  }
  FText.replace(static_cast<size_t>(from), static_cast<size_t>(to - from), s);
}

int32_t TCustomEdit::PosToX(int32_t pos) { return BorderWidth() + 1 - FScroll + TextOffset(pos); }

int32_t TCustomEdit::XToPos(int32_t x) {
  // The offsets grow with the position: the nearest boundary is found by halving.
  const int32_t target = x - PosToX(0);
  TextOffset(0);
  auto it = std::lower_bound(FOffsets.begin(), FOffsets.end(), target);
  int32_t pos = Boundary(static_cast<int32_t>(it - FOffsets.begin()));
  if (it == FOffsets.end()) return static_cast<int32_t>(FText.size());
  if (TextOffset(pos) < target) pos = NextPos(pos);
  int32_t before = PrevPos(pos);
  if (pos > 0 && std::abs(TextOffset(before) - target) <= std::abs(TextOffset(pos) - target)) return before;
  return pos;
}

void TCustomEdit::ScrollToCaret() {
  int32_t inner = std::max(FWidth - 2 * BorderWidth() - 2, 1);
  int32_t caretX = TextOffset(FCaret);
  if (caretX - FScroll >= inner) FScroll = caretX - inner + 1;
  if (caretX < FScroll) FScroll = std::max(caretX - inner / 3, 0);
  if (TextOffset(static_cast<int32_t>(FText.size())) < inner) FScroll = 0;
}

void TCustomEdit::PaintWindow(win::HDC DC) {
  using namespace win;
  TRect r = ClientRect();
  if (FBorderStyle != bsNone) {
    if (FCtl3D) {
      DrawEdge(DC, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    } else {
      DrawEdge(DC, &r, BDR_SUNKENOUTER, BF_RECT | BF_FLAT | BF_MONO | BF_ADJUST);
    }
  }
  HBRUSH back = CreateSolidBrush(static_cast<COLORREF>(FColor));
  FillRect(DC, &r, back);
  DeleteObject(back);

  SaveDC(DC);
  IntersectClipRect(DC, r.left + 1, r.top, r.right - 1, r.bottom);
  HGDIOBJ oldFont = SelectObject(DC, FFont->Handle());
  TEXTMETRICA metrics;
  GetTextMetricsA(DC, &metrics);
  SetBkMode(DC, TRANSPARENT);
  SetTextColor(DC, FEnabled ? static_cast<COLORREF>(FFont->Color()) : GetSysColor(COLOR_GRAYTEXT));
  int32_t y = r.top + 1;
  // Only the characters in view are drawn: from the one the left edge cuts to the one the right
  // edge cuts.
  TextOffset(0);
  auto first = std::upper_bound(FOffsets.begin(), FOffsets.end(), FScroll);
  auto last = std::lower_bound(FOffsets.begin(), FOffsets.end(), FScroll + (r.right - r.left));
  const int32_t from = Boundary(static_cast<int32_t>(first - FOffsets.begin()) - 1);
  const int32_t to = NextPos(Boundary(static_cast<int32_t>(last - FOffsets.begin())));
  auto draw = [&](int32_t a, int32_t b) {
    std::string shown = DisplayText(a, b);
    TextOutA(DC, PosToX(a), y, shown.c_str(), static_cast<int>(shown.size()));
  };
  draw(from, to);

  const bool focused = ShowsFocus();
  if (SelLength() > 0 && (focused || !FHideSelection)) {
    const int32_t selFrom = SelStart(), selTo = SelStart() + SelLength();
    RECT sel{std::max(PosToX(selFrom), r.left), y, std::min(PosToX(selTo), r.right), y + metrics.tmHeight};
    HBRUSH highlight = CreateSolidBrush(GetSysColor(COLOR_HIGHLIGHT));
    FillRect(DC, &sel, highlight);
    DeleteObject(highlight);
    SetTextColor(DC, GetSysColor(COLOR_HIGHLIGHTTEXT));
    if (std::max(selFrom, from) < std::min(selTo, to)) draw(std::max(selFrom, from), std::min(selTo, to));
  }
  if (focused && FCaretOn) {
    int32_t x = PosToX(FCaret);
    RECT caret{x, y, x + 1, y + metrics.tmHeight};
    HBRUSH ink = CreateSolidBrush(GetSysColor(COLOR_WINDOWTEXT));
    FillRect(DC, &caret, ink);
    DeleteObject(ink);
  }
  SelectObject(DC, oldFont);
  RestoreDC(DC, -1);
}

// ---- TEdit ----

TEdit::TEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}

}  // namespace zu
