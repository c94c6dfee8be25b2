#include <gtest/gtest.h>

#include <memory>

#include "platform/classes/Filer.h"
#include "platform/classes/ObjectText.h"
#include "platform/forms/Application.h"
#include "platform/forms/HeadlessBackend.h"
#include "platform/forms/StdCtrls.h"
#include "platform/graphics/Gdi.h"
#include "platform/graphics/GdiText.h"
#include "platform/graphics/SysColors.h"
#include "platform/windows/Windows.h"

namespace zu {
namespace {

using win::HWND;

// An application on the headless backend, destroyed after each test.
class FormsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto backend = std::make_unique<THeadlessBackend>();
    Backend = backend.get();
    Application->SetBackend(std::move(backend));
  }
  void TearDown() override { DoneApplication(); }

  // A shown form with a label and an edit box at the demo's design positions.
  TForm* MakeForm() {
    auto* form = new TForm(Application);
    form->SetBounds(100, 80, 377, 339);
    form->SetCaption("Demo");
    Label = new TLabel(form);
    Label->SetParent(form);
    Label->SetBounds(8, 16, 32, 13);
    Label->SetCaption("Label1");
    Edit = new TEdit(form);
    Edit->SetParent(form);
    Edit->SetBounds(48, 16, 121, 21);
    Edit->SetText("Edit1");
    form->Show();
    Application->ProcessMessages();
    return form;
  }
  // A window point for a point of the form's client area.
  TPoint At(TCustomForm* form, int x, int y) {
    TPoint o = form->ClientOffset();
    return Point(o.x + x, o.y + y);
  }
  void Click(TCustomForm* form, int x, int y) {
    TPoint p = At(form, x, y);
    Backend->Click(form->Handle(), p.x, p.y);
    Application->ProcessMessages();
  }

  THeadlessBackend* Backend = nullptr;
  TLabel* Label = nullptr;
  TEdit* Edit = nullptr;
};

TEST_F(FormsTest, AShownFormPresentsItsPictureWithBackgroundLabelAndEditBox) {
  TForm* form = MakeForm();
  const auto* w = Backend->Window(form->Handle());
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->Visible);
  EXPECT_EQ(w->Caption, "Demo");
  EXPECT_EQ(w->Bounds, Rect(100, 80, 477, 419));
  ASSERT_EQ(w->Width, 377);
  ASSERT_EQ(w->Height, 339);
  TPoint empty = At(form, 200, 200);
  EXPECT_EQ(w->Pixel(empty.x, empty.y), win::GetSysColor(win::COLOR_BTNFACE));
  TPoint inside = At(form, 48 + 110, 16 + 10);
  EXPECT_EQ(w->Pixel(inside.x, inside.y), win::GetSysColor(win::COLOR_WINDOW));
  int ink = 0;
  for (int y = 16; y < 29; ++y)
    for (int x = 8; x < 8 + Label->Width(); ++x) {
      TPoint p = At(form, x, y);
      if (w->Pixel(p.x, p.y) != win::GetSysColor(win::COLOR_BTNFACE)) ++ink;
    }
  EXPECT_GT(ink, 20) << "the label's caption is drawn";
}

win::SIZE TextExtent(TFont* font, const std::string& text) {
  win::HDC dc = win::GetDC(nullptr);
  win::HGDIOBJ old = win::SelectObject(dc, font->Handle());
  win::SIZE size;
  win::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
  win::SelectObject(dc, old);
  win::ReleaseDC(nullptr, dc);
  return size;
}

// A form class with a resource, as a program declares one.
class TTestForm : public TForm {
  ZU_CLASS(TTestForm, TForm)
 public:
  using TForm::TForm;
  TLabel* Label1 = nullptr;
  TEdit* Edit1 = nullptr;
  int Clicks = 0;
  void FormClick(TObject*) { ++Clicks; }
};

ZU_PUBLISHED(TTestForm, "Tests") {
  p.field("Label1", &TTestForm::Label1);
  p.field("Edit1", &TTestForm::Edit1);
  p.method("FormClick", &TTestForm::FormClick);
}

class TBrokenForm : public TForm {
  ZU_CLASS(TBrokenForm, TForm)
 public:
  using TForm::TForm;
};
ZU_PUBLISHED(TBrokenForm, "Tests") {}

class TMissingForm : public TForm {
  ZU_CLASS(TMissingForm, TForm)
 public:
  using TForm::TForm;
};
ZU_PUBLISHED(TMissingForm, "Tests") {}

const char TestFormText[] =
    "object TestForm: TTestForm\r\n"
    "  Left = 50\r\n  Top = 40\r\n  Width = 300\r\n  Height = 200\r\n"
    "  Caption = 'Loaded form'\r\n  Color = clBtnFace\r\n  Font.Charset = DEFAULT_CHARSET\r\n"
    "  Font.Height = -11\r\n  Font.Name = 'MS Sans Serif'\r\n"
    "  Visible = True\r\n  OnClick = FormClick\r\n"
    "  object Label1: TLabel\r\n    Left = 8\r\n    Top = 16\r\n    Caption = 'Label1'\r\n  end\r\n"
    "  object Edit1: TEdit\r\n    Left = 48\r\n    Top = 16\r\n    TabOrder = 0\r\n    Text = 'Edit1'\r\n  "
    "end\r\n"
    "end\r\n";
const char BrokenFormText[] = "object BrokenForm: TBrokenForm\r\n  Width = \r\nend\r\n";

// The test forms' resources, linked in as a program's would be.
class FormResourceTest : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    win::RegisterResource({win::RT_RCDATA_ID, "TTESTFORM", TestFormText, sizeof TestFormText - 1});
    win::RegisterResource({win::RT_RCDATA_ID, "TBROKENFORM", BrokenFormText, sizeof BrokenFormText - 1});
  }
  void TearDown() override {
    win::UnregisterResource(win::RT_RCDATA_ID, "TTESTFORM");
    win::UnregisterResource(win::RT_RCDATA_ID, "TBROKENFORM");
    FormsTest::TearDown();
  }
};

TEST_F(FormResourceTest, CreateFormReadsTheResourceShowsTheFormAndFocusesTheFirstControl) {
  Application->Initialize();
  TTestForm* form = nullptr;
  Application->CreateForm(form);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(Application->MainForm(), form);
  EXPECT_EQ(form->Name(), "TestForm");
  EXPECT_EQ(form->BoundsRect(), Rect(50, 40, 350, 240));
  EXPECT_EQ(form->Color(), clBtnFace);
  ASSERT_NE(form->Label1, nullptr);
  ASSERT_NE(form->Edit1, nullptr);
  EXPECT_EQ(form->Label1->Parent(), form);
  EXPECT_EQ(form->Edit1->Owner(), form);
  EXPECT_EQ(form->Edit1->Text(), "Edit1");
  EXPECT_EQ(form->Label1->BoundsRect(), Bounds(8, 16, TextExtent(form->Font(), "Label1").cx, 13))
      << "AutoSize after loading";

  EXPECT_TRUE(form->Visible());
  const auto* window = Backend->Window(form->Handle());
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->Visible);
  EXPECT_EQ(window->Caption, "Loaded form");
  EXPECT_EQ(Application->ActiveForm(), form);
  EXPECT_EQ(form->ActiveControl(), form->Edit1);
  EXPECT_EQ(form->Edit1->SelText(), "Edit1") << "AutoSelect on entering by keyboard";

  Click(form, 200, 100);
  EXPECT_EQ(form->Clicks, 1) << "OnClick bound to the published method";
  Click(form, form->Label1->Left() + 1, form->Label1->Top() + 1);
  EXPECT_EQ(form->Clicks, 1) << "a click on the label is the label's";
}

TEST_F(FormResourceTest, AFormThatCannotBeReadIsDestroyedAndTheErrorPasses) {
  int forms = ScreenFormCount();
  TBrokenForm* broken = reinterpret_cast<TBrokenForm*>(1);
  EXPECT_THROW(Application->CreateForm(broken), EParserError);
  EXPECT_EQ(broken, nullptr);
  TMissingForm* missing = nullptr;
  EXPECT_THROW(Application->CreateForm(missing), EResNotFound);
  EXPECT_EQ(ScreenFormCount(), forms);
  EXPECT_EQ(Application->MainForm(), nullptr);
  TForm* plain = nullptr;
  Application->CreateForm(plain);
  EXPECT_EQ(Application->MainForm(), plain) << "TForm itself needs no resource";
}

TEST_F(FormResourceTest, AFormWritesItsControlsNestedInItsTextForm) {
  TTestForm* form = NewForm<TTestForm>(Application);
  TMemoryStream binary;
  WriteComponent(binary, form);
  binary.SetPosition(0);
  TStringStream text;
  ObjectBinaryToText(binary, text);
  const std::string& t = text.DataString();
  EXPECT_NE(t.find("object TestForm: TTestForm"), std::string::npos) << t;
  EXPECT_NE(t.find("  object Edit1: TEdit"), std::string::npos) << t;
  EXPECT_NE(t.find("    TabOrder = 0"), std::string::npos) << t;
  EXPECT_NE(t.find("  OnClick = FormClick"), std::string::npos) << t;
  EXPECT_EQ(t.find("ClientWidth"), std::string::npos) << "the form's size is kept as Width and Height";
}

TEST(FormProperties, AFormListsNameTagAndBoundsFirstWithItsOwnSizeSpecifiers) {
  const auto& list = TForm::StaticClass()->PropList();
  std::vector<std::string> first;
  for (size_t i = 0; i < 6; ++i) first.push_back(list[i]->Name);
  EXPECT_EQ(first, (std::vector<std::string>{"Name", "Tag", "Left", "Top", "Width", "Height"}));
  EXPECT_NE(list[4], GetPropInfo(TControl::StaticClass(), "Width")) << "re-published by the form";

  TForm form(nullptr);
  PPropInfo width = list[4];
  PPropInfo clientWidth = GetPropInfo(TForm::StaticClass(), "ClientWidth");
  PPropInfo icon = GetPropInfo(TForm::StaticClass(), "Icon");
  EXPECT_TRUE(IsStoredProp(&form, width));
  EXPECT_FALSE(IsStoredProp(&form, clientWidth));
  form.SetAutoScroll(false);
  EXPECT_FALSE(IsStoredProp(&form, width));
  EXPECT_TRUE(IsStoredProp(&form, clientWidth));
  EXPECT_FALSE(IsStoredProp(&form, icon)) << "an empty icon is not stored";
  form.Icon()->SetWidth(16);
  form.Icon()->SetHeight(16);
  EXPECT_TRUE(IsStoredProp(&form, icon));
  for (const char* name :
       {"HorzScrollBar", "VertScrollBar", "Action",      "ActiveControl", "Caption",        "ClientHeight",
        "Color",         "Constraints",   "Font",        "Menu",          "ObjectMenuItem", "OldCreateOrder",
        "PixelsPerInch", "PopupMenu",     "TextHeight",  "Visible",       "WindowMenu",     "HelpType",
        "HelpKeyword",   "HelpContext",   "BorderStyle", "OnClick"})
    EXPECT_NE(GetPropInfo(TForm::StaticClass(), name), nullptr) << name;
}

// Typing into the edit box: each case starts from "Edit1" all selected (as the form shows it).
// A control read earlier, named again inside a new control whose reading then fails, is destroyed
// with the new control, its parent: the reader forgets it with the rest, and the form is left
// whole (the sanitizers see that nothing destroyed is touched).
TEST_F(FormsTest, AFailedReadForgetsControlsDestroyedWithTheControlItCreated) {
  RegisterFormsClasses();
  TForm* form = MakeForm();
  Label->SetName("Kept");
  Edit->SetName("Other");
  TStringStream text(
      "object Form: TForm\n"
      "  object Box: TEdit\n"
      "    object Kept: TLabel\n"
      "      Left = 3\n"
      "    end\n"
      "    object Bad: TNoSuchClass\n"
      "    end\n"
      "  end\n"
      "end\n");
  TStringStream binary;
  ObjectTextToBinary(text, binary);
  binary.SetPosition(0);
  EXPECT_THROW(ReadComponent(binary, form), EClassNotFound);
  ASSERT_EQ(form->ComponentCount(), 1);
  EXPECT_EQ(form->Components(0), Edit);
  EXPECT_FALSE(Edit->ComponentState().Contains(csLoading));
  EXPECT_FALSE(form->ComponentState().Contains(csLoading));
}

TEST_F(FormsTest, TheEditBoxEditsTextWithCaretSelectionAndTheClassicKeys) {
  using namespace win;
  struct Step {
    uint8_t Key;  // 0: type Text
    TShiftState Shift;
    std::string Text;
  };
  auto key = [](uint8_t k, TShiftState s = {}) { return Step{k, s, ""}; };
  auto type = [](const std::string& t) { return Step{0, {}, t}; };
  const TShiftState shift{ssShift}, ctrl{ssCtrl};
  struct Case {
    const char* Name;
    std::vector<Step> Steps;
    std::string Text;
    int SelStart, SelLength;
  } cases[] = {
      {"typing replaces the selection", {type("ab")}, "ab", 2, 0},
      {"arrows move, typing inserts", {type("ab"), key(VK_LEFT), key(VK_LEFT), type("x")}, "xab", 1, 0},
      {"left collapses a selection to its start", {key(VK_LEFT), type("<")}, "<Edit1", 1, 0},
      {"right collapses it to its end", {key(VK_RIGHT), type(">")}, "Edit1>", 6, 0},
      {"backspace at the end", {key(VK_END), type("\b")}, "Edit", 4, 0},
      {"backspace at the start does nothing", {key(VK_HOME), type("\b")}, "Edit1", 0, 0},
      {"delete before the caret's character", {key(VK_HOME), key(VK_DELETE)}, "dit1", 0, 0},
      {"delete at the end does nothing", {key(VK_END), key(VK_DELETE)}, "Edit1", 5, 0},
      {"shift extends the selection",
       {key(VK_HOME), key(VK_RIGHT, shift), key(VK_RIGHT, shift)},
       "Edit1",
       0,
       2},
      {"a shifted selection is replaced", {key(VK_END), key(VK_LEFT, shift), type("X")}, "EditX", 5, 0},
      {"shift+home selects back to the start",
       {key(VK_END), key(VK_LEFT), key(VK_HOME, shift)},
       "Edit1",
       0,
       4},
      {"backspace deletes a selection", {key(VK_HOME), key(VK_END, shift), type("\b")}, "", 0, 0},
      {"control characters are not typed", {type("a\tb\r\x1b")}, "ab", 2, 0},
      {"ctrl+left jumps words", {type("one two"), key(VK_LEFT, ctrl), type("_")}, "one _two", 5, 0},
      {"a two-byte character is one step",
       {type("\xC3\xA9z"), key(VK_LEFT), key(VK_LEFT), type("[")},
       "[\xC3\xA9z",
       1,
       0},
      {"backspace removes a whole character", {type("a\xC3\xA9"), type("\b")}, "a", 1, 0},
  };
  for (const auto& c : cases) {
    MakeForm();
    for (const Step& s : c.Steps) {
      if (s.Key)
        Backend->Key(s.Key, s.Shift);
      else
        Backend->Type(s.Text);
    }
    Application->ProcessMessages();
    EXPECT_EQ(Edit->Text(), c.Text) << c.Name;
    EXPECT_EQ(Edit->SelStart(), c.SelStart) << c.Name;
    EXPECT_EQ(Edit->SelLength(), c.SelLength) << c.Name;
    delete Edit->Parent();
  }
}

TEST_F(FormsTest, ReadOnlyMaxLengthAndOnChange) {
  TForm* form = MakeForm();
  int changes = 0;
  Edit->OnChange = TNotifyEvent([&](TObject*) { ++changes; });
  Edit->SetReadOnly(true);
  Backend->Type("x\b");
  Backend->Key(win::VK_DELETE);
  Application->ProcessMessages();
  EXPECT_EQ(Edit->Text(), "Edit1");
  EXPECT_EQ(changes, 0);
  Edit->SetReadOnly(false);
  Edit->SetMaxLength(3);
  Backend->Type("abcd");
  Application->ProcessMessages();
  EXPECT_EQ(Edit->Text(), "abc");
  EXPECT_EQ(changes, 3);
  EXPECT_TRUE(Edit->Modified);
  (void)form;
}

TEST_F(FormsTest, TabMovesTheFocusAndAClickPlacesTheCaretWithoutSelecting) {
  TForm* form = MakeForm();
  auto* second = new TEdit(form);
  second->SetParent(form);
  second->SetBounds(48, 60, 121, 21);
  second->SetText("Second");
  Application->ProcessMessages();
  ASSERT_EQ(form->ActiveControl(), Edit);
  Backend->Key(win::VK_TAB);
  Application->ProcessMessages();
  EXPECT_EQ(form->ActiveControl(), second);
  EXPECT_EQ(second->SelText(), "Second");
  Backend->Key(win::VK_TAB, TShiftState{ssShift});
  Application->ProcessMessages();
  EXPECT_EQ(form->ActiveControl(), Edit);

  Click(form, 48 + 118, 60 + 10);
  EXPECT_EQ(form->ActiveControl(), second);
  EXPECT_EQ(second->SelLength(), 0) << "entering by mouse selects nothing";
  EXPECT_EQ(second->CaretPos(), 6) << "a click right of the text puts the caret at its end";
  Click(form, 48 + 3, 60 + 10);
  EXPECT_EQ(second->CaretPos(), 0);
}

TEST_F(FormsTest, KeyPressesOfTheSystemReachTheFocusedControlWithTheirShiftState) {
  MakeForm();
  win::keybd_event(win::VK_SHIFT, 0, 0, 0);
  win::keybd_event('H', 0, 0, 0);
  win::keybd_event('H', 0, win::KEYEVENTF_KEYUP, 0);
  win::keybd_event(win::VK_SHIFT, 0, win::KEYEVENTF_KEYUP, 0);
  for (uint8_t k : {uint8_t('I'), uint8_t('1'), win::VK_BACK, uint8_t('2')}) {
    win::keybd_event(k, 0, 0, 0);
    win::keybd_event(k, 0, win::KEYEVENTF_KEYUP, 0);
  }
  Application->ProcessMessages();
  EXPECT_EQ(Edit->Text(), "Hi2");
}

TEST_F(FormsTest, AClickOnTheFormRaisesOnClickAndTheCloseButtonEndsTheApplication) {
  TForm* form = MakeForm();
  int clicks = 0;
  form->OnClick = TNotifyEvent([&](TObject*) { ++clicks; });
  Click(form, 200, 200);
  EXPECT_EQ(clicks, 1);
  Click(form, Edit->Left() + 5, Edit->Top() + 5);
  Click(form, -2, 100);
  EXPECT_EQ(clicks, 1) << "clicks on the edit box and the frame are not the form's";

  Backend->Click(form->Handle(), form->CloseButtonRect().left + 2, form->CloseButtonRect().top + 2);
  Application->ProcessMessages();
  EXPECT_FALSE(form->Visible()) << "a form that is not the main form hides";
  EXPECT_FALSE(Application->Terminated());
}

TEST_F(FormsTest, ClosingTheMainFormEndsRun) {
  TForm* main = nullptr;
  Application->CreateForm(main);
  Application->Run();  // shows the main form; on the headless backend it returns when no event is left
  EXPECT_TRUE(main->Visible());
  EXPECT_FALSE(Application->Terminated());
  Backend->Click(main->Handle(), main->CloseButtonRect().left + 2, main->CloseButtonRect().top + 2);
  Application->Run();
  EXPECT_TRUE(Application->Terminated());
}

TEST_F(FormsTest, AFormClosedWithCaFreeGoesAfterTheMessageAndOnDestroyComesFirst) {
  std::vector<std::string> log;
  TForm* main = nullptr;
  Application->CreateForm(main);
  main->OnDestroy = TNotifyEvent([&](TObject*) { log.push_back("main destroyed"); });
  auto* dialog = new TForm(Application);
  dialog->SetCaption("Dialog");
  dialog->OnClose = TCloseEvent([](TObject*, TCloseAction& action) { action = caFree; });
  dialog->OnDestroy = TNotifyEvent(
      [&](TObject* sender) { log.push_back(static_cast<TForm*>(sender)->Caption() + " destroyed"); });
  dialog->Show();
  main->Show();
  TBackendEvent close;
  close.Kind = beClose;
  close.Window = dialog->Handle();
  Backend->Inject(close);
  Application->ProcessMessages();
  EXPECT_EQ(ScreenFormCount(), 2) << "not during the message that closed it";
  EXPECT_FALSE(dialog->Visible());
  Application->HandleMessage();
  EXPECT_EQ(ScreenFormCount(), 1);
  DoneApplication();
  EXPECT_EQ(log, (std::vector<std::string>{"Dialog destroyed", "main destroyed"}));
}

// The open message box and what it shows.
TCustomForm* OpenMessageBox() {
  for (int i = ScreenFormCount() - 1; i >= 0; --i)
    if (ScreenForms(i)->ClassName() == "TMessageForm" && ScreenForms(i)->Visible()) return ScreenForms(i);
  return nullptr;
}

std::string MessageText(TCustomForm* box) {
  auto* label = dynamic_cast<TLabel*>(box->FindComponent("Message"));
  return label ? label->Caption() : "<no label>";
}

TEST_F(FormsTest, AMessageBoxIsAModalWindowWithTextIconAndButtons) {
  TForm* form = MakeForm();
  int formClicks = 0;
  form->OnClick = TNotifyEvent([&](TObject*) { ++formClicks; });
  std::string seen, caption;
  int step = 0;
  Backend->OnIdle = [&] {
    TCustomForm* box = OpenMessageBox();
    if (!box || step++ > 0) return;
    seen = MessageText(box);
    caption = box->Caption();
    EXPECT_EQ(Application->ActiveForm(), box);
    const auto* w = Backend->Window(box->Handle());
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->Visible);
    EXPECT_EQ(w->Pixel(box->ClientOffset().x + 12 + 5, box->ClientOffset().y + 12 + 16),
              win::RGB(0x20, 0x50, 0xC0))
        << "the information icon's disc";
    TPoint p = At(form, 200, 200);
    Backend->Click(form->Handle(), p.x, p.y);  // ignored while the box is open
    Backend->Key(win::VK_RETURN, {}, "\r");
  };
  EXPECT_EQ(
      win::MessageBoxA(form->Handle(), "Hello there", "Greeting", win::MB_OKCANCEL | win::MB_ICONINFORMATION),
      win::IDOK);
  EXPECT_EQ(seen, "Hello there");
  EXPECT_EQ(caption, "Greeting");
  EXPECT_EQ(formClicks, 0);
  EXPECT_EQ(OpenMessageBox(), nullptr) << "the box is gone";
  EXPECT_EQ(Application->ActiveForm(), form) << "the form is active again";
}

TEST_F(FormsTest, EscapeCancelsAndABoxLeftWithoutInputEndsLikeEscape) {
  MakeForm();
  struct Case {
    win::UINT Type;
    std::vector<uint8_t> Keys;
    int Expected;
  } cases[] = {
      {win::MB_OKCANCEL, {win::VK_ESCAPE}, win::IDCANCEL},
      {win::MB_OK, {win::VK_ESCAPE}, win::IDOK},
      {win::MB_YESNO, {win::VK_RIGHT, win::VK_RETURN}, win::IDNO},
      {win::MB_YESNOCANCEL | win::MB_DEFBUTTON2, {win::VK_RETURN}, win::IDNO},
      {win::MB_OKCANCEL, {}, win::IDCANCEL},
      {win::MB_YESNO | win::MB_DEFBUTTON2, {}, win::IDNO},
      {win::MB_ABORTRETRYIGNORE, {}, win::IDABORT},
  };
  for (const auto& c : cases) {
    bool pressed = false;
    Backend->OnIdle = [&] {
      if (pressed || !OpenMessageBox()) return;
      pressed = true;
      for (uint8_t k : c.Keys) Backend->Key(k);
    };
    EXPECT_EQ(win::MessageBoxA(nullptr, "Question", "Box", c.Type), c.Expected) << "type " << c.Type;
  }
}

// A display's wait for a timer can come back empty a moment before the timer is due (its clock
// is not the program's) or for an event of its own; the loops must wait on, not end.
class TEarlyWakingBackend : public THeadlessBackend {
 public:
  int EarlyWakes = 0;
  bool CanWait() const override { return true; }
  bool NextEvent(TBackendEvent& Event, int TimeoutMs) override {
    if (Pending() == 0 && TimeoutMs > 0 && EarlyWakes > 0) {
      --EarlyWakes;
      return false;
    }
    return THeadlessBackend::NextEvent(Event, TimeoutMs);
  }
};

TEST_F(FormsTest, AWaitThatComesBackEarlyEndsNeitherAMessageBoxNorTheProgram) {
  auto owned = std::make_unique<TEarlyWakingBackend>();
  TEarlyWakingBackend* backend = owned.get();
  Application->SetBackend(std::move(owned));
  Backend = backend;
  TForm* main = nullptr;
  Application->CreateForm(main);
  int ticks = 0;
  Application->SetTimer(this, 60000, [&] { ++ticks; });  // pending, never due in the test

  int idle = 0;
  backend->EarlyWakes = 3;
  backend->OnIdle = [&] {
    if (++idle == 1 && OpenMessageBox()) backend->Key(win::VK_RETURN);
  };
  EXPECT_EQ(win::MessageBoxA(nullptr, "Question", "Box", win::MB_OKCANCEL), win::IDOK)
      << "the box waited for its answer";
  EXPECT_EQ(backend->EarlyWakes, 0);

  // The main loop: three early returns, then the program is asked to end.
  backend->EarlyWakes = 3;
  backend->OnIdle = [&] {
    TBackendEvent quit;
    quit.Kind = beQuit;
    backend->Inject(quit);
    backend->OnIdle = nullptr;
  };
  Application->Run();
  EXPECT_EQ(backend->EarlyWakes, 0);
  EXPECT_TRUE(Application->Terminated()) << "the loop ran until the quit, not until the first early return";
  EXPECT_EQ(ticks, 0);
  Application->KillTimer(this);
}

TEST_F(FormsTest, AnExceptionInAnEventIsShownAndTheLoopGoesOn) {
  TForm* form = MakeForm();
  int clicks = 0;
  form->OnClick = TNotifyEvent([&](TObject*) {
    if (++clicks == 1) throw EFCreateError("Cannot create file \"/x.txt\". Permission denied");
    if (clicks == 2) throw EAbort("silent");
  });
  std::vector<std::string> shown;
  Backend->OnIdle = [&] {
    if (TCustomForm* box = OpenMessageBox(); box && shown.size() < 5) {
      shown.push_back(box->Caption() + ": " + MessageText(box));
      Backend->Key(win::VK_RETURN);
    }
  };
  for (int i = 0; i < 3; ++i) {
    TPoint p = At(form, 200, 200);
    Backend->Click(form->Handle(), p.x, p.y);
    while (Backend->Pending()) EXPECT_TRUE(Application->HandleMessage());
  }
  EXPECT_EQ(clicks, 3);
  EXPECT_EQ(shown, std::vector<std::string>{Application->Title() +
                                            ": Cannot create file \"/x.txt\". Permission denied."});
}

TEST_F(FormsTest, FindWindowAndBringWindowToTopWorkOnTheProgramsForms) {
  TForm* form = MakeForm();
  auto* other = new TForm(Application);
  other->SetCaption("Other");
  other->Show();
  EXPECT_EQ(Application->ActiveForm(), other);
  EXPECT_EQ(win::FindWindowA("TForm", "Demo"), form->Handle());
  EXPECT_EQ(win::FindWindowA("TApplication", Application->Title().c_str()), Application->Handle());
  EXPECT_TRUE(win::BringWindowToTop(form->Handle()));
  EXPECT_EQ(Backend->ZOrder().back(), form->Handle());
  EXPECT_EQ(Application->ActiveForm(), form);
  delete other;
  EXPECT_EQ(win::FindWindowA(nullptr, "Other"), nullptr);
}

}  // namespace
}  // namespace zu
