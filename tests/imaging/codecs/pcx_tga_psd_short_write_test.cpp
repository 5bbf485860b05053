// The PCX, DCX, TGA and PSD writers over a stream that takes nothing (a full disk): each must end
// in the aborting flag rather than report a file it did not write.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "imaging/codecs/pcx/pcx_codec.h"
#include "imaging/codecs/psd/psd_codec.h"
#include "imaging/codecs/tga/tga_codec.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "tests/support/test_pictures.h"
#include "vcl/runtime/streams.h"

using namespace imaging;

namespace {

// A stream that refuses every write (and reads nothing).
class TRefusingDisk : public vcl::TStream {
 public:
  int32_t Read(void*, int32_t) override { return 0; }
  int32_t Write(const void*, int32_t) override { return 0; }
  int64_t Seek(int64_t offset, vcl::TSeekOrigin origin) override { return origin == vcl::soBeginning ? offset : 0; }
};

}  // namespace

TEST(PcxTgaPsdWriters, AShortWriteSetsTheAbortingFlag) {
  using TWrite = std::function<void(vcl::TStream*, TIEBitmap*, TIOParamsVals&, TCodecProgress&)>;
  const std::vector<std::pair<std::string, TWrite>> writers = {
      {"pcx", [](auto* s, auto* b, auto& p, auto& g) { WritePCXStream(s, b, p, g); }},
      {"dcx", [](auto* s, auto* b, auto& p, auto& g) { WriteDCXStream(s, b, p, g); }},
      {"tga", [](auto* s, auto* b, auto& p, auto& g) { WriteTGAStream(s, b, p, g, nullptr); }},
      {"psd", [](auto* s, auto* b, auto& p, auto& g) { WritePSDStream(s, p, g, b, TPSDLayers()); }},
  };
  auto bitmap = test_pictures::Gradient(20, 10);
  for (const auto& [name, write] : writers) {
    TRefusingDisk disk;
    TIOParamsVals params(nullptr);
    std::atomic<bool> aborting{false};
    TCodecProgress progress;
    progress.Aborting = &aborting;
    EXPECT_NO_THROW(write(&disk, bitmap.get(), params, progress)) << name;
    EXPECT_TRUE(aborting) << name;
  }
}
