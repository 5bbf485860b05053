// The names of the skins a manager can load: its stored skins, then the folder and packed
// skins of its skin directory.
#include <algorithm>

#include "skin/engine/skin_manager.h"
#include "vcl/runtime/sysutils.h"

namespace skin {

std::string TsSkinManager::ListSkinNames(vcl::TStrings* list, int kind) const {
  list->Clear();
  std::string first;
  std::vector<std::string> names;
  for (int i = 0; i < internalSkins_->Count(); ++i) {
    names.push_back(internalSkins_->Items(i)->Name());
    if (i == 0) first = names.back();
  }
  std::string dir = GetFullSkinDirectory();
  if (vcl::DirectoryExists(dir)) {
    vcl::TSearchRec rec;
    if (vcl::FindFirst(dir + "*", vcl::faAnyFile, rec) == 0) {
      do {
        if (rec.Name.empty() || rec.Name[0] == '.') continue;
        std::string added;
        if ((rec.Attr & vcl::faDirectory) != 0) {
          if ((kind == 0 || kind == 2) && vcl::FileExists(dir + rec.Name + "\\Options.dat")) added = rec.Name;
        } else if ((kind == 1 || kind == 2) && vcl::ExtractFileExt(rec.Name) == ".asz") {
          added = rec.Name.substr(0, rec.Name.find('.'));
        }
        if (added.empty()) continue;
        names.push_back(added);
        if (first.empty()) first = added;
      } while (vcl::FindNext(rec) == 0);
      vcl::FindClose(rec);
    }
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return vcl::CompareText(a, b) < 0;
  });
  for (const std::string& name : names) list->Add(name);
  return first;
}

}  // namespace skin
