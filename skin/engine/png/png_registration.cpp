#include "skin/engine/png/png_registration.h"

#include "skin/engine/png/png_graphic.h"
#include "vcl/graphics/picture.h"

namespace skin::png {

void RegisterSkinPngFormat() {
  vcl::TPicture::RegisterFileFormat("png", "Portable network graphics (skin toolkit)", TPNGGraphic::GraphicClass());
}

void UnregisterSkinPngFormat() { vcl::TPicture::UnregisterGraphicClass(TPNGGraphic::GraphicClass()); }

}  // namespace skin::png
