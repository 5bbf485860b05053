#include "imaging/params/file_formats.h"

#include <utility>
#include <vector>

#include "imaging/params/wic_availability.h"
#include "vcl/runtime/sysutils.h"

namespace imaging {

namespace {

// Built at library start-up, changed afterwards only by plug-ins registering and leaving.
std::vector<std::unique_ptr<TIEFileFormatInfo>>& Registry() {
  static std::vector<std::unique_ptr<TIEFileFormatInfo>> registry;
  return registry;
}

// The items of a ";"-separated list, taken from the front: the text before the first ";" is an
// item and the text after it the rest, until the rest is empty.
std::vector<std::string> SplitExtensions(const std::string& extensions) {
  std::vector<std::string> items;
  std::string rest = extensions;
  while (!rest.empty()) {
    const size_t separator = rest.find(';');
    if (separator == std::string::npos) {
      items.push_back(rest);
      break;
    }
    items.push_back(rest.substr(0, separator));
    rest.erase(0, separator + 1);
  }
  return items;
}

struct TBuiltInRow {
  int32_t fileType;
  const char* fullName;
  const char* extensions;
  uint16_t dialogPage;
  bool canRead;
  bool canWrite;
};

// In registry order: extension look-ups return the first row that lists an extension.
constexpr TBuiltInRow kBuiltInRows[] = {
    {1, "TIFF Bitmap", "TIF;TIFF;FAX;G3N;G3F;XIF", ieDialogPageTIFF, true, true},
    {2, "CompuServe Bitmap", "GIF", ieDialogPageGIF, true, true},
    {3, "JPEG Bitmap", "JPG;JPEG;JPE;JIF", ieDialogPageJPEG, true, true},
    {4, "PaintBrush", "PCX", ieDialogPagePCX, true, true},
    {5, "Windows Bitmap", "BMP;DIB;RLE", ieDialogPageBMP, true, true},
    {21, "Raw Bitmap", "", 0, true, true},
    {6, "Windows Icon", "ICO", 0, true, true},
    {7, "Windows Cursor", "CUR", 0, true, false},
    {8, "Portable Network Graphics", "PNG", ieDialogPagePNG, true, true},
    {28, "DICOM Bitmap", "DCM;DIC;DICOM", 0, true, false},
    {9, "Windows Metafile", "WMF", 0, true, false},
    {10, "Enhanced Windows Metafile", "EMF", 0, true, false},
    {11, "Targa Bitmap", "TGA;TARGA;VDA;ICB;VST;PIX", ieDialogPageTGA, true, true},
    {12, "Portable Pixmap, GrayMap, BitMap", "PXM;PPM;PGM;PBM", 0, true, true},
    {16, "Wireless Bitmap", "WBMP", 0, true, true},
    {13, "JPEG2000", "JP2", ieDialogPageJPEG2000, true, true},
    {14, "JPEG2000 Code Stream", "J2K;JPC;J2C", ieDialogPageJPEG2000, true, true},
    {17, "PostScript Level 2", "PS;EPS", 0, false, true},
    {18, "Adobe PDF", "PDF", 0, false, true},
    {19, "Multipage PCX", "DCX", 0, true, true},
    {20, "Camera RAW", "CRW;CR2;NEF;RAW;PEF;RAF;X3F;BAY;ORF;SRF;MRW;DCR;SR2", 0, true, false},
    {24, "Photoshop PSD", "PSD", 0, true, true},
    {25, "Vectorial objects", "IEV", 0, true, true},
    {26, "Layers", "LYR", 0, true, true},
    {27, "Layers and objects", "ALL", 0, true, true},
};

constexpr TBuiltInRow kHDPhotoRow = {29, "Microsoft HD Photo", "WDP;HDP", 0, true, true};

void RegisterBuiltIn(const TBuiltInRow& row) {
  auto info = std::make_unique<TIEFileFormatInfo>();
  info->FileType = row.fileType;
  info->FullName = row.fullName;
  info->Extensions = row.extensions;
  info->InternalFormat = true;
  info->DialogPage = row.dialogPage;
  info->ReadFunction = row.canRead ? NoReadFunction : nullptr;
  info->WriteFunction = row.canWrite ? NoWriteFunction : nullptr;
  info->TryFunction = NoTryFunction;
  RegisterFileFormat(std::move(info));
}

}  // namespace

void NoReadFunction(vcl::TStream*, TIEBitmap*, TIOParamsVals&, TCodecProgress&, bool) {}

void NoWriteFunction(vcl::TStream*, TIEBitmap*, TIOParamsVals&, TCodecProgress&) {}

bool NoTryFunction(vcl::TStream*, int32_t) { return false; }

void RegisterFileFormat(std::unique_ptr<TIEFileFormatInfo> info) {
  if (info) Registry().push_back(std::move(info));
}

void UnregisterFileFormat(int32_t fileType) {
  auto& registry = Registry();
  for (auto entry = registry.begin(); entry != registry.end(); ++entry) {
    if ((*entry)->FileType == fileType) {
      registry.erase(entry);
      return;
    }
  }
}

TIEFileFormatInfo* GetFileFormatInfo(int32_t fileType) {
  for (const auto& entry : Registry())
    if (entry->FileType == fileType) return entry.get();
  return nullptr;
}

int32_t GetFileExtensionCount(int32_t fileType) {
  const TIEFileFormatInfo* info = GetFileFormatInfo(fileType);
  return info ? static_cast<int32_t>(SplitExtensions(info->Extensions).size()) : 0;
}

std::string GetFileExtension(int32_t fileType, int32_t index) {
  const TIEFileFormatInfo* info = GetFileFormatInfo(fileType);
  if (!info || index < 0) return std::string();
  const std::vector<std::string> items = SplitExtensions(info->Extensions);
  return static_cast<size_t>(index) < items.size() ? items[index] : std::string();
}

TIEFileFormatInfo* FindFileFormatByExtension(const std::string& extension) {
  std::string wanted = vcl::LowerCase(extension);
  if (!wanted.empty() && wanted[0] == '.') wanted.erase(0, 1);
  if (wanted.empty()) return nullptr;
  for (const auto& entry : Registry()) {
    for (const std::string& item : SplitExtensions(entry->Extensions))
      if (vcl::LowerCase(item) == wanted) return entry.get();
  }
  return nullptr;
}

int32_t GetFileFormatCount() { return static_cast<int32_t>(Registry().size()); }

TIEFileFormatInfo* GetFileFormatByIndex(int32_t index) {
  const auto& registry = Registry();
  if (index < 0 || static_cast<size_t>(index) >= registry.size()) return nullptr;
  return registry[index].get();
}

void RegisterInternalFileFormats() {
  FreeFileFormats();
  for (const TBuiltInRow& row : kBuiltInRows) RegisterBuiltIn(row);
  // HD Photo goes through the platform's imaging codecs: offered only where they exist.
  if (IsWICAvailable()) RegisterBuiltIn(kHDPhotoRow);
}

void FreeFileFormats() { Registry().clear(); }

}  // namespace imaging
