// TsSkinProvider: the window procedure in front of the form's own. It answers the skinning
// message, takes over the non-client messages of a skinned form and keeps the frame image and
// the region in step with the form; everything else goes on to the procedures below it.
#include <algorithm>
#include <vector>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/component_state.h"
#include "skin/engine/hooked_forms.h"
#include "skin/engine/paint/layered_windows.h"
#include "skin/engine/show_animations.h"
#include "skin/engine/skin_manager.h"
#include "skin/engine/window_messages.h"
#include "skin/forms/adapters/control_adapters.h"
#include "skin/forms/adapters/dialogs_hook.h"
#include "skin/forms/adapters/menu_wnd.h"
#include "skin/forms/adapters/scroll_wnd.h"
#include "skin/forms/border_form.h"
#include "skin/forms/dwm_services.h"
#include "skin/forms/skin_provider.h"
#include "skin/forms/skinned_menus.h"
#include "vcl/controls/application.h"
#include "vcl/controls/screen.h"

namespace skin {

namespace {

uint16_t Command(const vcl::TMessage& message) { return HIWORD(message.WParam); }
uint16_t Argument(const vcl::TMessage& message) { return LOWORD(message.WParam); }

// Messages of the platform's themed menu bar and of the framework that a skinned form ignores.
constexpr UINT kThemedMenuBarMessage = 0x0093;
constexpr UINT kFrameworkIgnored = 0xB04C;

}  // namespace

void TsSkinProvider::WndProc(vcl::TMessage& message, const vcl::TWindowProcNext& next) {
  if (message.Msg == SM_ALPHACMD && AlphaCmdAnyState(message)) return;
  if (FormDestroying() || !Skinned()) {
    if (message.Msg == SM_ALPHACMD && AlphaCmdNotSkinned(message)) return;
    std::shared_ptr<bool> alive = alive_;
    next(message);
    if (*alive && message.Msg == vcl::CM_MOUSEWHEEL) RouteMouseWheel(message);
    if (*alive && message.Msg == WM_NCDESTROY && form_ && form_->FormStyle() == vcl::fsMDIChild)
      RefreshAfterChildGone();
    return;
  }
  if (message.Msg == SM_ALPHACMD) {
    AlphaCmdSkinned(message);
    return;
  }
  SkinnedMessage(message, next);
}

// ---- The skinning message ----

bool TsSkinProvider::AlphaCmdAnyState(vcl::TMessage& message) {
  switch (Command(message)) {
    case cmdSkinSet:
      if (!FormDestroying() && reinterpret_cast<TsSkinManager*>(message.LParam) == Manager() && !systemMenu_)
        PrepareForm();
      return false;
    case cmdSkinRemoved:
      HandleSkinRemoved(message);
      return true;
    case cmdIsSkinned:
      message.Result = 1;
      return true;
    case cmdEndUpdate:
      if (skinData_->PaintFlags & pfProviderUpdate) {
        skinData_->PaintFlags &= uint16_t(~pfProviderUpdate);
        if (form_) form_->Perform(vcl::CM_MENUCHANGED, 0, 0);
      }
      return false;
    case cmdGetBackground: {
      auto* request = reinterpret_cast<TsBackgroundRequest*>(message.LParam);
      if (!request) return true;
      if (skinData_->CacheStale && !skinData_->UpdatePending && skinData_->CacheRequired()) RenderFrameCache();
      if (request->DrawIntoDC) {
        request->OffsetX += ClientOffsetX();
        request->OffsetY += ClientOffsetY();
      }
      skinData_->ProvideBgInfo(*request, formActive_ ? 1 : 0, FormHandle());
      if (request->Kind == bkBitmap && !request->DrawIntoDC &&
          (!request->Bitmap || request->Bitmap->Empty())) {
        skinData_->CacheStale = true;
        RenderFrameCache();
        request->Bitmap = skinData_->CacheBitmap.get();
      }
      if (!form_->Parent() && request->Kind == bkBitmap) {
        request->OffsetX = ClientOffsetX();
        request->OffsetY = ClientOffsetY();
      }
      message.Result = 1;
      return true;
    }
    case cmdFastFlags:
      message.Result = skinData_->PaintFlags;
      return true;
    case cmdGetApplication:
      message.Result = reinterpret_cast<LRESULT>(vcl::Application);
      return true;
    case cmdClientOffsets:
      message.Result = MAKELONG(ClientOffsetX(), ClientOffsetY());
      return true;
    default:
      return false;
  }
}

bool TsSkinProvider::AlphaCmdNotSkinned(vcl::TMessage& message) {
  switch (Command(message)) {
    case cmdSkinSet:
      if (!FormDestroying() && reinterpret_cast<TsSkinManager*>(message.LParam) == Manager()) HandleSkinSet(message);
      return true;
    case cmdGetProvider:
      message.Result = reinterpret_cast<LRESULT>(static_cast<IacProviderOwner*>(this));
      return true;
    default:
      return false;
  }
}

void TsSkinProvider::HandleSkinSet(vcl::TMessage&) {
  ResolveSectionIndexes();
  if (!Manager()) return;
  InitTitleButtons();
  UpdateSysMenuStyle(true);
  HookMenus(true);
  skinData_->CacheStale = true;
  menuLineCount_ = -1;
  if (form_->FormStyle() == vcl::fsMDIForm) {
    vcl::TCustomForm* child = form_->ActiveMDIChild();
    formActive_ = child && vcl::Screen && child == vcl::Screen->ActiveCustomForm();
    SetMdiLink(true);
  }
  ApplyFormColor();
  if (HWND wnd = FormHandle()) ForceDisableDwmTransitions(wnd, true);
  AdaptControls();
}

void TsSkinProvider::HandleSkinRemoved(vcl::TMessage& message) {
  auto* manager = reinterpret_cast<TsSkinManager*>(message.LParam);
  if (manager != Manager()) {
    if (form_ && !FormDestroying()) PassMessageToChildControls(form_, message);
    return;
  }
  FreeScrollAdapter();
  if (HWND wnd = FormHandle()) ForceDisableDwmTransitions(wnd, false);
  UpdateExtBorders(false);
  RemoveCtrlAdapter();
  ProcessAlphaCmd(message, skinData_.get());
  menuLineCount_ = -1;
  titleIndex_ = captionIndex_ = -1;
  if (form_ && !FormDestroying()) {
    PassMessageToChildControls(form_, message);
    if (Manager()) {
      HookMenus(false);
      UpdateSysMenuStyle(false);
      if (form_->FormStyle() == vcl::fsMDIForm) SetMdiLink(false);
      HWND wnd = FormHandle();
      if (wnd && HasBorder() && !ChildMenuLoop) SetWindowRgn(wnd, nullptr, TRUE);
      RefreshMenu();
      if (HWND client = form_->ClientHandle())
        RedrawWindow(client, nullptr, nullptr, RDW_FRAME | RDW_ALLCHILDREN | RDW_ERASE | RDW_INVALIDATE);
      if (useGlobalColor_ && !skinData_->CustomColor()) form_->SetColor(vcl::clBtnFace);
      if (wnd)
        SetWindowPos(wnd, nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  skinData_->CacheBitmap.reset();
  TitleImage.reset();
  RegionChanged = true;
}

void TsSkinProvider::HandleRefresh(vcl::TMessage& message) {
  if (reinterpret_cast<TsSkinManager*>(message.LParam) != Manager()) return;
  TsSkinManager* manager = Manager();
  AdaptControls();
  if (drawNonClientArea_) UpdateScrollAdapter();
  menuLineCount_ = -1;
  TitleImage.reset();
  RefreshMenu();
  HookMenus(Skinned());
  if (HasBorder()) RegionChanged = true;
  if (FormShowing()) {
    skinData_->CacheStale = true;
    UpdateExtBorders(manager && manager->GetExtendedBorders());
    if (!AnimationInProgress) {
      vcl::TCustomForm* child = form_->FormStyle() == vcl::fsMDIForm ? form_->ActiveMDIChild() : nullptr;
      if (child && child->WindowState() == vcl::wsMaximized) {
        SendMessageA(FormHandle(), WM_NCPAINT, 1, 0);
        if (child->HandleAllocated()) InvalidateRect(child->Handle(), nullptr, TRUE);
      } else {
        RedrawWindow(FormHandle(), nullptr, nullptr,
                     RDW_FRAME | RDW_UPDATENOW | RDW_NOCHILDREN | RDW_ERASE | RDW_INVALIDATE);
        if (HWND client = form_->ClientHandle())
          RedrawWindow(client, nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_NOCHILDREN | RDW_ERASE | RDW_INVALIDATE);
      }
    }
  }
  ApplyFormColor();
  if (mdiLink_) mdiLink_->ConnectToClient();
  skinData_->UpdatePending = false;
  BroadcastToAdapter(message);
}

void TsSkinProvider::AlphaCmdSkinned(vcl::TMessage& message) {
  HWND wnd = FormHandle();
  switch (Command(message)) {
    case cmdSkinSet:
      if (reinterpret_cast<TsSkinManager*>(message.LParam) == Manager()) {
        ResolveSectionIndexes();
        InitTitleButtons();
        UpdateSysMenuStyle(drawNonClientArea_);
        skinData_->CacheStale = true;
        menuLineCount_ = -1;
        RegionChanged = true;
        if (wnd) SendMessageA(wnd, WM_NCPAINT, 1, 0);
        if (form_->FormStyle() == vcl::fsMDIForm) SetMdiLink(true);
        AdaptControls();
      }
      break;
    case cmdSkinRefresh:
      HandleRefresh(message);
      break;
    case cmdGetProvider:
      message.Result = reinterpret_cast<LRESULT>(static_cast<IacProviderOwner*>(this));
      break;
    case cmdSetUpdating:
      skinData_->UpdatePending = Argument(message) == 1;
      if (skinData_->IsUpdating()) skinData_->CacheStale = true;
      break;
    case cmdSetParentImage:
      ProcessAlphaCmd(message, skinData_.get());
      if (skinData_->ParentImageForced) RenderFrameCache();
      break;
    case cmdGetStale:
      message.Result = !AnimationInProgress && skinData_->CacheRequired() && skinData_->UpdatePending ? 1 : 0;
      break;
    case cmdGetShowsParent: {
      TsSkinManager* manager = Manager();
      const TsGeneralData& s = manager->Sections[size_t(skinData_->SectionIndex)];
      message.Result = s.GradientPercent + s.ImagePercent > 0 ? 1 : 0;
      message.LParam = message.Result;
      break;
    }
    case cmdGetBgColor:
      message.Result = vcl::ColorToRGB(FormColor());
      break;
    case cmdControlLoaded:
      if (!HasComponentState(this, vcl::csLoading) && !HasComponentState(form_, vcl::csLoading))
        AdaptControls(message.LParam ? dynamic_cast<vcl::TWinControl*>(reinterpret_cast<vcl::TObject*>(message.LParam))
                                     : nullptr);
      break;
    case cmdRepositionBorder:
      RepaintBorderForm(false);
      break;
    case cmdUpdateImage:
      // To a form this number asks a modal form to put its extended border right again.
      if (form_->FormState().Contains(vcl::fsModal)) RepaintBorderForm(true);
      break;
    case cmdBeforeScroll:
      if (wnd) SendMessageA(wnd, WM_SETREDRAW, 0, 0);
      break;
    case cmdAfterScroll:
      if (wnd) {
        SendMessageA(wnd, WM_SETREDRAW, 1, 0);
        RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_ERASE | RDW_INVALIDATE);
      }
      break;
    default:
      // Every other command is the provider's to ignore: it is neither answered nor passed on.
      break;
  }
}

// ---- Window and framework messages of a skinned form ----

void TsSkinProvider::SkinnedMessage(vcl::TMessage& message, const vcl::TWindowProcNext& next) {
  std::shared_ptr<bool> alive = alive_;
  HWND wnd = FormHandle();
  switch (message.Msg) {
    case WM_CREATE:
      HandleCreate(message, next);
      return;
    case WM_NCCREATE:
      next(message);
      if (*alive && form_->FormStyle() != vcl::fsMDIChild) PrepareForm();
      return;
    case WM_MOVE:
      FreeButtonTimers();
      next(message);
      return;
    case WM_SIZE:
      HandleSize(message, next);
      if (!*alive || form_->FormStyle() != vcl::fsMDIChild) return;
      // The MDI form's menu line shows a maximised child's buttons, and loses them again.
      if (message.WParam == SIZE_MAXIMIZED) ActiveChildProvider = this;
      RefreshMdiMenuLine();
      return;
    case WM_MDIACTIVATE:
    case WM_MDIDESTROY:
      next(message);
      if (!*alive || form_->FormStyle() != vcl::fsMDIChild) return;
      if (message.Msg == WM_MDIACTIVATE && reinterpret_cast<HWND>(message.LParam) == wnd) ActiveChildProvider = this;
      MenuRefreshed = false;
      RefreshMdiMenuLine();
      return;
    case WM_ACTIVATE:
      HandleActivate(message, next);
      return;
    case WM_SETREDRAW:
      if (message.WParam == 1)
        RedrawLockCount = RedrawLockCount > 0 ? RedrawLockCount - 1 : 0;
      else
        ++RedrawLockCount;
      next(message);
      return;
    case WM_SETTEXT:
      // The form answers with WM_NCPAINT instead of drawing its own caption; the title is
      // composed anew for it.
      if (FormShowing() && drawNonClientArea_) skinData_->CacheStale = true;
      if (FormShowing() && drawNonClientArea_ && form_->FormStyle() == vcl::fsMDIChild && Zoomed()) {
        SetMaximizedChildText(message, next);
        return;
      }
      next(message);
      if (*alive && FormShowing() && drawNonClientArea_) RepaintBorderForm(true);
      return;
    case WM_PAINT:
      HandlePaint(message, next);
      return;
    case WM_ERASEBKGND:
      HandleEraseBkgnd(message, next);
      return;
    case WM_SETTINGCHANGE:
      skinData_->CacheStale = true;
      TitleImage.reset();
      next(message);
      return;
    case WM_SYSCOLORCHANGE:
      next(message);
      if (*alive) RefreshMenu();
      return;
    case WM_GETMINMAXINFO:
      if (auto* info = reinterpret_cast<MINMAXINFO*>(message.LParam)) AdjustMinMaxInfo(*info);
      message.Result = 0;
      next(message);
      return;
    case WM_WINDOWPOSCHANGING:
      if (RegionUpdating) return;
      if (auto* pos = reinterpret_cast<WINDOWPOS*>(message.LParam)) SnapToWorkArea(*pos);
      next(message);
      return;
    case WM_WINDOWPOSCHANGED:
      HandleWindowPosChanged(message, next);
      return;
    case WM_SIZING:
    case WM_EXITSIZEMOVE:
    case vcl::CM_ACTIVATE:
      next(message);
      if (*alive && (message.Msg != WM_EXITSIZEMOVE || form_->FormState().Contains(vcl::fsModal)))
        RepaintBorderForm(false);
      return;
    case WM_SETICON:
      next(message);
      if (*alive) RepaintFrame();
      return;
    case WM_NCHITTEST:
      HandleNcHitTest(message, next);
      return;
    case WM_NCPAINT:
      HandleNcPaint(message, next);
      return;
    case WM_NCACTIVATE:
      HandleNcActivate(message, next);
      return;
    case kThemedMenuBarMessage:
    case vcl::CM_INVALIDATE:
    case kFrameworkIgnored:
    case kKeepRegionQuery:
      message.Result = 0;
      return;
    case WM_NCLBUTTONDOWN:
      HandleNcLButtonDown(message, next);
      return;
    case WM_NCLBUTTONUP:
    case WM_LBUTTONUP:
      HandleNcLButtonUp(message, next);
      return;
    case WM_NCLBUTTONDBLCLK:
      HandleNcDblClick(message, next);
      return;
    case WM_NCRBUTTONDOWN:
      if (message.WParam == HTCAPTION || message.WParam == HTSYSMENU) return;
      next(message);
      return;
    case WM_NCRBUTTONUP:
      HandleNcRButtonUp(message, next);
      return;
    case WM_MOUSELEAVE:
    case vcl::CM_MOUSELEAVE:
      SetHotItem(0, true);
      if (TsSkinManager* manager = Manager(); manager && manager->HotWindow()) manager->SetHotWindow(nullptr);
      next(message);
      return;
    case 0x0313: {  // the taskbar's request for the system menu
      POINT p{};
      GetCursorPos(&p);
      TrackSystemMenu(p.x, p.y);
      return;
    }
    case WM_SYSCOMMAND:
      HandleSysCommand(message, next);
      return;
    case WM_INITMENUPOPUP:
      if (wnd && reinterpret_cast<HMENU>(message.WParam) == GetSystemMenu(wnd, FALSE))
        EnableMenuItem(reinterpret_cast<HMENU>(message.WParam), SC_SIZE, MF_BYCOMMAND | MF_GRAYED);
      else
        MenuDrawing = false;  // a new popup: the skinned menus say again whether they draw it
      next(message);
      return;
    case WM_TIMER:
      HandleTimer(message, next);
      return;
    case WM_ENTERIDLE:
      message.Result = 0;
      return;
    case WM_ENTERMENULOOP:
    case WM_EXITMENULOOP:
      HandleMenuLoop(message, next);
      return;
    case WM_MOUSEMOVE:
      HandleMouseMove(message, next);
      return;
    case WM_CAPTURECHANGED:
      // Losing the mouse ends a drag where it stands.
      if (OutlineDragRunning() && reinterpret_cast<HWND>(message.LParam) != wnd) {
        DrawDragOutline();
        CancelOutlineDragOf(this);
      }
      next(message);
      return;
    case WM_NCMOUSEMOVE: {
      // The frame hears when the mouse leaves it, so that a hot title button turns normal.
      TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE | TME_NONCLIENT, wnd, 0};
      TrackMouseEvent(&track);
      next(message);
      return;
    }
    case WM_NCMOUSELEAVE:
      SetHotItem(0, true);
      next(message);
      return;
    case WM_PRINT:
      HandlePrint(message);
      return;
    case WM_PRINTCLIENT:
      return;
    case vcl::CM_VISIBLECHANGED:
      HandleVisibleChanged(message, next);
      return;
    case vcl::CM_ENABLEDCHANGED:
      next(message);
      if (*alive && drawNonClientArea_) {
        skinData_->CacheStale = true;
        if (wnd) SendMessageA(wnd, WM_NCPAINT, 1, 0);
      }
      return;
    case vcl::CM_COLORCHANGED:
      if (skinData_->CustomColor() && !form_->ControlState().Contains(vcl::csCreating)) skinData_->CacheStale = true;
      next(message);
      return;
    case vcl::CM_MENUCHANGED:
      HandleMenuChanged(message, next);
      return;
    case vcl::CM_SHOWINGCHANGED:
      HandleShowingChanged(message, next);
      return;
    case WM_PARENTNOTIFY:
      HandleParentNotify(message, next);
      return;
    case vcl::CM_CONTROLLISTCHANGE:
      HandleControlListChange(message, next);
      return;
    case WM_NOTIFY:
      next(message);
      // The page shown now may hold controls that got no window before.
      if (*alive && message.LParam && reinterpret_cast<const NMHDR*>(message.LParam)->code == UINT(TCN_SELCHANGE))
        AdaptControls();
      return;
    case WM_CONTEXTMENU:
      HandleContextMenu(message, next);
      return;
    case WM_MEASUREITEM:
      HandleMeasureItem(message, next);
      return;
    case WM_SHOWWINDOW:
      HandleShowWindow(message, next);
      return;
    case WM_CHILDACTIVATE:
      HandleChildActivate(message, next);
      return;
    case vcl::CM_MOUSEENTER:
      next(message);
      if (*alive) LeaveOtherSpeedButtons(message.LParam);
      return;
    case vcl::CM_FLOAT:
      next(message);
      if (!*alive) return;
      FreeScrollAdapter();
      if (wnd) SendMessageA(wnd, SM_ALPHACMD, MAKEWPARAM(0, cmdSkinRefresh), LPARAM(Manager()));
      return;
    case vcl::CM_MOUSEWHEEL:
      next(message);
      if (*alive) RouteMouseWheel(message);
      return;
    default:
      next(message);
      return;
  }
}

void TsSkinProvider::HandleCreate(vcl::TMessage& message, const vcl::TWindowProcNext& next) {
  std::shared_ptr<bool> alive = alive_;
  TitleImage.reset();
  TsSkinProvider* mdi = MdiFormProvider;
  vcl::TCustomForm* active = mdi && mdi != this && mdi->Form() ? mdi->Form()->ActiveMDIChild() : nullptr;
  ChildOverMaximized = form_->FormStyle() == vcl::fsMDIChild && active && active != form_ &&
                       active->HandleAllocated() && IsZoomed(active->WindowHandle());
  // A skinned child in an MDI form without a provider: the thread hook skins that form.
  if (form_->FormStyle() == vcl::fsMDIChild && !mdi) SkinMainMdiForm();
  next(message);
  if (*alive && form_->FormStyle() != vcl::fsMDIChild) PrepareForm();
}

void TsSkinProvider::HandleActivate(vcl::TMessage& message, const vcl::TWindowProcNext& next) {
  std::shared_ptr<bool> alive = alive_;
  next(message);
  if (!*alive || !FormShowing()) return;
  if (drawNonClientArea_ && !scrollAdapter_) UpdateScrollAdapter();
  if (!form_->ControlState().Contains(vcl::csCreating)) {
    menuLineCount_ = -1;
    HookMenus(Skinned());
    if (systemMenu_) systemMenu_->UpdateItems(false);
    if (!HasBorder()) SendRepaintToChildren(form_);
  }
}

void TsSkinProvider::HandlePaint(vcl::TMessage& message, const vcl::TWindowProcNext& next) {
  std::shared_ptr<bool> alive = alive_;
  HWND wnd = FormHandle();
  if (form_->ControlState().Contains(vcl::csPaintCopy)) return;
  if (HasExtBorder() && !AnimationInProgress && FormShowing() && !Iconic() &&
      (!borderForm_->Handle() || !IsWindowVisible(borderForm_->Handle())))
    RepaintBorderForm(true);
  if (skinData_->CacheRequired()) {
    if (FormShowing()) PaintClient(message);
    message.Result = 0;
    FinishChildOverMaximized();
    if (!*alive) return;
    // The MDI client covers the form's client area: only the graphic controls beside it
    // are the form's to paint.
    if (form_->FormStyle() == vcl::fsMDIForm && wnd) {
      HDC dc = reinterpret_cast<HDC>(message.WParam);
      const bool own = !dc;
      if (own) dc = GetDC(wnd);
      if (dc) PaintGraphicControlsToDC(dc, form_, vcl::TPoint{0, 0});
      if (own && dc) ReleaseDC(wnd, dc);
    }
  } else if (FormShowing()) {
    if (skinData_->CacheStale) InvalidateRect(wnd, nullptr, TRUE);
    PAINTSTRUCT ps{};
    BeginPaint(wnd, &ps);
    EndPaint(wnd, &ps);
    message.Result = 0;
  } else {
    next(message);
    return;
  }
  if (form_->OnPaint && !AnimationInProgress && *alive) form_->OnPaint(form_);
}

void TsSkinProvider::HandleWindowPosChanged(vcl::TMessage& message, const vcl::TWindowProcNext& next) {
  std::shared_ptr<bool> alive = alive_;
  next(message);
  if (!*alive) return;
  ShortTitle = Zoomed() && HasExtBorder() && CaptionHeight(true) < CaptionHeight(false) + 4;
  auto* pos = reinterpret_cast<WINDOWPOS*>(message.LParam);
  if (!HasExtBorder() || !pos) return;
  if ((pos->flags & SWP_HIDEWINDOW) || Iconic()) {
    // A hidden or minimised form takes its border window out of sight.
    if (HWND border = borderForm_->Handle()) ShowWindow(border, SW_HIDE);
  } else if (!(pos->flags & (SWP_NOREDRAW | SWP_FRAMECHANGED))) {
    RepaintBorderForm(!(pos->flags & SWP_NOSIZE));
  } else if (!(pos->flags & SWP_NOZORDER)) {
    borderForm_->KeepBelowOwner();
  }
}

void TsSkinProvider::HandleNcHitTest(vcl::TMessage& message, const vcl::TWindowProcNext& next) {
  std::shared_ptr<bool> alive = alive_;
  if (initPending_) {
    initPending_ = false;
    ActivateSkin();
  }
  if (CaptionHeight(true) == 0 || !drawNonClientArea_) {
    next(message);
    return;
  }
  int32_t code = HitTest(vcl::TPoint{MessageX(message.LParam), MessageY(message.LParam)});
  if (code == HTNOWHERE || code == HTCLIENT || code == HTCAPTION || code == HTMENU) {
    next(message);
    if (*alive) SetHotItem(0, true);
    return;
  }
  message.Result = code;
}

void TsSkinProvider::HandleNcPaint(vcl::TMessage& message, const vcl::TWindowProcNext& next) {
  if (skinData_->PaintFlags & (pfUpdateAnnounced | pfProviderUpdate)) return;
  if (MenuPresent() && !form_->Menu()->WindowHandle()) return;
  if (initPending_) {
    initPending_ = false;
    ActivateSkin();
  }
  if (!drawNonClientArea_) {
    next(message);
    return;
  }
  if (Iconic()) skinData_->CacheStale = true;
  if (AnimationInProgress || !FormShowing() || HasComponentState(this, vcl::csLoading) || !systemMenu_) return;
  CreateCtrlAdapter();
  if (!skinData_->CacheBitmap)
    if (TsSkinManager* manager = Manager()) UpdateExtBorders(manager->GetExtendedBorders());
  PaintNonClient();
  message.Result = 0;
}

void TsSkinProvider::HandleNcRButtonUp(vcl::TMessage& message, const vcl::TWindowProcNext& next) {
  if (!HasBorder()) {
    next(message);
    return;
  }
  const int32_t x = MessageX(message.LParam), y = MessageY(message.LParam);
  const int32_t code = HasExtBorder() && int32_t(message.WParam) == -1 ? borderForm_->HitTest(vcl::TPoint{x, y})
                                                                        : HitTest(vcl::TPoint{x, y});
  if (code == HTCAPTION || code == HTSYSMENU) {
    SetHotItem(0, true);
    TrackSystemMenu(x, y);
  }
}

void TsSkinProvider::HandleMouseMove(vcl::TMessage& message, const vcl::TWindowProcNext& next) {
  std::shared_ptr<bool> alive = alive_;
  HWND wnd = FormHandle();
  next(message);
  if (!*alive) return;
  if (DefaultManager && !HasComponentState(DefaultManager, vcl::csDesigning) && DefaultManager->HotWindow())
    DefaultManager->SetHotWindow(nullptr);
  if (OutlineDragRunning()) {
    POINT p{MessageX(message.LParam), MessageY(message.LParam)};
    ClientToScreen(wnd, &p);
    FollowOutlineDrag(p.x, p.y);
  }
}

void TsSkinProvider::HandleVisibleChanged(vcl::TMessage& message, const vcl::TWindowProcNext& next) {
  std::shared_ptr<bool> alive = alive_;
  if (initPending_ && message.WParam) {
    initPending_ = false;
    ActivateSkin();
  }
  next(message);
  if (!*alive) return;
  if (!message.WParam) {
    if (!FormDestroying() && skinData_->CacheBitmap) skinData_->CacheBitmap->SetSize(0, 0);
    skinData_->CacheStale = true;
    FreeButtonTimers();
    if (HasExtBorder() && borderForm_->Handle()) ShowWindow(borderForm_->Handle(), SW_HIDE);
  } else {
    if (TsSkinManager* manager = Manager()) UpdateExtBorders(manager->GetExtendedBorders());
    if (form_->Parent()) SendRepaintToChildren(form_);
  }
}

void TsSkinProvider::HandleMenuChanged(vcl::TMessage& message, const vcl::TWindowProcNext& next) {
  if (form_->ControlState().Contains(vcl::csCreating) || !FormShowing() || AnimationInProgress) {
    next(message);
    return;
  }
  if (skinData_->PaintFlags & pfUpdateAnnounced) {
    skinData_->PaintFlags |= pfProviderUpdate;
    return;
  }
  menuLineCount_ = -1;
  FullRepaint = true;
  skinData_->CacheStale = true;
  // A child's menu may have come into the menu bar.
  if (form_->FormStyle() == vcl::fsMDIForm) HookMergedMenu(Skinned());
  next(message);
}

void TsSkinProvider::HandleShowingChanged(vcl::TMessage& message, const vcl::TWindowProcNext& next) {
  if (!skinData_->CacheStale || !drawNonClientArea_) {
    next(message);
    return;
  }
  HookMenus(Skinned());
  CreateCtrlAdapter();
  skinData_->UpdatePending = false;
  if (TsSkinManager* manager = Manager()) UpdateExtBorders(manager->GetExtendedBorders());
  ShowAnimated(message, next);
}

void TsSkinProvider::HandleControlListChange(vcl::TMessage& message, const vcl::TWindowProcNext& next) {
  std::shared_ptr<bool> alive = alive_;
  next(message);
  // A control joining the form (lParam 1) is adapted; one leaving keeps its item until the
  // item's window goes.
  if (*alive && message.WParam && message.LParam) {
    auto* control = reinterpret_cast<vcl::TControl*>(message.WParam);
    if (auto* win = dynamic_cast<vcl::TWinControl*>(control)) {
      if (ctrlAdapter_) ctrlAdapter_->AddNewItem(win);
      SendFastFlagsReread(win);
    }
    // Its new parent may paint fast or from a cache: the control asks again.
    SendAlphaCmdCtrl(control, cmdFastFlags, 1);
  }
}

void TsSkinProvider::HandleContextMenu(vcl::TMessage& message, const vcl::TWindowProcNext& next) {
  if (vcl::TPopupMenu* popup = form_->PopupMenu()) {
    TsSkinManager* manager = Manager();
    if (TsSkinableMenus* menus = manager == DefaultManager ? SkinableMenus(manager) : nullptr)
      menus->HookMenu(popup, manager->SkinnedPopups());
  }
  next(message);
}

void TsSkinProvider::HandleMeasureItem(vcl::TMessage& message, const vcl::TWindowProcNext& next) {
  if (auto* item = reinterpret_cast<const MEASUREITEMSTRUCT*>(message.LParam);
      item && item->CtlType == ODT_MENU && MenuPresent() && form_->Menu()) {
    TsSkinManager* manager = Manager();
    if (TsSkinableMenus* menus = manager == DefaultManager ? SkinableMenus(manager) : nullptr)
      if (vcl::TMenuItem* menuItem = form_->Menu()->FindItem(item->itemID, vcl::TMenu::fkCommand))
        menus->HookItem(menuItem, manager->SkinnedPopups());
  }
  next(message);
}

void TsSkinProvider::HandleChildActivate(vcl::TMessage& message, const vcl::TWindowProcNext& next) {
  std::shared_ptr<bool> alive = alive_;
  next(message);
  if (!*alive) return;
  RefreshMenu();
  TsSkinProvider* mdi = MdiFormProvider;
  vcl::TCustomForm* child = mdi && mdi->Form() ? mdi->Form()->ActiveMDIChild() : nullptr;
  if (child && child->WindowState() == vcl::wsMaximized && mdi->MdiLink()) mdi->MdiLink()->RefreshFrame();
}

void TsSkinProvider::HandleParentNotify(vcl::TMessage& message, const vcl::TWindowProcNext& next) {
  const UINT event = LOWORD(message.WParam);
  if ((event != WM_CREATE && event != WM_DESTROY) || HasComponentState(this, vcl::csLoading) || HasComponentState(form_, vcl::csLoading)) {
    next(message);
    return;
  }
  std::shared_ptr<bool> alive = alive_;
  next(message);
  if (!*alive) return;
  if (event == WM_CREATE) {
    AdaptControls();
    // The control of a window made just now may not know its window yet: the form looks
    // again once the control has finished making it.
    if (HWND wnd = FormHandle()) PostMessageA(wnd, SM_ALPHACMD, MAKEWPARAM(0, cmdControlLoaded), 0);
  }
  // A window come or gone may change whether the others need the form's image to paint.
  SendFastFlagsReread(form_);
  if (drawNonClientArea_ && scrollAdapter_ && !scrollAdapter_->Detached) scrollAdapter_->UpdateScrollInfo(true);
}

void TsSkinProvider::HandleShowWindow(vcl::TMessage& message, const vcl::TWindowProcNext& next) {
  std::shared_ptr<bool> alive = alive_;
  HWND wnd = FormHandle();
  const bool mdiChild = form_->FormStyle() == vcl::fsMDIChild;
  if (!mdiChild && message.WParam == 1 && wnd) {
    if (IsCompositionEnabled() && !AnimationInProgress && !(GetWindowLongA(wnd, GWL_EXSTYLE) & WS_EX_LAYERED))
      RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_ALLCHILDREN | RDW_INVALIDATE);
  }
  if (!mdiChild && message.LParam == SW_PARENTCLOSING && wnd)
    StateBeforeHide = IsIconic(wnd) ? 2 : IsZoomed(wnd) ? 3 : 1;
  next(message);
  if (!*alive) return;
  // A maximised child's frame lives in its MDI form's menu line.
  if (mdiChild && wnd && IsZoomed(wnd) && MdiFormProvider && MdiFormProvider != this) MdiFormProvider->RefreshFrame();
  // The MDI client exists only once the form's window does: the link takes it now.
  if (form_->FormStyle() == vcl::fsMDIForm && mdiLink_ && message.WParam) mdiLink_->ConnectToClient();
  // Children without a provider of their own are skinned by the thread hook.
  if (form_->FormStyle() == vcl::fsMDIForm && message.WParam) SkinMdiChildren(form_);
  if (form_->Parent() && !mdiChild) {
    skinData_->PaintFlags &= uint16_t(~pfFastPaint);
    skinData_->CacheStale = true;
  }
}

// A skinned speed button that still shows the mouse over it after the mouse went into the form
// (a quick move skips its own leave) shows its normal look again.
void TsSkinProvider::LeaveOtherSpeedButtons(LPARAM entered) {
  for (int i = 0; form_ && i < form_->ControlCount(); ++i) {
    vcl::TControl* child = form_->Controls(i);
    auto* linked = dynamic_cast<IacSkinLinked*>(child);
    if (!child || LPARAM(child) == entered || !linked || !linked->SkinLink() || !linked->SkinLink()->MouseOver)
      continue;
    for (const vcl::TMetaClass* c = child->ClassType(); c; c = c->ClassParent())
      if (c->ClassNameIs("TsSpeedButton")) {
        child->Perform(vcl::CM_MOUSELEAVE, 0, 0);
        break;
      }
  }
}

void TsSkinProvider::ShowAnimated(vcl::TMessage& message, const vcl::TWindowProcNext& next) {
  std::shared_ptr<bool> alive = alive_;
  TsSkinManager* manager = Manager();
  TacFormShow* show = manager && manager->AnimEffects() ? manager->AnimEffects()->FormShow() : nullptr;
  // A top-level form fades in (or grows) from its finished picture: it becomes visible all but
  // transparent, its children wait with their painting, and the animation shows it.
  const bool animated = show && show->Active && show->Time != 0 && !form_->Parent() &&
                        form_->FormStyle() != vcl::fsMDIChild && !AnimationInProgress && LayeredAnimationAvailable();
  bool madeLayered = false;
  std::vector<HWND> frozen;
  inAnimation_ = animated;
  skinData_->UpdatePending = animated;
  if (animated) {
    madeLayered = PrepareLayeredShow(form_, true);
    if (madeLayered) {
      SetWindowRegion(false);
      RegionUpdating = false;
    }
    for (int i = 0; i < form_->ControlCount(); ++i) {
      auto* child = dynamic_cast<vcl::TWinControl*>(form_->Controls(i));
      if (!child || !child->Visible() || !child->HandleAllocated() || child->ClassNameIs("TCoolBar")) continue;
      SendMessageA(child->Handle(), WM_SETREDRAW, 0, 0);
      frozen.push_back(child->Handle());
    }
  }
  auto thaw = [&frozen]() {
    for (HWND child : frozen)
      if (IsWindow(child)) SendMessageA(child, WM_SETREDRAW, 1, 0);
    frozen.clear();
  };
  try {
    next(message);
  } catch (...) {
    thaw();
    if (*alive) {
      inAnimation_ = false;
      if (madeLayered && form_->HandleAllocated())
        SetWindowLongA(FormHandle(), GWL_EXSTYLE, GetWindowLongA(FormHandle(), GWL_EXSTYLE) & ~WS_EX_LAYERED);
    }
    throw;
  }
  thaw();
  if (!*alive) return;
  UpdateScrollAdapter();
  if (!animated) {
    inAnimation_ = false;
    return;
  }
  HWND wnd = FormHandle();
  if (madeLayered) PrepareLayeredShow(form_, false);
  skinData_->CacheStale = true;
  skinData_->UpdatePending = false;
  if (borderForm_) {
    inAnimation_ = false;
    if (madeLayered || IsWindowVisible(wnd)) AnimShowBorderForm(borderForm_.get(), show->Time, 255, show->Mode);
  } else {
    AnimShowControl(form_, show->Time, 255, show->Mode);
    if (!*alive) return;
    SetWindowRegion(false);
    inAnimation_ = false;
    if (wnd)
      RedrawWindow(wnd, nullptr, nullptr,
                   RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_INVALIDATE |
                       (skinData_->CacheRequired() ? RDW_NOERASE : RDW_ERASE));
  }
  if (!*alive) return;
  // Whatever the animation did, the form ends visible.
  if (wnd && !IsWindowVisible(wnd) && form_->Visible()) SendMessageA(wnd, WM_SETREDRAW, 1, 0);
  RegionUpdating = false;
}

bool TsSkinProvider::PrepareLayeredShow(vcl::TCustomForm* form, bool on) {
  if (!form || !form->HandleAllocated()) return false;
  HWND wnd = form->Handle();
  const LONG exStyle = GetWindowLongA(wnd, GWL_EXSTYLE);
  if (on && CanUseLayeredWindows() && UpdateLayeredWindowFunc) {
    if (exStyle & WS_EX_LAYERED) return false;
    SetWindowLongA(wnd, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
    RECT r{};
    GetWindowRect(wnd, &r);
    // An empty picture at a constant alpha of 10: the window is there but shows nothing.
    auto empty = CreateBmp32(std::max<int>(r.right - r.left, 1), std::max<int>(r.bottom - r.top, 1));
    SIZE size{empty->Width(), empty->Height()};
    POINT origin{0, 0}, position{r.left, r.top};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 10, 0};
    HDC screen = GetDC(nullptr);
    UpdateLayeredWindowFunc(wnd, screen, &position, &size, empty->Canvas()->Handle(), &origin, 0, &blend, ULW_ALPHA);
    ReleaseDC(nullptr, screen);
    return true;
  }
  SetWindowLongA(wnd, GWL_STYLE, GetWindowLongA(wnd, GWL_STYLE) & ~WS_VISIBLE);
  SetWindowLongA(wnd, GWL_EXSTYLE, GetWindowLongA(wnd, GWL_EXSTYLE) & ~WS_EX_LAYERED);
  return false;
}

void TsSkinProvider::HandleSize(vcl::TMessage& message, const vcl::TWindowProcNext& next) {
  std::shared_ptr<bool> alive = alive_;
  HWND wnd = FormHandle();
  vcl::TRect client{};
  if (wnd) GetClientRect(wnd, &client);
  TsSkinManager* manager = Manager();
  int32_t grip = GlobalMask("GRIPIMAGE");
  bool required = skinData_->CacheRequired();
  const vcl::TRect& previous = lastClientRect_;
  bool grew = client.right > previous.right || client.bottom > previous.bottom;
  bool previousEmpty = previous.right <= previous.left || previous.bottom <= previous.top;
  if (wnd && GripVisible() && manager && manager->IsMaskIndexValid(grip)) {
    int32_t w = MaskFrameWidth(manager->Masks[size_t(grip)]), h = MaskFrameHeight(manager->Masks[size_t(grip)]);
    if (grew && !required && !previousEmpty) {
      vcl::TRect r{previous.right - w, previous.bottom - h, previous.right, previous.bottom};
      InvalidateRect(wnd, &r, TRUE);
    } else if (!grew) {
      vcl::TRect r{client.right - w, client.bottom - h, client.right, client.bottom};
      InvalidateRect(wnd, &r, !required);
    }
  }
  if (wnd && manager && (grew || previousEmpty) && Skinned()) {
    const TsGeneralData& s = manager->Sections[size_t(skinData_->SectionIndex)];
    if (s.GradientPercent > 0) InvalidateRect(wnd, nullptr, TRUE);
  }
  lastClientRect_ = client;
  next(message);
  if (!*alive || AnimationInProgress) return;
  vcl::TBitmap* cache = skinData_->CacheBitmap.get();
  if (FormShowing()) {
    if (!cache || cache->Width() != FrameImageWidth() || cache->Height() != FrameImageHeight()) {
      bool fullInvalidate = !cache || (required && cache->Height() > FormHeight());
      RegionChanged = true;
      skinData_->CacheStale = true;
      menuLineCount_ = -1;
      if (drawNonClientArea_) {
        RepaintBorderForm(true);
        if (!*alive) return;
        UpdateWindow(wnd);
        RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
      }
      if (fullInvalidate && !IsCompositionEnabled()) InvalidateRect(wnd, nullptr, FALSE);
    }
  } else {
    skinData_->CacheStale = true;
  }
  UpdateRegionAfterSize();
}

void TsSkinProvider::UpdateRegionAfterSize() {
  // The frame cache may already have the new size (a nested frame paint rendered it while the
  // size changed), so it says nothing about the region: a region made for another window size
  // cuts the frame off at the former area until it is made again, with the window redrawn to
  // show what it uncovers.
  HWND wnd = FormHandle();
  if (!wnd || !FormShowing() || !drawNonClientArea_ || RegionUpdating || AnimationInProgress) return;
  RECT box{};
  if (GetWindowRgnBox(wnd, &box) == ERROR) return;
  if (regionSize_.cx == WindowWidth() && regionSize_.cy == WindowHeight()) return;
  BuildRegionCutouts();
  SetWindowRegion(true);
}


void TsSkinProvider::HandleEraseBkgnd(vcl::TMessage& message, const vcl::TWindowProcNext& next) {
  if (!FormShowing()) {
    next(message);
    return;
  }
  if (skinData_->PaintFlags & pfUpdateAnnounced) return;
  auto dc = reinterpret_cast<HDC>(message.WParam);
  bool copy = form_->ControlState().Contains(vcl::csPaintCopy) || message.WParam == WPARAM(message.LParam);
  if (!copy) {
    if (!skinData_->CacheRequired() || MaximizedChildShown()) {
      TrimChildCache();
      PaintFormBg(dc);
      if (ChildOverMaximized && form_->FormStyle() == vcl::fsMDIChild) {
        ChildOverMaximized = false;
        ActiveChildProvider = this;
      }
    } else if (!skinData_->UpdatePending && dc) {
      vcl::TRect clip{};
      if (GetClipBox(dc, &clip) == NULLREGION) SendRepaintToChildren(form_);
    }
  } else if (dc) {
    if (skinData_->CacheRequired()) {
      if (skinData_->CacheStale) RenderFrameCache();
      if (vcl::TBitmap* cache = skinData_->CacheBitmap.get())
        BitBlt(dc, 0, 0, FormWidth(), FormHeight(), cache->Canvas()->Handle(), ClientOffsetX(), ClientOffsetY(),
               SRCCOPY);
    } else {
      PaintSolidRect(dc, vcl::TRect{0, 0, FormWidth(), FormHeight()}, vcl::TColor(GetWindowBgColor(FormHandle())));
    }
  }
  message.Result = 1;
}

void TsSkinProvider::HandleNcActivate(vcl::TMessage& message, const vcl::TWindowProcNext& next) {
  std::shared_ptr<bool> alive = alive_;
  if (HasComponentState(this, vcl::csDestroying)) {
    next(message);
    return;
  }
  bool wasActive = formActive_;
  formActive_ = message.WParam != 0;
  skinData_->CacheStale = true;
  skinData_->UpdatePending = false;
  if (HasExtBorder() && !AnimationInProgress && !IsCompositionEnabled() && RegionChanged) {
    BuildRegionCutouts();
    SetWindowRegion(false);
  }
  // The form leaves the platform's caption painting out (it sends WM_NCPAINT instead).
  next(message);
  if (!*alive) return;
  if (form_->ControlState().Contains(vcl::csCreating)) return;
  // A child is prepared once its MDI form's skin reaches the client, and the MDI form's frame
  // follows the child's activation.
  TsSkinProvider* mdi = MdiFormProvider;
  if (form_->FormStyle() == vcl::fsMDIChild && FormShowing() && mdi && mdi != this && mdi->MdiLink()) {
    if (!systemMenu_) PrepareForm();
    mdi->InvalidateMenuLine();
    mdi->MdiLink()->RefreshFrame();
    if (HWND client = mdi->Form() ? mdi->Form()->ClientHandle() : nullptr) SendMessageA(client, WM_NCPAINT, 1, 0);
    if (!*alive) return;
  }
  if (HasBorder() && wasActive != formActive_) menuLineCount_ = -1;
  // The border window shows the other activation's look.
  RepaintBorderForm(true);
  if (!*alive) return;
  HookMenus(Skinned());
  if (!MenuRefreshed) {
    MenuRefreshed = true;
    RefreshMenu();
  }
  CreateCtrlAdapter();
}

void TsSkinProvider::HandlePrint(vcl::TMessage& message) {
  HWND wnd = FormHandle();
  auto dc = reinterpret_cast<HDC>(message.WParam);
  // While the show animation renders it, the form is printed though its window is hidden.
  if (!dc || !wnd || (!IsWindowVisible(wnd) && !inAnimation_) || HasComponentState(this, vcl::csLoading) ||
      form_->ControlState().Contains(vcl::csCreating) || FormDestroying() || HiddenBehindMaximizedChild())
    return;
  if (!MenuRefreshed) {
    MenuRefreshed = true;
    RefreshMenu();
  }
  skinData_->UpdatePending = false;
  int saved = SaveDC(dc);
  if (HasExtBorder()) {
    // The whole picture the border window shows, the client's graphic controls over it.
    if (skinData_->CacheStale || !skinData_->CacheBitmap) RenderFrameCache();
    if (vcl::TBitmap* cache = skinData_->CacheBitmap.get())
      BitBlt(dc, 0, 0, cache->Width(), cache->Height(), cache->Canvas()->Handle(), 0, 0, SRCCOPY);
    OffsetViewportOrgEx(dc, ClientOffsetX(), ClientOffsetY() + (MenuLineHeight() != 0 ? 1 : 0), nullptr);
    IntersectClipRect(dc, 0, 0, ClientWidth(), ClientHeight());
    if (form_->FormStyle() != vcl::fsMDIForm) PaintGraphicControlsToDC(dc, form_, vcl::TPoint{0, 0});
    PrintMdiClient(dc);
    RestoreDC(dc, saved);
    return;
  }
  if (drawNonClientArea_) {
    if (HasBorder() || !HasThickFrame()) {
      PaintFrameToDC(dc);
    } else if (skinData_->CacheBitmap) {
      if (skinData_->CacheStale) RenderFrameCache();
      CopyBorderStrips(dc, 0, 0, FrameImageWidth(), skinData_->CacheBitmap->Height(),
                       skinData_->CacheBitmap->Canvas()->Handle(), 0, 0, FormBorderWidthProp() + 3);
    }
  }
  int32_t x = ClientOffsetX(), y = ClientOffsetY();
  OffsetViewportOrgEx(dc, x, y, nullptr);
  IntersectClipRect(dc, 0, 0, ClientWidth(), ClientHeight());
  if (skinData_->PaintFlags & pfFastPaint) {
    int inner = SaveDC(dc);
    ExcludeGraphicControls(dc, form_, 0, 0);
    PaintClientBg(dc, true);
    RestoreDC(dc, inner);
    PaintGraphicControlsToDC(dc, form_, vcl::TPoint{0, 0});
  } else {
    PaintClientBg(dc, true);
  }
  PrintMdiClient(dc);
  if (form_->OnPaint) {
    vcl::TCanvas* canvas = form_->Canvas();
    canvas->Lock();
    canvas->SetHandle(dc);
    try {
      form_->OnPaint(form_);
    } catch (...) {
      canvas->SetHandle(nullptr);
      canvas->Unlock();
      RestoreDC(dc, saved);
      throw;
    }
    canvas->SetHandle(nullptr);
    canvas->Unlock();
  }
  RestoreDC(dc, saved);
}

}  // namespace skin
