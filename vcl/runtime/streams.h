// The stream family: TStream (abstract byte stream with 64-bit positions), streams over a
// platform file handle and over a named file, over memory (caller's, growable, a string, a
// module resource).
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "vcl/runtime/system.h"

namespace vcl {

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

// File stream modes: one open mode or'ed with one share mode. fmCreate creates (or empties) the
// file for reading and writing; a share mode may be or'ed with it too.
constexpr uint16_t fmCreate = 0xFF00;
constexpr uint16_t fmOpenRead = 0x0000;
constexpr uint16_t fmOpenWrite = 0x0001;
constexpr uint16_t fmOpenReadWrite = 0x0002;
constexpr uint16_t fmShareCompat = 0x0000;
constexpr uint16_t fmShareExclusive = 0x0010;
constexpr uint16_t fmShareDenyWrite = 0x0020;
constexpr uint16_t fmShareDenyRead = 0x0030;
constexpr uint16_t fmShareDenyNone = 0x0040;

class TStream : public TObject {
  VCL_CLASS(TStream, TObject)
  ~TStream() override = default;

  // Transfer up to `count` bytes at the position and advance it; return the count transferred,
  // which may be short (at the end of the data) or 0. A negative count transfers nothing.
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
  // Moves the position and returns it. From soEnd the offset is added to the size, so
  // Seek(-4, soEnd) is four bytes before the end.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t position) { Seek(position, soBeginning); }
  // The size, found by seeking to the end and back.
  int64_t Size();
  // Changes the size where the stream can; the base class ignores it.
  virtual void SetSize(int64_t newSize) {}

  // Read or write exactly `count` bytes, or raise EReadError "Stream read error" /
  // EWriteError "Stream write error".
  void ReadBuffer(void* buffer, int32_t count);
  void WriteBuffer(const void* buffer, int32_t count);
  // Copies `count` bytes from the source's position (a short source raises EReadError);
  // count 0 copies the whole source from its beginning. Returns the count copied.
  int64_t CopyFrom(TStream* source, int64_t count);
};

// A stream over a platform file handle (a HANDLE held as a pointer-sized integer). The handle
// is the caller's: this class does not close it.
class THandleStream : public TStream {
  VCL_CLASS(THandleStream, TStream)
  explicit THandleStream(intptr_t handle) : handle_(handle) {}

  intptr_t Handle() const { return handle_; }
  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  // Returns -1 when the handle cannot seek.
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  // Sets the end of the file there and leaves the position at the new size; a failure raises
  // EOSError.
  void SetSize(int64_t newSize) override;

 protected:
  intptr_t handle_;
};

// A stream over a named file, opened or created by the mode (fmOpen*/fmCreate | fmShare*).
// Failures raise EFOpenError "Cannot open file "<name>". <reason>" or EFCreateError
// "Cannot create file "<name>". <reason>".
class TFileStream : public THandleStream {
  VCL_CLASS(TFileStream, THandleStream)
  TFileStream(const std::string& fileName, uint16_t mode);
  ~TFileStream() override;

  const std::string& FileName() const { return fileName_; }

 private:
  std::string fileName_;
};

// A stream over a block of memory that it reads and seeks in. The position may be set before
// the start or past the end; reading there returns nothing.
class TCustomMemoryStream : public TStream {
  VCL_CLASS(TCustomMemoryStream, TStream)

  void* Memory() const { return memory_; }
  int32_t Read(void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  // Write the whole block (whatever the position).
  void SaveToStream(TStream* stream);
  void SaveToFile(const std::string& fileName);

 protected:
  // Points the stream at `size` bytes at `ptr` (not owned). The position is kept.
  void SetPointer(void* ptr, int64_t size);
  int64_t DataSize() const { return size_; }

  int64_t position_ = 0;

 private:
  void* memory_ = nullptr;
  int64_t size_ = 0;
};

// A growable stream in memory that it owns.
class TMemoryStream : public TCustomMemoryStream {
  VCL_CLASS(TMemoryStream, TCustomMemoryStream)
  TMemoryStream() = default;
  ~TMemoryStream() override;

  // Writes at the position, growing the block as needed (a gap before the position reads as
  // zeros). Writing at a negative position writes nothing.
  int32_t Write(const void* buffer, int32_t count) override;
  // Grows or cuts the data; a position past the new end moves to it. Raises EStreamError when
  // the memory cannot be had or the size is negative.
  void SetSize(int64_t newSize) override;
  // Frees the block: size, capacity and position become 0.
  void Clear();
  // Replace the content with the whole of the source (read from its beginning) or the file.
  // The position is kept; a failure leaves the content as it was.
  void LoadFromStream(TStream* stream);
  void LoadFromFile(const std::string& fileName);

  // Memory reserved for the data; never below the size.
  int64_t Capacity() const { return capacity_; }
  void SetCapacity(int64_t newCapacity);

 private:
  void Reallocate(int64_t newCapacity);
  int64_t capacity_ = 0;
};

// A stream over a std::string. Seeks are held within 0..length.
class TStringStream : public TStream {
  VCL_CLASS(TStringStream, TStream)
  explicit TStringStream(std::string data = {}) : data_(std::move(data)) {}

  const std::string& DataString() const { return data_; }
  int32_t Read(void* buffer, int32_t count) override;
  // Overwrites at the position and extends the string past its end.
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t newSize) override;
  // Reads up to `count` bytes as a string.
  std::string ReadString(int32_t count);
  void WriteString(const std::string& s);

 private:
  std::string data_;
  int64_t position_ = 0;
};

// A read-only stream over a resource of a module (nil: the executable). `name` and `type` may be
// texts or integer identifiers (MAKEINTRESOURCE). A missing resource raises EResNotFound
// "Resource <name> not found"; writing raises EStreamError
// "Can't write to a read-only resource stream".
class TResourceStream : public TCustomMemoryStream {
  VCL_CLASS(TResourceStream, TCustomMemoryStream)
  TResourceStream(void* instance, const char* name, const char* type);
  TResourceStream(void* instance, const std::string& name, const char* type)
      : TResourceStream(instance, name.c_str(), type) {}
  ~TResourceStream() override;

  int32_t Write(const void* buffer, int32_t count) override;
  void SetSize(int64_t newSize) override;

 private:
  void* resource_ = nullptr;
};

}  // namespace vcl
