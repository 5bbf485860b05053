// The target of the I/O object: an attached view's bitmap, an image control's picture, or a
// given bitmap; what a load tells each of them, and what happens when they go.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "imaging/io/attached_view.h"
#include "tests/imaging/io/io_test_support.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/picture.h"
#include "vcl/stdctrls/extctrls.h"

using namespace imaging;
using namespace io_test;

namespace {

// A view on the main thread, without a window.
class TPlainView : public TIEAttachedView {
 public:
  vcl::TComponent* ViewComponent() override { return nullptr; }
  TIEBitmap* GetIEBitmap() override { return current; }
  vcl::TBitmap* GetTBitmap() override { return platformBitmap; }
  HWND ViewHandle() override { return nullptr; }
  bool HasParentWindow() override { return false; }
  void Update() override { ++updates; }
  void ImageChange() override { ++imageChanges; }
  vcl::TColor GetBackground() override { return 0x123456; }
  int32_t GetDpiX() override { return dpiX; }
  int32_t GetDpiY() override { return dpiY; }
  void SetDpiX(int32_t value) override { dpiX = value; }
  void SetDpiY(int32_t value) override { dpiY = value; }
  int32_t AddBitmapChangeHandler(TIEBitmapChangeHandler h) override {
    handler = std::move(h);
    return 7;
  }
  void RemoveBitmapChangeHandler(int32_t handle) override {
    EXPECT_EQ(handle, 7);
    handler = nullptr;
  }

  TIEBitmap first, second;
  TIEBitmap* current = &first;
  vcl::TBitmap* platformBitmap = nullptr;
  TIEBitmapChangeHandler handler;
  int32_t updates = 0, imageChanges = 0, dpiX = 96, dpiY = 96;
};

class AttachmentTest : public IOTest {
 protected:
  void SetUp() override {
    IOTest::SetUp();
    TImageIO writer(nullptr);
    writer.IEBitmap()->Assign(Smooth(64, 48).get());
    writer.Params().SetDpiX(150);
    writer.Params().SetDpiY(150);
    tiff_ = File("picture.tif");
    writer.SaveToFile(tiff_);
    ASSERT_FALSE(writer.Aborting());
  }
  std::u16string tiff_;
};

TEST_F(AttachmentTest, AViewGetsTheImageItsResolutionAndOneRefresh) {
  TPlainView view;
  FillSentinel(view.first);
  TImageIO io(nullptr);
  io.SetAttachedImage(&view);
  EXPECT_EQ(io.IEBitmap(), &view.first);
  ASSERT_TRUE(view.handler);

  // A failed load tells the view nothing.
  io.LoadFromFile(File("missing.tif.jpg.xyz"));
  EXPECT_TRUE(io.Aborting());
  EXPECT_TRUE(IsSentinel(view.first));
  EXPECT_EQ(view.imageChanges, 0);

  io.LoadFromFile(tiff_);
  ASSERT_FALSE(io.Aborting());
  EXPECT_EQ(view.first.Width(), 64);
  EXPECT_EQ(view.updates, 1);
  EXPECT_EQ(view.imageChanges, 1);
  EXPECT_EQ(view.dpiX, 150);
  EXPECT_EQ(view.dpiY, 150);

  // Setting the resolution outside a load reaches the view at once.
  io.Params().SetDpiX(200);
  EXPECT_EQ(view.dpiX, 200);
}

TEST_F(AttachmentTest, TheTargetFollowsTheViewsBitmapUntilTheViewGoes) {
  TPlainView view;
  TImageIO io(nullptr);
  io.SetAttachedImage(&view);
  view.current = &view.second;
  view.dpiX = 72;
  view.handler(false);
  EXPECT_EQ(io.IEBitmap(), &view.second);
  EXPECT_EQ(io.Params().DpiX, 72);

  view.handler(true);
  EXPECT_EQ(io.AttachedImage(), nullptr);

  // Detaching leaves an own empty bitmap.
  TPlainView other;
  io.SetAttachedImage(&other);
  io.SetAttachedImage(nullptr);
  EXPECT_FALSE(other.handler);
  EXPECT_NE(io.IEBitmap(), &other.first);
  EXPECT_TRUE(io.IEBitmap()->IsEmpty());
}

TEST_F(AttachmentTest, NoGivenBitmapWithAViewAttachedOnlyLeavesTheView) {
  TPlainView view;
  FillSentinel(view.first);
  TImageIO io(nullptr);
  io.SetAttachedImage(&view);
  io.SetAttachedIEBitmap(nullptr);
  EXPECT_FALSE(view.handler);
  EXPECT_EQ(io.AttachedImage(), nullptr);
  // The target is still the bitmap the view showed, not a new empty one.
  EXPECT_EQ(io.IEBitmap(), &view.first);
  EXPECT_TRUE(IsSentinel(view.first));

  // Without anything attached, nil gives an own empty bitmap.
  io.SetAttachedIEBitmap(nullptr);
  EXPECT_NE(io.IEBitmap(), &view.first);
  EXPECT_TRUE(io.IEBitmap()->IsEmpty());
}

TEST_F(AttachmentTest, AViewWithAPlatformBitmapOnlyIsLoadedInPlace) {
  vcl::TBitmap picture;
  TPlainView view;
  view.current = nullptr;
  view.platformBitmap = &picture;
  TImageIO io(nullptr);
  io.SetAttachedImage(&view);
  io.LoadFromFile(tiff_);
  ASSERT_FALSE(io.Aborting());
  EXPECT_EQ(picture.Width(), 64);
  EXPECT_EQ(picture.Height(), 48);
  EXPECT_EQ(io.GetVclBitmap(), &picture);
}

TEST_F(AttachmentTest, AnImageControlShowsWhatWasLoaded) {
  auto image = std::make_unique<vcl::TImage>(nullptr);
  TImageIO io(nullptr);
  io.SetAttachedTImage(image.get());
  EXPECT_EQ(io.AttachedTImage(), image.get());

  io.LoadFromFile(tiff_);
  ASSERT_FALSE(io.Aborting());
  vcl::TBitmap* picture = image->Picture()->Bitmap();
  EXPECT_EQ(picture->Width(), 64);
  EXPECT_EQ(picture->Height(), 48);

  // A failed load leaves the picture.
  io.LoadFromFile(File("missing.tif.xyz"));
  EXPECT_TRUE(io.Aborting());
  EXPECT_EQ(image->Picture()->Bitmap()->Width(), 64);

  // The control goes: the object forgets it.
  image.reset();
  EXPECT_EQ(io.AttachedTImage(), nullptr);
  io.LoadFromFile(tiff_);
  EXPECT_FALSE(io.Aborting());
}

TEST_F(AttachmentTest, AGivenBitmapIsNotTheObjects) {
  auto bitmap = std::make_unique<TIEBitmap>();
  {
    auto io = TImageIO::CreateFromBitmap(bitmap.get());
    EXPECT_EQ(io->IEBitmap(), bitmap.get());
    io->SetBilevelConversion(0);
    EXPECT_EQ(bitmap->ConvertTo1BitMethod(), 0);
    io->LoadFromFile(tiff_);
    ASSERT_FALSE(io->Aborting());
  }
  // Still there after the object has gone.
  EXPECT_EQ(bitmap->Width(), 64);
  EXPECT_EQ(bitmap->ConvertTo1BitMethod(), 0);
}

}  // namespace
