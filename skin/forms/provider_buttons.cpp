// TsSkinProvider: the title buttons (their masks, states and painting), the mouse actions on
// the frame and the system menu.
#include <algorithm>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/graphics/mask_painting.h"
#include "skin/engine/skin_manager.h"
#include "skin/engine/skin_utils.h"
#include "skin/forms/border_form.h"
#include "skin/forms/skin_provider.h"
#include "skin/forms/skinned_menus.h"
#include "skin/forms/title_button_hit.h"
#include "skin/forms/title_animation.h"
#include "vcl/controls/application.h"
#include "vcl/graphics/colours.h"

namespace skin {

namespace {

constexpr UINT kSystemMenuDelay = 200;

}  // namespace

TitleButtonData* TsSkinProvider::ButtonByCode(int32_t code) {
  switch (code) {
    case kHitMinButton: return &ButtonMin;
    case kHitMaxButton: return &ButtonMax;
    case kHitClose: return &ButtonClose;
    case kHitHelp: return &ButtonHelp;
    case kHitChildClose: return &ChildClose;
    case kHitChildRestore: return &ChildRestore;
    case kHitChildMinimize: return &ChildMinimize;
    default: break;
  }
  int32_t index = code - kHitUserButton;
  if (code >= kHitUserButton && index < titleButtons_->Count()) return &titleButtons_->Items(index)->Data;
  return nullptr;
}

// ---- Masks ----

void TsSkinProvider::InitTitleButtons() {
  TsSkinManager* manager = Manager();
  if (!manager) return;
  bool hasMinMax = systemMenu_ && (systemMenu_->VisibleMax() || systemMenu_->VisibleMin());
  auto mask = [this](const char* name) { return GlobalMask(name); };
  ButtonMin.HitCode = kHitMinButton;
  ButtonMax.HitCode = kHitMaxButton;
  ButtonClose.HitCode = kHitClose;
  if (HasBigButtons()) {
    ButtonMin.MaskIndex = mask("BICONMIN");
    ButtonMax.MaskIndex = mask("BICONMAX");
    ButtonHelp.MaskIndex = mask("BICONHELP");
    ButtonClose.MaskIndex = hasMinMax ? mask("BICONCLOSE") : mask("BICLOSEALONE");
    if (!manager->IsMaskIndexValid(ButtonClose.MaskIndex)) ButtonClose.MaskIndex = mask("BICONCLOSE");
    ButtonMin.BigIcon = ButtonMax.BigIcon = ButtonHelp.BigIcon = ButtonClose.BigIcon = true;
  } else {
    ButtonClose.MaskIndex = mask("SICONCLOSE");
    ButtonMin.MaskIndex = mask("SICONMIN");
    ButtonMax.MaskIndex = mask("SICONMAX");
    ButtonHelp.MaskIndex = mask("SICONHELP");
    if (!manager->IsMaskIndexValid(ButtonHelp.MaskIndex)) ButtonHelp.MaskIndex = mask("BICONHELP");
    ButtonMin.BigIcon = ButtonMax.BigIcon = ButtonHelp.BigIcon = ButtonClose.BigIcon = false;
  }
  if (!manager->IsMaskIndexValid(ButtonClose.MaskIndex)) {
    ButtonClose.MaskIndex = mask("BICONCLOSE");
    ButtonMin.MaskIndex = mask("BICONMIN");
    ButtonMax.MaskIndex = mask("BICONMAX");
    ButtonHelp.MaskIndex = mask("BICONHELP");
    ButtonMin.BigIcon = ButtonMax.BigIcon = ButtonHelp.BigIcon = ButtonClose.BigIcon = true;
  }
  titleButtonMask_ = mask("TITLEBUTTON");
  for (int i = 0; i < titleButtons_->Count(); ++i) {
    TsTitleButton* item = titleButtons_->Items(i);
    item->Data.MaskIndex = item->UseSkinData() ? titleButtonMask_ : -1;
    item->Data.HitCode = kHitUserButton + i;
  }
  InitChildButtonMasks();
}

// ---- Painting ----

bool TsSkinProvider::ButtonEnabled(const TitleButtonData& button) {
  if (!systemMenu_) return true;
  if (&button == &ButtonMax) return Zoomed() ? systemMenu_->EnabledRestore() : systemMenu_->EnabledMax();
  if (&button == &ButtonMin) return Iconic() ? systemMenu_->EnabledRestore() : systemMenu_->EnabledMin();
  return true;
}

void TsSkinProvider::PaintOneButton(TitleButtonData& button, int32_t maskIndex, bool enabled) {
  TsSkinManager* manager = Manager();
  vcl::TBitmap* cache = skinData_->CacheBitmap.get();
  if (!manager || !cache || !manager->IsMaskIndexValid(maskIndex) || IsRectEmpty(&button.Rect)) return;
  if (button.State < 0) button.State = 0;
  int32_t state = button.Timer ? 0 : button.State;
  bool inactive = !enabled || (state == 0 && !formActive_);
  TsBackgroundInfo self;
  FillBmpBgInfo(cache, 0, 0, self);
  PaintMaskGlyph(cache, vcl::TPoint{button.Rect.left, button.Rect.top}, inactive ? 0 : state, self,
                 manager->Masks[size_t(maskIndex)], inactive ? 2 : kGlyphNormal);
}

// The mask a system button shows now: the restore picture replaces maximise on a maximised
// form and minimise on an iconic one.
static int32_t ShownMask(TsSkinProvider& p, TitleButtonData& button, int32_t normMask) {
  HWND wnd = p.Form() ? p.Form()->WindowHandle() : nullptr;
  if (&button == &p.ButtonMax && wnd && IsZoomed(wnd) && normMask >= 0) return normMask;
  if (&button == &p.ButtonMin && wnd && IsIconic(wnd) && normMask >= 0) return normMask;
  return button.MaskIndex;
}

void TsSkinProvider::PaintTitleButtons() {
  if (!HasBorder()) return;
  RestoreButtonsBackground();
  LayoutTitleButtons();
  TsSkinManager* manager = Manager();
  int32_t norm = GlobalMask("BICONNORM");
  if (manager && !manager->IsMaskIndexValid(norm))
    norm = manager->FindMaskIndex(skinData_->SectionIndex, skinData_->SkinSection(), "BICONNORM");
  if (systemMenu_ && systemMenu_->VisibleClose()) {
    PaintOneButton(ButtonClose, ButtonClose.MaskIndex, true);
    if (systemMenu_->VisibleMax()) PaintOneButton(ButtonMax, ShownMask(*this, ButtonMax, norm), ButtonEnabled(ButtonMax));
    if (systemMenu_->VisibleMin()) PaintOneButton(ButtonMin, ShownMask(*this, ButtonMin, norm), ButtonEnabled(ButtonMin));
    if (form_->BorderIcons().Contains(vcl::biHelp)) PaintOneButton(ButtonHelp, ButtonHelp.MaskIndex, true);
  }
  vcl::TBitmap* cache = skinData_->CacheBitmap.get();
  for (int i = 0; i < titleButtons_->Count(); ++i) {
    TsTitleButton* item = titleButtons_->Items(i);
    if (!item->Visible()) continue;
    if (item->UseSkinData()) PaintOneButton(item->Data, item->Data.MaskIndex, item->Enabled());
    vcl::TBitmap* glyph = item->Glyph();
    if (!cache || !glyph || glyph->Empty()) continue;
    const vcl::TRect& r = item->Data.Rect;
    int32_t x = r.left + (r.right - r.left - glyph->Width()) / 2 + (item->Data.State == 2 ? 1 : 0);
    int32_t y = r.top + (r.bottom - r.top - glyph->Height()) / 2 + (item->Data.State == 2 ? 1 : 0);
    HDC source = glyph->Canvas()->Handle();
    if (glyph->PixelFormat() == vcl::pf32bit) {
      BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
      AlphaBlend(cache->Canvas()->Handle(), x, y, glyph->Width(), glyph->Height(), source, 0, 0, glyph->Width(),
                 glyph->Height(), blend);
    } else {
      COLORREF key = GetPixel(source, 0, glyph->Height() - 1);
      TransparentBlt(cache->Canvas()->Handle(), x, y, glyph->Width(), glyph->Height(), source, 0, 0, glyph->Width(),
                     glyph->Height(), key);
    }
  }
  PaintChildButtons();
}

int32_t TsSkinProvider::ShownButtonMask(TitleButtonData& button) {
  TsSkinManager* manager = Manager();
  int32_t norm = GlobalMask("BICONNORM");
  if (manager && !manager->IsMaskIndexValid(norm))
    norm = manager->FindMaskIndex(skinData_->SectionIndex, skinData_->SkinSection(), "BICONNORM");
  if (&button == &ButtonMax && Zoomed() && norm >= 0) return norm;
  if (&button == &ButtonMin && Iconic() && norm >= 0) return norm;
  return button.MaskIndex;
}

void TsSkinProvider::PaintButtonImage(TitleButtonData& button, int32_t state, vcl::TBitmap* target) {
  vcl::TBitmap* cache = skinData_->CacheBitmap.get();
  TsSkinManager* manager = Manager();
  if (!target || !cache || !manager) return;
  const vcl::TRect& r = button.Rect;
  const int32_t w = r.right - r.left, h = r.bottom - r.top;
  // The title as it is without buttons, then the button's mask in the state over it.
  HDC dc = target->Canvas()->Handle();
  if (ButtonsBackground && !ButtonsBackground->Empty()) {
    int32_t offset = cache->Width() - ButtonsBackground->Width();
    BitBlt(dc, 0, 0, w, h, ButtonsBackground->Canvas()->Handle(), r.left - offset, r.top, SRCCOPY);
  } else {
    BitBlt(dc, 0, 0, w, h, cache->Canvas()->Handle(), r.left, r.top, SRCCOPY);
  }
  bool enabled = true;
  int32_t mask = button.MaskIndex;
  TsTitleButton* item = UserButtonByCode(button.HitCode);
  if (item && &item->Data == &button) {
    enabled = item->Enabled();
    if (!item->UseSkinData()) mask = -1;
  } else {
    mask = ShownButtonMask(button);
    enabled = ButtonEnabled(button);
  }
  if (manager->IsMaskIndexValid(mask)) {
    bool inactive = !enabled || (state == 0 && !formActive_);
    TsBackgroundInfo self;
    FillBmpBgInfo(target, 0, 0, self);
    PaintMaskGlyph(target, vcl::TPoint{0, 0}, inactive ? 0 : state, self, manager->Masks[size_t(mask)],
                   inactive ? 2 : kGlyphNormal);
  }
  vcl::TBitmap* glyph = item && &item->Data == &button ? item->Glyph() : nullptr;
  if (glyph && !glyph->Empty()) {
    int32_t x = (w - glyph->Width()) / 2 + (state == 2 ? 1 : 0);
    int32_t y = (h - glyph->Height()) / 2 + (state == 2 ? 1 : 0);
    HDC source = glyph->Canvas()->Handle();
    if (glyph->PixelFormat() == vcl::pf32bit) {
      BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
      AlphaBlend(dc, x, y, glyph->Width(), glyph->Height(), source, 0, 0, glyph->Width(), glyph->Height(), blend);
    } else {
      COLORREF key = GetPixel(source, 0, glyph->Height() - 1);
      TransparentBlt(dc, x, y, glyph->Width(), glyph->Height(), source, 0, 0, glyph->Width(), glyph->Height(), key);
    }
  }
}

void TsSkinProvider::RepaintTitleButton(int32_t code) {
  TitleButtonData* button = ButtonByCode(code);
  HWND wnd = FormHandle();
  vcl::TBitmap* cache = skinData_->CacheBitmap.get();
  if (!button || !wnd || !cache || cache->Empty() || !IsWindowVisible(wnd)) return;
  if (code >= kHitChildClose && code <= kHitChildMinimize) return;
  TsSkinManager* manager = Manager();
  if (manager && (manager->GetAllowGlowing() || HasExtBorder())) {
    // The button fades in and out in a window of its own over the frame.
    if (button->State == 1)
      AnimateTitleButton(this, *button, 1, 10, true);
    else if (button->State == 2)
      AnimateTitleButton(this, *button, 2, 1, true);
    else if (button->State == 0)
      AnimateTitleButton(this, *button, 0, 10, false);
    return;
  }
  if (button->State < 0) return;
  if (button->Rect.left <= TitleIconRect().right) return;
  // The saved title area goes back under the button first; its right edge is the image's.
  if (ButtonsBackground && !ButtonsBackground->Empty()) {
    int32_t offset = cache->Width() - ButtonsBackground->Width();
    const vcl::TRect& r = button->Rect;
    BitBlt(cache->Canvas()->Handle(), r.left, r.top, r.right - r.left, r.bottom - r.top,
           ButtonsBackground->Canvas()->Handle(), r.left - offset, r.top, SRCCOPY);
  }
  int32_t norm = GlobalMask("BICONNORM");
  if (manager && !manager->IsMaskIndexValid(norm))
    norm = manager->FindMaskIndex(skinData_->SectionIndex, skinData_->SkinSection(), "BICONNORM");
  if (code >= kHitUserButton) {
    TsTitleButton* item = titleButtons_->Items(code - kHitUserButton);
    if (item->UseSkinData()) PaintOneButton(*button, button->MaskIndex, item->Enabled());
  } else {
    int32_t mask = button->MaskIndex;
    if (button == &ButtonMax && Zoomed() && norm >= 0) mask = norm;
    if (button == &ButtonMin && Iconic() && norm >= 0) mask = norm;
    PaintOneButton(*button, mask, ButtonEnabled(*button));
  }
  vcl::TRect shadow = GetShadowMargins();
  HDC dc = GetWindowDC(wnd);
  if (!dc) return;
  const vcl::TRect& r = button->Rect;
  BitBlt(dc, r.left - shadow.left, r.top - shadow.top, r.right - r.left, r.bottom - r.top, cache->Canvas()->Handle(),
         r.left, r.top, SRCCOPY);
  ReleaseDC(wnd, dc);
}

void TsSkinProvider::FreeButtonTimers() {
  for (TitleButtonData* b : {&ButtonMin, &ButtonMax, &ButtonClose, &ButtonHelp}) delete b->Timer;
  if (!titleButtons_) return;
  for (int i = 0; i < titleButtons_->Count(); ++i) delete titleButtons_->Items(i)->Data.Timer;
}

// ---- States ----

void TsSkinProvider::SetHotItem(int32_t code, bool repaint) {
  if (!drawNonClientArea_) return;
  if (code == titleItem_ || (titleItem_ == -1 && code == 0)) return;
  if (titleItem_ > 0) {
    if (TitleButtonData* old = ButtonByCode(titleItem_)) {
      old->State = 0;
      if (TsTitleButton* item = UserButtonByCode(titleItem_)) item->HintWnd.reset();
      if (repaint) RepaintTitleButton(titleItem_);
    }
  }
  titleItem_ = code;
  if (TitleButtonData* hot = ButtonByCode(code)) {
    hot->State = 1;
    if (TsTitleButton* item = UserButtonByCode(code)) ShowTitleButtonHint(item);
  }
  ButtonPressed = false;
  if (repaint && code > 0) RepaintTitleButton(code);
}

TsTitleButton* TsSkinProvider::UserButtonByCode(int32_t code) const {
  int32_t index = code - kHitUserButton;
  return code >= kHitUserButton && index < titleButtons_->Count() ? titleButtons_->Items(index) : nullptr;
}

void TsSkinProvider::ShowTitleButtonHint(TsTitleButton* item) {
  item->HintWnd.reset();
  if (item->Hint().empty()) return;
  auto hint = std::make_unique<vcl::THintWindow>(nullptr);
  hint->SetColor(vcl::clInfoBk);
  vcl::TRect r = hint->CalcHintRect(800, item->Hint());
  POINT cursor{};
  GetCursorPos(&cursor);
  OffsetRect(&r, cursor.x + 8, cursor.y + 16);
  // Kept inside the work area of the form's monitor.
  vcl::TRect work = GetFormWorkArea(form_);
  if (r.right > work.right) OffsetRect(&r, work.right - r.right, 0);
  if (r.bottom > work.bottom) OffsetRect(&r, 0, work.bottom - r.bottom);
  if (r.left < work.left) OffsetRect(&r, work.left - r.left, 0);
  if (r.top < work.top) OffsetRect(&r, 0, work.top - r.top);
  r.bottom += 4;
  hint->ActivateHint(r, item->Hint());
  item->HintWnd = std::move(hint);
}

void TsSkinProvider::SetPressedItem(int32_t code) {
  if (code != titleItem_ && titleItem_ > 0) {
    if (TitleButtonData* old = ButtonByCode(titleItem_)) {
      old->State = 0;
      if (TsTitleButton* item = UserButtonByCode(titleItem_)) item->HintWnd.reset();
      RepaintTitleButton(titleItem_);
    }
  }
  titleItem_ = code;
  if (code == kHitMaxButton && systemMenu_ &&
      !(systemMenu_->EnabledMax() || (Zoomed() && systemMenu_->EnabledRestore()))) {
    titleItem_ = 0;
    return;
  }
  if (TitleButtonData* pressed = ButtonByCode(code)) pressed->State = 2;
  ButtonPressed = true;
  RepaintTitleButton(code);
}

// ---- System menu ----

void TsSkinProvider::TrackSystemMenu(int32_t x, int32_t y) {
  HWND wnd = FormHandle();
  if (!wnd) return;
  TsSkinManager* manager = Manager();
  if (manager && manager->SkinnedPopups() && systemMenu_) {
    systemMenu_->UpdateItems(systemMenu_->ExtItemsCount > 0);
    if (makeSkinMenu_) systemMenu_->MakeSkinSelectItems();
    if (TsSkinableMenus* menus = SkinableMenus(manager)) menus->HookMenu(systemMenu_, Skinned());
    systemMenu_->Popup(x, y);
    return;
  }
  HMENU menu = GetSystemMenu(wnd, FALSE);
  if (!menu) return;
  auto enable = [menu](UINT command, bool on) {
    EnableMenuItem(menu, command, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED | MF_DISABLED));
  };
  bool iconic = Iconic(), zoomed = Zoomed();
  vcl::TFormBorderStyle style = form_->BorderStyle();
  if (systemMenu_) {
    enable(SC_RESTORE, systemMenu_->ItemRestore && systemMenu_->ItemRestore->Visible() &&
                           systemMenu_->EnabledRestore());
    enable(SC_MOVE, !zoomed && !iconic);
    enable(SC_SIZE, systemMenu_->ItemSize && systemMenu_->ItemSize->Visible() && style != vcl::bsSingle && !iconic &&
                        form_->WindowState() == vcl::wsNormal);
    enable(SC_MINIMIZE, systemMenu_->VisibleMin() && systemMenu_->EnabledMin());
    enable(SC_MAXIMIZE, systemMenu_->VisibleMax() && systemMenu_->EnabledMax());
    enable(SC_CLOSE, systemMenu_->VisibleClose());
  }
  UINT command = UINT(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, x, y, 0, wnd, nullptr));
  if (command) PostMessageA(wnd, WM_SYSCOMMAND, command, 0);
}

// ---- Mouse on the frame ----

void TsSkinProvider::HandleNcLButtonDown(vcl::TMessage& message, const vcl::TWindowProcNext& next) {
  HWND wnd = FormHandle();
  int32_t code = int32_t(message.WParam);
  if (!drawNonClientArea_) {
    if (code == HTSYSMENU) {
      POINT p{};
      GetCursorPos(&p);
      TrackSystemMenu(p.x, p.y);
      return;
    }
    next(message);
    return;
  }
  if (HasExtBorder()) {
    // The border window leaves its own codes to the form: HTOBJECT goes on as it is, -1 is
    // the border window's hit test of the point.
    if (code == HTOBJECT) {
      next(message);
      return;
    }
    if (code == -1) {
      code = borderForm_->HitTest(vcl::TPoint{MessageX(message.LParam), MessageY(message.LParam)});
      message.WParam = WPARAM(code);
      if (code == -1) return;
    }
  }
  switch (code) {
    case HTSYSMENU: {
      SetHotItem(0, true);
      vcl::TPoint origin = FrameOrigin();
      vcl::TRect icon = TitleIconRect();
      int32_t x = origin.x + WndBorderWidth(false);
      int32_t y = origin.y + BottomBorderHeight(true) + (icon.bottom - icon.top) + WndSysBorderWidth(false);
      sysMenuPoint_ = vcl::TPoint{x, y};
      TsSkinManager* manager = Manager();
      if (manager && !manager->SkinnedPopups()) {
        // A second click may follow and close the form: the menu waits for it on a timer
        // rather than in a nested message loop.
        SetTimer(wnd, kSystemMenuTimer, kSystemMenuDelay, nullptr);
      } else {
        TrackSystemMenu(x, y);
      }
      return;
    }
    case HTMENU:
      next(message);
      return;
    case kHitMinButton:
    case kHitMaxButton:
    case kHitClose:
    case kHitHelp:
      SetPressedItem(code);
      return;
    case kHitChildClose:
    case kHitChildRestore:
    case kHitChildMinimize:
      if (ChildButtonEnabled(code)) SetPressedItem(code);
      return;
    default:
      break;
  }
  if (code >= kHitUserButton && code - kHitUserButton < titleButtons_->Count()) {
    SetPressedItem(code);
    titleButtons_->Items(code - kHitUserButton)
        ->FireMouseDown(vcl::mbLeft, vcl::TShiftState{}, MessageX(message.LParam), MessageY(message.LParam));
    return;
  }
  if (Iconic()) {
    SendMessageA(wnd, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
    return;
  }
  SetHotItem(0, true);
  if (!Zoomed() && StartOutlineDrag(code, MessageX(message.LParam), MessageY(message.LParam))) return;
  if (Zoomed()) {
    vcl::TPoint p = ScreenToFrame(MessageX(message.LParam), MessageY(message.LParam));
    if (p.y <= WndSysBorderWidth(true) + CaptionHeight(true)) {
      if (GetActiveWindow() != wnd) SetForegroundWindow(wnd);
      return;
    }
  }
  std::shared_ptr<bool> alive = alive_;
  next(message);
  if (*alive && HasExtBorder() && !GetWindow(wnd, GW_OWNER)) RepaintBorderForm(false);
}

void TsSkinProvider::HandleNcLButtonUp(vcl::TMessage& message, const vcl::TWindowProcNext& next) {
  std::shared_ptr<bool> alive = alive_;
  HWND wnd = FormHandle();
  if (OutlineDragRunning()) {
    EndOutlineDrag();
    return;
  }
  if (!drawNonClientArea_ || !ButtonPressed || titleItem_ <= 0) {
    if (drawNonClientArea_ && message.Msg == WM_NCLBUTTONUP) SetHotItem(0, true);
    next(message);
    return;
  }
  vcl::TPoint screen{MessageX(message.LParam), MessageY(message.LParam)};
  if (message.Msg == WM_LBUTTONUP) ClientToScreen(wnd, &screen);
  vcl::TPoint p = ScreenToImage(screen.x, screen.y);
  int32_t code = titleItem_;
  TitleButtonData* button = ButtonByCode(code);
  bool over = button && RectHolds(button->Rect, p);
  ButtonPressed = false;
  switch (code) {
    case kHitMinButton:
      SetHotItem(0, true);
      if (over) {
        bool restore = Iconic() && !(vcl::Application && vcl::Application->MainForm() == form_);
        SendMessageA(wnd, WM_SYSCOMMAND, restore ? SC_RESTORE : SC_MINIMIZE, 0);
        if (*alive) skinData_->CacheStale = true;
      } else {
        next(message);
      }
      return;
    case kHitMaxButton:
      if (systemMenu_ && !(systemMenu_->EnabledMax() || (Zoomed() && systemMenu_->EnabledRestore()))) return;
      SetHotItem(0, true);
      if (!over) {
        next(message);
        return;
      }
      SendMessageA(wnd, WM_SYSCOMMAND, Zoomed() ? SC_RESTORE : SC_MAXIMIZE, 0);
      if (*alive && systemMenu_) systemMenu_->UpdateItems(false);
      return;
    case kHitClose:
      if (button) button->State = 0;
      titleItem_ = 0;
      if (over) SendMessageA(wnd, WM_SYSCOMMAND, SC_CLOSE, 0);
      return;
    case kHitHelp:
      if (over) SendMessageA(wnd, WM_SYSCOMMAND, SC_CONTEXTHELP, 0);
      if (!*alive) return;
      SetHotItem(0, true);
      if (systemMenu_) systemMenu_->UpdateItems(false);
      SendMessageA(wnd, WM_NCPAINT, 1, 0);
      return;
    case kHitChildClose:
    case kHitChildRestore:
    case kHitChildMinimize:
      ReleaseChildButton(code, over);
      return;
    default:
      break;
  }
  if (code >= kHitUserButton && code - kHitUserButton < titleButtons_->Count()) {
    if (over)
      titleButtons_->Items(code - kHitUserButton)->FireMouseUp(vcl::mbLeft, vcl::TShiftState{}, screen.x, screen.y);
    if (*alive) SetHotItem(0, true);
    return;
  }
  next(message);
}

void TsSkinProvider::HandleNcDblClick(vcl::TMessage& message, const vcl::TWindowProcNext&) {
  HWND wnd = FormHandle();
  EndOutlineDrag();
  switch (message.WParam) {
    case HTCAPTION: {
      bool can = systemMenu_ && systemMenu_->VisibleClose() &&
                 (systemMenu_->EnabledMax() || systemMenu_->EnabledRestore());
      if (can || (!HasBorder() && Iconic())) {
        SendMessageA(wnd, WM_SYSCOMMAND, Zoomed() || Iconic() ? SC_RESTORE : SC_MAXIMIZE, 0);
        if (systemMenu_) systemMenu_->UpdateItems(false);
      }
      message.WParam = 0;
      return;
    }
    case HTSYSMENU:
      // The menu the first click asked for is not shown any more.
      KillTimer(wnd, kSystemMenuTimer);
      form_->Close();
      return;
    default:
      return;
  }
}

void TsSkinProvider::HandleSysCommand(vcl::TMessage& message, const vcl::TWindowProcNext& next) {
  std::shared_ptr<bool> alive = alive_;
  HWND wnd = FormHandle();
  UINT command = UINT(message.WParam) & 0xFFF0;
  if (message.WParam == (SC_MOVE | HTCAPTION)) RepaintFrame();
  // A move or size by the mouse runs as an outline drag in outline mode; the keyboard's keep
  // the platform's loop.
  UINT area = UINT(message.WParam) & 0x000F;
  if ((command == SC_MOVE || command == SC_SIZE) && area != 0 && !Zoomed()) {
    POINT cursor{};
    GetCursorPos(&cursor);
    int32_t code = command == SC_MOVE ? HTCAPTION : int32_t(HTLEFT + area - WMSZ_LEFT);
    if (StartOutlineDrag(code, cursor.x, cursor.y)) return;
  }
  if (form_->FormStyle() == vcl::fsMDIChild) {
    HandleMdiChildSysCommand(message, next);
    return;
  }
  next(message);
  if (!*alive) return;
  if (form_->FormStyle() == vcl::fsMDIForm) {
    // The MDI form's menu line shows its maximised child's buttons only while it is big enough.
    if (command == SC_MINIMIZE || command == SC_MAXIMIZE || command == SC_RESTORE) {
      if (TsSkinProvider* mdi = MdiFormProvider) {
        mdi->InvalidateMenuLine();
        if (HWND mdiWnd = mdi->FormHandle()) SendMessageA(mdiWnd, WM_NCPAINT, 1, 0);
      }
      return;
    }
  }
  switch (command) {
    case SC_MINIMIZE:
      if (skinData_->CacheBitmap) skinData_->CacheBitmap->SetSize(0, 0);
      skinData_->CacheStale = true;
      break;
    case SC_MAXIMIZE:
    case SC_RESTORE:
      if (systemMenu_ && systemMenu_->VisibleMax()) titleItem_ = kHitMaxButton;
      SetHotItem(0, true);
      if (command == SC_RESTORE) {
        skinData_->CacheStale = true;
        if (HasBorder())
          RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
        else
          SetWindowRgn(wnd, nullptr, TRUE);
      }
      if (systemMenu_) systemMenu_->UpdateItems(false);
      break;
    case SC_KEYMENU:
      if (LOWORD(message.LParam) == ' ' && systemMenu_ && systemMenu_->VisibleClose() && HasBorder()) {
        vcl::TPoint origin = FrameOrigin();
        vcl::TRect icon = TitleIconRect();
        TrackSystemMenu(origin.x + WndBorderWidth(false), origin.y + icon.bottom + WndSysBorderWidth(false));
      }
      break;
    default:
      break;
  }
}

void TsSkinProvider::HandleTimer(vcl::TMessage& message, const vcl::TWindowProcNext& next) {
  if (message.WParam != kSystemMenuTimer) {
    next(message);
    return;
  }
  KillTimer(FormHandle(), kSystemMenuTimer);
  if (!skinData_->UpdatePending) TrackSystemMenu(sysMenuPoint_.x, sysMenuPoint_.y);
}

}  // namespace skin
