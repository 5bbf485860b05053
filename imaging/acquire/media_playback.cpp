#include "imaging/acquire/media_playback.h"

namespace imaging {

TIEMediaPlayback::TIEMediaPlayback() : graph_(std::make_unique<TIEDirectShow>()) {}

TIEMediaPlayback::~TIEMediaPlayback() { Close(); }

bool TIEMediaPlayback::Open(const std::u16string& name) {
  graph_->SourceFileName = name;
  graph_->SampleGrabberEnabled = true;
  graph_->Connect();
  if (!graph_->Connected()) return false;
  graph_->Pause();
  return true;
}

int64_t TIEMediaPlayback::MediaDuration() {
  graph_->SetTimeFormat(ietfMediaTime);
  return graph_->GetDuration();
}

int64_t TIEMediaPlayback::FrameDuration() {
  // A source that does not count frames keeps the media time and reports that duration again.
  graph_->SetTimeFormat(ietfFrame);
  return graph_->GetDuration();
}

int64_t TIEMediaPlayback::AverageFrameTime() { return graph_->GetFrameDuration(); }

void TIEMediaPlayback::VideoSize(int32_t& width, int32_t& height) {
  std::string format;
  graph_->GetVideoFormat(width, height, format);
  if (height < 0) height = -height;
}

void TIEMediaPlayback::Seek(int64_t position) {
  // A paused graph that is sought keeps passing samples of the old position for a while, and
  // settles before the grabber has the new one: a grab would return an earlier frame. Stopped
  // first, the graph has no sample in flight; paused again, the first sample the grabber passes
  // is the frame of the position.
  // The graph clamps a position past the end and would bring the last frame.
  fresh_ = false;
  if (position < 0 || position >= graph_->GetDuration()) return;
  graph_->Stop();
  const uint64_t before = graph_->SampleCount();
  graph_->SetPosition(position);
  graph_->Pause();
  fresh_ = graph_->WaitForSample(before, SampleTimeout);
}

bool TIEMediaPlayback::GrabFrame(TIEBitmap* target) { return fresh_ && graph_->GrabFrame(target); }

void TIEMediaPlayback::Close() { graph_->Disconnect(); }

}  // namespace imaging
