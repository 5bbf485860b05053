#include "imaging/acquire/sample_grabber_callback.h"

namespace imaging {

HRESULT STDMETHODCALLTYPE TIESampleGrabberCB::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ISampleGrabberCB)) {
    *out = static_cast<ISampleGrabberCB*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE TIESampleGrabberCB::Release() {
  const ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

HRESULT STDMETHODCALLTYPE TIESampleGrabberCB::BufferCB(double, BYTE*, LONG) {
  try {
    if (TIEDirectShow* owner = owner_.load()) owner->SampleArrived();
  } catch (...) {
    // Nothing may unwind into the streaming thread.
  }
  return S_OK;
}

}  // namespace imaging
