#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/model/routines/interpolated_rotation.h"
#include "imaging/model/routines/nearest_rotation.h"
#include "imaging/model/routines/quarter_turns.h"
#include "imaging/model/routines/round_corners.h"
#include "imaging/model/routines/shear_rotation.h"
#include "tests/imaging/model/routines/routines_test_support.h"
#include "tests/imaging/model/routines/same_pixels.h"

using namespace imaging;
using namespace routines_test;

namespace {

TRGB Pattern(int32_t x, int32_t y) { return MakeRGB(uint8_t(x * 3 + y), uint8_t(x ^ y), uint8_t(y * 5 + 1)); }

std::unique_ptr<TIEBitmap> Copy(TIEBitmap* source) {
  auto copy = std::make_unique<TIEBitmap>();
  copy->Assign(source);
  return copy;
}

std::unique_ptr<TIEBitmap> MakeBits(int32_t width, int32_t height, bool (*bit)(int32_t, int32_t)) {
  auto bitmap = MakeBitmap(width, height, ie1g);
  bitmap->Fill(0);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) SetBit(bitmap.get(), x, y, bit(x, y));
  return bitmap;
}

TEST(Rotation, SizesOfTwoHundredByOneHundredAtTenDegrees) {
  const TShearGeometry g = ShearGeometry(200, 100, 10);
  EXPECT_EQ(g.w1, 210);
  EXPECT_EQ(g.d, 2);
  EXPECT_EQ(g.h0, 137);
  EXPECT_EQ(g.e, 3);
  EXPECT_EQ(g.w3, 217);
  EXPECT_EQ(g.h2, 133);
  int32_t w = 0, h = 0;
  InterpolatedRotatedSize(200, 100, 10, w, h);
  EXPECT_EQ(w, 214);
  EXPECT_EQ(h, 133);
  EXPECT_EQ(NearestRotatedSize(200, 100, 10).width, 214);
  EXPECT_EQ(NearestRotatedSize(200, 100, 10).height, 133);
  EXPECT_EQ(CutRotatedSize(200, 100, 10).width, 214);
  EXPECT_EQ(CutRotatedSize(200, 100, 10).height, 133);
  const TShearGeometry square = ShearGeometry(100, 100, 45);
  EXPECT_EQ(square.w3, 143);
  EXPECT_EQ(square.h2, 141);
}

TEST(Rotation, EveryEngineProducesItsSize) {
  struct Case {
    const char* engine;
    int32_t width, height;
  };
  const Case cases[] = {{"shear", 217, 133}, {"bilinear", 214, 133}, {"bicubic", 214, 133},
                        {"nearest", 214, 133}, {"1-bit", 214, 133}};
  for (const Case& c : cases) {
    auto bitmap = std::string(c.engine) == "1-bit" ? MakeBits(200, 100, [](int32_t x, int32_t) { return x % 3 == 0; })
                                                    : MakeRGB24(200, 100, Pattern);
    const std::string engine = c.engine;
    if (engine == "shear") ShearRotateBitmap(bitmap.get(), true, nullptr, nullptr, Grey(0), 10);
    if (engine == "bilinear") RotateInterpolated24(bitmap.get(), 0, rqBilinear, nullptr, nullptr, 10);
    if (engine == "bicubic") RotateInterpolated24(bitmap.get(), 0, rqBicubic, nullptr, nullptr, 10);
    if (engine == "nearest") RotateBitmapInPlace(bitmap.get(), 0, nullptr, nullptr, 10);
    if (engine == "1-bit") RotateBitmap1Bit(bitmap.get(), false, nullptr, 10);
    EXPECT_EQ(bitmap->Width(), c.width) << c.engine;
    EXPECT_EQ(bitmap->Height(), c.height) << c.engine;
  }
}

TEST(Rotation, QuarterTurnsMovePixelsExactly) {
  auto source = MakeRGB24(100, 50, Pattern);
  auto viaShear = Copy(source.get());
  ShearRotateBitmap(viaShear.get(), true, nullptr, nullptr, Grey(0), 90);
  ASSERT_EQ(viaShear->Width(), 50);
  ASSERT_EQ(viaShear->Height(), 100);
  for (int32_t y : {0, 37, 99})
    for (int32_t x : {0, 21, 49}) EXPECT_TRUE(SameColour(viaShear->GetPixel24(x, y), Pattern(99 - y, x)));

  auto viaNearest = MakeBitmap(1, 1, ie24RGB);
  RotateBitmapInto(source.get(), viaNearest.get(), 0, nullptr, nullptr, 90);
  EXPECT_TRUE(SamePixels(viaShear.get(), viaNearest.get()));

  auto minus90 = MakeBitmap(1, 1, ie24RGB), plus270 = MakeBitmap(1, 1, ie24RGB);
  RotateBitmapInto(source.get(), minus90.get(), 0, nullptr, nullptr, -90);
  RotateBitmapInto(source.get(), plus270.get(), 0, nullptr, nullptr, 270);
  EXPECT_TRUE(SamePixels(minus90.get(), plus270.get()));
  // Clockwise: the top-left pixel goes to the top-right corner.
  EXPECT_TRUE(SameColour(minus90->GetPixel24(49, 0), Pattern(0, 0)));

  auto turned = MakeBitmap(1, 1, ie24RGB);
  QuarterTurnCW24(source.get(), turned.get());
  EXPECT_TRUE(SamePixels(turned.get(), minus90.get()));
}

TEST(Rotation, OneBitQuarterAndHalfTurns) {
  auto pattern = [](int32_t x, int32_t y) { return (x * 3 + y * 5) % 7 < 3; };
  auto bits = MakeBits(13, 6, [](int32_t x, int32_t y) { return (x * 3 + y * 5) % 7 < 3; });
  auto quarter = Copy(bits.get());
  RotateBitmap1Bit(quarter.get(), false, nullptr, 90);
  ASSERT_EQ(quarter->Width(), 6);
  ASSERT_EQ(quarter->Height(), 13);
  auto half = Copy(bits.get());
  RotateBitmap1Bit(half.get(), true, nullptr, -180);
  ASSERT_EQ(half->Width(), 13);
  for (int32_t y = 0; y < 6; ++y)
    for (int32_t x = 0; x < 13; ++x) {
      EXPECT_EQ(BitAt(quarter.get(), y, 12 - x), pattern(x, y)) << x << "," << y;
      EXPECT_EQ(BitAt(half.get(), 12 - x, 5 - y), pattern(x, y)) << x << "," << y;
    }
}

TEST(Rotation, FullTurnsLeaveImagesUnchanged) {
  auto source = MakeRGB24(31, 20, Pattern);
  for (double angle : {360.0, 720.0, -360.0}) {
    auto shear = Copy(source.get());
    ShearRotateBitmap(shear.get(), true, nullptr, nullptr, Grey(9), angle);
    EXPECT_TRUE(SamePixels(shear.get(), source.get())) << angle;
    auto nearest = Copy(source.get());
    RotateBitmapInPlace(nearest.get(), 0, nullptr, nullptr, angle);
    EXPECT_TRUE(SamePixels(nearest.get(), source.get())) << angle;
  }
  // A 1-bit image of even width, through the 1-bit engine: no column doubled or lost.
  for (int32_t width : {10, 11}) {
    auto bits = MakeBits(width, 6, [](int32_t x, int32_t y) { return (x * 7 + y) % 5 < 2; });
    auto turned = Copy(bits.get());
    ShearRotateBitmap(turned.get(), true, nullptr, nullptr, Grey(255), 360);
    EXPECT_TRUE(SamePixels(turned.get(), bits.get())) << width;
  }
}

TEST(Rotation, AntialiasedShearKeepsUniformAreas) {
  for (uint8_t level : {uint8_t(101), uint8_t(100), uint8_t(255), uint8_t(0)}) {
    auto bitmap = MakeRGB24(40, 30, [&](int32_t, int32_t) { return Grey(level); });
    ShearRotateBitmap(bitmap.get(), true, nullptr, nullptr, Grey(level), 30);
    for (int32_t y = 0; y < bitmap->Height(); ++y)
      for (int32_t x = 0; x < bitmap->Width(); ++x)
        ASSERT_TRUE(SameColour(bitmap->GetPixel24(x, y), Grey(level))) << int(level) << " at " << x << "," << y;
  }
}

TEST(Rotation, PositiveAnglesTurnCounterClockwise) {
  // A bright marker right of the centre ends up above the centre, wherever the engine.
  auto make = [] {
    return MakeRGB24(61, 61, [](int32_t x, int32_t y) { return Grey(x >= 50 && x <= 56 && y >= 28 && y <= 32 ? 255 : 0); });
  };
  auto markerY = [](TIEBitmap* b) {
    int64_t sum = 0, count = 0;
    for (int32_t y = 0; y < b->Height(); ++y)
      for (int32_t x = 0; x < b->Width(); ++x)
        if (b->GetPixel24(x, y).g > 128) sum += y, ++count;
    return count ? double(sum) / count - (b->Height() - 1) / 2.0 : 0.0;
  };
  auto shear = make(), bilinear = make(), nearest = make();
  ShearRotateBitmap(shear.get(), false, nullptr, nullptr, Grey(0), 40);
  RotateInterpolated24(bilinear.get(), 0, rqBilinear, nullptr, nullptr, 40);
  RotateBitmapInPlace(nearest.get(), 0, nullptr, nullptr, 40);
  for (TIEBitmap* b : {shear.get(), bilinear.get(), nearest.get()}) EXPECT_LT(markerY(b), -10);
}

TEST(Rotation, BicubicUndershootStaysDark) {
  // Turned by a hair, every pixel samples half way between two source columns, where the
  // cubic weights are -1/8, 5/8, 5/8, -1/8. The last dark pixel before a 0 | 255 edge sums
  // -255/8: an undershoot, which stays black instead of showing as a light speck of 31.
  auto bitmap = MakeRGB24(60, 60, [](int32_t x, int32_t) { return Grey(x < 30 ? 0 : 255); });
  RotateInterpolated24(bitmap.get(), 0, rqBicubic, nullptr, nullptr, 0.001);
  for (int32_t y : {20, 30, 40}) {
    EXPECT_EQ(bitmap->GetPixel24(27, y).g, 0) << y;
    EXPECT_EQ(bitmap->GetPixel24(28, y).g, 0) << y;
    EXPECT_NEAR(bitmap->GetPixel24(29, y).g, 127, 1) << y;
    EXPECT_GE(bitmap->GetPixel24(31, y).g, 254) << y;
  }
}

TEST(Rotation, OneBitCornersTakeTheBackgroundBit) {
  struct Case {
    TRGB background;
    bool corner;
  };
  const Case cases[] = {{Grey(255), true}, {MakeRGB(255, 0, 255), false}, {Grey(0), false}};
  for (const Case& c : cases) {
    auto bits = MakeBits(40, 30, [](int32_t, int32_t) { return false; });
    ShearRotateBitmap(bits.get(), true, nullptr, nullptr, c.background, 30);
    EXPECT_EQ(BitAt(bits.get(), 0, 0), c.corner);
    EXPECT_EQ(BitAt(bits.get(), bits->Width() - 1, bits->Height() - 1), c.corner);
    EXPECT_FALSE(BitAt(bits.get(), bits->Width() / 2, bits->Height() / 2));
  }
}

TEST(Rotation, EightBitImagesOnEveryRoute) {
  auto grey = MakeBitmap(20, 10, ie8g);
  for (int32_t y = 0; y < 10; ++y)
    for (int32_t x = 0; x < 20; ++x) grey->SetPixel8(x, y, uint8_t(x * 10 + y));
  // ShearRotateBitmap turns other formats exactly by nearest pixel.
  auto quarter = Copy(grey.get());
  ShearRotateBitmap(quarter.get(), true, nullptr, nullptr, Grey(0), -90);
  ASSERT_EQ(quarter->PixelFormat(), ie8g);
  ASSERT_EQ(quarter->Width(), 10);
  EXPECT_EQ(quarter->GetPixel8(9, 0), grey->GetPixel8(0, 0));

  auto sheared = Copy(grey.get());
  ShearRotateGray8(sheared.get(), true, 0, nullptr, nullptr, 10);
  EXPECT_EQ(sheared->Width(), ShearGeometry(20, 10, 10).w3);
  auto nearest = Copy(grey.get());
  RotateGray8Nearest(nearest.get(), 7, 30);
  EXPECT_EQ(nearest->Width(), CutRotatedSize(20, 10, 30).width);
  EXPECT_EQ(nearest->GetPixel8(0, 0), 7);
  auto smooth = Copy(grey.get());
  RotateInterpolated8(smooth.get(), 0, rqBicubic, 30);
  EXPECT_EQ(smooth->PixelFormat(), ie8g);

  // The 8-bit engines leave 24-bit images alone, and the 1-bit engine 8-bit ones.
  auto colour = MakeRGB24(5, 4, Pattern);
  auto before = Copy(colour.get());
  ShearRotateGray8(colour.get(), true, 0, nullptr, nullptr, 30);
  RotateGray8Nearest(colour.get(), 0, 30);
  RotateInterpolated8(colour.get(), 0, rqBilinear, 30);
  RotateBitmap1Bit(grey.get(), true, nullptr, 30);
  EXPECT_TRUE(SamePixels(colour.get(), before.get()));
  EXPECT_EQ(grey->Width(), 20);
}

TEST(Rotation, GeneralPathJustPastAQuarter) {
  auto source = MakeRGB24(30, 10, Pattern);
  auto dest = MakeBitmap(1, 1, ie24RGB);
  RotateBitmapInto(source.get(), dest.get(), 0, nullptr, nullptr, 90.5);
  EXPECT_EQ(dest->Width(), NearestRotatedSize(30, 10, 90.5).width);
  EXPECT_EQ(dest->Height(), NearestRotatedSize(30, 10, 90.5).height);
  EXPECT_EQ(dest->Width(), 10);
  EXPECT_EQ(dest->Height(), 30);
}

TEST(Rotation, AngleReductionKeepsTheSign) {
  EXPECT_DOUBLE_EQ(ReduceShearAngle(370.0004), 10);
  EXPECT_DOUBLE_EQ(ReduceShearAngle(-370.5), -10.5);
  EXPECT_DOUBLE_EQ(ReduceShearAngle(45.0009), 45);
}

TEST(Rotation, BitAccess) {
  uint8_t row[2] = {0, 0};
  SetBitAt(row, 0, true);
  SetBitAt(row, 9, true);
  EXPECT_EQ(row[0], 0x80);
  EXPECT_EQ(row[1], 0x40);
  EXPECT_TRUE(GetBitAt(row, 9));
  EXPECT_FALSE(GetBitAt(row, 8));
  SetBitAt(row, 0, false);
  EXPECT_EQ(row[0], 0);
}

// A bitmap whose alpha channel equals its pixels: grey levels for 24 and 8 bits, 255 or 0 for
// set and clear bits. Turned with a black background (bit 0), pixels and alpha must still agree
// everywhere, since the alpha goes through the same mapping with 0 outside.
std::unique_ptr<TIEBitmap> WithMatchingAlpha(TIEPixelFormat format, int32_t width, int32_t height) {
  auto bitmap = MakeBitmap(width, height, format);
  if (format == ie1g) bitmap->Fill(0);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      const uint8_t level = uint8_t((x * 7 + y * 13) % 251 + 3);
      const bool bit = (x * 3 + y * 5) % 7 < 3;
      if (format == ie24RGB) bitmap->SetPixel24(x, y, Grey(level));
      if (format == ie8g) bitmap->SetPixel8(x, y, level);
      if (format == ie1g) SetBit(bitmap.get(), x, y, bit);
      bitmap->SetAlphaAt(x, y, format == ie1g ? (bit ? 255 : 0) : level);
    }
  return bitmap;
}

// Whether the alpha channel has the bitmap's size and every alpha value equals its pixel.
::testing::AssertionResult AlphaFollowsPixels(TIEBitmap* bitmap) {
  if (!bitmap->HasAlphaChannel()) return ::testing::AssertionFailure() << "no alpha channel";
  TIEBitmap* alpha = bitmap->GetAlphaChannel();
  if (alpha->Width() != bitmap->Width() || alpha->Height() != bitmap->Height())
    return ::testing::AssertionFailure() << "image " << bitmap->Width() << " x " << bitmap->Height() << ", alpha "
                                         << alpha->Width() << " x " << alpha->Height();
  for (int32_t y = 0; y < bitmap->Height(); ++y)
    for (int32_t x = 0; x < bitmap->Width(); ++x) {
      int32_t pixel = 0;
      switch (bitmap->PixelFormat()) {
        case ie24RGB: pixel = bitmap->GetPixel24(x, y).g; break;
        case ie8g: pixel = bitmap->GetPixel8(x, y); break;
        default: pixel = BitAt(bitmap, x, y) ? 255 : 0; break;
      }
      if (alpha->GetPixel8(x, y) != pixel)
        return ::testing::AssertionFailure() << "at " << x << "," << y << ": pixel " << pixel << ", alpha "
                                             << int(alpha->GetPixel8(x, y));
    }
  return ::testing::AssertionSuccess();
}

TEST(Rotation, AlphaTurnsWithThePixelsOnEveryRoute) {
  struct Route {
    const char* name;
    TIEPixelFormat format;
    std::function<void(TIEBitmap*, double)> turn;
  };
  const Route inPlace[] = {
      {"shear", ie24RGB, [](TIEBitmap* b, double a) { ShearRotateBitmap(b, true, nullptr, nullptr, Grey(0), a); }},
      {"shear, aliased", ie24RGB, [](TIEBitmap* b, double a) { ShearRotateBitmap(b, false, nullptr, nullptr, Grey(0), a); }},
      {"shear of bits", ie1g, [](TIEBitmap* b, double a) { ShearRotateBitmap(b, true, nullptr, nullptr, Grey(0), a); }},
      {"shear of grey", ie8g, [](TIEBitmap* b, double a) { ShearRotateBitmap(b, true, nullptr, nullptr, Grey(0), a); }},
      {"8-bit shear", ie8g, [](TIEBitmap* b, double a) { ShearRotateGray8(b, true, 0, nullptr, nullptr, a); }},
      {"bilinear", ie24RGB, [](TIEBitmap* b, double a) { RotateInterpolated24(b, 0, rqBilinear, nullptr, nullptr, a); }},
      {"bicubic", ie24RGB, [](TIEBitmap* b, double a) { RotateInterpolated24(b, 0, rqBicubic, nullptr, nullptr, a); }},
      {"8-bit bicubic", ie8g, [](TIEBitmap* b, double a) { RotateInterpolated8(b, 0, rqBicubic, a); }},
      {"nearest", ie24RGB, [](TIEBitmap* b, double a) { RotateBitmapInPlace(b, 0, nullptr, nullptr, a); }},
      {"nearest grey", ie8g, [](TIEBitmap* b, double a) { RotateBitmapInPlace(b, 0, nullptr, nullptr, a); }},
      {"1-bit", ie1g, [](TIEBitmap* b, double a) { RotateBitmap1Bit(b, false, nullptr, a); }},
      {"8-bit nearest", ie8g, [](TIEBitmap* b, double a) { RotateGray8Nearest(b, 0, a); }},
  };
  for (const Route& route : inPlace)
    for (double angle : {30.0, -30.0, 90.0, -90.0, 180.0, 120.0, -200.5, 360.0}) {
      auto bitmap = WithMatchingAlpha(route.format, 100, 50);
      route.turn(bitmap.get(), angle);
      EXPECT_TRUE(AlphaFollowsPixels(bitmap.get())) << route.name << " by " << angle;
    }

  // Into a target: the target's alpha is the source's turned, and a target whose own alpha
  // survives its reallocation (same geometry) loses it when the source has none.
  const Route intoTarget[] = {
      {"nearest into", ie24RGB, nullptr}, {"turn", ie24RGB, nullptr},   {"turn of bits", ie1g, nullptr},
      {"CW24", ie24RGB, nullptr},         {"CCW24", ie24RGB, nullptr}, {"CW8", ie8g, nullptr},
      {"CCW8", ie8g, nullptr},
  };
  for (const Route& route : intoTarget)
    for (double angle : {30.0, 90.0, -90.0, 180.0, 0.0}) {
      const std::string name = route.name;
      if (name.rfind("C", 0) == 0 && angle != 90.0) continue;  // the quarter turns have their own direction
      if (name.rfind("turn", 0) == 0 && (angle == 30.0 || angle == 0.0)) continue;
      auto source = WithMatchingAlpha(route.format, 100, 50);
      auto target = MakeBitmap(1, 1, route.format);
      auto run = [&](TIEBitmap* from, TIEBitmap* to) {
        if (name == "nearest into") RotateBitmapInto(from, to, 0, nullptr, nullptr, angle);
        if (name.rfind("turn", 0) == 0)
          TurnBitmap(from, to, angle == 90 ? TQuarterTurn::CounterClockwise
                                           : angle == -90 ? TQuarterTurn::Clockwise : TQuarterTurn::Half);
        if (name == "CW24") QuarterTurnCW24(from, to);
        if (name == "CCW24") QuarterTurnCCW24(from, to);
        if (name == "CW8") QuarterTurnCW8(from, to);
        if (name == "CCW8") QuarterTurnCCW8(from, to);
      };
      run(source.get(), target.get());
      EXPECT_TRUE(AlphaFollowsPixels(target.get())) << name << " by " << angle;
      EXPECT_EQ(source->GetAlphaChannel()->Width(), 100) << name;  // the source keeps its own

      source->RemoveAlphaChannel(false, 0);
      ASSERT_TRUE(target->HasAlphaChannel());
      run(source.get(), target.get());
      EXPECT_FALSE(target->HasAlphaChannel()) << name << " by " << angle << ", source without alpha";
    }
}

TEST(Rotation, RoundedCornersAfterATurn) {
  // The alpha channel keeps the turned image's size, so the corners can be rounded after it.
  auto bitmap = WithMatchingAlpha(ie24RGB, 100, 50);
  ShearRotateBitmap(bitmap.get(), true, nullptr, nullptr, Grey(0), 30);
  ASSERT_EQ(bitmap->Width(), 112);
  ASSERT_EQ(bitmap->Height(), 94);
  RoundCornersAlpha(bitmap.get(), 20, 20, TIEProgressEvent(), nullptr);
  TIEBitmap* alpha = bitmap->GetAlphaChannel();
  ASSERT_EQ(alpha->Width(), 112);
  ASSERT_EQ(alpha->Height(), 94);
  EXPECT_EQ(alpha->GetPixel8(0, 0), 0);
  EXPECT_EQ(alpha->GetPixel8(111, 93), 0);
  EXPECT_EQ(alpha->GetPixel8(56, 47), bitmap->GetPixel24(56, 47).g);
}

}  // namespace
