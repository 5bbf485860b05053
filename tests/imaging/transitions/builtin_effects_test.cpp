#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "imaging/transitions/step_blend_rows.h"
#include "imaging/transitions/transition_frames.h"
#include "tests/imaging/transitions/transition_pictures.h"
#include "vcl/runtime/sysutils.h"

using namespace imaging;
using transition_test::FirstDifference;
using transition_test::MatchingPixels;
using transition_test::PreparePictures;

namespace {
const uint8_t* Row(vcl::TBitmap* bitmap, int32_t y) { return static_cast<const uint8_t*>(bitmap->ScanLine(y)); }
}  // namespace

TEST(BuiltInEffects, CrossDissolveBlendsEveryByte) {
  TTransitionFrames frames;
  PreparePictures(frames, 8, 4);
  frames.DrawFrame(iettCrossDissolve, 300);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t i = 0; i < 24; ++i)
      EXPECT_EQ(Row(frames.Frame(), y)[i], (Row(frames.Source(), y)[i] * 724 + Row(frames.Target(), y)[i] * 300) >> 10);
}

TEST(BuiltInEffects, FadeOutThenInPassesThroughTheBackground) {
  TTransitionFrames frames, reference;
  frames.SetBackground(vcl::clBlue);
  reference.SetBackground(vcl::clBlue);
  PreparePictures(frames, 8, 4);
  PreparePictures(reference, 8, 4);
  frames.DrawFrame(iettFadeOutIn, 511);
  reference.DrawFrame(iettFadeOut, 1022);
  EXPECT_EQ(FirstDifference(frames.Frame(), reference.Frame()), "");
  frames.DrawFrame(iettFadeOutIn, 512);
  for (int32_t x = 0; x < 8; ++x) EXPECT_EQ(frames.Frame()->Canvas()->Pixels(x, 2), vcl::clBlue);
}

TEST(BuiltInEffects, WipeEdgesAtASmallStep) {
  // 100 wide at step 10: the shifted edge reveals nothing yet, the rounded one one column.
  TTransitionFrames frames;
  PreparePictures(frames, 100, 10);
  frames.DrawFrame(iettLeftRight1, 0);
  frames.DrawFrame(iettLeftRight1, 10);
  EXPECT_EQ(MatchingPixels(frames.Frame(), frames.Target()), 0);
  frames.DrawFrame(iettRightLeft1, 0);
  frames.DrawFrame(iettRightLeft1, 10);
  EXPECT_EQ(MatchingPixels(frames.Frame(), frames.Target()), 10);
  EXPECT_EQ(frames.Frame()->Canvas()->Pixels(99, 0), frames.Target()->Canvas()->Pixels(99, 0));
}

TEST(BuiltInEffects, WipeLineMarksTheMovingEdge) {
  TTransitionFrames frames;
  PreparePictures(frames, 100, 10);
  frames.DrawFrame(iettLeftRight2, 0);
  frames.DrawFrame(iettLeftRight2, 512);
  EXPECT_EQ(frames.Frame()->Canvas()->Pixels(50, 5), vcl::clRed);
}

TEST(BuiltInEffects, PushMovesBothPicturesRight) {
  TTransitionFrames frames;
  PreparePictures(frames, 40, 6);
  frames.DrawFrame(iettMoveLeftRight1, 256);  // c = 10
  for (int32_t y = 0; y < 6; ++y) {
    EXPECT_EQ(std::memcmp(Row(frames.Frame(), y), Row(frames.Target(), y) + 30 * 3, 10 * 3), 0);
    EXPECT_EQ(std::memcmp(Row(frames.Frame(), y) + 10 * 3, Row(frames.Source(), y), 30 * 3), 0);
  }
  frames.DrawFrame(iettMoveUpDown2, 512);  // n = 3: the target's top half stays, the source moves down
  EXPECT_EQ(std::memcmp(Row(frames.Frame(), 2), Row(frames.Target(), 2), 40 * 3), 0);
  EXPECT_EQ(std::memcmp(Row(frames.Frame(), 3), Row(frames.Source(), 0), 40 * 3), 0);
}

TEST(BuiltInEffects, RandomItemsAreDrawnOnceAndRepeatFromTheSameSeed) {
  for (int32_t type : {iettRandomPoints, iettRandomBoxes}) {
    TTransitionFrames frames;
    PreparePictures(frames, 64, 48);
    vcl::RandSeed = 777;
    frames.DrawFrame(type, 0);
    EXPECT_EQ(frames.ItemCount(), 0);
    frames.DrawFrame(type, 400);
    const int32_t items = frames.ItemCount();
    EXPECT_GT(items, 0);
    const uint32_t seed = vcl::RandSeed;
    frames.DrawFrame(type, 400);
    EXPECT_EQ(frames.ItemCount(), items);
    EXPECT_EQ(vcl::RandSeed, seed) << "the same step drew again";

    vcl::TBitmap first;
    first.Assign(frames.Frame());
    PreparePictures(frames, 64, 48);
    vcl::RandSeed = 777;
    frames.DrawFrame(type, 0);
    frames.DrawFrame(type, 400);
    EXPECT_EQ(FirstDifference(frames.Frame(), &first), "") << type;
  }
}

TEST(BuiltInEffects, StepsOutsideTheRangeAreHeldToIt) {
  TTransitionFrames frames;
  PreparePictures(frames, 16, 8);
  frames.DrawFrame(iettCrossDissolve, -50);
  EXPECT_EQ(FirstDifference(frames.Frame(), frames.Source()), "");
  frames.DrawFrame(iettCrossDissolve, 5000);
  EXPECT_EQ(FirstDifference(frames.Frame(), frames.Target()), "");
}

TEST(BuiltInEffects, UnpreparedOrUnknownTypesDrawNothing) {
  TTransitionFrames frames;
  frames.DrawFrame(iettCrossDissolve, 500);  // 1 x 1, no row tables
  PreparePictures(frames, 16, 8);
  frames.DrawFrame(iettCrossDissolve, 0);
  for (int32_t type : {int32_t(iettNone), 189, 255}) {
    frames.DrawFrame(type, 700);
    EXPECT_EQ(FirstDifference(frames.Frame(), frames.Source()), "") << type;
  }
  frames.Shrink();
  frames.DrawFrame(iettMoveLeftRight1, 700);
  EXPECT_EQ(frames.Frame()->Width(), 1);
}

TEST(BuiltInEffects, VectorBlendMatchesThePlainFormulaForEveryPair) {
  // Every pair of byte values, at steps that reach both ends and the rounding edges.
  std::vector<uint8_t> a(65536 + 7), b(65536 + 7), out(65536 + 7);
  for (int32_t i = 0; i < 65536 + 7; ++i) {
    a[i] = uint8_t(i & 0xFF);
    b[i] = uint8_t((i >> 8) & 0xFF);
  }
  for (uint32_t s : {0u, 1u, 3u, 511u, 512u, 777u, 1023u, 1024u}) {
    BlendStepRow(out.data(), a.data(), b.data(), int32_t(out.size()), s);
    for (size_t i = 0; i < out.size(); ++i)
      ASSERT_EQ(out[i], (a[i] * (1024 - s) + b[i] * s) >> 10) << "s " << s << ", a " << int(a[i]) << ", b " << int(b[i]);
  }
}

TEST(BuiltInEffects, RandomPointsDrawFromTheProcessGenerator) {
  // The points of a step, replayed with vcl::Random: the same pixels, and the generator left
  // where the same draws leave it.
  TTransitionFrames frames;
  PreparePictures(frames, 30, 7);
  frames.DrawFrame(iettRandomPoints, 0);
  vcl::RandSeed = 4242;
  frames.DrawFrame(iettRandomPoints, 300);
  const uint32_t after = vcl::RandSeed;

  vcl::TBitmap expected;
  expected.Assign(frames.Source());
  vcl::RandSeed = 4242;
  const int32_t n = frames.ItemCount();
  for (int32_t y = 0; y < 7; ++y) {
    auto* dst = static_cast<uint8_t*>(expected.ScanLine(y));
    for (int32_t i = 0; i < n; ++i) {
      const int32_t x = vcl::Random(30);
      std::memcpy(dst + 3 * x, Row(frames.Target(), y) + 3 * x, 3);
    }
  }
  EXPECT_EQ(vcl::RandSeed, after);
  EXPECT_EQ(FirstDifference(frames.Frame(), &expected), "");
}
