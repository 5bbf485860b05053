// Running a decode or encode of a third-party library that can fault on hostile input in the
// codec helper process, so that a damaged file fails the read instead of ending the program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "clib/codec_helper.h"

namespace vcl {
class TStream;
}

namespace imaging {

struct TCodecProgress;

// The helper's answer; its buffers go with it.
struct THelperAnswer {
  codec_helper_answer Answer{};
  THelperAnswer() = default;
  THelperAnswer(const THelperAnswer&) = delete;
  THelperAnswer& operator=(const THelperAnswer&) = delete;
  ~THelperAnswer() { codec_helper_free(&Answer); }
  const codec_helper_reply& Reply() const { return Answer.reply; }
};

// Runs the job over the data; a raised aborting flag of the progress (when given) stops the
// helper. True when the helper answered with success.
bool RunHelperJob(codec_helper_request& request, const void* data, size_t size, const TCodecProgress* progress,
                  THelperAnswer& answer);

// The data from the stream's position to its end; the position is restored.
std::vector<uint8_t> ReadStreamRest(vcl::TStream* stream);

}  // namespace imaging
