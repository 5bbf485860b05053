// What the image view gives the I/O library, which stands below it: the layer file format
// (content test, reader of the composed picture, load into an attached view) and the exchange
// of layers with PSD files. Run by the view's part of the library's shared start-up.
#pragma once

namespace imaging {

void RegisterViewIOFormats();

}  // namespace imaging
