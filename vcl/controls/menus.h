// Menus: TMainMenu (a form's menu bar) and TPopupMenu over real menus of the platform, made of
// TMenuItem components. Every item has a command number; the platform reports a choice as
// that number and the menu hands it to the item's Click. Items whose menu is owner-drawn, or
// that show an image, are drawn by the item (OnDrawItem/OnAdvancedDrawItem/OnMeasureItem, or
// the default drawing).
//
// Keyboard shortcuts are numbers: the virtual key in the low byte, scShift/scCtrl/scAlt above.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/canvas.h"
#include "vcl/classes/component.h"
#include "vcl/controls/controls.h"
#include "vcl/graphics/imagelist.h"
#include "vcl/controls/ownerdraw.h"
#include "vcl/runtime/win.h"

namespace vcl {

class TMenu;

// ---- Shortcuts -------------------------------------------------------------------------------

using TShortCut = uint16_t;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
constexpr TShortCut scNone = 0;

// A shortcut from a key and the modifiers held; 0 for a key above 255.
TShortCut ShortCut(WORD key, TShiftState shift);
void ShortCutToKey(TShortCut shortCut, WORD& key, TShiftState& shift);
// "Ctrl+S", "Shift+Del", "F5"; "" for none.
std::string ShortCutToText(TShortCut shortCut);
// The reverse, without regard to case; 0 when the text names no shortcut.
TShortCut TextToShortCut(const std::string& text);

// ---- TMenuItem -------------------------------------------------------------------------------

enum TMenuBreak { mbNone, mbBreak, mbBarBreak };

using TMenuDrawItemEvent = std::function<void(TObject* Sender, TCanvas* ACanvas, TRect ARect, bool Selected)>;
using TAdvancedMenuDrawItemEvent =
    std::function<void(TObject* Sender, TCanvas* ACanvas, TRect ARect, TOwnerDrawState State)>;
using TMenuMeasureItemEvent = std::function<void(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height)>;

class TMenuItem : public TComponent {
  VCL_CLASS(TMenuItem, TComponent)
  explicit TMenuItem(TComponent* owner);
  // Frees the sub-items and leaves the parent item.
  ~TMenuItem() override;

  // ---- the tree
  int Count() const { return static_cast<int>(items_.size()); }
  // Items(i) outside 0..Count-1 raises EMenuError "Menu index out of range".
  TMenuItem* Items(int index) const;
  TMenuItem* Parent() const { return parent_; }
  // Adds or inserts an item that has no parent yet (EMenuError "Menu inserted twice" otherwise).
  void Add(TMenuItem* item);
  void Insert(int index, TMenuItem* item);
  // Takes the item out without freeing it.
  void Remove(TMenuItem* item);
  // Frees the item at the index.
  void Delete(int index);
  // Frees every sub-item.
  void Clear();
  int IndexOf(const TMenuItem* item) const;
  // The sub-item of that caption (without "&" and compared without case), or nullptr.
  TMenuItem* Find(const std::string& caption) const;
  int MenuIndex() const { return parent_ ? parent_->IndexOf(this) : -1; }
  void SetMenuIndex(int value);
  // The menu the item belongs to, through its parents.
  TMenu* GetParentMenu() const;

  // ---- the platform's menu
  // The number the platform reports when the item is chosen.
  UINT Command() const { return command_; }
  // The submenu of this item (made with its items on first use).
  HMENU Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }

  // ---- properties
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& value);
  bool IsLine() const { return caption_ == "-"; }
  bool Checked() const { return checked_; }
  // Checking a radio item unchecks the radio items of its group index among its siblings.
  void SetChecked(bool value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  bool Default() const { return default_; }
  void SetDefault(bool value);
  bool RadioItem() const { return radioItem_; }
  void SetRadioItem(bool value);
  bool AutoCheck() const { return autoCheck_; }
  void SetAutoCheck(bool value) { autoCheck_ = value; }
  uint8_t GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(uint8_t value);
  TMenuBreak Break() const { return break_; }
  void SetBreak(TMenuBreak value);
  TShortCut ShortCut() const { return shortCut_; }
  void SetShortCut(TShortCut value);
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& value) { hint_ = value; }
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int value);
  // A picture beside the caption (used when no image list image is shown).
  TBitmap* Bitmap();
  void SetBitmap(TBitmap* value);
  TCustomImageList* SubMenuImages() const { return subMenuImages_; }
  void SetSubMenuImages(TCustomImageList* value);

  // Runs the item: toggles Checked with AutoCheck, then OnClick.
  virtual void Click();

  TNotifyEvent OnClick;
  TMenuDrawItemEvent OnDrawItem;
  TAdvancedMenuDrawItemEvent OnAdvancedDrawItem;
  TMenuMeasureItemEvent OnMeasureItem;

  // ---- form data
  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* value) override;
  void GetChildren(const TGetChildProc& proc, TComponent* root) override;

  // ---- drawing (owner-drawn items)
  // The image list the item's ImageIndex refers to: the nearest SubMenuImages above it, else
  // the menu's Images.
  TCustomImageList* GetImageList() const;
  // Whether the platform asks the item to draw itself.
  bool IsOwnerDraw() const;
  void MeasureItem(TCanvas* canvas, int& width, int& height);
  void DrawItem(TCanvas* canvas, const TRect& rect, TOwnerDrawState state, bool topLevel);

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  // The item changed in a way the platform's menu must show: `rebuild` remakes the parent's
  // list of items (and, up the tree, tells the menu).
  virtual void MenuChanged(bool rebuild);
  // Draws caption, shortcut, check mark and image as the platform does.
  void DefaultDrawItem(TCanvas* canvas, const TRect& rect, TOwnerDrawState state, bool topLevel);

 private:
  friend class TMenu;

  // Remakes the items of this item's submenu.
  void RebuildHandle();
  // Puts the item into a platform menu at a position.
  void InsertInto(HMENU menu, UINT position);
  void TurnSiblingsOff();
  void DestroyHandle();
  void SetMenu(TMenu* menu);
  std::string MenuText() const;

  TMenuItem* parent_ = nullptr;
  TMenu* menu_ = nullptr;  // set on the root item of a menu
  std::vector<TMenuItem*> items_;
  HMENU handle_ = nullptr;
  UINT command_ = 0;
  std::string caption_;
  bool checked_ = false;
  bool enabled_ = true;
  bool visible_ = true;
  bool default_ = false;
  bool radioItem_ = false;
  bool autoCheck_ = false;
  uint8_t groupIndex_ = 0;
  TMenuBreak break_ = mbNone;
  TShortCut shortCut_ = 0;
  std::string hint_;
  int imageIndex_ = -1;
  std::unique_ptr<TBitmap> bitmap_;
  TCustomImageList* subMenuImages_ = nullptr;
};

// ---- TMenu -----------------------------------------------------------------------------------

class TMenu : public TComponent {
  VCL_CLASS(TMenu, TComponent)
  explicit TMenu(TComponent* owner);
  ~TMenu() override;

  // The root item: its sub-items are the menu's entries.
  TMenuItem* Items() const { return items_; }
  // The platform's menu.
  HMENU Handle() { return items_->Handle(); }
  // The window that receives the menu's messages (the form of a menu bar, 0 when none).
  virtual HWND WindowHandle() const { return nullptr; }

  TCustomImageList* Images() const { return images_; }
  void SetImages(TCustomImageList* value);
  // Every item is drawn by the library (items with images are drawn so anyway).
  bool OwnerDraw() const { return ownerDraw_; }
  void SetOwnerDraw(bool value);

  // Runs the item with this command; false when no item of this menu has it.
  bool DispatchCommand(UINT command);
  // Runs the item whose submenu is about to open (its OnClick); false when none has it.
  bool DispatchPopup(HMENU submenu);
  // The item with this command or submenu handle, searched through the whole menu.
  enum TFindItemKind { fkCommand, fkHandle, fkShortCut };
  TMenuItem* FindItem(UINT_PTR value, TFindItemKind kind) const;
  // Runs the enabled, visible item whose shortcut matches the key message; true when one did.
  bool IsShortCut(TWMKey& message);

  void GetChildren(const TGetChildProc& proc, TComponent* root) override;
  // The items the platform's menu shows at its top level, in order: the visible items (a menu
  // bar with a merged menu shows that menu's items among its own).
  virtual std::vector<TMenuItem*> ShownItems() const;

 protected:
  friend class TMenuItem;
  void Notification(TComponent* component, TOperation operation) override;
  // An item changed: the menu bar is drawn again.
  virtual void MenuChanged(TMenuItem* source, bool rebuild);
  // Makes the root item's platform menu (a bar or a popup).
  virtual HMENU CreateRootMenu() const { return CreatePopupMenu(); }
  // Remakes the root item's platform menu from ShownItems.
  void RebuildRoot();

 private:
  TMenuItem* items_;
  TCustomImageList* images_ = nullptr;
  bool ownerDraw_ = false;
};

// A form's menu bar; the form (Menu) shows it.
class TMainMenu : public TMenu {
  VCL_CLASS(TMainMenu, TMenu)
  explicit TMainMenu(TComponent* owner) : TMenu(owner) {}

  // The window of the form that shows this menu, 0 when none does.
  HWND WindowHandle() const override;
  ~TMainMenu() override;
  bool AutoMerge() const { return autoMerge_; }
  void SetAutoMerge(bool value) { autoMerge_ = value; }

  // Shows another menu's items in this menu bar (an MDI form shows its active child's menu):
  // the other menu's items of a group index take the place of this menu's items of that group,
  // and groups this menu lacks go in by their index. One menu at a time; Unmerge takes the
  // menu out again (nothing when it is not the merged one).
  void Merge(TMainMenu* menu);
  void Unmerge(TMainMenu* menu);
  TMainMenu* Merged() const { return merged_; }
  std::vector<TMenuItem*> ShownItems() const override;

 protected:
  void MenuChanged(TMenuItem* source, bool rebuild) override;
  HMENU CreateRootMenu() const override { return CreateMenu(); }

 private:
  bool autoMerge_ = false;
  TMainMenu* merged_ = nullptr;      // the menu shown among this one's items
  TMainMenu* mergedInto_ = nullptr;  // the menu bar this one is shown in
};

enum TPopupAlignment { paLeft, paRight, paCenter };
enum TTrackButton { tbRightButton, tbLeftButton };
enum TMenuAnimations { maLeftToRight, maRightToLeft, maTopToBottom, maBottomToTop, maNone };
using TMenuAnimation = TEnumSet<TMenuAnimations, uint8_t>;

class TPopupMenu : public TMenu {
  VCL_CLASS(TPopupMenu, TMenu)
  explicit TPopupMenu(TComponent* owner);
  ~TPopupMenu() override;

  // Shows the menu at a screen point and returns when it closed; the chosen item's OnClick
  // has then run.
  virtual void Popup(int x, int y);
  // The control the menu was last shown for (set before Popup by the control).
  TComponent* PopupComponent() const { return popupComponent_; }
  void SetPopupComponent(TComponent* value);
  TPopupAlignment Alignment() const { return alignment_; }
  void SetAlignment(TPopupAlignment value) { alignment_ = value; }
  bool AutoPopup() const { return autoPopup_; }
  void SetAutoPopup(bool value) { autoPopup_ = value; }
  TTrackButton TrackButton() const { return trackButton_; }
  void SetTrackButton(TTrackButton value) { trackButton_ = value; }
  TMenuAnimation MenuAnimation() const { return menuAnimation_; }
  void SetMenuAnimation(TMenuAnimation value) { menuAnimation_ = value; }
  int HelpContext() const { return helpContext_; }
  void SetHelpContext(int value) { helpContext_ = value; }

  // The window that owns the menu while it is shown (and gets its messages).
  HWND WindowHandle() const override;

  TNotifyEvent OnPopup;
  TNotifyEvent OnClose;

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  virtual void DoPopup(TObject* sender);
  virtual void DoClose();

 private:
  TComponent* popupComponent_ = nullptr;
  TPopupAlignment alignment_ = paLeft;
  bool autoPopup_ = true;
  TTrackButton trackButton_ = tbRightButton;
  TMenuAnimation menuAnimation_;
  int helpContext_ = 0;
};

// The item that owns a platform menu item (by its item data), when it is alive.
TMenuItem* MenuItemFromData(ULONG_PTR itemData);
// Draws or measures an owner-drawn menu item for the window that received WM_DRAWITEM or
// WM_MEASUREITEM; false when the item is none of this library's.
bool DrawMenuItem(const DRAWITEMSTRUCT& drawItem);
bool MeasureMenuItem(HWND wnd, MEASUREITEMSTRUCT& measureItem);

}  // namespace vcl
