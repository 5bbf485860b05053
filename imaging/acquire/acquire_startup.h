// The acquisition library's start-up: it gives the I/O object its media-file playback, its
// acquisition service link and its capture graph. Until it runs, I/O objects have none of them.
#pragma once

namespace imaging {

class TIEDirectShow;
class TIEWia;
class TImageIO;

void IEAcquireStaticInit();
void IEAcquireStaticFinalize();

// The I/O object's acquisition objects as what they are; nil without the start-up.
TIEWia* IEGetWia(TImageIO& io);
TIEDirectShow* IEGetDirectShow(TImageIO& io);

}  // namespace imaging
