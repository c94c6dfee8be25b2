// Opening a form with the installed package: a form class of its own, read from its text form as
// a linked resource, shown on the headless backend and clicked; the click reaches the handler the
// form file names. Exits 0 when all of that holds.
#include <cstdio>
#include <memory>

#include "platform/forms/Application.h"
#include "platform/forms/CustomForm.h"
#include "platform/forms/HeadlessBackend.h"
#include "platform/forms/StdCtrls.h"
#include "platform/windows/Windows.h"

namespace orders {

class TOrderForm : public zu::TForm {
  ZU_CLASS(TOrderForm, zu::TForm)
 public:
  using zu::TForm::TForm;
  zu::TLabel* Title = nullptr;
  int Clicks = 0;
  void FormClick(zu::TObject*) { ++Clicks; }
};

ZU_PUBLISHED(TOrderForm, "Orders") {
  p.field("Title", &TOrderForm::Title);
  p.method("FormClick", &TOrderForm::FormClick);
}

const char kFormText[] =
    "object OrderForm: TOrderForm\r\n"
    "  Left = 20\r\n  Top = 10\r\n  Width = 240\r\n  Height = 160\r\n"
    "  Caption = 'Orders'\r\n  Visible = True\r\n  OnClick = FormClick\r\n"
    "  object Title: TLabel\r\n    Left = 8\r\n    Top = 8\r\n    Caption = 'Open orders'\r\n  end\r\n"
    "end\r\n";

}  // namespace orders

int main() {
  using namespace zu;
  int status = 1;
  try {
    auto backend = std::make_unique<THeadlessBackend>();
    THeadlessBackend* screen = backend.get();
    Application->SetBackend(std::move(backend));
    win::RegisterResource({win::RT_RCDATA_ID, "TORDERFORM", orders::kFormText, sizeof orders::kFormText - 1});
    Application->Initialize();
    orders::TOrderForm* form = nullptr;
    Application->CreateForm(form);
    Application->ProcessMessages();
    const THeadlessBackend::TWindowState* window = screen->Window(form->Handle());
    const TPoint offset = form->ClientOffset();
    screen->Click(form->Handle(), offset.x + 150, offset.y + 90);
    Application->ProcessMessages();
    const bool shown = window && window->Visible && window->Caption == "Orders" && window->Presents > 0;
    const bool read = form->Title && form->Title->Caption() == "Open orders" && form->Width() == 240;
    status = shown && read && form->Clicks == 1 ? 0 : 1;
    if (status) std::fprintf(stderr, "shown %d, read %d, clicks %d\n", shown, read, form->Clicks);
  } catch (const Exception& e) {
    std::fprintf(stderr, "%s: %s\n", e.ClassName(), e.what());
  }
  DoneApplication();
  return status;
}
