// The I/O object's link to the platform's image acquisition service (scanners and cameras): it
// connects to the device manager, listens for three of its events and reports them through one
// event, and carries the I/O object's progress routine.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "vcl/classes/component.h"
#include "vcl/runtime/system.h"
#include "vcl/runtime/win.h"

#include <wia_lh.h>

namespace imaging {

class TIEBitmap;
class TWiaEventCallBack;

class TIEWia : public vcl::TObject {
  VCL_CLASS(TIEWia, vcl::TObject)
  explicit TIEWia(vcl::TComponent* owner);
  ~TIEWia() override;

  // Frees the device-item tree.
  void ClearItems();

  // The device manager; nil when the service could not be reached.
  IWiaDevMgr* DeviceManager() const { return deviceManager_; }
  vcl::TComponent* Owner() const { return owner_; }
  bool ComInitialized() const { return comInitialized_; }
  // How many device-manager events are registered (0 without the service).
  int32_t RegisteredEvents() const;

  // Progress in per cent; returns false to stop.
  std::function<bool(int32_t)> OnProgress;
  // Fired for every registered device-manager event, on a thread of the platform's COM runtime.
  std::function<void(TIEWia*)> OnItemsTreeUpdated;
  std::function<void(TIEWia*)> OnMultiTransfer;
  // The last device-manager event: 1 tree updated, 2 item created, 3 item deleted.
  std::atomic<uint8_t> LastEvent{0};

  // Transfer settings; nothing in this system transfers, they keep their initial values.
  bool TakePicture = true;
  bool DeleteTakenPicture = false;
  std::string SaveTransferBufferAs;
  uint8_t TransferFormat = 0;
  int32_t CurrentIndex = 0;
  std::vector<std::unique_ptr<vcl::TObject>> Items;
  std::unique_ptr<vcl::TObject> ControlParent;
  TIEBitmap* ProcessingBitmap = nullptr;

  // Maps a device-manager event to its code and fires the event; others change nothing.
  void HandleEvent(const GUID& event);

 private:
  bool comInitialized_ = false;
  vcl::TComponent* owner_;
  IWiaDevMgr* deviceManager_ = nullptr;
  IUnknown* registrations_[3] = {};
  TWiaEventCallBack* callbacks_[3] = {};
};

// The event sink registered with the device manager; reference counted, kept alive by the
// registrations that hold it.
class TWiaEventCallBack : public IWiaEventCallback {
 public:
  explicit TWiaEventCallBack(TIEWia* owner) : owner_(owner) {}
  virtual ~TWiaEventCallBack() = default;
  // The owner is going; events still arriving do nothing. Waits for an event being handled on
  // another thread, so that the owner outlives it.
  void Detach() {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    owner_.store(nullptr);
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE ImageEventCallback(const GUID* event, BSTR description, BSTR deviceId,
                                               BSTR deviceDescription, DWORD deviceType, BSTR fullItemName,
                                               ULONG* eventType, ULONG reserved) override;

 private:
  std::atomic<TIEWia*> owner_;
  std::atomic<ULONG> refs_{1};
  // Held while an event reaches the owner. Recursive: a handler may free the owner itself.
  std::recursive_mutex lock_;
};

extern const GUID IEWiaEventItemCreated;
extern const GUID IEWiaEventItemDeleted;
extern const GUID IEWiaEventTreeUpdated;

}  // namespace imaging
