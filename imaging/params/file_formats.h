// The process-wide registry of image file formats. Each entry names a file type number, a
// display name, its extensions, the page of the parameters dialog that edits its options and
// three codec functions. The I/O object maps extensions to file types through it, tells
// built-in formats from external ones, and calls the functions of the external ones.
//
// File types: 1 TIFF, 2 GIF, 3 JPEG, 4 PCX, 5 BMP, 6 ICO, 7 CUR, 8 PNG, 9 WMF, 10 EMF, 11 TGA,
// 12 PXM, 13 JP2, 14 J2K, 15 AVI (detected only, no entry), 16 WBMP, 17 PostScript, 18 PDF,
// 19 DCX, 20 camera raw, 21 headerless raw, 24 PSD, 25 vector objects, 26 layers, 27 layers and
// objects, 28 DICOM, 29 HD Photo; 0 unknown.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "imaging/params/codec_progress.h"
#include "vcl/runtime/system.h"

namespace vcl {
class TStream;
}

namespace imaging {

class TIEBitmap;
class TIOParamsVals;

using TIEReadFunction = void (*)(vcl::TStream* stream, TIEBitmap* bitmap, TIOParamsVals& params,
                                 TCodecProgress& progress, bool preview);
using TIEWriteFunction = void (*)(vcl::TStream* stream, TIEBitmap* bitmap, TIOParamsVals& params,
                                  TCodecProgress& progress);
// Whether the data at the stream's position is of the file type; leaves the position as found.
using TIETryFunction = bool (*)(vcl::TStream* stream, int32_t fileType);

// Bits of DialogPage: the page of the parameters dialog that edits a format's options.
constexpr uint16_t ieDialogPageJPEG = 4;
constexpr uint16_t ieDialogPageTIFF = 8;
constexpr uint16_t ieDialogPageGIF = 16;
constexpr uint16_t ieDialogPageBMP = 32;
constexpr uint16_t ieDialogPagePCX = 64;
constexpr uint16_t ieDialogPagePNG = 128;
constexpr uint16_t ieDialogPageTGA = 256;
constexpr uint16_t ieDialogPageJPEG2000 = 512;

class TIEFileFormatInfo : public vcl::TObject {
  VCL_CLASS(TIEFileFormatInfo, vcl::TObject)
  int32_t FileType = 0;
  std::string FullName;
  // Upper case, without dots, separated by ";".
  std::string Extensions;
  // True for the library's own formats, which the I/O object dispatches itself.
  bool InternalFormat = false;
  uint16_t DialogPage = 0;  // 0: none
  TIEReadFunction ReadFunction = nullptr;
  TIEWriteFunction WriteFunction = nullptr;
  TIETryFunction TryFunction = nullptr;
};

// The functions of the built-in entries: their presence says that the format can be read or
// written; the I/O object never calls them for built-in formats.
void NoReadFunction(vcl::TStream* stream, TIEBitmap* bitmap, TIOParamsVals& params, TCodecProgress& progress,
                    bool preview);
void NoWriteFunction(vcl::TStream* stream, TIEBitmap* bitmap, TIOParamsVals& params, TCodecProgress& progress);
bool NoTryFunction(vcl::TStream* stream, int32_t fileType);

// Appends an entry; the registry owns it. Nil is ignored.
void RegisterFileFormat(std::unique_ptr<TIEFileFormatInfo> info);
// Removes and frees the first entry of the type; nothing when there is none.
void UnregisterFileFormat(int32_t fileType);
// The first entry of the type, or nil.
TIEFileFormatInfo* GetFileFormatInfo(int32_t fileType);
// The number of extensions of the type's entry (0 for an unknown type).
int32_t GetFileExtensionCount(int32_t fileType);
// The index-th (0-based) extension of the type's entry; empty past the end or for an unknown type.
std::string GetFileExtension(int32_t fileType, int32_t index);
// The first entry listing the extension (compared without case, one leading "." dropped), or nil.
TIEFileFormatInfo* FindFileFormatByExtension(const std::string& extension);
// The entries in registry order, for walking them (nil outside 0 .. count - 1).
int32_t GetFileFormatCount();
TIEFileFormatInfo* GetFileFormatByIndex(int32_t index);
// Empties the registry and fills it with the built-in formats (HD Photo only when the
// platform's imaging codecs are available).
void RegisterInternalFileFormats();
// Frees every entry.
void FreeFileFormats();

}  // namespace imaging
