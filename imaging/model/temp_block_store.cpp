#include "imaging/model/temp_block_store.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "imaging/base/temp_file_name.h"
#include "imaging/base/wide_file.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/win.h"

namespace imaging {

std::string DefaultTempDirectory;

namespace {

// Stream transfers take int32 counts: large ranges go in pieces of this size.
constexpr int64_t kTransferPiece = 1 << 30;
// CopyTo moves the data through one block of this size.
constexpr int64_t kCopyChunk = 1048576;
// Name clashes are redrawn this many times before the creation is given up.
constexpr int kCreateAttempts = 100;

void ReadExactly(vcl::TStream* stream, uint8_t* data, int64_t count) {
  while (count > 0) {
    int32_t piece = static_cast<int32_t>(std::min(count, kTransferPiece));
    stream->ReadBuffer(data, piece);
    data += piece;
    count -= piece;
  }
}

void WriteExactly(vcl::TStream* stream, const uint8_t* data, int64_t count) {
  while (count > 0) {
    int32_t piece = static_cast<int32_t>(std::min(count, kTransferPiece));
    stream->WriteBuffer(data, piece);
    data += piece;
    count -= piece;
  }
}

std::string TempFolder() {
  if (!DefaultTempDirectory.empty()) return DefaultTempDirectory;
  char path[MAX_PATH + 1] = {};
  DWORD length = GetTempPathA(sizeof(path), path);
  if (length == 0 || length >= sizeof(path)) return std::string();
  return std::string(path, length);
}

}  // namespace

int64_t GetPhysicalMemorySize(bool available) {
  MEMORYSTATUSEX status;
  std::memset(&status, 0, sizeof(status));
  status.dwLength = sizeof(status);
  if (!GlobalMemoryStatusEx(&status)) return 0;
  return static_cast<int64_t>(available ? status.ullAvailPhys : status.ullTotalPhys);
}

// ---- TIETemporaryFileStream ----

TIETemporaryFileStream::TIETemporaryFileStream(const std::string& fileName)
    : vcl::THandleStream(reinterpret_cast<intptr_t>(INVALID_HANDLE_VALUE)) {
  // CREATE_NEW: the file is ours alone; an existing file of that name is left untouched.
  HANDLE handle = CreateFileA(fileName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_FLAG_DELETE_ON_CLOSE | FILE_ATTRIBUTE_TEMPORARY, nullptr);
  if (handle == INVALID_HANDLE_VALUE) throw vcl::EInOutError("Unable to create " + fileName);
  handle_ = reinterpret_cast<intptr_t>(handle);
}

TIETemporaryFileStream::~TIETemporaryFileStream() {
  HANDLE handle = reinterpret_cast<HANDLE>(handle_);
  if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
}

// ---- TIEFileBuffer ----

TIEFileBuffer::~TIEFileBuffer() {
  try {
    Close();
  } catch (...) {
    // A write-back that fails while the owner is being destroyed has nowhere to go.
  }
}

bool TIEFileBuffer::AllocateFile(const std::string& prefix, bool useFile, int64_t size) {
  if (IsAllocated()) Close();
  if (size < 0) return false;
  try {
    std::string folder = TempFolder();
    if (useFile) {
      std::unique_ptr<TIETemporaryFileStream> file;
      for (int attempt = 0; attempt < kCreateAttempts && !file; ++attempt) {
        MakeTempFileName(prefix, folder, fileName_);
        try {
          file = std::make_unique<TIETemporaryFileStream>(fileName_);
        } catch (const vcl::EInOutError&) {
          // Someone took the name between the check and the creation (worth another name), or
          // the folder is not usable (not worth retrying).
          if (!IEFileExists(fileName_)) throw;
        }
      }
      if (!file) return false;
      file->SetSize(size);
      stream_ = std::move(file);
    } else {
      MakeTempFileName(prefix, folder, fileName_);
      auto memory = std::make_unique<vcl::TMemoryStream>();
      memory->SetSize(size);
      stream_ = std::move(memory);
    }
    return true;
  } catch (...) {
    // The stream (and with it the file) is released: nothing stays held by a failed call.
    stream_.reset();
    return false;
  }
}

void TIEFileBuffer::SetSize(int64_t size) {
  if (stream_) stream_->SetSize(size);
}

void TIEFileBuffer::Close() {
  if (!stream_) return;
  try {
    UnmapAll();
  } catch (...) {
    views_.clear();
    stream_.reset();
    throw;
  }
  // The file was opened delete-on-close and exclusively by us: closing the handle removes it,
  // and no other file of the same name is ever deleted by name.
  stream_.reset();
}

void* TIEFileBuffer::Map(uint8_t access, int64_t position, int64_t size) {
  if (size < 0 || position < 0) throw vcl::EInvalidArgument("Invalid view range");
  View view;
  view.position = position;
  view.size = size;
  view.access = access;
  view.data.reset(new uint8_t[static_cast<size_t>(std::max<int64_t>(size, 1))]);
  if (stream_ && (access & ieaRead) && size > 0) {
    int64_t available = std::max<int64_t>(0, std::min(size, stream_->Size() - position));
    if (available > 0) {
      stream_->Seek(position, vcl::soBeginning);
      ReadExactly(stream_.get(), view.data.get(), available);
    }
    // Past the end of the store the view reads as zeros, like a file that was only extended.
    std::memset(view.data.get() + available, 0, static_cast<size_t>(size - available));
  }
  void* address = view.data.get();
  views_.push_back(std::move(view));
  return address;
}

void TIEFileBuffer::WriteBack(View& view) {
  if (stream_ && (view.access & ieaWrite) && view.size > 0) {
    stream_->Seek(view.position, vcl::soBeginning);
    WriteExactly(stream_.get(), view.data.get(), view.size);
  }
}

void TIEFileBuffer::Unmap(void* address) {
  int32_t index = IndexOfMapped(address);
  if (index < 0) throw vcl::EListError("List index out of bounds (-1)");
  // The view is removed even when writing it back fails, so that its memory is not lost.
  View view = std::move(views_[index]);
  views_.erase(views_.begin() + index);
  WriteBack(view);
}

void TIEFileBuffer::UnmapAll() {
  while (!views_.empty()) Unmap(views_.back().data.get());
}

int32_t TIEFileBuffer::IndexOfMapped(const void* address) const {
  for (size_t i = 0; i < views_.size(); ++i)
    if (views_[i].data.get() == address) return static_cast<int32_t>(i);
  return -1;
}

void TIEFileBuffer::CopyTo(TIEFileBuffer* destination, int64_t position, int64_t count) {
  if (!destination || !IsAllocated() || !destination->IsAllocated() || count <= 0) return;
  UnmapAll();
  destination->UnmapAll();
  std::unique_ptr<uint8_t[]> chunk(new uint8_t[static_cast<size_t>(std::min(count, kCopyChunk))]);
  stream_->Seek(position, vcl::soBeginning);
  destination->stream_->Seek(position, vcl::soBeginning);
  while (count > 0) {
    int32_t piece = static_cast<int32_t>(std::min(count, kCopyChunk));
    stream_->ReadBuffer(chunk.get(), piece);
    destination->stream_->WriteBuffer(chunk.get(), piece);
    count -= piece;
  }
}

}  // namespace imaging
