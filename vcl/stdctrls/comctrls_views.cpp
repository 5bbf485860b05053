// List view, tree view and header control over SysListView32, SysTreeView32 and SysHeader32.
#include <algorithm>

#include "vcl/stdctrls/comctrls.h"
#include "vcl/runtime/sysutils.h"
#include "vcl/classes/typeinfo.h"

namespace vcl {

namespace {
void AddBorder(TWinControl* control, TBorderStyle style, TCreateParams& params) {
  if (style != bsSingle) return;
  if (control->Ctl3D())
    params.ExStyle |= WS_EX_CLIENTEDGE;
  else
    params.Style |= WS_BORDER;
}
}  // namespace

// ---- TListView -------------------------------------------------------------------------------

TListView::TListView(TComponent* owner) : TWinControl(owner) {
  SetControlStyle(ControlStyle() - TControlStyle{csCaptureMouse});
  SetBounds(0, 0, 250, 150);
  SetTabStop(true);
  SetParentColor(false);
  SetColor(clWindow);
}

void TListView::CreateParams(TCreateParams& params) {
  InitCommonControlClasses();
  TWinControl::CreateParams(params);
  CreateSubClass(params, WC_LISTVIEWA);
  static const DWORD kViewStyles[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
  params.Style |= kViewStyles[viewStyle_] | LVS_SHAREIMAGELISTS | LVS_SHOWSELALWAYS | LVS_SINGLESEL;
  if (!readOnly_) params.Style |= LVS_EDITLABELS;
  AddBorder(this, borderStyle_, params);
  params.WindowClass.style &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
}

void TListView::CreateWnd() {
  TWinControl::CreateWnd();
  HWND wnd = Handle();
  if (rowSelect_) SendMessageA(wnd, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  if (smallImages_) SendMessageA(wnd, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(smallImages_->Handle()));
  if (largeImages_) SendMessageA(wnd, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(largeImages_->Handle()));
  for (int i = 0; i < ColumnCount(); ++i) InsertColumnIntoWindow(i);
  for (int i = 0; i < ItemCount(); ++i) InsertItemIntoWindow(i);
  SetItemIndex(itemIndex_);
}

void TListView::DestroyWnd() {
  itemIndex_ = ItemIndex();
  TWinControl::DestroyWnd();
}

void TListView::InsertColumnIntoWindow(int index) {
  TColumn& column = columns_[static_cast<std::size_t>(index)];
  LVCOLUMNA info{};
  info.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  info.pszText = column.caption.data();
  info.cx = column.width;
  info.iSubItem = index;
  SendMessageA(Handle(), LVM_INSERTCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&info));
}

void TListView::InsertItemIntoWindow(int index) {
  TItem& item = items_[static_cast<std::size_t>(index)];
  LVITEMA info{};
  info.mask = LVIF_TEXT;
  info.iItem = index;
  info.pszText = item.caption.data();
  SendMessageA(Handle(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&info));
  for (std::size_t sub = 0; sub < item.subItems.size(); ++sub) {
    LVITEMA text{};
    text.iSubItem = static_cast<int>(sub) + 1;
    text.pszText = item.subItems[sub].data();
    SendMessageA(Handle(), LVM_SETITEMTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text));
  }
}

int TListView::AddColumn(const std::string& caption, int width) {
  columns_.push_back(TColumn{caption, width});
  int index = ColumnCount() - 1;
  if (HandleAllocated()) InsertColumnIntoWindow(index);
  return index;
}

int TListView::AddItem(const std::string& caption, const std::vector<std::string>& subItems) {
  items_.push_back(TItem{caption, subItems});
  int index = ItemCount() - 1;
  if (HandleAllocated()) InsertItemIntoWindow(index);
  return index;
}

std::string TListView::ItemCaption(int index) const {
  if (index < 0 || index >= ItemCount()) throw EListError(Format("List index out of bounds (%d)", index));
  return items_[static_cast<std::size_t>(index)].caption;
}

void TListView::ClearItems() {
  items_.clear();
  itemIndex_ = -1;
  if (HandleAllocated()) SendMessageA(Handle(), LVM_DELETEALLITEMS, 0, 0);
}

int TListView::ItemIndex() {
  if (!HandleAllocated()) return itemIndex_;
  return static_cast<int>(SendMessageA(WindowHandle(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void TListView::SetItemIndex(int value) {
  if (value < -1 || value >= ItemCount()) value = -1;
  itemIndex_ = value;
  if (!HandleAllocated()) return;
  LVITEMA clear{};
  clear.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&clear));
  if (value >= 0) {
    LVITEMA select{};
    select.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    select.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(value), reinterpret_cast<LPARAM>(&select));
  }
}

void TListView::SetViewStyle(TViewStyle value) {
  if (viewStyle_ == value) return;
  viewStyle_ = value;
  RecreateWnd();
}

void TListView::SetSmallImages(TCustomImageList* value) {
  if (smallImages_) smallImages_->RemoveFreeNotification(this);
  smallImages_ = value;
  if (value) value->FreeNotification(this);
  if (HandleAllocated())
    SendMessageA(Handle(), LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(value ? value->Handle() : nullptr));
}

void TListView::SetLargeImages(TCustomImageList* value) {
  if (largeImages_) largeImages_->RemoveFreeNotification(this);
  largeImages_ = value;
  if (value) value->FreeNotification(this);
  if (HandleAllocated())
    SendMessageA(Handle(), LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(value ? value->Handle() : nullptr));
}

void TListView::SetRowSelect(bool value) {
  rowSelect_ = value;
  if (HandleAllocated())
    SendMessageA(Handle(), LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, value ? LVS_EX_FULLROWSELECT : 0);
}

void TListView::SetBorderStyle(TBorderStyle value) {
  if (borderStyle_ == value) return;
  borderStyle_ = value;
  RecreateWnd();
}

void TListView::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == smallImages_) smallImages_ = nullptr;
  if (component == largeImages_) largeImages_ = nullptr;
}

void TListView::Dispatch(TMessage& message) {
  if (message.Msg == CN_NOTIFY) {
    auto* header = reinterpret_cast<NMHDR*>(message.LParam);
    if (header->code == static_cast<UINT>(LVN_ITEMCHANGED)) {
      auto* change = reinterpret_cast<NMLISTVIEW*>(message.LParam);
      if ((change->uChanged & LVIF_STATE) && ((change->uNewState ^ change->uOldState) & LVIS_SELECTED) &&
          (change->uNewState & LVIS_SELECTED) && OnChange)
        OnChange(this);
      return;
    }
  }
  TWinControl::Dispatch(message);
}

// ---- TTreeView -------------------------------------------------------------------------------

TTreeView::TTreeView(TComponent* owner) : TWinControl(owner) {
  SetControlStyle(ControlStyle() - TControlStyle{csCaptureMouse});
  SetBounds(0, 0, 121, 97);
  SetTabStop(true);
  SetParentColor(false);
  SetColor(clWindow);
}

TTreeView::~TTreeView() = default;

void TTreeView::CreateParams(TCreateParams& params) {
  InitCommonControlClasses();
  TWinControl::CreateParams(params);
  CreateSubClass(params, WC_TREEVIEWA);
  params.Style |= TVS_SHOWSELALWAYS;
  if (showLines_) params.Style |= TVS_HASLINES;
  if (showButtons_) params.Style |= TVS_HASBUTTONS;
  if (showRoot_) params.Style |= TVS_LINESATROOT;
  AddBorder(this, borderStyle_, params);
  params.WindowClass.style &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
}

void TTreeView::CreateWnd() {
  TWinControl::CreateWnd();
  for (int i = 0; i < NodeCount(); ++i) InsertNodeIntoWindow(i);
  SetSelected(selected_);
}

void TTreeView::DestroyWnd() {
  selected_ = Selected();
  for (TNode& node : nodes_) node.handle = nullptr;
  TWinControl::DestroyWnd();
}

void TTreeView::InsertNodeIntoWindow(int index) {
  TNode& node = nodes_[static_cast<std::size_t>(index)];
  TVINSERTSTRUCTA insert{};
  insert.hParent = node.parent >= 0 ? nodes_[static_cast<std::size_t>(node.parent)].handle : TVI_ROOT;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_PARAM;
  insert.item.pszText = node.text.data();
  insert.item.lParam = index;
  node.handle =
      reinterpret_cast<HTREEITEM>(SendMessageA(Handle(), TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

int TTreeView::AddNode(int parent, const std::string& text) {
  if (parent < -1 || parent >= NodeCount()) throw EListError(Format("List index out of bounds (%d)", parent));
  nodes_.push_back(TNode{text, parent});
  int index = NodeCount() - 1;
  if (HandleAllocated()) InsertNodeIntoWindow(index);
  return index;
}

std::string TTreeView::NodeText(int node) const {
  if (node < 0 || node >= NodeCount()) throw EListError(Format("List index out of bounds (%d)", node));
  return nodes_[static_cast<std::size_t>(node)].text;
}

int TTreeView::NodeParent(int node) const {
  if (node < 0 || node >= NodeCount()) throw EListError(Format("List index out of bounds (%d)", node));
  return nodes_[static_cast<std::size_t>(node)].parent;
}

void TTreeView::ClearNodes() {
  nodes_.clear();
  selected_ = -1;
  if (HandleAllocated()) SendMessageA(Handle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
}

int TTreeView::Selected() {
  if (!HandleAllocated()) return selected_;
  auto item = reinterpret_cast<HTREEITEM>(SendMessageA(WindowHandle(), TVM_GETNEXTITEM, TVGN_CARET, 0));
  for (std::size_t i = 0; i < nodes_.size(); ++i)
    if (item && nodes_[i].handle == item) return static_cast<int>(i);
  return -1;
}

void TTreeView::SetSelected(int node) {
  if (node < -1 || node >= NodeCount()) node = -1;
  selected_ = node;
  if (HandleAllocated())
    SendMessageA(Handle(), TVM_SELECTITEM, TVGN_CARET,
                 reinterpret_cast<LPARAM>(node >= 0 ? nodes_[static_cast<std::size_t>(node)].handle : nullptr));
}

void TTreeView::SetShowLines(bool value) {
  if (showLines_ == value) return;
  showLines_ = value;
  RecreateWnd();
}

void TTreeView::SetShowButtons(bool value) {
  if (showButtons_ == value) return;
  showButtons_ = value;
  RecreateWnd();
}

void TTreeView::SetShowRoot(bool value) {
  if (showRoot_ == value) return;
  showRoot_ = value;
  RecreateWnd();
}

void TTreeView::SetBorderStyle(TBorderStyle value) {
  if (borderStyle_ == value) return;
  borderStyle_ = value;
  RecreateWnd();
}

void TTreeView::Dispatch(TMessage& message) {
  if (message.Msg == CN_NOTIFY) {
    auto* header = reinterpret_cast<NMHDR*>(message.LParam);
    if (header->code == static_cast<UINT>(TVN_SELCHANGEDA) || header->code == static_cast<UINT>(TVN_SELCHANGEDW)) {
      if (OnChange) OnChange(this);
      return;
    }
  }
  TWinControl::Dispatch(message);
}

// ---- THeaderControl --------------------------------------------------------------------------

void THeaderSection::SetStyle(THeaderSectionStyle value) {
  if (style_ == value) return;
  style_ = value;
  Changed(false);
}

THeaderSections::THeaderSections(THeaderControl* header) : TTypedCollection(header) {}

void THeaderSections::Update(TCollectionItem* item) {
  (void)item;
  OwnerObject()->UpdateSections();
}

THeaderControl::THeaderControl(TComponent* owner)
    : TWinControl(owner), sections_(std::make_unique<THeaderSections>(this)) {
  SetBounds(0, 0, 150, 17);
  SetAlign(alTop);
  // The window presses and drags its sections with its own mouse capture.
  SetControlStyle(ControlStyle() - TControlStyle{csCaptureMouse});
}

THeaderControl::~THeaderControl() = default;

void THeaderControl::CreateParams(TCreateParams& params) {
  InitCommonControlClasses();
  TWinControl::CreateParams(params);
  CreateSubClass(params, WC_HEADERA);
  params.Style |= HDS_BUTTONS | HDS_FULLDRAG | CCS_NOPARENTALIGN | CCS_NORESIZE;
  if (hotTrack_) params.Style |= HDS_HOTTRACK;
  params.WindowClass.style &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
}

void THeaderControl::CreateWnd() {
  TWinControl::CreateWnd();
  UpdateSections();
}

void THeaderControl::SetHotTrack(bool value) {
  if (hotTrack_ == value) return;
  hotTrack_ = value;
  RecreateWnd();
}

void THeaderControl::UpdateSections() {
  if (!HandleAllocated()) return;
  HWND wnd = Handle();
  while (SendMessageA(wnd, HDM_GETITEMCOUNT, 0, 0) > 0) SendMessageA(wnd, HDM_DELETEITEM, 0, 0);
  for (int i = 0; i < sections_->Count(); ++i) {
    THeaderSection* section = sections_->Items(i);
    std::string text = section->Text();
    HDITEMA item{};
    item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
    item.pszText = text.data();
    item.cxy = section->Width();
    item.fmt = (section->Style() == hsOwnerDraw ? HDF_OWNERDRAW : HDF_STRING) |
               (section->Alignment() == taCenter ? HDF_CENTER : section->Alignment() == taRightJustify ? HDF_RIGHT : HDF_LEFT);
    SendMessageA(wnd, HDM_INSERTITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
  }
}

void THeaderControl::Dispatch(TMessage& message) {
  if (message.Msg == CN_NOTIFY) {
    auto* header = reinterpret_cast<NMHEADERA*>(message.LParam);
    UINT code = header->hdr.code;
    int index = header->iItem;
    bool valid = index >= 0 && index < sections_->Count();
    if ((code == static_cast<UINT>(HDN_ITEMCLICKA) || code == static_cast<UINT>(HDN_ITEMCLICKW)) && valid) {
      if (OnSectionClick) OnSectionClick(this, sections_->Items(index));
      return;
    }
    if ((code == static_cast<UINT>(HDN_ENDTRACKA) || code == static_cast<UINT>(HDN_ENDTRACKW)) && valid) {
      RECT rect{};
      if (SendMessageA(Handle(), HDM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rect))) {
        THeaderSection* section = sections_->Items(index);
        if (header->pitem && (header->pitem->mask & HDI_WIDTH)) section->SetWidth(header->pitem->cxy);
      }
      if (OnSectionResize) OnSectionResize(this, sections_->Items(index));
      return;
    }
  }
  TWinControl::Dispatch(message);
}

// ---- Published properties --------------------------------------------------------------------

VCL_PUBLISHED(TListView, p) {
  p.Component("LargeImages", &TListView::LargeImages, &TListView::SetLargeImages)
      .Bool("ReadOnly", &TListView::ReadOnly, &TListView::SetReadOnly, false)
      .Bool("RowSelect", &TListView::RowSelect, &TListView::SetRowSelect, false)
      .Component("SmallImages", &TListView::SmallImages, &TListView::SetSmallImages)
      .Enum("ViewStyle", &TListView::ViewStyle, &TListView::SetViewStyle, {"vsIcon", "vsSmallIcon", "vsList", "vsReport"},
            vsIcon)
      .Bool("TabStop", &TListView::TabStop, &TListView::SetTabStop, true)
      .Event("OnChange", &TListView::OnChange);
}

VCL_PUBLISHED(TTreeView, p) {
  p.Bool("ShowButtons", &TTreeView::ShowButtons, &TTreeView::SetShowButtons, true)
      .Bool("ShowLines", &TTreeView::ShowLines, &TTreeView::SetShowLines, true)
      .Bool("ShowRoot", &TTreeView::ShowRoot, &TTreeView::SetShowRoot, true)
      .Bool("TabStop", &TTreeView::TabStop, &TTreeView::SetTabStop, true)
      .Event("OnChange", &TTreeView::OnChange);
}

VCL_PUBLISHED(THeaderSection, p) {
  p.Enum("Style", &THeaderSection::Style, &THeaderSection::SetStyle, {"hsText", "hsOwnerDraw"}, hsText);
}

VCL_PUBLISHED(THeaderControl, p) {
  p.Bool("HotTrack", &THeaderControl::HotTrack, &THeaderControl::SetHotTrack, false)
      .Object("Sections", &THeaderControl::Sections, &THeaderControl::SetSections)
      .Event("OnSectionClick", &THeaderControl::OnSectionClick)
      .Event("OnSectionResize", &THeaderControl::OnSectionResize);
}

}  // namespace vcl
