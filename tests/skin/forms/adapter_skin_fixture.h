// The program's own skin loaded by a skin manager, for the adapter tests: the skin the build
// packs, read from its packed file in the build tree.
#pragma once

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "skin/engine/skin_manager.h"

namespace adapter_test {

inline std::unique_ptr<skin::TsSkinManager> LoadInternalSkin() {
  std::string path = MERGEON_INTERNAL_SKIN;
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path)
    if (c == '/') c = '\\';
  const size_t slash = path.rfind('\\');
  std::string name = path.substr(slash + 1);
  name = name.substr(0, name.rfind('.'));
  auto manager = std::make_unique<skin::TsSkinManager>(nullptr);
  manager->SetSkinDirectory(path.substr(0, slash + 1));
  manager->SetSkinName(name);
  return manager;
}

}  // namespace adapter_test
