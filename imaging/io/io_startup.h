// The image I/O module's library-wide state: its start-up and shut-down (run by the image
// library's shared start-up, slot ieshImageIO), the records of external I/O plug-ins, and the
// I/O debug log. The settings themselves are in imaging/params/io_settings.h.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vcl/runtime/win.h"

namespace imaging {

// An external I/O plug-in: its module, the file type its registry row has, and the lock that
// serialises calls into it. Loading plug-ins is not part of this library; their release is.
struct TIEIOPlugin {
  HMODULE Module = nullptr;
  int32_t FileType = 0;
  CRITICAL_SECTION Lock{};
  // Bit 0: no lock was made for this plug-in.
  uint8_t Flags = 1;
  std::string Name;
};

extern std::vector<std::unique_ptr<TIEIOPlugin>> IEPlugins;

// Sets every I/O setting to its start-up value and builds the format registry.
void ImageIOStaticInit();
// Frees the CMYK profiles, the plug-ins and the registry, ends the video file library when it
// was used and unloads WinInet.
void ImageIOStaticFinalize();
// Whether the platform's video file library has been started (by the first AVI file opened)
// and not yet ended; the shut-down ends it.
bool AVILibraryStarted();
void ReleaseAVILibrary();

// For each plug-in: its registry row goes, its lock is deleted (unless flagged), its module is
// released; then the list is emptied.
void FreePlugins();

// Appends "date time : message" to the file IEDebugLogFile names (nothing while it is empty).
// The file is created when missing; logging never raises, and lines of several threads never
// mix.
void WriteIODebugLog(const std::string& message);

}  // namespace imaging
