#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "imaging/model/annotations.h"
#include "imaging/model/ie_bitmap.h"
#include "tests/support/file_helpers.h"
#include "vcl/runtime/win.h"

using namespace imaging;
using namespace test_files;

namespace {

std::unique_ptr<TIEImagingObject> Mark(int32_t type) {
  auto mark = std::make_unique<TIEImagingObject>();
  mark->SetMarkType(type);
  for (size_t i = 4; i < mark->Attributes.size(); ++i) mark->Attributes[i] = static_cast<uint8_t>(i);
  return mark;
}

void Load(TIEImagingAnnot& annot, const Bytes& block) {
  GuardedBuffer buffer(block);
  annot.LoadFromBuffer(buffer.data(), buffer.size());
}

void PutNamed(Bytes& b, int32_t type, const std::string& name, const Bytes& data) {
  PutLE32(b, static_cast<uint32_t>(type));
  PutLE32(b, 12);
  Bytes padded(8, 0);
  std::copy(name.begin(), name.end(), padded.begin());
  b.insert(b.end(), padded.begin(), padded.end());
  PutLE32(b, static_cast<uint32_t>(data.size()));
  b.insert(b.end(), data.begin(), data.end());
}

// A block of one text mark with the given resolution field and font height.
Bytes TextBlock(int32_t resolution, int32_t fontHeight, int32_t integerFormat = 1) {
  Bytes b;
  PutLE32(b, 0);
  PutLE32(b, static_cast<uint32_t>(integerFormat));
  TIEImagingObject mark;
  mark.SetMarkType(7);
  mark.SetFontHeight(fontHeight);
  PutLE32(b, 5);
  PutLE32(b, 164);
  b.insert(b.end(), mark.Attributes.begin(), mark.Attributes.end());
  Bytes text;
  PutLE32(text, 0);
  PutLE32(text, 1000);
  PutLE32(text, static_cast<uint32_t>(resolution));
  PutLE32(text, 5);
  for (char c : std::string("Hello")) text.push_back(static_cast<uint8_t>(c));
  text.push_back(0);
  if (integerFormat == 0) {
    // The old integer format has 4 more header bytes before the data.
    Bytes named;
    PutNamed(named, 6, "OiAnText", {});
    named.resize(named.size() - 4);
    PutLE32(named, static_cast<uint32_t>(text.size()));
    PutLE32(named, 0xDEADBEEF);
    named.insert(named.end(), text.begin(), text.end());
    b.insert(b.end(), named.begin(), named.end());
  } else {
    PutNamed(b, 6, "OiAnText", text);
  }
  return b;
}

}  // namespace

TEST(Annotations, LineMarkRoundTrip) {
  TIEImagingAnnot annot;
  auto line = Mark(3);
  line->Points = {{10, 20}, {-30, 40}};
  annot.Objects.push_back(std::move(line));
  annot.Objects.push_back(Mark(5));  // attributes only
  Bytes block = annot.SaveToBuffer();
  EXPECT_EQ(Bytes(block.begin(), block.begin() + 8), (Bytes{0, 0, 0, 0, 1, 0, 0, 0}));

  TIEImagingAnnot back;
  back.UserChanged = true;
  Load(back, block);
  EXPECT_FALSE(back.UserChanged);
  ASSERT_EQ(back.Objects.size(), 2u);
  EXPECT_EQ(back.Objects[0]->MarkType(), 3);
  EXPECT_EQ(back.Objects[0]->Points, (std::vector<TIEAnnotPoint>{{10, 20}, {-30, 40}}));
  EXPECT_EQ(back.Objects[0]->Attributes, annot.Objects[0]->Attributes);
  EXPECT_EQ(back.Objects[1]->MarkType(), 5);
  EXPECT_TRUE(back.Objects[1]->Points.empty());
  // Written again, the block is the same.
  EXPECT_EQ(back.SaveToBuffer(), block);
}

TEST(Annotations, TextFontHeightsSurviveARoundTrip) {
  for (int32_t height : {-20, -75, -1, 12, 0}) {
    TIEImagingAnnot annot;
    auto text = Mark(7);
    text->Text = "Note";
    text->SetFontHeight(height);
    annot.Objects.push_back(std::move(text));
    TIEImagingAnnot back;
    Load(back, annot.SaveToBuffer());
    ASSERT_EQ(back.Objects.size(), 1u);
    EXPECT_EQ(back.Objects[0]->Text, "Note");
    EXPECT_EQ(back.Objects[0]->FontHeight(), height);
  }
}

TEST(Annotations, TextResolutionScalesTheFontHeight) {
  struct Case {
    int32_t resolution;
    int32_t height;
    int32_t expected;
    int32_t integerFormat;
  } cases[] = {
      {0, -20, -20, 1},     // 0 counts as the written resolution
      {7500, -20, -20, 1},
      {1000, -4, -30, 1},
      {15000, -20, -10, 0},
  };
  for (const Case& c : cases) {
    TIEImagingAnnot annot;
    Load(annot, TextBlock(c.resolution, c.height, c.integerFormat));
    ASSERT_EQ(annot.Objects.size(), 1u) << c.resolution;
    EXPECT_EQ(annot.Objects[0]->Text, "Hello");
    EXPECT_EQ(annot.Objects[0]->FontHeight(), c.expected) << c.resolution;
  }
}

TEST(Annotations, ImageMarkCarriesItsPicture) {
  TIEImagingAnnot annot;
  auto mark = Mark(1);
  mark->Image = std::make_unique<TIEBitmap>(3, 2, ie24RGB);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) {
      TRGB pixel;
      pixel.r = static_cast<uint8_t>(x * 80);
      pixel.g = static_cast<uint8_t>(y * 200);
      pixel.b = 7;
      mark->Image->SetPixel24(x, y, pixel);
    }
  annot.Objects.push_back(std::move(mark));
  TIEImagingAnnot copy;
  copy.Assign(&annot);
  ASSERT_TRUE(copy.Objects[0]->Image);
  EXPECT_NE(copy.Objects[0]->Image.get(), annot.Objects[0]->Image.get());

  TIEImagingAnnot back;
  Load(back, copy.SaveToBuffer());
  ASSERT_EQ(back.Objects.size(), 1u);
  TIEBitmap* image = back.Objects[0]->Image.get();
  ASSERT_TRUE(image);
  ASSERT_EQ(image->Width(), 3);
  ASSERT_EQ(image->Height(), 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) {
      TRGB p = image->GetPixel24(x, y);
      EXPECT_EQ(p.r, x * 80);
      EXPECT_EQ(p.g, y * 200);
      EXPECT_EQ(p.b, 7);
    }
}

TEST(Annotations, BlocksWithoutMarks) {
  TIEImagingAnnot empty;
  EXPECT_TRUE(empty.SaveToBuffer().empty());

  Bytes groupOnly;
  PutLE32(groupOnly, 0);
  PutLE32(groupOnly, 1);
  PutNamed(groupOnly, 2, "OiGroup", {'0', 0});
  TIEImagingAnnot annot;
  Load(annot, groupOnly);
  EXPECT_TRUE(annot.Objects.empty());
  annot.LoadFromBuffer(groupOnly.data(), 0);
  EXPECT_TRUE(annot.Objects.empty());
}

TEST(Annotations, UnknownBlocksArePassedOverAsEightBytes) {
  Bytes b = TextBlock(7500, -20);
  Bytes withUnknown(b.begin(), b.begin() + 8);
  PutLE32(withUnknown, 9);
  PutLE32(withUnknown, 12345);
  withUnknown.insert(withUnknown.end(), b.begin() + 8, b.end());
  TIEImagingAnnot annot;
  Load(annot, withUnknown);
  ASSERT_EQ(annot.Objects.size(), 1u);
  EXPECT_EQ(annot.Objects[0]->Text, "Hello");
}

TEST(Annotations, InnerCountsAreBoundedByTheirBlock) {
  // A line mark whose point count claims far more points than its block holds.
  Bytes b;
  PutLE32(b, 0);
  PutLE32(b, 1);
  auto line = Mark(4);
  PutLE32(b, 5);
  PutLE32(b, 164);
  b.insert(b.end(), line->Attributes.begin(), line->Attributes.end());
  Bytes points;
  PutLE32(points, 1000000);
  PutLE32(points, 1000000);
  PutLE32(points, 1);
  PutLE32(points, 2);
  PutNamed(b, 6, "OiAnoDat", points);
  TIEImagingAnnot annot;
  Load(annot, b);
  ASSERT_EQ(annot.Objects.size(), 1u);
  EXPECT_EQ(annot.Objects[0]->Points, (std::vector<TIEAnnotPoint>{{1, 2}}));

  // A block cut inside its data keeps the mark with what was read before.
  Bytes cut = TextBlock(7500, -20);
  cut.resize(cut.size() - 3);
  TIEImagingAnnot partial;
  Load(partial, cut);
  ASSERT_EQ(partial.Objects.size(), 1u);
  EXPECT_EQ(partial.Objects[0]->MarkType(), 7);
  EXPECT_EQ(partial.Objects[0]->Text, "");
}

TEST(Annotations, DamagedBlocksAreReadSafely) {
  TIEImagingAnnot annot;
  auto line = Mark(3);
  line->Points = {{1, 2}, {3, 4}, {5, 6}};
  annot.Objects.push_back(std::move(line));
  auto text = Mark(8);
  text->Text = "Some text";
  annot.Objects.push_back(std::move(text));
  auto image = Mark(1);
  image->Image = std::make_unique<TIEBitmap>(4, 4, ie24RGB);
  image->Image->Fill(0x336699);
  annot.Objects.push_back(std::move(image));
  Bytes valid = annot.SaveToBuffer();
  ForEachDamagedCopy(valid, 800, [](const uint8_t* data, int32_t size) {
    TIEImagingAnnot back;
    back.LoadFromBuffer(data, size);
    for (const auto& mark : back.Objects) EXPECT_LE(mark->Points.size() * 8, size_t(size));
  });
}

TEST(Annotations, ImageMarkStoresTheWholePictureAt200Dpi) {
  TIEImagingAnnot annot;
  auto mark = Mark(1);
  mark->Image = std::make_unique<TIEBitmap>(5, 4, ie24RGB);
  mark->Image->Fill(0);
  annot.Objects.push_back(std::move(mark));
  const Bytes saved = annot.SaveToBuffer();

  const std::string name = "OiDIB";
  auto at = std::search(saved.begin(), saved.end(), name.begin(), name.end());
  ASSERT_NE(at, saved.end());
  // The 8-byte name, the 4-byte size, then the DIB's header.
  const size_t header = static_cast<size_t>(at - saved.begin()) + 12;
  ASSERT_LE(header + sizeof(BITMAPINFOHEADER), saved.size());
  BITMAPINFOHEADER info;
  std::memcpy(&info, saved.data() + header, sizeof info);
  EXPECT_EQ(5, info.biWidth);
  EXPECT_EQ(4, info.biHeight);
  EXPECT_EQ(7874, info.biXPelsPerMeter);  // 200 dpi
  EXPECT_EQ(7874, info.biYPelsPerMeter);
}
