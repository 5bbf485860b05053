// Packs a skin folder into a packed skin container with the skin engine's own packer:
//   pack-skin FOLDER OUTPUT
// Run by the build under Wine; Unix paths are taken through Wine's drive for the root.
#include <cstdio>
#include <exception>
#include <string>

#include "skin/engine/skin_packer.h"
#include "vcl/runtime/streams.h"

namespace {

std::string PlatformPath(std::string path) {
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: pack-skin FOLDER OUTPUT\n");
    return 2;
  }
  try {
    vcl::TMemoryStream packed;
    skin::PackSkinFolder(PlatformPath(argv[1]), &packed);
    packed.SaveToFile(PlatformPath(argv[2]));
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pack-skin: %s\n", e.what());
    return 1;
  }
}
