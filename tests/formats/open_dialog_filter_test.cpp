// Every extension of the compositor's open dialogs ("All Image Files") loads a file written by an
// independent tool through the picture loader, with that tool's pixels. Photo CD and Paint Shop
// Pro files have no writer here; their readers are checked on hand-built files in their own tests.
// The TIFF reader of the picture formats takes no LZW (the image library's own reader does), so
// the TIFF files here are deflated and PackBits coded.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "formats/file_format_list.h"
#include "tests/formats/reader_checks.h"
#include "tests/support/file_helpers.h"
#include "tests/support/tiff_strips.h"
#include "vcl/graphics/canvas.h"
#include "vcl/graphics/picture.h"

using reader_checks::Bytes;

namespace {

uint32_t Smooth(int x, int y) {
  return static_cast<uint32_t>(x * 5) << 16 | static_cast<uint32_t>(y * 12) << 8 | static_cast<uint32_t>(x * 2 + y * 3);
}

// The picture drawn onto a 24-bit bitmap, whatever class the loader chose for the file.
reader_checks::TLoaded LoadAndFlatten(const std::string& path, std::string& className) {
  vcl::TPicture picture;
  picture.LoadFromFile(path);
  className = picture.Graphic()->ClassName();
  vcl::TBitmap flat;
  flat.SetPixelFormat(vcl::pf24bit);
  flat.SetSize(picture.Width(), picture.Height());
  flat.Canvas()->Draw(0, 0, picture.Graphic());
  return reader_checks::Pixels(&flat);
}

TEST(OpenDialogFilter, EveryExtensionLoadsAToolsFile) {
  std::string version;
  if (test_files::RunShell("convert -version", &version) != 0 || version.find("ImageMagick") == std::string::npos)
    GTEST_SKIP() << "ImageMagick missing";
  struct Case {
    const char* extension;
    const char* options;  // how the tool writes the picture
    const char* format;
    int tolerance;
  } cases[] = {
      {"jpg", "-quality 95", "jpg", 24},   {"jpeg", "-quality 95", "jpg", 24},
      {"psd", "", "psd", 0},               {"bmp", "", "bmp3", 0},
      {"rle", "-colors 16 -compress RLE", "bmp3", 0},  // RLE8 coded, with its own colour table
      {"dib", "", "bmp3", 0},              {"png", "", "png", 0},
      {"tga", "-orient TopLeft", "tga", 0},               {"tif", "-compress zip", "tif", 0},
      {"tiff", "-compress rle", "tiff", 0}, {"pcx", "", "pcx", 0},
  };
  const Bytes ppm = reader_checks::MakePnm(false, 45, 19, Smooth);
  formats::RegisterPictureFormats();
  const std::string dir = test_files::MakeTempDir();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.extension);
    Bytes file;
    const std::string format = c.format;
    ASSERT_TRUE(tiff_strips::RunTool("convert ppm:{in} " + std::string(c.options) + " " + format + ":{out}", ppm, file));
    // What the tool itself decodes from its file is the reference (a palette reduction included).
    Bytes decoded;
    ASSERT_TRUE(tiff_strips::RunTool("convert '" + format + ":{in}[0]' -depth 8 ppm:{out}", file, decoded));
    const std::string path = dir + "/picture." + c.extension;
    test_files::WriteFileBytes(path, file);
    std::string className;
    const reader_checks::TLoaded loaded = LoadAndFlatten(path, className);
    EXPECT_EQ(loaded.width, 45);
    EXPECT_EQ(loaded.height, 19);
    EXPECT_TRUE(reader_checks::ChannelsWithin(reader_checks::PnmPixels(decoded), loaded.rgb, c.tolerance))
        << className;
  }
  formats::UnregisterPictureFormats();
  reader_checks::RestorePlatformFormats();
}

}  // namespace
