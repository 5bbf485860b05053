// TImageVect: objects through the clipboard, as an IEV stream in the "IMAGING VECT" format.
#include <cstring>

#include "imaging/base/system_info.h"
#include "imaging/vect/image_vect.h"
#include "imaging/vect/vect_startup.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/win.h"

namespace imaging {

namespace {

// A read-only view of a locked clipboard block.
class TBlockStream : public vcl::TCustomMemoryStream {
 public:
  TBlockStream(void* data, int64_t size) { SetPointer(data, size); }
  int32_t Write(const void*, int32_t) override { return 0; }
};

}  // namespace

void TImageVect::CopyObjectsToClipboard() {
  std::vector<int32_t> handles;
  for (int32_t hobj : drawOrder_)
    if (IsSelObject(hobj)) handles.push_back(hobj);
  if (handles.empty()) return;
  vcl::TMemoryStream stream;
  WriteObjects(&stream, handles, true);
  const int64_t size = stream.Size();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(size));
  if (!block) return;
  if (void* data = GlobalLock(block)) {
    std::memcpy(data, stream.Memory(), static_cast<size_t>(size));
    GlobalUnlock(block);
  }
  if (!OpenClipboardRetry()) {
    GlobalFree(block);
    return;
  }
  EmptyClipboard();
  if (!SetClipboardData(ClipboardFormatVect(), block)) GlobalFree(block);
  CloseClipboard();
}

bool TImageVect::PasteObjectsFromClipboard() {
  const UINT format = ClipboardFormatVect();
  if (!IsClipboardFormatAvailable(format) || !OpenClipboardRetry()) return false;
  TLoadedObjects loaded;
  bool read = false;
  try {
    HANDLE block = GetClipboardData(format);
    const SIZE_T size = block ? GlobalSize(block) : 0;
    void* data = size ? GlobalLock(block) : nullptr;
    if (data) {
      try {
        TBlockStream stream(data, static_cast<int64_t>(size));
        read = ReadObjectsStream(&stream, loaded);
      } catch (...) {
        GlobalUnlock(block);
        throw;
      }
      GlobalUnlock(block);
    }
  } catch (...) {
    CloseClipboard();
    throw;
  }
  CloseClipboard();
  if (!read) return false;
  const std::vector<int32_t> handles = InstallObjects(loaded, false);
  selection_.clear();
  for (int32_t hobj : handles) SelObject(hobj);
  DoVectorialChanged();
  Update();
  return true;
}

}  // namespace imaging
