// TsSkinableMenus: paints the application's menus from the skin. It never subclasses a menu:
// it turns on the component library's owner drawing and puts its own handlers into the items'
// OnAdvancedDrawItem and OnMeasureItem events. Popup items are drawn over one background
// image per open popup (the popup image: body, border, icon line and optional extra line),
// kept in a cache keyed by the popup's first item and by its window; main-menu bar items are
// drawn over the skin provider's menu line.
//
// The class is split by aspect: skinned_menus.cpp (life, hooks, sizes, measuring),
// skinned_menus_paint.cpp (popup items, dividers, caption lines, menu bar items) and
// skinned_menus_popups.cpp (popup images, their cache and the popup windows).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "skin/engine/paint/corner_rects.h"
#include "skin/engine/skin_manager.h"
#include "vcl/controls/menus.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/runtime/persistent.h"

namespace skin {

enum TsMenuItemType { mitCaption, mitDivider, mitNormal, mitMainItem };

using TsMenuManagerDrawItemEvent = std::function<void(vcl::TObject* Sender, vcl::TCanvas* ACanvas, vcl::TRect ARect,
                                                      vcl::TOwnerDrawState State, TsMenuItemType ItemType)>;

// The cached background of one open popup.
struct PopupImageRecord {
  vcl::TMenuItem* FirstItem = nullptr;  // the key: the first item of the popup
  std::shared_ptr<vcl::TBitmap> Image;  // 24-bit, as large as the popup window
  HWND Window = nullptr;                // nil when built before the window was known
  bool ExtraLineVisible = false;
};

class TsSkinableMenus;

// The handlers the menus put into menu items. Their type tells them apart from the
// application's handlers, and each keeps the handler it replaced so that unhooking gives it back.
struct TsMenuDrawHandler {
  TsSkinableMenus* Menus = nullptr;
  bool MainBar = false;
  vcl::TAdvancedMenuDrawItemEvent Replaced;
  void operator()(vcl::TObject* sender, vcl::TCanvas* canvas, vcl::TRect rect, vcl::TOwnerDrawState state) const;
};
struct TsMenuMeasureHandler {
  TsSkinableMenus* Menus = nullptr;
  bool MainBar = false;
  vcl::TMenuMeasureItemEvent Replaced;
  void operator()(vcl::TObject* sender, vcl::TCanvas* canvas, int& width, int& height) const;
};

class TsSkinableMenus : public vcl::TPersistent {
  VCL_CLASS(TsSkinableMenus, vcl::TPersistent)
  explicit TsSkinableMenus(TsSkinManager* owner);
  ~TsSkinableMenus() override;

  // ---- Published ----
  int32_t Margin = 2;
  vcl::TAlignment Alignment() const { return alignment_; }
  void SetAlignment(vcl::TAlignment value) {
    if (value != alignment_) alignment_ = value;
  }
  int32_t BevelWidth = 0;
  int32_t BorderWidth = 3;
  vcl::TFont* CaptionFont() const { return captionFont_.get(); }
  void SetCaptionFont(vcl::TFont* value) { captionFont_->Assign(value); }
  int32_t GetSkinBorderWidth();
  void SetSkinBorderWidth(int32_t value) { skinBorderWidth_ = value; }
  int32_t Spacing = 6;
  TsMenuManagerDrawItemEvent OnDrawItem;

  TAOR RegionCutouts;
  bool Active() const { return active_; }
  TsSkinManager* Owner = nullptr;
  bool BorderDrawing = false;

  // ---- Hooking ----
  void SetActive(bool value);
  void UpdateActive();
  void HookAll(bool value);
  void HookMenu(vcl::TMenu* menu, bool value);
  void HookItem(vcl::TMenuItem* item, bool value);
  void HookMainMenu(vcl::TMainMenu* menu, bool value);
  void HookOneItem(vcl::TMenuItem* item, bool value);
  // The handler in the item's event is this object's own.
  bool OwnsDrawHandler(vcl::TMenuItem* item) const;
  bool OwnsMeasureHandler(vcl::TMenuItem* item) const;

  // ---- Handlers ----
  virtual void DrawItem(vcl::TObject* Sender, vcl::TCanvas* ACanvas, vcl::TRect ARect, vcl::TOwnerDrawState State);
  void MeasureItem(vcl::TObject* Sender, vcl::TCanvas* ACanvas, int& Width, int& Height);
  virtual void PaintItem(vcl::TObject* Sender, vcl::TCanvas* ACanvas, vcl::TRect ARect, vcl::TOwnerDrawState State);
  void MeasureMainItem(vcl::TObject* Sender, vcl::TCanvas* ACanvas, int& Width, int& Height);

  // ---- Sizes ----
  int32_t VisibleExtraLineWidth(const PopupImageRecord& record) const;
  int32_t ItemHeight(vcl::TCanvas* canvas, vcl::TMenuItem* item);
  int32_t PopupHeight(vcl::TCanvas* canvas, vcl::TMenuItem* item);
  int32_t PopupWidth(vcl::TCanvas* canvas, vcl::TMenuItem* item);
  static bool IsCaptionItem(vcl::TMenuItem* item);
  static bool IsMainBarItem(vcl::TMenuItem* item);
  // The glyph size of an item: its own bitmap, else its image list's, else 16 x 16.
  static vcl::TSize GlyphSize(vcl::TMenuItem* item);
  static bool InFirstColumn(vcl::TMenuItem* item);

  // ---- Popup images ----
  // Finds the record of the popup holding `item` (by its first item), or without an item the
  // record of `window`. With `build` a missing record of an item's popup is built at
  // width x height (both above 0). False when none is found; `out` is then empty.
  bool LookupPopupImage(vcl::TMenuItem* item, bool build, PopupImageRecord& out, HWND window = nullptr,
                        int32_t width = 0, int32_t height = 0);
  void BuildPopupImage(vcl::TMenuItem* firstItem, int32_t width, HWND window, int32_t height);
  // Subclasses the popup window (once) and cuts its region to the skin's border shape.
  void PreparePopupWindow(HWND window, vcl::TBitmap* image);
  // Frees every cached image.
  static void ClearPopupCache();
  static const std::vector<PopupImageRecord>& PopupCache();
  // The record of a popup window with an image (what LookupPopupImage finds without an item).
  static bool PopupCacheLookup(HWND window, PopupImageRecord& out);
  // A rotated font for the extra line's caption, selected into the canvas.
  void MakeExtraLineFont(vcl::TCanvas* canvas, vcl::TMenuItem* item, int32_t escapement);

  // The icon-line width and glyph width of the popup built last.
  int32_t IconLineWidth = 0;
  int32_t FirstGlyphWidth = 0;

 private:
  // The extra line of the popup whose first item is given: asks the manager's event.
  bool QueryExtraLine(vcl::TMenuItem* firstItem, std::string& section, std::string& caption,
                      std::unique_ptr<vcl::TBitmap>& glyph);
  void PaintItemGlyph(vcl::TMenuItem* item, vcl::TBitmap* itemImage, const TsBackgroundInfo& self,
                      vcl::TOwnerDrawState State, bool enabled, bool selected, bool rtl, int32_t section);
  void PaintItemCaption(vcl::TMenuItem* item, vcl::TCanvas* canvas, int32_t itemWidth, int32_t itemHeight,
                        vcl::TOwnerDrawState State, bool enabled, bool selected, bool rtl, int32_t section);
  void PaintDivider(vcl::TMenuItem* item, vcl::TCanvas* canvas, const vcl::TRect& rect, const PopupImageRecord& popup,
                    vcl::TPoint imageOffset);
  void PaintCaptionItem(vcl::TMenuItem* item, vcl::TCanvas* canvas, const vcl::TRect& rect,
                        const PopupImageRecord& popup, vcl::TPoint imageOffset);
  // The owner manager has a skin to paint with.
  bool OwnerSkinActive() const;
  // The screen's menu font, in the charset of the form that owns the item's menu.
  static void SelectMenuFont(vcl::TCanvas* canvas, vcl::TMenuItem* item, bool bold);
  // An item still hooked after its manager lost the skin: its own handlers come back and it
  // is drawn or measured as without the menus. False, doing nothing, while the skin is active.
  bool DrawIfUnskinned(vcl::TMenuItem* item, vcl::TCanvas* canvas, const vcl::TRect& rect, vcl::TOwnerDrawState state);
  bool MeasureIfUnskinned(vcl::TMenuItem* item, vcl::TCanvas* canvas, int& width, int& height);
  void PaintPopupBorder(HWND window, vcl::TMenuItem* item, const vcl::TRect& rect, const PopupImageRecord& popup,
                        vcl::TPoint imageOffset);
  // Remembers what hooking changed on a menu, so that unhooking changes back only that.
  void NoteMenu(vcl::TMenu* menu, bool ownerDrawAdded, bool animationAdded);
  friend class TacMenusHolder;
  void ForgetMenu(vcl::TComponent* menu);

  vcl::TAlignment alignment_ = vcl::taLeftJustify;
  std::unique_ptr<vcl::TFont> captionFont_;
  int32_t skinBorderWidth_ = -1;
  bool active_ = false;
  bool queryingExtraLine_ = false;
  struct HookedMenu {
    vcl::TMenu* Menu;
    bool OwnerDrawAdded;
    bool AnimationAdded;
  };
  std::vector<HookedMenu> hookedMenus_;
  vcl::TComponent* holder_ = nullptr;  // receives the hooked menus' free notifications
};

// The menu painter of a skin manager, made on first use and freed with the manager.
TsSkinableMenus* SkinableMenus(TsSkinManager* manager);
// Set by every measure of a skinned popup item.
extern bool MenuMeasuring;

// Messages posted to the application window when an item is drawn before its popup window is
// known: lParam is the item (find its popup window) or the popup window.
constexpr UINT kFindPopupWindow = 0xBCB3;
constexpr UINT kPreparePopupWindow = 0xBCB4;

}  // namespace skin
