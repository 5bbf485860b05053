// The preset images: four PNG pictures of the listed byte sizes, picture sizes and layouts,
// each readable, made by the start-up and gone after the shut-down.
#include <gtest/gtest.h>

#include "imaging/io/image_io.h"
#include "imaging/io/preset_images.h"
#include "imaging/model/ie_bitmap.h"
#include "tests/imaging/io/io_test_support.h"

using namespace imaging;

namespace {

TEST(PresetImages, FourPicturesOfTheListedSizesAndLayouts) {
  IEPresetImStaticInit();
  const struct {
    int32_t size, width, height;
    bool alpha;
    int32_t samples;  // 4 colour with alpha, 3 colour, 1 palette
    RECT rect;
  } expected[] = {{9376, 162, 159, true, 4, {18, 29, 140, 119}},
                  {1055, 112, 100, false, 3, {13, 1, 95, 98}},
                  {1252, 163, 108, false, 1, {30, 14, 147, 92}},
                  {3329, 150, 150, false, 1, {17, 17, 131, 131}}};
  const std::vector<TIEPresetImage>& images = IEPresetImages();
  ASSERT_EQ(images.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const TIEPresetImage& image = images[i];
    EXPECT_EQ(image.Size, expected[i].size);
    EXPECT_EQ(image.FileType, 8);
    EXPECT_EQ(image.Rect.left, expected[i].rect.left);
    EXPECT_EQ(image.Rect.top, expected[i].rect.top);
    EXPECT_EQ(image.Rect.right, expected[i].rect.right);
    EXPECT_EQ(image.Rect.bottom, expected[i].rect.bottom);
    TImageIO io(nullptr);
    io.LoadFromBuffer(image.Data, image.Size, image.FileType);
    ASSERT_FALSE(io.Aborting());
    EXPECT_EQ(io.IEBitmap()->Width(), expected[i].width);
    EXPECT_EQ(io.IEBitmap()->Height(), expected[i].height);
    EXPECT_EQ(io.IEBitmap()->HasAlphaChannel(), expected[i].alpha);
    EXPECT_EQ(io.Params().SamplesPerPixel, expected[i].samples);
  }
  IEPresetImStaticFinalize();
  EXPECT_TRUE(IEPresetImages().empty());
}

}  // namespace
