// The open AVI file of a TImageIO: the file, its first video stream, the frame reader and the
// stream's information record.
#pragma once

#include "imaging/io/image_io.h"
#include "vcl/runtime/win.h"

#include <vfw.h>

namespace imaging {

struct TImageIO::TAVIState {
  PAVIFILE file = nullptr;
  PAVISTREAM stream = nullptr;
  PGETFRAME frames = nullptr;
  AVISTREAMINFOW info{};
  // The file library works through COM: the thread that opened the file initialised it, and
  // the same thread balances that when it closes the file.
  bool comInitialised = false;
  DWORD thread = 0;
};

}  // namespace imaging
