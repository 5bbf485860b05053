// A JPEG 2000 load pays for decoding the image once: detection and the parameters read stop at
// the headers, whichever way the load comes in.
#include <gtest/gtest.h>

#include <functional>

#include "clib/openjpeg_bridge.h"
#include "tests/imaging/io/format_cases.h"
#include "tests/imaging/io/io_test_support.h"
#include "vcl/runtime/streams.h"

using namespace imaging;
using namespace io_test;

using JPEG2000Load = IOTest;

TEST_F(JPEG2000Load, DetectionParametersAndLoadDecodeTheImageOnce) {
  for (int32_t fileType : {13, 14}) {
    SCOPED_TRACE(fileType);
    TImageIO source(nullptr);
    source.IEBitmap()->Assign(Smooth(40, 24).get());
    vcl::TMemoryStream file;
    source.SaveToStream(&file, fileType);
    ASSERT_FALSE(source.Aborting());
    const std::u16string name = File(fileType == 13 ? "picture.jp2" : "picture.j2k");
    source.SaveToFile(name);
    ASSERT_FALSE(source.Aborting());

    struct Case {
      const char* name;
      std::function<void(TImageIO&)> load;
    } cases[] = {
        {"parameters, then a detected load from a stream",
         [&](TImageIO& io) {
           file.SetPosition(0);
           io.ParamsFromStream(&file);
           file.SetPosition(0);
           io.LoadFromStream(&file);
         }},
        {"parameters, then a load from a file by its content",
         [&](TImageIO& io) {
           io.ParamsFromFile(name);
           io.LoadFromFileAuto(name);
         }},
        {"a load from a file by its extension", [&](TImageIO& io) { io.LoadFromFile(name); }},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      TImageIO io(nullptr);
      const unsigned long before = j2k_lib_decode_count();
      c.load(io);
      ASSERT_FALSE(io.Aborting());
      EXPECT_EQ(io.IEBitmap()->Width(), 40);
      EXPECT_EQ(io.Params().FileType, fileType);
      EXPECT_EQ(j2k_lib_decode_count(), before + 1);
    }
  }
}
