// Menus and actions as components that forms and controls refer to: a menu item, main and shortcut
// menus, and the base of actions. They carry their published properties; nothing shows them.
#pragma once

#include <string>

#include "platform/classes/Component.h"
#include "platform/classes/Strings.h"

namespace zu {

class TBasicAction : public TComponent {
  ZU_CLASS(TBasicAction, TComponent)
 public:
  using TComponent::TComponent;
  // Calls OnExecute; false when it is not assigned.
  virtual bool Execute();
  TNotifyEvent OnExecute;
};

class TMenuItem : public TComponent {
  ZU_CLASS(TMenuItem, TComponent)
 public:
  using TComponent::TComponent;
  std::string Caption;
  bool Checked = false;
  bool Enabled = true;
  std::string Hint;
  bool Visible = true;
  TNotifyEvent OnClick;
};

class TMenu : public TComponent {
  ZU_CLASS(TMenu, TComponent)
 public:
  using TComponent::TComponent;
};

class TMainMenu : public TMenu {
  ZU_CLASS(TMainMenu, TMenu)
 public:
  using TMenu::TMenu;
};

class TPopupMenu : public TMenu {
  ZU_CLASS(TPopupMenu, TMenu)
 public:
  using TMenu::TMenu;
  bool AutoPopup = true;
};

}  // namespace zu
