#include "imaging/codecs/helper_job.h"

#include <algorithm>

#include "imaging/params/codec_progress.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

int Cancelled(void* context) { return static_cast<const TCodecProgress*>(context)->IsAborting() ? 1 : 0; }

}  // namespace

bool RunHelperJob(codec_helper_request& request, const void* data, size_t size, const TCodecProgress* progress,
                  THelperAnswer& answer) {
  codec_helper_free(&answer.Answer);
  return codec_helper_run(&request, data, size, progress ? Cancelled : nullptr,
                          const_cast<TCodecProgress*>(progress), &answer.Answer) == 0;
}

std::vector<uint8_t> ReadStreamRest(vcl::TStream* stream) {
  const int64_t start = stream->Position();
  const int64_t size = std::max<int64_t>(0, stream->Size() - start);
  std::vector<uint8_t> data(static_cast<size_t>(size));
  for (int64_t done = 0; done < size;) {
    const int32_t chunk = int32_t(std::min<int64_t>(size - done, 1 << 30));
    const int32_t read = stream->Read(data.data() + done, chunk);
    if (read <= 0) {
      data.resize(size_t(done));
      break;
    }
    done += read;
  }
  stream->SetPosition(start);
  return data;
}

}  // namespace imaging
