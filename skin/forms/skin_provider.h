// TsSkinProvider: the component a form carries to get a skinned frame. It links the form to the
// skin manager through its own skin link, puts its window procedure into the form's WindowProc
// chain, composes the whole window image (title with icon, caption and buttons, borders, menu
// line) off screen and copies its frame parts into the window; the client background and the
// backgrounds that child controls ask for come from the same image.
//
// The provider's code is split by aspect: skin_provider.cpp (life, preparation, properties),
// provider_wndproc.cpp (the window procedure and the skinning message), provider_geometry.cpp
// (sizes, hit test, region), provider_paint.cpp (the frame image and its copies) and
// provider_buttons.cpp (title buttons, mouse and system menu), provider_outline.cpp (moving
// and sizing with an outline) and provider_mdi.cpp (MDI forms and their children). With extended borders the frame is shown by a TacBorderForm
// (border_form.h) and the title buttons fade through TacSBAnimation (title_animation.h).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "skin/engine/common_data.h"
#include "skin/engine/paint/corner_rects.h"
#include "skin/forms/form_skinning.h"
#include "skin/forms/mdi_link.h"
#include "skin/forms/system_menu.h"
#include "skin/forms/title_items.h"
#include "vcl/classes/component.h"
#include "vcl/controls/forms.h"
#include "vcl/controls/window_proc_chain.h"

namespace skin {

class TsSkinManager;
class TacBorderForm;
class TacCtrlAdapter;
class TacScrollWnd;

enum TsGripMode { gmNone, gmRightBottom };
enum TsResizeMode { rmStandard, rmBorder };

// Asked first by the extended border window's hit test; a non-zero Result wins.
using TacNCHitTest = std::function<void(vcl::TMessage& Msg)>;
// Asked by the control adapter for each control it is about to adapt.
using TAddItemEvent = std::function<void(vcl::TComponent* Item, bool& CanBeAdded, std::string& SkinSection)>;

class TsSkinProvider : public vcl::TComponent, public IacProviderOwner {
  VCL_CLASS(TsSkinProvider, vcl::TComponent)
  // The owner must be a form (EAbort otherwise). A form that already has a provider keeps it
  // unless that one was made automatically, which this one replaces; otherwise this one stays
  // passive and changes nothing.
  explicit TsSkinProvider(vcl::TComponent* owner);
  // An automatic provider of a form without one (the thread hook's): it prepares itself on the
  // form's first hit test, non-client paint or show.
  static TsSkinProvider* CreateForForm(vcl::TCustomForm* form);
  ~TsSkinProvider() override;
  void AfterConstruction() override;

  // The provider that serves the form (through its answer to cmdGetProvider), or null.
  static TsSkinProvider* FromForm(vcl::TCustomForm* form);

  // ---- Published ----
  TacAddedTitle* AddedTitle() const { return addedTitle_.get(); }
  void SetAddedTitle(TacAddedTitle* value) { addedTitle_->Assign(value); }
  bool AllowExtBorders() const { return allowExtBorders_; }
  void SetAllowExtBorders(bool value);
  vcl::TAlignment CaptionAlignment() const { return captionAlignment_; }
  void SetCaptionAlignment(vcl::TAlignment value);
  bool DrawNonClientArea() const { return drawNonClientArea_; }
  void SetDrawNonClientArea(bool value);
  TsCommonData* SkinData() const { return skinData_.get(); }
  TsGripMode GripMode() const { return gripMode_; }
  void SetGripMode(TsGripMode value) { gripMode_ = value; }
  bool MakeSkinMenu() const { return makeSkinMenu_; }
  void SetMakeSkinMenu(bool value) { makeSkinMenu_ = value; }
  const std::string& MenuLineSkin() const { return menuLineSkin_; }
  void SetMenuLineSkin(const std::string& value);
  TsResizeMode ResizeMode() const { return resizeMode_; }
  void SetResizeMode(TsResizeMode value) { resizeMode_ = value; }
  bool ScreenSnap() const { return screenSnap_; }
  void SetScreenSnap(bool value) { screenSnap_ = value; }
  int32_t SnapBuffer() const { return snapBuffer_; }
  void SetSnapBuffer(int32_t value) { snapBuffer_ = value; }
  bool ShowAppIcon() const { return showAppIcon_; }
  void SetShowAppIcon(bool value);
  TsTitleButtons* TitleButtons() const { return titleButtons_.get(); }
  void SetTitleButtons(TsTitleButtons* value) { titleButtons_->Assign(value); }
  TsTitleIcon* TitleIcon() const { return titleIcon_.get(); }
  void SetTitleIcon(TsTitleIcon* value) { titleIcon_->Assign(value); }
  const std::string& TitleSkin() const { return titleSkin_; }
  void SetTitleSkin(const std::string& value);
  bool UseGlobalColor() const { return useGlobalColor_; }
  void SetUseGlobalColor(bool value);
  TacNCHitTest OnExtHitTest;
  TAddItemEvent OnSkinItem;

  // ---- The engine's view (IacProviderOwner) ----
  vcl::TCustomForm* ProviderForm() const override { return form_; }
  void DiscardFrameCache() override;
  TsCommonData* ProviderSkinLink() const override { return skinData_.get(); }
  void SetSkinChangeLock(bool locked) override { SkinChangeLocked = locked; }
  bool DrawsNonClientArea() const override { return drawNonClientArea_; }
  void UpdateWindowRegion() override;

  // ---- Life and preparation ----
  vcl::TCustomForm* Form() const { return form_; }
  bool Passive() const { return passive_; }
  bool InitPending() const { return initPending_; }
  bool Automatic() const { return automatic_; }
  void PrepareForm();
  void ActivateSkin();
  // Marks the frame stale and sends WM_NCPAINT.
  void RefreshFrame();
  void RefreshMenu();
  void HookMenus(bool active);
  void UpdateExtBorders(bool allow);
  // on: a form not yet layered is made layered and all but invisible (true); off: the form loses
  // WS_VISIBLE and WS_EX_LAYERED without being told (false), so that an animation can show it.
  static bool PrepareLayeredShow(vcl::TCustomForm* form, bool on);
  void UpdateSysMenuStyle(bool active);
  // The skinned scroll bars of a form with AutoScroll while it is skinned; the platform's
  // otherwise.
  void UpdateScrollAdapter();
  void FreeScrollAdapter();
  TacScrollWnd* ScrollAdapter() const { return scrollAdapter_; }
  // An MDI form's link to its MDI client (made on; freed off). The provider that makes one
  // becomes MdiFormProvider.
  void SetMdiLink(bool on);
  TacMdiLink* MdiLink() const { return mdiLink_.get(); }
  // The window over a maximised child's buttons in the menu line while a menu loop of this
  // MDI form runs ("acMDIIcons"), null when none shows.
  static vcl::TForm* MdiIconsCover();
  // The frame image and the menu line are laid out anew on the next paint.
  void InvalidateMenuLine();
  // Begin (end) an update of the skin link and hold (resume) the form's painting; an MDI child
  // with withMdiParent does the same to its MDI form.
  void LockForm(bool withMdiParent);
  void UnlockForm(bool withMdiParent);
  // After a child's state changed: the MDI form's frame and client anew (withBorder: at once,
  // with the extended border window).
  void RefreshMdiParent(bool withBorder);
  // Makes the control adapter when there is none and lets it adapt the form's controls.
  virtual void CreateCtrlAdapter();
  // The control adapter adapts the controls of the control (null: the form); made when missing.
  void AdaptControls(vcl::TWinControl* control = nullptr);
  void RemoveCtrlAdapter();
  void BroadcastToAdapter(const vcl::TMessage& message);
  // The adapter of the form's controls (null until the skin first reaches them).
  TacCtrlAdapter* CtrlAdapter() const { return ctrlAdapter_.get(); }
  std::string TitleSectionName() const;
  int32_t TitleSkinIndex();
  // The provider took WS_SYSMENU out of the form's live style (the form has a system menu).
  bool SysMenuRemoved() const { return sysMenuRemoved_; }
  TsSystemMenu* SystemMenu() const { return systemMenu_; }
  bool FormActive() const { return formActive_; }
  bool ManagerActive() const;

  // ---- Geometry (in frame image coordinates) ----
  int32_t WndBorderWidth(bool ext) const;
  int32_t WndSysBorderWidth(bool ext) const;
  int32_t ExtTitleHeight() const;
  int32_t ExtBorderWidth() const;
  int32_t ExtTitleExcess() const;
  int32_t ExtBorderExcess() const;
  int32_t CaptionHeight(bool useSkin) const;
  bool HasBorder() const;
  bool HasBigButtons() const;
  bool HasThickFrame() const;
  bool ShowsTitleIcon() const;
  int32_t TitleIconWidth() const;
  int32_t TitleIconHeight() const;
  static int32_t IconSizeForCaption(int32_t height);
  int32_t SideBorderWidth(bool ext) const;
  int32_t BottomBorderHeight(bool ext) const;
  bool MenuPresent() const;
  bool MenuLineVisible() const;
  int32_t MenuLineHeight() const;
  int32_t MenuLineCount();
  int32_t TopFrameHeight();
  int32_t FrameImageWidth() const;
  int32_t FrameImageHeight();
  int32_t ClientOffsetX() const;
  int32_t ClientOffsetY();
  int32_t ButtonWidth(const TitleButtonData& button) const;
  int32_t ButtonHeight() const;
  int32_t UserButtonWidth(TsTitleButton* item) const;
  int32_t ButtonsAreaWidth();
  // The buttons of a maximised MDI child at the right of this MDI form's menu line.
  bool ChildButtonsShown() const;
  int32_t MdiButtonWidth() const;
  int32_t MdiButtonHeight() const;
  // The child button (101-103) under a point of the frame image in the menu line, HTMENU for
  // none; it becomes the hot item.
  int32_t ChildButtonAt(vcl::TPoint framePoint);
  // How many items a maximised MDI child put before the form's own ones in the menu bar.
  int32_t MdiMenuItemOffset() const;
  // The form's menu bar items in the bar's order, an MDI child's merged items among them.
  std::vector<vcl::TMenuItem*> MenuBarItems() const;
  // The item's position in the form's menu bar, -1 when the bar does not show it.
  int32_t MenuBarPosition(const vcl::TMenuItem* item) const;
  vcl::TRect TitleIconRect() const;
  int32_t SystemButtonCount();
  bool GripVisible() const;
  vcl::TPoint GripPosition();
  vcl::TPoint FrameOrigin() const;
  vcl::TPoint ScreenToFrame(int32_t x, int32_t y) const;
  // The shadow margins of an extended border window (left, top, right, bottom); empty without.
  vcl::TRect GetShadowMargins() const;
  bool HasExtBorder() const { return borderForm_ != nullptr; }
  // The form's animated show runs: its border waits for its end.
  bool ShowAnimationRunning() const { return inAnimation_; }
  bool FormDestroying() const;
  // The extended border window around the form, or null.
  TacBorderForm* BorderForm() const { return borderForm_.get(); }
  // Places and repaints the extended border window, when there is one.
  void RepaintBorderForm(bool repaint);
  // A screen point in frame image coordinates: relative to the extended border window when
  // there is one, else to the form's window.
  vcl::TPoint ScreenToImage(int32_t x, int32_t y) const;
  // Lays the title buttons out for the current size and state.
  void LayoutTitleButtons();
  int32_t HitTest(vcl::TPoint screenPoint);
  // The title button (system or user) at the point of the frame image, its hit code, or
  // HTNOWHERE; the provider's frame and its extended border window both ask it.
  int32_t TitleButtonAt(vcl::TPoint framePoint, bool iconic);
  void BuildRegionCutouts();
  void SetWindowRegion(bool redraw);
  HRGN CreateFrameRegion(int32_t x, int32_t y);
  void AdjustMinMaxInfo(MINMAXINFO& info);
  // value := edge - offset when value + offset lies less than `buffer` away from the edge.
  static void SnapCoordinate(int& value, int32_t edge, int32_t buffer, int32_t offset);
  // With ScreenSnap, the proposed position's edges snap to the work area of the form's monitor.
  void SnapToWorkArea(WINDOWPOS& pos);
  static vcl::TRect GetFormWorkArea(vcl::TCustomForm* form);

  // ---- Painting ----
  void RenderFrameCache();
  void PaintFrameToDC(HDC dc);
  void PaintNonClient();
  void RepaintFrame();
  void PaintClientBg(HDC dc, bool redrawChildren);
  void PaintClient(vcl::TMessage& message);
  void PaintFormBg(HDC dc);
  void PaintTitleBar();
  void PaintTitleIcon();
  void PaintCaptionText();
  void PaintGrip(HDC dc);
  void PaintMenuLineItems(const vcl::TRect& line);
  void PaintChildIcon(const vcl::TRect& line);
  void SaveButtonsBackground(bool full);
  void RestoreButtonsBackground();
  void SaveTitleImage();
  vcl::TColor FormColor() const;

  // ---- Title buttons ----
  void InitTitleButtons();
  void PaintTitleButtons();
  void SetHotItem(int32_t code, bool repaint);
  void SetPressedItem(int32_t code);
  void RepaintTitleButton(int32_t code);
  void FreeButtonTimers();
  // The button's picture in `state` over the saved title background, into a bitmap of the
  // button's size.
  void PaintButtonImage(TitleButtonData& button, int32_t state, vcl::TBitmap* target);
  void TrackSystemMenu(int32_t x, int32_t y);

  // ---- Outline dragging (ResizeMode rmBorder) ----
  // Starts moving (HTCAPTION) or sizing (a sizing edge) with an outline at a screen point;
  // false when the form is not in outline mode or another drag runs.
  bool StartOutlineDrag(int32_t code, int32_t x, int32_t y);
  void FollowOutlineDrag(int32_t x, int32_t y);
  void EndOutlineDrag();
  bool OutlineDragRunning() const;
  // The record of a hit code (8, 9, 20, 21, 101-103, 1000 + i), or null.
  TitleButtonData* ButtonByCode(int32_t code);
  TsTitleButton* UserButtonByCode(int32_t code) const;
  // A hint window beside the cursor with the user button's Hint, while the button is hot.
  void ShowTitleButtonHint(TsTitleButton* item);
  int32_t CurrentTitleItem() const { return titleItem_; }

  // ---- Wheel routing ----
  // The scroll box (a TsScrollBox) under the screen point, searched from the control down
  // through enabled windowed controls; null when there is none.
  static vcl::TWinControl* FindScrollBoxAt(vcl::TWinControl* control, vcl::TPoint screenPoint);
  // A wheel nothing on the form took goes to the scroll box under the cursor when that box
  // takes wheels itself (AutoMouseWheel); its answer becomes the Result.
  void RouteMouseWheel(vcl::TMessage& message);

  // The seven system button records.
  TitleButtonData ButtonMin, ButtonMax, ButtonClose, ButtonHelp, ChildClose, ChildRestore, ChildMinimize;
  TAOR Cutouts;
  bool RegionChanged = true;
  bool RegionUpdating = false;
  bool FullRepaint = true;
  bool FirstPaintDone = false;
  bool RedrawChildren = false;
  bool SkinChangeLocked = false;
  bool ShortTitle = false;
  bool MenuRefreshed = false;
  // An MDI menu loop over a maximised child, or an MDI child closing, runs.
  bool ChildMenuLoop = false;
  // What the form was when its owner hid it: 1 normal, 2 iconic, 3 zoomed, 0 not known.
  uint8_t StateBeforeHide = 0;
  int32_t RedrawLockCount = 0;
  std::unique_ptr<vcl::TBitmap> ButtonsBackground;
  std::unique_ptr<vcl::TBitmap> MenuLineBackground;
  std::unique_ptr<vcl::TBitmap> TitleImage;

 protected:
  void Loaded() override;
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override;

 private:
  friend class TsProviderTest;
  // The hook in the form's WindowProc chain: every message of the form reaches it first.
  void WndProc(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  bool AlphaCmdAnyState(vcl::TMessage& message);
  bool AlphaCmdNotSkinned(vcl::TMessage& message);
  void AlphaCmdSkinned(vcl::TMessage& message);
  void SkinnedMessage(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  void HandleSkinRemoved(vcl::TMessage& message);
  void HandleSkinSet(vcl::TMessage& message);
  void HandleRefresh(vcl::TMessage& message);
  void HandleNcActivate(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  void HandleSize(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  void HandleCreate(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  void HandleActivate(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  void HandlePaint(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  void HandleWindowPosChanged(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  void HandleNcHitTest(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  void HandleNcPaint(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  void HandleNcRButtonUp(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  void HandleMouseMove(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  void HandleVisibleChanged(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  void HandleMenuChanged(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  void HandleShowingChanged(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  void HandleControlListChange(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  void HandleContextMenu(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  void HandleMeasureItem(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  void HandleChildActivate(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  void HandleParentNotify(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  void HandleShowWindow(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  void LeaveOtherSpeedButtons(LPARAM entered);
  void UpdateRegionAfterSize();
  void ShowAnimated(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  void HandlePrint(vcl::TMessage& message);
  void HandleEraseBkgnd(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  void HandleNcLButtonDown(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  void HandleNcLButtonUp(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  void HandleNcDblClick(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  void HandleSysCommand(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  void HandleTimer(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  void ApplyFormColor();
  void InitChildButtonMasks();
  void LayoutChildButtons();
  void PaintChildButtons();
  bool ChildButtonEnabled(int32_t code) const;
  void ReleaseChildButton(int32_t code, bool over);
  void RefreshMdiMenuLine();
  void HandleMdiChildSysCommand(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  void RestoreOtherMdiChildren();
  bool HiddenBehindMaximizedChild() const;
  // This MDI form's active child is maximised.
  bool MaximizedChildShown() const;
  void FinishChildOverMaximized();
  void TrimChildCache();
  void PrintMdiClient(HDC dc);
  void RefreshAfterChildGone();
  void SkinMainMdiForm();
  void SetMaximizedChildText(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  void HandleMenuLoop(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  void HookMergedMenu(bool active);
  void ShowMdiIconsCover();
  void HideMdiIconsCover();
  void PaintMdiIconsCover();
  void ComposeExtendedBorder(const vcl::TRect& frame);
  // The rectangle of the frame image where an MDI form's client window lies, from the image
  // edges, the title, the menu lines, the form's aligned controls and its borders.
  vcl::TRect MdiAreaRect(int32_t titleBottom);
  // Paints the skin's "MDIAREA" section under an MDI form's client window, where the client's
  // adapter copies its background from.
  void PaintMdiArea(int32_t titleBottom);
  int32_t ShownButtonMask(TitleButtonData& button);
  void DrawDragOutline();
  static void CancelOutlineDragOf(TsSkinProvider* provider);
  void ResolveSectionIndexes();
  bool FormShowing() const;
  HWND FormHandle() const;
  TsSkinManager* Manager() const;
  bool Skinned() const;
  int32_t FormWidth() const;
  int32_t FormHeight() const;
  vcl::TRect WindowRect() const;
  int32_t WindowWidth() const;
  int32_t WindowHeight() const;
  int32_t ClientWidth() const;
  int32_t ClientHeight() const;
  int32_t FormBorderWidthProp() const;
  bool Iconic() const;
  bool Zoomed() const;
  // The button records by layout order: close, maximise, minimise, help.
  void PaintOneButton(TitleButtonData& button, int32_t maskIndex, bool enabled);
  bool ButtonEnabled(const TitleButtonData& button);
  int32_t GlobalMask(const char* name) const;

  vcl::TCustomForm* form_ = nullptr;
  vcl::TWindowProcLink hook_;
  std::unique_ptr<TsCommonData> skinData_;
  std::unique_ptr<TacAddedTitle> addedTitle_;
  std::unique_ptr<TsTitleButtons> titleButtons_;
  std::unique_ptr<TsTitleIcon> titleIcon_;
  std::unique_ptr<TacBorderForm> borderForm_;
  TsSystemMenu* systemMenu_ = nullptr;  // owned as a component of the provider
  bool allowExtBorders_ = true;
  vcl::TAlignment captionAlignment_ = vcl::taLeftJustify;
  bool drawNonClientArea_ = true;
  TsGripMode gripMode_ = gmNone;
  bool makeSkinMenu_ = false;
  std::string menuLineSkin_;
  TsResizeMode resizeMode_ = rmStandard;
  bool screenSnap_ = false;
  int32_t snapBuffer_ = 10;
  bool showAppIcon_ = true;
  std::string titleSkin_;
  bool useGlobalColor_ = true;

  bool constructed_ = false;
  bool passive_ = false;
  bool initPending_ = false;
  bool automatic_ = false;  // made by the thread hook for a form without a provider
  bool formActive_ = true;
  bool sysMenuRemoved_ = false;
  bool hooked_ = false;
  bool inAnimation_ = false;
  int32_t titleItem_ = 0;
  int32_t titleIndex_ = -1;
  int32_t captionIndex_ = -1;
  int32_t menuLineCount_ = -1;
  int32_t titleButtonMask_ = -1;
  vcl::TRect lastClientRect_{};
  // The form size the current window region was made from (the form's bounds can lag behind
  // the window's while a size change is on its way).
  SIZE regionSize_{0, 0};
  vcl::TPoint sysMenuPoint_{};
  // Cleared when the provider goes: code that runs after passing a message on checks it.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  TacScrollWnd* scrollAdapter_ = nullptr;  // owned; uses skinData_
  // Freed before skinData_, which its client adapter paints from.
  std::unique_ptr<TacMdiLink> mdiLink_;
  bool mdiLinkPending_ = false;
  // Last: its controls are given back before anything else of the provider goes.
  std::unique_ptr<TacCtrlAdapter> ctrlAdapter_;
};

// The provider of the MDI form and of the MDI child last activated or maximised.
extern TsSkinProvider* MdiFormProvider;
extern TsSkinProvider* ActiveChildProvider;
// A title button went down and its release is awaited.
extern bool ButtonPressed;
// An MDI child is being made while another one is maximised: the platform makes it maximised
// too, and its first paint finishes that.
extern bool ChildOverMaximized;

}  // namespace skin
