// Combo boxes and list boxes over the platform's COMBOBOX and LISTBOX windows, and the item
// list they share.
#include <algorithm>

#include "vcl/controls/application.h"
#include "vcl/stdctrls/stdctrls.h"
#include "vcl/runtime/sysutils.h"

namespace vcl {

namespace {

// Draws an owner-drawn item of a list or combo window through the control's canvas.
template <class Draw>
void DrawListItem(TWinControl* control, TControlCanvas* canvas, TWMDrawItem& message, Draw drawItem) {
  DRAWITEMSTRUCT* item = message.DrawItemStruct();
  TOwnerDrawState state = TOwnerDrawState::FromBits(item->itemState);
  TControlCanvas* controlCanvas = canvas;
  controlCanvas->SetHandle(item->hDC);
  canvas->Font()->Assign(control->Font());
  canvas->Brush()->Assign(control->Brush());
  if (state.Contains(odSelected)) {
    canvas->Brush()->SetColor(clHighlight);
    canvas->Font()->SetColor(clHighlightText);
  }
  try {
    if (static_cast<int>(item->itemID) >= 0)
      drawItem(static_cast<int>(item->itemID), item->rcItem, state);
    else
      canvas->FillRect(item->rcItem);
    if (state.Contains(odFocused)) canvas->DrawFocusRect(item->rcItem);
  } catch (...) {
    controlCanvas->SetHandle(nullptr);
    throw;
  }
  controlCanvas->SetHandle(nullptr);
  message.Result = TRUE;
}

}  // namespace

// ---- TListControlItems -----------------------------------------------------------------------

void TListControlItems::CheckIndex(int index) const {
  if (index < 0 || index >= GetCount()) throw EStringListError(Format("List index out of bounds (%d)", index));
}

int TListControlItems::SortedPosition(const std::string& s) const {
  auto it = std::upper_bound(items_.begin(), items_.end(), s,
                             [](const std::string& a, const TItem& b) { return CompareText(a, b.text) < 0; });
  return static_cast<int>(it - items_.begin());
}

int TListControlItems::Add(const std::string& s) { return AddObject(s, nullptr); }

int TListControlItems::AddObject(const std::string& s, TObject* object) {
  int index = sorted_ ? SortedPosition(s) : GetCount();
  InsertObject(index, s, object);
  return index;
}

void TListControlItems::Insert(int index, const std::string& s) { InsertObject(index, s, nullptr); }

void TListControlItems::InsertObject(int index, const std::string& s, TObject* object) {
  if (index < 0 || index > GetCount()) throw EStringListError(Format("List index out of bounds (%d)", index));
  items_.insert(items_.begin() + index, TItem{s, object});
  side_->ItemInserted(index, s);
}

void TListControlItems::Delete(int index) {
  CheckIndex(index);
  items_.erase(items_.begin() + index);
  side_->ItemDeleted(index);
}

void TListControlItems::Clear() {
  items_.clear();
  side_->ItemsCleared();
}

int TListControlItems::IndexOf(const std::string& s) const {
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (CompareText(items_[i].text, s) == 0) return static_cast<int>(i);
  return -1;
}

void TListControlItems::SetSorted(bool value) {
  if (sorted_ == value) return;
  sorted_ = value;
  if (!value) return;
  std::stable_sort(items_.begin(), items_.end(),
                   [](const TItem& a, const TItem& b) { return CompareText(a.text, b.text) < 0; });
  side_->ItemsCleared();
  for (std::size_t i = 0; i < items_.size(); ++i) side_->ItemInserted(static_cast<int>(i), items_[i].text);
}

void TListControlItems::FollowInsert(int& selected, int index) {
  if (selected >= index) ++selected;
}

void TListControlItems::FollowDelete(int& selected, int index) {
  if (selected == index)
    selected = -1;
  else if (selected > index)
    --selected;
}

std::string TListControlItems::Get(int index) const {
  CheckIndex(index);
  return items_[static_cast<std::size_t>(index)].text;
}

TObject* TListControlItems::GetObject(int index) const {
  CheckIndex(index);
  return items_[static_cast<std::size_t>(index)].object;
}

void TListControlItems::Put(int index, const std::string& s) {
  CheckIndex(index);
  items_[static_cast<std::size_t>(index)].text = s;
  side_->ItemDeleted(index);
  side_->ItemInserted(index, s);
}

void TListControlItems::PutObject(int index, TObject* object) {
  CheckIndex(index);
  items_[static_cast<std::size_t>(index)].object = object;
}

// ---- TCustomComboBox -------------------------------------------------------------------------

namespace {
constexpr const char* kComboOwnerProp = "VclComboOwner";
constexpr const char* kComboOldProcProp = "VclComboOldProc";
}  // namespace

LRESULT CALLBACK ComboChildProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* combo = static_cast<TCustomComboBox*>(GetPropA(wnd, kComboOwnerProp));
  auto oldProc = reinterpret_cast<WNDPROC>(GetPropA(wnd, kComboOldProcProp));
  if (oldProc == nullptr) return DefWindowProcA(wnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(oldProc));
    RemovePropA(wnd, kComboOwnerProp);
    RemovePropA(wnd, kComboOldProcProp);
    if (combo) {
      if (combo->editHandle_ == wnd) combo->editHandle_ = nullptr;
      if (combo->listHandle_ == wnd) combo->listHandle_ = nullptr;
    }
    return CallWindowProcA(oldProc, wnd, msg, wParam, lParam);
  }
  if (combo == nullptr) return CallWindowProcA(oldProc, wnd, msg, wParam, lParam);
  TMessage message(msg, wParam, lParam);
  try {
    combo->ComboWndProc(message, wnd, oldProc);
  } catch (...) {
    try {
      if (Application) Application->HandleException(combo);
    } catch (...) {
    }
  }
  return message.Result;
}

TCustomComboBox::TCustomComboBox(TComponent* owner)
    : TWinControl(owner), items_(std::make_unique<TListControlItems>(this)), canvas_(std::make_unique<TControlCanvas>()) {
  canvas_->SetControl(this);
  SetControlStyle(TControlStyle{csCaptureMouse, csSetCaption, csDoubleClicks, csFixedHeight, csReflector});
  SetBounds(0, 0, 145, 21);
  SetTabStop(true);
  SetParentColor(false);
  SetColor(clWindow);
}

TCustomComboBox::~TCustomComboBox() {
  // The edit and list windows go only with the box's window, in the base's destructor, when
  // this part of the object is gone: from here on they no longer call it.
  for (HWND child : {editHandle_, listHandle_})
    if (child && IsWindow(child)) RemovePropA(child, kComboOwnerProp);
}

void TCustomComboBox::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, "COMBOBOX");
  params.Style |= WS_VSCROLL | CBS_HASSTRINGS | CBS_AUTOHSCROLL;
  switch (style_) {
    case csDropDown: params.Style |= CBS_DROPDOWN; break;
    case csSimple: params.Style |= CBS_SIMPLE; break;
    case csDropDownList: params.Style |= CBS_DROPDOWNLIST; break;
    case csOwnerDrawFixed: params.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED; break;
    case csOwnerDrawVariable: params.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE; break;
  }
  if (charCase_ == ecUpperCase) params.Style |= CBS_UPPERCASE;
  if (charCase_ == ecLowerCase) params.Style |= CBS_LOWERCASE;
  // The window's height at creation is its height with the list dropped.
  if (style_ != csSimple) params.Height = Height() + itemHeight_ * std::max(dropDownCount_, 1) + 2;
}

void TCustomComboBox::CreateWnd() {
  std::string text = savedText_.empty() ? Text() : savedText_;
  TWinControl::CreateWnd();
  HWND wnd = Handle();
  if (style_ == csOwnerDrawFixed || style_ == csOwnerDrawVariable) {
    SendMessageA(wnd, CB_SETITEMHEIGHT, 0, itemHeight_);
    SendMessageA(wnd, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), itemHeight_);
  }
  for (int i = 0; i < items_->Count(); ++i)
    SendMessageA(wnd, CB_INSERTSTRING, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(items_->Strings(i).c_str()));
  SendMessageA(wnd, CB_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
  if (itemIndex_ >= 0) SendMessageA(wnd, CB_SETCURSEL, static_cast<WPARAM>(itemIndex_), 0);
  else if (style_ == csDropDown || style_ == csSimple) SetWindowTextA(wnd, text.c_str());
  savedText_.clear();

  COMBOBOXINFO info{};
  info.cbSize = sizeof(info);
  if (GetComboBoxInfo(wnd, &info)) {
    if (info.hwndItem && info.hwndItem != wnd) {
      editHandle_ = info.hwndItem;
      HookChild(editHandle_);
    }
    if (info.hwndList) {
      listHandle_ = info.hwndList;
      HookChild(listHandle_);
    }
  }
}

void TCustomComboBox::DestroyWnd() {
  if (HandleAllocated()) {
    savedText_ = Text();
    itemIndex_ = static_cast<int>(SendMessageA(Handle(), CB_GETCURSEL, 0, 0));
  }
  editHandle_ = nullptr;
  listHandle_ = nullptr;
  TWinControl::DestroyWnd();
}

void TCustomComboBox::HookChild(HWND child) {
  if (GetPropA(child, kComboOldProcProp)) return;
  SetPropA(child, kComboOwnerProp, this);
  SetPropA(child, kComboOldProcProp, reinterpret_cast<HANDLE>(GetWindowLongPtrA(child, GWLP_WNDPROC)));
  SetWindowLongPtrA(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ComboChildProc));
}

void TCustomComboBox::ComboWndProc(TMessage& message, HWND comboWnd, WNDPROC comboProc) {
  message.Result = CallWindowProcA(comboProc, comboWnd, message.Msg, message.WParam, message.LParam);
}

void TCustomComboBox::ItemInserted(int index, const std::string& text) {
  if (HandleAllocated())
    SendMessageA(Handle(), CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str()));
  else
    TListControlItems::FollowInsert(itemIndex_, index);
}

void TCustomComboBox::ItemDeleted(int index) {
  if (HandleAllocated())
    SendMessageA(Handle(), CB_DELETESTRING, static_cast<WPARAM>(index), 0);
  else
    TListControlItems::FollowDelete(itemIndex_, index);
}

void TCustomComboBox::ItemsCleared() {
  itemIndex_ = -1;
  if (HandleAllocated()) SendMessageA(Handle(), CB_RESETCONTENT, 0, 0);
}

void TCustomComboBox::SetStyle(TComboBoxStyle value) {
  if (style_ == value) return;
  style_ = value;
  RecreateWnd();
}

void TCustomComboBox::SetItems(TStrings* value) { items_->Assign(value); }

int TCustomComboBox::ItemIndex() {
  if (HandleAllocated()) return static_cast<int>(SendMessageA(Handle(), CB_GETCURSEL, 0, 0));
  return itemIndex_;
}

void TCustomComboBox::SetItemIndex(int value) {
  if (value < -1 || value >= items_->Count()) value = -1;
  itemIndex_ = value;
  if (HandleAllocated()) SendMessageA(Handle(), CB_SETCURSEL, static_cast<WPARAM>(value), 0);
}

int TCustomComboBox::ItemHeight() {
  if (style_ == csOwnerDrawFixed || style_ == csOwnerDrawVariable || !HandleAllocated()) return itemHeight_;
  return static_cast<int>(SendMessageA(Handle(), CB_GETITEMHEIGHT, 0, 0));
}

void TCustomComboBox::SetItemHeight(int value) {
  if (value <= 0) return;
  itemHeight_ = value;
  if (HandleAllocated() && (style_ == csOwnerDrawFixed || style_ == csOwnerDrawVariable)) {
    SendMessageA(Handle(), CB_SETITEMHEIGHT, 0, value);
    RecreateWnd();
  }
}

void TCustomComboBox::SetDropDownCount(int value) { dropDownCount_ = std::max(value, 1); }

bool TCustomComboBox::DroppedDown() {
  return HandleAllocated() && SendMessageA(Handle(), CB_GETDROPPEDSTATE, 0, 0) != 0;
}

void TCustomComboBox::SetDroppedDown(bool value) { SendMessageA(Handle(), CB_SHOWDROPDOWN, value ? TRUE : FALSE, 0); }

void TCustomComboBox::SetSorted(bool value) { items_->SetSorted(value); }

void TCustomComboBox::SetMaxLength(int value) {
  maxLength_ = std::max(value, 0);
  if (HandleAllocated()) SendMessageA(Handle(), CB_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
}

void TCustomComboBox::SetCharCase(TEditCharCase value) {
  if (charCase_ == value) return;
  charCase_ = value;
  RecreateWnd();
}

void TCustomComboBox::SelectAll() { SendMessageA(Handle(), CB_SETEDITSEL, 0, MAKELPARAM(0, 0xFFFF)); }

void TCustomComboBox::Clear() {
  SetText("");
  items_->Clear();
}

bool TCustomComboBox::Focused() {
  if (!HandleAllocated()) return false;
  HWND focus = GetFocus();
  return focus && (focus == WindowHandle() || focus == editHandle_ || focus == listHandle_);
}

// The dropped list shows DropDownCount rows (fewer when there are fewer items).
void TCustomComboBox::AdjustDropDown() {
  int rows = std::clamp(items_->Count(), 1, dropDownCount_);
  RECT closed{};
  GetWindowRect(Handle(), &closed);
  int closedHeight = closed.bottom - closed.top;
  SetWindowPos(Handle(), nullptr, 0, 0, closed.right - closed.left, closedHeight + ItemHeight() * rows + 2,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
}

void TCustomComboBox::Change() {
  if (ComponentState().Contains(csLoading) || ComponentState().Contains(csReading)) return;
  Changed();
  if (OnChange) OnChange(this);
}

void TCustomComboBox::Select() {
  if (OnSelect)
    OnSelect(this);
  else
    Change();
}

void TCustomComboBox::DropDown() {
  if (OnDropDown) OnDropDown(this);
}

void TCustomComboBox::CloseUp() {
  if (OnCloseUp) OnCloseUp(this);
}

void TCustomComboBox::DrawItem(int index, const TRect& rect, TOwnerDrawState state) {
  if (OnDrawItem) {
    OnDrawItem(this, index, rect, state);
    return;
  }
  canvas_->FillRect(rect);
  if (index >= 0 && index < items_->Count()) canvas_->TextOut(rect.left + 2, rect.top, items_->Strings(index));
}

void TCustomComboBox::MeasureItem(int index, int& height) {
  if (OnMeasureItem) OnMeasureItem(this, index, height);
}

void TCustomComboBox::CNCommand(TWMCommand& message) {
  switch (message.NotifyCode()) {
    case CBN_DBLCLK: DblClick(); break;
    case CBN_EDITCHANGE: Change(); break;
    case CBN_DROPDOWN:
      AdjustDropDown();
      DropDown();
      break;
    case CBN_SELCHANGE: {
      int index = ItemIndex();
      // An editable box shows the chosen item's text at once.
      if (index >= 0 && (style_ == csDropDown || style_ == csSimple))
        SetWindowTextA(Handle(), items_->Strings(index).c_str());
      Click();
      Select();
      break;
    }
    case CBN_CLOSEUP: CloseUp(); break;
    default: break;
  }
}

void TCustomComboBox::CNDrawItem(TWMDrawItem& message) {
  DrawListItem(this, canvas_.get(), message,
               [this](int index, const TRect& rect, TOwnerDrawState state) { DrawItem(index, rect, state); });
}

void TCustomComboBox::CNMeasureItem(TWMMeasureItem& message) {
  MEASUREITEMSTRUCT* item = message.MeasureItemStruct();
  int height = itemHeight_;
  if (style_ == csOwnerDrawVariable && static_cast<int>(item->itemID) >= 0) MeasureItem(static_cast<int>(item->itemID), height);
  item->itemHeight = static_cast<UINT>(std::max(height, 1));
  message.Result = TRUE;
}

void TCustomComboBox::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case CN_COMMAND: {
      auto rec = MessageAs<TWMCommand>(message);
      CNCommand(rec);
      message = rec;
      return;
    }
    case CN_DRAWITEM: {
      auto rec = MessageAs<TWMDrawItem>(message);
      CNDrawItem(rec);
      message = rec;
      return;
    }
    case CN_MEASUREITEM: {
      auto rec = MessageAs<TWMMeasureItem>(message);
      CNMeasureItem(rec);
      message = rec;
      return;
    }
    case WM_CTLCOLORLISTBOX:
      // The list of a drop-down box announces itself when it is first made.
      if (listHandle_ == nullptr && message.LParam) {
        listHandle_ = reinterpret_cast<HWND>(message.LParam);
        HookChild(listHandle_);
      }
      TWinControl::Dispatch(message);
      return;
    default:
      TWinControl::Dispatch(message);
  }
}

// ---- TCustomListBox --------------------------------------------------------------------------

TCustomListBox::TCustomListBox(TComponent* owner)
    : TWinControl(owner), items_(std::make_unique<TListControlItems>(this)), canvas_(std::make_unique<TControlCanvas>()) {
  canvas_->SetControl(this);
  SetControlStyle(TControlStyle{csSetCaption, csDoubleClicks});
  SetBounds(0, 0, 121, 97);
  SetTabStop(true);
  SetParentColor(false);
  SetColor(clWindow);
}

TCustomListBox::~TCustomListBox() = default;

void TCustomListBox::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, "LISTBOX");
  params.Style |= WS_VSCROLL | WS_HSCROLL | LBS_HASSTRINGS | LBS_NOTIFY;
  if (!integralHeight_) params.Style |= LBS_NOINTEGRALHEIGHT;
  if (style_ == lbOwnerDrawFixed) params.Style |= LBS_OWNERDRAWFIXED;
  if (style_ == lbOwnerDrawVariable) params.Style |= LBS_OWNERDRAWVARIABLE;
  if (multiSelect_) params.Style |= extendedSelect_ ? LBS_EXTENDEDSEL : LBS_MULTIPLESEL;
  if (columns_ > 0) params.Style |= LBS_MULTICOLUMN;
  if (borderStyle_ == bsSingle) {
    if (Ctl3D())
      params.ExStyle |= WS_EX_CLIENTEDGE;
    else
      params.Style |= WS_BORDER;
  }
}

void TCustomListBox::CreateWnd() {
  TWinControl::CreateWnd();
  HWND wnd = Handle();
  if (style_ != lbStandard) SendMessageA(wnd, LB_SETITEMHEIGHT, 0, itemHeight_);
  if (columns_ > 0) SendMessageA(wnd, LB_SETCOLUMNWIDTH, static_cast<WPARAM>((Width() + columns_ - 3) / columns_), 0);
  for (int i = 0; i < items_->Count(); ++i)
    SendMessageA(wnd, LB_INSERTSTRING, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(items_->Strings(i).c_str()));
  if (multiSelect_) {
    for (int index : savedSelection_) SendMessageA(wnd, LB_SETSEL, TRUE, index);
    if (itemIndex_ >= 0) SendMessageA(wnd, LB_SETCARETINDEX, static_cast<WPARAM>(itemIndex_), FALSE);
  } else if (itemIndex_ >= 0) {
    SendMessageA(wnd, LB_SETCURSEL, static_cast<WPARAM>(itemIndex_), 0);
  }
  savedSelection_.clear();
}

void TCustomListBox::DestroyWnd() {
  if (HandleAllocated()) {
    itemIndex_ = ItemIndex();
    savedSelection_.clear();
    if (multiSelect_)
      for (int i = 0; i < items_->Count(); ++i)
        if (Selected(i)) savedSelection_.push_back(i);
  }
  TWinControl::DestroyWnd();
}

void TCustomListBox::ItemInserted(int index, const std::string& text) {
  if (HandleAllocated())
    SendMessageA(Handle(), LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str()));
  else
    TListControlItems::FollowInsert(itemIndex_, index);
}

void TCustomListBox::ItemDeleted(int index) {
  if (HandleAllocated())
    SendMessageA(Handle(), LB_DELETESTRING, static_cast<WPARAM>(index), 0);
  else
    TListControlItems::FollowDelete(itemIndex_, index);
}

void TCustomListBox::ItemsCleared() {
  itemIndex_ = -1;
  savedSelection_.clear();
  if (HandleAllocated()) SendMessageA(Handle(), LB_RESETCONTENT, 0, 0);
}

void TCustomListBox::SetStyle(TListBoxStyle value) {
  if (style_ == value) return;
  style_ = value;
  RecreateWnd();
}

void TCustomListBox::SetItems(TStrings* value) { items_->Assign(value); }

int TCustomListBox::ItemIndex() {
  if (!HandleAllocated()) return itemIndex_;
  return static_cast<int>(SendMessageA(Handle(), multiSelect_ ? LB_GETCARETINDEX : LB_GETCURSEL, 0, 0));
}

void TCustomListBox::SetItemIndex(int value) {
  if (value < -1 || value >= items_->Count()) value = -1;
  itemIndex_ = value;
  if (!HandleAllocated()) return;
  if (multiSelect_)
    SendMessageA(Handle(), LB_SETCARETINDEX, static_cast<WPARAM>(value), FALSE);
  else
    SendMessageA(Handle(), LB_SETCURSEL, static_cast<WPARAM>(value), 0);
}

int TCustomListBox::ItemHeight() {
  if (style_ != lbStandard || !HandleAllocated()) return itemHeight_;
  return static_cast<int>(SendMessageA(Handle(), LB_GETITEMHEIGHT, 0, 0));
}

void TCustomListBox::SetItemHeight(int value) {
  if (value <= 0) return;
  itemHeight_ = value;
  if (style_ != lbStandard) RecreateWnd();
}

void TCustomListBox::SetMultiSelect(bool value) {
  if (multiSelect_ == value) return;
  multiSelect_ = value;
  RecreateWnd();
}

void TCustomListBox::SetExtendedSelect(bool value) {
  if (extendedSelect_ == value) return;
  extendedSelect_ = value;
  RecreateWnd();
}

bool TCustomListBox::Selected(int index) {
  if (index < 0 || index >= items_->Count()) throw EListError(Format("List index out of bounds (%d)", index));
  if (!HandleAllocated()) return multiSelect_ ? std::count(savedSelection_.begin(), savedSelection_.end(), index) > 0
                                              : itemIndex_ == index;
  return SendMessageA(Handle(), LB_GETSEL, static_cast<WPARAM>(index), 0) > 0;
}

void TCustomListBox::SetSelected(int index, bool value) {
  if (index < 0 || index >= items_->Count()) throw EListError(Format("List index out of bounds (%d)", index));
  if (multiSelect_) {
    if (HandleAllocated()) {
      SendMessageA(Handle(), LB_SETSEL, value ? TRUE : FALSE, index);
    } else {
      auto it = std::find(savedSelection_.begin(), savedSelection_.end(), index);
      if (value && it == savedSelection_.end()) savedSelection_.push_back(index);
      if (!value && it != savedSelection_.end()) savedSelection_.erase(it);
    }
  } else if (value) {
    SetItemIndex(index);
  } else if (ItemIndex() == index) {
    SetItemIndex(-1);
  }
}

int TCustomListBox::SelCount() {
  if (!multiSelect_) return -1;
  if (!HandleAllocated()) return static_cast<int>(savedSelection_.size());
  return static_cast<int>(SendMessageA(Handle(), LB_GETSELCOUNT, 0, 0));
}

void TCustomListBox::SetSorted(bool value) { items_->SetSorted(value); }

void TCustomListBox::SetIntegralHeight(bool value) {
  if (integralHeight_ == value) return;
  integralHeight_ = value;
  RecreateWnd();
}

void TCustomListBox::SetColumns(int value) {
  value = std::max(value, 0);
  if (columns_ == value) return;
  bool recreate = (columns_ == 0) != (value == 0);
  columns_ = value;
  if (recreate)
    RecreateWnd();
  else if (HandleAllocated() && columns_ > 0)
    SendMessageA(Handle(), LB_SETCOLUMNWIDTH, static_cast<WPARAM>((Width() + columns_ - 3) / columns_), 0);
}

void TCustomListBox::SetBorderStyle(TBorderStyle value) {
  if (borderStyle_ == value) return;
  borderStyle_ = value;
  RecreateWnd();
}

int TCustomListBox::TopIndex() {
  return HandleAllocated() ? static_cast<int>(SendMessageA(Handle(), LB_GETTOPINDEX, 0, 0)) : 0;
}

void TCustomListBox::SetTopIndex(int value) { SendMessageA(Handle(), LB_SETTOPINDEX, static_cast<WPARAM>(value), 0); }

int TCustomListBox::ItemAtPos(const TPoint& pos, bool existing) {
  LRESULT hit = SendMessageA(Handle(), LB_ITEMFROMPOINT, 0, MAKELPARAM(pos.x, pos.y));
  int index = LOWORD(hit);
  bool outside = HIWORD(hit) != 0;
  if (items_->Count() == 0) return existing ? -1 : 0;
  if (outside) return existing ? -1 : (index >= items_->Count() - 1 ? items_->Count() : index);
  return index;
}

TRect TCustomListBox::ItemRect(int index) {
  RECT rect{};
  if (SendMessageA(Handle(), LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rect)) == LB_ERR)
    return TRect{};
  return rect;
}

void TCustomListBox::Clear() { items_->Clear(); }

void TCustomListBox::DrawItem(int index, const TRect& rect, TOwnerDrawState state) {
  if (OnDrawItem) {
    OnDrawItem(this, index, rect, state);
    return;
  }
  canvas_->FillRect(rect);
  if (index >= 0 && index < items_->Count()) canvas_->TextOut(rect.left + 2, rect.top, items_->Strings(index));
}

void TCustomListBox::MeasureItem(int index, int& height) {
  if (OnMeasureItem) OnMeasureItem(this, index, height);
}

void TCustomListBox::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case CN_COMMAND:
      switch (HIWORD(message.WParam)) {
        case LBN_SELCHANGE: Click(); break;
        case LBN_DBLCLK: DblClick(); break;
        default: break;
      }
      return;
    case CN_DRAWITEM: {
      auto rec = MessageAs<TWMDrawItem>(message);
      DrawListItem(this, canvas_.get(), rec,
                   [this](int index, const TRect& rect, TOwnerDrawState state) { DrawItem(index, rect, state); });
      message = rec;
      return;
    }
    case CN_MEASUREITEM: {
      auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(message.LParam);
      int height = itemHeight_;
      if (style_ == lbOwnerDrawVariable) MeasureItem(static_cast<int>(item->itemID), height);
      item->itemHeight = static_cast<UINT>(std::max(height, 1));
      message.Result = TRUE;
      return;
    }
    default:
      TWinControl::Dispatch(message);
  }
}

}  // namespace vcl
