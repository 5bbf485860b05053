#include "skin/forms/adapters/control_adapters.h"

#include "skin/engine/window_messages.h"
#include "skin/forms/adapters/button_adapters.h"
#include "skin/forms/adapters/combo_box_wnd.h"
#include "skin/forms/adapters/grid_wnd.h"
#include "skin/forms/adapters/list_view_wnd.h"
#include "skin/forms/adapters/panel_adapter.h"
#include "skin/forms/adapters/scroll_wnd.h"
#include "skin/forms/adapters/spin_adapter.h"
#include "skin/forms/adapters/static_adapters.h"
#include "skin/forms/adapters/tree_view_wnd.h"
#include "skin/forms/adapters/virtual_tree_wnd.h"
#include "skin/forms/adapters/status_bar_adapter.h"
#include "skin/forms/adapters/tab_adapters.h"
#include "skin/forms/adapters/tool_bar_vcl_adapter.h"
#include "vcl/stdctrls/buttons.h"
#include "vcl/stdctrls/comctrls.h"
#include "vcl/stdctrls/extctrls.h"
#include "vcl/stdctrls/grids.h"
#include "vcl/stdctrls/stdctrls.h"

namespace skin {

namespace {

enum ThirdPartyIndex {
  tpEdits = 0,
  tpButtons = 1,
  tpBitBtns = 2,
  tpCheckBoxes = 3,
  tpComboBoxes = 4,
  tpGrids = 5,
  tpGroupBoxes = 6,
  tpListViews = 7,
  tpPanels = 8,
  tpTreeViews = 9,
  tpGridEh = 11,
  tpVirtualTrees = 12,
  tpPageControls = 13,
  tpTabControls = 14,
  tpToolBars = 15,
  tpStatusBars = 16,
  tpSpeedButtons = 17
};

bool Excluded(vcl::TWinControl* control) {
  if (!control || !control->HandleAllocated() || control->Tag() == -98) return true;
  const vcl::TComponentState state = control->ComponentState();
  if (state.Contains(vcl::csDestroying) || state.Contains(vcl::csDesigning)) return true;
  // Skinned controls carry their own link; a window adapted already answers too.
  return WndAnswersAlphaCmd(control->WindowHandle(), cmdIsSkinned);
}

template <class T>
TacMainWnd* Make(vcl::TWinControl* control, const char* section, TsSkinManager* manager) {
  auto* link = new TsCommonData(control, true);
  if (manager && !manager->GetIsDefault()) link->SetSkinManager(manager);
  link->SetSkinSection(section);
  TacMainWnd* adapter = MakeAdapter<T>(true, control->WindowHandle(), std::string(section), manager, link);
  adapter->OwnsSkinLink = true;
  return adapter;
}

TacMainWnd* MakePanel(vcl::TWinControl* control, TsSkinManager* manager) {
  const std::string section = TacPanelWnd::SectionForPanel(dynamic_cast<vcl::TCustomPanel*>(control));
  return Make<TacPanelWnd>(control, section.c_str(), manager);
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

int ThirdPartyCategory(vcl::TControl* control, TsSkinManager* manager) {
  if (!control || !manager) return -1;
  const std::string name = control->ClassName();
  for (int i = 0; i < ThirdPartyCount; ++i) {
    const vcl::TStringList* list = manager->ThirdPartyLists[size_t(i)].get();
    if (list && list->IndexOf(name) >= 0) return i;
  }
  return -1;
}

TacMainWnd* AdaptControl(vcl::TWinControl* control, TsSkinManager* manager, const std::string& section) {
  if (Excluded(control)) return nullptr;
  // A section chosen by the application wins over the class's own.
  auto pick = [&section](const char* own) { return section.empty() ? own : section.c_str(); };
  switch (ThirdPartyCategory(control, manager)) {
    case tpEdits:
      return Make<TacEditWnd>(control, "EDIT", manager);
    case tpComboBoxes:
      return Make<TacComboBoxWnd>(control, "COMBOBOX", manager);
    case tpGrids:
      return Make<TacGridWnd>(control, "EDIT", manager);
    case tpListViews:
      return Make<TacListViewWnd>(control, "EDIT", manager);
    case tpTreeViews:
      return Make<TacTreeViewWnd>(control, "EDIT", manager);
    case tpGridEh:
      return Make<TacGridEhWnd>(control, "EDIT", manager);
    case tpButtons:
      return Make<TacBtnWnd>(control, "BUTTON", manager);
    case tpBitBtns:
      return Make<TacBitBtnWnd>(control, "BUTTON", manager);
    case tpCheckBoxes:
      return Make<TacCheckBoxWnd>(control, "CHECKBOX", manager);
    case tpGroupBoxes:
      return Make<TacGroupBoxWnd>(control, "GROUPBOX", manager);
    case tpPanels:
      return MakePanel(control, manager);
    case tpVirtualTrees:
      return Make<TacVirtualTreeViewWnd>(control, "EDIT", manager);
    case tpPageControls:
      return Make<TacPageControlWnd>(control, pick("PAGECONTROL"), manager);
    case tpTabControls:
      return Make<TacTabControlWnd>(control, pick("PAGECONTROL"), manager);
    case tpToolBars:
      return Make<TacToolBarVCLWnd>(control, pick("TOOLBAR"), manager);
    case tpStatusBars:
      return Make<TacStatusBarWnd>(control, pick("STATUSBAR"), manager);
    default:
      break;
  }
  // The standard classes by kind.
  if (control->Is<vcl::TBitBtn>()) return Make<TacBitBtnWnd>(control, "BUTTON", manager);
  if (control->Is<vcl::TButton>()) return Make<TacBtnWnd>(control, "BUTTON", manager);
  if (control->Is<vcl::TCustomCheckBox>() || control->Is<vcl::TRadioButton>())
    return Make<TacCheckBoxWnd>(control, "CHECKBOX", manager);
  if (control->Is<vcl::TCustomEdit>() || control->Is<vcl::TCustomListBox>())
    return Make<TacEditWnd>(control, "EDIT", manager);
  if (control->Is<vcl::TCustomComboBox>()) return Make<TacComboBoxWnd>(control, "COMBOBOX", manager);
  if (control->Is<vcl::TTreeView>()) return Make<TacTreeViewWnd>(control, "EDIT", manager);
  if (control->Is<vcl::TListView>()) return Make<TacListViewWnd>(control, "EDIT", manager);
  if (control->Is<vcl::TCustomGrid>()) return Make<TacGridWnd>(control, "EDIT", manager);
  if (control->Is<vcl::TCustomGroupBox>()) return Make<TacGroupBoxWnd>(control, "GROUPBOX", manager);
  if (control->Is<vcl::TStaticText>()) return Make<TacStaticWnd>(control, "CHECKBOX", manager);
  if (control->Is<vcl::TCustomPanel>()) return MakePanel(control, manager);
  if (control->Is<vcl::TUpDown>()) return Make<TacSpinWnd>(control, "SPEEDBUTTON_SMALL", manager);
  if (control->Is<vcl::TPageControl>()) return Make<TacPageControlWnd>(control, pick("PAGECONTROL"), manager);
  if (control->Is<vcl::TCustomTabControl>()) return Make<TacTabControlWnd>(control, pick("PAGECONTROL"), manager);
  if (control->Is<vcl::TToolBar>()) return Make<TacToolBarVCLWnd>(control, pick("TOOLBAR"), manager);
  if (control->Is<vcl::TStatusBar>()) return Make<TacStatusBarWnd>(control, pick("STATUSBAR"), manager);
  return nullptr;
}

TacControlAdapters::TacControlAdapters(vcl::TWinControl* root, TsSkinManager* manager)
    : root_(root), manager_(manager) {
  if (root_)
    rootLink_ = root_->WindowProc.Install(
        [this](vcl::TMessage& message, const vcl::TWindowProcNext& next) { RootMessage(message, next); });
}

TacControlAdapters::~TacControlAdapters() {
  rootLink_.Remove();
  RemoveAll();
}

TsSkinManager* TacControlAdapters::Manager() const { return manager_ ? manager_ : DefaultManager; }

void TacControlAdapters::RootMessage(vcl::TMessage& m, const vcl::TWindowProcNext& next) {
  if (m.Msg == WM_PARENTNOTIFY && LOWORD(m.WParam) == WM_CREATE) {
    // A window created anywhere below the root: it is adapted once its control has finished
    // making it, when the posted announcement arrives.
    next(m);
    if (root_ && root_->HandleAllocated())
      PostMessageA(root_->WindowHandle(), SM_ALPHACMD, MAKEWPARAM(0, cmdControlLoaded), 0);
    return;
  }
  if (m.Msg != SM_ALPHACMD) {
    next(m);
    return;
  }
  const uint16_t command = m.WParamHi();
  const bool ours = m.LParam == LPARAM(Manager());
  next(m);
  switch (command) {
    case cmdSkinSet:
      if (ours) AdaptAll();
      break;
    case cmdSkinRemoved:
      if (ours) RemoveAll();
      break;
    case cmdControlLoaded:
      if (m.LParam == 0)
        AdaptAll();
      else if (auto* control = dynamic_cast<vcl::TWinControl*>(reinterpret_cast<vcl::TObject*>(m.LParam)))
        Adapt(control);
      break;
    default:
      break;
  }
}

void TacControlAdapters::Adapt(vcl::TWinControl* control) {
  TsSkinManager* manager = Manager();
  // While a new skin is broadcast its data is complete but not yet marked active.
  if (!control || !manager || !manager->Active() || manager->Sections.empty()) return;
  if (control == root_) CleanUp();
  // An entry whose window went belongs to a control that was destroyed or made a new window.
  if (auto found = adapters_.find(control); found != adapters_.end() && (!found->second || found->second->Detached))
    adapters_.erase(found);
  if (control != root_ && !adapters_.count(control) && !Excluded(control)) {
    bool canBeAdded = true;
    std::string section;
    if (OnSkinItem) OnSkinItem(control, canBeAdded, section);
    if (canBeAdded)
      if (TacMainWnd* adapter = AdaptControl(control, manager, section)) adapters_[control].reset(adapter);
  }
  for (int i = 0; i < control->ControlCount(); ++i) {
    vcl::TControl* child = control->Controls(i);
    if (auto* win = dynamic_cast<vcl::TWinControl*>(child)) {
      Adapt(win);
      continue;
    }
    // Windowless controls: the library's own (Tag -98) and skinned ones are left alone.
    if (!child || child->Tag() == -98 || handlers_.count(child) || child->ComponentState().Contains(vcl::csDestroying) ||
        child->Perform(SM_ALPHACMD, MAKEWPARAM(0, cmdIsSkinned), 0) == 1)
      continue;
    auto* label = dynamic_cast<vcl::TCustomLabel*>(child);
    const bool speedButton = ThirdPartyCategory(child, manager) == tpSpeedButtons;
    if (!label && !speedButton) continue;
    bool canBeAdded = true;
    std::string section = speedButton ? "SPEEDBUTTON" : "";
    if (OnSkinItem) OnSkinItem(child, canBeAdded, section);
    if (!canBeAdded) continue;
    if (label) {
      // A plain label shows the skin through, in the skin's font colour.
      if (!labels_) labels_ = std::make_unique<TacLabelColours>();
      labels_->Adapt(label, manager->GetGlobalFontColor());
      continue;
    }
    // A speed button of another set gets the handler in its message chain; a flat one the
    // small section.
    auto* button = dynamic_cast<vcl::TSpeedButton*>(child);
    const char* buttonSection = button && button->Flat() ? "SPEEDBUTTON_SMALL" : "SPEEDBUTTON";
    Handled& handled = handlers_[child];
    handled.link = std::make_unique<TsCommonData>(child, true);
    if (!manager->GetIsDefault()) handled.link->SetSkinManager(manager);
    handled.link->SetSkinSection(buttonSection);
    handled.handler = std::make_unique<TacSpeedButtonHandler>(child, buttonSection, manager, handled.link.get());
    child->Invalidate();
  }
}

void TacControlAdapters::AdaptAll() { Adapt(root_); }

void TacControlAdapters::CleanUp() {
  std::erase_if(adapters_, [](const auto& item) { return !item.second || item.second->Detached; });
  std::erase_if(handlers_, [](const auto& item) { return !item.second.handler || !item.second.handler->Attached(); });
}

int TacControlAdapters::AdaptedLabelCount() const { return labels_ ? labels_->Count() : 0; }

void TacControlAdapters::RemoveAll() {
  if (labels_) labels_->RestoreAll();
  // Handlers first (they use the links they are freed with); each control repaints itself.
  auto handlers = std::move(handlers_);
  handlers_.clear();
  for (auto& [control, handled] : handlers) {
    // A control freed meanwhile took the handler's link with it: nothing of it is touched.
    const bool alive = handled.handler && handled.handler->Attached();
    handled.handler.reset();
    if (alive && !control->ComponentState().Contains(vcl::csDestroying)) control->Invalidate();
  }
  // Taken out first: a window that answers while its adapter goes finds no half-freed map.
  auto adapters = std::move(adapters_);
  adapters_.clear();
  for (auto& [control, adapter] : adapters) {
    (void)control;
    if (!adapter) continue;
    TacMainWnd* raw = adapter.release();
    RemoveAdapter(raw->Wnd && IsWindow(raw->Wnd) ? raw->Wnd : nullptr, true, true, raw);
  }
}

TacSpeedButtonHandler* TacControlAdapters::HandlerOf(vcl::TControl* control) const {
  auto found = handlers_.find(control);
  return found != handlers_.end() ? found->second.handler.get() : nullptr;
}

TacMainWnd* TacControlAdapters::AdapterOf(vcl::TWinControl* control) const {
  auto found = adapters_.find(control);
  return found != adapters_.end() && found->second && !found->second->Detached ? found->second.get() : nullptr;
}

}  // namespace skin
