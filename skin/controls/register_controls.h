// The skinned controls' one list of classes that form data may name: a program that reads
// such form data calls RegisterSkinnedControls once at start-up.
#pragma once

namespace skin {

void RegisterSkinnedControls();

}  // namespace skin
