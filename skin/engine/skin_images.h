// Images of a skin: read from the packed container's items or from the skin folder.
#pragma once

#include <memory>
#include <string>

#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/jpeg.h"
#include "vcl/runtime/streams.h"

namespace skin {

class TacSkinConvertor;

// Fills `bitmap` from PNG data through the engine's own PNG reader, white transparent pixels
// cleared; raises on damaged data.
bool LoadSkinPngImage(vcl::TStream* data, vcl::TBitmap& bitmap);

// The image named `name` (a BMP, or a PNG when allowPng), from the container item of that name
// (without case), or from the file (prefixed with `folder` when it has no
// ":"). Null when it is missing, unreadable or 0 pixels wide.
std::shared_ptr<vcl::TBitmap> LoadSkinImage(const std::string& name, TacSkinConvertor* container,
                                            const std::string& folder, bool allowPng);
// The JPEG of that name, found the same way; null when missing, unreadable or empty.
std::shared_ptr<vcl::TJPEGImage> LoadSkinJpeg(const std::string& name, TacSkinConvertor* container,
                                              const std::string& folder);

}  // namespace skin
