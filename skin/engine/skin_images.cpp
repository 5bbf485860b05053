#include "skin/engine/skin_images.h"

#include "skin/engine/png/png_drawing.h"
#include "skin/engine/png/png_graphic.h"
#include "skin/engine/skin_convertor.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/sysutils.h"

namespace skin {

bool LoadSkinPngImage(vcl::TStream* data, vcl::TBitmap& bitmap) {
  // A damaged PNG raises; the caller leaves the image out as if it were missing.
  png::TPNGGraphic image;
  image.LoadFromStream(data);
  bitmap.Assign(&image);
  png::ClearWhiteTransparent(&bitmap);
  return true;
}

namespace {

// The bytes of the named image, from the container or the folder; null when absent.
std::unique_ptr<vcl::TMemoryStream> FindImageData(const std::string& name, TacSkinConvertor* container,
                                                  const std::string& folder) {
  auto data = std::make_unique<vcl::TMemoryStream>();
  if (container) {
    TacImageItem* item = container->FindImage(name);
    if (!item || !item->Data) return nullptr;
    data->LoadFromStream(item->Data.get());
  } else {
    if (name.empty()) return nullptr;
    std::string path = name.find(':') == std::string::npos ? folder + name : name;
    if (!vcl::FileExists(path)) return nullptr;
    data->LoadFromFile(path);
  }
  data->SetPosition(0);
  return data;
}

}  // namespace

std::shared_ptr<vcl::TBitmap> LoadSkinImage(const std::string& name, TacSkinConvertor* container,
                                            const std::string& folder, bool allowPng) {
  // A damaged image loses only its own mask, never the whole skin.
  try {
    auto data = FindImageData(name, container, folder);
    if (!data) return nullptr;
    auto bitmap = std::make_shared<vcl::TBitmap>();
    if (vcl::UpperCase(name).find(".PNG") != std::string::npos) {
      if (!allowPng || !LoadSkinPngImage(data.get(), *bitmap)) return nullptr;
    } else {
      bitmap->LoadFromStream(data.get());
    }
    if (bitmap->Width() <= 0 || bitmap->Height() <= 0) return nullptr;
    return bitmap;
  } catch (const vcl::Exception&) {
    return nullptr;
  }
}

std::shared_ptr<vcl::TJPEGImage> LoadSkinJpeg(const std::string& name, TacSkinConvertor* container,
                                              const std::string& folder) {
  try {
    auto data = FindImageData(name, container, folder);
    if (!data) return nullptr;
    auto jpeg = std::make_shared<vcl::TJPEGImage>();
    jpeg->LoadFromStream(data.get());
    if (jpeg->Width() <= 0 || jpeg->Height() <= 0) return nullptr;
    return jpeg;
  } catch (const vcl::Exception&) {
    return nullptr;
  }
}

}  // namespace skin
