// The adapters of a container's class-library controls: each windowed control that is not a
// skinned control itself (it does not answer SM_ALPHACMD 7) and is not one of the library's
// own windows (Tag -98) gets the adapter its class asks for: the standard classes by kind, and
// foreign classes by the category of the skin manager's ThirdParty lists that names them;
// windowless controls of its SpeedButton list get the speed-button handler.
// The set follows the skin: adapted when a skin is set, given back when it is removed, and a
// control announced with SM_ALPHACMD 25 is adapted when it comes.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "skin/forms/adapters/main_wnd.h"
#include "skin/forms/adapters/speed_button_handler.h"
#include "vcl/controls/window_proc_chain.h"

namespace skin {

// A new adapter for the control (owning a new skin link), or null when its class gets none. A
// section name given replaces the section of the classes that take one from their user.
TacMainWnd* AdaptControl(vcl::TWinControl* control, TsSkinManager* manager, const std::string& section = "");
// The ThirdParty category (0-17) whose list names the control's class, or -1.
int ThirdPartyCategory(vcl::TControl* control, TsSkinManager* manager);

// Asked for each control about to be adapted: it may veto it or choose its section.
using TacAdaptQuery = std::function<void(vcl::TComponent* Item, bool& CanBeAdded, std::string& SkinSection)>;

class TacLabelColours;

class TacControlAdapters {
 public:
  // Follows the skin of the manager (null: the default manager) for the root's controls.
  TacControlAdapters(vcl::TWinControl* root, TsSkinManager* manager);
  // Every window is given back.
  ~TacControlAdapters();
  TacControlAdapters(const TacControlAdapters&) = delete;
  TacControlAdapters& operator=(const TacControlAdapters&) = delete;

  // Adapts every control below the root that has no adapter yet (when the skin is active).
  void AdaptAll();
  // Adapts one control (and the controls below it).
  void Adapt(vcl::TWinControl* control);
  // Gives every window back and frees the adapters.
  void RemoveAll();
  TacMainWnd* AdapterOf(vcl::TWinControl* control) const;
  // The handler of a windowless control of the manager's SpeedButton list.
  TacSpeedButtonHandler* HandlerOf(vcl::TControl* control) const;
  int Count() const { return int(adapters_.size() + handlers_.size()); }
  // Plain labels of the class library shown through with the skin's font colour (their own
  // look comes back with RemoveAll).
  int AdaptedLabelCount() const;
  // Drops the adapters whose window went (a control destroyed, re-parented or recreated).
  void CleanUp();

  TacAdaptQuery OnSkinItem;

 private:
  void RootMessage(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  TsSkinManager* Manager() const;

  vcl::TWinControl* root_;
  TsSkinManager* manager_;
  std::map<vcl::TWinControl*, std::unique_ptr<TacMainWnd>> adapters_;
  // Windowless controls: the handler and the skin link it paints with.
  struct Handled {
    std::unique_ptr<TsCommonData> link;
    std::unique_ptr<TacSpeedButtonHandler> handler;
  };
  std::map<vcl::TControl*, Handled> handlers_;
  std::unique_ptr<TacLabelColours> labels_;
  vcl::TWindowProcLink rootLink_;
};

}  // namespace skin
