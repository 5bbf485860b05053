// The acquisition library's start-up: it gives the I/O object its media-file playback, its
// acquisition service link and its capture graph. Until it runs, I/O objects have none of them.
#pragma once

#include <string>

#include "vcl/runtime/win.h"

namespace vcl {
class TComponent;
}

namespace imaging {

class TIEDirectShow;
class TIEWia;
class TImageIO;

// The file extensions treated as media files, comma-separated; set by the start-up.
extern std::string IEMediaExtensions;

void IEAcquireStaticInit();
void IEAcquireStaticFinalize();

// The window of the nearest window control among the component and its owners (the one a
// scanner connection belongs to); nil when there is none or it has no window yet.
HWND FindOwnerWindow(vcl::TComponent* component);

// The I/O object's acquisition objects as what they are; nil without the start-up.
TIEWia* IEGetWia(TImageIO& io);
TIEDirectShow* IEGetDirectShow(TImageIO& io);

}  // namespace imaging
