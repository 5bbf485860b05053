// The playback behind the I/O object's media-file frames.
#pragma once

#include <memory>

#include "imaging/acquire/direct_show.h"
#include "imaging/io/media_file.h"

namespace imaging {

class TIEMediaPlayback : public TIEMediaFile {
 public:
  TIEMediaPlayback();
  ~TIEMediaPlayback() override;
  bool Open(const std::u16string& name) override;
  int64_t MediaDuration() override;
  int64_t FrameDuration() override;
  int64_t AverageFrameTime() override;
  void VideoSize(int32_t& width, int32_t& height) override;
  void Seek(int64_t position) override;
  bool GrabFrame(TIEBitmap* target) override;
  void Close() override;

  TIEDirectShow& Graph() { return *graph_; }

 private:
  // How long a seek waits for its frame once the graph has settled.
  static constexpr DWORD SampleTimeout = 2000;
  std::unique_ptr<TIEDirectShow> graph_;
  // The last seek brought a frame.
  bool fresh_ = false;
};

}  // namespace imaging
