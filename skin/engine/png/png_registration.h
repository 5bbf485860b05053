// The skin PNG reader's place in the picture loader's registry. The program's start-up calls
// RegisterSkinPngFormat before the picture formats register theirs: the loader takes the latest
// registration for an extension, so "png" files opened through it go to the picture formats'
// reader, and this one serves the images the skin engine makes it for. Shut-down calls
// UnregisterSkinPngFormat.
#pragma once

namespace skin::png {

void RegisterSkinPngFormat();
void UnregisterSkinPngFormat();

}  // namespace skin::png
