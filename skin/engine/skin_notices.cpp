#include "skin/engine/skin_notices.h"

#include <algorithm>

#include "vcl/controls/application.h"
#include "vcl/runtime/sysutils.h"
#include "vcl/runtime/win.h"

namespace skin {

const char* const NewerSkinNotice =
    "This version of the skin have not complete support by used skin toolkit package release.\r\n"
    "Components must be updated up to latest version for using this skin.";

const char* const EngineVersionNotice = "Skin engine v6.55";

std::string OldSkinNotice(const std::string& skinName) {
  return "You are using an old version of the \"" + skinName +
         "\" skin. Please, update a skins to latest or link with the skin toolkit support for upgrading of "
         "existing skin.\r\n\r\nThis notification occurs in design-time only for your information and will not "
         "occur in real-time.";
}

std::function<void(const std::string& text)> OnSkinNotice;

void ShowSkinNotice(const std::string& text) {
  if (OnSkinNotice) {
    OnSkinNotice(text);
    return;
  }
  if (vcl::Application)
    vcl::Application->MessageBox(text, vcl::Application->Title(), MB_OK);
  else
    MessageBoxA(nullptr, text.c_str(), "", MB_OK);
}

bool ShowVersionOnRequest(const std::vector<std::string>& parameters) {
  const bool asked = std::any_of(parameters.begin(), parameters.end(),
                                 [](const std::string& p) { return vcl::LowerCase(p) == "/acver"; });
  if (asked) ShowSkinNotice(EngineVersionNotice);
  return asked;
}

void CheckVersionRequestOnce() {
  static bool checked = false;
  if (checked) return;
  checked = true;
  std::vector<std::string> parameters;
  for (int i = 1; i <= vcl::ParamCount(); ++i) parameters.push_back(vcl::ParamStr(i));
  ShowVersionOnRequest(parameters);
}

}  // namespace skin
