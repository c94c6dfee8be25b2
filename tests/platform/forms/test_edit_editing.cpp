// The edit box's clipboard, undo, word selection, caret blinking, hidden selection and long texts.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "platform/forms/StdCtrls.h"
#include "platform/graphics/Gdi.h"
#include "platform/graphics/GdiText.h"
#include "platform/graphics/SysColors.h"
#include "platform/windows/Windows.h"
#include "tests/platform/forms/HeadlessForm.h"

namespace zu {
namespace {

using namespace win;

class EditEditingTest : public HeadlessFormTest {
 protected:
  void SetUp() override {
    HeadlessFormTest::SetUp();
    Edit = new TEdit(Form);
    Edit->SetParent(Form);
    Edit->SetBounds(48, 16, 121, 21);
    Edit->SetText("one two three");
    ShowForm();
  }
  // Presses keys (a virtual key with its shift state, or characters to type), then handles them.
  using TKeys = std::vector<std::pair<uint8_t, TShiftState>>;
  void Keys(const TKeys& keys) {
    for (auto [k, s] : keys) Backend->Key(k, s);
    Application->ProcessMessages();
  }
  void Type(const std::string& text) {
    Backend->Type(text);
    Application->ProcessMessages();
  }
  // A window point for a point of the edit box.
  TPoint At(int x, int y) {
    TPoint o = Form->ClientOffset();
    return Point(o.x + Edit->Left() + x, o.y + Edit->Top() + y);
  }
  // The number of highlight-coloured pixels in the edit box's picture.
  int HighlightPixels() {
    Form->PaintNow();
    const auto* w = Backend->Window(Form->Handle());
    int n = 0;
    for (int y = 0; y < Edit->Height(); ++y)
      for (int x = 0; x < Edit->Width(); ++x) {
        TPoint p = At(x, y);
        if (w->Pixel(p.x, p.y) == GetSysColor(COLOR_HIGHLIGHT)) ++n;
      }
    return n;
  }
  // The box's x of a byte position of an unscrolled text: after its border (2) and margin (1).
  int XOf(const std::string& text, int pos) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, Edit->Font()->Handle());
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), pos, &size);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return 3 + size.cx;
  }
  TEdit* Edit = nullptr;
};

const TShiftState None{}, Shift{ssShift}, Ctrl{ssCtrl};

TEST_F(EditEditingTest, ClipboardKeysCutCopyAndPasteThroughTheSystemClipboard) {
  struct Case {
    const char* Name;
    std::vector<std::pair<uint8_t, TShiftState>> Keys;
    std::string Clipboard, Text;
  } cases[] = {
      {"ctrl+c copies",
       {{VK_HOME, None}, {VK_RIGHT, Shift}, {VK_RIGHT, Shift}, {'C', Ctrl}},
       "on",
       "one two three"},
      {"ctrl+insert copies", {{VK_END, None}, {VK_LEFT, Shift}, {VK_INSERT, Ctrl}}, "e", "one two three"},
      {"ctrl+x cuts", {{VK_HOME, None}, {VK_RIGHT, Shift}, {'X', Ctrl}}, "o", "ne two three"},
      {"shift+delete cuts", {{VK_END, None}, {VK_LEFT, Shift}, {VK_DELETE, Shift}}, "e", "one two thre"},
      {"ctrl+v pastes over the selection",
       {{VK_HOME, None}, {VK_RIGHT, Shift}, {'V', Ctrl}},
       "<clip>",
       "<clip>ne two three"},
      {"shift+insert pastes at the caret",
       {{VK_END, None}, {VK_INSERT, Shift}},
       "<clip>",
       "one two three<clip>"},
  };
  for (const auto& c : cases) {
    Edit->SetText("one two three");
    Backend->SetClipboardText("<clip>");
    Keys(c.Keys);
    EXPECT_EQ(Backend->ClipboardText(), c.Clipboard) << c.Name;
    EXPECT_EQ(Edit->Text(), c.Text) << c.Name;
  }
  // Copy and paste between two places of the box.
  Edit->SetText("alpha beta");
  Keys({{VK_HOME, None}, {VK_RIGHT, TShiftState{ssCtrl, ssShift}}, {'C', Ctrl}, {VK_END, None}, {'V', Ctrl}});
  EXPECT_EQ(Edit->Text(), "alpha betaalpha ");
  // A pasted text stops at its first line break and keeps within MaxLength on a character boundary.
  Edit->SetText("ab");
  Edit->SetMaxLength(5);
  Backend->SetClipboardText("x\xC3\xA9yz\r\nsecond");
  Keys({{VK_END, None}, {'V', Ctrl}});
  EXPECT_EQ(Edit->Text(), "abx\xC3\xA9");
  // Nothing leaves a password box; a read-only box is not changed.
  Edit->SetMaxLength(0);
  Edit->SetPasswordChar('*');
  Backend->SetClipboardText("kept");
  Keys({{'A', Ctrl}, {'C', Ctrl}, {'X', Ctrl}});
  EXPECT_EQ(Backend->ClipboardText(), "kept");
  EXPECT_EQ(Edit->Text(), "abx\xC3\xA9");
  Edit->SetPasswordChar(0);
  Edit->SetReadOnly(true);
  Keys({{'A', Ctrl}, {'X', Ctrl}, {'V', Ctrl}});
  EXPECT_EQ(Edit->Text(), "abx\xC3\xA9");
  EXPECT_EQ(Backend->ClipboardText(), "kept");
}

TEST_F(EditEditingTest, UndoTakesBackTheLastEditAndASecondUndoRedoesIt) {
  Edit->SetText("one");
  EXPECT_FALSE(Edit->CanUndo());
  Keys({{VK_END, None}});
  Type(" two");  // typed in a row: one edit
  EXPECT_EQ(Edit->Text(), "one two");
  Keys({{'Z', Ctrl}});
  EXPECT_EQ(Edit->Text(), "one");
  Keys({{'Z', Ctrl}});
  EXPECT_EQ(Edit->Text(), "one two");
  EXPECT_EQ(Edit->SelText(), " two");
  // A caret move ends the typing: only what came after it is taken back.
  Keys({{VK_END, None}});
  Type("!");
  Keys({{VK_HOME, None}});
  Type(">");
  Keys({{'Z', Ctrl}});
  EXPECT_EQ(Edit->Text(), "one two!");
  // Deleting, cutting and pasting are edits of their own.
  Keys({{VK_HOME, None}, {VK_DELETE, None}});
  EXPECT_EQ(Edit->Text(), "ne two!");
  Keys({{'Z', Ctrl}});
  EXPECT_EQ(Edit->Text(), "one two!");
  Backend->SetClipboardText("X");
  Keys({{'A', Ctrl}, {'V', Ctrl}});
  EXPECT_EQ(Edit->Text(), "X");
  Keys({{VK_BACK, TShiftState{ssAlt}}});
  EXPECT_EQ(Edit->Text(), "one two!");
  // Setting the text forgets the edit.
  Edit->SetText("new");
  Keys({{'Z', Ctrl}});
  EXPECT_EQ(Edit->Text(), "new");
}

TEST_F(EditEditingTest, ADoubleClickSelectsTheWordWithTheSpacesAfterIt) {
  const std::string text = "one two  three";
  Edit->SetText(text);
  // The middle of a character.
  auto middleOf = [&](int index) { return (XOf(text, index) + XOf(text, index + 1)) / 2; };
  const struct {
    int Index;
    const char* Selected;
  } cases[] = {{1, "one "}, {4, "two  "}, {7, "  "}, {13, "three"}};
  for (const auto& c : cases) {
    TPoint p = At(middleOf(c.Index), 10);
    Backend->Click(Form->Handle(), p.x, p.y);
    Backend->Click(Form->Handle(), p.x, p.y, true);
    Application->ProcessMessages();
    EXPECT_EQ(Edit->SelText(), c.Selected) << c.Index;
  }
}

TEST_F(EditEditingTest, TheCaretBlinksAndTheSelectionHidesWhileTheFormIsInactive) {
  Keys({{'A', Ctrl}});
  ASSERT_EQ(Edit->SelLength(), 13);
  EXPECT_GT(HighlightPixels(), 50);
  // Another form becomes the active one: the selection hides, and shows again on return.
  Form->SetActive(false);
  EXPECT_EQ(HighlightPixels(), 0);
  Edit->SetHideSelection(false);
  EXPECT_GT(HighlightPixels(), 50);
  Edit->SetHideSelection(true);
  Form->SetActive(true);
  EXPECT_GT(HighlightPixels(), 50);

  // The caret at the end of the text is drawn, then not, then again, every blink time.
  Keys({{VK_END, None}});
  const int caretX = XOf(Edit->Text(), 13);
  auto caretShown = [&] {
    Form->PaintNow();
    const auto* w = Backend->Window(Form->Handle());
    int ink = 0;
    for (int y = 4; y < 16; ++y) {
      TPoint p = At(caretX, y);
      if (w->Pixel(p.x, p.y) == GetSysColor(COLOR_WINDOWTEXT)) ++ink;
    }
    return ink > 8;
  };
  // The classic blink time is 530 ms: {ms the clock moves on, whether the caret shows then}.
  const std::pair<int, bool> blinks[] = {{0, true},    {529, true}, {1, false},
                                         {529, false}, {1, true},   {530, false}};
  int at = 0;
  for (auto [ms, shown] : blinks) {
    Advance(ms);
    at += ms;
    Application->ProcessMessages();
    EXPECT_EQ(caretShown(), shown) << "at " << at << " ms";
  }
  // A key shows the caret at once and starts its blinking afresh.
  Keys({{VK_LEFT, None}, {VK_END, None}});
  Advance(530);
  Keys({{VK_END, None}});
  EXPECT_TRUE(caretShown());
  Advance(529);
  Application->ProcessMessages();
  EXPECT_TRUE(caretShown());
}

// Edits keep the layout of the text without measuring it all again: after any run of typing,
// deleting, pasting and undoing, a click lands where it lands in a box given the same text afresh.
TEST_F(EditEditingTest, EditsKeepTheLayoutAFreshBoxHas) {
  Edit->SetBounds(8, 16, 340, 21);
  auto* fresh = new TEdit(Form);
  fresh->SetParent(Form);
  fresh->SetBounds(8, 60, 340, 21);
  const TPoint o = Form->ClientOffset();
  auto clickAt = [&](TEdit* box, int x) {
    Backend->Click(Form->Handle(), o.x + box->Left() + x, o.y + box->Top() + 10);
    Application->ProcessMessages();
    return box->SelStart();
  };
  const char* pieces[] = {"a", "W", "\xC3\xA9", "\xC3\xBC\xC3\xBC", " ", "iii", "\xE2\x82\xAC"};
  unsigned seed = 7;
  Edit->SetText("start");
  for (int step = 0; step < 30; ++step) {
    SCOPED_TRACE(testing::Message() << "step " << step << ", text \"" << Edit->Text() << "\"");
    clickAt(Edit, int(rand_r(&seed) % 200));
    switch (rand_r(&seed) % 6) {
      case 0:
      case 1:
        Type(pieces[rand_r(&seed) % 7]);
        break;
      case 2:
        Keys({{VK_BACK, None}});
        break;
      case 3:
        Keys({{VK_RIGHT, TShiftState{ssShift}}, {VK_RIGHT, TShiftState{ssShift}}, {VK_DELETE, None}});
        break;
      case 4:
        Backend->SetClipboardText(pieces[rand_r(&seed) % 7]);
        Keys({{'V', TShiftState{ssCtrl}}});
        break;
      default:
        Keys({{'Z', TShiftState{ssCtrl}}});
        break;
    }
    Keys({{VK_HOME, None}});
    fresh->SetText(Edit->Text());
    for (int x = 0; x < 330; x += 11) ASSERT_EQ(clickAt(Edit, x), clickAt(fresh, x)) << "x " << x;
  }
}

TEST_F(EditEditingTest, ALongTextKeepsCaretClicksAndTheShownPartInStep) {
  std::string text;
  for (int i = 0; i < 2000; ++i) text += "word" + std::to_string(i % 10) + " ";
  Edit->SetText(text);  // 14,000 characters
  Keys({{VK_END, None}});
  // The box shows the end of the text: a click at its left edge lands a box's width before the end.
  TPoint p = At(4, 10);
  Backend->Click(Form->Handle(), p.x, p.y);
  Application->ProcessMessages();
  const int32_t size = static_cast<int32_t>(text.size());
  EXPECT_LT(Edit->SelStart(), size - 10);
  EXPECT_GT(Edit->SelStart(), size - 40);
  // Typing there inserts at that place and moves the text on by one.
  const int32_t at = Edit->SelStart();
  Type("#");
  EXPECT_EQ(Edit->Text().substr(static_cast<size_t>(at), 1), "#");
  EXPECT_EQ(Edit->Text().size(), text.size() + 1);
}

}  // namespace
}  // namespace zu
