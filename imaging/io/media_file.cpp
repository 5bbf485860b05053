#include "imaging/io/media_file.h"

namespace imaging {

TIEMediaFileFactory IEMediaFileFactory;
TIEAcquisitionFactories IEAcquisitionFactories;

TIEMediaFrames MediaFrames(int64_t mediaDuration, int64_t frameDuration, int64_t averageFrameTime) {
  TIEMediaFrames frames;
  frames.Count = frameDuration;
  if (frameDuration == mediaDuration && averageFrameTime > 0) {
    frames.Count = mediaDuration / averageFrameTime;
    frames.Step = averageFrameTime;
  }
  if (frames.Count > 0) frames.Delay = static_cast<double>(mediaDuration) / 10000000.0 / frames.Count * 1000.0;
  return frames;
}

}  // namespace imaging
