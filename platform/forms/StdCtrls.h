// TLabel and TEdit: a caption painted on its parent, and a one-line edit box with a caret, a
// selection and the keys of the classic edit control.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/controls/Controls.h"
#include "platform/forms/CustomForm.h"

namespace zu {

ZU_ENUM(TAlignment, taLeftJustify, taRightJustify, taCenter)
ZU_ENUM(TTextLayout, tlTop, tlCenter, tlBottom)
ZU_ENUM(TEditCharCase, ecNormal, ecUpperCase, ecLowerCase)

class TCustomLabel : public TGraphicControl {
  ZU_CLASS(TCustomLabel, TGraphicControl)
 public:
  explicit TCustomLabel(TComponent* AOwner);

  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  // With AutoSize the label takes the size of its text (lines broken at CR LF) on every change.
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);
  // The control that a click on the label or its accelerator gives the focus to.
  TWinControl* FocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* value);
  TTextLayout Layout() const { return FLayout; }
  void SetLayout(TTextLayout value);
  // "&x" underlines x and "&&" shows "&" unless ShowAccelChar is false.
  bool ShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool value);

 protected:
  void Paint() override;
  void Loaded() override;
  void TextChanged() override;
  void FontChanged() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // The DrawTextA format of the label's text.
  unsigned DrawTextFlags() const;
  void AdjustBounds();

 private:
  TAlignment FAlignment = taLeftJustify;
  bool FAutoSize = true;
  TWinControl* FFocusControl = nullptr;
  TTextLayout FLayout = tlTop;
  bool FShowAccelChar = true;
  bool FTransparent = false;
  bool FWordWrap = false;
};

class TLabel : public TCustomLabel {
  ZU_CLASS(TLabel, TCustomLabel)
 public:
  using TCustomLabel::TCustomLabel;
};

// A one-line edit box. Positions are byte offsets into the UTF-8 text that always fall on a
// character boundary; the selection runs from an anchor to the caret. The caret blinks while the
// box has the focus of the active form; with HideSelection the selection shows only then.
class TCustomEdit : public TWinControl {
  ZU_CLASS(TCustomEdit, TWinControl)
 public:
  explicit TCustomEdit(TComponent* AOwner);
  ~TCustomEdit() override;

  bool AutoSelect() const { return FAutoSelect; }
  void SetAutoSelect(bool value) { FAutoSelect = value; }
  // Kept for streaming; the box keeps the height it is given.
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value) { FAutoSize = value; }
  // bsSingle draws a sunken frame (flat with Ctl3D off), bsNone none; other values count as bsSingle.
  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle value);
  TEditCharCase CharCase() const { return FCharCase; }
  // Converts the text at once and what is typed from then on.
  void SetCharCase(TEditCharCase value);
  bool HideSelection() const { return FHideSelection; }
  void SetHideSelection(bool value);
  // The most bytes that typing may give the text; 0 is no limit.
  int32_t MaxLength() const { return FMaxLength; }
  void SetMaxLength(int32_t value);
  bool OEMConvert = false;
  // Shows this character for each character of the text; 0 shows the text.
  char PasswordChar() const { return FPasswordChar; }
  void SetPasswordChar(char value);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value) { FReadOnly = value; }
  bool Modified = false;

  // The text; setting it puts the caret at its start and raises OnChange.
  void SetText(const std::string& value) override;
  int32_t SelStart() const;
  int32_t SelLength() const;
  std::string SelText() const;
  // Selects SelStart .. SelStart + SelLength (clamped to the text, moved back to character
  // boundaries); the caret goes to the end of the selection.
  void SetSelStart(int32_t value);
  void SetSelLength(int32_t value);
  void SelectAll();
  void ClearSelection();
  // Replaces the selection with text (also when ReadOnly; MaxLength is not checked); cannot be
  // undone.
  void SetSelText(const std::string& value);
  // The system clipboard: copying and cutting take the selection (nothing from a password box,
  // cutting nothing from a read-only one); pasting replaces the selection with the clipboard's
  // text up to its first line break, in CharCase and cut to what MaxLength leaves room for.
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  // Takes back the last edit (characters typed in a row count as one) and selects what it
  // restores; a second Undo redoes the edit. Setting Text forgets it.
  bool CanUndo() const { return FCanUndo; }
  void Undo();
  void ClearUndo() { FCanUndo = false; }
  int32_t CaretPos() const { return FCaret; }
  void WndProc(TMessage& Message) override;

  TNotifyEvent OnChange;

 protected:
  void PaintWindow(win::HDC DC) override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void KeyPress(char& Key) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void DoEnter() override;
  void DoExit() override;
  void TextChanged() override;
  void FontChanged() override;
  virtual void Change();

 private:
  // What is shown for the bytes from .. to of the text (the password characters for them).
  std::string DisplayText(int32_t from, int32_t to) const;
  int32_t BorderWidth() const;
  // The x of a byte position in the shown text, from the start of the text; measured once per
  // text, font and password character, so that clicks and keys cost no measuring of the text.
  int32_t TextOffset(int32_t pos);
  void InvalidateLayout() { FOffsets.clear(); }
  int32_t Boundary(int32_t pos) const;
  int32_t NextPos(int32_t pos) const;
  int32_t PrevPos(int32_t pos) const;
  int32_t WordLeft(int32_t pos) const;
  int32_t WordRight(int32_t pos) const;
  void DeleteRange(int32_t from, int32_t to);
  // The text's x at a byte position and the position nearest to an x, in client coordinates.
  int32_t PosToX(int32_t pos);
  int32_t XToPos(int32_t x);
  void MoveCaret(int32_t pos, bool extend);
  void ScrollToCaret();
  void Insert(const std::string& s);
  // Replaces the bytes from .. to of the text (character boundaries) with s.
  void ReplaceRange(int32_t from, int32_t to, const std::string& s);
  // After the user changed the text: Modified, the caret in view, OnChange.
  void Edited();
  // Keeps the text and selection for Undo before an edit; Typing continues an edit of typing.
  void SaveUndo(bool Typing);
  // Shows the caret and starts its blinking afresh (after a move or an edit).
  void RestartCaret();
  // The box has the focus of the form, and the form is the active one.
  bool ShowsFocus() const;
  bool FAutoSelect = true;
  bool FAutoSize = true;
  TFormBorderStyle FBorderStyle = bsSingle;
  TEditCharCase FCharCase = ecNormal;
  bool FHideSelection = true;
  int32_t FMaxLength = 0;
  char FPasswordChar = 0;
  bool FReadOnly = false;
  int32_t FAnchor = 0;
  int32_t FCaret = 0;
  int32_t FScroll = 0;
  bool FMouseSelecting = false;
  bool FEnteringByMouse = false;
  bool FCaretOn = true;
  std::vector<int32_t> FOffsets;  // TextOffset of every byte position; empty when to be measured
  bool FLayoutKept = false;       // the text changed by an edit that kept FOffsets up to date
  std::string FUndoText;
  int32_t FUndoAnchor = 0;
  int32_t FUndoCaret = 0;
  bool FCanUndo = false;
  bool FTyping = false;
  std::unique_ptr<TCanvas> FCanvas;
};

class TEdit : public TCustomEdit {
  ZU_CLASS(TEdit, TCustomEdit)
 public:
  explicit TEdit(TComponent* AOwner);
};

}  // namespace zu
