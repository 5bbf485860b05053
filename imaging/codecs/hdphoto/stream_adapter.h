// TStreamAdapter: a class-library stream presented as a COM IStream, for the platform's imaging
// codecs. The adapter does not own the stream, which must outlive it; it is reference counted
// like any COM object and frees itself on its last Release. No exception leaves its methods:
// a stream error becomes a failing HRESULT.
#pragma once

#include <atomic>

#include "vcl/runtime/win.h"

#include <objidl.h>

namespace vcl {
class TStream;
}

namespace imaging {

class TStreamAdapter final : public IStream {
 public:
  // Made with a reference count of 1.
  explicit TStreamAdapter(vcl::TStream* stream);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* done) override;
  HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG count, ULONG* done) override;

  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override;
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override;
  HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER count, ULARGE_INTEGER* read,
                                   ULARGE_INTEGER* written) override;
  HRESULT STDMETHODCALLTYPE Commit(DWORD flags) override;
  HRESULT STDMETHODCALLTYPE Revert() override;
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count, DWORD type) override;
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count, DWORD type) override;
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* status, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE Clone(IStream** copy) override;

 private:
  ~TStreamAdapter() = default;

  vcl::TStream* stream_;
  std::atomic<ULONG> references_{1};
};

}  // namespace imaging
