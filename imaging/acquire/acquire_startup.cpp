#include "imaging/acquire/acquire_startup.h"

#include <memory>

#include "imaging/acquire/direct_show.h"
#include "imaging/acquire/media_playback.h"
#include "imaging/acquire/twain_teardown.h"
#include "imaging/acquire/wia_device_manager.h"
#include "imaging/io/image_io.h"
#include "imaging/io/media_file.h"
#include "imaging/io/scanner_params.h"
#include "vcl/controls/controls.h"

namespace imaging {

std::string IEMediaExtensions;

void IEAcquireStaticInit() {
  IEMediaExtensions = "mpg,mpeg,wmv,avi";
  IEMediaFileFactory = [] { return std::unique_ptr<TIEMediaFile>(std::make_unique<TIEMediaPlayback>()); };
  IEAcquisitionFactories.Wia = [](TImageIO& io) {
    auto wia = std::make_unique<TIEWia>(&io);
    TImageIO* owner = &io;
    wia->OnProgress = [owner](int32_t per) { return owner->WiaProgress(per); };
    return std::unique_ptr<vcl::TObject>(std::move(wia));
  };
  IEAcquisitionFactories.DirectShow = [](TImageIO&) {
    return std::unique_ptr<vcl::TObject>(std::make_unique<TIEDirectShow>());
  };
  IETwainTeardown = [](TIETWainParams& params) { TwainTeardown(params.Shared, FindOwnerWindow(params.Owner())); };
  IEAcquisitionFactories.NotifyDirectShow = [](vcl::TObject& object, HWND window, UINT newFrame, UINT event) {
    if (auto* graph = dynamic_cast<TIEDirectShow*>(&object)) graph->SetNotifyTarget(window, newFrame, event);
  };
}

void IEAcquireStaticFinalize() {
  IEMediaExtensions.clear();
  IEMediaFileFactory = nullptr;
  IEAcquisitionFactories = TIEAcquisitionFactories();
  IETwainTeardown = nullptr;
}

HWND FindOwnerWindow(vcl::TComponent* component) {
  for (vcl::TComponent* c = component; c; c = c->Owner())
    if (auto* control = dynamic_cast<vcl::TWinControl*>(c)) return control->HandleAllocated() ? control->Handle() : nullptr;
  return nullptr;
}

TIEWia* IEGetWia(TImageIO& io) { return dynamic_cast<TIEWia*>(io.GetWia()); }

TIEDirectShow* IEGetDirectShow(TImageIO& io) { return dynamic_cast<TIEDirectShow*>(io.GetDirectShow()); }

}  // namespace imaging
