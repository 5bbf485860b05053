// What the image view gives the I/O library, which stands below it: the layer file format
// (content test, reader of the composed picture, load into an attached view) and the exchange
// of layers with PSD files. Run by the view's part of the library's shared start-up.
#pragma once

#include <cstdint>

namespace imaging {

class TImageView;

void RegisterViewIOFormats();

// The largest picture a file's layers or objects are composed into: positions and sizes come
// from the file, and one far away would make the picture as large as the distance.
constexpr int64_t kLargestComposedSide = 65535;
constexpr int64_t kLargestComposedArea = int64_t(1) << 26;
bool IsComposableSize(int64_t width, int64_t height, int64_t largestArea = kLargestComposedArea);
// Whether the composition of the view's layers stays within those limits.
bool LayersComposable(TImageView& view);

}  // namespace imaging
