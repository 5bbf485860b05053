#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <string>

#include "imaging/params/io_params.h"
#include "imaging/model/ie_bitmap.h"

namespace imaging {
namespace {

bool HasTag(const TIOParamsVals& params, int32_t tag) {
  return std::count(params.EXIFTags.begin(), params.EXIFTags.end(), tag) == 1;
}

// Each tracked setter: a value that marks the tag present, and the field's absent value.
struct TrackedSetter {
  const char* name;
  int32_t tag;
  std::function<void(TIOParamsVals&, double)> set;
  double present;
  double absent;
};

std::vector<TrackedSetter> TrackedSetters() {
  auto d = [](void (TIOParamsVals::*setter)(double)) {
    return [setter](TIOParamsVals& p, double v) { (p.*setter)(v); };
  };
  auto i = [](void (TIOParamsVals::*setter)(int32_t)) {
    return [setter](TIOParamsVals& p, double v) { (p.*setter)(static_cast<int32_t>(v)); };
  };
  using P = TIOParamsVals;
  return {
      {"ExposureTime", 33434, d(&P::SetEXIFExposureTime), 0.01, -1},
      {"FNumber", 33437, d(&P::SetEXIFFNumber), 2.8, -1},
      {"ExposureProgram", 34850, i(&P::SetEXIFExposureProgram), 2, -1},
      {"CompressedBitsPerPixel", 37122, d(&P::SetEXIFCompressedBitsPerPixel), 4, 0},
      {"ShutterSpeedValue", 37377, d(&P::SetEXIFShutterSpeedValue), 6.6, -1},
      {"ApertureValue", 37378, d(&P::SetEXIFApertureValue), 2.97, -1},
      {"BrightnessValue", 37379, d(&P::SetEXIFBrightnessValue), -1, -1000},
      {"ExposureBiasValue", 37380, d(&P::SetEXIFExposureBiasValue), 0, -1000},
      {"MaxApertureValue", 37381, d(&P::SetEXIFMaxApertureValue), 3, -1000},
      {"SubjectDistance", 37382, d(&P::SetEXIFSubjectDistance), 0, -1},
      {"MeteringMode", 37383, i(&P::SetEXIFMeteringMode), 5, -1},
      {"LightSource", 37384, i(&P::SetEXIFLightSource), 0, -1},
      {"Flash", 37385, i(&P::SetEXIFFlash), 1, -1},
      {"FocalLength", 37386, d(&P::SetEXIFFocalLength), 50, -1},
      {"ColorSpace", 40961, i(&P::SetEXIFColorSpace), 1, -1},
      {"PixelXDimension", 40962, i(&P::SetEXIFPixelXDimension), 640, 0},
      {"PixelYDimension", 40963, i(&P::SetEXIFPixelYDimension), 480, 0},
      {"FocalPlaneXResolution", 41486, d(&P::SetEXIFFocalPlaneXResolution), 3000, -1},
      {"FocalPlaneYResolution", 41487, d(&P::SetEXIFFocalPlaneYResolution), 3000, -1},
      {"FocalPlaneResolutionUnit", 41488, i(&P::SetEXIFFocalPlaneResolutionUnit), 2, -1},
      {"ExposureIndex", 41493, d(&P::SetEXIFExposureIndex), 100, -1},
      {"SensingMethod", 41495, i(&P::SetEXIFSensingMethod), 2, -1},
      {"FileSource", 41728, i(&P::SetEXIFFileSource), 3, -1},
      {"SceneType", 41729, i(&P::SetEXIFSceneType), 1, -1},
  };
}

TEST(IOParamsExif, TrackedSettersAddAndRemoveTheirTag) {
  for (const TrackedSetter& setter : TrackedSetters()) {
    SCOPED_TRACE(setter.name);
    TIOParamsVals params(nullptr);
    ASSERT_FALSE(HasTag(params, setter.tag));
    setter.set(params, setter.present);
    setter.set(params, setter.present);
    EXPECT_TRUE(HasTag(params, setter.tag));  // once, however often it is set
    EXPECT_EQ(params.EXIFTags.size(), 1u);
    setter.set(params, setter.absent);
    EXPECT_FALSE(HasTag(params, setter.tag));
    EXPECT_TRUE(params.EXIFTags.empty());
  }
}

TEST(IOParamsExif, TrackedSettersStoreTheValue) {
  TIOParamsVals params(nullptr);
  params.SetEXIFExposureTime(0.01);
  params.SetEXIFBrightnessValue(-1);
  params.SetEXIFPixelXDimension(0);
  params.SetEXIFFlash(16);
  EXPECT_EQ(params.EXIFExposureTime, 0.01);
  EXPECT_EQ(params.EXIFBrightnessValue, -1.0);
  EXPECT_EQ(params.EXIFPixelXDimension, 0);
  EXPECT_EQ(params.EXIFFlash, 16);
  EXPECT_TRUE(HasTag(params, 37379));   // only -1000 means absent
  EXPECT_FALSE(HasTag(params, 40962));  // 0 is absent
}

TEST(IOParamsExif, AddAndRemoveTagsDirectly) {
  TIOParamsVals params(nullptr);
  params.AddEXIFTag(42016);
  params.AddEXIFTag(42016);
  params.AddEXIFTag(37500);
  EXPECT_EQ(params.EXIFTags, (std::vector<int32_t>{42016, 37500}));
  params.RemoveEXIFTag(1);
  params.RemoveEXIFTag(42016);
  EXPECT_EQ(params.EXIFTags, std::vector<int32_t>{37500});
}

TEST(IOParamsExif, ResolutionSettersTruncateForTheDpi) {
  struct Case {
    double value;
    int32_t dpi;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Case cases[] = {
      {299.9, 299}, {72.0, 72}, {-0.5, 0}, {1e12, std::numeric_limits<int32_t>::max()},
      {-1e12, std::numeric_limits<int32_t>::min()}, {nan, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    TIOParamsVals params(nullptr);
    params.SetEXIFXResolution(c.value);
    params.SetEXIFYResolution(c.value);
    EXPECT_EQ(params.DpiX, c.dpi);
    EXPECT_EQ(params.DpiY, c.dpi);
    if (std::isnan(c.value)) {
      EXPECT_TRUE(std::isnan(params.EXIFXResolution));
    } else {
      EXPECT_EQ(params.EXIFXResolution, c.value);
      EXPECT_EQ(params.EXIFYResolution, c.value);
    }
  }
}

// The array accessors: indexes inside the array read back; indexes outside are ignored and read
// as 0, leaving every element as it was.
TEST(IOParamsExif, ArrayAccessorsStayInsideTheirArrays) {
  struct ArrayCase {
    const char* name;
    int32_t length;
    std::function<void(TIOParamsVals&, int32_t, double)> set;
    std::function<double(const TIOParamsVals&, int32_t)> get;
  };
  using P = TIOParamsVals;
  const ArrayCase arrays[] = {
      {"ISOSpeedRatings", 2, [](P& p, int32_t i, double v) { p.SetEXIFISOSpeedRatings(i, int32_t(v)); },
       [](const P& p, int32_t i) { return double(p.GetEXIFISOSpeedRatings(i)); }},
      {"ReferenceBlackWhite", 6, [](P& p, int32_t i, double v) { p.SetEXIFReferenceBlackWhite(i, v); },
       [](const P& p, int32_t i) { return p.GetEXIFReferenceBlackWhite(i); }},
      {"WhitePoint", 2, [](P& p, int32_t i, double v) { p.SetEXIFWhitePoint(i, v); },
       [](const P& p, int32_t i) { return p.GetEXIFWhitePoint(i); }},
      {"PrimaryChromaticities", 6, [](P& p, int32_t i, double v) { p.SetEXIFPrimaryChromaticities(i, v); },
       [](const P& p, int32_t i) { return p.GetEXIFPrimaryChromaticities(i); }},
      {"YCbCrCoefficients", 3, [](P& p, int32_t i, double v) { p.SetEXIFYCbCrCoefficients(i, v); },
       [](const P& p, int32_t i) { return p.GetEXIFYCbCrCoefficients(i); }},
  };
  for (const ArrayCase& array : arrays) {
    SCOPED_TRACE(array.name);
    TIOParamsVals params(nullptr);
    for (int32_t i = 0; i < array.length; ++i) array.set(params, i, 10 + i);
    const std::string before = std::to_string(params.EXIFYCbCrPositioning) + params.EXIFRightsNotice;
    for (int32_t bad : {-1, array.length, array.length + 100, std::numeric_limits<int32_t>::min()}) {
      array.set(params, bad, 999);
      EXPECT_EQ(array.get(params, bad), 0);
    }
    for (int32_t i = 0; i < array.length; ++i) EXPECT_EQ(array.get(params, i), 10 + i);
    EXPECT_EQ(std::to_string(params.EXIFYCbCrPositioning) + params.EXIFRightsNotice, before);
    EXPECT_TRUE(params.EXIFTags.empty());
  }
}

TEST(IOParamsExif, ResetRemovesOnlyTheFirstExifMarker) {
  TIOParamsVals params(nullptr);
  params.JPEGMarkerList.AddMarker(0xE0, "JFIF\0", 5);
  params.JPEGMarkerList.AddMarker(0xE1, "XMP packet here", 15);
  params.JPEGMarkerList.AddMarker(0xE1, "Exif\0\0first", 11);
  params.JPEGMarkerList.AddMarker(0xFE, "Exif comment", 12);
  params.JPEGMarkerList.AddMarker(0xE1, "Exif\0\0second", 12);
  params.JPEGMarkerList.AddMarker(0xE1, "Ex", 2);

  params.ResetEXIF();

  ASSERT_EQ(params.JPEGMarkerList.GetCount(), 5);
  const std::string expected[] = {"JFIF", "XMP packet here", "Exif comment", std::string("Exif\0\0second", 12),
                                  "Ex"};
  for (int32_t i = 0; i < 5; ++i) {
    const std::string data(reinterpret_cast<const char*>(params.JPEGMarkerList.GetMarkerData(i)),
                           params.JPEGMarkerList.GetMarkerLength(i));
    EXPECT_EQ(data.substr(0, expected[i].size()), expected[i]) << i;
  }
}

TEST(IOParamsExif, ResetGivesBackTheAbsentValues) {
  TIOParamsVals params(nullptr);
  params.EXIFPresent = true;
  params.SetEXIFOrientation(6);
  params.EXIFThumbnail = std::make_unique<TIEBitmap>(2, 2, ie24RGB);
  params.EXIFMake = "maker";
  params.SetEXIFXResolution(300);
  params.SetEXIFWhitePoint(0, 0.3);
  params.SetEXIFISOSpeedRatings(1, 200);
  params.SetEXIFFNumber(4);
  params.SetEXIFExposureBiasValue(1);
  params.EXIFUserComment = u"note";
  params.EXIFXPRating = 5;
  params.EXIFGPSVersionID = "2.2.0.0";
  params.EXIFGPSAltitude = 12.5;

  params.ResetEXIF();

  EXPECT_TRUE(params.EXIFTags.empty());
  EXPECT_FALSE(params.EXIFPresent);
  EXPECT_EQ(params.EXIFOrientation, 0);
  EXPECT_EQ(params.TIFFOrientation, 6);  // not an EXIF field
  EXPECT_EQ(params.EXIFThumbnail, nullptr);
  EXPECT_TRUE(params.EXIFMake.empty());
  EXPECT_EQ(params.EXIFXResolution, 0);
  EXPECT_EQ(params.DpiX, 300);  // not an EXIF field
  EXPECT_EQ(params.GetEXIFWhitePoint(0), -1);
  EXPECT_EQ(params.GetEXIFISOSpeedRatings(1), 0);
  EXPECT_EQ(params.EXIFFNumber, -1);
  EXPECT_EQ(params.EXIFExposureBiasValue, -1000);
  EXPECT_EQ(params.EXIFCompressedBitsPerPixel, 0);
  EXPECT_TRUE(params.EXIFUserComment.empty());
  EXPECT_EQ(params.EXIFXPRating, -1);
  EXPECT_TRUE(params.EXIFGPSVersionID.empty());
  EXPECT_EQ(params.EXIFGPSAltitude, 0);
  EXPECT_EQ(params.EXIFMakerNote.EntryCount(), 0);
}

}  // namespace
}  // namespace imaging
