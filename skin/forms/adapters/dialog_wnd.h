// TacDialogWnd: the skinned frame of a top-level window that is no form of the component
// library - the platform's standard dialogs ("#32770": message boxes, common dialogs) and the
// other windows the thread hook skins. It works from the window's style bits, class style and
// messages only: it composes the whole window image (section background, borders, title with
// icon, caption and buttons) off screen into its skin link's cache, copies the frame strips into
// the window's non-client area and the client part behind the children, hit-tests and presses
// the title buttons itself, and gives the children their background through SM_ALPHACMD.
//
// The live window style loses WS_SYSMENU (the platform then draws no buttons of its own); the
// saved Style keeps it. The code is split by aspect: dialog_wnd.cpp (life, styles, geometry,
// hit test, mouse, window procedure) and dialog_paint.cpp (the frame image and its copies).
#pragma once

#include <cstdint>
#include <memory>

#include "skin/engine/paint/corner_rects.h"
#include "skin/engine/show_animations.h"
#include "skin/forms/adapters/scroll_wnd.h"
#include "skin/forms/form_skinning.h"
#include "skin/forms/system_menu.h"

namespace skin {

class TacProvider;

// FrameKind values: the title-button masks and the size commands follow them.
constexpr uint8_t kFrameDialog = 0;    // DS_MODALFRAME: small buttons, no sizing
constexpr uint8_t kFrameUnread = 1;    // until the styles are read
constexpr uint8_t kFramePopup = 2;     // WS_POPUP without a full caption: small buttons, no region
constexpr uint8_t kFrameSizeable = 3;  // WS_THICKFRAME, and every other window

class TacDialogWnd : public TacScrollWnd, public IacDialogFrame {
 public:
  TacDialogWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink);
  ~TacDialogWnd() override;

  // Reads the styles (FrameKind, icon, button masks) and takes WS_SYSMENU out of the live style.
  void InitFromStyles();
  void WndProc(vcl::TMessage& message) override;
  // Gives the window its system menu style back and drops the region.
  void RestoreInitialState() override;

  // ---- Style predicates (on the saved styles) ----
  bool HasSysMenu() const { return (Style & WS_SYSMENU) != 0; }
  bool HasMaxBox() const { return (Style & WS_MAXIMIZEBOX) != 0; }
  bool HasMinBox() const { return (Style & WS_MINIMIZEBOX) != 0; }
  bool HasHelpButton() const { return (ExStyle & WS_EX_CONTEXTHELP) != 0; }
  bool CloseEnabled() const;
  bool MaxEnabled() const;
  bool MinEnabled() const;
  bool RestoreEnabled() const;
  bool RestoreVisible() const;
  bool IsActive() const { return Active; }

  // ---- Geometry (window coordinates; the frame image has the window's size) ----
  int32_t WndBorderWidth(bool ext) const;
  int32_t WndSysBorderWidth(bool ext) const { return WndBorderWidth(ext); }
  int32_t CaptionHeight(bool useSkin) const override;
  int32_t TopFrameHeight() const { return CaptionHeight(true) + WndSysBorderWidth(false); }
  int32_t SysFrameWidth() const { return WndSysBorderWidth(true); }
  int32_t ClientOffsetX() const override;
  int32_t ClientOffsetY() const override;
  vcl::TRect GetShadowMargins() const override { return vcl::TRect{0, 0, 0, 0}; }

  // ---- Title items ----
  // The answer to WM_NCHITTEST for a point of the title (screen coordinates); `current` when
  // the point is on no title item.
  int32_t HitTest(POINT screenPoint, int32_t current);
  void SetHotItem(int32_t code, bool repaint);
  void SetPressedItem(int32_t code);
  TitleButtonData* ButtonByCode(int32_t code);
  void PopupSystemMenu(int32_t x, int32_t y);
  TacSystemMenu* SysMenu() const { return sysMenu_.get(); }
  void FreeButtonTimers();

  // ---- Window region ----
  void SetWindowRegion(bool redraw) override;
  void BuildRegionCutouts();
  HRGN CreateFrameRegion(int32_t x, int32_t y) const;
  void InvalidateFrame();

  // ---- Painting (dialog_paint.cpp) ----
  void RenderFrameCache() override;
  void PaintNonClient();
  void PaintFrameToDC(HDC dc);
  void EraseBackground(HDC dc);
  void PaintClientBg(HDC dc);
  void ExcludeChildWindows(HDC dc);
  void PaintCaptionText();
  void InitTitleButtons();
  void PaintTitleButtons();
  void RepaintTitleButton(int32_t code);
  vcl::TRect TitleIconRect() const;
  void SaveTitleImage();
  int32_t ButtonWidth(const TitleButtonData& button) const;
  int32_t ButtonHeight(int32_t maskIndex) const;
  int32_t ButtonsAreaWidth() const;
  // Prints the skinned window into a DC (WM_PRINT): frame, client background, children.
  void Print(HDC dc, LPARAM flags);

  // ---- IacDialogFrame ----
  HWND DialogWindow() const override { return Wnd; }
  vcl::TBitmap* FrameImage() const override { return SkinLink ? SkinLink->CacheBitmap.get() : nullptr; }
  void PrintChildren(HDC dc) override;

  TAOR RegionCutouts;
  int32_t HotItem = 0;
  bool Active = true;
  bool ValidateOnPaint = false;
  int32_t CaptionIndex = -1;
  bool ChildrenAdapted = false;
  TitleButtonData MinButton, MaxButton, CloseButton, HelpButton;
  HICON IconHandle = nullptr;
  uint32_t Style = 0;
  uint32_t ExStyle = 0;
  bool RegionChanged = true;
  RECT WindowRect{};
  int32_t Width = 0;
  int32_t Height = 0;
  uint8_t FrameKind = kFrameUnread;
  std::unique_ptr<vcl::TBitmap> TitleImage;
  TacProvider* Provider = nullptr;

 private:
  void RefreshGeometry();
  bool SmallButtons() const { return FrameKind != kFrameUnread && FrameKind != kFrameSizeable; }
  // The title-button mask a state shows now: the restore picture on a zoomed maximise button
  // and an iconic minimise button.
  int32_t ShownMask(const TitleButtonData& button) const;
  bool ButtonEnabled(const TitleButtonData& button) const;
  // Places the title buttons right to left (rectangles only); the leftmost left edge, or the
  // right end of the title without buttons.
  int32_t LayoutTitleButtons();
  void LayoutTitleButton(TitleButtonData& button, int32_t maskIndex, int32_t right);
  void PaintButtonState(TitleButtonData& button, int32_t maskIndex, bool enabled);
  int32_t GlobalMask(const char* name) const;
  int32_t RestoreMask() const;
  void AdaptNewChildren();
  void MouseDown(vcl::TMessage& message);
  void MouseUp(vcl::TMessage& message, int32_t code, POINT screenPoint);
  void DoubleClick(vcl::TMessage& message);
  bool AnswerSkinCommand(vcl::TMessage& message);
  HBRUSH DialogBrush();

  // The skinned system menu (with the manager's skinned popups), pointed at this window.
  std::unique_ptr<TacSystemMenu> sysMenu_;
  HBRUSH brush_ = nullptr;  // the one brush of the WM_CTLCOLOR answers, remade on a colour change
  COLORREF brushColour_ = 0;
  bool pressRunning_ = false;  // a title button is pressed and the hover has not moved since
  bool regionUpdating_ = false;
  SIZE regionSize_{-1, -1};  // the size the window region was made for
  TAOR regionCutouts_;       // the cut-outs it was made with
};

}  // namespace skin
