// The system menu of a skinned form. A skinned window loses WS_SYSMENU from its live style so
// that the platform paints no title buttons; the menu is then a popup menu of the component
// library, built from the form's real system menu, and it answers which title buttons show
// and which are enabled.
#pragma once

#include "vcl/controls/menus.h"

namespace vcl {
class TCustomForm;
}

namespace skin {

class TsSkinProvider;

// What the title-bar painters and hit tests ask of a system menu.
class TsCustomSysMenu : public vcl::TPopupMenu {
  VCL_CLASS(TsCustomSysMenu, vcl::TPopupMenu)
  explicit TsCustomSysMenu(vcl::TComponent* owner) : vcl::TPopupMenu(owner) {}

  virtual bool VisibleClose() = 0;
  virtual bool VisibleMax() = 0;
  virtual bool VisibleMin() = 0;
  virtual bool EnabledMax() = 0;
  virtual bool EnabledMin() = 0;
  virtual bool EnabledRestore() = 0;
};

// The system menu of a form with a skin provider (owned by the provider, named "SysMenu").
class TsSystemMenu : public TsCustomSysMenu {
  VCL_CLASS(TsSystemMenu, TsCustomSysMenu)
  explicit TsSystemMenu(TsSkinProvider* provider);
  ~TsSystemMenu() override;

  bool VisibleClose() override;
  bool VisibleMax() override;
  bool VisibleMin() override;
  bool EnabledMax() override;
  bool EnabledMin() override;
  bool EnabledRestore() override;

  // Rebuilds the items from the form's real system menu.
  void MakeSkinItems();
  // Rebuilds when asked or when there is no close item yet, then sets every item's Visible
  // and Enabled by the queries.
  void UpdateItems(bool rebuild = false);
  // Puts the submenu of the manager's available skins first (none when there are no skins);
  // choosing one makes it the manager's skin.
  void MakeSkinSelectItems();
  // Takes an earlier skin submenu and its divider out.
  void RemoveSkinSelectItems();

  int32_t ExtItemsCount = 0;
  TsSkinProvider* Provider;
  vcl::TCustomForm* Form;
  vcl::TMenuItem* ItemRestore = nullptr;
  vcl::TMenuItem* ItemMove = nullptr;
  vcl::TMenuItem* ItemSize = nullptr;
  vcl::TMenuItem* ItemMinimize = nullptr;
  vcl::TMenuItem* ItemMaximize = nullptr;
  vcl::TMenuItem* ItemClose = nullptr;

 private:
  bool BigStyle() const;
  bool IsMdiChild() const;
  void SendCommand(UINT command);
};

class TacDialogWnd;

// The system menu of a window skinned through a dialog frame adapter: a fixed item set whose
// states follow the window's styles. The adapter makes it without an owner and sets Dialog.
class TacSystemMenu : public TsCustomSysMenu {
  VCL_CLASS(TacSystemMenu, TsCustomSysMenu)
  explicit TacSystemMenu(vcl::TComponent* owner);
  ~TacSystemMenu() override;

  // Only the close button is the menu's to answer; the frame's other buttons follow the styles.
  bool VisibleClose() override;
  bool VisibleMax() override { return false; }
  bool VisibleMin() override { return false; }
  bool EnabledMax() override { return false; }
  bool EnabledMin() override { return false; }
  bool EnabledRestore() override { return false; }

  // Sets every item's Visible and Enabled from the dialog's styles.
  void UpdateItems();

  TacDialogWnd* Dialog = nullptr;
  vcl::TMenuItem* ItemRestore = nullptr;
  vcl::TMenuItem* ItemMove = nullptr;
  vcl::TMenuItem* ItemSize = nullptr;
  vcl::TMenuItem* ItemMinimize = nullptr;
  vcl::TMenuItem* ItemMaximize = nullptr;
  vcl::TMenuItem* ItemClose = nullptr;

 private:
  void SendCommand(UINT command);
};

}  // namespace skin
