// What the vector layer gives the I/O library, which stands below it: the vector-object file
// format and the format of layers with objects (content tests, readers of the flattened
// picture, loads into an attached vector view). Run by the vector layer's part of the library's
// shared start-up.
#pragma once

namespace imaging {

void RegisterVectIOFormats();

}  // namespace imaging
