#include "skin/forms/border_form.h"

#include <algorithm>

#include "skin/engine/paint/layered_windows.h"
#include "skin/engine/show_animations.h"
#include "skin/engine/skin_manager.h"
#include "skin/forms/skin_provider.h"
#include "skin/forms/title_button_hit.h"
#include "vcl/controls/application.h"

namespace skin {

namespace {

bool IsClientMouseMessage(UINT msg) { return msg >= WM_MOUSEFIRST && msg <= WM_MBUTTONDBLCLK; }

// The owner's frame is hit-tested by the owner itself: the border window says so with this code.
constexpr LRESULT kAskTheOwner = HTOBJECT;

}  // namespace

TacBorderForm::TacBorderForm(TsSkinProvider* owner) : owner_(owner) {
  aForm_ = std::make_unique<vcl::TForm>(nullptr);
  // The toolkit's own window: the thread hook gives it no provider of its own.
  aForm_->SetTag(kAuxiliaryTag);
  aForm_->SetBorderStyle(vcl::bsNone);
  oldWndProc_ = aForm_->WindowProc.Install(
      [this](vcl::TMessage& message, const vcl::TWindowProcNext& next) { BorderWndProc(message, next); });
}

TacBorderForm::~TacBorderForm() {
  *alive_ = false;
  if (owner_) owner_->FreeButtonTimers();
  oldWndProc_ = vcl::TWindowProcLink();
  // Freed from inside its own window procedure (a click that closes the form), the window goes
  // from the message loop once that message is done.
  if (inWndProc_ > 0 && aForm_) {
    aForm_.release()->Release();
  } else {
    aForm_.reset();
  }
}

HWND TacBorderForm::GetOwnerHandle() const {
  vcl::TCustomForm* form = owner_ ? owner_->Form() : nullptr;
  return form ? form->WindowHandle() : nullptr;
}

HWND TacBorderForm::Handle() const { return aForm_ ? aForm_->WindowHandle() : nullptr; }

vcl::TRect TacBorderForm::GetShadowMargins() const {
  TsSkinManager* manager = owner_ && owner_->SkinData() ? owner_->SkinData()->GetSkinManager() : nullptr;
  if (!manager) return vcl::TRect{0, 0, 0, 0};
  const auto& m = manager->ShadowMargins;
  return vcl::TRect{m[0], m[1], m[2], m[3]};
}

int32_t TacBorderForm::TitleTopOffset() const {
  vcl::TRect m = GetShadowMargins();
  int32_t captionFalse = owner_->CaptionHeight(false);
  return m.top + (captionFalse != 0 ? owner_->ExtTitleHeight() : 0) - owner_->WndBorderWidth(false) - captionFalse;
}

int32_t TacBorderForm::TopOffset() const {
  // A maximised form with a short title keeps its title rows inside the screen.
  if (owner_->ShortTitle)
    return owner_->WndBorderWidth(false) + GetShadowMargins().top + owner_->ExtTitleExcess();
  return TitleTopOffset();
}

int32_t TacBorderForm::LeftOffset() const {
  return owner_->ExtBorderWidth() + GetShadowMargins().left - owner_->WndBorderWidth(false);
}

int32_t TacBorderForm::Width() const {
  RECT r{};
  return Handle() && GetWindowRect(Handle(), &r) ? r.right - r.left : 0;
}

int32_t TacBorderForm::Height() const {
  RECT r{};
  return Handle() && GetWindowRect(Handle(), &r) ? r.bottom - r.top : 0;
}

vcl::TPoint TacBorderForm::ScreenToBorder(vcl::TPoint p) const {
  RECT r{};
  if (Handle()) GetWindowRect(Handle(), &r);
  return vcl::TPoint{p.x - r.left, p.y - r.top};
}

// ---- The show animation's view ----

vcl::TWinControl* TacBorderForm::BorderOwner() const { return owner_->Form(); }

vcl::TBitmap* TacBorderForm::RenderBorderImage() {
  owner_->SkinData()->CacheStale = true;
  owner_->RenderFrameCache();
  return owner_->SkinData()->CacheBitmap.get();
}

vcl::TPoint TacBorderForm::BorderOrigin() const {
  RECT r{};
  if (HWND owner = GetOwnerHandle()) GetWindowRect(owner, &r);
  return vcl::TPoint{r.left - LeftOffset(), r.top - TopOffset()};
}

vcl::TPoint TacBorderForm::BorderClientOffset() const {
  return vcl::TPoint{owner_->ClientOffsetX(), owner_->ClientOffsetY()};
}

void TacBorderForm::ShowBorder(uint8_t alpha) {
  showingEnds_ = true;
  UpdateLayeredBorder(true, alpha);
  showingEnds_ = false;
}

// ---- Placing and showing ----

void TacBorderForm::UpdateLayeredBorder(bool repaint, uint8_t alpha) {
  HWND owner = GetOwnerHandle();
  RECT ownerRect{};
  if (!aForm_ || Updating || !owner || !GetWindowRect(owner, &ownerRect) || AnimImageDC) return;
  if (vcl::Application && vcl::Application->Terminated()) return;
  vcl::TCustomForm* form = owner_->Form();
  if ((form->FormState().Contains(vcl::fsShowing) && !showingEnds_) || !owner_->DrawNonClientArea()) return;
  if (owner_->ShowAnimationRunning() || owner_->FormDestroying()) return;
  if (SkinData && SkinData->IsUpdating()) return;
  // A hidden or minimised form shows no border.
  if (!IsWindowVisible(owner) || IsIconic(owner)) {
    if (Handle()) ShowWindow(Handle(), SW_HIDE);
    return;
  }
  Updating = true;
  struct Guard {
    bool& flag;
    ~Guard() { flag = false; }
  } guard{Updating};

  owner_->RenderFrameCache();
  repaint = true;
  vcl::TBitmap* image = SkinData ? SkinData->CacheBitmap.get() : nullptr;
  if (!image || image->Empty()) return;

  const int32_t dx = LeftOffset(), dy = TopOffset();
  const int32_t w = image->Width();
  int32_t h = image->Height();
  bool topmost = (GetWindowLongA(owner, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  if (topmost != (aForm_->FormStyle() == vcl::fsStayOnTop))
    aForm_->SetFormStyle(topmost ? vcl::fsStayOnTop : vcl::fsNormal);
  HWND wnd = aForm_->Handle();
  if (!wnd) return;
  // Without an owner of its own: windows that share an owner with the form rise with it when
  // it is activated, and the border would come up over the form.
  if (GetWindow(wnd, GW_OWNER)) SetWindowLongPtrA(wnd, GWLP_HWNDPARENT, 0);
  LONG ex = GetWindowLongA(wnd, GWL_EXSTYLE);
  const LONG wantedEx = ex | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW | (CanUseLayeredWindows() ? WS_EX_LAYERED : 0);
  if (wantedEx != ex) SetWindowLongA(wnd, GWL_EXSTYLE, wantedEx);

  const bool zoomed = IsZoomed(owner) != 0;
  vcl::TRect m = GetShadowMargins();
  // A maximised form shows no shadow below it: the image is cut there.
  if (zoomed) h = std::max(h - m.bottom - owner_->WndBorderWidth(true), 0);
  RECT current{};
  GetWindowRect(wnd, &current);
  const bool changed = repaint || current.right - current.left != w || current.bottom - current.top != h;
  const UINT base = SWP_NOACTIVATE | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING | (repaint ? 0 : SWP_NOREDRAW);
  // The bounds first, then the place just below the form in Z order.
  SetWindowPos(wnd, nullptr, ownerRect.left - dx, ownerRect.top - dy, w, h,
               base | SWP_NOZORDER | (changed ? 0 : SWP_NOSIZE));
  SetWindowPos(wnd, owner, 0, 0, 0, 0, base | SWP_NOSIZE | SWP_NOMOVE);
  if (!CanUseLayeredWindows() || !changed || InForwarding) return;

  if (form->AlphaBlend()) alpha = form->AlphaBlendValue();
  HRGN region = BuildRegion();
  SetWindowRgn(wnd, region, FALSE);  // the system owns the region from here on
  HDC screen = GetDC(nullptr);
  SIZE size{w, h};
  POINT source{0, 0};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
  UpdateLayeredWindowFunc(wnd, screen, nullptr, &size, image->Canvas()->Handle(), &source, 0, &blend, ULW_ALPHA);
  ReleaseDC(nullptr, screen);
  if (!IsWindowVisible(wnd)) {
    // Shown fully transparent, the form must not be brought along by the activation logic.
    LONG style = GetWindowLongA(owner, GWL_STYLE);
    if (alpha == 0) SetWindowLongA(owner, GWL_STYLE, style & ~WS_VISIBLE);
    ShowWindow(wnd, SW_SHOWNOACTIVATE);
    if (alpha == 0) SetWindowLongA(owner, GWL_STYLE, GetWindowLongA(owner, GWL_STYLE) | (style & WS_VISIBLE));
  }
  // Showing and updating the picture may raise the window: it goes back below the form.
  KeepBelowOwner();
}

void TacBorderForm::KeepBelowOwner() {
  HWND wnd = Handle(), owner = GetOwnerHandle();
  if (wnd && owner && IsWindowVisible(wnd) && GetWindow(owner, GW_HWNDNEXT) != wnd)
    SetWindowPos(wnd, owner, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW);
}

HRGN TacBorderForm::BuildRegion() {
  HWND owner = GetOwnerHandle();
  if (!owner) return nullptr;
  vcl::TRect m = GetShadowMargins();
  const int32_t a = owner_->WndBorderWidth(false), b = owner_->ExtBorderExcess();
  const int32_t w = Width(), h = Height();
  const bool zoomed = IsZoomed(owner) != 0;
  HRGN region = zoomed ? CreateRectRgn(a + b + m.left, m.top + 4, w - a - b - m.right, h - a - b - m.bottom)
                       : CreateRectRgn(0, 0, w, h);
  // The part the form shows itself is left out: whatever order a display stacks the two
  // windows in, the form's client area and menu line are never covered by the border.
  RECT ownerRect{};
  GetWindowRect(owner, &ownerRect);
  const int32_t captionFalse = owner_->CaptionHeight(false);
  const int32_t top = zoomed && owner_->ShortTitle ? a + captionFalse - 4
                                                   : owner_->WndSysBorderWidth(false) + captionFalse + a;
  const int32_t dx = LeftOffset(), dy = TopOffset();
  HRGN hole = CreateRectRgn(dx + a, dy + top, dx + (ownerRect.right - ownerRect.left) - a,
                            dy + (ownerRect.bottom - ownerRect.top) - a);
  CombineRgn(region, region, hole, RGN_DIFF);
  DeleteObject(hole);
  return region;
}

// ---- Mouse ----

bool TacBorderForm::InShadow(UINT msg, LPARAM lParam) {
  if (!vcl::Application || vcl::Application->ComponentState().Contains(vcl::csDestroying)) return false;
  TsSkinManager* manager = SkinData ? SkinData->GetSkinManager() : nullptr;
  HWND owner = GetOwnerHandle();
  if (!manager || !manager->Active() || !owner || IsZoomed(owner) || !Handle()) return false;
  vcl::TPoint p{MessageX(lParam), MessageY(lParam)};
  if (!IsClientMouseMessage(msg)) p = ScreenToBorder(p);
  vcl::TRect m = GetShadowMargins();
  const int32_t w = Width(), h = Height();
  if (p.x >= m.left && p.x <= w - m.right && p.y >= m.top && p.y <= h - m.bottom) return false;
  owner_->SetHotItem(-1, true);
  return true;
}

int32_t TacBorderForm::HitTest(vcl::TPoint screenPoint) {
  HWND owner = GetOwnerHandle();
  if (!owner || !Handle()) return -1;
  if (owner_->OnExtHitTest) {
    vcl::TMessage probe(WM_NCHITTEST, 0, MAKELPARAM(screenPoint.x, screenPoint.y));
    probe.Result = 0;
    owner_->OnExtHitTest(probe);
    if (probe.Result != 0) return int32_t(probe.Result);
  }
  if (!IsWindowEnabled(owner)) return -1;
  const vcl::TPoint p = ScreenToBorder(screenPoint);
  const vcl::TRect m = GetShadowMargins();
  const int32_t w = Width(), h = Height();
  const bool zoomed = IsZoomed(owner) != 0, iconic = IsIconic(owner) != 0;

  // The title buttons: each answers with the code of the button laid out where the point is.
  owner_->LayoutTitleButtons();
  int32_t code = owner_->TitleButtonAt(p, iconic);
  if (code != HTNOWHERE) {
    owner_->SetHotItem(code, true);
    return code;
  }
  code = -1;

  // Sizing edges just inside the shadow.
  if (!zoomed && (GetWindowLongA(owner, GWL_STYLE) & WS_THICKFRAME)) {
    const int32_t f = owner_->WndBorderWidth(false);
    if (p.y >= m.top && p.y <= f + m.top) code = HTTOP;
    if (p.y >= h - f - m.bottom && p.y <= h - m.bottom) code = HTBOTTOM;
    if (p.x >= m.left && p.x <= f + m.left)
      code = code == HTTOP ? HTTOPLEFT : code == HTBOTTOM ? HTBOTTOMLEFT : HTLEFT;
    else if (p.x >= w - f - m.right && p.x <= w - m.right)
      code = code == HTTOP ? HTTOPRIGHT : code == HTBOTTOM ? HTBOTTOMRIGHT : HTRIGHT;
    if (code != -1) {
      owner_->SetHotItem(0, true);
      return code;
    }
  }

  owner_->SetHotItem(0, true);
  const int32_t captionTrue = owner_->CaptionHeight(true), captionFalse = owner_->CaptionHeight(false);
  const int32_t menuLine = owner_->MenuLineHeight();
  if (p.y >= 0 && p.y <= captionTrue + m.top) {
    const bool onMenuRow = p.y >= captionFalse && p.y <= captionFalse + menuLine;
    return RectHolds(owner_->TitleIconRect(), p) && !onMenuRow ? HTSYSMENU : HTCAPTION;
  }
  if (p.y <= captionTrue + m.top + owner_->MenuLineCount() * menuLine) return HTMENU;

  TsSkinManager* manager = SkinData ? SkinData->GetSkinManager() : nullptr;
  int32_t grip = manager ? manager->FindMaskIndexByName("GLOBALINFO", "GRIPIMAGE") : -1;
  if (owner_->GripVisible() && manager && manager->IsMaskIndexValid(grip)) {
    vcl::TPoint g = owner_->GripPosition();
    if (p.x >= g.x && p.y >= g.y) {
      owner_->SetHotItem(HTBOTTOMRIGHT, true);
      return HTBOTTOMRIGHT;
    }
  }
  return -1;
}

bool TacBorderForm::SetCursorFor() {
  POINT cursor{};
  GetCursorPos(&cursor);
  if (InShadow(WM_NCHITTEST, MAKELPARAM(cursor.x, cursor.y))) return false;
  LPCSTR shape = nullptr;
  switch (HitTest(vcl::TPoint{cursor.x, cursor.y})) {
    case HTCAPTION:
    case HTMENU: shape = IDC_ARROW; break;
    case HTLEFT:
    case HTRIGHT: shape = IDC_SIZEWE; break;
    case HTTOP:
    case HTBOTTOM: shape = IDC_SIZENS; break;
    case HTTOPLEFT:
    case HTBOTTOMRIGHT: shape = IDC_SIZENWSE; break;
    case HTTOPRIGHT:
    case HTBOTTOMLEFT: shape = IDC_SIZENESW; break;
    default: return false;
  }
  SetCursor(LoadCursorA(nullptr, shape));
  return true;
}

// ---- The border window's procedure ----

void TacBorderForm::BorderWndProc(vcl::TMessage& message, const vcl::TWindowProcNext& next) {
  std::shared_ptr<bool> alive = alive_;
  ++inWndProc_;
  try {
    HandleBorderMessage(message, next);
  } catch (...) {
    if (*alive) --inWndProc_;
    throw;
  }
  if (*alive) --inWndProc_;
}

void TacBorderForm::ForwardFromShadow(vcl::TMessage& message) {
  HWND wnd = Handle();
  HWND owner = GetOwnerHandle();
  InForwarding = true;
  POINT p{MessageX(message.LParam), MessageY(message.LParam)};
  // The pixel under the mouse leaves the window's region, so the shadow lets the mouse
  // through to the windows below, pixel by pixel.
  vcl::TCustomForm* form = owner_->Form();
  if (!form->FormState().Contains(vcl::fsModal)) {
    HRGN region = BuildRegion();
    if (!region) region = CreateRectRgn(0, 0, Width(), Height());
    HRGN dot = CreateRectRgn(p.x, p.y, p.x + 1, p.y + 1);
    CombineRgn(region, region, dot, RGN_XOR);
    DeleteObject(dot);
    SetWindowRgn(wnd, region, FALSE);
  }
  RECT r{};
  GetWindowRect(wnd, &r);
  HWND below = WindowFromPoint(POINT{p.x + r.left, p.y + r.top});
  if (below && below != wnd && below != owner) SendMessageA(below, message.Msg, message.WParam, message.LParam);
  InForwarding = false;
}

void TacBorderForm::HandleDoubleClick(vcl::TMessage& message) {
  HWND owner = GetOwnerHandle();
  vcl::TPoint point{MessageX(message.LParam), MessageY(message.LParam)};
  if (owner_->ResizeMode() == rmBorder && owner_->OutlineDragRunning()) {
    owner_->EndOutlineDrag();
    ReleaseCapture();
  }
  std::shared_ptr<bool> alive = alive_;
  switch (HitTest(point)) {
    case HTCAPTION: {
      TsSystemMenu* menu = owner_->SystemMenu();
      bool can = menu && menu->VisibleClose() && (menu->EnabledMax() || menu->EnabledRestore());
      if (can || (!owner_->HasBorder() && IsIconic(owner))) {
        bool restore = owner_->Form()->WindowState() == vcl::wsMaximized || IsIconic(owner) || IsZoomed(owner);
        SendMessageA(owner, WM_SYSCOMMAND, restore ? SC_RESTORE : SC_MAXIMIZE, 0);
        if (*alive && owner_->SystemMenu()) owner_->SystemMenu()->UpdateItems(false);
        message.WParam = 0;
      }
      return;
    }
    case HTSYSMENU:
      SendMessageA(owner, WM_SYSCOMMAND, SC_CLOSE, 0);
      return;
    default:
      return;
  }
}

void TacBorderForm::HandleBorderMessage(vcl::TMessage& message, const vcl::TWindowProcNext& next) {
  HWND owner = GetOwnerHandle();
  UINT msg = message.Msg;
  if (IsClientMouseMessage(msg)) {
    if (InShadow(msg, message.LParam))
      ForwardFromShadow(message);
    else
      next(message);
    return;
  }
  switch (msg) {
    case WM_ERASEBKGND:
    case WM_NCPAINT:
      message.Result = 1;
      return;
    case WM_SETCURSOR:
      if (SetCursorFor()) {
        message.Result = 1;
        return;
      }
      next(message);
      return;
    case WM_MOUSEACTIVATE:
      message.Result = MA_NOACTIVATE;
      if (owner) SetForegroundWindow(owner);
      return;
    case WM_WINDOWPOSCHANGED: {
      std::shared_ptr<bool> alive = alive_;
      owner_->FreeButtonTimers();
      next(message);
      if (*alive && !InForwarding) UpdateLayeredBorder(false, 255);
      return;
    }
    case WM_NCHITTEST:
      if (InShadow(msg, message.LParam)) {
        // Over the shadow the window takes the mouse as client input, which it forwards below.
        next(message);
        return;
      }
      message.Result = kAskTheOwner;
      return;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONUP:
    case WM_NCRBUTTONUP:
      if (InShadow(msg, message.LParam) || !owner) return;
      message.Result = SendMessageA(owner, msg, WPARAM(-1), message.LParam);
      return;
    case WM_NCLBUTTONDBLCLK:
      HandleDoubleClick(message);
      return;
    case WM_NCRBUTTONDOWN:
      if (InShadow(msg, message.LParam) || !owner) return;
      message.Result = SendMessageA(owner, msg, WPARAM(HitTest(vcl::TPoint{MessageX(message.LParam),
                                                                           MessageY(message.LParam)})),
                                    message.LParam);
      return;
    default:
      next(message);
      return;
  }
}

}  // namespace skin
