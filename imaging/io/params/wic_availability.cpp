#include "imaging/io/params/wic_availability.h"

#include <mutex>

#include "vcl/win.h"

#include <ole2.h>
#include <wincodec.h>

namespace imaging {

namespace {

bool ProbeImagingFactory() {
  // OLE is set up on this thread only for the probe; a thread already set up in another mode
  // can still create the factory.
  const HRESULT init = OleInitialize(nullptr);
  IWICImagingFactory* factory = nullptr;
  const HRESULT created = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IWICImagingFactory, reinterpret_cast<void**>(&factory));
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
