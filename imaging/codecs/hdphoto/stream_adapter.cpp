#include "imaging/codecs/hdphoto/stream_adapter.h"

#include <algorithm>
#include <cstring>

#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

// The interfaces the adapter answers to (their identifiers, spelled out here).
constexpr GUID kIUnknown = {0x00000000, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr GUID kISequentialStream = {0x0c733a30, 0x2a1c, 0x11ce, {0xad, 0xe5, 0x00, 0xaa, 0x00, 0x44, 0x77, 0x3d}};
constexpr GUID kIStream = {0x0000000c, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

bool SameGUID(REFIID a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }

}  // namespace

TStreamAdapter::TStreamAdapter(vcl::TStream* stream) : stream_(stream) {}

HRESULT STDMETHODCALLTYPE TStreamAdapter::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (SameGUID(riid, kIUnknown) || SameGUID(riid, kISequentialStream) || SameGUID(riid, kIStream)) {
    *object = static_cast<IStream*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE TStreamAdapter::AddRef() { return ++references_; }

ULONG STDMETHODCALLTYPE TStreamAdapter::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::Read(void* buffer, ULONG count, ULONG* done) {
  try {
    const int32_t got = stream_->Read(buffer, int32_t(std::min<ULONG>(count, 0x7FFFFFFF)));
    if (done) *done = ULONG(got < 0 ? 0 : got);
    return got == int32_t(count) ? S_OK : S_FALSE;
  } catch (...) {
    if (done) *done = 0;
    return STG_E_READFAULT;
  }
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::Write(const void* buffer, ULONG count, ULONG* done) {
  try {
    const int32_t put = stream_->Write(buffer, int32_t(std::min<ULONG>(count, 0x7FFFFFFF)));
    if (done) *done = ULONG(put < 0 ? 0 : put);
    return put == int32_t(count) ? S_OK : STG_E_MEDIUMFULL;
  } catch (...) {
    if (done) *done = 0;
    return STG_E_WRITEFAULT;
  }
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) {
  vcl::TSeekOrigin from;
  switch (origin) {
    case STREAM_SEEK_SET: from = vcl::soBeginning; break;
    case STREAM_SEEK_CUR: from = vcl::soCurrent; break;
    case STREAM_SEEK_END: from = vcl::soEnd; break;
    default: return STG_E_INVALIDFUNCTION;
  }
  try {
    const int64_t now = stream_->Seek(move.QuadPart, from);
    if (now < 0) return STG_E_INVALIDFUNCTION;
    if (position) position->QuadPart = ULONGLONG(now);
    return S_OK;
  } catch (...) {
    return STG_E_INVALIDFUNCTION;
  }
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::SetSize(ULARGE_INTEGER size) {
  try {
    stream_->SetSize(int64_t(size.QuadPart));
    return S_OK;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) {
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::Commit(DWORD) { return S_OK; }

HRESULT STDMETHODCALLTYPE TStreamAdapter::Revert() { return STG_E_REVERTED; }

HRESULT STDMETHODCALLTYPE TStreamAdapter::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
  return STG_E_INVALIDFUNCTION;
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
  return STG_E_INVALIDFUNCTION;
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::Stat(STATSTG* status, DWORD) {
  if (!status) return STG_E_INVALIDPOINTER;
  try {
    std::memset(status, 0, sizeof(*status));
    status->type = STGTY_STREAM;
    status->cbSize.QuadPart = ULONGLONG(stream_->Size());
    return S_OK;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::Clone(IStream** copy) {
  if (copy) *copy = nullptr;
  return E_NOTIMPL;
}

}  // namespace imaging
