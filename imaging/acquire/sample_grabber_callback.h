// The sample grabber's callback: runs on a streaming thread, so it only posts a notice.
#pragma once

#include <atomic>

#include "imaging/acquire/direct_show.h"

namespace imaging {

class TIESampleGrabberCB : public ISampleGrabberCB {
 public:
  explicit TIESampleGrabberCB(TIEDirectShow* owner) : owner_(owner) {}
  virtual ~TIESampleGrabberCB() = default;
  // The owner goes before the grabber may let go of the callback.
  void Detach() { owner_.store(nullptr); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE SampleCB(double, IMediaSample*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE BufferCB(double, BYTE*, LONG) override;

 private:
  std::atomic<TIEDirectShow*> owner_;
  std::atomic<ULONG> refs_{1};
};

}  // namespace imaging
