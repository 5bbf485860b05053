// Every writer of these codecs over a stream that takes nothing (a full disk): each must end in
// the aborting flag rather than report a file it did not write.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/codecs/bmp/bmp_codec.h"
#include "imaging/codecs/gif/gif_codec.h"
#include "imaging/codecs/ico/ico_writer.h"
#include "imaging/codecs/png/png_codec.h"
#include "imaging/codecs/pnm/pxm_codec.h"
#include "imaging/codecs/wbmp/wbmp_codec.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "tests/support/test_pictures.h"
#include "vcl/runtime/streams.h"

using namespace imaging;

namespace {

// A stream that refuses every write (and reads nothing).
class TFullDisk : public vcl::TStream {
 public:
  int32_t Read(void*, int32_t) override { return 0; }
  int32_t Write(const void*, int32_t) override { return 0; }
  int64_t Seek(int64_t offset, vcl::TSeekOrigin origin) override { return origin == vcl::soBeginning ? offset : 0; }
};

}  // namespace

TEST(CodecWriters, AShortWriteSetsTheAbortingFlag) {
  using TWrite = std::function<void(vcl::TStream*, TIEBitmap*, TIOParamsVals&, TCodecProgress&)>;
  const std::vector<std::pair<std::string, TWrite>> writers = {
      {"bmp", [](auto* s, auto* b, auto& p, auto& g) { WriteBMPStream(s, b, p, g, false); }},
      {"gif", [](auto* s, auto* b, auto& p, auto& g) { WriteGIFStream(s, b, p, g); }},
      {"png", [](auto* s, auto* b, auto& p, auto& g) { WritePNGStream(s, b, p, g, nullptr); }},
      {"pxm", [](auto* s, auto* b, auto& p, auto& g) { WritePXMStream(s, b, p, g); }},
      {"wbmp", [](auto* s, auto* b, auto&, auto& g) { WriteWBMPStream(s, b, g); }},
      {"ico", [](auto* s, auto* b, auto& p, auto& g) {
         const TIOICOSize sizes[] = {{16, 16}};
         const int32_t bits[] = {32};
         WriteICOStream(s, b, p, g, sizes, bits);
       }},
  };
  auto bitmap = test_pictures::Gradient(20, 10);
  for (const auto& [name, write] : writers) {
    TFullDisk disk;
    TIOParamsVals params(nullptr);
    std::atomic<bool> aborting{false};
    TCodecProgress progress;
    progress.Aborting = &aborting;
    EXPECT_NO_THROW(write(&disk, bitmap.get(), params, progress)) << name;
    EXPECT_TRUE(aborting) << name;
  }
}
