// The layer on its own: defaults, rotation, copying and its undo record.
#include <cstring>

#include <gtest/gtest.h>

#include "imaging/model/ie_bitmap.h"
#include "imaging/view/layer.h"
#include "tests/support/fuzz_driver.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/streams.h"

using namespace imaging;

TEST(Layer, WorksWithoutAView) {
  TIELayer layer(nullptr, false, nullptr);
  EXPECT_EQ(layer.GetWidth(), 0);
  EXPECT_EQ(layer.Transparency, 255);
  EXPECT_TRUE(layer.Visible);
  EXPECT_EQ(layer.MagnifyZoom, 2.0);
  EXPECT_EQ(layer.RotateCenterX, 0.5);
  layer.Bitmap()->Allocate(100, 20, ie24RGB);
  EXPECT_EQ(layer.GetWidth(), 100);
  layer.Width = 200;
  EXPECT_EQ(layer.GetWidth(), 200);
  TIELayer other(nullptr, false, nullptr);
  EXPECT_NE(std::memcmp(layer.Guid.data(), other.Guid.data(), 16), 0);
}

TEST(Layer, ABitmapShapedLikeAnother) {
  TIEBitmap source(7, 5, ie8g);
  TIELayer layer(nullptr, false, &source);
  EXPECT_NE(layer.Bitmap(), &source);
  EXPECT_EQ(layer.Bitmap()->Width(), 7);
  EXPECT_EQ(layer.Bitmap()->PixelFormat(), ie8g);
}

TEST(Layer, RotationOfWholeTurnsIsZero) {
  TIELayer layer(nullptr, false, nullptr);
  const struct {
    double angle, stored;
  } cases[] = {{360, 0}, {-720, 0}, {720, 0}, {90, 90}, {360.5, 360.5}, {-30, -30}};
  for (const auto& c : cases) {
    layer.SetRotate(c.angle);
    EXPECT_EQ(layer.Rotate(), c.stored) << c.angle;
  }
}

TEST(Layer, AssignCopiesNeitherRotationNorOwnership) {
  TIELayer a(nullptr, false, nullptr), b(nullptr, false, nullptr);
  a.Bitmap()->Allocate(3, 3, ie24RGB);
  a.SetRotate(30);
  a.Name = "a";
  a.PosX = 4;
  a.AllocateUserData(8);
  b.Assign(&a);
  EXPECT_EQ(b.Rotate(), 0);
  EXPECT_EQ(b.Name, "a");
  EXPECT_EQ(b.PosX, 4);
  EXPECT_EQ(b.Bitmap()->Width(), 3);
  EXPECT_EQ(b.UserData(), a.UserData());
  EXPECT_EQ(b.UserDataSize(), 0);  // b never frees a's block
}

TEST(LayerRecord, LayoutAndRoundTrip) {
  TIELayer layer(nullptr, false, nullptr);
  layer.Name = "abc";
  layer.PosX = -3;
  layer.SetRotate(12.5);
  layer.MagnifyZoom = 4;
  layer.AllocateUserData(4);
  vcl::TMemoryStream stream;
  layer.SaveToStream(&stream, false);
  ASSERT_EQ(stream.Size(), 126);
  const auto* p = static_cast<const uint8_t*>(stream.Memory());
  int32_t length, userSlot, x;
  std::memcpy(&length, p, 4);
  std::memcpy(&x, p + 35, 4);
  std::memcpy(&userSlot, p + 86, 4);
  EXPECT_EQ(length, 126);
  EXPECT_EQ(x, -3);
  EXPECT_EQ(userSlot, 0);  // never an address
  double zoom;
  std::memcpy(&zoom, p + 61 + 8, 8);
  EXPECT_EQ(zoom, 4);

  TIELayer copy(nullptr, false, nullptr);
  void* ownBlock = copy.AllocateUserData(2);
  stream.SetPosition(0);
  copy.LoadFromStream(&stream);
  EXPECT_EQ(copy.Name, "abc");
  EXPECT_EQ(copy.PosX, -3);
  EXPECT_EQ(copy.Rotate(), 12.5);
  EXPECT_EQ(std::memcmp(copy.Guid.data(), layer.Guid.data(), 16), 0);
  EXPECT_EQ(copy.UserData(), ownBlock);  // the user data stays the layer's own
  EXPECT_EQ(copy.UserDataSize(), 2);
}

TEST(LayerRecord, WithBitmapAndDamaged) {
  TIELayer layer(nullptr, false, nullptr);
  layer.Bitmap()->Allocate(6, 5, ie24RGB);
  layer.Bitmap()->Fill(0x334455);
  layer.Name = "pixels";
  vcl::TMemoryStream stream;
  layer.SaveToStream(&stream, true);
  const auto* p = static_cast<const uint8_t*>(stream.Memory());
  const std::vector<uint8_t> valid(p, p + stream.Size());

  TIELayer target(nullptr, false, nullptr);
  target.Name = "target";
  target.Bitmap()->Allocate(2, 2, ie24RGB);
  fuzz::Fuzz("layer record", valid, 3, [&](uint8_t* data, int32_t size) {
    fuzz::TGuardedStream s(data, size);
    const std::string name = target.Name;
    const int32_t x = target.PosX, width = target.Bitmap()->Width();
    try {
      target.LoadFromStream(&s);
    } catch (const vcl::Exception&) {
      // Nothing of a failed record reaches the layer.
      ASSERT_EQ(target.Name, name);
      ASSERT_EQ(target.PosX, x);
      ASSERT_EQ(target.Bitmap()->Width(), width);
      throw;
    }
  });
  TIELayer fresh(nullptr, false, nullptr);
  fresh.Name = "fresh";
  fuzz::TGuardedStream cut(const_cast<uint8_t*>(valid.data()), static_cast<int32_t>(valid.size()) - 1);
  EXPECT_THROW(fresh.LoadFromStream(&cut), vcl::EReadError);
  EXPECT_EQ(fresh.Name, "fresh");
  EXPECT_EQ(fresh.Bitmap()->Width(), 0);
}
