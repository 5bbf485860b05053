// TacCtrlAdapter: the control adapter of a form skinned by a skin provider. It walks the form's
// components and child controls and gives each control whose class name stands in one of the
// skin manager's ThirdParty lists the window adapter of that list (an adapter item with its own
// skin link); a listed speed button gets the speed-button handler (a graphic item); plain labels
// show the skin through in its font colour; a frame the application accepts gets a frame
// adapter. The provider creates it when the skin reaches the form, calls AddAllItems when
// controls come or the skin changes, and frees it when the skin goes.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "skin/forms/adapters/main_wnd.h"
#include "skin/forms/adapters/speed_button_handler.h"

namespace vcl {
class TCustomLabel;
}

namespace skin {

class TsSkinProvider;
class TacCtrlAdapter;
class TacLabelColours;

// One adapted windowed control: its skin link and its window adapter.
class TacAdapterItem {
 public:
  explicit TacAdapterItem(TacCtrlAdapter* adapter);
  // Frees the window adapter (it gives the window back) and then the skin link.
  virtual ~TacAdapterItem();
  TacAdapterItem(const TacAdapterItem&) = delete;
  TacAdapterItem& operator=(const TacAdapterItem&) = delete;

  // Makes the window adapter of the first ThirdParty list that names the control's class.
  virtual void AttachToControl(vcl::TWinControl* control);

  vcl::TWinControl* Control = nullptr;
  std::unique_ptr<TsCommonData> SkinData;
  TacCtrlAdapter* Adapter = nullptr;
  TacMainWnd* WndAdapter = nullptr;  // owned
};
using TacAdapterItems = std::vector<std::unique_ptr<TacAdapterItem>>;

// One adapted speed button: its skin link and its handler.
class TacGraphItem {
 public:
  explicit TacGraphItem(TacCtrlAdapter* adapter);
  virtual ~TacGraphItem();
  TacGraphItem(const TacGraphItem&) = delete;
  TacGraphItem& operator=(const TacGraphItem&) = delete;

  virtual void AttachToControl(vcl::TControl* control);

  vcl::TControl* Control = nullptr;
  std::unique_ptr<TsCommonData> SkinData;
  TacCtrlAdapter* Adapter = nullptr;
  std::unique_ptr<TacSpeedButtonHandler> ButtonHandler;
};
using TacGraphItems = std::vector<std::unique_ptr<TacGraphItem>>;

class TacCtrlAdapter {
 public:
  explicit TacCtrlAdapter(TsSkinProvider* provider);
  // Drops stale items, then frees every item (each window is given back).
  virtual ~TacCtrlAdapter();
  TacCtrlAdapter(const TacCtrlAdapter&) = delete;
  TacCtrlAdapter& operator=(const TacCtrlAdapter&) = delete;

  virtual bool IsControlAdaptable(vcl::TControl* control);
  virtual TacAdapterItem* GetItem(int index) const;
  virtual int ReservedQuery() { return 0; }
  virtual void AddGraphItem(vcl::TControl* control);
  virtual void AddNewItem(vcl::TWinControl* control);
  virtual void AddNewItemWithSection(vcl::TWinControl* control, const std::string& section);
  virtual void RemoveItem(int index);
  virtual void BroadcastToItems(const vcl::TMessage& message);

  // Adapts the components and child controls of the control (null: the provider's form) and
  // of the windowed ones below them.
  void AddAllItems(vcl::TWinControl* control = nullptr);
  // Drops the items whose window adapter or handler went (a window recreated or destroyed).
  void CleanUp();
  void RemoveAllItems();
  // Plain labels shown through in the skin's font colour (given back with RemoveAllItems).
  int AdaptedLabelCount() const;

  // The provider's manager (the default one when it names none).
  TsSkinManager* Manager() const;
  // Asks the provider's OnSkinItem; true when the item may be adapted.
  bool AskSkinItem(vcl::TComponent* item, std::string& section) const;

  TacAdapterItems AdapterItems;
  TacGraphItems GraphicItems;
  TsSkinProvider* OwnerProvider = nullptr;

 private:
  void AdaptLabel(vcl::TCustomLabel* label);

  std::unique_ptr<TacLabelColours> labels_;
};

// The first ThirdParty list (0-17) that names the control's class exactly, or -1.
int ThirdPartyListOf(vcl::TControl* control, TsSkinManager* manager);

// The skinned controls make frame adapters: the control adapter, which lies below them, asks
// through this hook for the frame adapter of a frame, with its skin section.
using TacFrameAdapterMaker = void (*)(vcl::TWinControl* frame, const std::string& section);
void SetFrameAdapterMaker(TacFrameAdapterMaker maker);

}  // namespace skin
