#include "imaging/io/io_startup.h"

#include <mutex>

#include "imaging/base/startup.h"
#include "imaging/codecs/camera_raw/camera_raw_reader.h"
#include "imaging/codecs/dicom/dicom_reader.h"
#include "imaging/codecs/hdphoto/hdphoto_codec.h"
#include "imaging/codecs/jpeg2000/jpeg2000_codec.h"
#include "imaging/codecs/metafile/metafile_detection.h"
#include "imaging/codecs/pcx/pcx_codec.h"
#include "imaging/codecs/pdf/pdf_writer.h"
#include "imaging/codecs/postscript/ps_writer.h"
#include "imaging/codecs/psd/psd_codec.h"
#include "imaging/codecs/raw/raw_bitmap_reader.h"
#include "imaging/codecs/tga/tga_codec.h"
#include "imaging/io/view_formats.h"
#include "imaging/io/wininet_binding.h"
#include "imaging/coding/lzw_coders.h"
#include "imaging/coding/lzw_procs.h"
#include "imaging/params/colour_conversion.h"
#include "imaging/params/file_formats.h"
#include "imaging/params/io_settings.h"
#include "vcl/runtime/sysutils.h"

namespace imaging {

std::vector<std::unique_ptr<TIEIOPlugin>> IEPlugins;

void ImageIOStaticInit() {
  IEUseFileExists = false;
  IEGIFLZWDecompressProc = GIFDecodeLZW;
  IEGIFLZWCompressProc = GIFEncodeLZW;
  IETIFFLZWDecompressProc = TIFFDecodeLZW;
  IETIFFLZWCompressProc = TIFFEncodeLZW;
  IETempFolder.clear();
  RegisterInternalFileFormats();
  RegisterJPEG2000Formats();
  RegisterPostScriptFormat();
  RegisterPDFFormat();
  RegisterRawBitmapFormat();
  RegisterMetafileTests();
  RegisterHDPhotoFormat();
  RegisterPCXFormats();
  RegisterTGAFormat();
  RegisterDICOMFormat();
  RegisterCameraRawFormat();
  RegisterPSDFormat();
  // The readers that live above this library, registered by the view and the vector layer.
  ApplyViewFormats();
  IETwainLogFile.clear();
  LoadWinInet();
  IEConvertColorHook = IEConvertColorRow;
  IEEnableCMS = false;
  IEPlugins.clear();
  IEColorReductionAlgorithm = -1;
  IEColorReductionQuality = -1;
  IEBufferedReadKeepOrigin = false;
  IEUseCMYKProfile = true;
  IEMetafileMaxSize = 8000;
}

void FreePlugins() {
  for (auto& plugin : IEPlugins) {
    UnregisterFileFormat(plugin->FileType);
    if (!(plugin->Flags & 1)) DeleteCriticalSection(&plugin->Lock);
    if (plugin->Module) FreeLibrary(plugin->Module);
  }
  IEPlugins.clear();
}

void ImageIOStaticFinalize() {
  FreeCMYKProfiles();
  FreePlugins();
  FreeFileFormats();
  ReleaseAVILibrary();
  UnloadWinInet();
}

namespace {

std::mutex& LogLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace

void WriteIODebugLog(const std::string& message) {
  try {
    std::lock_guard<std::mutex> guard(LogLock());
    if (IEDebugLogFile.empty()) return;
    HANDLE file = CreateFileA(IEDebugLogFile.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    const vcl::TDateTime now = vcl::Now();
    const std::string line = vcl::DateToStr(now) + " " + vcl::TimeToStr(now) + " : " + message + "\r\n";
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
  } catch (...) {
    // A log must never fail the operation that writes to it.
  }
}

}  // namespace imaging
