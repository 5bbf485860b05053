#include "imaging/params/io_params.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "imaging/params/io_settings.h"
#include "imaging/model/annotations.h"
#include "imaging/model/icc_profile.h"
#include "imaging/model/ie_bitmap.h"

namespace imaging {
namespace {

// Stands in for the I/O object: a target with or without a platform bitmap, and a record of
// the resolutions pushed to its view.
class FakeOwner : public TIOParamsOwner {
 public:
  bool hasPlatformBitmap = false;
  int32_t bitmapWidth = 0;
  int32_t bitmapHeight = 0;
  std::vector<int32_t> dpiXPushed;
  std::vector<int32_t> dpiYPushed;

  bool GetTargetPlatformBitmapSize(int32_t& width, int32_t& height) override {
    if (!hasPlatformBitmap) return false;
    width = bitmapWidth;
    height = bitmapHeight;
    return true;
  }
  void DpiXChanged(int32_t dpiX) override { dpiXPushed.push_back(dpiX); }
  void DpiYChanged(int32_t dpiY) override { dpiYPushed.push_back(dpiY); }
};

TEST(IOParamsDefaults, SizeAndResolutionDependOnTheOwner) {
  struct Case {
    const char* name;
    bool withOwner;
    bool platformBitmap;
    int32_t width, height, dpiX, dpiY;
  };
  const Case cases[] = {
      {"no owner", false, false, 0, 0, 0, 0},
      {"owner with a 640x480 platform bitmap", true, true, 640, 480, 300, 300},
      {"owner without platform bitmap", true, false, 0, 0, 300, 300},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeOwner owner;
    owner.hasPlatformBitmap = c.platformBitmap;
    owner.bitmapWidth = 640;
    owner.bitmapHeight = 480;
    TIOParamsVals params(c.withOwner ? &owner : nullptr);
    EXPECT_EQ(params.Width, c.width);
    EXPECT_EQ(params.Height, c.height);
    EXPECT_EQ(params.DpiX, c.dpiX);
    EXPECT_EQ(params.DpiY, c.dpiY);
    if (c.withOwner) {
      EXPECT_EQ(owner.dpiXPushed, std::vector<int32_t>{300});
      EXPECT_EQ(owner.dpiYPushed, std::vector<int32_t>{300});
    }
  }
}

TEST(IOParamsDefaults, TakeTheLibraryDefaultResolution) {
  const int32_t savedX = IEDefaultDpiX, savedY = IEDefaultDpiY;
  IEDefaultDpiX = 72;
  IEDefaultDpiY = 96;
  FakeOwner owner;
  TIOParamsVals params(&owner);
  IEDefaultDpiX = savedX;
  IEDefaultDpiY = savedY;
  EXPECT_EQ(params.DpiX, 72);
  EXPECT_EQ(params.DpiY, 96);
}

TEST(IOParamsDefaults, KeepSizeAndResolutionWithoutOwner) {
  TIOParamsVals params(nullptr);
  params.Width = 10;
  params.Height = 20;
  params.DpiX = 30;
  params.DpiY = 40;
  params.SetDefaultParams();
  EXPECT_EQ(params.Width, 10);
  EXPECT_EQ(params.Height, 20);
  EXPECT_EQ(params.DpiX, 30);
  EXPECT_EQ(params.DpiY, 40);
}

TEST(IOParamsDefaults, RestoreChangedFields) {
  TIOParamsVals params(nullptr);
  params.JPEGQuality = 12;
  params.TIFFCompression = 5;
  params.SetImageIndex(3);
  params.GIFVersion = "GIF87a";
  params.ColorMap.assign(2, TRGB{1, 2, 3});
  params.ColorMapCount = 2;
  params.ICOWriteSizes[3] = TIOICOSize{16, 16};
  params.GetInputICCProfile();
  params.GetImagingAnnot();
  params.XMPPacket = "<x/>";
  params.SetEXIFFlash(1);
  params.SetDefaultParams();

  EXPECT_EQ(params.JPEGQuality, 80);
  EXPECT_EQ(params.TIFFCompression, 0);
  EXPECT_EQ(params.TIFFImageIndex, 0);
  EXPECT_EQ(params.CURImageIndex, 0);
  EXPECT_EQ(params.GIFVersion, "GIF89a");
  EXPECT_TRUE(params.ColorMap.empty());
  EXPECT_EQ(params.ColorMapCount, 0);
  EXPECT_EQ(params.ICOWriteSizes[0].Width, 64);
  EXPECT_EQ(params.ICOWriteSizes[0].Height, 64);
  EXPECT_EQ(params.ICOWriteSizes[3].Width, 0);
  EXPECT_EQ(params.ICOWriteBitCounts[0], 8);
  EXPECT_EQ(params.ICOWriteBitCounts[1], 0);
  EXPECT_EQ(params.InputICCProfile, nullptr);
  EXPECT_EQ(params.ImagingAnnot, nullptr);
  EXPECT_TRUE(params.XMPPacket.empty());
  EXPECT_TRUE(params.EXIFTags.empty());
  EXPECT_EQ(params.EXIFFlash, -1);
  // The orientation setter runs before the EXIF reset: the two end apart.
  EXPECT_EQ(params.TIFFOrientation, 1);
  EXPECT_EQ(params.EXIFOrientation, 0);
  EXPECT_EQ(params.TIFFLZWDecompress, IETIFFLZWDecompressProc);
  EXPECT_EQ(params.TIFFLZWCompress, IETIFFLZWCompressProc);
  EXPECT_EQ(params.GIFLZWDecompress, IEGIFLZWDecompressProc);
  EXPECT_EQ(params.GIFLZWCompress, IEGIFLZWCompressProc);
  EXPECT_EQ(params.TGADate, vcl::Date());
  EXPECT_EQ(params.PSTitle, "No Title");
}

TEST(IOParamsFanOut, SettersWriteEverySibling) {
  TIOParamsVals params(nullptr);
  params.SetImageCount(7);
  for (int32_t count : {params.ImageCount, params.TIFFImageCount, params.GIFImageCount, params.AVIFrameCount,
                        params.MediaFileFrameCount})
    EXPECT_EQ(count, 7);

  params.SetImageIndex(4);
  for (int32_t index : {params.ImageIndex, params.TIFFImageIndex, params.DCXImageIndex, params.GIFImageIndex,
                        params.ICOImageIndex, params.CURImageIndex})
    EXPECT_EQ(index, 4);

  params.SetEnableAdjustOrientation(true);
  EXPECT_TRUE(params.EnableAdjustOrientation);
  EXPECT_TRUE(params.TIFFEnableAdjustOrientation);
  EXPECT_TRUE(params.JPEGEnableAdjustOrientation);

  params.SetLoadEXIFThumbnail(true);
  EXPECT_TRUE(params.LoadEXIFThumbnail);
  EXPECT_TRUE(params.JPEGLoadEXIFThumbnail);
  EXPECT_FALSE(params.CameraRawLoadEXIFThumbnail);
  params.SetRAWLoadEXIFThumbnail(true);
  EXPECT_TRUE(params.CameraRawLoadEXIFThumbnail);

  params.SetTIFFOrientation(6);
  EXPECT_EQ(params.EXIFOrientation, 6);
  params.SetEXIFOrientation(3);
  EXPECT_EQ(params.TIFFOrientation, 3);
}

TEST(IOParamsDpi, SettersMoveTheExifResolutionAndTheView) {
  FakeOwner owner;
  TIOParamsVals params(&owner);
  owner.dpiXPushed.clear();
  owner.dpiYPushed.clear();
  params.SetDpiX(150);
  params.SetDpiY(75);
  EXPECT_EQ(params.DpiX, 150);
  EXPECT_EQ(params.EXIFXResolution, 150.0);
  EXPECT_EQ(params.DpiY, 75);
  EXPECT_EQ(params.EXIFYResolution, 75.0);
  EXPECT_EQ(owner.dpiXPushed, std::vector<int32_t>{150});
  EXPECT_EQ(owner.dpiYPushed, std::vector<int32_t>{75});
}

TEST(IOParamsResetInfo, ForgetsTheFileButKeepsTheOptions) {
  TIOParamsVals params(nullptr);
  params.JPEGQuality = 33;
  params.TIFFCompression = 8;
  params.SetImageIndex(2);
  params.ColorMap.assign(4, TRGB{9, 8, 7});
  params.ColorMapCount = 4;
  params.IPTCInfoList.AddItem(2, 5, 3, "abc");
  params.JPEGMarkerList.AddMarker(0xFE, "note", 4);
  params.GIFComments.Add("comment");
  params.PNGTextKeys.Add("k");
  params.PNGTextValues.Add("v");
  params.PXMComments.Add("# x");
  params.TIFFImageDescription = "desc";
  params.TGAAuthor = "me";
  params.XMPPacket = "<x/>";
  params.GetInputICCProfile();
  params.GetImagingAnnot();
  params.EXIFMake = "camera";

  params.ResetInfo();

  EXPECT_EQ(params.JPEGQuality, 33);
  EXPECT_EQ(params.TIFFCompression, 8);
  EXPECT_EQ(params.GIFImageIndex, 2);
  EXPECT_EQ(params.ColorMapCount, 4);
  ASSERT_EQ(params.ColorMap.size(), 4u);
  EXPECT_EQ(params.ColorMap[3].r, 7);
  EXPECT_EQ(params.IPTCInfoList.GetCount(), 0);
  EXPECT_EQ(params.JPEGMarkerList.GetCount(), 0);
  EXPECT_EQ(params.GIFComments.Count(), 0);
  EXPECT_EQ(params.PNGTextKeys.Count(), 0);
  EXPECT_EQ(params.PNGTextValues.Count(), 0);
  EXPECT_EQ(params.PXMComments.Count(), 0);
  EXPECT_TRUE(params.TIFFImageDescription.empty());
  EXPECT_TRUE(params.TGAAuthor.empty());
  EXPECT_TRUE(params.XMPPacket.empty());
  EXPECT_EQ(params.InputICCProfile, nullptr);
  EXPECT_EQ(params.ImagingAnnot, nullptr);
  EXPECT_TRUE(params.EXIFMake.empty());
}

TEST(IOParamsAssign, CopiesThePaletteOrItsAbsence) {
  TIOParamsVals withPalette(nullptr);
  withPalette.ColorMap.resize(256);
  for (int i = 0; i < 256; ++i)
    withPalette.ColorMap[i] = TRGB{uint8_t(i), uint8_t(255 - i), uint8_t(i ^ 0x5A)};
  withPalette.ColorMapCount = 256;

  TIOParamsVals target(nullptr);
  target.Assign(withPalette);
  EXPECT_EQ(target.ColorMapCount, 256);
  ASSERT_EQ(target.ColorMap.size(), 256u);
  EXPECT_EQ(std::memcmp(target.ColorMap.data(), withPalette.ColorMap.data(), 768), 0);

  TIOParamsVals withoutPalette(nullptr);
  target.Assign(withoutPalette);
  EXPECT_EQ(target.ColorMapCount, 0);
  EXPECT_TRUE(target.ColorMap.empty());
}

TEST(IOParamsAssign, CopiesEachIndexFieldAsItIs) {
  TIOParamsVals source(nullptr);
  source.ImageIndex = 1;
  source.TIFFImageIndex = 2;
  source.DCXImageIndex = 3;
  source.GIFImageIndex = 4;
  source.ICOImageIndex = 5;
  source.CURImageIndex = 6;
  TIOParamsVals target(nullptr);
  target.Assign(source);
  EXPECT_EQ(target.ImageIndex, 1);
  EXPECT_EQ(target.TIFFImageIndex, 2);
  EXPECT_EQ(target.DCXImageIndex, 3);
  EXPECT_EQ(target.GIFImageIndex, 4);
  EXPECT_EQ(target.ICOImageIndex, 5);
  EXPECT_EQ(target.CURImageIndex, 6);
}

TEST(IOParamsAssign, CopiesContainersDeeplyAndKeepsOwnerAndMediaFields) {
  FakeOwner sourceOwner, targetOwner;
  TIOParamsVals source(&sourceOwner);
  source.FileName = u"picture.tif";
  source.SetDpiX(123);
  source.SetDpiY(456);
  source.JPEGQuality = 55;
  source.GIFComments.Add("hello");
  source.PNGTextKeys.Add("Title");
  source.JPEGMarkerList.AddMarker(0xE2, "ICC", 3);
  source.IPTCInfoList.AddItem(2, 120, 4, "text");
  source.GetImagingAnnot();
  source.GetDefaultICCProfile();
  source.MediaFileFrameCount = 99;
  source.MediaFileFrameDelayTime = 40;
  source.SetEXIFExposureTime(0.01);
  source.EXIFGPSVersionID = "2.2.0.0";
  source.EXIFUserComment = u"wide";
  source.SetEXIFWhitePoint(1, 0.5);

  TIOParamsVals target(&targetOwner);
  target.GetInputICCProfile();
  target.MediaFileFrameCount = 7;
  targetOwner.dpiXPushed.clear();
  target.Assign(source);

  EXPECT_EQ(target.IO, &targetOwner);
  EXPECT_EQ(target.FileName, u"picture.tif");
  EXPECT_EQ(target.DpiX, 123);
  EXPECT_EQ(target.DpiY, 456);
  EXPECT_EQ(targetOwner.dpiXPushed, std::vector<int32_t>{123});
  EXPECT_EQ(target.JPEGQuality, 55);
  ASSERT_EQ(target.GIFComments.Count(), 1);
  EXPECT_EQ(target.GIFComments.Strings(0), "hello");
  EXPECT_EQ(target.PNGTextKeys.Count(), 1);
  EXPECT_EQ(target.JPEGMarkerList.GetCount(), 1);
  EXPECT_EQ(target.IPTCInfoList.GetCount(), 1);
  ASSERT_NE(target.ImagingAnnot, nullptr);
  EXPECT_NE(target.ImagingAnnot.get(), source.ImagingAnnot.get());
  EXPECT_EQ(target.ImagingAnnot->Parent, &target);
  EXPECT_NE(target.DefaultICCProfile, nullptr);
  EXPECT_EQ(target.InputICCProfile, nullptr);  // the source has none
  EXPECT_EQ(target.MediaFileFrameCount, 7);
  EXPECT_EQ(target.MediaFileFrameDelayTime, 0);
  EXPECT_EQ(target.EXIFExposureTime, 0.01);
  EXPECT_EQ(target.EXIFTags, std::vector<int32_t>{exiftag::ExposureTime});
  EXPECT_EQ(target.EXIFGPSVersionID, "2.2.0.0");
  EXPECT_EQ(target.EXIFUserComment, u"wide");
  EXPECT_EQ(target.GetEXIFWhitePoint(1), 0.5);
  EXPECT_EQ(target.EXIFXResolution, 123.0);
}

TEST(IOParamsAssign, TheThumbnailFollowsTheSource) {
  TIOParamsVals source(nullptr);
  TIOParamsVals target(nullptr);
  target.EXIFThumbnail = std::make_unique<TIEBitmap>(8, 8, ie24RGB);
  target.Assign(source);
  EXPECT_EQ(target.EXIFThumbnail, nullptr);  // no stale thumbnail of an earlier image

  source.EXIFThumbnail = std::make_unique<TIEBitmap>(4, 3, ie24RGB);
  target.Assign(source);
  ASSERT_NE(target.EXIFThumbnail, nullptr);
  EXPECT_NE(target.EXIFThumbnail.get(), source.EXIFThumbnail.get());
  EXPECT_EQ(target.EXIFThumbnail->Width(), 4);
  EXPECT_EQ(target.EXIFThumbnail->Height(), 3);
}

// The copy's EXIF orientation is the source's TIFF orientation, also where the source's own
// EXIF field differs (set directly, or absent after a reset of the EXIF fields).
TEST(IOParamsAssign, OrientationFollowsTheSourcesTIFFOrientation) {
  const struct {
    int32_t tiff, exif;
  } cases[] = {{6, 3}, {1, 0}, {8, 8}};
  for (const auto& c : cases) {
    TIOParamsVals source(nullptr);
    source.SetTIFFOrientation(c.tiff);
    source.EXIFOrientation = c.exif;
    TIOParamsVals target(nullptr);
    target.SetTIFFOrientation(5);
    target.Assign(source);
    EXPECT_EQ(target.TIFFOrientation, c.tiff) << c.tiff << "/" << c.exif;
    EXPECT_EQ(target.EXIFOrientation, c.tiff) << c.tiff << "/" << c.exif;
  }
}

TEST(IOParamsAssign, ToItselfChangesNothing) {
  TIOParamsVals params(nullptr);
  params.ColorMap.assign(3, TRGB{1, 1, 1});
  params.ColorMapCount = 3;
  params.GIFComments.Add("x");
  params.Assign(params);
  EXPECT_EQ(params.ColorMapCount, 3);
  EXPECT_EQ(params.ColorMap.size(), 3u);
  EXPECT_EQ(params.GIFComments.Count(), 1);
}

TEST(IOParamsAssign, CompressionParamsCopyOnlyWriterSettings) {
  TIOParamsVals source(nullptr);
  source.BitsPerSample = 1;
  source.SamplesPerPixel = 1;
  source.JPEGQuality = 42;
  source.TIFFCompression = 4;
  source.SetTIFFOrientation(8);
  source.PNGCompression = 9;
  source.PDFCompression = 0;
  source.FileName = u"a.png";
  source.Width = 77;
  source.JPEGMarkerList.AddMarker(0xFE, "c", 1);
  source.ImageIndex = 5;

  TIOParamsVals target(nullptr);
  target.AssignCompressionParams(source);
  EXPECT_EQ(target.BitsPerSample, 1);
  EXPECT_EQ(target.SamplesPerPixel, 1);
  EXPECT_EQ(target.JPEGQuality, 42);
  EXPECT_EQ(target.TIFFCompression, 4);
  EXPECT_EQ(target.TIFFOrientation, 8);
  EXPECT_EQ(target.EXIFOrientation, 8);
  EXPECT_EQ(target.PNGCompression, 9);
  EXPECT_EQ(target.PDFCompression, 0);
  EXPECT_TRUE(target.FileName.empty());
  EXPECT_EQ(target.Width, 0);
  EXPECT_EQ(target.JPEGMarkerList.GetCount(), 0);
  EXPECT_EQ(target.ImageIndex, 0);
}

TEST(IOParamsProfiles, CreatedOnFirstRequestOnly) {
  TIOParamsVals params(nullptr);
  EXPECT_EQ(params.InputICCProfile, nullptr);
  TIEICC* input = params.GetInputICCProfile();
  ASSERT_NE(input, nullptr);
  EXPECT_EQ(params.GetInputICCProfile(), input);
  EXPECT_FALSE(input->HasProfile());
  TIEICC* output = params.GetOutputICCProfile();
  ASSERT_NE(output, nullptr);
  EXPECT_EQ(params.GetOutputICCProfile(), output);
  TIEImagingAnnot* annot = params.GetImagingAnnot();
  EXPECT_EQ(params.GetImagingAnnot(), annot);
  EXPECT_EQ(annot->Parent, &params);
}

}  // namespace
}  // namespace imaging
