#include "platform/controls/Menus.h"

namespace zu {

ZU_PUBLISHED(TBasicAction, "Classes") { p.property("OnExecute", &TBasicAction::OnExecute); }

bool TBasicAction::Execute() {
  if (!OnExecute) return false;
  OnExecute(this);
  return true;
}

ZU_PUBLISHED(TMenuItem, "Menus") {
  p.property("Caption", &TMenuItem::Caption);
  p.property("Checked", &TMenuItem::Checked).defaultValue(false);
  p.property("Enabled", &TMenuItem::Enabled).defaultValue(true);
  p.property("Hint", &TMenuItem::Hint);
  p.property("Visible", &TMenuItem::Visible).defaultValue(true);
  p.property("OnClick", &TMenuItem::OnClick);
}

ZU_PUBLISHED(TMenu, "Menus") {}
ZU_PUBLISHED(TMainMenu, "Menus") {}
ZU_PUBLISHED(TPopupMenu, "Menus") { p.property("AutoPopup", &TPopupMenu::AutoPopup).defaultValue(true); }

}  // namespace zu
