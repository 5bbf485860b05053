#include "skin/forms/adapters/control_adapters.h"

#include <map>

#include "skin/engine/window_messages.h"
#include "skin/forms/adapters/button_adapters.h"
#include "skin/forms/adapters/combo_box_wnd.h"
#include "skin/forms/adapters/grid_wnd.h"
#include "skin/forms/adapters/list_view_wnd.h"
#include "skin/forms/adapters/panel_adapter.h"
#include "skin/forms/adapters/status_bar_adapter.h"
#include "skin/forms/adapters/tab_adapters.h"
#include "skin/forms/adapters/tool_bar_vcl_adapter.h"
#include "skin/forms/adapters/tree_view_wnd.h"
#include "skin/forms/adapters/virtual_tree_wnd.h"
#include "skin/forms/adapters/ww_combo_box_wnd.h"
#include "skin/forms/skin_provider.h"
#include "vcl/controls/forms.h"
#include "vcl/stdctrls/buttons.h"
#include "vcl/stdctrls/extctrls.h"
#include "vcl/stdctrls/stdctrls.h"

namespace skin {

namespace {

// Labels with this Tag keep their own look.
constexpr int kOwnLookTag = 98;

// One adapter pass at a time: an adapter made during the pass may make its window announce
// itself to the form again.
bool AddingAllItems = false;
bool RemovingAllItems = false;

TacFrameAdapterMaker FrameAdapterMaker = nullptr;

// Sets a pass flag for a scope; an error that leaves the pass clears it too.
class TPassFlag {
 public:
  explicit TPassFlag(bool& flag) : flag_(flag) { flag_ = true; }
  ~TPassFlag() { flag_ = false; }
  TPassFlag(const TPassFlag&) = delete;
  TPassFlag& operator=(const TPassFlag&) = delete;

 private:
  bool& flag_;
};

bool AnswersSkinned(vcl::TControl* control) {
  if (auto* win = dynamic_cast<vcl::TWinControl*>(control))
    return win->HandleAllocated() && WndAnswersAlphaCmd(win->WindowHandle(), cmdIsSkinned);
  return control->Perform(SM_ALPHACMD, MAKEWPARAM(0, cmdIsSkinned), 0) != 0;
}

// The class or one of its ancestors has the name (the skinned controls lie above this layer).
bool ClassOrAncestorIs(const vcl::TObject* object, const char* name) {
  for (const vcl::TMetaClass* c = object->ClassType(); c; c = c->ClassParent())
    if (c->ClassNameIs(name)) return true;
  return false;
}

template <class T>
TacMainWnd* Make(vcl::TWinControl* control, const std::string& section, TsSkinManager* manager, TsCommonData* link) {
  return MakeAdapter<T>(true, control->WindowHandle(), section, manager, link);
}

// The window adapter of a ThirdParty list; the section the item names, or the adapter class's
// own when it names none.
TacMainWnd* MakeListAdapter(int list, vcl::TWinControl* control, std::string section, TsSkinManager* manager,
                            TsCommonData* link) {
  auto own = [&section](const char* name) {
    if (section.empty()) section = name;
  };
  switch (list) {
    case 0:
      own("EDIT");
      return Make<TacEditWnd>(control, section, manager, link);
    case 1:
      own("BUTTON");
      return Make<TacBtnWnd>(control, section, manager, link);
    case 2:
      own("BUTTON");
      return Make<TacBitBtnWnd>(control, section, manager, link);
    case 3:
      own("CHECKBOX");
      return Make<TacCheckBoxWnd>(control, section, manager, link);
    case 4:
      own("COMBOBOX");
      return Make<TacComboBoxWnd>(control, section, manager, link);
    case 5:
      own("EDIT");
      return Make<TacGridWnd>(control, section, manager, link);
    case 6:
      own("GROUPBOX");
      return Make<TacGroupBoxWnd>(control, section, manager, link);
    case 7:
      own("EDIT");
      return Make<TacListViewWnd>(control, section, manager, link);
    case 8:
      if (section.empty()) section = TacPanelWnd::SectionForPanel(dynamic_cast<vcl::TCustomPanel*>(control));
      return Make<TacPanelWnd>(control, section, manager, link);
    case 9:
      own("EDIT");
      return Make<TacTreeViewWnd>(control, section, manager, link);
    case 10:
      own("COMBOBOX");
      return MakeAdapter<TacWWComboBoxWnd>(true, control, section, manager, link);
    case 11:
      own("EDIT");
      return Make<TacGridEhWnd>(control, section, manager, link);
    case 12:
      own("EDIT");
      return Make<TacVirtualTreeViewWnd>(control, section, manager, link);
    case 13:
      own("PAGECONTROL");
      return Make<TacPageControlWnd>(control, section, manager, link);
    case 14:
      own("PAGECONTROL");
      return Make<TacTabControlWnd>(control, section, manager, link);
    case 15:
      own("TOOLBAR");
      return Make<TacToolBarVCLWnd>(control, section, manager, link);
    case 16:
      own("STATUSBAR");
      return Make<TacStatusBarWnd>(control, section, manager, link);
    default:
      return nullptr;
  }
}

constexpr int kSpeedButtonList = 17;

std::unique_ptr<TsCommonData> NewItemLink(TsSkinManager* manager) {
  auto link = std::make_unique<TsCommonData>(nullptr, true);
  link->ControlCode = ccAdapterItems;
  if (manager && !manager->GetIsDefault()) link->SetSkinManager(manager);
  return link;
}

}  // namespace

// The labels shown in the skin's font colour and what they looked like before; a label freed
// meanwhile leaves the list through its free notification.
class TacLabelColours : public vcl::TComponent {
  VCL_CLASS(TacLabelColours, vcl::TComponent)
  TacLabelColours() : vcl::TComponent(nullptr) {}
  ~TacLabelColours() override {
    for (auto& [label, saved] : saved_) label->RemoveFreeNotification(this);
  }

  void Adapt(vcl::TCustomLabel* label, vcl::TColor colour) {
    if (!saved_.count(label)) {
      saved_[label] = Saved{label->Transparent(), label->Font()->Color()};
      label->FreeNotification(this);
    }
    label->SetTransparent(true);
    label->Font()->SetColor(colour);
  }
  void RestoreAll() {
    auto saved = std::move(saved_);
    saved_.clear();
    for (auto& [label, look] : saved) {
      label->RemoveFreeNotification(this);
      if (label->ComponentState().Contains(vcl::csDestroying)) continue;
      label->SetTransparent(look.transparent);
      label->Font()->SetColor(look.colour);
    }
  }
  int Count() const { return int(saved_.size()); }

 protected:
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override {
    vcl::TComponent::Notification(component, operation);
    if (operation != vcl::opRemove) return;
    std::erase_if(saved_, [component](const auto& item) { return static_cast<vcl::TComponent*>(item.first) == component; });
  }

 private:
  struct Saved {
    bool transparent;
    vcl::TColor colour;
  };
  std::map<vcl::TCustomLabel*, Saved> saved_;
};

int ThirdPartyListOf(vcl::TControl* control, TsSkinManager* manager) {
  if (!control || !manager) return -1;
  const std::string name = control->ClassName();
  for (int i = 0; i < ThirdPartyCount; ++i) {
    const vcl::TStringList* list = manager->ThirdPartyLists[size_t(i)].get();
    if (!list) continue;
    // Exact and case-sensitive: a list names classes as they are spelt.
    for (int j = 0; j < list->Count(); ++j)
      if (list->Strings(j) == name) return i;
  }
  return -1;
}

void SetFrameAdapterMaker(TacFrameAdapterMaker maker) { FrameAdapterMaker = maker; }

// ---- Items ----

TacAdapterItem::TacAdapterItem(TacCtrlAdapter* adapter)
    : SkinData(NewItemLink(adapter ? adapter->Manager() : nullptr)), Adapter(adapter) {}

TacAdapterItem::~TacAdapterItem() {
  if (WndAdapter) {
    HWND wnd = WndAdapter->Wnd && IsWindow(WndAdapter->Wnd) ? WndAdapter->Wnd : nullptr;
    RemoveAdapter(wnd, true, true, WndAdapter);
  }
}

void TacAdapterItem::AttachToControl(vcl::TWinControl* control) {
  if (!control || control->Tag() == -98 || !control->HandleAllocated() || !control->Parent() ||
      AnswersSkinned(control))
    return;
  Control = control;
  SkinData->LinkedControl = control;
  SkinData->LinkedObject = control;
  TsSkinManager* manager = Adapter ? Adapter->Manager() : nullptr;
  const int list = ThirdPartyListOf(control, manager);
  if (list < 0 || list == kSpeedButtonList) return;
  WndAdapter = MakeListAdapter(list, control, SkinData->SkinSection(), manager, SkinData.get());
}

TacGraphItem::TacGraphItem(TacCtrlAdapter* adapter)
    : SkinData(NewItemLink(adapter ? adapter->Manager() : nullptr)), Adapter(adapter) {}

TacGraphItem::~TacGraphItem() { ButtonHandler.reset(); }

void TacGraphItem::AttachToControl(vcl::TControl* control) {
  if (!control || control->Tag() == -98) return;
  Control = control;
  SkinData->LinkedControl = control;
  SkinData->LinkedObject = control;
  ButtonHandler = std::make_unique<TacSpeedButtonHandler>(control, SkinData->SkinSection(),
                                                          Adapter ? Adapter->Manager() : nullptr, SkinData.get());
  control->Invalidate();
}

// ---- The adapter ----

TacCtrlAdapter::TacCtrlAdapter(TsSkinProvider* provider) : OwnerProvider(provider) {}

TacCtrlAdapter::~TacCtrlAdapter() {
  CleanUp();
  RemoveAllItems();
}

TsSkinManager* TacCtrlAdapter::Manager() const {
  TsSkinManager* manager = OwnerProvider && OwnerProvider->SkinData() ? OwnerProvider->SkinData()->GetSkinManager() : nullptr;
  return manager ? manager : DefaultManager;
}

bool TacCtrlAdapter::AskSkinItem(vcl::TComponent* item, std::string& section) const {
  bool canBeAdded = true;
  if (OwnerProvider && OwnerProvider->OnSkinItem) OwnerProvider->OnSkinItem(item, canBeAdded, section);
  return canBeAdded;
}

bool TacCtrlAdapter::IsControlAdaptable(vcl::TControl* control) {
  if (!control || control->Tag() == -98) return false;
  auto* win = dynamic_cast<vcl::TWinControl*>(control);
  if (win && (!win->HandleAllocated() || AnswersSkinned(win))) return false;
  std::string section;
  if (!win) {
    if (control->Is<vcl::TCustomLabel>()) return AskSkinItem(control, section);
    if (control->Is<vcl::TSpeedButton>()) return ThirdPartyListOf(control, Manager()) >= 0 && AskSkinItem(control, section);
    return false;
  }
  if (win->Is<vcl::TCustomFrame>()) return AskSkinItem(win, section);
  return ThirdPartyListOf(win, Manager()) >= 0;
}

TacAdapterItem* TacCtrlAdapter::GetItem(int index) const {
  return index >= 0 && index < int(AdapterItems.size()) ? AdapterItems[size_t(index)].get() : nullptr;
}

void TacCtrlAdapter::AdaptLabel(vcl::TCustomLabel* label) {
  TsSkinManager* manager = Manager();
  if (!manager) return;
  if (!labels_) labels_ = std::make_unique<TacLabelColours>();
  labels_->Adapt(label, manager->GetGlobalFontColor());
}

void TacCtrlAdapter::AddAllItems(vcl::TWinControl* control) {
  TsSkinManager* manager = Manager();
  if (!manager || !(manager->SkinningRules() & (1u << srThirdParty)) || AddingAllItems) return;
  // While a new skin is broadcast its data is complete but not yet marked active.
  if (!manager->Active() || manager->Sections.empty()) return;
  if (!control) control = OwnerProvider ? dynamic_cast<vcl::TWinControl*>(OwnerProvider->Form()) : nullptr;
  if (!control) return;
  TPassFlag pass(AddingAllItems);
  CleanUp();
  auto recurse = [this](vcl::TWinControl* win) {
    if (!win->HandleAllocated() || !win->Parent()) return;
    AddingAllItems = false;
    AddAllItems(win);
    AddingAllItems = true;
  };
  for (int i = 0; i < control->ComponentCount(); ++i) {
    vcl::TComponent* component = control->Components(i);
    auto* asControl = dynamic_cast<vcl::TControl*>(component);
    if (!asControl) continue;
    auto* win = dynamic_cast<vcl::TWinControl*>(asControl);
    if (IsControlAdaptable(asControl)) {
      if (win) {
        AddNewItemWithSection(win, "");
      } else if (auto* label = dynamic_cast<vcl::TCustomLabel*>(asControl)) {
        if (!ClassOrAncestorIs(label, "TsCustomLabel") && label->Tag() != kOwnLookTag) AdaptLabel(label);
      }
    }
    if (win) recurse(win);
  }
  for (int i = 0; i < control->ControlCount(); ++i) {
    vcl::TControl* child = control->Controls(i);
    if (!child) continue;
    auto* win = dynamic_cast<vcl::TWinControl*>(child);
    if (IsControlAdaptable(child)) {
      if (win)
        AddNewItemWithSection(win, "");
      else if (auto* label = dynamic_cast<vcl::TLabel*>(child))
        AdaptLabel(label);
      else if (child->Is<vcl::TSpeedButton>())
        AddGraphItem(child);
    }
    if (win) recurse(win);
  }
}

void TacCtrlAdapter::AddNewItem(vcl::TWinControl* control) { AddNewItemWithSection(control, ""); }

void TacCtrlAdapter::AddNewItemWithSection(vcl::TWinControl* control, const std::string& sectionName) {
  if (!control || control->Tag() == -98 || !control->Parent() || AnswersSkinned(control)) return;
  if (control->ComponentState().Contains(vcl::csDestroying)) return;
  std::string section = sectionName;
  if (!AskSkinItem(control, section)) return;
  if (control->Is<vcl::TCustomFrame>()) {
    // The frame skins itself through its frame adapter; it needs no item.
    if (FrameAdapterMaker) FrameAdapterMaker(control, "GROUPBOX");
    return;
  }
  TacAdapterItem* item = nullptr;
  for (auto& existing : AdapterItems)
    if (existing->Control == control) {
      item = existing.get();
      break;
    }
  const bool isNew = item == nullptr;
  if (isNew) {
    AdapterItems.push_back(std::make_unique<TacAdapterItem>(this));
    item = AdapterItems.back().get();
    item->Control = control;
  }
  item->SkinData->SetSkinSection(section);
  if (!isNew) {
    if (item->WndAdapter && item->WndAdapter->Detached) {
      HWND wnd = item->WndAdapter->Wnd && IsWindow(item->WndAdapter->Wnd) ? item->WndAdapter->Wnd : nullptr;
      RemoveAdapter(wnd, true, true, item->WndAdapter);
      if (control->Parent()) item->AttachToControl(control);
    }
    return;
  }
  if (control->Parent()) item->AttachToControl(control);
  if (!item->WndAdapter) {
    for (size_t i = 0; i < AdapterItems.size(); ++i)
      if (AdapterItems[i].get() == item) {
        AdapterItems.erase(AdapterItems.begin() + std::ptrdiff_t(i));
        break;
      }
  }
}

void TacCtrlAdapter::AddGraphItem(vcl::TControl* control) {
  if (!control || control->Tag() == -98 || !control->Parent() || AnswersSkinned(control)) return;
  if (control->ComponentState().Contains(vcl::csDestroying)) return;
  std::string offered = "SPEEDBUTTON";
  if (!AskSkinItem(control, offered)) return;
  TacGraphItem* item = nullptr;
  for (auto& existing : GraphicItems)
    if (existing->Control == control) {
      item = existing.get();
      break;
    }
  const bool isNew = item == nullptr;
  if (isNew) {
    GraphicItems.push_back(std::make_unique<TacGraphItem>(this));
    item = GraphicItems.back().get();
    item->Control = control;
  }
  auto* button = dynamic_cast<vcl::TSpeedButton*>(control);
  item->SkinData->SetSkinSection(button && button->Flat() ? "SPEEDBUTTON_SMALL" : "SPEEDBUTTON");
  if (!isNew) {
    if (!item->ButtonHandler || !item->ButtonHandler->Attached()) {
      item->ButtonHandler.reset();
      item->AttachToControl(control);
    }
    return;
  }
  item->AttachToControl(control);
  if (!item->ButtonHandler) GraphicItems.pop_back();
}

void TacCtrlAdapter::RemoveItem(int index) {
  if (index < 0 || index >= int(AdapterItems.size())) return;
  std::unique_ptr<TacAdapterItem> freed = std::move(AdapterItems[size_t(index)]);
  if (size_t(index) + 1 != AdapterItems.size()) AdapterItems[size_t(index)] = std::move(AdapterItems.back());
  AdapterItems.pop_back();
}

void TacCtrlAdapter::BroadcastToItems(const vcl::TMessage& message) {
  // A copy: an item's window may make the list change while it answers.
  std::vector<HWND> windows;
  for (auto& item : AdapterItems)
    if (item->WndAdapter && !item->WndAdapter->Detached && item->Control && item->Control->Parent() &&
        item->Control->HandleAllocated())
      windows.push_back(item->Control->WindowHandle());
  for (HWND wnd : windows)
    if (IsWindow(wnd)) SendMessageA(wnd, message.Msg, message.WParam, message.LParam);
}

void TacCtrlAdapter::CleanUp() {
  std::erase_if(AdapterItems, [](const auto& item) { return !item->WndAdapter || item->WndAdapter->Detached; });
  std::erase_if(GraphicItems,
                [](const auto& item) { return !item->ButtonHandler || !item->ButtonHandler->Attached(); });
}

void TacCtrlAdapter::RemoveAllItems() {
  if (RemovingAllItems) return;
  TPassFlag pass(RemovingAllItems);
  if (labels_) labels_->RestoreAll();
  // Taken out first: a window that answers while its item goes finds no half-freed list.
  TacAdapterItems items = std::move(AdapterItems);
  AdapterItems.clear();
  while (!items.empty()) items.pop_back();
  TacGraphItems graphics = std::move(GraphicItems);
  GraphicItems.clear();
  while (!graphics.empty()) {
    std::unique_ptr<TacGraphItem>& item = graphics.back();
    // A control freed meanwhile took the handler's link with it: nothing of it is touched.
    const bool alive = item->ButtonHandler && item->ButtonHandler->Attached();
    vcl::TControl* control = item->Control;
    graphics.pop_back();
    if (alive && control && !control->ComponentState().Contains(vcl::csDestroying)) control->Invalidate();
  }
}

int TacCtrlAdapter::AdaptedLabelCount() const { return labels_ ? labels_->Count() : 0; }

}  // namespace skin
