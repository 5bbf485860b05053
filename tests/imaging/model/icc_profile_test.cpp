#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <tuple>

#include "imaging/metadata/dicom_tags.h"
#include "imaging/model/icc_profile.h"
#include "imaging/model/ie_bitmap.h"
#include "tests/support/file_helpers.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/streams.h"

using namespace imaging;
using namespace test_files;

namespace {

// Small ICC version 2 profiles built here, so that the tests need no profile files.
class TProfileBuilder {
 public:
  TProfileBuilder(const char* deviceClass, const char* colourSpace, const char* pcs)
      : deviceClass_(deviceClass), colourSpace_(colourSpace), pcs_(pcs) {}

  void AddTag(const char* signature, const Bytes& data) { tags_.push_back({signature, data}); }

  Bytes Build() const {
    Bytes table;
    PutBE32(table, static_cast<uint32_t>(tags_.size()));
    uint32_t offset = 128 + 4 + 12 * static_cast<uint32_t>(tags_.size());
    Bytes data;
    for (const auto& [signature, bytes] : tags_) {
      table.insert(table.end(), signature.begin(), signature.end());
      PutBE32(table, offset + static_cast<uint32_t>(data.size()));
      PutBE32(table, static_cast<uint32_t>(bytes.size()));
      data.insert(data.end(), bytes.begin(), bytes.end());
      while (data.size() % 4) data.push_back(0);
    }
    Bytes header;
    PutBE32(header, static_cast<uint32_t>(128 + table.size() + data.size()));
    PutBE32(header, 0);
    PutBE32(header, 0x02100000);
    Append(header, deviceClass_);
    Append(header, colourSpace_);
    Append(header, pcs_);
    header.resize(36, 0);  // date
    Append(header, "acsp");
    header.resize(64, 0);
    PutBE32(header, 0);  // perceptual
    PutS15(header, 0.9642);
    PutS15(header, 1.0);
    PutS15(header, 0.8249);
    header.resize(128, 0);
    header.insert(header.end(), table.begin(), table.end());
    header.insert(header.end(), data.begin(), data.end());
    return header;
  }

  static void Append(Bytes& b, const std::string& text) { b.insert(b.end(), text.begin(), text.end()); }
  static void PutS15(Bytes& b, double v) { PutBE32(b, static_cast<uint32_t>(static_cast<int32_t>(std::lround(v * 65536)))); }

  static Bytes TextTag(const std::string& text) {
    Bytes b;
    Append(b, "text");
    PutBE32(b, 0);
    Append(b, text);
    b.push_back(0);
    return b;
  }
  static Bytes DescTag(const std::string& text) {
    Bytes b;
    Append(b, "desc");
    PutBE32(b, 0);
    PutBE32(b, static_cast<uint32_t>(text.size() + 1));
    Append(b, text);
    b.push_back(0);
    PutBE32(b, 0);  // Unicode language
    PutBE32(b, 0);  // Unicode count
    b.resize(b.size() + 3 + 67, 0);  // ScriptCode
    return b;
  }
  static Bytes XYZTag(double x, double y, double z) {
    Bytes b;
    Append(b, "XYZ ");
    PutBE32(b, 0);
    PutS15(b, x);
    PutS15(b, y);
    PutS15(b, z);
    return b;
  }
  static Bytes LinearCurve() {
    Bytes b;
    Append(b, "curv");
    PutBE32(b, 0);
    PutBE32(b, 0);  // no entries: identity
    return b;
  }
  // A lut16 tag with 2 grid points per input, identity curves and the CLUT the function gives
  // for each corner (inputs 0 or 1, outputs 0 .. 65535).
  template <class F>
  static Bytes Lut16Tag(int inputs, int outputs, F corner) {
    Bytes b;
    Append(b, "mft2");
    PutBE32(b, 0);
    b.push_back(static_cast<uint8_t>(inputs));
    b.push_back(static_cast<uint8_t>(outputs));
    b.push_back(2);
    b.push_back(0);
    for (int i = 0; i < 9; ++i) PutS15(b, i % 4 == 0 ? 1.0 : 0.0);
    PutBE16(b, 2);
    PutBE16(b, 2);
    for (int i = 0; i < inputs; ++i) {
      PutBE16(b, 0);
      PutBE16(b, 65535);
    }
    for (int index = 0; index < (1 << inputs); ++index) {
      int bits[4] = {0, 0, 0, 0};
      for (int i = 0; i < inputs; ++i) bits[i] = (index >> (inputs - 1 - i)) & 1;
      uint16_t out[4] = {0, 0, 0, 0};
      corner(bits, out);
      for (int o = 0; o < outputs; ++o) PutBE16(b, out[o]);
    }
    for (int o = 0; o < outputs; ++o) {
      PutBE16(b, 0);
      PutBE16(b, 65535);
    }
    return b;
  }

 private:
  std::string deviceClass_, colourSpace_, pcs_;
  std::vector<std::pair<std::string, Bytes>> tags_;
};

// A linear RGB display with D50 primaries adding up to the white point.
Bytes LinearRGBProfile() {
  TProfileBuilder p("mntr", "RGB ", "XYZ ");
  p.AddTag("desc", TProfileBuilder::DescTag("Linear RGB"));
  p.AddTag("cprt", TProfileBuilder::TextTag("No copyright"));
  p.AddTag("wtpt", TProfileBuilder::XYZTag(0.9642, 1.0, 0.8249));
  p.AddTag("rXYZ", TProfileBuilder::XYZTag(0.4361, 0.2225, 0.0139));
  p.AddTag("gXYZ", TProfileBuilder::XYZTag(0.3851, 0.7169, 0.0971));
  p.AddTag("bXYZ", TProfileBuilder::XYZTag(0.1431, 0.0606, 0.7139));
  for (const char* trc : {"rTRC", "gTRC", "bTRC"}) p.AddTag(trc, TProfileBuilder::LinearCurve());
  return p.Build();
}

// A printer with black ink only: lightness falls with K (and with C, M, Y together).
Bytes GreyInkCMYKProfile() {
  TProfileBuilder p("prtr", "CMYK", "Lab ");
  p.AddTag("desc", TProfileBuilder::DescTag("Grey ink"));
  p.AddTag("wtpt", TProfileBuilder::XYZTag(0.9642, 1.0, 0.8249));
  auto toLab = [](const int* cmyk, uint16_t* lab) {
    bool ink = cmyk[3] || (cmyk[0] && cmyk[1] && cmyk[2]);
    lab[0] = ink ? 0 : 0xFF00;
    lab[1] = lab[2] = 0x8000;
  };
  auto toCMYK = [](const int* lab, uint16_t* cmyk) {
    cmyk[0] = cmyk[1] = cmyk[2] = 0;
    cmyk[3] = lab[0] ? 0 : 65535;
  };
  for (const char* tag : {"A2B0", "A2B1", "A2B2"}) p.AddTag(tag, TProfileBuilder::Lut16Tag(4, 3, toLab));
  for (const char* tag : {"B2A0", "B2A1", "B2A2"}) p.AddTag(tag, TProfileBuilder::Lut16Tag(3, 4, toCMYK));
  return p.Build();
}

Bytes ProfileWithTagTable(uint32_t count, const std::vector<std::tuple<std::string, uint32_t, uint32_t>>& entries,
                          size_t size) {
  Bytes b(128, 0);
  PutBE32(b, count);
  for (auto& [signature, offset, length] : entries) {
    TProfileBuilder::Append(b, signature);
    PutBE32(b, offset);
    PutBE32(b, length);
  }
  b.resize(std::max(size, b.size()), 0);
  return b;
}

}  // namespace

TEST(ICCProfile, ReadsDescriptionAndNotice) {
  TIEICC icc;
  Bytes profile = LinearRGBProfile();
  icc.LoadFromBuffer(profile.data(), static_cast<int32_t>(profile.size()));
  EXPECT_EQ(icc.Description(), "Linear RGB");
  EXPECT_EQ(icc.Notice(), "No copyright");
  EXPECT_EQ(icc.RawLength(), static_cast<int32_t>(profile.size()));
  EXPECT_TRUE(icc.HasProfile());
  EXPECT_FALSE(icc.Applied());
}

TEST(ICCProfile, DamagedTagTablesLeaveTheTextsEmpty) {
  Bytes desc = TProfileBuilder::DescTag("Hidden");
  struct Case {
    const char* what;
    Bytes bytes;
  } cases[] = {
      {"128 bytes", Bytes(128, 0)},
      {"1001 tags", ProfileWithTagTable(1001, {{"desc", 144, 100}}, 400)},
      // 1000 tags claimed in a 200-byte profile: the table may not be read past the end.
      {"table past the end", ProfileWithTagTable(1000, {}, 200)},
      {"tag past the end", ProfileWithTagTable(1, {{"desc", 150, 100}}, 200)},
      {"huge offset", ProfileWithTagTable(1, {{"desc", 0xFFFFFFF0u, 0x20}}, 200)},
  };
  for (Case& c : cases) {
    TIEICC icc;
    GuardedBuffer buffer(c.bytes);
    icc.LoadFromBuffer(buffer.data(), buffer.size());
    EXPECT_EQ(icc.Description(), "") << c.what;
    EXPECT_EQ(icc.Notice(), "") << c.what;
    EXPECT_EQ(icc.RawLength(), buffer.size()) << c.what;
  }
}

TEST(ICCProfile, DamagedProfilesAreReadSafely) {
  Bytes valid = LinearRGBProfile();
  ForEachDamagedCopy(valid, 300, [](const uint8_t* data, int32_t size) {
    TIEICC icc;
    icc.LoadFromBuffer(data, size);
    EXPECT_LT(icc.Description().size(), 1000u);
  });
}

TEST(ICCProfile, SaveToStreamAndAssign) {
  Bytes profile(3144);
  for (size_t i = 0; i < profile.size(); ++i) profile[i] = static_cast<uint8_t>(i * 7);
  TIEICC icc;
  icc.LoadFromBuffer(profile.data(), static_cast<int32_t>(profile.size()));
  vcl::TMemoryStream withLength, bytesOnly;
  icc.SaveToStream(&withLength, false);
  icc.SaveToStream(&bytesOnly, true);
  Bytes a = StreamBytes(&withLength), b = StreamBytes(&bytesOnly);
  ASSERT_EQ(a.size(), 3148u);
  EXPECT_EQ(Bytes(a.begin(), a.begin() + 4), (Bytes{0x48, 0x0C, 0, 0}));
  EXPECT_EQ(Bytes(a.begin() + 4, a.end()), profile);
  EXPECT_EQ(b, profile);

  TIEICC copy;
  copy.Assign(&icc);
  EXPECT_EQ(Bytes(copy.Raw(), copy.Raw() + copy.RawLength()), profile);
  copy.Assign(nullptr);
  EXPECT_EQ(copy.RawLength(), 0);
  EXPECT_FALSE(copy.HasProfile());
}

TEST(ICCProfile, StandardSRGBOpensFromTheSystem) {
  ASSERT_TRUE(LoadColorManagement());
  TIEICC icc;
  icc.LoadStandardSRGB();
  EXPECT_TRUE(icc.HasProfile());
  EXPECT_EQ(icc.RawLength(), 0);
}

TEST(ICCProfile, TransformIsPreparedOnceAndInputLeftAlone) {
  ASSERT_TRUE(LoadColorManagement());
  Bytes linear = LinearRGBProfile();
  TIEICC source, target;
  source.LoadFromBuffer(linear.data(), static_cast<int32_t>(linear.size()));
  target.LoadStandardSRGB();
  ASSERT_TRUE(source.HasProfile() && target.HasProfile());

  // B, G, R in: linear mid grey becomes brighter in sRGB; black and white stay.
  const uint8_t input[9] = {0, 0, 0, 128, 128, 128, 255, 255, 255};
  uint8_t inputCopy[9];
  std::memcpy(inputCopy, input, 9);
  uint8_t output[9] = {};
  ASSERT_TRUE(source.TransformPixels(&target, kICCFormatBGR, 3, output, inputCopy, 0, 0, kICCFormatBGR));
  EXPECT_EQ(std::memcmp(inputCopy, input, 9), 0);
  EXPECT_TRUE(source.HasTransform());
  for (int i = 0; i < 3; ++i) EXPECT_LE(output[i], 2);
  for (int i = 3; i < 6; ++i) EXPECT_GT(output[i], 170);
  for (int i = 6; i < 9; ++i) EXPECT_GE(output[i], 253);

  // The same formats reuse the transform; another format key prepares a new one.
  EXPECT_EQ(source.InputFormat(), kICCFormatBGR);
  uint8_t again[9] = {};
  ASSERT_TRUE(source.TransformPixels(&target, kICCFormatBGR, 3, again, input, 0, 0, kICCFormatBGR));
  EXPECT_EQ(std::memcmp(again, output, 9), 0);
  uint8_t rgb[9] = {};
  ASSERT_TRUE(source.TransformPixels(&target, kICCFormatRGB, 3, rgb, input, 0, 0, kICCFormatRGB));
  EXPECT_EQ(source.InputFormat(), kICCFormatRGB);
  EXPECT_EQ(std::memcmp(rgb, output, 9), 0);

  // Preparing transforms, also for other formats, does not count as applying the profile:
  // only releasing the transform when the image is done does.
  EXPECT_FALSE(source.Applied());
  source.FreeTransform();
  EXPECT_FALSE(source.HasTransform());
  EXPECT_TRUE(source.Applied());
  // A new load forgets that the profile was applied.
  source.LoadFromBuffer(linear.data(), static_cast<int32_t>(linear.size()));
  EXPECT_FALSE(source.Applied());
}

TEST(ICCProfile, WithoutProfilesNothingIsConverted) {
  TIEICC empty, other;
  uint8_t in[3] = {1, 2, 3}, out[3] = {9, 9, 9};
  EXPECT_FALSE(empty.TransformPixels(&other, kICCFormatBGR, 1, out, in, 0, 0, kICCFormatBGR));
  EXPECT_EQ(out[0], 9);
  EXPECT_FALSE(empty.HasTransform());
  // Unknown run formats are refused too.
  Bytes linear = LinearRGBProfile();
  TIEICC a;
  a.LoadFromBuffer(linear.data(), static_cast<int32_t>(linear.size()));
  EXPECT_FALSE(a.TransformPixels(&a, 9, 1, out, in, 0, 0, kICCFormatBGR));
}

TEST(ICCProfile, ConvertBitmapBetweenRGBAndInvertedCMYK) {
  ASSERT_TRUE(LoadColorManagement());
  Bytes rgbBytes = LinearRGBProfile(), cmykBytes = GreyInkCMYKProfile();
  TIEICC rgb, cmyk;
  rgb.LoadFromBuffer(rgbBytes.data(), static_cast<int32_t>(rgbBytes.size()));
  cmyk.LoadFromBuffer(cmykBytes.data(), static_cast<int32_t>(cmykBytes.size()));
  ASSERT_TRUE(rgb.HasProfile());
  ASSERT_TRUE(cmyk.HasProfile());

  TIEBitmap bitmap(2, 1, ie24RGB);
  bitmap.SetPixel24(0, 0, TRGB{255, 255, 255});
  bitmap.SetPixel24(1, 0, TRGB{0, 0, 0});
  ASSERT_TRUE(rgb.ConvertBitmap(&bitmap, ieCMYK, &cmyk));
  ASSERT_EQ(bitmap.PixelFormat(), ieCMYK);
  auto* row = static_cast<uint8_t*>(bitmap.Scanline(0));
  // White takes no ink (all bytes 255 when inverted); black takes full black ink (K byte 0).
  for (int i = 0; i < 4; ++i) EXPECT_GE(row[i], 250) << i;
  for (int i = 4; i < 7; ++i) EXPECT_GE(row[i], 250) << i;
  EXPECT_LE(row[7], 5);

  ASSERT_TRUE(cmyk.ConvertBitmap(&bitmap, ie24RGB, &rgb));
  ASSERT_EQ(bitmap.PixelFormat(), ie24RGB);
  TRGB white = bitmap.GetPixel24(0, 0), black = bitmap.GetPixel24(1, 0);
  EXPECT_GE(white.r, 250);
  EXPECT_GE(white.g, 250);
  EXPECT_GE(white.b, 250);
  EXPECT_LE(black.r, 5);
  EXPECT_LE(black.g, 5);
  EXPECT_LE(black.b, 5);
}

TEST(ICCProfile, ConvertBitmapRefusesFormatsWithoutRuns) {
  Bytes linear = LinearRGBProfile();
  TIEICC icc;
  icc.LoadFromBuffer(linear.data(), static_cast<int32_t>(linear.size()));
  TIEBitmap palette(2, 2, ie8p);
  palette.SetPixel8(0, 0, 7);
  EXPECT_FALSE(icc.ConvertBitmap(&palette, ie24RGB, &icc));
  EXPECT_EQ(palette.PixelFormat(), ie8p);
  EXPECT_EQ(palette.GetPixel8(0, 0), 7);
  TIEBitmap rgb(1, 1, ie24RGB);
  EXPECT_FALSE(icc.ConvertBitmap(&rgb, ie32RGB, &icc));
  EXPECT_EQ(rgb.PixelFormat(), ie24RGB);
  // Without a target profile the conversion fails and the image stays as it was.
  TIEICC none;
  rgb.SetPixel24(0, 0, TRGB{1, 2, 3});
  EXPECT_FALSE(icc.ConvertBitmap(&rgb, ie8g, &none));
  EXPECT_EQ(rgb.PixelFormat(), ie24RGB);
  EXPECT_EQ(rgb.GetPixel24(0, 0).g, 2);
}

TEST(DICOMTags, AddAndAssign) {
  TIEDICOMTags tags;
  std::unique_ptr<uint8_t[]> data(new uint8_t[5]{1, 2, 3, 4, 0});
  EXPECT_EQ(tags.AddTag(0x0028, 0x0010, 4, std::move(data), "US"), 0);
  EXPECT_EQ(tags.AddTag(0x0010, 0x0010, 0, nullptr, ""), 1);
  std::unique_ptr<uint8_t[]> dropped(new uint8_t[3]{7, 7, 0});
  EXPECT_EQ(tags.AddTag(0x7FE0, 0x0010, -1, std::move(dropped), "OBX"), 2);

  const TIEDICOMTag& first = tags.Tags(0);
  EXPECT_EQ(first.Group, 0x0028);
  EXPECT_EQ(first.Element, 0x0010);
  EXPECT_EQ(std::string(first.VR, 2), "US");
  EXPECT_EQ(std::string(tags.Tags(1).VR, 2), std::string("\0\0", 2));
  EXPECT_EQ(tags.Tags(2).Data, nullptr);
  EXPECT_EQ(tags.Tags(2).DataLength, 0);
  EXPECT_EQ(std::string(tags.Tags(2).VR, 2), std::string("\0\0", 2));
  EXPECT_THROW(tags.Tags(3), vcl::EListError);

  TIEDICOMTags copy;
  copy.Assign(&tags);
  ASSERT_EQ(copy.Count(), 3);
  ASSERT_EQ(copy.Tags(0).DataLength, 4);
  EXPECT_NE(copy.Tags(0).Data.get(), first.Data.get());
  EXPECT_EQ(Bytes(copy.Tags(0).Data.get(), copy.Tags(0).Data.get() + 5), (Bytes{1, 2, 3, 4, 0}));
  EXPECT_EQ(copy.Tags(1).Data, nullptr);
  copy.Assign(nullptr);
  EXPECT_EQ(copy.Count(), 0);
}
