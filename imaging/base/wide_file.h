// Files by wide (UTF-16) name: opening and creating them, testing that they exist, and
// TIEWideFileStream, the stream every load and save by file name goes through.
#pragma once

#include <cstdint>
#include <string>

#include "vcl/runtime/streams.h"
#include "vcl/runtime/win.h"

namespace imaging {

// The mode with which TIEWideFileStream creates (or empties) a file for reading and writing.
constexpr uint16_t ieFileCreate = 0xFFFF;

HANDLE WideCreateFile(const std::u16string& name, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                      DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile);
// Creates or empties the file for reading and writing, unshared; INVALID_HANDLE_VALUE on failure.
HANDLE WideFileCreate(const std::u16string& name);
// Opens an existing file with the fmOpen* / fmShare* bits of the mode; INVALID_HANDLE_VALUE on
// failure or for a mode outside those bits.
HANDLE WideFileOpen(const std::u16string& name, uint16_t mode);
// An existing file, not a folder.
bool WideFileExists(const std::u16string& name);
bool IEFileExists(const std::string& name);

class TIEWideFileStream : public vcl::THandleStream {
  VCL_CLASS(TIEWideFileStream, vcl::THandleStream)
  // ieFileCreate (or fmCreate) creates the file; any other mode opens an existing one. Raises
  // EFCreateError "Cannot create file "<full path>". <reason>" or EFOpenError
  // "Cannot open file "<full path>". <reason>".
  TIEWideFileStream(const std::u16string& name, uint16_t mode);
  ~TIEWideFileStream() override;
};

}  // namespace imaging
