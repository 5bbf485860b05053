// The temporary-file block store: a large image's bytes kept in one temporary file (or, on
// request, a memory stream) and handed out as "views", heap copies of byte ranges that are read
// when mapped and written back when unmapped.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vcl/runtime/streams.h"
#include "vcl/runtime/system.h"

namespace imaging {

// The folder for temporary files (with a trailing separator); empty means the platform's
// temporary folder. The I/O module's start-up empties it; programs may set it.
extern std::string DefaultTempDirectory;

// Total (available = false) or available physical memory in bytes.
int64_t GetPhysicalMemorySize(bool available);

// A file that this process created for itself and that disappears when its handle closes.
// The file is created exclusively: a name that already exists is never opened or truncated.
class TIETemporaryFileStream : public vcl::THandleStream {
  VCL_CLASS(TIETemporaryFileStream, vcl::THandleStream)
  // Raises EInOutError "Unable to create " + name when the file cannot be created (an existing
  // file of that name included).
  explicit TIETemporaryFileStream(const std::string& fileName);
  ~TIETemporaryFileStream() override;
};

// View access bits.
constexpr uint8_t ieaRead = 1;   // read the range when mapping
constexpr uint8_t ieaWrite = 2;  // write it back when unmapping

class TIEFileBuffer : public vcl::TObject {
  VCL_CLASS(TIEFileBuffer, vcl::TObject)
  TIEFileBuffer() = default;
  ~TIEFileBuffer() override;

  bool IsAllocated() const { return stream_ != nullptr; }
  // Creates the backing store of `size` bytes: a new temporary file named
  // folder + prefix + "-" + eight hexadecimal digits + ".tmp" (a clashing name is drawn again)
  // or, without useFile, a memory stream. Never raises: false when it cannot be had, and then
  // nothing stays allocated.
  bool AllocateFile(const std::string& prefix, bool useFile, int64_t size);
  // The temporary file's path (empty before the first AllocateFile).
  const std::string& FileName() const { return fileName_; }
  // Grows or shrinks the backing store; nothing when none is allocated.
  void SetSize(int64_t size);
  // Writes back and frees every view, then releases the store (the file is deleted).
  void Close();

  // A heap copy of `size` bytes at `position`; read from the store when access has ieaRead.
  // The block is owned by the buffer until Unmap.
  void* Map(uint8_t access, int64_t position, int64_t size);
  // Writes the view back (when it has ieaWrite) and frees it. An address that is not mapped
  // raises EListError.
  void Unmap(void* address);
  void UnmapAll();
  // Index of the view in creation order, -1 when the address is not mapped.
  int32_t IndexOfMapped(const void* address) const;
  int32_t MappedCount() const { return static_cast<int32_t>(views_.size()); }

  // Copies `count` bytes at `position` of this store into the same place of the destination's
  // store, 1 MiB at a time, after writing back every view of both. Nothing unless both are
  // allocated.
  void CopyTo(TIEFileBuffer* destination, int64_t position, int64_t count);

 private:
  struct View {
    int64_t position;
    int64_t size;
    std::unique_ptr<uint8_t[]> data;
    uint8_t access;
  };

  void WriteBack(View& view);

  std::unique_ptr<vcl::TStream> stream_;
  std::string fileName_;
  std::vector<View> views_;
};

}  // namespace imaging
