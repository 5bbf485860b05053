// Writes packed skin containers ("ASzf"): the skin's "Options.dat" and its images, each entry
// deflated into one zlib stream after its name and unpacked size.
#pragma once

#include <string>
#include <vector>

#include "vcl/runtime/streams.h"

namespace skin {

struct TacPackEntry {
  std::string Name;
  std::string Data;  // the entry's bytes, not empty
};

// Writes the container at the stream's position. Raises EInvalidArgument for an entry that the
// format cannot hold (empty data) and for a list without exactly one "Options.dat".
void PackSkin(const std::vector<TacPackEntry>& entries, vcl::TStream* output);

// Packs a skin folder: its "Options.dat" first, then every other file of the folder (not its
// sub-folders) in name order.
void PackSkinFolder(const std::string& folder, vcl::TStream* output);

}  // namespace skin
