#include "imaging/acquire/wia_device_manager.h"

namespace imaging {

namespace {

const CLSID kWiaDevMgr = {0xa1f4e726, 0x8cf1, 0x11d1, {0xbf, 0x92, 0x00, 0x60, 0x08, 0x1e, 0xd8, 0x11}};
const IID kIWiaDevMgr = {0x5eb2502a, 0x8cf1, 0x11d1, {0xbf, 0x92, 0x00, 0x60, 0x08, 0x1e, 0xd8, 0x11}};
const IID kIWiaEventCallback = {0xae6287b0, 0x0084, 0x11d2, {0x97, 0x3b, 0x00, 0xa0, 0xc9, 0x06, 0x8f, 0x2e}};
constexpr LONG kRegisterAllDevices = 0x00000001;  // WIA_REGISTER_EVENT_CALLBACK

}  // namespace

const GUID IEWiaEventItemCreated = {0x4c8f4ef5, 0xe14f, 0x11d2, {0xb3, 0x26, 0x00, 0xc0, 0x4f, 0x68, 0xce, 0x61}};
const GUID IEWiaEventItemDeleted = {0x1d22a559, 0xe14f, 0x11d2, {0xb3, 0x26, 0x00, 0xc0, 0x4f, 0x68, 0xce, 0x61}};
const GUID IEWiaEventTreeUpdated = {0xc9859b91, 0x4ab2, 0x4cd6, {0xa1, 0xfc, 0x58, 0x2e, 0xec, 0x55, 0xe5, 0x85}};

TIEWia::TIEWia(vcl::TComponent* owner) : owner_(owner) {
  comInitialized_ = SUCCEEDED(OleInitialize(nullptr));
  // Without the service the object works all the same, with no device manager.
  if (FAILED(CoCreateInstance(kWiaDevMgr, nullptr, CLSCTX_LOCAL_SERVER, kIWiaDevMgr,
                              reinterpret_cast<void**>(&deviceManager_))))
    deviceManager_ = nullptr;
  if (!deviceManager_) return;
  const GUID* events[3] = {&IEWiaEventItemCreated, &IEWiaEventItemDeleted, &IEWiaEventTreeUpdated};
  for (int i = 0; i < 3; ++i) {
    // This object keeps a reference too, so that it can cut the callback off when it goes
    // while the service still holds it.
    callbacks_[i] = new TWiaEventCallBack(this);
    if (FAILED(deviceManager_->RegisterEventCallbackInterface(kRegisterAllDevices, nullptr, events[i], callbacks_[i],
                                                              &registrations_[i])))
      registrations_[i] = nullptr;
  }
}

TIEWia::~TIEWia() {
  for (TWiaEventCallBack*& callback : callbacks_) {
    if (callback) {
      callback->Detach();
      callback->Release();
    }
    callback = nullptr;
  }
  for (IUnknown*& registration : registrations_) {
    if (registration) registration->Release();
    registration = nullptr;
  }
  if (deviceManager_) deviceManager_->Release();
  deviceManager_ = nullptr;
  ClearItems();
  ControlParent.reset();
  if (comInitialized_) OleUninitialize();
}

void TIEWia::ClearItems() { Items.clear(); }

int32_t TIEWia::RegisteredEvents() const {
  int32_t count = 0;
  for (IUnknown* registration : registrations_) count += registration != nullptr;
  return count;
}

void TIEWia::HandleEvent(const GUID& event) {
  uint8_t code = 0;
  if (IsEqualGUID(event, IEWiaEventTreeUpdated))
    code = 1;
  else if (IsEqualGUID(event, IEWiaEventItemCreated))
    code = 2;
  else if (IsEqualGUID(event, IEWiaEventItemDeleted))
    code = 3;
  else
    return;
  LastEvent.store(code);
  if (OnItemsTreeUpdated) OnItemsTreeUpdated(this);
}

HRESULT STDMETHODCALLTYPE TWiaEventCallBack::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, kIWiaEventCallback)) {
    *out = static_cast<IWiaEventCallback*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE TWiaEventCallBack::Release() {
  const ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

HRESULT STDMETHODCALLTYPE TWiaEventCallBack::ImageEventCallback(const GUID* event, BSTR, BSTR, BSTR, DWORD, BSTR,
                                                                ULONG*, ULONG) {
  try {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    TIEWia* owner = owner_.load();
    if (owner && event) owner->HandleEvent(*event);
  } catch (...) {
    // Nothing may unwind into the COM runtime.
  }
  return S_OK;
}

}  // namespace imaging
