#include "vcl/graphics/picture.h"

#include <vector>

#include "vcl/graphics/bitmap.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/classes/filer.h"
#include "vcl/graphics/icon.h"
#include "vcl/graphics/jpeg.h"
#include "vcl/graphics/metafile.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/sysutils.h"

namespace vcl {

namespace {

struct FileFormat {
  std::string extension;  // lower case, without the dot
  std::string description;
  int descriptionId;      // a string resource, when the description is 0
  TGraphicClass graphicClass;
};

struct ClipboardFormat {
  UINT format;
  TGraphicClass graphicClass;
};

// The platform's own classes come first, in the order they register at start-up.
std::vector<FileFormat>& FileFormats() {
  static std::vector<FileFormat> formats = {
      {"bmp", "Bitmaps", 0, TBitmap::GraphicClass()},
      {"ico", "Icons", 0, TIcon::GraphicClass()},
      {"emf", "Enhanced Metafiles", 0, TMetafile::GraphicClass()},
      {"wmf", "Metafiles", 0, TMetafile::GraphicClass()},
      {"jpg", "JPEG Image File", 0, TJPEGImage::GraphicClass()},
      {"jpeg", "JPEG Image File", 0, TJPEGImage::GraphicClass()},
  };
  return formats;
}

// In the order a picture prefers them when it takes data from the clipboard.
std::vector<ClipboardFormat>& ClipboardFormats() {
  static std::vector<ClipboardFormat> formats = {
      {CF_DIB, TBitmap::GraphicClass()},
      {CF_BITMAP, TBitmap::GraphicClass()},
      {CF_ENHMETAFILE, TMetafile::GraphicClass()},
      {CF_METAFILEPICT, TMetafile::GraphicClass()},
  };
  return formats;
}

std::string DescriptionOf(const FileFormat& format) {
  if (!format.description.empty() || format.descriptionId == 0) return format.description;
  return LoadStr(static_cast<unsigned>(format.descriptionId));
}

TGraphicClass ClassForExtension(const std::string& extension) {
  const std::string lower = LowerCase(extension);
  const auto& formats = FileFormats();
  for (auto it = formats.rbegin(); it != formats.rend(); ++it)
    if (it->extension == lower) return it->graphicClass;
  return nullptr;
}

TGraphicClass ClassForClipboardFormat(UINT format) {
  const auto& formats = ClipboardFormats();
  for (auto it = formats.rbegin(); it != formats.rend(); ++it)
    if (it->format == format) return it->graphicClass;
  return nullptr;
}

TGraphicClass ClassForName(const std::string& name) {
  for (auto it = FileFormats().rbegin(); it != FileFormats().rend(); ++it)
    if (it->graphicClass->Meta()->ClassNameIs(name)) return it->graphicClass;
  for (auto it = ClipboardFormats().rbegin(); it != ClipboardFormats().rend(); ++it)
    if (it->graphicClass->Meta()->ClassNameIs(name)) return it->graphicClass;
  return nullptr;
}

// The descriptions and the masks of the formats of a class and its descendants.
void BuildFilter(TGraphicClass graphicClass, std::string& descriptions, std::string& masks, int& count) {
  count = 0;
  for (const FileFormat& format : FileFormats()) {
    if (!format.graphicClass->InheritsFrom(graphicClass) || format.extension.empty()) continue;
    if (count) {
      descriptions += '|';
      masks += ';';
    }
    descriptions += DescriptionOf(format) + " (*." + format.extension + ")|*." + format.extension;
    masks += "*." + format.extension;
    ++count;
  }
}

}  // namespace

// ---- the registry ------------------------------------------------------------------------------

void TPicture::RegisterFileFormat(const std::string& extension, const std::string& description,
                                  TGraphicClass graphicClass) {
  FileFormats().push_back({LowerCase(extension), description, 0, graphicClass});
}

void TPicture::RegisterFileFormatRes(const std::string& extension, int descriptionId, TGraphicClass graphicClass) {
  FileFormats().push_back({LowerCase(extension), std::string(), descriptionId, graphicClass});
}

void TPicture::RegisterClipboardFormat(UINT format, TGraphicClass graphicClass) {
  ClipboardFormats().push_back({format, graphicClass});
}

void TPicture::UnregisterGraphicClass(TGraphicClass graphicClass) {
  std::erase_if(FileFormats(), [&](const FileFormat& f) { return f.graphicClass->InheritsFrom(graphicClass); });
  std::erase_if(ClipboardFormats(),
                [&](const ClipboardFormat& f) { return f.graphicClass->InheritsFrom(graphicClass); });
}

bool TPicture::SupportsClipboardFormat(UINT format) { return ClassForClipboardFormat(format) != nullptr; }

std::string GraphicFilter(TGraphicClass graphicClass) {
  std::string descriptions, masks;
  int count;
  BuildFilter(graphicClass, descriptions, masks, count);
  if (count > 1) return "All (" + masks + ")|" + masks + "|" + descriptions;
  return descriptions;
}

std::string GraphicFileExtension(TGraphicClass graphicClass) {
  const auto& formats = FileFormats();
  for (auto it = formats.rbegin(); it != formats.rend(); ++it)
    if (it->graphicClass == graphicClass) return it->extension;
  return {};
}

std::string GraphicFileMask(TGraphicClass graphicClass) {
  std::string descriptions, masks;
  int count;
  BuildFilter(graphicClass, descriptions, masks, count);
  return masks;
}

// ---- TPicture ----------------------------------------------------------------------------------

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Install(std::unique_ptr<TGraphic> graphic) {
  graphic_ = std::move(graphic);
  if (graphic_) {
    graphic_->OnChange = [this](TObject* sender) { Changed(sender); };
    graphic_->OnProgress = [this](TObject* sender, TProgressStage stage, uint8_t percent, bool redraw,
                                  const TRect& r, const std::string& msg) {
      Progress(sender, stage, percent, redraw, r, msg);
    };
  }
  Changed(this);
}

void TPicture::SetGraphic(TGraphic* graphic) {
  if (graphic == graphic_.get()) return;
  if (!graphic) return Install(nullptr);
  std::unique_ptr<TGraphic> copy(graphic->GraphicClassType()->Create());
  copy->Assign(graphic);
  Install(std::move(copy));
}

TGraphic* TPicture::ForceType(TGraphicClass graphicClass) {
  if (!graphic_ || graphic_->ClassType() != graphicClass->Meta())
    Install(std::unique_ptr<TGraphic>(graphicClass->Create()));
  return graphic_.get();
}

TBitmap* TPicture::Bitmap() { return static_cast<TBitmap*>(ForceType(TBitmap::GraphicClass())); }
TIcon* TPicture::Icon() { return static_cast<TIcon*>(ForceType(TIcon::GraphicClass())); }
TMetafile* TPicture::Metafile() { return static_cast<TMetafile*>(ForceType(TMetafile::GraphicClass())); }
void TPicture::SetBitmap(TBitmap* bitmap) { SetGraphic(bitmap); }
void TPicture::SetIcon(TIcon* icon) { SetGraphic(icon); }
void TPicture::SetMetafile(TMetafile* metafile) { SetGraphic(metafile); }

int TPicture::Width() const { return graphic_ ? graphic_->Width() : 0; }
int TPicture::Height() const { return graphic_ ? graphic_->Height() : 0; }

void TPicture::LoadFromFile(const std::string& fileName) {
  std::string extension = ExtractFileExt(fileName);
  if (!extension.empty()) extension.erase(0, 1);
  TGraphicClass graphicClass = ClassForExtension(extension);
  if (!graphicClass) throw EInvalidGraphic(Format("Unknown picture file extension (.%s)", extension));
  std::unique_ptr<TGraphic> graphic(graphicClass->Create());
  graphic->OnProgress = [this](TObject* sender, TProgressStage stage, uint8_t percent, bool redraw,
                               const TRect& r, const std::string& msg) {
    Progress(sender, stage, percent, redraw, r, msg);
  };
  graphic->LoadFromFile(fileName);
  Install(std::move(graphic));
}

void TPicture::SaveToFile(const std::string& fileName) {
  if (graphic_) graphic_->SaveToFile(fileName);
}

void TPicture::LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) {
  TGraphicClass graphicClass = ClassForClipboardFormat(format);
  if (!graphicClass) throw EInvalidGraphic("Unsupported clipboard format");
  std::unique_ptr<TGraphic> graphic(graphicClass->Create());
  graphic->LoadFromClipboardFormat(format, data, palette);
  Install(std::move(graphic));
}

void TPicture::SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette) {
  if (graphic_) graphic_->SaveToClipboardFormat(format, data, palette);
}

void TPicture::Assign(TPersistent* source) {
  if (!source) return SetGraphic(nullptr);
  if (auto* picture = dynamic_cast<TPicture*>(source)) return SetGraphic(picture->Graphic());
  if (auto* graphic = dynamic_cast<TGraphic*>(source)) return SetGraphic(graphic);
  inherited::Assign(source);
}

void TPicture::AssignTo(TPersistent* dest) {
  if (auto* graphic = dynamic_cast<TGraphic*>(dest)) return graphic->Assign(graphic_.get());
  inherited::AssignTo(dest);
}

void TPicture::Changed(TObject* sender) {
  if (OnChange) OnChange(this);
}

void TPicture::Progress(TObject* sender, TProgressStage stage, uint8_t percentDone, bool redrawNow, const TRect& r,
                        const std::string& msg) {
  if (OnProgress) OnProgress(sender, stage, percentDone, redrawNow, r, msg);
}

// ---- form data ---------------------------------------------------------------------------------

void TPicture::DefineProperties(TFiler* filer) {
  bool hasData = graphic_ != nullptr;
  if (filer->Ancestor()) {
    // Against an inherited form only a different picture is written.
    auto* ancestor = dynamic_cast<TPicture*>(filer->Ancestor());
    TGraphic* theirs = ancestor ? ancestor->Graphic() : nullptr;
    hasData = !ancestor || (graphic_ ? !graphic_->Equals(theirs) : theirs != nullptr);
  }
  filer->DefineBinaryProperty(
      "Data", [this](TStream* stream) { ReadData(stream); }, [this](TStream* stream) { WriteData(stream); }, hasData);
}

void TPicture::ReadData(TStream* stream) {
  uint8_t length = 0;
  stream->ReadBuffer(&length, 1);
  std::string name(length, '\0');
  if (length) stream->ReadBuffer(name.data(), length);
  if (name.empty()) return Install(nullptr);
  // A class this program does not know leaves the picture as it is, so that the rest of the
  // form data can still be read.
  TGraphicClass graphicClass = ClassForName(name);
  if (!graphicClass) return;
  std::unique_ptr<TGraphic> graphic(graphicClass->Create());
  graphic->ReadData(stream);
  Install(std::move(graphic));
}

void TPicture::WriteData(TStream* stream) {
  std::string name = graphic_ ? graphic_->ClassName() : std::string();
  auto length = static_cast<uint8_t>(std::min<size_t>(name.size(), 255));
  stream->WriteBuffer(&length, 1);
  if (length) stream->WriteBuffer(name.data(), length);
  if (graphic_) graphic_->WriteData(stream);
}

std::vector<UINT> PictureClipboardFormats() {
  std::vector<UINT> formats;
  for (const ClipboardFormat& f : ClipboardFormats()) formats.push_back(f.format);
  return formats;
}

}  // namespace vcl
