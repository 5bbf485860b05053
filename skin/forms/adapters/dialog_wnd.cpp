// TacDialogWnd: life, styles, geometry, the title items' hit test and mouse actions, the window
// region and the window procedure of a skinned dialog frame.
#include "skin/forms/adapters/dialog_wnd.h"

#include <algorithm>

#include "skin/engine/skin_manager.h"
#include "skin/engine/window_messages.h"
#include "skin/forms/adapters/dialogs_hook.h"
#include "skin/forms/dwm_services.h"
#include "skin/forms/skinned_menus.h"
#include "skin/forms/title_button_hit.h"
#include "vcl/graphics/colours.h"

namespace skin {

namespace {

bool PlatformAboveVersion5() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  return GetVersionExA(&info) && info.dwMajorVersion > 5;
}

bool InsideX(const vcl::TRect& r, int32_t x) { return x >= r.left && x < r.right; }

POINT DialogMessagePoint(LPARAM lParam) { return POINT{MessageX(lParam), MessageY(lParam)}; }

// The command of a title action; the dialog may be gone when it returns.
void SendSysCommand(HWND wnd, UINT command) { SendMessageA(wnd, WM_SYSCOMMAND, command, 0); }

constexpr UINT kAdaptChildrenMessage = WM_USER + 1;
constexpr UINT kChildrenAddedMessage = 0x52E;
constexpr UINT kButtonTimersMessage = 0xB00B;
constexpr UINT kMoveByCaption = SC_MOVE | HTCAPTION;  // 0xF012

}  // namespace

TacDialogWnd::TacDialogWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink)
    : TacScrollWnd(wnd, section, manager, skinLink) {
  ValidateOnPaint = PlatformAboveVersion5();
  // Nothing paints until the first erase: the children wait for the dialog's image.
  if (SkinLink) SkinLink->UpdatePending = true;
  ForceDisableDwmTransitions(wnd, true);
  sysMenu_ = std::make_unique<TacSystemMenu>(nullptr);
  sysMenu_->Dialog = this;
  sysMenu_->UpdateItems();
}

TacDialogWnd::~TacDialogWnd() {
  FreeButtonTimers();
  if (brush_) DeleteObject(brush_);
}

void TacDialogWnd::RestoreInitialState() {
  // A dialog that outlives its skin gets its own frame back.
  if (!Wnd || !IsWindow(Wnd)) return;
  if (HasSysMenu()) SetWindowLongA(Wnd, GWL_STYLE, GetWindowLongA(Wnd, GWL_STYLE) | WS_SYSMENU);
  SetWindowRgn(Wnd, nullptr, FALSE);
}

// ---- Styles ----

void TacDialogWnd::InitFromStyles() {
  Style = uint32_t(GetWindowLongA(Wnd, GWL_STYLE));
  ExStyle = uint32_t(GetWindowLongA(Wnd, GWL_EXSTYLE));
  // The first matching rule decides, so that a sizeable dialog with DS_MODALFRAME stays sizeable.
  if ((Style & WS_POPUP) && (Style & WS_CAPTION) != WS_CAPTION)
    FrameKind = kFramePopup;
  else if (Style & WS_THICKFRAME)
    FrameKind = kFrameSizeable;
  else if (Style & DS_MODALFRAME)
    FrameKind = kFrameDialog;
  else
    FrameKind = kFrameSizeable;
  IconHandle = reinterpret_cast<HICON>(SendMessageA(Wnd, WM_GETICON, ICON_SMALL, 0));
  if (!IconHandle) IconHandle = reinterpret_cast<HICON>(SendMessageA(Wnd, WM_GETICON, ICON_BIG, 0));
  CaptionIndex = Manager ? Manager->FindSectionIndex("CAPTION") : -1;
  InitTitleButtons();
  if (Style & WS_SYSMENU) {
    // The platform makes the window's own system menu only while the style has WS_SYSMENU; it
    // is made now, so that the skinned title can still pop it up and read its close state.
    GetSystemMenu(Wnd, FALSE);
    StyleChangeLock = true;
    SetWindowLongA(Wnd, GWL_STYLE, LONG(Style & ~uint32_t(WS_SYSMENU)));
    StyleChangeLock = false;
  }
  if (SkinLink) SkinLink->CacheStale = true;
}

bool TacDialogWnd::CloseEnabled() const {
  if (!HasSysMenu() || (GetClassLongA(Wnd, GCL_STYLE) & CS_NOCLOSE)) return false;
  // A message box without a way to cancel greys the close command of its system menu.
  HMENU menu = GetSystemMenu(Wnd, FALSE);
  const UINT state = menu ? GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND) : 0;
  return state == UINT(-1) || !(state & (MF_GRAYED | MF_DISABLED));
}

bool TacDialogWnd::MaxEnabled() const {
  return HasMaxBox() && !IsZoomed(Wnd) && (FrameKind == kFrameUnread || FrameKind == kFrameSizeable);
}

bool TacDialogWnd::MinEnabled() const { return HasMinBox() && !IsIconic(Wnd); }

bool TacDialogWnd::RestoreEnabled() const {
  // An iconic window comes back through its minimise button too, which needs no maximise box.
  if (IsIconic(Wnd)) return HasMaxBox() || HasMinBox();
  return HasMaxBox() && IsZoomed(Wnd);
}

bool TacDialogWnd::RestoreVisible() const { return FrameKind != kFrameDialog && FrameKind != kFramePopup && HasSysMenu(); }

// ---- Geometry ----

void TacDialogWnd::RefreshGeometry() {
  ReadGeometry();
  WindowRect = WindowBox;
  Width = WindowWidth;
  Height = WindowHeight;
}

int32_t TacDialogWnd::WndBorderWidth(bool) const {
  // The frame the platform lays out for the live styles (the left edge carries no caption).
  RECT r{0, 0, 0, 0};
  const DWORD style = DWORD(GetWindowLongA(Wnd, GWL_STYLE));
  const DWORD exStyle = DWORD(GetWindowLongA(Wnd, GWL_EXSTYLE));
  AdjustWindowRectEx(&r, style, FALSE, exStyle);
  return std::max<int32_t>(0, -r.left);
}

int32_t TacDialogWnd::CaptionHeight(bool) const {
  const LONG style = GetWindowLongA(Wnd, GWL_STYLE);
  const bool iconic = IsIconic(Wnd) != FALSE;
  if ((style & WS_CAPTION) != WS_CAPTION && !iconic) return 0;
  // A tool window's title is the small caption, as the platform lays it out.
  if (!iconic && (GetWindowLongA(Wnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW)) return GetSystemMetrics(SM_CYSMCAPTION);
  return GetSystemMetrics(SM_CYCAPTION);
}

int32_t TacDialogWnd::ClientOffsetX() const {
  // Measured, so that scroll bars and edges on either side count right.
  RECT window{};
  GetWindowRect(Wnd, &window);
  POINT origin{0, 0};
  ClientToScreen(Wnd, &origin);
  return origin.x - window.left;
}

int32_t TacDialogWnd::ClientOffsetY() const {
  RECT window{};
  GetWindowRect(Wnd, &window);
  POINT origin{0, 0};
  ClientToScreen(Wnd, &origin);
  return origin.y - window.top;
}

// ---- Title items ----

TitleButtonData* TacDialogWnd::ButtonByCode(int32_t code) {
  switch (code) {
    case kHitMinButton: return &MinButton;
    case kHitMaxButton: return &MaxButton;
    case kHitClose: return &CloseButton;
    case kHitHelp: return &HelpButton;
    default: return nullptr;
  }
}

int32_t TacDialogWnd::HitTest(POINT screenPoint, int32_t current) {
  RefreshGeometry();
  if (SkinLink && (SkinLink->CacheStale || !SkinLink->CacheBitmap)) RenderFrameCache();
  const POINT p{screenPoint.x - WindowRect.left, screenPoint.y - WindowRect.top};
  const int32_t caption = CaptionHeight(true);
  const int32_t rowHeight = ButtonHeight(CloseButton.MaskIndex);
  const int32_t rowTop = (WndSysBorderWidth(true) + caption - rowHeight) / 2;
  if (caption != 0 && p.y >= rowTop && p.y <= rowTop + rowHeight) {
    const int32_t iconLeft = WndBorderWidth(true);
    auto answer = [this](int32_t code) {
      SetHotItem(code, true);
      return code;
    };
    if (HasSysMenu() && p.x >= iconLeft && p.x <= iconLeft + GetSystemMetrics(SM_CXSMICON)) return answer(HTSYSMENU);
    // The row's height is the caption's: a button holds every point of its columns.
    const bool iconic = IsIconic(Wnd) != FALSE;
    TitleButtonsShown shown;
    shown.Close = HasSysMenu();
    shown.Max = HasMaxBox();
    shown.Min = HasMinBox() || iconic;
    shown.Help = HasHelpButton();
    shown.MaxActs = MaxEnabled() || RestoreEnabled();
    shown.MinActs = iconic || MinEnabled();
    const int32_t code = SystemTitleButtonHit(shown, CloseButton, MaxButton, MinButton, HelpButton,
                                              [&p](const vcl::TRect& r) { return InsideX(r, p.x); });
    return code != HTNOWHERE ? answer(code) : HTCAPTION;
  }
  if (IsZoomed(Wnd) && (p.x < 2 || p.y < 2 || p.x > Width - 4 || p.y > Height - 4)) {
    SetHotItem(0, true);
    return HTTRANSPARENT;
  }
  return current;
}

void TacDialogWnd::SetHotItem(int32_t code, bool repaint) {
  if (code == HotItem) return;
  if (TitleButtonData* old = ButtonByCode(HotItem)) {
    old->State = 0;
    if (repaint) RepaintTitleButton(HotItem);
  }
  HotItem = code;
  TitleButtonData* now = ButtonByCode(code);
  if (now) now->State = 1;
  pressRunning_ = false;
  if (repaint) RepaintTitleButton(code);
  if (now && IsWindowVisible(Wnd)) {
    // A button at the window's edge is left straight for the outside: the platform says so.
    TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE | TME_NONCLIENT, Wnd, 0};
    TrackMouseEvent(&track);
  }
}

void TacDialogWnd::SetPressedItem(int32_t code) {
  if (TitleButtonData* old = ButtonByCode(HotItem)) {
    old->State = 0;
    RepaintTitleButton(HotItem);
  }
  HotItem = code;
  if (TitleButtonData* now = ButtonByCode(code)) {
    const bool pressable = now != &MaxButton || MaxEnabled() || (IsZoomed(Wnd) && RestoreEnabled());
    if (pressable) now->State = 2;
  }
  pressRunning_ = true;
  RepaintTitleButton(code);
}

void TacDialogWnd::PopupSystemMenu(int32_t x, int32_t y) {
  if (Manager && Manager->SkinnedPopups() && sysMenu_) {
    sysMenu_->UpdateItems();
    if (TsSkinableMenus* menus = SkinableMenus(Manager)) menus->HookMenu(sysMenu_.get(), true);
    sysMenu_->Popup(x, y);
    return;
  }
  HMENU menu = GetSystemMenu(Wnd, FALSE);
  if (!menu) return;
  const bool zoomed = IsZoomed(Wnd) != FALSE, iconic = IsIconic(Wnd) != FALSE;
  auto enable = [menu](UINT command, bool on) { EnableMenuItem(menu, command, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED)); };
  enable(SC_RESTORE, RestoreVisible() && RestoreEnabled());
  enable(SC_MOVE, !zoomed);
  enable(SC_SIZE, FrameKind == kFrameSizeable && !zoomed && !iconic);
  enable(SC_MINIMIZE, MinEnabled());
  enable(SC_MAXIMIZE, MaxEnabled());
  enable(SC_CLOSE, CloseEnabled());
  const UINT command = UINT(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN, x, y,
                                           0, Wnd, nullptr));
  if (command != 0 && IsWindow(Wnd)) PostMessageA(Wnd, WM_SYSCOMMAND, command, 0);
}

void TacDialogWnd::FreeButtonTimers() {
  // The fade windows of the title buttons are not made here: the static repaint serves.
  for (TitleButtonData* b : {&MinButton, &MaxButton, &CloseButton, &HelpButton}) b->Timer = nullptr;
}

// ---- Window region ----

void TacDialogWnd::BuildRegionCutouts() {
  RegionCutouts.clear();
  if (!Manager || !SkinLink) return;
  if (Manager->IsMaskIndexValid(SkinLink->BorderMaskIndex)) {
    const TsMaskData& mask = Manager->Masks[size_t(SkinLink->BorderMaskIndex)];
    CollectCornerRects(RegionCutouts, Width, mask, false, 0);
    CollectCornerRects(RegionCutouts, Width, mask, true, Height - Manager->MaskMarginBottom(SkinLink->BorderMaskIndex));
  }
  const int32_t title = Manager->FindSectionIndex("FORMTITLE");
  if (Manager->IsSectionIndexValid(title)) {
    const int32_t titleMask = Manager->FindMaskIndex(title, "FORMTITLE", "BORDERSMASK");
    if (Manager->IsMaskIndexValid(titleMask))
      CollectCornerRects(RegionCutouts, Width, Manager->Masks[size_t(titleMask)], false, 0);
  }
}

HRGN TacDialogWnd::CreateFrameRegion(int32_t x, int32_t y) const {
  return RegionWithoutRects(x, y, Width, Height, RegionCutouts);
}

void TacDialogWnd::SetWindowRegion(bool redraw) {
  if (!IsIconic(Wnd) && FrameKind == kFramePopup) return;
  if (uintptr_t(SendMessageA(Wnd, kKeepRegionQuery, kKeepRegionAnswer, 0)) == kKeepRegionAnswer) return;
  regionUpdating_ = true;
  // The system owns the region from here on.
  SetWindowRgn(Wnd, CreateFrameRegion(0, 0), redraw);
  regionSize_ = SIZE{Width, Height};
}

void TacDialogWnd::InvalidateFrame() {
  if (SkinLink) SkinLink->CacheStale = true;
  RedrawWindow(Wnd, nullptr, nullptr, RDW_FRAME | RDW_ALLCHILDREN | RDW_INVALIDATE);
}

// ---- Children ----

void TacDialogWnd::AdaptNewChildren() {
  if (Provider && !Detached) Provider->SkinChildWindows(Wnd);
}

HBRUSH TacDialogWnd::DialogBrush() {
  const COLORREF colour = COLORREF(vcl::ColorToRGB(SkinLink->BgColorForState(0, Wnd)));
  if (!brush_ || colour != brushColour_) {
    if (brush_) DeleteObject(brush_);
    brush_ = CreateSolidBrush(colour);
    brushColour_ = colour;
  }
  return brush_;
}

// ---- Mouse on the frame ----

void TacDialogWnd::MouseDown(vcl::TMessage& m) {
  int32_t code = int32_t(m.WParam);
  const POINT at = DialogMessagePoint(m.LParam);
  // A point on no title item keeps the platform's answer (a border sizes, the title moves).
  if (code != HTBOTTOMRIGHT) code = HitTest(at, code);
  switch (code) {
    case HTSYSMENU:
      SetHotItem(0, true);
      PopupSystemMenu(WindowRect.left + WndBorderWidth(true),
                      WindowRect.top + SysFrameWidth() + GetSystemMetrics(SM_CYSMICON));
      return;
    case kHitMinButton:
    case kHitMaxButton:
    case kHitClose:
    case kHitHelp:
      SetPressedItem(code);
      return;
    default:
      break;
  }
  if (IsIconic(Wnd)) {
    SendSysCommand(Wnd, kMoveByCaption);
    return;
  }
  SetHotItem(0, true);
  if (IsZoomed(Wnd) && at.y - WindowRect.top <= SysFrameWidth() + CaptionHeight(true)) {
    if (!Active) SetFocus(Wnd);
    return;
  }
  m.WParam = WPARAM(code);
  PassOn(m);
}

void TacDialogWnd::MouseUp(vcl::TMessage& m, int32_t code, POINT screenPoint) {
  HWND wnd = Wnd;
  const bool press = pressRunning_;
  switch (code) {
    case kHitMinButton: {
      if (!press) {
        SetHotItem(0, true);
        break;
      }
      const POINT p{screenPoint.x - WindowRect.left, screenPoint.y - WindowRect.top};
      if (!PtInRect(&MinButton.Rect, p)) {
        PassOn(m);
        break;
      }
      SetHotItem(0, true);
      SendSysCommand(wnd, IsIconic(wnd) ? SC_RESTORE : SC_MINIMIZE);
      return;
    }
    case kHitMaxButton:
      if (IsIconic(wnd) && !MaxEnabled()) {
        PassOn(m);
        break;
      }
      SetHotItem(0, true);
      if (press) SendSysCommand(wnd, IsZoomed(wnd) ? SC_RESTORE : SC_MAXIMIZE);
      return;
    case kHitClose:
      CloseButton.State = 0;
      SetHotItem(0, true);
      if (press && CloseEnabled()) SendSysCommand(wnd, SC_CLOSE);
      return;
    case kHitHelp:
      SetHotItem(0, true);
      if (press) {
        SendSysCommand(wnd, SC_CONTEXTHELP);
        if (IsWindow(wnd)) SendMessageA(wnd, WM_NCPAINT, 1, 0);
      }
      return;
    default:
      PassOn(m);
      break;
  }
  m.WParam = 0;
}

void TacDialogWnd::DoubleClick(vcl::TMessage& m) {
  switch (int32_t(m.WParam)) {
    case HTCAPTION:
      if (MaxEnabled() || RestoreEnabled())
        SendSysCommand(Wnd, IsZoomed(Wnd) || IsIconic(Wnd) ? SC_RESTORE : SC_MAXIMIZE);
      break;
    case HTSYSMENU:
      if (CloseEnabled()) SendSysCommand(Wnd, SC_CLOSE);
      break;
    default:
      break;  // a double click on a border or a button is not passed on
  }
  m.Result = 0;
}

// ---- The skinning message ----

bool TacDialogWnd::AnswerSkinCommand(vcl::TMessage& m) {
  const LPARAM ours = LPARAM(SkinLink->GetSkinManager());
  switch (m.WParamHi()) {
    case cmdSkinSet:
      if (m.LParam == ours) {
        SkinLink->ResolveSkinIndexes();
        CaptionIndex = Manager ? Manager->FindSectionIndex("CAPTION") : -1;
        if (Manager) InitTitleButtons();
        SkinLink->CacheStale = true;
        SendToChildWindows(Wnd, SM_ALPHACMD, m.WParam, m.LParam);
      }
      m.Result = 0;
      return true;
    case cmdSkinRefresh:
      SkinLink->ResolveSkinIndexes();
      CaptionIndex = Manager ? Manager->FindSectionIndex("CAPTION") : -1;
      if (IsWindowVisible(Wnd))
        InvalidateFrame();
      else
        SkinLink->CacheStale = true;
      return true;
    case cmdSetUpdating:
      SkinLink->SetUpdating(m.WParamLo() == 1);
      if (SkinLink->UpdatePending) SkinLink->CacheStale = true;
      return false;
    case cmdGetStale:
      m.Result = SkinLink->UpdatePending ? 1 : 0;
      return true;
    case cmdGetShowsParent: {
      const TsGeneralData* section = Manager && Manager->IsSectionIndexValid(SkinLink->SectionIndex)
                                         ? &Manager->Sections[size_t(SkinLink->SectionIndex)]
                                         : nullptr;
      m.Result = section && section->GradientPercent + section->ImagePercent > 0 ? 1 : 0;
      return true;
    }
    case cmdGetBgColor:
      m.Result = SkinLink->BgColorForState(0, Wnd);
      return true;
    case cmdAdaptDialogChildren:
      AdaptNewChildren();
      m.Result = 1;
      return true;
    case cmdGetBackground: {
      auto* request = reinterpret_cast<TsBackgroundRequest*>(m.LParam);
      if (!request) return true;
      if (SkinLink->CacheStale || !SkinLink->CacheBitmap) RenderFrameCache();
      // A child asks in client coordinates; the dialog's image starts at the window's corner.
      if (request->DrawIntoDC) {
        request->OffsetX += ClientOffsetX();
        request->OffsetY += ClientOffsetY();
      }
      SkinLink->ProvideBgInfo(*request, 0, Wnd);
      if (request->Kind == bkBitmap && !request->DrawIntoDC) {
        request->Bitmap = SkinLink->CacheBitmap.get();
        request->OffsetX = ClientOffsetX();
        request->OffsetY = ClientOffsetY();
      }
      m.Result = 1;
      return true;
    }
    case cmdClientOffsets:
      m.Result = LRESULT(MAKELONG(ClientOffsetX(), ClientOffsetY()));
      return true;
    default:
      return false;
  }
}

// ---- Window procedure ----

void TacDialogWnd::WndProc(vcl::TMessage& m) {
  switch (m.Msg) {
    case WM_NCDESTROY:
      // The dialog is gone: the adapter lets go, and its provider is freed at the next chance.
      PassOn(m);
      FreeBars();
      Detach(false, false);
      return;
    case WM_INITDIALOG:
      PassOn(m);
      AdaptNewChildren();
      return;
    default:
      break;
  }
  if (Detached || !SkinActive() || !SkinLink) {
    TacScrollWnd::WndProc(m);
    return;
  }
  if (m.Msg == SM_ALPHACMD) {
    if (!AnswerSkinCommand(m)) TacScrollWnd::WndProc(m);
    return;
  }
  const bool visible = IsWindowVisible(Wnd) != FALSE;
  switch (m.Msg) {
    case WM_SIZE:
      SkinLink->CacheStale = true;
      RegionChanged = true;
      PassOn(m);
      RedrawWindow(Wnd, nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE);
      return;
    case WM_SETFOCUS:
      PassOn(m);
      if (HWND active = GetActiveWindow())
        RedrawWindow(active, nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_ERASE | RDW_INVALIDATE);
      return;
    case WM_ENABLE:
      if (!visible) break;
      PassOn(m);
      SkinLink->CacheStale = true;
      SendMessageA(Wnd, WM_NCPAINT, 1, 0);
      return;
    case WM_SETTEXT:
      if (!visible) break;
      // Passed on once; the title shows the new text.
      PassOn(m);
      CachedText = GetWindowTextAnsi(Wnd);
      SkinLink->CacheStale = true;
      SendMessageA(Wnd, WM_NCPAINT, 1, 0);
      return;
    case WM_PAINT:
      if (ValidateOnPaint && !m.WParam) {
        PAINTSTRUCT ps{};
        BeginPaint(Wnd, &ps);
        EndPaint(Wnd, &ps);
        m.Result = 0;
        return;
      }
      PassOn(m);
      return;
    case WM_ERASEBKGND:
      RefreshGeometry();
      if (!ChildrenAdapted) {
        ChildrenAdapted = true;
        AdaptNewChildren();
      }
      EraseBackground(reinterpret_cast<HDC>(m.WParam));
      m.Result = 1;
      return;
    case WM_PRINT:
      Print(reinterpret_cast<HDC>(m.WParam), m.LParam);
      return;
    case WM_SHOWWINDOW: {
      ForceDisableDwmTransitions(Wnd, true);
      PassOn(m);
      TacDialogShow* show = DefaultManager && DefaultManager->AnimEffects() ? DefaultManager->AnimEffects()->DialogShow()
                                                                            : nullptr;
      if (m.WParam == 1 && show && show->Active && show->Time != 0 && !Detached) {
        CachedText = GetWindowTextAnsi(Wnd);
        AdaptNewChildren();
        AnimShowDialog(this, show->Time, 255, show->Mode);
      }
      return;
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam);
      if (item && item->CtlType == ODT_STATIC) SetBkMode(item->hDC, TRANSPARENT);
      break;
    }
    case WM_WINDOWPOSCHANGED: {
      // Only a new size changes the image and the region; a move keeps both.
      const auto* pos = reinterpret_cast<const WINDOWPOS*>(m.LParam);
      if (pos && !(pos->flags & SWP_NOSIZE) && (pos->cx != Width || pos->cy != Height)) {
        SkinLink->CacheStale = true;
        RegionChanged = true;
      }
      PassOn(m);
      return;
    }
    case WM_NCHITTEST:
      m.Result = HitTest(DialogMessagePoint(m.LParam), 0);
      if (m.Result == 0 || m.Result == HTCAPTION) {
        TacScrollWnd::HitTest(m);
        SetHotItem(0, true);
      }
      return;
    case WM_NCPAINT:
      if (!visible) break;
      PaintNonClient();
      m.Result = 0;
      return;
    case WM_NCACTIVATE:
      if (!visible) break;
      // The platform would draw its own title: it draws with redraw off.
      SendMessageA(Wnd, WM_SETREDRAW, 0, 0);
      PassOn(m);
      Active = m.WParam != 0;
      SendMessageA(Wnd, WM_SETREDRAW, 1, 0);
      InvalidateFrame();
      return;
    case WM_NCLBUTTONDOWN:
      MouseDown(m);
      return;
    case WM_NCLBUTTONUP:
      MouseUp(m, int32_t(m.WParam), DialogMessagePoint(m.LParam));
      return;
    case WM_LBUTTONUP:
      // A press that ends over the client area or with the mouse captured.
      if (pressRunning_) {
        POINT p = DialogMessagePoint(m.LParam);
        ClientToScreen(Wnd, &p);
        MouseUp(m, HitTest(p, 0), p);
        return;
      }
      break;
    case WM_NCLBUTTONDBLCLK:
      DoubleClick(m);
      return;
    case WM_NCRBUTTONDOWN:
      if (m.WParam == HTCAPTION || m.WParam == HTSYSMENU) {
        m.Result = 0;
        return;
      }
      break;
    case WM_NCRBUTTONUP:
      if (m.WParam == HTCAPTION || m.WParam == HTSYSMENU) {
        SetHotItem(0, true);
        PopupSystemMenu(MessageX(m.LParam), MessageY(m.LParam));
      }
      m.Result = 0;
      return;
    case WM_CTLCOLORDLG:
      m.Result = reinterpret_cast<LRESULT>(DialogBrush());
      return;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      // The unskinned children take the dialog's colour from the same brush.
      HBRUSH brush = DialogBrush();
      SetBkMode(reinterpret_cast<HDC>(m.WParam), TRANSPARENT);
      SetBkColor(reinterpret_cast<HDC>(m.WParam), brushColour_);
      m.Result = reinterpret_cast<LRESULT>(brush);
      return;
    }
    case WM_MOUSEMOVE:
      if (DefaultManager && IsWindowEnabled(Wnd)) DefaultManager->SetHotWindow(nullptr);
      break;
    case WM_MOUSELEAVE:
    case WM_NCMOUSELEAVE:
      SetHotItem(0, true);
      break;
    case kAdaptChildrenMessage:
      TacScrollWnd::WndProc(m);
      if (!Detached) AdaptNewChildren();
      return;
    case kChildrenAddedMessage:
      PassOn(m);
      AdaptNewChildren();
      RedrawWindow(Wnd, nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_INVALIDATE);
      return;
    case kButtonTimersMessage:
      TacScrollWnd::WndProc(m);
      if (m.WParam == 0) FreeButtonTimers();
      return;
    default:
      break;
  }
  HWND wnd = Wnd;
  const UINT msg = m.Msg;
  const WPARAM command = m.WParam & 0xFFF0;
  TacScrollWnd::WndProc(m);
  if (Detached || !IsWindow(wnd)) return;
  if (msg == WM_SYSCOMMAND) {
    if ((m.WParam & 0xFFFF) == kMoveByCaption) {
      UpdateWindow(wnd);
    } else if (command == SC_MAXIMIZE || command == SC_RESTORE) {
      // The maximise button shows its normal face again, in its new shape.
      if (HasMaxBox()) HotItem = kHitMaxButton;
      SetHotItem(0, true);
    }
  }
}

}  // namespace skin
