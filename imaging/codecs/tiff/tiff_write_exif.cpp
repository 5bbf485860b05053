#include "imaging/codecs/tiff/tiff_write_exif.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "imaging/codecs/tiff/tiff_write_entries.h"
#include "imaging/params/io_params.h"

namespace imaging {

namespace {

bool InTagList(const TIOParamsVals& params, int32_t tag) {
  return std::find(params.EXIFTags.begin(), params.EXIFTags.end(), tag) != params.EXIFTags.end();
}

template <size_t N>
bool AnyGiven(const std::array<double, N>& values) {
  return std::any_of(values.begin(), values.end(), [](double v) { return v != -1; });
}

template <size_t N>
std::vector<double> ToVector(const std::array<double, N>& values) {
  return std::vector<double>(values.begin(), values.end());
}

void ShortIfGiven(TIFFEntryList& list, uint16_t tag, int32_t value) {
  if (value != -1) list.AddTIFFShortTag(tag, static_cast<uint16_t>(value));
}

// The version texts ("0220") are four characters held inline.
void InlineVersion(TIFFEntryList& list, uint16_t tag, const std::string& text, uint16_t type) {
  if (text.empty()) return;
  std::string bytes = text.substr(0, 4);
  if (type == tiffUndefined) {
    list.WriteTIFFDataTag(tag, tiffUndefined, static_cast<uint32_t>(bytes.size()), bytes.data(),
                          int64_t(bytes.size()));
  } else {
    list.AddTIFFInlineByteTag(tag, bytes);
  }
}

// UserComment: an 8-byte character code, then the text. The code names how the text is
// stored: "UNICODE" as UTF-16 with a closing zero word, "ASCII" as single bytes with a closing
// zero; an empty code means "UNICODE". Other codes (JIS, unknown) cannot be stored from a wide
// text faithfully, so the comment is written under the undefined code (eight zero bytes) as
// UTF-16, which readers show as undefined-coded data rather than misreading it.
void WriteUserComment(TIFFEntryList& list, const TIOParamsVals& params) {
  const std::u16string& text = params.EXIFUserComment;
  if (text.empty()) return;
  const std::string code = params.EXIFUserCommentCode.empty() ? "UNICODE" : params.EXIFUserCommentCode;
  std::vector<uint8_t> data(8, 0);
  if (code == "ASCII") {
    std::copy_n("ASCII", 5, data.begin());
    for (char16_t c : text) data.push_back(static_cast<uint8_t>(c));
    data.push_back(0);
  } else {
    if (code == "UNICODE") std::copy_n("UNICODE", 7, data.begin());
    for (char16_t c : text) {
      data.push_back(static_cast<uint8_t>(c));
      data.push_back(static_cast<uint8_t>(c >> 8));
    }
    data.push_back(0);
    data.push_back(0);
  }
  list.WriteTIFFDataTag(37510, tiffUndefined, static_cast<uint32_t>(data.size()), data.data(),
                        int64_t(data.size()));
}

// The maker note keeps its own layout; the handler writes it in the file's byte order.
void WriteMakerNote(TIFFOutput& output, TIFFEntryList& list, TIOParamsVals& params) {
  if (params.EXIFMakerNote.RawSize() < 13) return;
  output.Align();
  const uint32_t offset = output.Offset();
  const int32_t written = params.EXIFMakerNote.WriteToStream(&output, true);
  if (written > 0) list.AddTIFFOffsetTag(37500, tiffUndefined, static_cast<uint32_t>(written), offset);
}

// "2.2.0.0" -> bytes 2, 2, 0, 0 (at most four numbers).
std::string GPSVersionBytes(const std::string& text) {
  std::string bytes;
  size_t start = 0;
  while (bytes.size() < 4 && start <= text.size()) {
    const size_t dot = text.find('.', start);
    const std::string part = text.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
    bytes.push_back(static_cast<char>(std::atoi(part.c_str())));
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  return bytes;
}

uint32_t WriteGPSIFD(TIFFOutput& output, const TIOParamsVals& p) {
  TIFFEntryList gps(output);
  gps.AddTIFFInlineByteTag(0, GPSVersionBytes(p.EXIFGPSVersionID));
  const std::pair<uint16_t, const std::string*> references[] = {
      {1, &p.EXIFGPSLatitudeRef},     {3, &p.EXIFGPSLongitudeRef},    {9, &p.EXIFGPSStatus},
      {10, &p.EXIFGPSMeasureMode},    {12, &p.EXIFGPSSpeedRef},       {14, &p.EXIFGPSTrackRef},
      {16, &p.EXIFGPSImgDirectionRef}, {19, &p.EXIFGPSDestLatitudeRef}, {21, &p.EXIFGPSDestLongitudeRef},
      {23, &p.EXIFGPSDestBearingRef}, {25, &p.EXIFGPSDestDistanceRef}};
  for (const auto& [tag, text] : references)
    if (!text->empty()) gps.AddTIFFInlineAsciiTag(tag, *text);
  gps.WriteTIFFRationalsTag(2, {p.EXIFGPSLatitudeDegrees, p.EXIFGPSLatitudeMinutes, p.EXIFGPSLatitudeSeconds});
  gps.WriteTIFFRationalsTag(4, {p.EXIFGPSLongitudeDegrees, p.EXIFGPSLongitudeMinutes, p.EXIFGPSLongitudeSeconds});
  gps.WriteTIFFRationalsTag(7, {p.EXIFGPSTimeStampHour, p.EXIFGPSTimeStampMinute, p.EXIFGPSTimeStampSecond});
  gps.WriteTIFFRationalsTag(
      20, {p.EXIFGPSDestLatitudeDegrees, p.EXIFGPSDestLatitudeMinutes, p.EXIFGPSDestLatitudeSeconds});
  gps.WriteTIFFRationalsTag(
      22, {p.EXIFGPSDestLongitudeDegrees, p.EXIFGPSDestLongitudeMinutes, p.EXIFGPSDestLongitudeSeconds});
  const std::pair<uint16_t, double> rationals[] = {{6, p.EXIFGPSAltitude}, {11, p.EXIFGPSDOP},
                                                   {13, p.EXIFGPSSpeed},   {15, p.EXIFGPSTrack},
                                                   {17, p.EXIFGPSImgDirection}, {24, p.EXIFGPSDestBearing},
                                                   {26, p.EXIFGPSDestDistance}};
  for (const auto& [tag, value] : rationals) gps.WriteTIFFRationalTag(tag, value);
  gps.AddTIFFByteTag(5, static_cast<uint8_t>(std::atoi(p.EXIFGPSAltitudeRef.c_str())));
  gps.WriteTIFFAsciiTag(8, p.EXIFGPSSatellites);
  gps.WriteTIFFAsciiTag(18, p.EXIFGPSMapDatum);
  gps.WriteTIFFAsciiTag(29, p.EXIFGPSDateStamp);
  return gps.WriteDirectory(0);
}

void AddMainDirectoryTags(TIFFEntryList& main, const TIOParamsVals& p) {
  main.WriteTIFFAsciiTag(270, p.EXIFImageDescription);
  if (p.EXIFXResolution != 0) main.WriteTIFFRationalTag(282, p.EXIFXResolution);
  if (p.EXIFYResolution != 0) main.WriteTIFFRationalTag(283, p.EXIFYResolution);
  main.AddTIFFShortTag(274, static_cast<uint16_t>(p.TIFFOrientation));
  main.AddTIFFShortTag(296, 2);
  main.WriteTIFFAsciiTag(305, p.EXIFSoftware);
  if (p.EXIFXPRating >= 0) main.AddTIFFShortTag(18246, static_cast<uint16_t>(p.EXIFXPRating));
  const std::pair<uint16_t, const std::u16string*> xpTexts[] = {{40091, &p.EXIFXPTitle},
                                                                {40092, &p.EXIFXPComment},
                                                                {40093, &p.EXIFXPAuthor},
                                                                {40094, &p.EXIFXPKeywords},
                                                                {40095, &p.EXIFXPSubject}};
  for (const auto& [tag, text] : xpTexts)
    if (!text->empty()) main.WriteTIFFWideTag(tag, *text);
  main.WriteTIFFAsciiTag(315, p.EXIFArtist);
  main.WriteTIFFAsciiTag(271, p.EXIFMake);
  main.WriteTIFFAsciiTag(272, p.EXIFModel);
  main.WriteTIFFAsciiTag(306, p.EXIFDateTime);
  if (AnyGiven(p.EXIFWhitePoint)) main.WriteTIFFRationalsTag(318, ToVector(p.EXIFWhitePoint));
  if (p.EXIFYCbCrPositioning != 0 && p.EXIFYCbCrPositioning != -1)
    main.AddTIFFShortTag(531, static_cast<uint16_t>(p.EXIFYCbCrPositioning));
  if (AnyGiven(p.EXIFPrimaryChromaticities)) main.WriteTIFFRationalsTag(319, ToVector(p.EXIFPrimaryChromaticities));
  if (AnyGiven(p.EXIFYCbCrCoefficients)) main.WriteTIFFRationalsTag(529, ToVector(p.EXIFYCbCrCoefficients));
  if (AnyGiven(p.EXIFReferenceBlackWhite)) main.WriteTIFFRationalsTag(532, ToVector(p.EXIFReferenceBlackWhite));
  main.WriteTIFFAsciiTag(33432, p.EXIFRightsNotice);
}

void AddExifDirectoryTags(TIFFOutput& output, TIFFEntryList& exif, TIOParamsVals& p) {
  // The numeric tags whose presence the block tracks; the signed ones (APEX values that go
  // below zero) are SRATIONAL, as EXIF defines them.
  struct TrackedRational {
    uint16_t tag;
    double value;
    bool isSigned;
  };
  const TrackedRational rationals[] = {
      {33434, p.EXIFExposureTime, false},       {33437, p.EXIFFNumber, false},
      {37122, p.EXIFCompressedBitsPerPixel, false}, {37377, p.EXIFShutterSpeedValue, true},
      {37378, p.EXIFApertureValue, false},      {37379, p.EXIFBrightnessValue, true},
      {37380, p.EXIFExposureBiasValue, true},   {37381, p.EXIFMaxApertureValue, false},
      {37382, p.EXIFSubjectDistance, false},    {37386, p.EXIFFocalLength, false},
      {41486, p.EXIFFocalPlaneXResolution, false}, {41487, p.EXIFFocalPlaneYResolution, false},
      {41493, p.EXIFExposureIndex, false}};
  for (const auto& r : rationals)
    if (InTagList(p, r.tag)) exif.WriteTIFFRationalTag(r.tag, r.value, r.isSigned);
  const std::pair<uint16_t, int32_t> shorts[] = {
      {34850, p.EXIFExposureProgram}, {37383, p.EXIFMeteringMode},  {37384, p.EXIFLightSource},
      {37385, p.EXIFFlash},           {40961, p.EXIFColorSpace},    {40962, p.EXIFPixelXDimension},
      {40963, p.EXIFPixelYDimension}, {41488, p.EXIFFocalPlaneResolutionUnit}, {41495, p.EXIFSensingMethod}};
  for (const auto& [tag, value] : shorts)
    if (InTagList(p, tag)) exif.AddTIFFShortTag(tag, static_cast<uint16_t>(value));
  if (InTagList(p, 41728)) exif.AddTIFFUndefinedTag(41728, static_cast<uint8_t>(p.EXIFFileSource));
  if (InTagList(p, 41729)) exif.AddTIFFUndefinedTag(41729, static_cast<uint8_t>(p.EXIFSceneType));

  if (p.EXIFISOSpeedRatings[1] != 0) {
    exif.WriteTIFFShortsTag(34855, {static_cast<uint16_t>(p.EXIFISOSpeedRatings[0]),
                                    static_cast<uint16_t>(p.EXIFISOSpeedRatings[1])});
  } else if (p.EXIFISOSpeedRatings[0] != 0) {
    exif.AddTIFFShortTag(34855, static_cast<uint16_t>(p.EXIFISOSpeedRatings[0]));
  }
  InlineVersion(exif, 36864, p.EXIFExifVersion, tiffUndefined);
  const std::pair<uint16_t, const std::string*> texts[] = {
      {36867, &p.EXIFDateTimeOriginal}, {36868, &p.EXIFDateTimeDigitized}, {37520, &p.EXIFSubsecTime},
      {37521, &p.EXIFSubsecTimeOriginal}, {37522, &p.EXIFSubsecTimeDigitized},
      {40964, &p.EXIFRelatedSoundFile}, {42016, &p.EXIFImageUniqueID}};
  for (const auto& [tag, text] : texts) exif.WriteTIFFAsciiTag(tag, *text);
  InlineVersion(exif, 40960, p.EXIFFlashPixVersion, tiffUndefined);
  const std::pair<uint16_t, int32_t> optionalShorts[] = {
      {41986, p.EXIFExposureMode},     {41987, p.EXIFWhiteBalance},   {41989, p.EXIFFocalLengthIn35mmFilm},
      {41990, p.EXIFSceneCaptureType}, {41991, p.EXIFGainControl},    {41992, p.EXIFContrast},
      {41993, p.EXIFSaturation},       {41994, p.EXIFSharpness},      {41996, p.EXIFSubjectDistanceRange}};
  for (const auto& [tag, value] : optionalShorts) ShortIfGiven(exif, tag, value);
  if (p.EXIFDigitalZoomRatio != -1) exif.WriteTIFFRationalTag(41988, p.EXIFDigitalZoomRatio);
  WriteUserComment(exif, p);
  WriteMakerNote(output, exif, p);
}

}  // namespace

void WriteEXIFIFD(TIFFOutput& output, TIFFEntryList& mainEntries, TIOParamsVals& params) {
  AddMainDirectoryTags(mainEntries, params);
  TIFFEntryList exif(output);
  AddExifDirectoryTags(output, exif, params);
  mainEntries.AddTIFFLongTag(34665, exif.WriteDirectory(0));
  if (!params.EXIFGPSVersionID.empty()) mainEntries.AddTIFFLongTag(34853, WriteGPSIFD(output, params));
}

}  // namespace imaging
