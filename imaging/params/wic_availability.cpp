#include "imaging/params/wic_availability.h"

#include <mutex>

#include "vcl/runtime/win.h"

#include <ole2.h>

namespace imaging {

namespace {

// The platform's imaging factory class. Only its creation is tried, so the class identifier is
// all that is needed of the codec interfaces.
constexpr GUID kImagingFactoryClass = {0xcacaf262, 0x9370, 0x4615, {0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a}};

bool ProbeImagingFactory() {
  // OLE is set up on this thread only for the probe; a thread already set up in another mode
  // can still create the factory.
  const HRESULT init = OleInitialize(nullptr);
  IUnknown* factory = nullptr;
  const HRESULT created = CoCreateInstance(kImagingFactoryClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                           reinterpret_cast<void**>(&factory));
  const bool available = SUCCEEDED(created) && factory != nullptr;
  if (factory) factory->Release();
  if (SUCCEEDED(init)) OleUninitialize();
  return available;
}

}  // namespace

bool IsWICAvailable() {
  // Codecs may ask from I/O worker threads: the probe runs exactly once.
  static std::once_flag probed;
  static bool available = false;
  std::call_once(probed, [] { available = ProbeImagingFactory(); });
  return available;
}

}  // namespace imaging
