// The tool bar over ToolbarWindow32 and its buttons. The buttons are the bar window's own
// entries; the TToolButton components only describe them and take their places from the bar.
#include <algorithm>

#include "vcl/stdctrls/comctrls.h"
#include "vcl/controls/menus.h"
#include "vcl/runtime/sysutils.h"
#include "vcl/classes/typeinfo.h"

namespace vcl {

namespace {
// Command identifiers of the bar's entries: the button's position plus this.
constexpr int kFirstButtonId = 1;

BYTE ButtonStyleBits(TToolButtonStyle style) {
  switch (style) {
    case tbsCheck: return BTNS_CHECK;
    case tbsDropDown: return BTNS_DROPDOWN;
    case tbsSeparator:
    case tbsDivider: return BTNS_SEP;
    default: return BTNS_BUTTON;
  }
}
}  // namespace

// ---- TToolButton -----------------------------------------------------------------------------

TToolButton::TToolButton(TComponent* owner) : TGraphicControl(owner) {
  SetControlStyle(TControlStyle{csCaptureMouse, csSetCaption, csClickEvents});
  SetBounds(0, 0, 23, 22);
}

TToolButton::~TToolButton() {
  if (TToolBar* bar = ToolBar()) bar->RemoveButton(this);
}

TToolBar* TToolButton::ToolBar() const { return dynamic_cast<TToolBar*>(Parent()); }

int TToolButton::Index() const {
  TToolBar* bar = ToolBar();
  if (!bar) return -1;
  auto it = std::find(bar->buttons_.begin(), bar->buttons_.end(), this);
  return it == bar->buttons_.end() ? -1 : static_cast<int>(it - bar->buttons_.begin());
}

void TToolButton::SetParent(TWinControl* parent) {
  if (TToolBar* old = ToolBar(); old && old != parent) old->RemoveButton(this);
  TGraphicControl::SetParent(parent);
  if (TToolBar* bar = ToolBar()) bar->InsertButton(this);
}

void TToolButton::Changed() {
  if (TToolBar* bar = ToolBar()) bar->UpdateButton(this);
}

void TToolButton::SetStyle(TToolButtonStyle value) {
  if (style_ == value) return;
  style_ = value;
  if (TToolBar* bar = ToolBar()) bar->RecreateButtons();
}

void TToolButton::SetImageIndex(int value) {
  imageIndex_ = value;
  Changed();
}

void TToolButton::SetDown(bool value) {
  if (down_ == value) return;
  down_ = value;
  // A grouped check button going down releases its group's other buttons.
  if (value && grouped_ && style_ == tbsCheck)
    if (TToolBar* bar = ToolBar()) {
      int index = Index();
      for (int i = index - 1; i >= 0 && bar->buttons_[static_cast<std::size_t>(i)]->grouped_ &&
                              bar->buttons_[static_cast<std::size_t>(i)]->style_ == tbsCheck;
           --i)
        bar->buttons_[static_cast<std::size_t>(i)]->SetDown(false);
      for (int i = index + 1; i < bar->ButtonCount() && bar->buttons_[static_cast<std::size_t>(i)]->grouped_ &&
                              bar->buttons_[static_cast<std::size_t>(i)]->style_ == tbsCheck;
           ++i)
        bar->buttons_[static_cast<std::size_t>(i)]->SetDown(false);
    }
  Changed();
}

void TToolButton::SetGrouped(bool value) {
  if (grouped_ == value) return;
  grouped_ = value;
  if (TToolBar* bar = ToolBar()) bar->RecreateButtons();
}

void TToolButton::SetMarked(bool value) {
  marked_ = value;
  Changed();
}

void TToolButton::SetIndeterminate(bool value) {
  indeterminate_ = value;
  Changed();
}

void TToolButton::SetDropdownMenu(TPopupMenu* value) {
  if (dropdownMenu_) dropdownMenu_->RemoveFreeNotification(this);
  dropdownMenu_ = value;
  if (value) value->FreeNotification(this);
}

void TToolButton::Notification(TComponent* component, TOperation operation) {
  TGraphicControl::Notification(component, operation);
  if (operation == opRemove && component == dropdownMenu_) dropdownMenu_ = nullptr;
}

void TToolButton::Click() {
  if (style_ == tbsCheck) {
    TToolBar* bar = ToolBar();
    bool checked = bar && bar->HandleAllocated() &&
                   SendMessageA(bar->Handle(), TB_ISBUTTONCHECKED, static_cast<WPARAM>(Index() + kFirstButtonId), 0) != 0;
    if (grouped_ && !checked && down_ && !allowAllUp_) {
      Changed();  // the last button of a group stays down
    } else {
      SetDown(checked);
    }
  }
  TGraphicControl::Click();
}

// ---- TToolBar --------------------------------------------------------------------------------

TToolBar::TToolBar(TComponent* owner) : TWinControl(owner), canvas_(std::make_unique<TControlCanvas>()) {
  canvas_->SetControl(this);
  SetControlStyle(TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csDoubleClicks, csMenuEvents,
                                csSetCaption});
  SetBounds(0, 0, 150, 29);
  SetAlign(alTop);
}

TToolBar::~TToolBar() {
  // The buttons are children: they must not call back into the half-destroyed bar.
  std::vector<TToolButton*> buttons = buttons_;
  buttons_.clear();
  for (TToolButton* button : buttons) button->SetParent(nullptr);
}

TToolButton* TToolBar::Buttons(int index) const {
  if (index < 0 || index >= ButtonCount()) throw EListError(Format("List index out of bounds (%d)", index));
  return buttons_[static_cast<std::size_t>(index)];
}

void TToolBar::CreateParams(TCreateParams& params) {
  InitCommonControlClasses();
  TWinControl::CreateParams(params);
  CreateSubClass(params, TOOLBARCLASSNAMEA);
  params.Style |= CCS_NOPARENTALIGN | CCS_NOMOVEY | CCS_NORESIZE | CCS_NODIVIDER | TBSTYLE_TOOLTIPS;
  if (flat_) params.Style |= TBSTYLE_FLAT;
  if (list_) params.Style |= TBSTYLE_LIST;
  if (wrapable_) params.Style |= TBSTYLE_WRAPABLE;
  params.WindowClass.style &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
}

void TToolBar::CreateWnd() {
  TWinControl::CreateWnd();
  HWND wnd = Handle();
  SendMessageA(wnd, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageA(wnd, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
  if (images_) SendMessageA(wnd, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_->Handle()));
  RecreateButtons();
}

void TToolBar::InsertButton(TToolButton* button) {
  if (std::find(buttons_.begin(), buttons_.end(), button) != buttons_.end()) return;
  // A button goes where its Left puts it among the others.
  auto it = std::find_if(buttons_.begin(), buttons_.end(),
                         [button](TToolButton* other) { return other->Left() > button->Left(); });
  buttons_.insert(it, button);
  RecreateButtons();
}

void TToolBar::RemoveButton(TToolButton* button) {
  auto it = std::find(buttons_.begin(), buttons_.end(), button);
  if (it == buttons_.end()) return;
  buttons_.erase(it);
  RecreateButtons();
}

void TToolBar::RecreateButtons() {
  if (!HandleAllocated() || ComponentState().Contains(csDestroying)) return;
  HWND wnd = Handle();
  while (SendMessageA(wnd, TB_BUTTONCOUNT, 0, 0) > 0) SendMessageA(wnd, TB_DELETEBUTTON, 0, 0);
  SendMessageA(wnd, TB_SETBUTTONSIZE, 0, MAKELPARAM(buttonWidth_, buttonHeight_));
  for (std::size_t i = 0; i < buttons_.size(); ++i) {
    TToolButton* button = buttons_[i];
    std::string caption = button->Caption();
    TBBUTTON entry{};
    entry.iBitmap = button->Style() == tbsSeparator || button->Style() == tbsDivider
                        ? button->Width()
                        : (images_ && button->ImageIndex() >= 0 ? button->ImageIndex() : I_IMAGENONE);
    entry.idCommand = static_cast<int>(i) + kFirstButtonId;
    entry.fsStyle = ButtonStyleBits(button->Style());
    if (button->Grouped()) entry.fsStyle |= BTNS_GROUP;
    entry.fsState = static_cast<BYTE>((button->Enabled() ? TBSTATE_ENABLED : 0) | (button->Down() ? TBSTATE_CHECKED : 0) |
                                      (button->Indeterminate() ? TBSTATE_INDETERMINATE : 0) |
                                      (button->Marked() ? TBSTATE_MARKED : 0) | (button->Visible() ? 0 : TBSTATE_HIDDEN));
    entry.dwData = reinterpret_cast<DWORD_PTR>(button);
    entry.iString = showCaptions_ && !caption.empty() ? reinterpret_cast<INT_PTR>(caption.c_str()) : -1;
    SendMessageA(wnd, TB_INSERTBUTTONA, i, reinterpret_cast<LPARAM>(&entry));
  }
  SendMessageA(wnd, TB_AUTOSIZE, 0, 0);
  UpdateButtonBounds();
}

void TToolBar::UpdateButton(TToolButton* button) {
  if (!HandleAllocated()) return;
  int id = button->Index() + kFirstButtonId;
  TBBUTTONINFOA info{};
  info.cbSize = sizeof(info);
  info.dwMask = TBIF_STATE | TBIF_IMAGE;
  info.fsState = static_cast<BYTE>((button->Enabled() ? TBSTATE_ENABLED : 0) | (button->Down() ? TBSTATE_CHECKED : 0) |
                                   (button->Indeterminate() ? TBSTATE_INDETERMINATE : 0) |
                                   (button->Marked() ? TBSTATE_MARKED : 0) | (button->Visible() ? 0 : TBSTATE_HIDDEN));
  info.iImage = images_ && button->ImageIndex() >= 0 ? button->ImageIndex() : I_IMAGENONE;
  SendMessageA(Handle(), TB_SETBUTTONINFOA, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&info));
}

// The components take the places the bar's window gave its entries.
void TToolBar::UpdateButtonBounds() {
  if (!HandleAllocated()) return;
  for (std::size_t i = 0; i < buttons_.size(); ++i) {
    RECT rect{};
    if (SendMessageA(Handle(), TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rect)))
      buttons_[i]->TControl::SetBounds(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  }
}

void TToolBar::AlignControls(TControl* control, TRect& rect) {
  (void)control;
  (void)rect;
  UpdateButtonBounds();
}

void TToolBar::SetButtonHeight(int value) {
  buttonHeight_ = value;
  RecreateButtons();
}

void TToolBar::SetButtonWidth(int value) {
  buttonWidth_ = value;
  RecreateButtons();
}

void TToolBar::SetFlat(bool value) {
  if (flat_ == value) return;
  flat_ = value;
  RecreateWnd();
}

void TToolBar::SetList(bool value) {
  if (list_ == value) return;
  list_ = value;
  RecreateWnd();
}

void TToolBar::SetShowCaptions(bool value) {
  if (showCaptions_ == value) return;
  showCaptions_ = value;
  RecreateButtons();
}

void TToolBar::SetWrapable(bool value) {
  if (wrapable_ == value) return;
  wrapable_ = value;
  RecreateWnd();
}

void TToolBar::SetImages(TCustomImageList* value) {
  if (images_) images_->RemoveFreeNotification(this);
  images_ = value;
  if (value) value->FreeNotification(this);
  if (HandleAllocated()) {
    SendMessageA(Handle(), TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(value ? value->Handle() : nullptr));
    RecreateButtons();
  }
}

void TToolBar::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation == opRemove && component == images_) {
    images_ = nullptr;
    if (HandleAllocated() && !ComponentState().Contains(csDestroying)) SendMessageA(WindowHandle(), TB_SETIMAGELIST, 0, 0);
  }
}

void TToolBar::GetChildren(const TGetChildProc& proc, TComponent* root) {
  (void)root;
  for (TToolButton* button : buttons_) proc(button);
}

// The bar's window takes its own mouse input: the button components are not in its way.
void TToolBar::WndProc(TMessage& message) {
  if (message.Msg >= WM_MOUSEFIRST && message.Msg <= WM_MOUSELAST && HandleAllocated()) {
    DefaultHandler(message);
    return;
  }
  TWinControl::WndProc(message);
}

LRESULT TToolBar::CustomDraw(NMTBCUSTOMDRAW* draw) {
  NMCUSTOMDRAW& nm = draw->nmcd;
  const bool barEvent = static_cast<bool>(OnAdvancedCustomDraw);
  const bool buttonEvent = static_cast<bool>(OnAdvancedCustomDrawButton);
  if (!barEvent && !buttonEvent) return CDRF_DODEFAULT;
  const bool item = (nm.dwDrawStage & CDDS_ITEM) != 0;
  const DWORD stage = nm.dwDrawStage & ~static_cast<DWORD>(CDDS_ITEM);
  TCustomDrawStage drawStage = stage == CDDS_PREPAINT    ? cdPrePaint
                               : stage == CDDS_POSTPAINT ? cdPostPaint
                               : stage == CDDS_PREERASE  ? cdPreErase
                                                         : cdPostErase;
  bool defaultDraw = true;
  LRESULT result = CDRF_DODEFAULT;
  canvas_->SetHandle(nm.hdc);
  try {
    if (!item) {
      if (barEvent) OnAdvancedCustomDraw(this, nm.rc, drawStage, defaultDraw);
      result = defaultDraw ? (buttonEvent ? CDRF_NOTIFYITEMDRAW : CDRF_DODEFAULT) | CDRF_NOTIFYPOSTPAINT : CDRF_SKIPDEFAULT;
    } else if (buttonEvent) {
      int index = static_cast<int>(nm.dwItemSpec) - kFirstButtonId;
      if (index >= 0 && index < ButtonCount()) {
        TCustomDrawState state;
        if (nm.uItemState & CDIS_SELECTED) state.Include(cdsSelected);
        if (nm.uItemState & CDIS_GRAYED) state.Include(cdsGrayed);
        if (nm.uItemState & CDIS_DISABLED) state.Include(cdsDisabled);
        if (nm.uItemState & CDIS_CHECKED) state.Include(cdsChecked);
        if (nm.uItemState & CDIS_FOCUS) state.Include(cdsFocused);
        if (nm.uItemState & CDIS_DEFAULT) state.Include(cdsDefault);
        if (nm.uItemState & CDIS_HOT) state.Include(cdsHot);
        if (nm.uItemState & CDIS_MARKED) state.Include(cdsMarked);
        if (nm.uItemState & CDIS_INDETERMINATE) state.Include(cdsIndeterminate);
        TTBCustomDrawFlags flags;
        OnAdvancedCustomDrawButton(this, buttons_[static_cast<std::size_t>(index)], state, drawStage, flags, defaultDraw);
        if (!defaultDraw) {
          result = CDRF_SKIPDEFAULT;
        } else {
          result = CDRF_NOTIFYPOSTPAINT;
          if (flags.Contains(tbNoEdges)) result |= TBCDRF_NOEDGES;
          if (flags.Contains(tbHiliteHotTrack)) result |= TBCDRF_HILITEHOTTRACK;
          if (flags.Contains(tbNoOffset)) result |= TBCDRF_NOOFFSET;
          if (flags.Contains(tbNoMark)) result |= TBCDRF_NOMARK;
          if (flags.Contains(tbNoEtchedEffect)) result |= TBCDRF_NOETCHEDEFFECT;
        }
      }
    }
  } catch (...) {
    canvas_->SetHandle(nullptr);
    throw;
  }
  canvas_->SetHandle(nullptr);
  return result;
}

void TToolBar::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case CN_COMMAND: {
      int index = LOWORD(message.WParam) - kFirstButtonId;
      if (index >= 0 && index < ButtonCount()) buttons_[static_cast<std::size_t>(index)]->Click();
      message.Result = 0;
      return;
    }
    case CN_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(message.LParam);
      if (header->code == static_cast<UINT>(NM_CUSTOMDRAW)) {
        message.Result = CustomDraw(reinterpret_cast<NMTBCUSTOMDRAW*>(message.LParam));
        return;
      }
      if (header->code == static_cast<UINT>(TBN_DROPDOWN)) {
        auto* toolbar = reinterpret_cast<NMTOOLBARA*>(message.LParam);
        int index = toolbar->iItem - kFirstButtonId;
        if (index >= 0 && index < ButtonCount()) {
          TToolButton* button = buttons_[static_cast<std::size_t>(index)];
          if (TPopupMenu* menu = button->DropdownMenu()) {
            RECT rect{};
            SendMessageA(Handle(), TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rect));
            POINT below{rect.left, rect.bottom};
            ::ClientToScreen(Handle(), &below);
            menu->SetPopupComponent(button);
            menu->Popup(below.x, below.y);
          } else {
            button->Click();
          }
        }
        message.Result = TBDDRET_DEFAULT;
        return;
      }
      break;
    }
    default:
      break;
  }
  TWinControl::Dispatch(message);
  if (message.Msg == WM_SIZE) UpdateButtonBounds();
}

// ---- Published properties --------------------------------------------------------------------

VCL_PUBLISHED(TToolButton, p) {
  p.Bool("AllowAllUp", &TToolButton::AllowAllUp, &TToolButton::SetAllowAllUp, false)
      .Bool("Down", &TToolButton::Down, &TToolButton::SetDown, false)
      .Component("DropdownMenu", &TToolButton::DropdownMenu, &TToolButton::SetDropdownMenu)
      .Bool("Grouped", &TToolButton::Grouped, &TToolButton::SetGrouped, false)
      .Integer("ImageIndex", &TToolButton::ImageIndex, &TToolButton::SetImageIndex, -1)
      .Bool("Indeterminate", &TToolButton::Indeterminate, &TToolButton::SetIndeterminate, false)
      .Bool("Marked", &TToolButton::Marked, &TToolButton::SetMarked, false)
      .Enum("Style", &TToolButton::Style, &TToolButton::SetStyle,
            {"tbsButton", "tbsCheck", "tbsDropDown", "tbsSeparator", "tbsDivider"}, tbsButton);
}

VCL_PUBLISHED(TToolBar, p) {
  p.Enum("Align", &TToolBar::Align, &TToolBar::SetAlign,
         {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom"}, alTop)
      .Integer("ButtonHeight", &TToolBar::ButtonHeight, &TToolBar::SetButtonHeight, 22)
      .Integer("ButtonWidth", &TToolBar::ButtonWidth, &TToolBar::SetButtonWidth, 23)
      .Set("EdgeBorders", &TToolBar::EdgeBorders, &TToolBar::SetEdgeBorders, {"ebLeft", "ebTop", "ebRight", "ebBottom"},
           TEdgeBorders{ebTop})
      .Enum("EdgeInner", &TToolBar::EdgeInner, &TToolBar::SetEdgeInner, {"esNone", "esRaised", "esLowered"}, esRaised)
      .Enum("EdgeOuter", &TToolBar::EdgeOuter, &TToolBar::SetEdgeOuter, {"esNone", "esRaised", "esLowered"}, esLowered)
      .Bool("Flat", &TToolBar::Flat, &TToolBar::SetFlat, false)
      .Component("Images", &TToolBar::Images, &TToolBar::SetImages)
      .Bool("List", &TToolBar::List, &TToolBar::SetList, false)
      .Bool("ShowCaptions", &TToolBar::ShowCaptions, &TToolBar::SetShowCaptions, false)
      .Bool("Wrapable", &TToolBar::Wrapable, &TToolBar::SetWrapable, true)
      .Event("OnAdvancedCustomDraw", &TToolBar::OnAdvancedCustomDraw)
      .Event("OnAdvancedCustomDrawButton", &TToolBar::OnAdvancedCustomDrawButton);
}

}  // namespace vcl
