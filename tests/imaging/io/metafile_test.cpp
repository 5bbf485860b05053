// Metafile import: a recorded EMF played at the size asked for, its undrawn background made
// transparent, sizes limited, and invalid data refused with the graphics layer's error.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "imaging/params/io_settings.h"
#include "tests/imaging/io/io_test_support.h"
#include "vcl/graphics/graphic.h"
#include "vcl/graphics/metafile.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/streams.h"

using namespace imaging;
using namespace io_test;

namespace {

// 200 x 100 pixels, red on its left half, nothing drawn on the right half.
std::unique_ptr<vcl::TMemoryStream> HalfRedEMF(bool enhanced = true, int width = 200, int height = 100) {
  vcl::TMetafile metafile;
  metafile.SetWidth(width);
  metafile.SetHeight(height);
  {
    vcl::TMetafileCanvas canvas(&metafile, nullptr);
    canvas.Brush()->SetColor(vcl::clRed);
    canvas.Pen()->SetStyle(vcl::psClear);
    canvas.FillRect(vcl::Rect(0, 0, 100, 100));
  }
  metafile.SetEnhanced(enhanced);
  auto stream = std::make_unique<vcl::TMemoryStream>();
  metafile.SaveToStream(stream.get());
  stream->SetPosition(0);
  return stream;
}

class MetafileTest : public IOTest {
 protected:
  void SetUp() override {
    IOTest::SetUp();
    io_ = TImageIO::CreateFromBitmap(&target_);
    FillSentinel(target_);
    reports_.Attach(*io_);
  }
  TIEBitmap target_;
  std::unique_ptr<TImageIO> io_;
  TReports reports_;
};

}  // namespace

TEST_F(MetafileTest, SizesFollowTheRequestTheRatioAndTheLimit) {
  struct Case {
    int32_t width, height, limit;
    int32_t expectedWidth, expectedHeight;
  } cases[] = {
      {400, -1, 8000, 400, 200}, {-1, 50, 8000, 100, 50}, {30, 70, 8000, 30, 70},
      {-1, -1, 8000, 200, 100},  {-1, -1, 80, 80, 40},    {-1, 1000, 500, 500, 250},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
    IEMetafileMaxSize = c.limit;
    auto stream = HalfRedEMF();
    io_->ImportMetafileFromStream(stream.get(), c.width, c.height, false);
    EXPECT_FALSE(io_->Aborting());
    EXPECT_EQ(target_.Width(), c.expectedWidth);
    EXPECT_EQ(target_.Height(), c.expectedHeight);
    EXPECT_EQ(io_->Params().Width, c.expectedWidth);
    EXPECT_EQ(io_->Params().FileType, 10);
    EXPECT_FALSE(target_.HasAlphaChannel());
  }
}

TEST_F(MetafileTest, AHugeMetafileIsLimitedWithoutOverflow) {
  // Its width times the limit does not fit in 32 bits.
  IEMetafileMaxSize = 1000;
  auto stream = HalfRedEMF(true, 3000000, 1500000);
  io_->ImportMetafileFromStream(stream.get(), -1, -1, false);
  EXPECT_FALSE(io_->Aborting());
  EXPECT_EQ(target_.Width(), 1000);
  EXPECT_EQ(target_.Height(), 500);
}

TEST_F(MetafileTest, WithAlphaTheUndrawnBackgroundIsTransparent) {
  io_->SetBackground(vcl::clWhite);
  auto stream = HalfRedEMF();
  io_->ImportMetafileFromStream(stream.get(), 400, -1, true);
  ASSERT_FALSE(io_->Aborting());
  ASSERT_EQ(target_.Width(), 400);
  ASSERT_TRUE(target_.HasAlphaChannel());
  const TRGB red = target_.GetPixel24(100, 100), background = target_.GetPixel24(300, 100);
  EXPECT_EQ(red.r, 255);
  EXPECT_EQ(red.g, 0);
  EXPECT_EQ(background.r, 255);
  EXPECT_EQ(background.g, 255);
  EXPECT_EQ(target_.GetAlphaAt(100, 100), 255);
  EXPECT_EQ(target_.GetAlphaAt(300, 100), 0);
}

TEST_F(MetafileTest, ImportByFileAndByTheLoadDispatch) {
  auto stream = HalfRedEMF();
  const std::string name = folder_.File("half.emf");
  stream->SaveToFile(name);
  io_->ImportMetafileFromFile(Wide(name), 20, 10, false);
  EXPECT_FALSE(io_->Aborting());
  EXPECT_EQ(target_.Width(), 20);
  EXPECT_EQ(io_->Params().FileName, Wide(name));
  // Loading by extension renders at the metafile's own size, with alpha.
  io_->LoadFromFile(Wide(name));
  EXPECT_FALSE(io_->Aborting());
  EXPECT_EQ(target_.Width(), 200);
  EXPECT_EQ(target_.Height(), 100);
  EXPECT_TRUE(target_.HasAlphaChannel());
}

TEST_F(MetafileTest, InvalidDataRaisesAfterTheReportAndLeavesTheTarget) {
  vcl::TMemoryStream junk;
  const std::string text(200, 'x');
  junk.WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
  junk.SetPosition(0);
  EXPECT_THROW(io_->ImportMetafileFromStream(&junk, -1, -1, true), vcl::EInvalidGraphic);
  EXPECT_TRUE(io_->Aborting());
  EXPECT_EQ(reports_.finished, 1);
  EXPECT_TRUE(IsSentinel(target_));
}

TEST_F(MetafileTest, BothKindsAreFoundByContentAndDescribedWithoutLoading) {
  for (bool enhanced : {true, false}) {
    SCOPED_TRACE(enhanced ? "EMF" : "WMF");
    const int32_t fileType = enhanced ? 10 : 9;
    auto stream = HalfRedEMF(enhanced);
    EXPECT_EQ(io_->FindStreamFormat(stream.get()), fileType);
    EXPECT_EQ(TImageIO::IsEMFStream(stream.get()), enhanced);
    EXPECT_EQ(TImageIO::IsWMFStream(stream.get()), !enhanced);
    io_->ParamsFromStream(stream.get());
    EXPECT_FALSE(io_->Aborting());
    EXPECT_EQ(io_->Params().FileType, fileType);
    EXPECT_NEAR(io_->Params().Width, 200, 1);
    EXPECT_NEAR(io_->Params().Height, 100, 1);
    EXPECT_TRUE(IsSentinel(target_));
    stream->SetPosition(0);
    io_->LoadFromStream(stream.get());
    EXPECT_FALSE(io_->Aborting());
    EXPECT_NEAR(target_.Width(), 200, 1);
    EXPECT_TRUE(target_.HasAlphaChannel());
    FillSentinel(target_);
  }
}
