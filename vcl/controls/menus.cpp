#include "vcl/controls/menus.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <unordered_set>

#include "vcl/controls/forms.h"
#include "vcl/runtime/sysutils.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/controls/utilwindow.h"

namespace vcl {

namespace {

// ---- Commands and live items -----------------------------------------------------------------

// Command numbers stay below the system commands (0xF000 and up); 0 means "nothing chosen".
constexpr UINT kFirstCommand = 1;
constexpr UINT kLastCommand = 0xEFFF;

std::map<UINT, TMenuItem*>& Commands() {
  static std::map<UINT, TMenuItem*> commands;
  return commands;
}

std::unordered_set<const TMenuItem*>& LiveItems() {
  static std::unordered_set<const TMenuItem*> items;
  return items;
}

UINT AllocateCommand(TMenuItem* item) {
  auto& commands = Commands();
  UINT command = kFirstCommand;
  for (const auto& [used, owner] : commands) {
    if (used != command) break;
    ++command;
  }
  if (command > kLastCommand) throw EMenuError("Too many menu items");
  commands[command] = item;
  return command;
}

std::string StripHotkey(const std::string& text) {
  std::string result;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    result += text[i];
  }
  return result;
}

// ---- Shortcut key names ----------------------------------------------------------------------

struct TKeyName {
  WORD key;
  const char* name;
};
constexpr TKeyName kKeyNames[] = {
    {VK_BACK, "BkSp"}, {VK_TAB, "Tab"},   {VK_ESCAPE, "Esc"},  {VK_RETURN, "Enter"}, {VK_SPACE, "Space"},
    {VK_PRIOR, "PgUp"}, {VK_NEXT, "PgDn"}, {VK_END, "End"},    {VK_HOME, "Home"},    {VK_LEFT, "Left"},
    {VK_UP, "Up"},      {VK_RIGHT, "Right"}, {VK_DOWN, "Down"}, {VK_INSERT, "Ins"},   {VK_DELETE, "Del"},
};

std::string KeyName(WORD key) {
  for (const TKeyName& entry : kKeyNames)
    if (entry.key == key) return entry.name;
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, static_cast<char>(key));
  if (key >= VK_NUMPAD0 && key <= VK_NUMPAD9) return std::string(1, static_cast<char>('0' + key - VK_NUMPAD0));
  if (key >= VK_F1 && key <= VK_F24) return "F" + std::to_string(key - VK_F1 + 1);
  // Other keys by the keyboard's own names.
  UINT scanCode = MapVirtualKeyA(key, MAPVK_VK_TO_VSC);
  char name[64] = {};
  if (scanCode != 0 && GetKeyNameTextA(static_cast<LONG>(scanCode << 16), name, sizeof(name)) > 0) return name;
  return {};
}

// ---- The window that owns popup menus while they are shown -----------------------------------

TPopupMenu* trackingMenu = nullptr;

void PopupListMessage(HWND window, TMessage& message) {
  switch (message.Msg) {
    case WM_DRAWITEM:
      if (reinterpret_cast<DRAWITEMSTRUCT*>(message.LParam)->CtlType == ODT_MENU &&
          DrawMenuItem(*reinterpret_cast<DRAWITEMSTRUCT*>(message.LParam))) {
        message.Result = TRUE;
        return;
      }
      break;
    case WM_MEASUREITEM:
      if (reinterpret_cast<MEASUREITEMSTRUCT*>(message.LParam)->CtlType == ODT_MENU &&
          MeasureMenuItem(window, *reinterpret_cast<MEASUREITEMSTRUCT*>(message.LParam))) {
        message.Result = TRUE;
        return;
      }
      break;
    case WM_INITMENUPOPUP:
      if (trackingMenu) trackingMenu->DispatchPopup(reinterpret_cast<HMENU>(message.WParam));
      message.Result = 0;
      return;
    default:
      break;
  }
  message.Result = DefWindowProcA(window, message.Msg, message.WParam, message.LParam);
}

// The owner of popup menus while they are shown: it gets their drawing and opening messages.
HWND PopupListWindow() {
  static HWND window = nullptr;
  if (window == nullptr || !IsWindow(window))
    window = AllocateHWnd([](TMessage& message) { PopupListMessage(window, message); });
  return window;
}

// ---- The plug-ins that controls and forms call -----------------------------------------------

bool ShowControlPopup(TPopupMenu* menu, TControl* sender, const TPoint& screenPos) {
  if (menu == nullptr || !menu->AutoPopup()) return false;
  menu->SetPopupComponent(sender);
  menu->Popup(screenPos.x, screenPos.y);
  return true;
}

HMENU MainMenuHandle(TMainMenu* menu) { return menu ? menu->Handle() : nullptr; }

bool FormMenuMessage(TCustomForm* form, TMessage& message) {
  switch (message.Msg) {
    case WM_COMMAND:
      if (message.LParam == 0 && HIWORD(message.WParam) == 0 && form->Menu())
        return form->Menu()->DispatchCommand(LOWORD(message.WParam));
      return false;
    case WM_INITMENUPOPUP:
      if (form->Menu() && form->Menu()->DispatchPopup(reinterpret_cast<HMENU>(message.WParam))) {
        message.Result = 0;
        return true;
      }
      return false;
    case WM_DRAWITEM: {
      auto* drawItem = reinterpret_cast<DRAWITEMSTRUCT*>(message.LParam);
      if (drawItem->CtlType != ODT_MENU || !DrawMenuItem(*drawItem)) return false;
      message.Result = TRUE;
      return true;
    }
    case WM_MEASUREITEM: {
      auto* measureItem = reinterpret_cast<MEASUREITEMSTRUCT*>(message.LParam);
      if (measureItem->CtlType != ODT_MENU || !MeasureMenuItem(form->Handle(), *measureItem)) return false;
      message.Result = TRUE;
      return true;
    }
    default:
      return false;
  }
}

// The application data of a platform menu's item: the TMenuItem of ours, 0 for a foreign one.
ULONG_PTR MenuItemDataAt(HMENU menu, int position) {
  MENUITEMINFOA info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_DATA;
  return GetMenuItemInfoA(menu, UINT(position), TRUE, &info) ? info.dwItemData : 0;
}

// Installed when the program starts, before any form can ask.
const bool menuHooksInstalled = [] {
  MenuHooks.PopupMenu = ShowControlPopup;
  MenuHooks.MenuHandle = MainMenuHandle;
  MenuHooks.FormMessage = FormMenuMessage;
  return true;
}();

// The font of menus as the desktop sets it.
void SetMenuFont(TCanvas* canvas, bool bold) {
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof(metrics);
  if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
    if (bold) metrics.lfMenuFont.lfWeight = FW_BOLD;
    canvas->Font()->SetHandle(CreateFontIndirectA(&metrics.lfMenuFont));
  }
}

}  // namespace

// ---- Shortcuts -------------------------------------------------------------------------------

TShortCut ShortCut(WORD key, TShiftState shift) {
  if (HIBYTE(key) != 0) return 0;
  TShortCut result = key;
  if (shift.Contains(ssShift)) result |= scShift;
  if (shift.Contains(ssCtrl)) result |= scCtrl;
  if (shift.Contains(ssAlt)) result |= scAlt;
  return result;
}

void ShortCutToKey(TShortCut shortCut, WORD& key, TShiftState& shift) {
  key = shortCut & 0xFF;
  shift = TShiftState{};
  if (shortCut & scShift) shift.Include(ssShift);
  if (shortCut & scCtrl) shift.Include(ssCtrl);
  if (shortCut & scAlt) shift.Include(ssAlt);
}

std::string ShortCutToText(TShortCut shortCut) {
  std::string name = KeyName(shortCut & 0xFF);
  if (name.empty()) return {};
  std::string prefix;
  if (shortCut & scShift) prefix += "Shift+";
  if (shortCut & scCtrl) prefix += "Ctrl+";
  if (shortCut & scAlt) prefix += "Alt+";
  return prefix + name;
}

TShortCut TextToShortCut(const std::string& text) {
  TShortCut modifiers = 0;
  std::size_t start = 0;
  struct TPrefix {
    const char* text;
    TShortCut flag;
  } const prefixes[] = {{"Shift+", scShift}, {"Ctrl+", scCtrl}, {"Alt+", scAlt}};
  for (bool found = true; found;) {
    found = false;
    for (const TPrefix& prefix : prefixes) {
      std::size_t length = std::strlen(prefix.text);
      if (text.size() - start > length && CompareText(text.substr(start, length), prefix.text) == 0) {
        modifiers |= prefix.flag;
        start += length;
        found = true;
      }
    }
  }
  std::string keyText = text.substr(start);
  if (keyText.empty()) return 0;
  for (WORD key = 0x08; key <= 0xFF; ++key)
    if (CompareText(keyText, KeyName(key)) == 0) return static_cast<TShortCut>(key | modifiers);
  return 0;
}

// ---- TMenuItem -------------------------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {
  command_ = AllocateCommand(this);
  LiveItems().insert(this);
}

TMenuItem::~TMenuItem() {
  while (!items_.empty()) delete items_.back();
  if (parent_) parent_->Remove(this);
  DestroyHandle();
  Commands().erase(command_);
  LiveItems().erase(this);
}

TMenuItem* TMenuItem::Items(int index) const {
  if (index < 0 || index >= Count()) throw EMenuError("Menu index out of range");
  return items_[static_cast<std::size_t>(index)];
}

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Insert(int index, TMenuItem* item) {
  if (item == nullptr) return;
  if (item->parent_ != nullptr) throw EMenuError("Menu inserted twice");
  if (index < 0 || index > Count()) throw EMenuError("Menu index out of range");
  items_.insert(items_.begin() + index, item);
  item->parent_ = this;
  // A new first item turns a plain item into one that opens a submenu.
  if (Count() == 1 && parent_) parent_->RebuildHandle();
  RebuildHandle();
  if (TMenu* menu = GetParentMenu()) menu->MenuChanged(this, true);
}

void TMenuItem::Remove(TMenuItem* item) {
  auto it = std::find(items_.begin(), items_.end(), item);
  if (it == items_.end()) throw EMenuError("Sub-menu is not in menu");
  items_.erase(it);
  item->parent_ = nullptr;
  RebuildHandle();
  if (items_.empty() && parent_) parent_->RebuildHandle();
  if (TMenu* menu = GetParentMenu()) menu->MenuChanged(this, true);
}

void TMenuItem::Delete(int index) { delete Items(index); }

void TMenuItem::Clear() {
  while (!items_.empty()) delete items_.back();
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

TMenuItem* TMenuItem::Find(const std::string& caption) const {
  std::string wanted = StripHotkey(caption);
  for (TMenuItem* item : items_)
    if (CompareText(StripHotkey(item->caption_), wanted) == 0) return item;
  return nullptr;
}

void TMenuItem::SetMenuIndex(int value) {
  if (parent_ == nullptr) return;
  TMenuItem* parent = parent_;
  int current = MenuIndex();
  value = std::clamp(value, 0, parent->Count() - 1);
  if (value == current) return;
  parent->items_.erase(parent->items_.begin() + current);
  parent->items_.insert(parent->items_.begin() + value, this);
  MenuChanged(true);
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* item = this;
  while (item->parent_) item = item->parent_;
  return item->menu_;
}

HMENU TMenuItem::Handle() {
  if (handle_ == nullptr) {
    handle_ = (menu_ && parent_ == nullptr) ? menu_->CreateRootMenu() : CreatePopupMenu();
    if (handle_ == nullptr) throw EMenuError("Could not create a menu");
    RebuildHandle();
  }
  return handle_;
}

void TMenuItem::DestroyHandle() {
  if (handle_ == nullptr) return;
  // Taking the items out first keeps the submenus, which their own items destroy.
  while (GetMenuItemCount(handle_) > 0) RemoveMenu(handle_, 0, MF_BYPOSITION);
  DestroyMenu(handle_);
  handle_ = nullptr;
}

void TMenuItem::RebuildHandle() {
  if (handle_ == nullptr) return;
  if (menu_ && parent_ == nullptr) {
    // Items put into a menu bar by someone else stay (an MDI client puts a maximised child's
    // system menu first and its buttons last): only this menu's items are taken out, and its
    // items go in after a leading foreign submenu.
    for (int i = GetMenuItemCount(handle_) - 1; i >= 0; --i)
      if (MenuItemDataAt(handle_, i) != 0) RemoveMenu(handle_, UINT(i), MF_BYPOSITION);
    UINT position = GetMenuItemCount(handle_) > 0 && GetSubMenu(handle_, 0) && MenuItemDataAt(handle_, 0) == 0 ? 1 : 0;
    for (TMenuItem* item : menu_->ShownItems()) item->InsertInto(handle_, position++);
    return;
  }
  while (GetMenuItemCount(handle_) > 0) RemoveMenu(handle_, 0, MF_BYPOSITION);
  for (TMenuItem* item : items_)
    if (item->visible_) item->InsertInto(handle_, UINT(GetMenuItemCount(handle_)));
}

std::string TMenuItem::MenuText() const {
  std::string text = caption_;
  // Items on a menu bar show no shortcut.
  bool onBar = parent_ && parent_->parent_ == nullptr && dynamic_cast<TMainMenu*>(parent_->menu_);
  if (shortCut_ != 0 && !onBar) text += "\t" + ShortCutToText(shortCut_);
  return text;
}

void TMenuItem::InsertInto(HMENU menu, UINT position) {
  std::string text = MenuText();
  MENUITEMINFOA info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_DATA;
  if (IsLine()) {
    info.fType = MFT_SEPARATOR;
  } else {
    info.fMask |= MIIM_STRING;
    info.fType = MFT_STRING;
    info.dwTypeData = text.data();
    info.cch = static_cast<UINT>(text.size());
  }
  if (radioItem_) info.fType |= MFT_RADIOCHECK;
  if (break_ == mbBreak) info.fType |= MFT_MENUBREAK;
  if (break_ == mbBarBreak) info.fType |= MFT_MENUBARBREAK;
  if (IsOwnerDraw()) info.fType |= MFT_OWNERDRAW;
  if (checked_) info.fState |= MFS_CHECKED;
  if (!enabled_) info.fState |= MFS_DISABLED | MFS_GRAYED;
  if (default_) info.fState |= MFS_DEFAULT;
  info.wID = command_;
  info.hSubMenu = items_.empty() ? nullptr : Handle();
  info.dwItemData = reinterpret_cast<ULONG_PTR>(this);
  InsertMenuItemA(menu, position, TRUE, &info);
}

void TMenuItem::MenuChanged(bool rebuild) {
  if (parent_ && rebuild) parent_->RebuildHandle();
  if (TMenu* menu = GetParentMenu()) menu->MenuChanged(this, rebuild);
}

void TMenuItem::SetCaption(const std::string& value) {
  if (caption_ == value) return;
  caption_ = value;
  MenuChanged(true);
}

void TMenuItem::TurnSiblingsOff() {
  if (parent_ == nullptr) return;
  for (TMenuItem* item : parent_->items_)
    if (item != this && item->radioItem_ && item->groupIndex_ == groupIndex_ && item->checked_) {
      item->checked_ = false;
      item->MenuChanged(true);
    }
}

void TMenuItem::SetChecked(bool value) {
  if (checked_ == value) return;
  checked_ = value;
  if (value && radioItem_) TurnSiblingsOff();
  MenuChanged(true);
}

void TMenuItem::SetEnabled(bool value) {
  if (enabled_ == value) return;
  enabled_ = value;
  MenuChanged(true);
}

void TMenuItem::SetVisible(bool value) {
  if (visible_ == value) return;
  visible_ = value;
  MenuChanged(true);
}

void TMenuItem::SetDefault(bool value) {
  if (default_ == value) return;
  // One default item per submenu.
  if (value && parent_)
    for (TMenuItem* item : parent_->items_) item->default_ = false;
  default_ = value;
  MenuChanged(true);
}

void TMenuItem::SetRadioItem(bool value) {
  if (radioItem_ == value) return;
  radioItem_ = value;
  if (checked_ && radioItem_) TurnSiblingsOff();
  MenuChanged(true);
}

void TMenuItem::SetGroupIndex(uint8_t value) {
  if (groupIndex_ == value) return;
  groupIndex_ = value;
  if (checked_ && radioItem_) TurnSiblingsOff();
  MenuChanged(true);
}

void TMenuItem::SetBreak(TMenuBreak value) {
  if (break_ == value) return;
  break_ = value;
  MenuChanged(true);
}

void TMenuItem::SetShortCut(TShortCut value) {
  if (shortCut_ == value) return;
  shortCut_ = value;
  MenuChanged(true);
}

void TMenuItem::SetImageIndex(int value) {
  if (imageIndex_ == value) return;
  imageIndex_ = value;
  MenuChanged(true);
}

TBitmap* TMenuItem::Bitmap() {
  if (!bitmap_) bitmap_ = std::make_unique<TBitmap>();
  return bitmap_.get();
}

void TMenuItem::SetBitmap(TBitmap* value) {
  Bitmap()->Assign(value);
  MenuChanged(true);
}

void TMenuItem::SetSubMenuImages(TCustomImageList* value) {
  if (subMenuImages_ == value) return;
  if (subMenuImages_) subMenuImages_->RemoveFreeNotification(this);
  subMenuImages_ = value;
  if (value) value->FreeNotification(this);
  for (TMenuItem* item : items_) item->MenuChanged(true);
}

void TMenuItem::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == subMenuImages_) {
    subMenuImages_ = nullptr;
    for (TMenuItem* item : items_) item->MenuChanged(true);
  }
}

void TMenuItem::Click() {
  if (autoCheck_) SetChecked(radioItem_ ? true : !checked_);
  if (OnClick) OnClick(this);
}

TComponent* TMenuItem::GetParentComponent() const {
  if (parent_ && parent_->menu_) return parent_->menu_;
  return parent_;
}

void TMenuItem::SetParentComponent(TComponent* value) {
  if (parent_) parent_->Remove(this);
  if (auto* menu = dynamic_cast<TMenu*>(value))
    menu->Items()->Add(this);
  else if (auto* item = dynamic_cast<TMenuItem*>(value))
    item->Add(this);
}

void TMenuItem::GetChildren(const TGetChildProc& proc, TComponent* root) {
  (void)root;
  for (TMenuItem* item : items_) proc(item);
}

TCustomImageList* TMenuItem::GetImageList() const {
  for (const TMenuItem* item = parent_; item; item = item->parent_)
    if (item->subMenuImages_) return item->subMenuImages_;
  TMenu* menu = GetParentMenu();
  return menu ? menu->Images() : nullptr;
}

bool TMenuItem::IsOwnerDraw() const {
  TMenu* menu = GetParentMenu();
  if (menu && menu->OwnerDraw()) return true;
  TCustomImageList* images = GetImageList();
  if (images && imageIndex_ >= 0) return true;
  return bitmap_ && !bitmap_->Empty();
}

void TMenuItem::MeasureItem(TCanvas* canvas, int& width, int& height) {
  bool topLevel = parent_ && parent_->menu_ && dynamic_cast<TMainMenu*>(parent_->menu_);
  SetMenuFont(canvas, default_);
  TCustomImageList* images = GetImageList();
  int imageWidth = images ? images->Width() : (bitmap_ && !bitmap_->Empty() ? bitmap_->Width() : 16);
  int imageHeight = images ? images->Height() : (bitmap_ && !bitmap_->Empty() ? bitmap_->Height() : 16);
  if (IsLine()) {
    width = 0;
    height = GetSystemMetrics(SM_CYMENU) / 2;
  } else if (topLevel) {
    width = canvas->TextWidth(StripHotkey(caption_)) + 8;
    if (images && imageIndex_ >= 0) width += imageWidth + 4;
    height = GetSystemMetrics(SM_CYMENU);
  } else {
    width = imageWidth + 8 + canvas->TextWidth(StripHotkey(caption_)) + 16;
    if (shortCut_ != 0) width += canvas->TextWidth(ShortCutToText(shortCut_)) + 15;
    height = std::max(GetSystemMetrics(SM_CYMENU), imageHeight + 4);
  }
  if (OnMeasureItem) OnMeasureItem(this, canvas, width, height);
}

void TMenuItem::DrawItem(TCanvas* canvas, const TRect& rect, TOwnerDrawState state, bool topLevel) {
  SetMenuFont(canvas, default_);
  if (OnAdvancedDrawItem)
    OnAdvancedDrawItem(this, canvas, rect, state);
  else if (OnDrawItem)
    OnDrawItem(this, canvas, rect, state.Contains(odSelected));
  else
    DefaultDrawItem(canvas, rect, state, topLevel);
}

void TMenuItem::DefaultDrawItem(TCanvas* canvas, const TRect& rect, TOwnerDrawState state, bool topLevel) {
  const bool selected = state.Contains(odSelected) || state.Contains(odHotLight);
  const bool disabled = state.Contains(odDisabled) || state.Contains(odGrayed) || !enabled_;
  canvas->Brush()->SetColor(selected && !IsLine() ? clHighlight : clMenu);
  canvas->FillRect(rect);
  HDC dc = canvas->Handle();
  if (IsLine()) {
    RECT line = rect;
    line.top = (rect.top + rect.bottom) / 2 - 1;
    line.bottom = line.top + 2;
    DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
    return;
  }

  RECT textRect = rect;
  TCustomImageList* images = GetImageList();
  if (!topLevel) {
    int imageWidth = images ? images->Width() : 16;
    RECT imageRect{rect.left + 2, rect.top, rect.left + 2 + imageWidth, rect.bottom};
    if (images && imageIndex_ >= 0 && imageIndex_ < images->Count()) {
      int top = (rect.top + rect.bottom - images->Height()) / 2;
      if (checked_) {
        RECT frame{imageRect.left - 1, top - 1, imageRect.right + 1, top + images->Height() + 1};
        DrawEdge(dc, &frame, BDR_SUNKENOUTER, BF_RECT);
      }
      images->Draw(canvas, imageRect.left, top, imageIndex_, !disabled);
    } else if (bitmap_ && !bitmap_->Empty()) {
      canvas->Draw(imageRect.left, (rect.top + rect.bottom - bitmap_->Height()) / 2, bitmap_.get());
    } else if (checked_) {
      int size = std::min(imageWidth, static_cast<int>(rect.bottom - rect.top));
      RECT mark{imageRect.left, (rect.top + rect.bottom - size) / 2, imageRect.left + size,
                (rect.top + rect.bottom - size) / 2 + size};
      DrawFrameControl(dc, &mark, DFC_MENU, radioItem_ ? DFCS_MENUBULLET : DFCS_MENUCHECK);
    }
    textRect.left = imageRect.right + 8;
    textRect.right -= 8;
  }

  HGDIOBJ oldFont = SelectObject(dc, canvas->Font()->Handle());
  int oldMode = SetBkMode(dc, TRANSPARENT);
  COLORREF oldColor = SetTextColor(
      dc, static_cast<COLORREF>(ColorToRGB(disabled ? clGrayText : selected ? clHighlightText : clMenuText)));
  UINT flags = DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS | (state.Contains(odNoAccel) ? DT_HIDEPREFIX : 0);
  DrawTextA(dc, caption_.c_str(), -1, &textRect, flags | (topLevel ? DT_CENTER : DT_LEFT));
  if (shortCut_ != 0 && !topLevel) {
    std::string shortCutText = ShortCutToText(shortCut_);
    DrawTextA(dc, shortCutText.c_str(), -1, &textRect, flags | DT_RIGHT | DT_NOPREFIX);
  }
  SetTextColor(dc, oldColor);
  SetBkMode(dc, oldMode);
  SelectObject(dc, oldFont);
}

// ---- TMenu -----------------------------------------------------------------------------------

TMenu::TMenu(TComponent* owner) : TComponent(owner), items_(new TMenuItem(nullptr)) { items_->menu_ = this; }

TMenu::~TMenu() {
  // The items go while this menu is still whole: they tell it as they leave.
  TMenuItem* root = items_;
  root->Clear();
  root->menu_ = nullptr;
  delete root;
}

void TMenu::SetImages(TCustomImageList* value) {
  if (images_ == value) return;
  if (images_) images_->RemoveFreeNotification(this);
  images_ = value;
  if (value) value->FreeNotification(this);
  items_->RebuildHandle();
  MenuChanged(nullptr, true);
}

void TMenu::SetOwnerDraw(bool value) {
  if (ownerDraw_ == value) return;
  ownerDraw_ = value;
  items_->RebuildHandle();
  MenuChanged(nullptr, true);
}

void TMenu::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == images_) {
    images_ = nullptr;
    if (items_) {
      items_->RebuildHandle();
      MenuChanged(nullptr, true);
    }
  }
}

void TMenu::MenuChanged(TMenuItem* source, bool rebuild) {
  (void)source;
  (void)rebuild;
}

namespace {
TMenuItem* FindIn(TMenuItem* parent, UINT_PTR value, TMenu::TFindItemKind kind) {
  for (int i = 0; i < parent->Count(); ++i) {
    TMenuItem* item = parent->Items(i);
    bool match = false;
    switch (kind) {
      case TMenu::fkCommand: match = item->Command() == value; break;
      case TMenu::fkHandle: match = item->HandleAllocated() && reinterpret_cast<UINT_PTR>(item->Handle()) == value; break;
      case TMenu::fkShortCut: match = item->ShortCut() != 0 && item->ShortCut() == value; break;
    }
    if (match) return item;
    if (TMenuItem* found = FindIn(item, value, kind)) return found;
  }
  return nullptr;
}

// A shortcut works when its item and every item above it are enabled and visible.
bool Reachable(TMenuItem* item) {
  for (; item && item->Parent(); item = item->Parent())
    if (!item->Enabled() || !item->Visible()) return false;
  return true;
}
}  // namespace

TMenuItem* TMenu::FindItem(UINT_PTR value, TFindItemKind kind) const {
  if (TMenuItem* found = FindIn(items_, value, kind)) return found;
  // A menu bar answers for the items of the menu merged into it too.
  auto* bar = dynamic_cast<const TMainMenu*>(this);
  return bar && bar->Merged() ? bar->Merged()->FindItem(value, kind) : nullptr;
}

void TMenu::RebuildRoot() { items_->RebuildHandle(); }

std::vector<TMenuItem*> TMenu::ShownItems() const {
  std::vector<TMenuItem*> shown;
  for (int i = 0; i < items_->Count(); ++i)
    if (items_->Items(i)->Visible()) shown.push_back(items_->Items(i));
  return shown;
}

bool TMenu::DispatchCommand(UINT command) {
  TMenuItem* item = FindItem(command, fkCommand);
  if (item == nullptr) return false;
  item->Click();
  return true;
}

bool TMenu::DispatchPopup(HMENU submenu) {
  TMenuItem* item = FindItem(reinterpret_cast<UINT_PTR>(submenu), fkHandle);
  if (item == nullptr) return false;
  item->Click();
  return true;
}

bool TMenu::IsShortCut(TWMKey& message) {
  TShortCut shortCut = vcl::ShortCut(message.CharCode(), KeyboardStateToShiftState());
  if (shortCut == 0) return false;
  TMenuItem* item = FindItem(shortCut, fkShortCut);
  if (item == nullptr || !Reachable(item)) return false;
  item->Click();
  return true;
}

void TMenu::GetChildren(const TGetChildProc& proc, TComponent* root) { items_->GetChildren(proc, root); }

// ---- TMainMenu -------------------------------------------------------------------------------

HWND TMainMenu::WindowHandle() const {
  auto* form = dynamic_cast<TCustomForm*>(Owner());
  if (form == nullptr || form->Menu() != this) return nullptr;
  return form->WindowHandle();
}

TMainMenu::~TMainMenu() {
  if (mergedInto_) mergedInto_->Unmerge(this);
  if (merged_) merged_->mergedInto_ = nullptr;
  merged_ = nullptr;
}

void TMainMenu::Merge(TMainMenu* menu) {
  if (menu == merged_ || menu == this) return;
  if (merged_) merged_->mergedInto_ = nullptr;
  if (menu && menu->mergedInto_) menu->mergedInto_->Unmerge(menu);
  merged_ = menu;
  if (menu) menu->mergedInto_ = this;
  RebuildRoot();
  MenuChanged(nullptr, true);
}

void TMainMenu::Unmerge(TMainMenu* menu) {
  if (!menu || menu != merged_) return;
  merged_->mergedInto_ = nullptr;
  merged_ = nullptr;
  RebuildRoot();
  MenuChanged(nullptr, true);
}

std::vector<TMenuItem*> TMainMenu::ShownItems() const {
  std::vector<TMenuItem*> own = TMenu::ShownItems();
  if (!merged_) return own;
  std::vector<TMenuItem*> guest = merged_->TMenu::ShownItems();
  std::stable_sort(guest.begin(), guest.end(),
                   [](const TMenuItem* a, const TMenuItem* b) { return a->GroupIndex() < b->GroupIndex(); });
  auto guestHas = [&guest](uint8_t group) {
    return std::any_of(guest.begin(), guest.end(), [group](const TMenuItem* item) { return item->GroupIndex() == group; });
  };
  std::vector<TMenuItem*> shown;
  size_t next = 0;
  for (TMenuItem* item : own) {
    // The guest's groups below this item's come first; a group both have is the guest's.
    while (next < guest.size() && guest[next]->GroupIndex() <= item->GroupIndex()) shown.push_back(guest[next++]);
    if (!guestHas(item->GroupIndex())) shown.push_back(item);
  }
  shown.insert(shown.end(), guest.begin() + std::ptrdiff_t(next), guest.end());
  return shown;
}

void TMainMenu::MenuChanged(TMenuItem* source, bool rebuild) {
  TMenu::MenuChanged(source, rebuild);
  // A merged menu's change shows in the menu bar that shows it.
  if (mergedInto_) {
    mergedInto_->RebuildRoot();
    mergedInto_->MenuChanged(nullptr, rebuild);
  }
  if (HWND wnd = WindowHandle()) {
    DrawMenuBar(wnd);
    SendMessageA(wnd, CM_MENUCHANGED, 0, 0);
  }
}

// ---- TPopupMenu ------------------------------------------------------------------------------

TPopupMenu::TPopupMenu(TComponent* owner) : TMenu(owner) {}

TPopupMenu::~TPopupMenu() {
  if (trackingMenu == this) trackingMenu = nullptr;
}

void TPopupMenu::SetPopupComponent(TComponent* value) {
  if (popupComponent_ == value) return;
  if (popupComponent_) popupComponent_->RemoveFreeNotification(this);
  popupComponent_ = value;
  if (value) value->FreeNotification(this);
}

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
  TMenu::Notification(component, operation);
  if (operation == opRemove && component == popupComponent_) popupComponent_ = nullptr;
}

HWND TPopupMenu::WindowHandle() const { return PopupListWindow(); }

void TPopupMenu::DoPopup(TObject* sender) {
  if (OnPopup) OnPopup(sender);
}

void TPopupMenu::DoClose() {
  if (OnClose) OnClose(this);
}

void TPopupMenu::Popup(int x, int y) {
  DoPopup(this);
  UINT flags = TPM_RETURNCMD;
  switch (alignment_) {
    case paLeft: flags |= TPM_LEFTALIGN; break;
    case paRight: flags |= TPM_RIGHTALIGN; break;
    case paCenter: flags |= TPM_CENTERALIGN; break;
  }
  flags |= trackButton_ == tbRightButton ? TPM_RIGHTBUTTON : TPM_LEFTBUTTON;
  if (menuAnimation_.Contains(maNone)) flags |= TPM_NOANIMATION;

  HWND owner = PopupListWindow();
  TPopupMenu* previous = trackingMenu;
  trackingMenu = this;
  UINT command = static_cast<UINT>(TrackPopupMenu(Handle(), flags, x, y, 0, owner, nullptr));
  trackingMenu = previous;
  DoClose();
  // The choice runs once the menu is gone, as a posted command would.
  if (command != 0) DispatchCommand(command);
}

// ---- Owner drawing ---------------------------------------------------------------------------

TMenuItem* MenuItemFromData(ULONG_PTR itemData) {
  auto* item = reinterpret_cast<TMenuItem*>(itemData);
  return LiveItems().count(item) ? item : nullptr;
}

bool DrawMenuItem(const DRAWITEMSTRUCT& drawItem) {
  TMenuItem* item = MenuItemFromData(drawItem.itemData);
  if (item == nullptr) return false;
  TMenu* menu = item->GetParentMenu();
  bool topLevel = dynamic_cast<TMainMenu*>(menu) != nullptr && item->Parent() && item->Parent()->Parent() == nullptr;
  int saved = SaveDC(drawItem.hDC);
  TCanvas canvas;
  canvas.SetHandle(drawItem.hDC);
  try {
    item->DrawItem(&canvas, drawItem.rcItem, TOwnerDrawState::FromBits(drawItem.itemState), topLevel);
  } catch (...) {
    canvas.SetHandle(nullptr);
    RestoreDC(drawItem.hDC, saved);
    throw;
  }
  canvas.SetHandle(nullptr);
  RestoreDC(drawItem.hDC, saved);
  return true;
}

bool MeasureMenuItem(HWND wnd, MEASUREITEMSTRUCT& measureItem) {
  TMenuItem* item = MenuItemFromData(measureItem.itemData);
  if (item == nullptr) return false;
  HDC dc = GetDC(wnd);
  TCanvas canvas;
  canvas.SetHandle(dc);
  int width = 0, height = 0;
  try {
    item->MeasureItem(&canvas, width, height);
  } catch (...) {
    canvas.SetHandle(nullptr);
    ReleaseDC(wnd, dc);
    throw;
  }
  canvas.SetHandle(nullptr);
  ReleaseDC(wnd, dc);
  measureItem.itemWidth = static_cast<UINT>(std::max(width, 0));
  measureItem.itemHeight = static_cast<UINT>(std::max(height, 0));
  return true;
}

// ---- Published properties --------------------------------------------------------------------

namespace {
bool ShortCutToIdent(int32_t value, std::string& ident) {
  ident = ShortCutToText(static_cast<TShortCut>(value));
  return !ident.empty();
}
bool IdentToShortCut(const std::string& ident, int32_t& value) {
  value = TextToShortCut(ident);
  return value != 0;
}
int32_t ShortCutValue(TMenuItem* item) { return item->ShortCut(); }
void SetShortCutValue(TMenuItem* item, int32_t value) { item->SetShortCut(static_cast<TShortCut>(value)); }
}  // namespace

VCL_PUBLISHED(TMenuItem, p) {
  p.Bool("AutoCheck", &TMenuItem::AutoCheck, &TMenuItem::SetAutoCheck, false)
      .Object("Bitmap", &TMenuItem::Bitmap, &TMenuItem::SetBitmap)
      .Enum("Break", &TMenuItem::Break, &TMenuItem::SetBreak, {"mbNone", "mbBreak", "mbBarBreak"}, mbNone)
      .String("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption)
      .Bool("Checked", &TMenuItem::Checked, &TMenuItem::SetChecked, false)
      .Component("SubMenuImages", &TMenuItem::SubMenuImages, &TMenuItem::SetSubMenuImages)
      .Bool("Default", &TMenuItem::Default, &TMenuItem::SetDefault, false)
      .Bool("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled, true)
      .Integer("GroupIndex", &TMenuItem::GroupIndex, &TMenuItem::SetGroupIndex, 0)
      .String("Hint", &TMenuItem::Hint, &TMenuItem::SetHint)
      .Integer("ImageIndex", &TMenuItem::ImageIndex, &TMenuItem::SetImageIndex, -1)
      .Bool("RadioItem", &TMenuItem::RadioItem, &TMenuItem::SetRadioItem, false)
      .Integer("ShortCut", ShortCutValue, SetShortCutValue, 0)
      .Idents(ShortCutToIdent, IdentToShortCut)
      .Bool("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible, true)
      .Event("OnClick", &TMenuItem::OnClick)
      .Event("OnDrawItem", &TMenuItem::OnDrawItem)
      .Event("OnAdvancedDrawItem", &TMenuItem::OnAdvancedDrawItem)
      .Event("OnMeasureItem", &TMenuItem::OnMeasureItem);
}

VCL_PUBLISHED(TMenu, p) {
  p.Component("Images", &TMenu::Images, &TMenu::SetImages)
      .Bool("OwnerDraw", &TMenu::OwnerDraw, &TMenu::SetOwnerDraw, false);
}

VCL_PUBLISHED(TMainMenu, p) { p.Bool("AutoMerge", &TMainMenu::AutoMerge, &TMainMenu::SetAutoMerge, false); }

VCL_PUBLISHED(TPopupMenu, p) {
  p.Enum("Alignment", &TPopupMenu::Alignment, &TPopupMenu::SetAlignment, {"paLeft", "paRight", "paCenter"}, paLeft)
      .Bool("AutoPopup", &TPopupMenu::AutoPopup, &TPopupMenu::SetAutoPopup, true)
      .Integer("HelpContext", &TPopupMenu::HelpContext, &TPopupMenu::SetHelpContext, 0)
      .Set("MenuAnimation", &TPopupMenu::MenuAnimation, &TPopupMenu::SetMenuAnimation,
           {"maLeftToRight", "maRightToLeft", "maTopToBottom", "maBottomToTop", "maNone"}, TMenuAnimation{})
      .Enum("TrackButton", &TPopupMenu::TrackButton, &TPopupMenu::SetTrackButton, {"tbRightButton", "tbLeftButton"},
            tbRightButton)
      .Event("OnClose", &TPopupMenu::OnClose)
      .Event("OnPopup", &TPopupMenu::OnPopup);
}

}  // namespace vcl
