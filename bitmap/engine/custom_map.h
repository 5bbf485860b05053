// The two bases of TBitmap32: TThreadPersistent (change notification bracketed by an update
// counter, and a lock other code can hold while it reads) and TCustomMap (a width and a height
// with resize notification).
#pragma once

#include <cstdint>
#include <functional>

#include "vcl/runtime/persistent.h"
#include "vcl/runtime/threads.h"

namespace bitmap {

using TNotifyEvent = std::function<void(vcl::TObject* Sender)>;

class TThreadPersistent : public vcl::TPersistent {
  VCL_CLASS(TThreadPersistent, vcl::TPersistent)
  TThreadPersistent() = default;
  ~TThreadPersistent() override = default;

  // While the update count is above 0 no change is signalled. EndUpdate does not signal by
  // itself; raises EAssertionFailed "Unpaired TThreadPersistent.EndUpdate" at count 0.
  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();
  int32_t UpdateCount() const { return updateCount_; }
  // Fires OnChange when no update is open.
  virtual void Changed();

  // Re-entrant for the same thread.
  void Lock() { lock_.Enter(); }
  void Unlock() { lock_.Leave(); }

  TNotifyEvent OnChange;

 private:
  vcl::TCriticalSection lock_;
  int32_t updateCount_ = 0;
};

class TCustomMap : public TThreadPersistent {
  VCL_CLASS(TCustomMap, TThreadPersistent)
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }

  // Negative sizes become 0. Returns false and does nothing when the size is unchanged;
  // otherwise resizes the storage, signals a change and a resize, and returns true.
  virtual bool SetSize(int32_t newWidth, int32_t newHeight);
  void SetWidth(int32_t w) { SetSize(w, height_); }
  void SetHeight(int32_t h) { SetSize(width_, h); }
  virtual void MakeEmpty() { SetSize(0, 0); }
  virtual bool IsEmpty() const { return width_ == 0 || height_ == 0; }

  TNotifyEvent OnResize;

 protected:
  // Makes storage for the new size and stores it in `width` and `height` (the fields).
  virtual void ResizeStorage(int32_t& width, int32_t& height, int32_t newWidth, int32_t newHeight);
  virtual void NotifyResized();

 private:
  int32_t height_ = 0;
  int32_t width_ = 0;
};

}  // namespace bitmap
