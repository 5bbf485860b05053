// Tab controls and page controls over SysTabControl32, and the pages of a page control.
#include <algorithm>

#include "vcl/stdctrls/comctrls.h"
#include "vcl/runtime/sysutils.h"
#include "vcl/classes/typeinfo.h"

namespace vcl {

// ---- TCustomTabControl -----------------------------------------------------------------------

TCustomTabControl::TCustomTabControl(TComponent* owner)
    : TWinControl(owner), tabs_(std::make_unique<TListControlItems>(this)) {
  SetControlStyle(TControlStyle{csAcceptsControls, csDoubleClicks});
  SetBounds(0, 0, 289, 193);
  SetTabStop(true);
}

TCustomTabControl::~TCustomTabControl() = default;

void TCustomTabControl::CreateParams(TCreateParams& params) {
  InitCommonControlClasses();
  TWinControl::CreateParams(params);
  CreateSubClass(params, WC_TABCONTROLA);
  params.Style |= WS_CLIPCHILDREN;
  if (multiLine_) params.Style |= TCS_MULTILINE;
  if (hotTrack_) params.Style |= TCS_HOTTRACK;
  if (style_ == tsButtons) params.Style |= TCS_BUTTONS;
  if (style_ == tsFlatButtons) params.Style |= TCS_BUTTONS | TCS_FLATBUTTONS;
  switch (tabPosition_) {
    case tpTop: break;
    case tpBottom: params.Style |= TCS_BOTTOM; break;
    case tpLeft: params.Style |= TCS_VERTICAL | TCS_MULTILINE; break;
    case tpRight: params.Style |= TCS_VERTICAL | TCS_RIGHT | TCS_MULTILINE; break;
  }
  params.WindowClass.style &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
}

void TCustomTabControl::CreateWnd() {
  TWinControl::CreateWnd();
  HWND wnd = Handle();
  if (images_) SendMessageA(wnd, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_->Handle()));
  for (int i = 0; i < tabs_->Count(); ++i) {
    std::string text = tabs_->Strings(i);
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = text.data();
    SendMessageA(wnd, TCM_INSERTITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
  }
  SendMessageA(wnd, TCM_SETCURSEL, static_cast<WPARAM>(tabIndex_), 0);
  Realign();
}

void TCustomTabControl::DestroyWnd() {
  tabIndex_ = TabIndex();
  TWinControl::DestroyWnd();
}

void TCustomTabControl::ItemInserted(int index, const std::string& text) {
  if (HandleAllocated()) {
    std::string copy = text;
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = copy.data();
    SendMessageA(Handle(), TCM_INSERTITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    Realign();
  } else {
    TListControlItems::FollowInsert(tabIndex_, index);
  }
}

void TCustomTabControl::ItemDeleted(int index) {
  if (HandleAllocated()) {
    SendMessageA(Handle(), TCM_DELETEITEM, static_cast<WPARAM>(index), 0);
    Realign();
  } else {
    TListControlItems::FollowDelete(tabIndex_, index);
  }
}

void TCustomTabControl::ItemsCleared() {
  tabIndex_ = -1;
  if (HandleAllocated()) SendMessageA(Handle(), TCM_DELETEALLITEMS, 0, 0);
}

int TCustomTabControl::TabIndex() {
  if (HandleAllocated()) return static_cast<int>(SendMessageA(WindowHandle(), TCM_GETCURSEL, 0, 0));
  return tabIndex_;
}

void TCustomTabControl::SetTabIndex(int value) {
  if (value < -1 || value >= tabs_->Count()) value = -1;
  tabIndex_ = value;
  if (HandleAllocated()) SendMessageA(Handle(), TCM_SETCURSEL, static_cast<WPARAM>(value), 0);
}

void TCustomTabControl::SetMultiLine(bool value) {
  if (multiLine_ == value) return;
  multiLine_ = value;
  RecreateWnd();
}

void TCustomTabControl::SetTabPosition(TTabPosition value) {
  if (tabPosition_ == value) return;
  tabPosition_ = value;
  RecreateWnd();
}

void TCustomTabControl::SetStyle(TTabStyle value) {
  if (style_ == value) return;
  style_ = value;
  RecreateWnd();
}

void TCustomTabControl::SetHotTrack(bool value) {
  if (hotTrack_ == value) return;
  hotTrack_ = value;
  RecreateWnd();
}

void TCustomTabControl::SetImages(TCustomImageList* value) {
  if (images_) images_->RemoveFreeNotification(this);
  images_ = value;
  if (value) value->FreeNotification(this);
  if (HandleAllocated())
    SendMessageA(Handle(), TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(value ? value->Handle() : nullptr));
}

void TCustomTabControl::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation == opRemove && component == images_) {
    images_ = nullptr;
    if (HandleAllocated() && !ComponentState().Contains(csDestroying)) SendMessageA(WindowHandle(), TCM_SETIMAGELIST, 0, 0);
  }
}

TRect TCustomTabControl::DisplayRect() {
  RECT rect = TWinControl::ClientRect();
  if (HandleAllocated()) SendMessageA(Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&rect));
  return rect;
}

int TCustomTabControl::IndexOfTabAt(int x, int y) {
  TCHITTESTINFO hit{};
  hit.pt = POINT{x, y};
  return static_cast<int>(SendMessageA(Handle(), TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
}

int TCustomTabControl::RowCount() {
  return HandleAllocated() ? static_cast<int>(SendMessageA(Handle(), TCM_GETROWCOUNT, 0, 0)) : 0;
}

void TCustomTabControl::AdjustClientRect(TRect& rect) {
  rect = DisplayRect();
  TWinControl::AdjustClientRect(rect);
}

bool TCustomTabControl::CanChange() {
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  return allow;
}

void TCustomTabControl::Change() {
  if (OnChange) OnChange(this);
}

void TCustomTabControl::Dispatch(TMessage& message) {
  if (message.Msg == CN_NOTIFY) {
    auto* header = reinterpret_cast<NMHDR*>(message.LParam);
    if (header->code == static_cast<UINT>(TCN_SELCHANGING)) {
      message.Result = CanChange() ? FALSE : TRUE;
      return;
    }
    if (header->code == static_cast<UINT>(TCN_SELCHANGE)) {
      Change();
      return;
    }
  }
  TWinControl::Dispatch(message);
  if (message.Msg == WM_SIZE) Realign();
}

// ---- TTabSheet -------------------------------------------------------------------------------

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) {
  SetAlign(alClient);
  SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls});
  SetVisible(false);
}

TTabSheet::~TTabSheet() {
  if (pageControl_) pageControl_->RemovePage(this);
}

void TTabSheet::SetPageControl(TPageControl* value) {
  if (pageControl_ == value) return;
  SetParent(value);
}

void TTabSheet::SetParent(TWinControl* parent) {
  TPageControl* pageControl = dynamic_cast<TPageControl*>(parent);
  if (pageControl_ && pageControl_ != pageControl) {
    TPageControl* old = pageControl_;
    pageControl_ = nullptr;
    old->RemovePage(this);
  }
  TWinControl::SetParent(parent);
  if (pageControl && pageControl_ != pageControl) {
    pageControl_ = pageControl;
    pageControl->InsertPage(this);
  }
}

void TTabSheet::ReadState(TReader* reader) { TWinControl::ReadState(reader); }

int TTabSheet::PageIndex() const {
  if (!pageControl_) return -1;
  auto& pages = pageControl_->pages_;
  return static_cast<int>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::SetPageIndex(int value) {
  if (!pageControl_) return;
  auto& pages = pageControl_->pages_;
  int current = PageIndex();
  value = std::clamp(value, 0, static_cast<int>(pages.size()) - 1);
  if (value == current) return;
  pages.erase(pages.begin() + current);
  pages.insert(pages.begin() + value, this);
  pageControl_->UpdateTabs();
}

int TTabSheet::TabIndex() const {
  if (!pageControl_ || !tabVisible_) return -1;
  int index = 0;
  for (TTabSheet* page : pageControl_->pages_) {
    if (page == this) return index;
    if (page->tabVisible_) ++index;
  }
  return -1;
}

void TTabSheet::SetTabVisible(bool value) {
  if (tabVisible_ == value) return;
  tabVisible_ = value;
  if (pageControl_) pageControl_->UpdateTabs();
}

void TTabSheet::SetImageIndex(int value) {
  imageIndex_ = value;
  if (pageControl_) pageControl_->UpdateTabs();
}

void TTabSheet::Dispatch(TMessage& message) {
  TWinControl::Dispatch(message);
  if (message.Msg == CM_TEXTCHANGED && pageControl_) pageControl_->UpdateTabs();
}

// ---- TPageControl ----------------------------------------------------------------------------

TPageControl::TPageControl(TComponent* owner) : TCustomTabControl(owner) {
  SetControlStyle(TControlStyle{csDoubleClicks});
}

TPageControl::~TPageControl() {
  // The sheets outlive this part of the control as children: they must not call back.
  for (TTabSheet* page : pages_) page->pageControl_ = nullptr;
  pages_.clear();
}

TTabSheet* TPageControl::Pages(int index) const {
  if (index < 0 || index >= PageCount()) throw EListError(Format("List index out of bounds (%d)", index));
  return pages_[static_cast<std::size_t>(index)];
}

int TPageControl::ActivePageIndex() const { return activePage_ ? activePage_->PageIndex() : -1; }

void TPageControl::SetActivePageIndex(int value) {
  SetActivePage(value >= 0 && value < PageCount() ? pages_[static_cast<std::size_t>(value)] : nullptr);
}

void TPageControl::InsertPage(TTabSheet* page) {
  pages_.push_back(page);
  UpdateTabs();
}

void TPageControl::RemovePage(TTabSheet* page) {
  TTabSheet* next = activePage_ == page ? FindNextPage(page, true, false) : activePage_;
  if (next == page) next = nullptr;
  std::erase(pages_, page);
  page->pageControl_ = nullptr;
  if (activePage_ == page) activePage_ = nullptr;
  UpdateTabs();
  if (next != activePage_) SetActivePage(next);
}

void TPageControl::UpdateTabs() {
  updatingTabs_ = true;
  TabItems()->Clear();
  for (TTabSheet* page : pages_)
    if (page->TabVisible()) TabItems()->Add(page->Caption());
  SetTabIndex(activePage_ ? activePage_->TabIndex() : -1);
  updatingTabs_ = false;
}

void TPageControl::ShowPage(TTabSheet* page) {
  TTabSheet* old = activePage_;
  activePage_ = page;
  if (page) {
    page->BringToFront();
    page->SetVisible(true);
    if (page->OnShow) page->OnShow(page);
  }
  if (old && old != page) {
    old->SetVisible(false);
    if (old->OnHide) old->OnHide(old);
  }
}

void TPageControl::SetActivePage(TTabSheet* page) {
  if (page && page->PageControl() != this) return;
  if (page == activePage_) return;
  ShowPage(page);
  SetTabIndex(page ? page->TabIndex() : -1);
}

TTabSheet* TPageControl::FindNextPage(TTabSheet* current, bool goForward, bool checkTabVisible) {
  if (pages_.empty()) return nullptr;
  int count = PageCount();
  int start = current ? current->PageIndex() : (goForward ? count - 1 : 0);
  int i = start;
  do {
    i = goForward ? (i + 1) % count : (i + count - 1) % count;
    TTabSheet* page = pages_[static_cast<std::size_t>(i)];
    if (!checkTabVisible || page->TabVisible()) return page;
  } while (i != start);
  return nullptr;
}

void TPageControl::SelectNextPage(bool goForward) {
  TTabSheet* page = FindNextPage(activePage_, goForward, true);
  if (page && page != activePage_ && CanChange()) {
    SetActivePage(page);
    TCustomTabControl::Change();
  }
}

void TPageControl::Change() {
  if (updatingTabs_) return;
  int tab = TabIndex();
  for (TTabSheet* page : pages_)
    if (page->TabIndex() == tab && tab >= 0) {
      ShowPage(page);
      break;
    }
  TCustomTabControl::Change();
}

void TPageControl::Loaded() {
  TCustomTabControl::Loaded();
  UpdateTabs();
  if (activePage_) ShowPage(activePage_);
}

void TPageControl::GetChildren(const TGetChildProc& proc, TComponent* root) {
  (void)root;
  for (TTabSheet* page : pages_) proc(page);
}

void TPageControl::Dispatch(TMessage& message) { TCustomTabControl::Dispatch(message); }

// ---- Published properties --------------------------------------------------------------------

namespace {
const TEnumNames kTabPositionNames{"tpTop", "tpBottom", "tpLeft", "tpRight"};
const TEnumNames kTabStyleNames{"tsTabs", "tsButtons", "tsFlatButtons"};
}  // namespace

VCL_PUBLISHED(TCustomTabControl, p) {
  p.Bool("HotTrack", &TCustomTabControl::HotTrack, &TCustomTabControl::SetHotTrack, false)
      .Component("Images", &TCustomTabControl::Images, &TCustomTabControl::SetImages)
      .Bool("MultiLine", &TCustomTabControl::MultiLine, &TCustomTabControl::SetMultiLine, false)
      .Enum("Style", &TCustomTabControl::Style, &TCustomTabControl::SetStyle, kTabStyleNames, tsTabs)
      .Enum("TabPosition", &TCustomTabControl::TabPosition, &TCustomTabControl::SetTabPosition, kTabPositionNames,
            tpTop)
      .Bool("TabStop", &TCustomTabControl::TabStop, &TCustomTabControl::SetTabStop, true)
      .Event("OnChange", &TCustomTabControl::OnChange)
      .Event("OnChanging", &TCustomTabControl::OnChanging);
}

VCL_PUBLISHED(TTabControl, p) {
  p.Object("Tabs", &TTabControl::Tabs, &TTabControl::SetTabs)
      .Integer("TabIndex", &TTabControl::TabIndex, &TTabControl::SetTabIndex, -1);
}

VCL_PUBLISHED(TTabSheet, p) {
  p.Component("PageControl", &TTabSheet::PageControl, &TTabSheet::SetPageControl)
      .Stored(false)
      .Integer("ImageIndex", &TTabSheet::ImageIndex, &TTabSheet::SetImageIndex, 0)
      .Integer("PageIndex", &TTabSheet::PageIndex, &TTabSheet::SetPageIndex)
      .Stored(false)
      .Bool("TabVisible", &TTabSheet::TabVisible, &TTabSheet::SetTabVisible, true)
      .Event("OnHide", &TTabSheet::OnHide)
      .Event("OnShow", &TTabSheet::OnShow);
}

VCL_PUBLISHED(TPageControl, p) {
  p.Component("ActivePage", &TPageControl::ActivePage, &TPageControl::SetActivePage);
}

}  // namespace vcl
