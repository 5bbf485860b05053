#include "imaging/codecs/tiff/tiff_reader.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "imaging/codecs/tiff/tiff_decode.h"
#include "imaging/codecs/tiff/tiff_directory.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "imaging/params/io_settings.h"
#include "imaging/model/annotations.h"
#include "imaging/model/exif_orientation.h"
#include "imaging/model/icc_profile.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_mask.h"
#include "imaging/base/number_helpers.h"
#include "imaging/metadata/tiff_types.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

// Thumbnails embedded in other files are small; a larger one is damaged.
constexpr int32_t kMaxThumbnailSize = 400;
// Images whose pixels would take more than this, and more than the stream could plausibly
// expand to, are refused before any memory is taken for them.
constexpr int64_t kPlainImageBytes = int64_t(256) << 20;
constexpr int64_t kMaxExpansion = 1100;

std::string Trimmed(const TTIFFDirectory& d, uint16_t tag) { return GetTIFFTagString(d, tag, true); }

// The palette of tag 320 (2^bits entries), or nothing when the tag holds fewer values. Values
// that all fit in a byte are taken as bytes, others as 16-bit values.
std::vector<TRGB> ReadColorMap(const TTIFFDirectory& d, int32_t bitsPerSample) {
  std::vector<TRGB> palette;
  if (bitsPerSample < 1 || bitsPerSample > 16) return palette;
  std::vector<int32_t> values;
  int32_t count = GetTIFFTagIntArray(d, 320, values);
  const int32_t n = 1 << bitsPerSample;
  if (count < 3 * n) return palette;
  int32_t largest = 0;
  for (int32_t i = 0; i < 3 * n; ++i) largest = std::max(largest, values[i] & 0xFFFF);
  const int32_t shift = largest < 256 ? 0 : 8;
  palette.resize(n);
  for (int32_t i = 0; i < n; ++i)
    palette[i] = MakeRGB(static_cast<uint8_t>((values[i] & 0xFFFF) >> shift),
                         static_cast<uint8_t>((values[i + n] & 0xFFFF) >> shift),
                         static_cast<uint8_t>((values[i + 2 * n] & 0xFFFF) >> shift));
  return palette;
}

void ReadUserComment(const TTIFFDirectory& exif, TIOParamsVals& params) {
  std::vector<uint8_t> block;
  if (FindTIFFTag(exif, 37510) < 0) return;
  GetTIFFTagBlock(exif, 37510, block);
  if (block.size() < 9) {
    params.EXIFUserCommentCode = "UNICODE";
    params.EXIFUserComment.clear();
    return;
  }
  std::string code(block.begin(), block.begin() + 8);
  params.EXIFUserCommentCode = code.substr(0, code.find('\0'));
  size_t n = block.size() - 8;
  std::u16string text;
  if (params.EXIFUserCommentCode == "UNICODE") {
    // Whole characters only: an odd last byte is not half of one.
    for (size_t i = 0; i + 1 < n; i += 2)
      text.push_back(static_cast<char16_t>(block[8 + i] | (block[9 + i] << 8)));
  } else {
    for (size_t i = 0; i < n; ++i) text.push_back(static_cast<char16_t>(block[8 + i]));
  }
  // Writers end the text with a NUL (or pad with several); they are not part of the comment.
  while (!text.empty() && text.back() == 0) text.pop_back();
  params.EXIFUserComment = text;
}

void ReadExifDirectory(const TTIFFDirectory& e, TIOParamsVals& p) {
  p.SetEXIFExposureTime(GetTIFFTagRational(e, 33434, -1));
  p.SetEXIFFNumber(GetTIFFTagRational(e, 33437, -1));
  p.SetEXIFExposureProgram(GetTIFFTagInt(e, 34850, -1));
  p.SetEXIFISOSpeedRatings(0, GetTIFFTagIntAt(e, 34855, 0, 0));
  p.SetEXIFISOSpeedRatings(1, GetTIFFTagIntAt(e, 34855, 1, 0));
  p.EXIFExifVersion = GetTIFFTagInlineBytes(e, 36864);
  p.EXIFDateTimeOriginal = Trimmed(e, 36867);
  p.EXIFDateTimeDigitized = Trimmed(e, 36868);
  p.SetEXIFCompressedBitsPerPixel(GetTIFFTagRational(e, 37122, 0));
  p.SetEXIFShutterSpeedValue(GetTIFFTagRational(e, 37377, -1));
  p.SetEXIFApertureValue(GetTIFFTagRational(e, 37378, -1));
  p.SetEXIFBrightnessValue(GetTIFFTagRational(e, 37379, -1000));
  p.SetEXIFExposureBiasValue(GetTIFFTagRational(e, 37380, -1000));
  p.SetEXIFMaxApertureValue(GetTIFFTagRational(e, 37381, -1000));
  p.SetEXIFSubjectDistance(GetTIFFTagRational(e, 37382, -1));
  p.SetEXIFMeteringMode(GetTIFFTagInt(e, 37383, -1));
  p.SetEXIFLightSource(GetTIFFTagInt(e, 37384, -1));
  p.SetEXIFFlash(GetTIFFTagInt(e, 37385, -1));
  p.SetEXIFFocalLength(GetTIFFTagRational(e, 37386, -1));

  p.EXIFMakerNote.Clear();
  int32_t note = FindTIFFTag(e, 37500);
  if (note >= 0) {
    const TTIFFEntry& entry = e.Entries[note];
    int64_t position = e.BaseOffset + entry.Value;
    if (entry.Count > 0 && entry.Count <= INT32_MAX && entry.Count > 4 &&
        position + int64_t(entry.Count) <= e.Stream->Size()) {
      e.Stream->SetPosition(position);
      p.EXIFMakerNote.ReadFromStream(e.Stream, static_cast<int32_t>(entry.Count), e.LittleEndian != 0);
    }
  }
  ReadUserComment(e, p);
  p.EXIFSubsecTime = Trimmed(e, 37520);
  p.EXIFSubsecTimeOriginal = Trimmed(e, 37521);
  p.EXIFSubsecTimeDigitized = Trimmed(e, 37522);
  p.EXIFFlashPixVersion = GetTIFFTagInlineBytes(e, 40960);
  p.SetEXIFColorSpace(GetTIFFTagInt(e, 40961, -1));
  p.SetEXIFPixelXDimension(GetTIFFTagInt(e, 40962, 0));
  p.SetEXIFPixelYDimension(GetTIFFTagInt(e, 40963, 0));
  p.EXIFRelatedSoundFile = Trimmed(e, 40964);
  p.SetEXIFFocalPlaneXResolution(GetTIFFTagRational(e, 41486, -1));
  p.SetEXIFFocalPlaneYResolution(GetTIFFTagRational(e, 41487, -1));
  p.SetEXIFFocalPlaneResolutionUnit(GetTIFFTagInt(e, 41488, -1));
  p.SetEXIFExposureIndex(GetTIFFTagRational(e, 41493, -1));
  p.SetEXIFSensingMethod(GetTIFFTagInt(e, 41495, -1));
  p.SetEXIFFileSource(GetTIFFTagInt(e, 41728, -1));
  p.SetEXIFSceneType(GetTIFFTagInt(e, 41729, -1));
  p.EXIFExposureMode = GetTIFFTagInt(e, 41986, -1);
  p.EXIFWhiteBalance = GetTIFFTagInt(e, 41987, -1);
  p.EXIFDigitalZoomRatio = GetTIFFTagRational(e, 41988, -1);
  p.EXIFFocalLengthIn35mmFilm = GetTIFFTagInt(e, 41989, -1);
  p.EXIFSceneCaptureType = GetTIFFTagInt(e, 41990, -1);
  p.EXIFGainControl = GetTIFFTagInt(e, 41991, -1);
  p.EXIFContrast = GetTIFFTagInt(e, 41992, -1);
  p.EXIFSaturation = GetTIFFTagInt(e, 41993, -1);
  p.EXIFSharpness = GetTIFFTagInt(e, 41994, -1);
  p.EXIFSubjectDistanceRange = GetTIFFTagInt(e, 41996, -1);
  p.EXIFImageUniqueID = Trimmed(e, 42016);
}

// A short text of the GPS directory. Its count includes the terminating NUL, which is not part
// of the reference ("N", not "N" and a NUL).
std::string InlineText(const TTIFFDirectory& g, uint16_t tag) {
  std::string text = GetTIFFTagInlineBytes(g, tag);
  return text.substr(0, text.find('\0'));
}

void ReadGPSDirectory(const TTIFFDirectory& g, TIOParamsVals& p) {
  std::string version = GetTIFFTagInlineBytes(g, 0);
  std::string dotted;
  for (size_t i = 0; i < version.size(); ++i) {
    if (i) dotted += '.';
    dotted += std::to_string(static_cast<uint8_t>(version[i]));
  }
  p.EXIFGPSVersionID = dotted;
  p.EXIFGPSLatitudeRef = InlineText(g, 1);
  p.EXIFGPSLongitudeRef = InlineText(g, 3);
  p.EXIFGPSStatus = InlineText(g, 9);
  p.EXIFGPSMeasureMode = InlineText(g, 10);
  p.EXIFGPSSpeedRef = InlineText(g, 12);
  p.EXIFGPSTrackRef = InlineText(g, 14);
  p.EXIFGPSImgDirectionRef = InlineText(g, 16);
  p.EXIFGPSDestLatitudeRef = InlineText(g, 19);
  p.EXIFGPSDestLongitudeRef = InlineText(g, 21);
  p.EXIFGPSDestBearingRef = InlineText(g, 23);
  p.EXIFGPSDestDistanceRef = InlineText(g, 25);
  auto triple = [&](uint16_t tag, double& a, double& b, double& c) {
    a = GetTIFFTagRationalAt(g, tag, 0, 0);
    b = GetTIFFTagRationalAt(g, tag, 1, 0);
    c = GetTIFFTagRationalAt(g, tag, 2, 0);
  };
  triple(2, p.EXIFGPSLatitudeDegrees, p.EXIFGPSLatitudeMinutes, p.EXIFGPSLatitudeSeconds);
  triple(4, p.EXIFGPSLongitudeDegrees, p.EXIFGPSLongitudeMinutes, p.EXIFGPSLongitudeSeconds);
  triple(7, p.EXIFGPSTimeStampHour, p.EXIFGPSTimeStampMinute, p.EXIFGPSTimeStampSecond);
  triple(20, p.EXIFGPSDestLatitudeDegrees, p.EXIFGPSDestLatitudeMinutes, p.EXIFGPSDestLatitudeSeconds);
  triple(22, p.EXIFGPSDestLongitudeDegrees, p.EXIFGPSDestLongitudeMinutes, p.EXIFGPSDestLongitudeSeconds);
  p.EXIFGPSAltitudeRef = FindTIFFTag(g, 5) >= 0 ? std::to_string(GetTIFFTagInt(g, 5, 0)) : std::string();
  p.EXIFGPSAltitude = GetTIFFTagRational(g, 6, 0);
  p.EXIFGPSDOP = GetTIFFTagRational(g, 11, 0);
  p.EXIFGPSSpeed = GetTIFFTagRational(g, 13, 0);
  p.EXIFGPSTrack = GetTIFFTagRational(g, 15, 0);
  p.EXIFGPSImgDirection = GetTIFFTagRational(g, 17, 0);
  p.EXIFGPSDestBearing = GetTIFFTagRational(g, 24, 0);
  p.EXIFGPSDestDistance = GetTIFFTagRational(g, 26, 0);
  p.EXIFGPSSatellites = Trimmed(g, 8);
  p.EXIFGPSMapDatum = Trimmed(g, 18);
  p.EXIFGPSDateStamp = Trimmed(g, 29);
}

// Reads the tags of the image IFD into the decoding state. False when the BitsPerSample
// values differ.
bool ReadImageTags(const TTIFFDirectory& d, TTIFFVars& v, int32_t tileIndex) {
  v.LittleEndian = d.LittleEndian;
  v.TileWidth = GetTIFFTagInt(d, 322, -1);
  v.TileLength = GetTIFFTagInt(d, 323, -1);
  if (tileIndex < 0) {
    v.ImageWidth = GetTIFFTagInt(d, 256, 0);
    v.ImageLength = GetTIFFTagInt(d, 257, 0);
  } else {
    v.ImageWidth = v.TileWidth;
    v.ImageLength = v.TileLength;
  }
  std::vector<int32_t> bits;
  int32_t bitCount = GetTIFFTagIntArray(d, 258, bits);
  v.BitsPerSample = bitCount > 0 ? bits[0] : 1;
  for (int32_t i = 1; i < bitCount; ++i)
    if (bits[i] != bits[0]) return false;
  v.Compression = static_cast<uint16_t>(GetTIFFTagInt(d, 259, 1));
  v.Photometric = static_cast<uint16_t>(GetTIFFTagInt(d, 262, 2));
  v.FillOrder = GetTIFFTagInt(d, 266, 1);
  if (v.FillOrder != 1 && v.FillOrder != 2) v.FillOrder = 1;
  v.DocumentName = Trimmed(d, 269);
  v.ImageDescription = Trimmed(d, 270);
  GetTIFFTagIntArray(d, 273, v.StripOffsets);
  v.Orientation = static_cast<uint16_t>(GetTIFFTagInt(d, 274, 1));
  v.SamplesPerPixel = GetTIFFTagInt(d, 277, 1);
  // Any value below one (a count of 2^31 or more reads negative) means one strip.
  int32_t rowsPerStrip = std::min(GetTIFFTagInt(d, 278, v.ImageLength), v.ImageLength);
  v.RowsPerStrip = rowsPerStrip < 1 ? v.ImageLength : rowsPerStrip;
  GetTIFFTagIntArray(d, 279, v.StripByteCounts);
  v.XResolution = GetTIFFTagRational(d, 282, IEDefaultDpiX);
  v.YResolution = GetTIFFTagRational(d, 283, IEDefaultDpiY);
  v.PlanarConfig = static_cast<uint16_t>(GetTIFFTagInt(d, 284, 1));
  v.PageName = Trimmed(d, 285);
  v.XPosition = GetTIFFTagRational(d, 286, 0);
  v.YPosition = GetTIFFTagRational(d, 287, 0);
  v.T4Options = GetTIFFTagInt(d, 292, 0);
  v.T6Options = GetTIFFTagInt(d, 293, 0);
  v.ResolutionUnit = GetTIFFTagInt(d, 296, 2);
  v.PageNumber[0] = GetTIFFTagIntAt(d, 297, 0, 0);
  v.PageNumber[1] = GetTIFFTagIntAt(d, 297, 1, 0);
  if (v.BitsPerSample >= 1 && v.BitsPerSample <= 16) {
    std::vector<int32_t> transfer;
    int32_t count = std::min(GetTIFFTagIntArray(d, 301, transfer), 3 << v.BitsPerSample);
    for (int32_t i = 0; i < count; ++i) v.TransferFunction.push_back(static_cast<uint16_t>(transfer[i]));
  }
  v.Software = Trimmed(d, 305);
  v.Artist = Trimmed(d, 315);
  v.Predictor = GetTIFFTagInt(d, 317, 1);
  v.ColorMapEntries = ReadColorMap(d, v.BitsPerSample);
  GetTIFFTagIntArray(d, 324, v.TileOffsets);
  GetTIFFTagIntArray(d, 325, v.TileByteCounts);
  v.InkSet = GetTIFFTagInt(d, 332, 1);
  v.NumberOfInks = GetTIFFTagInt(d, 334, 4);
  for (int32_t i = 0; i < 8; ++i) v.DotRange[i] = GetTIFFTagIntAt(d, 336, i, 0);
  std::vector<int32_t> extra;
  int32_t extraCount = GetTIFFTagIntArray(d, 338, extra);
  v.ExtraSample0 = extraCount > 0 ? extra[0] : 0;
  v.ExtraSampleCount = std::min(extraCount, 10);
  for (int32_t i = 0; i < v.ExtraSampleCount; ++i) v.ExtraSamples[i] = extra[i];
  GetTIFFTagBlock(d, 347, v.JPEGTables);
  v.JPEGProc = GetTIFFTagInt(d, 512, 0);
  v.JPEGInterchangeFormat = GetTIFFTagInt(d, 513, 0);
  v.JPEGInterchangeFormatLength = GetTIFFTagInt(d, 514, 0);
  v.JPEGRestartInterval = GetTIFFTagInt(d, 515, 0);
  int32_t tables = std::clamp(v.SamplesPerPixel, 0, 7);
  for (int32_t i = 0; i < tables; ++i) {
    v.JPEGLosslessPredictors[i] = GetTIFFTagIntAt(d, 517, i, 0);
    v.JPEGPointTransforms[i] = GetTIFFTagIntAt(d, 518, i, 0);
    v.JPEGQTables[i] = GetTIFFTagIntAt(d, 519, i, 0);
    v.JPEGDCTables[i] = GetTIFFTagIntAt(d, 520, i, 0);
    v.JPEGACTables[i] = GetTIFFTagIntAt(d, 521, i, 0);
  }
  for (int32_t i = 0; i < 2; ++i) {
    v.YCbCrSubsampling[i] = GetTIFFTagIntAt(d, 530, i, 2);
    if (v.YCbCrSubsampling[i] == 0) v.YCbCrSubsampling[i] = 2;
  }
  // Bilevel images without a photometric tag (or one saying RGB) are white-is-zero faxes.
  if (v.SamplesPerPixel == 1 && v.BitsPerSample == 1 && v.Compression >= 1 && v.Compression <= 4 &&
      v.Photometric == 2)
    v.Photometric = 0;
  return true;
}

uint8_t MapCompression(const TTIFFVars& v) {
  switch (v.Compression) {
    case 1: return 0;
    case 2: return 1;
    case 3: return (v.T4Options & 1) ? 3 : 2;
    case 4: return 4;
    case 5: return 5;
    case 6: return 6;
    case 7: return 7;
    case 8: return 10;
    case 32773: return 8;
    case 32946: return 9;
    default: return 11;
  }
}

void FillParameters(const TTIFFDirectory& d, const TTIFFDirectory* exif, const TTIFFDirectory* gps, TTIFFVars& v,
                    TIOParamsVals& p, int32_t numImages) {
  p.BitsPerSample = v.BitsPerSample;
  p.SamplesPerPixel = v.SamplesPerPixel;
  p.Width = v.ImageWidth;
  p.Height = v.ImageLength;
  p.StoredWidth = v.ImageWidth;
  p.StoredHeight = v.ImageLength;
  p.TIFFByteOrder = d.LittleEndian != 0;
  p.SetImageCount(numImages);
  p.SetTIFFOrientation(v.Orientation);
  p.TIFFCompression = MapCompression(v);
  if (v.Photometric <= 6)
    p.TIFFPhotometric = static_cast<uint8_t>(v.Photometric);
  else if (v.Photometric == 8)
    p.TIFFPhotometric = 7;
  p.TIFFPlanarConfig = v.PlanarConfig;
  p.TIFFDocumentName = v.DocumentName;
  p.TIFFImageDescription = v.ImageDescription;
  p.TIFFPageName = v.PageName;
  p.TIFFPageNumber = v.PageNumber[0];
  p.TIFFPageCount = v.PageNumber[1];
  p.TIFFFillOrder = v.FillOrder;

  p.EXIFImageDescription = v.ImageDescription;
  p.EXIFMake = Trimmed(d, 271);
  p.EXIFModel = Trimmed(d, 272);
  p.SetEXIFOrientation(v.Orientation);
  p.EXIFResolutionUnit = v.ResolutionUnit;
  p.EXIFSoftware = v.Software;
  p.EXIFArtist = v.Artist;
  p.EXIFDateTime = Trimmed(d, 306);
  for (int32_t i = 0; i < 2; ++i) p.SetEXIFWhitePoint(i, GetTIFFTagRationalAt(d, 318, i, -1));
  for (int32_t i = 0; i < 6; ++i) p.SetEXIFPrimaryChromaticities(i, GetTIFFTagRationalAt(d, 319, i, -1));
  for (int32_t i = 0; i < 3; ++i) p.SetEXIFYCbCrCoefficients(i, GetTIFFTagRationalAt(d, 529, i, -1));
  p.EXIFYCbCrPositioning = GetTIFFTagInt(d, 531, -1);
  for (int32_t i = 0; i < 6; ++i) p.SetEXIFReferenceBlackWhite(i, GetTIFFTagRationalAt(d, 532, i, -1));
  p.EXIFRightsNotice = Trimmed(d, 33432);
  p.EXIFXPRating = GetTIFFTagInt(d, 18246, -1);
  p.EXIFXPTitle = GetTIFFTagWideString(d, 40091);
  p.EXIFXPComment = GetTIFFTagWideString(d, 40092);
  p.EXIFXPAuthor = GetTIFFTagWideString(d, 40093);
  p.EXIFXPKeywords = GetTIFFTagWideString(d, 40094);
  p.EXIFXPSubject = GetTIFFTagWideString(d, 40095);

  p.XMPPacket.clear();
  int32_t xmp = FindTIFFTag(d, 700);
  if (xmp >= 0 && (d.Entries[xmp].Type == ttByte || d.Entries[xmp].Type == ttUndefined))
    p.XMPPacket = GetTIFFTagInlineBytes(d, 700);

  std::vector<uint8_t> block;
  if (GetTIFFTagBlock(d, 32932, block))
    p.GetImagingAnnot()->LoadFromBuffer(block.data(), static_cast<int32_t>(block.size()));
  if (GetTIFFTagBlock(d, 33723, block))
    p.IPTCInfoList.LoadFromBuffer(block.data(), static_cast<int32_t>(block.size()));
  else
    p.IPTCInfoList.Clear();
  if (GetTIFFTagBlock(d, 34675, block))
    p.GetInputICCProfile()->LoadFromBuffer(block.data(), static_cast<int32_t>(block.size()));

  if (exif) ReadExifDirectory(*exif, p);
  if (gps) ReadGPSDirectory(*gps, p);

  p.FreeColorMap();
  if (!v.ColorMapEntries.empty()) {
    p.ColorMap = v.ColorMapEntries;
    p.ColorMapCount = static_cast<int32_t>(v.ColorMapEntries.size());
  }

  const double factor = v.ResolutionUnit == 3 ? 2.54 : 1.0;
  p.SetDpiX(RoundToInt32(v.XResolution * factor));
  p.SetDpiY(RoundToInt32(v.YResolution * factor));
  if (p.DpiX == 0) p.SetDpiX(IEDefaultDpiX);
  if (p.DpiY == 0) p.SetDpiY(IEDefaultDpiY);
  p.SetEXIFXResolution(v.XResolution * factor);
  p.SetEXIFYResolution(v.YResolution * factor);
  p.TIFFHorizPosition = TruncToInt32(v.XPosition * factor);
  p.TIFFVertPosition = TruncToInt32(v.YPosition * factor);
}

// Only an extra sample marked as alpha is one: unspecified extra samples (the further bands of
// multi-band pictures) would otherwise turn most of the picture transparent.
bool HasAlpha(const TTIFFVars& v) { return TIFFAlphaSample(v) >= 0; }

TIEPixelFormat ChoosePixelFormat(const TTIFFVars& v, bool keepNative) {
  const int32_t b = v.BitsPerSample, s = v.SamplesPerPixel, p = v.Photometric;
  if (b == 1 && s == 1 && p != 3) return ie1g;
  if (!keepNative) return ie24RGB;
  if (b == 8 && s == 1 && p == 3) return ie8p;
  if (b == 8 && s == 1 && p <= 1) return ie8g;
  if (b == 16 && s == 1 && p <= 1) return ie16g;
  if (b == 8 && s > 3 && p == 5) return ieCMYK;
  if (b == 16 && s == 4 && p == 5) return ieCMYK;
  if (b == 16 && s == 3 && p == 2) return ieRGB48;
  return ie24RGB;
}

// Sizes a damaged file may claim are refused before memory is taken for them. Worked out in
// floating point, so that no product of header values can wrap. Uncompressed samples come from
// the stream byte for byte: a few bytes claiming hundreds of megabytes would only make the
// reader fill and convert rows of nothing, so they do not get compressed data's allowance.
bool PlausibleSize(const TTIFFVars& v, TIEPixelFormat format, int64_t streamSize) {
  if (v.ImageWidth <= 0 || v.ImageLength <= 0 || v.SamplesPerPixel < 1 || v.SamplesPerPixel > 64 ||
      v.BitsPerSample < 1 || v.BitsPerSample > 64)
    return false;
  double width = double(v.ImageWidth) + std::max(v.TileWidth, 0);
  double height = double(v.ImageLength) + std::max(v.TileLength, 0);
  double bytes = width * height * std::max<double>(std::max(IEBitsPerPixel(format), 1), v.SamplesPerPixel * v.BitsPerSample) / 8;
  double limit = double(streamSize) * kMaxExpansion;
  if (v.Compression != 1) limit = std::max<double>(limit, kPlainImageBytes);
  return bytes <= limit && width < INT32_MAX / 8 && height < INT32_MAX / 8;
}

// Decoded bytes one byte of coded data can give at most, per compression scheme: a PackBits
// run makes 128 bytes of two, an LZW code of at least 9 bits stands for at most 4096 bytes, and
// deflate expands at most 1032 times. Fax codings are counted in rows instead (at least one
// bit a row); 0 for the schemes without such a bound (JPEG, whose arithmetic coding has none,
// and schemes the decoder does not know).
int64_t TIFFMostExpansion(int32_t compression) {
  switch (compression) {
    case 1: return 1;
    case 32773: return 64;
    case 5: return 4096;
    case 8: case 32946: return 1100;
    default: return 0;
  }
}

// Whether the strips or tiles, with the bytes the file really holds for them, could give a
// good part of the picture the header declares. A file of a few hundred bytes declaring a
// picture of hundreds of megabytes would otherwise have the whole picture allocated and
// cleared only to decode a few rows; it is refused instead. A complete file always passes, its
// data having made the whole picture (tiles reaching past the picture included); so does a cut
// one that keeps a sixteenth of it, and any picture of modest size.
bool DataCanFillImage(const TTIFFDirectory& d, const TTIFFVars& v, TIEPixelFormat format) {
  constexpr double kModestImageBytes = double(4 << 20);
  constexpr double kLeastShare = 16;
  const bool fax = v.Compression >= 2 && v.Compression <= 4;
  const int64_t expansion = TIFFMostExpansion(v.Compression);
  if (!fax && expansion == 0) return true;
  // An embedded JPEG stands in for the strips whatever the compression says.
  if (v.JPEGInterchangeFormat != 0 && v.Compression != 5) return true;
  const bool tiled = v.TileWidth > 0 || v.TileLength > 0;
  if (tiled && (v.TileWidth <= 0 || v.TileLength <= 0)) return true;  // refused by the decoder
  const double bits = std::max(v.BitsPerSample, 1);
  const double pixelBits = std::max<double>(v.SamplesPerPixel, 1) * bits;
  // Edge tiles get room past the picture, so tiles cost the padded size.
  const double width = double(v.ImageWidth) + (tiled ? v.TileWidth : 0);
  const double height = double(v.ImageLength) + (tiled ? v.TileLength : 0);
  const double declared = width * height * pixelBits / 8;
  if (std::max(declared, width * height * IEBitsPerPixel(format) / 8) <= kModestImageBytes) return true;
  const double planeBits = v.PlanarConfig == 2 ? bits : pixelBits;
  const int32_t pieceWidth = tiled ? v.TileWidth : v.ImageWidth;
  const int32_t pieceRows = tiled ? v.TileLength : std::max(v.RowsPerStrip, 1);
  const double rowBytes = std::ceil(double(pieceWidth) * planeBits / 8);
  const std::vector<int32_t>& offsets = tiled && !v.TileOffsets.empty() ? v.TileOffsets : v.StripOffsets;
  const std::vector<int32_t>& counts = tiled && !v.TileOffsets.empty() ? v.TileByteCounts : v.StripByteCounts;
  const int64_t size = d.Stream->Size();
  size_t first = 0, last = offsets.size();
  if (tiled && v.Params && v.Params->TIFFTileIndex >= 0) {
    first = size_t(v.Params->TIFFTileIndex);
    last = std::min(last, first + 1);
  }
  double deliverable = 0;
  for (size_t i = first; i < last && deliverable * kLeastShare < declared; ++i) {
    // As the strip reader takes it: a count missing or past the end stands for the rest of the file.
    const int64_t position = d.BaseOffset + int64_t(offsets[i]);
    if (offsets[i] < 0 || position < 0 || position >= size) continue;
    int64_t count = i < counts.size() ? counts[i] : 0;
    if (count <= 0 || count > size - position) count = size - position;
    // A fax row takes at least one bit, whatever its width.
    deliverable += fax ? std::min<double>(pieceRows, double(count) * 8) * rowBytes
                       : std::min<double>(pieceRows * rowBytes, double(count) * expansion);
  }
  return deliverable * kLeastShare >= declared;
}

// Restores the bitmap's access mode on every exit.
struct AccessScope {
  AccessScope(TIEBitmap* bitmap, uint8_t access) : bitmap(bitmap), saved(bitmap->Access()) { bitmap->SetAccess(access); }
  ~AccessScope() { bitmap->SetAccess(saved); }
  TIEBitmap* bitmap;
  uint8_t saved;
};

// Releases the colour transform the decode may have prepared, on every exit.
struct TransformScope {
  explicit TransformScope(TIOParamsVals& params) : params(params) {}
  ~TransformScope() {
    if (params.InputICCProfile && params.InputICCProfile->HasTransform()) params.InputICCProfile->FreeTransform();
  }
  TIOParamsVals& params;
};

void DecodeImage(const TTIFFDirectory& d, TTIFFVars& v, TIEBitmap* bitmap, TIOParamsVals& params,
                 TCodecProgress& progress, bool isThumbnail) {
  AccessScope access(bitmap, 2);
  if (isThumbnail && (v.ImageWidth > kMaxThumbnailSize || v.ImageLength > kMaxThumbnailSize)) {
    progress.Abort();
    return;
  }
  if ((v.Compression == 6 || (v.JPEGInterchangeFormat != 0 && v.Compression != 5)) && v.JPEGProc < 2) {
    // Strips need the size from the tags; a single embedded JPEG (the usual EXIF thumbnail,
    // often stored without size tags) brings its own.
    if (!v.StripByteCounts.empty() && !PlausibleSize(v, ie24RGB, d.Stream->Size())) {
      progress.Abort();
      return;
    }
    ReadTIFFOldJPEG(d, v, bitmap, progress);
    if (isThumbnail && (bitmap->Width() > kMaxThumbnailSize || bitmap->Height() > kMaxThumbnailSize)) {
      bitmap->FreeImage(true);
      progress.Abort();
    }
    return;
  }
  const TIEPixelFormat format = ChoosePixelFormat(v, params.KeepNativePixelFormat);
  if (!PlausibleSize(v, format, d.Stream->Size()) || !bitmap->AllocateToOverwrite(v.ImageWidth, v.ImageLength, format)) {
    progress.Abort();
    return;
  }
  // Rows a damaged strip does not reach stay black rather than whatever the memory held (the
  // one clearing pass: the allocation leaves a reused block as it was).
  bitmap->Fill(0);
  if (format == ie8p) {
    for (size_t i = 0; i < v.ColorMapEntries.size() && i < 256; ++i)
      bitmap->SetPaletteColor(static_cast<int32_t>(i), v.ColorMapEntries[i]);
  }
  if (v.TileWidth > 0 || v.TileLength > 0) {
    if (v.TileOffsets.empty()) {
      v.TileOffsets = v.StripOffsets;
      v.TileByteCounts = v.StripByteCounts;
    }
    ReadTIFFTiles(d, v, bitmap, progress);
  } else if (v.StripOffsets.empty()) {
    progress.Abort();
    return;
  } else {
    ReadTIFFStrips(d, v, bitmap, progress);
  }
  if (params.TIFFEnableAdjustOrientation) ApplyExifOrientation(bitmap, v.Orientation);
}

}  // namespace

void ReadTIFFStream(TIEBitmap* Bitmap, vcl::TStream* Stream, int32_t& NumImages, TIOParamsVals& Params,
                    TCodecProgress& Progress, bool Preview, TIEMask*& AlphaMask, bool RelativeOffsets,
                    bool IgnoreAlpha, bool IsThumbnail) {
  NumImages = 0;
  const int64_t base = RelativeOffsets ? Stream->Position() : 0;
  uint8_t header[8];
  if (Stream->Read(header, 8) != 8) {
    Progress.Abort();
    return;
  }
  TTIFFDirectory image;
  image.Stream = Stream;
  image.BaseOffset = base;
  if (header[0] == 'I' && header[1] == 'I')
    image.LittleEndian = 1;
  else if (header[0] == 'M' && header[1] == 'M')
    image.LittleEndian = 0;
  else {
    Progress.Abort();
    return;
  }
  const uint32_t firstOffset = ReadTIFF32(header + 4, image.LittleEndian == 0);
  if (firstOffset == 0) return;
  if (!LoadTIFFDirectory(Params.TIFFImageIndex, firstOffset, image, NumImages)) return;

  if (Params.TIFFSubIFDIndex >= 0) {
    int32_t subOffset = GetTIFFTagIntAt(image, 330, Params.TIFFSubIFDIndex, 0);
    if (subOffset != 0) {
      TTIFFDirectory sub;
      sub.Stream = Stream;
      sub.BaseOffset = base;
      sub.LittleEndian = image.LittleEndian;
      int32_t subCount = 0;
      if (!LoadTIFFDirectory(0, static_cast<uint32_t>(subOffset), sub, subCount)) {
        Progress.Abort();
        return;
      }
      image = std::move(sub);
    }
  }

  // The EXIF and GPS directories use the same origin as the image's: a TIFF block inside a
  // larger file counts all its offsets from its own header.
  auto loadSubDirectory = [&](uint16_t tag, std::unique_ptr<TTIFFDirectory>& target) {
    uint32_t offset = static_cast<uint32_t>(GetTIFFTagInt(image, tag, 0));
    if (offset == 0) return;
    auto directory = std::make_unique<TTIFFDirectory>();
    directory->Stream = Stream;
    directory->BaseOffset = base;
    directory->LittleEndian = image.LittleEndian;
    int32_t count = 0;
    if (LoadTIFFDirectory(0, offset, *directory, count)) target = std::move(directory);
  };
  std::unique_ptr<TTIFFDirectory> exif, gps;
  loadSubDirectory(34665, exif);
  if (exif) Params.EXIFPresent = true;
  loadSubDirectory(34853, gps);

  TTIFFVars vars;
  vars.Params = &Params;
  vars.IgnoreAlpha = IgnoreAlpha;
  if (!ReadImageTags(image, vars, Params.TIFFTileIndex)) {
    Progress.Abort();
    return;
  }
  TransformScope transform(Params);
  FillParameters(image, exif.get(), gps.get(), vars, Params, NumImages);

  if ((vars.ImageWidth == 0 || vars.ImageLength == 0) && !IsThumbnail) {
    Progress.Abort();
    return;
  }
  if (vars.Compression == 5) {
    vars.LZWDecompress = Params.TIFFLZWDecompress ? Params.TIFFLZWDecompress : IETIFFLZWDecompressProc;
    if (!vars.LZWDecompress) {
      Progress.Abort();
      return;
    }
  }
  if (Preview) return;
  if (!DataCanFillImage(image, vars, ChoosePixelFormat(vars, Params.KeepNativePixelFormat))) {
    Progress.Abort();
    return;
  }

  if (!IgnoreAlpha && vars.ImageWidth > 0 && vars.ImageLength > 0 && PlausibleSize(vars, ie8g, Stream->Size())) {
    if (HasAlpha(vars) && !AlphaMask) AlphaMask = new TIEMask();
    if (AlphaMask) {
      AlphaMask->Allocate(vars.ImageWidth, vars.ImageLength, 8);
      AlphaMask->Fill(255);
      vars.AlphaMask = AlphaMask;
    }
  }
  if (IsThumbnail) {
    Bitmap->FreeImage(false);
  }
  DecodeImage(image, vars, Bitmap, Params, Progress, IsThumbnail);
}

}  // namespace imaging
