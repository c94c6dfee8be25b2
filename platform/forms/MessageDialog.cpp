#include "platform/forms/MessageDialog.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/forms/Application.h"
#include "platform/forms/StdCtrls.h"
#include "platform/graphics/Gdi.h"
#include "platform/graphics/GdiText.h"
#include "platform/graphics/SysColors.h"

namespace zu {
namespace {

// The box's icon: a disc with a sign (information, error, question) or a triangle (warning).
class TMessageIcon : public TGraphicControl {
 public:
  TMessageIcon(TComponent* AOwner, win::UINT Kind) : TGraphicControl(AOwner), FKind(Kind) {
    SetBounds(0, 0, 32, 32);
  }

 protected:
  void Paint() override {
    using namespace win;
    HDC dc = Canvas()->Handle();
    bool warning = FKind == MB_ICONEXCLAMATION;
    COLORREF fill = FKind == MB_ICONHAND ? RGB(0xD0, 0x20, 0x20)
                    : warning            ? RGB(0xF0, 0xC0, 0x20)
                                         : RGB(0x20, 0x50, 0xC0);
    COLORREF edge = RGB(0x40, 0x40, 0x40);
    for (int y = 0; y < 32; ++y) {
      for (int x = 0; x < 32; ++x) {
        double px = x + 0.5, py = y + 0.5;
        bool inside, border;
        if (warning) {
          // A triangle with its apex at the top middle.
          double half = (py - 1) * 15.5 / 30;
          inside = py >= 1 && py <= 31 && std::fabs(px - 16) <= half;
          border = inside && (py > 29.5 || std::fabs(px - 16) > half - 1.5);
        } else {
          double d = std::hypot(px - 16, py - 16);
          inside = d <= 15.5;
          border = inside && d > 14.5;
        }
        if (inside) SetPixel(dc, x, y, border ? edge : fill);
      }
    }
    const char* sign = FKind == MB_ICONHAND ? "X" : FKind == MB_ICONQUESTION ? "?" : warning ? "!" : "i";
    TFont font;
    font.SetName("MS Sans Serif");
    font.SetHeight(warning ? -18 : -20);
    font.SetStyle(TFontStyles{fsBold});
    HGDIOBJ old = SelectObject(dc, font.Handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, warning ? RGB(0, 0, 0) : RGB(0xFF, 0xFF, 0xFF));
    RECT r{0, warning ? 6 : 0, 32, 32};
    DrawTextA(dc, sign, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
  }

 private:
  win::UINT FKind;
};

// A push button that ends the dialog with its result.
class TMessageButton : public TWinControl {
 public:
  TMessageButton(TComponent* AOwner, const std::string& Caption, TModalResult Result)
      : TWinControl(AOwner), FResult(Result) {
    SetCaption(Caption);
    SetTabStop(true);
    SetBounds(0, 0, 75, 23);
    FColor = clBtnFace;
    FParentColor = false;
  }
  TModalResult Result() const { return FResult; }
  void Click() override {
    TWinControl::Click();
    if (TCustomForm* form = ParentCustomForm(this)) form->SetModalResult(FResult);
  }

 protected:
  void KeyDown(uint16_t& Key, TShiftState Shift) override {
    TWinControl::KeyDown(Key, Shift);
    if (Key == win::VK_RETURN || Key == win::VK_SPACE) {
      Key = 0;
      Click();
    } else if (Key == win::VK_LEFT || Key == win::VK_RIGHT) {
      if (Parent()) Parent()->SelectNext(this, Key == win::VK_RIGHT, true);
      Key = 0;
    }
  }
  void PaintWindow(win::HDC DC) override {
    using namespace win;
    TRect r = ClientRect();
    if (Focused()) {
      HBRUSH frame = CreateSolidBrush(GetSysColor(COLOR_WINDOWFRAME));
      for (RECT side :
           {RECT{r.left, r.top, r.right, r.top + 1}, RECT{r.left, r.bottom - 1, r.right, r.bottom},
            RECT{r.left, r.top, r.left + 1, r.bottom}, RECT{r.right - 1, r.top, r.right, r.bottom}})
        FillRect(DC, &side, frame);
      DeleteObject(frame);
      r = Rect(r.left + 1, r.top + 1, r.right - 1, r.bottom - 1);
    }
    DrawEdge(DC, &r, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
    HGDIOBJ old = SelectObject(DC, FFont->Handle());
    SetBkMode(DC, TRANSPARENT);
    SetTextColor(DC, GetSysColor(COLOR_BTNTEXT));
    DrawTextA(DC, FText.c_str(), static_cast<int>(FText.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(DC, old);
    if (Focused()) {
      // The focus rectangle: a dotted frame inside the face.
      TRect f = Rect(r.left + 2, r.top + 2, r.right - 2, r.bottom - 2);
      COLORREF dot = GetSysColor(COLOR_BTNTEXT);
      for (int x = f.left; x < f.right; x += 2) {
        SetPixel(DC, x, f.top, dot);
        SetPixel(DC, x, f.bottom - 1, dot);
      }
      for (int y = f.top; y < f.bottom; y += 2) {
        SetPixel(DC, f.left, y, dot);
        SetPixel(DC, f.right - 1, y, dot);
      }
    }
  }

 private:
  TModalResult FResult;
};

class TMessageForm : public TForm {
  ZU_CLASS(TMessageForm, TForm)
 public:
  using TForm::TForm;
  TModalResult EscapeResult = mrCancel;

 protected:
  void KeyDown(uint16_t& Key, TShiftState Shift) override {
    TForm::KeyDown(Key, Shift);
    if (Key == win::VK_ESCAPE) {
      Key = 0;
      SetModalResult(EscapeResult);
    }
  }
};

ZU_PUBLISHED(TMessageForm, "Dialogs") {}

struct TButtonChoice {
  const char* Caption;
  TModalResult Result;
};

std::vector<TButtonChoice> ButtonsOf(win::UINT type) {
  switch (type & win::MB_TYPEMASK) {
    case win::MB_OKCANCEL:
      return {{"OK", mrOk}, {"Cancel", mrCancel}};
    case win::MB_ABORTRETRYIGNORE:
      return {{"&Abort", mrAbort}, {"&Retry", mrRetry}, {"&Ignore", mrIgnore}};
    case win::MB_YESNOCANCEL:
      return {{"&Yes", mrYes}, {"&No", mrNo}, {"Cancel", mrCancel}};
    case win::MB_YESNO:
      return {{"&Yes", mrYes}, {"&No", mrNo}};
    case win::MB_RETRYCANCEL:
      return {{"&Retry", mrRetry}, {"Cancel", mrCancel}};
    default:
      return {{"OK", mrOk}};
  }
}

}  // namespace

int ShowMessageBox(win::HWND Owner, const std::string& Text, const std::string& Caption, win::UINT Type) {
  using namespace win;
  TApplication* app = GetApplication();
  auto form = std::make_unique<TMessageForm>(nullptr);
  form->SetBorderStyle(bsDialog);
  form->SetBorderIcons(TBorderIcons{biSystemMenu});
  form->SetCaption(Caption);
  form->KeyPreview = true;

  const int margin = 12;
  int x = margin;
  int bottom = margin;
  UINT icon = Type & MB_ICONMASK;
  TMessageIcon* iconControl = nullptr;
  if (icon == MB_ICONHAND || icon == MB_ICONQUESTION || icon == MB_ICONEXCLAMATION ||
      icon == MB_ICONASTERISK) {
    iconControl = new TMessageIcon(form.get(), icon);
    iconControl->SetParent(form.get());
    iconControl->SetLeft(margin);
    iconControl->SetTop(margin);
    x += 32 + margin;
    bottom = margin + 32;
  }
  auto* label = new TLabel(form.get());
  label->SetName("Message");
  label->SetParent(form.get());
  label->SetShowAccelChar(false);
  label->SetLeft(x);
  label->SetTop(margin);
  label->SetCaption(Text);
  if (label->Width() > 440) {
    label->SetAutoSize(false);
    label->SetWidth(440);
    label->SetWordWrap(true);
    label->SetAutoSize(true);
  }
  if (iconControl && label->Height() < 32) label->SetTop(margin + (32 - label->Height()) / 2);
  bottom = std::max(bottom, label->Top() + label->Height());

  std::vector<TButtonChoice> choices = ButtonsOf(Type);
  int rowWidth = static_cast<int>(choices.size()) * 75 + (static_cast<int>(choices.size()) - 1) * 6;
  int clientWidth = std::max(label->Left() + label->Width() + margin, rowWidth + 2 * margin);
  clientWidth = std::max(clientWidth, 120);
  int buttonTop = bottom + 14;
  std::vector<TMessageButton*> buttons;
  int bx = (clientWidth - rowWidth) / 2;
  for (const auto& choice : choices) {
    auto* button = new TMessageButton(form.get(), choice.Caption, choice.Result);
    button->SetParent(form.get());
    button->SetLeft(bx);
    button->SetTop(buttonTop);
    bx += 75 + 6;
    buttons.push_back(button);
  }
  form->SetClientWidth(clientWidth);
  form->SetClientHeight(buttonTop + 23 + margin);

  bool hasCancel = std::any_of(choices.begin(), choices.end(),
                               [](const TButtonChoice& s) { return s.Result == mrCancel; });
  size_t defaultIndex = std::min<size_t>((Type & MB_DEFMASK) >> 8, choices.size() - 1);
  form->EscapeResult = hasCancel ? mrCancel : choices.size() == 1 ? mrOk : choices[defaultIndex].Result;

  // Centred over the owner's form, else over the main form, else near the screen's top left.
  TCustomForm* over = app->FindForm(Owner);
  if (!over) over = app->MainForm();
  if (over && over->Visible())
    form->SetBounds(over->Left() + (over->Width() - form->Width()) / 2,
                    over->Top() + (over->Height() - form->Height()) / 2, form->Width(), form->Height());
  else
    form->SetBounds(160, 120, form->Width(), form->Height());

  form->SetVisible(true);
  buttons[defaultIndex]->SetFocus();
  TModalResult result = form->ShowModal();
  if (result == mrCancel && !hasCancel) result = form->EscapeResult;
  return static_cast<int>(result);
}

}  // namespace zu
