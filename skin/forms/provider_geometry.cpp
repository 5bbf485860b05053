// TsSkinProvider: every size and rectangle of the skinned frame, in the coordinates of the frame
// image (the window's top-left is its origin, moved by the shadow margins of an extended
// border), the hit test, the window region and the maximised size.
#include <algorithm>
#include <cstdlib>

#include "skin/engine/skin_manager.h"
#include "skin/engine/window_messages.h"
#include "skin/forms/border_form.h"
#include "skin/forms/skin_provider.h"
#include "skin/forms/title_button_hit.h"

namespace skin {

namespace {

int32_t Metric(int index) { return GetSystemMetrics(index); }

vcl::TRect ScreenRect(HWND wnd) {
  vcl::TRect r{};
  if (wnd) GetWindowRect(wnd, &r);
  return r;
}

}  // namespace

// ---- The form and its window ----

int32_t TsSkinProvider::FormWidth() const { return form_ ? form_->Width() : 0; }
int32_t TsSkinProvider::FormHeight() const { return form_ ? form_->Height() : 0; }

vcl::TRect TsSkinProvider::WindowRect() const {
  if (HWND wnd = FormHandle()) return ScreenRect(wnd);
  return form_ ? vcl::Bounds(form_->Left(), form_->Top(), form_->Width(), form_->Height()) : vcl::TRect{};
}

int32_t TsSkinProvider::WindowWidth() const {
  vcl::TRect r = WindowRect();
  return r.right - r.left;
}

int32_t TsSkinProvider::WindowHeight() const {
  vcl::TRect r = WindowRect();
  return r.bottom - r.top;
}

int32_t TsSkinProvider::ClientWidth() const {
  vcl::TRect r{};
  if (HWND wnd = FormHandle()) GetClientRect(wnd, &r);
  return r.right - r.left;
}

int32_t TsSkinProvider::ClientHeight() const {
  vcl::TRect r{};
  if (HWND wnd = FormHandle()) GetClientRect(wnd, &r);
  return r.bottom - r.top;
}

int32_t TsSkinProvider::FormBorderWidthProp() const { return form_ ? form_->BorderWidth() : 0; }

bool TsSkinProvider::Iconic() const {
  HWND wnd = FormHandle();
  return wnd && IsIconic(wnd);
}

bool TsSkinProvider::Zoomed() const {
  HWND wnd = FormHandle();
  return wnd && IsZoomed(wnd);
}

static LONG_PTR StyleOf(HWND wnd) { return wnd ? GetWindowLongPtrA(wnd, GWL_STYLE) : 0; }

// ---- Borders and title ----

int32_t TsSkinProvider::WndBorderWidth(bool ext) const {
  if (ext && HasExtBorder()) {
    TsSkinManager* manager = Manager();
    if (manager && manager->SkinData()->BorderWidth != 0) return manager->SkinData()->BorderWidth;
  }
  LONG_PTR style = StyleOf(FormHandle());
  if (style & WS_THICKFRAME) return Metric(SM_CXFRAME);
  if (style & WS_BORDER) return Metric(SM_CXDLGFRAME);
  return 0;
}

int32_t TsSkinProvider::WndSysBorderWidth(bool ext) const { return HasExtBorder() ? 0 : WndBorderWidth(ext); }

int32_t TsSkinProvider::ExtTitleHeight() const {
  TsSkinManager* manager = Manager();
  return HasExtBorder() && manager ? manager->SkinData()->TitleHeight : 0;
}

int32_t TsSkinProvider::ExtBorderWidth() const {
  TsSkinManager* manager = Manager();
  return HasExtBorder() && manager ? manager->SkinData()->BorderWidth : 0;
}

int32_t TsSkinProvider::ExtTitleExcess() const {
  return HasExtBorder() ? CaptionHeight(true) - CaptionHeight(false) - WndBorderWidth(false) : 0;
}

int32_t TsSkinProvider::ExtBorderExcess() const {
  return HasExtBorder() ? WndBorderWidth(true) - WndBorderWidth(false) : 0;
}

int32_t TsSkinProvider::CaptionHeight(bool useSkin) const {
  if (!form_) return 0;
  LONG_PTR style = StyleOf(FormHandle());
  bool iconic = Iconic();
  if (!((HasBorder() && (style & WS_CAPTION) == WS_CAPTION) || iconic)) return 0;
  int32_t r = useSkin ? ExtTitleHeight() : 0;
  vcl::TFormBorderStyle bs = form_->BorderStyle();
  int32_t system = (bs == vcl::bsToolWindow || bs == vcl::bsSizeToolWin) && !iconic ? Metric(SM_CYSMCAPTION)
                                                                                    : Metric(SM_CYCAPTION);
  if (ShortTitle) return std::max(r, system + 4);
  return r != 0 ? r : system;
}

bool TsSkinProvider::HasBorder() const {
  return form_ && (form_->BorderStyle() != vcl::bsNone || form_->FormStyle() == vcl::fsMDIChild);
}

bool TsSkinProvider::HasBigButtons() const {
  return form_ && (form_->BorderStyle() == vcl::bsSingle || form_->BorderStyle() == vcl::bsSizeable);
}

bool TsSkinProvider::HasThickFrame() const { return (StyleOf(FormHandle()) & WS_THICKFRAME) != 0; }

bool TsSkinProvider::ShowsTitleIcon() const {
  HWND wnd = FormHandle();
  return HasBigButtons() && showAppIcon_ && wnd && GetSystemMenu(wnd, FALSE) != nullptr;
}

int32_t TsSkinProvider::IconSizeForCaption(int32_t height) {
  if (height >= -100 && height <= 8) return 1;
  if (height >= 9 && height <= 16) return 8;
  return 16;
}

int32_t TsSkinProvider::TitleIconWidth() const {
  if (!ShowsTitleIcon()) return 0;
  return titleIcon_->Width() != 0 ? titleIcon_->Width() : IconSizeForCaption(CaptionHeight(true));
}

int32_t TsSkinProvider::TitleIconHeight() const {
  if (!ShowsTitleIcon()) return 0;
  return titleIcon_->Height() != 0 ? titleIcon_->Height() : IconSizeForCaption(CaptionHeight(true));
}

int32_t TsSkinProvider::SideBorderWidth(bool ext) const { return WndBorderWidth(ext) + FormBorderWidthProp(); }

int32_t TsSkinProvider::BottomBorderHeight(bool ext) const {
  return WndSysBorderWidth(ext) + FormBorderWidthProp();
}

// ---- Menu line ----

bool TsSkinProvider::MenuPresent() const {
  if (!form_ || !form_->Menu()) return false;
  vcl::TMainMenu* menu = form_->Menu();
  return !menu->AutoMerge() && menu->Items()->Count() > 0 && form_->FormStyle() != vcl::fsMDIChild &&
         form_->BorderStyle() != vcl::bsDialog;
}

bool TsSkinProvider::MenuLineVisible() const {
  if (!MenuPresent()) return false;
  vcl::TMenuItem* items = form_->Menu()->Items();
  for (int i = 0; i < items->Count(); ++i)
    if (items->Items(i)->Visible()) return true;
  return false;
}

int32_t TsSkinProvider::MenuLineHeight() const { return MenuPresent() ? Metric(SM_CYMENU) - 1 : 0; }

int32_t TsSkinProvider::MenuLineCount() {
  if (menuLineCount_ != -1) return menuLineCount_;
  int32_t count = 1;
  int32_t left = WndBorderWidth(true);
  int32_t x = left;
  HWND wnd = FormHandle();
  if (form_ && form_->Menu() && !form_->Menu()->AutoMerge() && wnd) {
    HMENU bar = GetMenu(wnd);
    int32_t limit = FormWidth() - 2 * WndBorderWidth(true) - 2 * FormBorderWidthProp();
    const int offset = MdiMenuItemOffset();
    // A maximised child's icon takes the first place.
    if (offset && ChildButtonsShown() && bar) {
      vcl::TRect r{};
      if (GetMenuItemRect(wnd, bar, 0, &r)) x += r.right - r.left;
    }
    const std::vector<vcl::TMenuItem*> items = MenuBarItems();
    for (size_t i = 0; i < items.size(); ++i) {
      vcl::TMenuItem* item = items[i];
      // The platform places every shown item; only the ones the skinned line draws count.
      const int index = offset + int(i);
      if (!item->OnAdvancedDrawItem || !item->OnMeasureItem) continue;
      vcl::TRect r{};
      if (!bar || !GetMenuItemRect(wnd, bar, UINT(index), &r)) continue;
      int32_t width = r.right - r.left;
      if (x + width > limit && x != left) {
        ++count;
        x = left;
      }
      x += width;
    }
  }
  menuLineCount_ = count;
  return count;
}

// ---- Frame image ----

vcl::TRect TsSkinProvider::GetShadowMargins() const {
  return borderForm_ ? borderForm_->GetShadowMargins() : vcl::TRect{0, 0, 0, 0};
}

int32_t TsSkinProvider::FrameImageWidth() const {
  vcl::TRect shadow = GetShadowMargins();
  int32_t width = Iconic() ? WindowWidth() : FormWidth() + (HasExtBorder() ? 2 * ExtBorderExcess() : 0);
  return width + shadow.left + shadow.right;
}

int32_t TsSkinProvider::FrameImageHeight() {
  if (Iconic()) return WindowHeight();
  if (!HasExtBorder()) return FormHeight();
  vcl::TRect shadow = GetShadowMargins();
  return ExtBorderExcess() + FormHeight() + ExtTitleExcess() + shadow.top + shadow.bottom +
         (MenuLineHeight() != 0 ? 1 : 0);
}

int32_t TsSkinProvider::ClientOffsetX() const {
  if (HasExtBorder()) return SideBorderWidth(true) + GetShadowMargins().left;
  return (WindowWidth() - ClientWidth()) / 2;
}

int32_t TsSkinProvider::ClientOffsetY() {
  if (HasExtBorder())
    return CaptionHeight(true) + MenuLineCount() * MenuLineHeight() + FormBorderWidthProp() + GetShadowMargins().top;
  int32_t bottom = (StyleOf(FormHandle()) & WS_BORDER) ? SideBorderWidth(true) : 0;
  return WindowHeight() - ClientHeight() - bottom;
}

int32_t TsSkinProvider::TopFrameHeight() {
  int32_t result;
  if (HasExtBorder()) {
    result = WndSysBorderWidth(false) + CaptionHeight(true);
  } else {
    int32_t frame = WindowHeight() - ClientHeight();
    if (CaptionHeight(true) != 0)
      result = frame - BottomBorderHeight(true);
    else
      result = frame - ((StyleOf(FormHandle()) & WS_BORDER) ? BottomBorderHeight(true) : 0);
  }
  result = std::max(result, 0);
  if (Iconic()) result += WndSysBorderWidth(false);
  return result;
}

vcl::TPoint TsSkinProvider::FrameOrigin() const {
  vcl::TRect r = WindowRect();
  return vcl::TPoint{r.left, r.top};
}

vcl::TPoint TsSkinProvider::ScreenToFrame(int32_t x, int32_t y) const {
  vcl::TPoint origin = FrameOrigin();
  return vcl::TPoint{x - origin.x, y - origin.y};
}

vcl::TPoint TsSkinProvider::ScreenToImage(int32_t x, int32_t y) const {
  vcl::TPoint p = ScreenToFrame(x, y);
  if (borderForm_) {
    p.x += borderForm_->LeftOffset();
    p.y += borderForm_->TopOffset();
  }
  return p;
}

// ---- Title icon and buttons ----

vcl::TRect TsSkinProvider::TitleIconRect() const {
  TsSkinManager* manager = Manager();
  const TsSkinData* data = manager ? manager->SkinData() : nullptr;
  vcl::TRect shadow = GetShadowMargins();
  vcl::TRect r{};
  r.left = WndBorderWidth(true) + (data ? data->BiLeft : 0) + shadow.left;
  r.right = r.left + TitleIconWidth();
  r.top = WndBorderWidth(false) / 2 + shadow.top - 1;
  r.top += (WndSysBorderWidth(false) + CaptionHeight(true) + shadow.top - r.top - TitleIconHeight()) / 2;
  r.bottom = r.top + TitleIconHeight();
  if (HasExtBorder() && data) {
    int32_t dy = data->CenterOffset;
    if (Zoomed() && data->TitleHeight != data->MaxHeight) dy += (data->TitleHeight - data->MaxHeight) / 2 - 2;
    r.top += dy;
    r.bottom += dy;
  }
  return r;
}

int32_t TsSkinProvider::ButtonHeight() const {
  TsSkinManager* manager = Manager();
  if (!manager || !manager->IsMaskIndexValid(ButtonClose.MaskIndex)) return 21;
  const TsMaskData& mask = manager->Masks[size_t(ButtonClose.MaskIndex)];
  if (mask.Image) return mask.Image->Height() / 2;
  return MaskFrameHeight(mask);
}

int32_t TsSkinProvider::ButtonWidth(const TitleButtonData& button) const {
  TsSkinManager* manager = Manager();
  if (!manager || !manager->IsMaskIndexValid(button.MaskIndex)) return 21;
  const TsMaskData& mask = manager->Masks[size_t(button.MaskIndex)];
  if (mask.Image) return mask.ImageCount > 0 ? mask.Image->Width() / mask.ImageCount : 0;
  return MaskFrameWidth(mask);
}

int32_t TsSkinProvider::UserButtonWidth(TsTitleButton* item) const {
  int32_t glyph = item->Glyph() && !item->Glyph()->Empty() ? item->Glyph()->Width() + 2 : 0;
  TsSkinManager* manager = Manager();
  int32_t plate = manager && manager->IsMaskIndexValid(titleButtonMask_)
                      ? MaskFrameWidth(manager->Masks[size_t(titleButtonMask_)])
                      : 21;
  return std::max(glyph, plate);
}

int32_t TsSkinProvider::ButtonsAreaWidth() {
  TsSkinManager* manager = Manager();
  const TsSkinData* data = manager ? manager->SkinData() : nullptr;
  int32_t space = data && HasBigButtons() ? data->BiSpace : 0;
  int32_t result = data ? data->BiRight : 0;
  if (systemMenu_ && systemMenu_->VisibleClose()) {
    result += ButtonWidth(ButtonClose);
    if (systemMenu_->VisibleMax()) result += ButtonWidth(ButtonMax) + space;
    if (systemMenu_->VisibleMin()) result += ButtonWidth(ButtonMin) + space;
    if (form_->BorderIcons().Contains(vcl::biHelp)) result += ButtonWidth(ButtonHelp) + space;
  }
  if (titleButtons_->Count() > 0) {
    result += 8;
    for (int i = 0; i < titleButtons_->Count(); ++i) result += UserButtonWidth(titleButtons_->Items(i)) + space;
  }
  return result;
}

int32_t TsSkinProvider::SystemButtonCount() {
  if (!systemMenu_ || !systemMenu_->VisibleClose()) return 0;
  return 1 + (systemMenu_->VisibleMax() ? 1 : 0) + (systemMenu_->VisibleMin() ? 1 : 0) +
         (form_->BorderIcons().Contains(vcl::biHelp) ? 1 : 0);
}

bool TsSkinProvider::GripVisible() const {
  return gripMode_ == gmRightBottom && form_ && form_->WindowState() != vcl::wsMaximized && HasThickFrame();
}

vcl::TPoint TsSkinProvider::GripPosition() {
  TsSkinManager* manager = Manager();
  int32_t mask = GlobalMask("GRIPIMAGE");
  int32_t w = 0, h = 0;
  if (manager && manager->IsMaskIndexValid(mask)) {
    w = MaskFrameWidth(manager->Masks[size_t(mask)]);
    h = MaskFrameHeight(manager->Masks[size_t(mask)]);
  }
  vcl::TRect shadow = GetShadowMargins();
  return vcl::TPoint{FrameImageWidth() - w - WndBorderWidth(true) - shadow.right - 1,
                     FrameImageHeight() - h - WndBorderWidth(true) - shadow.bottom - 1};
}

void TsSkinProvider::LayoutTitleButtons() {
  TsSkinManager* manager = Manager();
  const TsSkinData* data = manager ? manager->SkinData() : nullptr;
  vcl::TRect shadow = GetShadowMargins();
  bool big = HasBigButtons();
  int32_t space = data && big ? data->BiSpace : 0;
  int32_t x = FrameImageWidth() - (data ? data->BiRight : 0) - shadow.right - WndBorderWidth(true);
  int32_t height = ButtonHeight();

  auto top = [&](const TitleButtonData& button) {
    int32_t t;
    if (button.BigIcon && data && data->BiVAlign == 1) {
      t = shadow.top;
      if (Zoomed()) {
        if (form_->Constraints()->MaxWidth() == 0 && form_->Constraints()->MaxHeight() == 0)
          t += WndBorderWidth(false) - 1;
        if (HasExtBorder()) {
          if (data->TitleHeight != data->MaxHeight) t += data->TitleHeight - data->MaxHeight;
          if (data->BorderMode == 1) t += data->CenterOffset;
        }
      }
    } else {
      t = (WndSysBorderWidth(true) + CaptionHeight(true) - height) / 2 + shadow.top;
      if (HasExtBorder() && data) {
        if (data->BorderMode == 1) t += data->CenterOffset;
        if (Zoomed()) {
          t -= 2;
          if (data->TitleHeight != data->MaxHeight)
            t += (data->TitleHeight - data->MaxHeight - data->CenterOffset) / 2 - 2;
        }
        if (form_->WindowState() == vcl::wsMaximized) t += WndBorderWidth(false) / 2;
      }
      if (button.BigIcon && height < 16) t += 2;
    }
    return t;
  };
  auto place = [&](TitleButtonData& button, int32_t width) {
    button.Rect.right = x;
    button.Rect.left = x - width;
    button.Rect.top = top(button);
    button.Rect.bottom = button.Rect.top + height;
    x = button.Rect.left - space;
  };

  for (TitleButtonData* b : {&ButtonClose, &ButtonMax, &ButtonMin, &ButtonHelp}) b->Rect = vcl::TRect{};
  if (systemMenu_ && systemMenu_->VisibleClose()) {
    place(ButtonClose, ButtonWidth(ButtonClose));
    if (systemMenu_->VisibleMax()) place(ButtonMax, ButtonWidth(ButtonMax));
    if (systemMenu_->VisibleMin()) place(ButtonMin, ButtonWidth(ButtonMin));
    if (form_->BorderIcons().Contains(vcl::biHelp)) place(ButtonHelp, ButtonWidth(ButtonHelp));
  }
  if (titleButtons_->Count() > 0) {
    x -= 8;
    for (int i = 0; i < titleButtons_->Count(); ++i) {
      TsTitleButton* item = titleButtons_->Items(i);
      item->Data.Rect = vcl::TRect{};
      if (!item->Visible()) continue;
      item->Data.MaskIndex = item->UseSkinData() && manager && manager->IsMaskIndexValid(titleButtonMask_)
                                 ? titleButtonMask_
                                 : -1;
      item->Data.HitCode = kHitUserButton + i;
      item->Data.Rect.right = x;
      item->Data.Rect.left = x - UserButtonWidth(item);
      item->Data.Rect.top = top(item->Data);
      item->Data.Rect.bottom = item->Data.Rect.top + height;
      x = item->Data.Rect.left - space;
    }
  }
  LayoutChildButtons();
}

// ---- Hit test ----

int32_t TsSkinProvider::TitleButtonAt(vcl::TPoint framePoint, bool iconic) {
  TitleButtonsShown shown;
  if (systemMenu_) {
    shown.Close = systemMenu_->VisibleClose();
    shown.Max = systemMenu_->VisibleMax();
    shown.Min = systemMenu_->VisibleMin();
    shown.MaxActs = systemMenu_->EnabledMax() || (systemMenu_->EnabledRestore() && !iconic);
    shown.MinActs = iconic || systemMenu_->EnabledMin();
  }
  shown.Help = form_->BorderIcons().Contains(vcl::biHelp);
  const int32_t code = SystemTitleButtonHit(shown, ButtonClose, ButtonMax, ButtonMin, ButtonHelp,
                                            [framePoint](const vcl::TRect& r) { return RectHolds(r, framePoint); });
  return code != HTNOWHERE ? code : UserTitleButtonHit(titleButtons_.get(), framePoint);
}

int32_t TsSkinProvider::HitTest(vcl::TPoint screenPoint) {
  vcl::TPoint p = ScreenToFrame(screenPoint.x, screenPoint.y);
  int32_t width = FormWidth();
  int32_t height = FormHeight();

  // Title buttons: each laid-out button answers with its own code.
  if (!HasExtBorder()) {
    LayoutTitleButtons();
    const int32_t code = TitleButtonAt(p, Iconic());
    if (code != HTNOWHERE) {
      SetHotItem(code, true);
      return code;
    }
  }

  // Sizing edges.
  if (form_->WindowState() != vcl::wsMaximized && HasThickFrame() && !HasExtBorder()) {
    int32_t b = WndBorderWidth(true);
    int32_t code = HTNOWHERE;
    if (p.y > height - b)
      code = HTBOTTOM;
    else if (p.y < WndSysBorderWidth(false))
      code = HTTOP;
    if (p.x < b)
      code = code == HTTOP ? HTTOPLEFT : code == HTBOTTOM ? HTBOTTOMLEFT : HTLEFT;
    else if (p.x > width - b)
      code = code == HTTOP ? HTTOPRIGHT : code == HTBOTTOM ? HTBOTTOMRIGHT : HTRIGHT;
    if (code != HTNOWHERE) {
      SetHotItem(0, true);
      return code;
    }
  }

  // The title and the menu line below it.
  int32_t titleBottom = CaptionHeight(false) + WndSysBorderWidth(true);
  if (p.y >= 0 && p.y <= titleBottom) {
    int32_t menuTop = WndSysBorderWidth(false) + CaptionHeight(false);
    if (MenuLineHeight() != 0 && p.y >= menuTop && p.y <= menuTop + MenuLineHeight())
      return ChildButtonsShown() ? ChildButtonAt(p) : HTMENU;
    if (RectHolds(TitleIconRect(), p)) return HTSYSMENU;
    return HTCAPTION;
  }
  if (p.y > titleBottom + MenuLineHeight()) {
    int32_t code = HTCLIENT;
    TsSkinManager* manager = Manager();
    int32_t grip = GlobalMask("GRIPIMAGE");
    if (GripVisible() && manager && manager->IsMaskIndexValid(grip)) {
      vcl::TPoint g = GripPosition();
      if (HasExtBorder()) {
        vcl::TRect shadow = GetShadowMargins();
        g.x -= ExtBorderExcess() + shadow.left;
        g.y -= ExtTitleExcess() + shadow.top;
      }
      if (p.x >= g.x && p.y >= g.y) code = HTBOTTOMRIGHT;
    }
    SetHotItem(code == HTCLIENT ? 0 : code, true);
    return code;
  }
  return ChildButtonsShown() ? ChildButtonAt(p) : HTMENU;
}

// ---- Region ----

void TsSkinProvider::BuildRegionCutouts() {
  Cutouts.clear();
  TsSkinManager* manager = Manager();
  if (!manager) return;
  int32_t width = FrameImageWidth();
  if (manager->IsMaskIndexValid(skinData_->BorderMaskIndex)) {
    const TsMaskData& mask = manager->Masks[size_t(skinData_->BorderMaskIndex)];
    CollectCornerRects(Cutouts, width, mask, false, 0);
    CollectCornerRects(Cutouts, width, mask, true,
                       FormHeight() - manager->MaskMarginBottom(skinData_->BorderMaskIndex));
  }
  int32_t title = TitleSkinIndex();
  if (manager->IsSectionIndexValid(title)) {
    int32_t titleMask = manager->FindMaskIndex(title, TitleSectionName(), "BORDERSMASK");
    if (manager->IsMaskIndexValid(titleMask))
      CollectCornerRects(Cutouts, width, manager->Masks[size_t(titleMask)], false, 0);
  }
}

HRGN TsSkinProvider::CreateFrameRegion(int32_t x, int32_t y) {
  return RegionWithoutRects(x, y, FrameImageWidth(), FormHeight(), Cutouts);
}

void TsSkinProvider::SetWindowRegion(bool redraw) {
  HWND wnd = FormHandle();
  if (!wnd || !drawNonClientArea_ || RegionUpdating || (!HasBorder() && !Iconic())) return;
  // A window that handles its own region says so before its first frame is painted.
  if (!FirstPaintDone && uintptr_t(SendMessageA(wnd, kKeepRegionQuery, kKeepRegionAnswer, 0)) == kKeepRegionAnswer)
    return;
  if (form_->Parent() && form_->DragKind() == vcl::dkDock) {
    SetWindowRgn(wnd, nullptr, redraw);
    return;
  }
  RegionUpdating = true;
  HRGN region;
  if (HasExtBorder()) {
    // The border window shows the frame: the form keeps its client area and menu line.
    int32_t a = WndBorderWidth(false);
    int32_t t = Zoomed() && ShortTitle ? a + CaptionHeight(false) - 4
                                       : WndSysBorderWidth(false) + CaptionHeight(false) + a;
    region = CreateRectRgn(a, t, FormWidth() - a, FormHeight() - a);
  } else if (!Zoomed() || form_->Constraints()->MaxWidth() != 0 || form_->Constraints()->MaxHeight() != 0 ||
      form_->FormStyle() == vcl::fsMDIChild) {
    region = CreateFrameRegion(0, 0);
  } else {
    int32_t a = WndBorderWidth(false);
    int32_t s = WndSysBorderWidth(false);
    region = CreateRectRgn(a, s, FormWidth() - a, FormHeight() - s);
  }
  // The system owns the region from here on.
  regionSize_ = SIZE{FormWidth(), FormHeight()};
  SetWindowRgn(wnd, region, redraw);
  // The region matches the frame now: it is rebuilt only when something changes it again.
  RegionChanged = false;
  RegionUpdating = false;
}

// ---- Screen snap ----

void TsSkinProvider::SnapCoordinate(int& value, int32_t edge, int32_t buffer, int32_t offset) {
  if (std::abs(value + offset - edge) < buffer) value = edge - offset;
}

void TsSkinProvider::SnapToWorkArea(WINDOWPOS& pos) {
  if (Zoomed() || !screenSnap_ || (pos.flags & SWP_NOMOVE) || (pos.x == 0 && pos.y == 0)) return;
  vcl::TRect work = GetFormWorkArea(form_);
  int32_t e = ExtBorderExcess();
  int32_t width = (pos.flags & SWP_NOSIZE) ? FormWidth() : pos.cx;
  int32_t height = (pos.flags & SWP_NOSIZE) ? FormHeight() : pos.cy;
  SnapCoordinate(pos.x, work.right, snapBuffer_, width + e);
  SnapCoordinate(pos.y, work.bottom, snapBuffer_, height + e);
  SnapCoordinate(pos.x, work.left, snapBuffer_, -e);
  SnapCoordinate(pos.y, work.top, snapBuffer_, -ExtTitleExcess());
}

// ---- Maximised size ----

vcl::TRect TsSkinProvider::GetFormWorkArea(vcl::TCustomForm* form) {
  vcl::TRect area{};
  HMONITOR monitor = form && form->WindowHandle() ? MonitorFromWindow(form->WindowHandle(), MONITOR_DEFAULTTONEAREST)
                                                  : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (monitor && GetMonitorInfoA(monitor, &info))
    area = info.rcWork;
  else
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  return area;
}

void TsSkinProvider::AdjustMinMaxInfo(MINMAXINFO& info) {
  // Without an extended border the platform's maximised place (the frame just outside the work
  // area) is the right one: the window region cuts exactly that frame off. Moving the window
  // down by the frame, as the extended border's arithmetic does, would leave the top rows of
  // the work area uncovered.
  if (!drawNonClientArea_ || form_->BorderStyle() == vcl::bsNone || form_->FormStyle() == vcl::fsMDIChild ||
      form_->Parent() || !HasExtBorder())
    return;
  vcl::TRect work = GetFormWorkArea(form_);
  int32_t a = WndBorderWidth(false);
  int32_t d = 0;
  if ((StyleOf(FormHandle()) & WS_CAPTION) == WS_CAPTION) d = a;
  if (a + CaptionHeight(false) < CaptionHeight(true)) d = CaptionHeight(true) - CaptionHeight(false) - a;
  TsSkinManager* manager = Manager();
  const TsSkinData* data = manager ? manager->SkinData() : nullptr;
  int32_t e = !data || data->TitleHeight == data->MaxHeight ? 0 : data->TitleHeight + data->CenterOffset - data->MaxHeight;
  info.ptMaxPosition.y = d - a - e;
  info.ptMaxSize.x = 2 * a + (work.right - work.left);
  info.ptMaxSize.y = 2 * a + (work.bottom - work.top) + e - d;
}

}  // namespace skin
