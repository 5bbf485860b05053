#include "formats/file_format_list.h"

#include <algorithm>

#include "formats/autodesk/autodesk_graphic.h"
#include "formats/cut/cut_graphic.h"
#include "formats/format_graphic.h"
#include "formats/pcd/pcd_graphic.h"
#include "formats/pcx/pcx_graphic.h"
#include "formats/png/png_graphic.h"
#include "formats/pnm/ppm_graphic.h"
#include "formats/psd/psd_graphic.h"
#include "formats/psp/psp_graphic.h"
#include "formats/rla/rla_graphic.h"
#include "formats/sgi/sgi_graphic.h"
#include "formats/tiff/tiff_graphic.h"
#include "formats/targa/targa_graphic.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/icon.h"
#include "vcl/graphics/jpeg.h"
#include "vcl/graphics/metafile.h"
#include "vcl/graphics/picture.h"
#include "vcl/runtime/sysutils.h"

namespace formats {

TFileFormatList::~TFileFormatList() { Clear(); }

void TFileFormatList::Clear() {
  for (const auto& entry : classes_) vcl::TPicture::UnregisterGraphicClass(entry->GraphicClass);
  classes_.clear();
  extensions_.clear();
}

int TFileFormatList::IndexOfExtension(const std::string& extension) const {
  if (extension.empty()) return -1;
  for (size_t i = 0; i < extensions_.size(); ++i)
    if (vcl::SameText(extensions_[i]->Extension, extension)) return static_cast<int>(i);
  return -1;
}

int TFileFormatList::IndexOfClass(vcl::TGraphicClass graphicClass) const {
  for (size_t i = 0; i < classes_.size(); ++i)
    if (classes_[i]->GraphicClass == graphicClass) return static_cast<int>(i);
  return -1;
}

TClassEntry* TFileFormatList::AttachClass(vcl::TGraphicClass graphicClass, const std::string& commonDescription) {
  const int index = IndexOfClass(graphicClass);
  TClassEntry* entry;
  if (index >= 0) {
    entry = classes_[index].get();
  } else {
    classes_.push_back(std::make_unique<TClassEntry>());
    entry = classes_.back().get();
    entry->GraphicClass = graphicClass;
  }
  if (!commonDescription.empty()) entry->Description = commonDescription;
  ++entry->Count;
  return entry;
}

void TFileFormatList::RemoveClassEntry(TClassEntry* entry) {
  std::erase_if(classes_, [&](const std::unique_ptr<TClassEntry>& e) { return e.get() == entry; });
}

void TFileFormatList::RegisterExtension(const std::string& extension, const std::string& commonDescription,
                                        const std::string& individualDescription, TFormatKinds kinds, bool replace,
                                        vcl::TGraphicClass graphicClass) {
  if (extension.empty()) return;
  const int index = IndexOfExtension(extension);
  TExtensionEntry* entry;
  if (index < 0) {
    extensions_.push_back(std::make_unique<TExtensionEntry>());
    entry = extensions_.back().get();
    entry->Extension = extension;
    entry->Description = individualDescription;
    entry->FormatKinds = kinds;
    entry->ClassEntry = AttachClass(graphicClass, commonDescription);
  } else {
    if (!replace) RaiseGraphicErrorFmt(messages::gesRegistration, extension);
    entry = extensions_[index].get();
    TClassEntry* old = entry->ClassEntry;
    if (old->GraphicClass != graphicClass) {
      entry->ClassEntry = AttachClass(graphicClass, commonDescription);
      if (--old->Count <= 0) RemoveClassEntry(old);
    }
  }
  const std::string& description =
      entry->Description.empty() ? entry->ClassEntry->Description : entry->Description;
  vcl::TPicture::RegisterFileFormat(extension, description, graphicClass);
}

void TFileFormatList::UnregisterExtension(const std::string& extension, vcl::TGraphicClass graphicClass) {
  if (!extension.empty()) {
    const int index = IndexOfExtension(extension);
    if (index < 0) return;
    TClassEntry* classEntry = extensions_[index]->ClassEntry;
    if (--classEntry->Count <= 0) {
      vcl::TPicture::UnregisterGraphicClass(classEntry->GraphicClass);
      RemoveClassEntry(classEntry);
    }
    extensions_.erase(extensions_.begin() + index);
    return;
  }
  const int classIndex = IndexOfClass(graphicClass);
  if (classIndex < 0) return;
  TClassEntry* classEntry = classes_[classIndex].get();
  for (int i = static_cast<int>(extensions_.size()) - 1; i >= 0 && classEntry->Count > 0; --i) {
    if (extensions_[i]->ClassEntry != classEntry) continue;
    --classEntry->Count;
    extensions_.erase(extensions_.begin() + i);
  }
  RemoveClassEntry(classEntry);
  vcl::TPicture::UnregisterGraphicClass(graphicClass);
}

// ---- start-up and shut-down ---------------------------------------------------------------------

namespace {

// A plain pointer: the list is freed by the last UnregisterPictureFormats, never by a static
// destructor, which could run after the picture loader's own registry is gone.
TFileFormatList*& TheList() {
  static TFileFormatList* list = nullptr;
  return list;
}

int& UseCount() {
  static int count = 0;
  return count;
}

struct TRegistration {
  const char* extension;
  const char* commonDescription;
  const char* individualDescription;
  TFormatKinds kinds;
  vcl::TGraphicClass (*graphicClass)();
};

// In the order the picture loader must see them: the platform's own classes first, so that the
// formats of this library, registered after them, win for the extensions they share.
const TRegistration kRegistrations[] = {
    {"bmp", "Windows bitmaps", "", fkRaster, &vcl::TBitmap::GraphicClass},
    {"ico", "Windows icons", "", fkRaster, &vcl::TIcon::GraphicClass},
    {"wmf", "Windows metafiles", "", fkVector, &vcl::TMetafile::GraphicClass},
    {"emf", "Windows metafiles", "Windows enhanced meta files", fkVector, &vcl::TMetafile::GraphicClass},
    {"jfif", "JPG images", "JFIF images", fkRaster, &vcl::TJPEGImage::GraphicClass},
    {"jpg", "", "JPG images", fkRaster, &vcl::TJPEGImage::GraphicClass},
    {"jpe", "", "JPE images", fkRaster, &vcl::TJPEGImage::GraphicClass},
    {"jpeg", "", "JPEG images", fkRaster, &vcl::TJPEGImage::GraphicClass},
    {"rle", "Windows bitmaps", "Run length encoded Windows bitmaps", fkRaster, &vcl::TBitmap::GraphicClass},
    {"dib", "", "Device independant Windows bitmaps", fkRaster, &vcl::TBitmap::GraphicClass},
    {"win", "Truevision images", "", fkRaster, &TTargaGraphic::GraphicClass},
    {"vst", "", "", fkRaster, &TTargaGraphic::GraphicClass},
    {"vda", "", "", fkRaster, &TTargaGraphic::GraphicClass},
    {"tga", "", "", fkRaster, &TTargaGraphic::GraphicClass},
    {"icb", "", "", fkRaster, &TTargaGraphic::GraphicClass},
    {"tiff", "Tagged image file format images", "Macintosh TIFF images", TFormatKinds(fkRaster | fkMultiImage),
     &TTIFFGraphic::GraphicClass},
    {"tif", "", "PC TIF images", TFormatKinds(fkRaster | fkMultiImage), &TTIFFGraphic::GraphicClass},
    {"fax", "", "GFI fax images", TFormatKinds(fkRaster | fkMultiImage), &TTIFFGraphic::GraphicClass},
    {"eps", "Encapsulated Postscript images", "", fkRaster, &TEPSGraphic::GraphicClass},
    {"pcx", "ZSoft Paintbrush images", "", fkRaster, &TPCXGraphic::GraphicClass},
    {"pcc", "", "", fkRaster, &TPCXGraphic::GraphicClass},
    {"scr", "", "Word 5.x screen capture images", fkRaster, &TPCXGraphic::GraphicClass},
    {"rpf", "Alias/Wavefront images", "", fkRaster, &TRLAGraphic::GraphicClass},
    {"rla", "", "", fkRaster, &TRLAGraphic::GraphicClass},
    {"sgi", "SGI images", "SGI true color images", fkRaster, &TSGIGraphic::GraphicClass},
    {"rgba", "", "SGI true color images with alpha", fkRaster, &TSGIGraphic::GraphicClass},
    {"rgb", "", "SGI true color images", fkRaster, &TSGIGraphic::GraphicClass},
    {"bw", "", "SGI black/white images", fkRaster, &TSGIGraphic::GraphicClass},
    {"psd", "Photoshop images", "", TFormatKinds(fkRaster | fkLayered), &TPSDGraphic::GraphicClass},
    {"pdd", "", "", TFormatKinds(fkRaster | fkLayered), &TPSDGraphic::GraphicClass},
    {"ppm", "Portable map images", "Portable pixel map images", fkRaster, &TPPMGraphic::GraphicClass},
    {"pgm", "", "Portable gray map images", fkRaster, &TPPMGraphic::GraphicClass},
    {"pbm", "", "Portable bitmap images", fkRaster, &TPPMGraphic::GraphicClass},
    {"cel", "Autodesk images", "", fkRaster, &TAutodeskGraphic::GraphicClass},
    {"pic", "Autodesk images", "", fkRaster, &TAutodeskGraphic::GraphicClass},
    {"pcd", "Kodak Photo-CD images", "", fkRaster, &TPCDGraphic::GraphicClass},
    {"cut", "Dr. Halo images", "", fkRaster, &TCUTGraphic::GraphicClass},
    {"psp", "Paintshop Pro images", "", TFormatKinds(fkRaster | fkVector), &TPSPGraphic::GraphicClass},
    {"png", "Portable network graphic images", "", fkRaster, &TPNGGraphic::GraphicClass},
};

}  // namespace

TFileFormatList* FileFormatList() { return TheList(); }

void RegisterPictureFormats() {
  if (UseCount()++ > 0) return;
  TheList() = new TFileFormatList;
  for (const TRegistration& r : kRegistrations)
    TheList()->RegisterExtension(r.extension, r.commonDescription, r.individualDescription, r.kinds, false,
                                 r.graphicClass());
}

void UnregisterPictureFormats() {
  if (UseCount() <= 0 || --UseCount() > 0) return;
  TFileFormatList* list = TheList();
  // The formats of this library leave by class first.
  list->UnregisterExtension("", TPSPGraphic::GraphicClass());
  list->UnregisterExtension("", TPSDGraphic::GraphicClass());
  list->UnregisterExtension("", TTargaGraphic::GraphicClass());
  list->UnregisterExtension("", TTIFFGraphic::GraphicClass());
  list->UnregisterExtension("", TSGIGraphic::GraphicClass());
  list->UnregisterExtension("", TPCXGraphic::GraphicClass());
  list->UnregisterExtension("", TAutodeskGraphic::GraphicClass());
  list->UnregisterExtension("", TPCDGraphic::GraphicClass());
  list->UnregisterExtension("", TPPMGraphic::GraphicClass());
  list->UnregisterExtension("", TCUTGraphic::GraphicClass());
  list->UnregisterExtension("", TRLAGraphic::GraphicClass());
  list->UnregisterExtension("rle", vcl::TBitmap::GraphicClass());
  list->UnregisterExtension("dib", vcl::TBitmap::GraphicClass());
  list->UnregisterExtension("", TPNGGraphic::GraphicClass());
  // Freeing the list takes the remaining classes out of the picture loader.
  TheList() = nullptr;
  delete list;
}

}  // namespace formats
