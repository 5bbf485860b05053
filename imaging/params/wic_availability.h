// Whether the platform's imaging codecs (which read and write HD Photo) can be used here.
#pragma once

namespace imaging {

// True when the platform's imaging factory can be created. Asked once per process; the answer
// is kept.
bool IsWICAvailable();

}  // namespace imaging
