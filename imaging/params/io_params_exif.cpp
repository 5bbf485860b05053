// The EXIF and GPS part of the parameter block: the present-tag list, the setters that keep
// it, the array accessors, the reset and the copy.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "imaging/params/io_params.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/base/number_helpers.h"

namespace imaging {

namespace {

constexpr uint8_t kAPP1 = 0xE1;

template <class T, size_t N>
void SetElement(std::array<T, N>& array, int32_t index, T value) {
  if (index >= 0 && static_cast<size_t>(index) < N) array[index] = value;
}

template <class T, size_t N>
T GetElement(const std::array<T, N>& array, int32_t index) {
  if (index >= 0 && static_cast<size_t>(index) < N) return array[index];
  return T{};
}

}  // namespace

void TIOParamsVals::AddEXIFTag(int32_t tag) {
  if (std::find(EXIFTags.begin(), EXIFTags.end(), tag) == EXIFTags.end()) EXIFTags.push_back(tag);
}

void TIOParamsVals::RemoveEXIFTag(int32_t tag) {
  auto found = std::find(EXIFTags.begin(), EXIFTags.end(), tag);
  if (found != EXIFTags.end()) EXIFTags.erase(found);
}

void TIOParamsVals::SetTrackedEXIF(double& field, double value, double absent, int32_t tag) {
  field = value;
  if (value != absent)
    AddEXIFTag(tag);
  else
    RemoveEXIFTag(tag);
}

void TIOParamsVals::SetTrackedEXIF(int32_t& field, int32_t value, int32_t absent, int32_t tag) {
  field = value;
  if (value != absent)
    AddEXIFTag(tag);
  else
    RemoveEXIFTag(tag);
}

void TIOParamsVals::SetEXIFExposureTime(double value) {
  SetTrackedEXIF(EXIFExposureTime, value, -1, exiftag::ExposureTime);
}
void TIOParamsVals::SetEXIFFNumber(double value) { SetTrackedEXIF(EXIFFNumber, value, -1, exiftag::FNumber); }
void TIOParamsVals::SetEXIFExposureProgram(int32_t value) {
  SetTrackedEXIF(EXIFExposureProgram, value, -1, exiftag::ExposureProgram);
}
void TIOParamsVals::SetEXIFCompressedBitsPerPixel(double value) {
  SetTrackedEXIF(EXIFCompressedBitsPerPixel, value, 0, exiftag::CompressedBitsPerPixel);
}
void TIOParamsVals::SetEXIFShutterSpeedValue(double value) {
  SetTrackedEXIF(EXIFShutterSpeedValue, value, -1, exiftag::ShutterSpeedValue);
}
void TIOParamsVals::SetEXIFApertureValue(double value) {
  SetTrackedEXIF(EXIFApertureValue, value, -1, exiftag::ApertureValue);
}
void TIOParamsVals::SetEXIFBrightnessValue(double value) {
  SetTrackedEXIF(EXIFBrightnessValue, value, -1000, exiftag::BrightnessValue);
}
void TIOParamsVals::SetEXIFExposureBiasValue(double value) {
  SetTrackedEXIF(EXIFExposureBiasValue, value, -1000, exiftag::ExposureBiasValue);
}
void TIOParamsVals::SetEXIFMaxApertureValue(double value) {
  SetTrackedEXIF(EXIFMaxApertureValue, value, -1000, exiftag::MaxApertureValue);
}
void TIOParamsVals::SetEXIFSubjectDistance(double value) {
  SetTrackedEXIF(EXIFSubjectDistance, value, -1, exiftag::SubjectDistance);
}
void TIOParamsVals::SetEXIFMeteringMode(int32_t value) {
  SetTrackedEXIF(EXIFMeteringMode, value, -1, exiftag::MeteringMode);
}
void TIOParamsVals::SetEXIFLightSource(int32_t value) {
  SetTrackedEXIF(EXIFLightSource, value, -1, exiftag::LightSource);
}
void TIOParamsVals::SetEXIFFlash(int32_t value) { SetTrackedEXIF(EXIFFlash, value, -1, exiftag::Flash); }
void TIOParamsVals::SetEXIFFocalLength(double value) {
  SetTrackedEXIF(EXIFFocalLength, value, -1, exiftag::FocalLength);
}
void TIOParamsVals::SetEXIFColorSpace(int32_t value) {
  SetTrackedEXIF(EXIFColorSpace, value, -1, exiftag::ColorSpace);
}
void TIOParamsVals::SetEXIFPixelXDimension(int32_t value) {
  SetTrackedEXIF(EXIFPixelXDimension, value, 0, exiftag::PixelXDimension);
}
void TIOParamsVals::SetEXIFPixelYDimension(int32_t value) {
  SetTrackedEXIF(EXIFPixelYDimension, value, 0, exiftag::PixelYDimension);
}
void TIOParamsVals::SetEXIFFocalPlaneXResolution(double value) {
  SetTrackedEXIF(EXIFFocalPlaneXResolution, value, -1, exiftag::FocalPlaneXResolution);
}
void TIOParamsVals::SetEXIFFocalPlaneYResolution(double value) {
  SetTrackedEXIF(EXIFFocalPlaneYResolution, value, -1, exiftag::FocalPlaneYResolution);
}
void TIOParamsVals::SetEXIFFocalPlaneResolutionUnit(int32_t value) {
  SetTrackedEXIF(EXIFFocalPlaneResolutionUnit, value, -1, exiftag::FocalPlaneResolutionUnit);
}
void TIOParamsVals::SetEXIFExposureIndex(double value) {
  SetTrackedEXIF(EXIFExposureIndex, value, -1, exiftag::ExposureIndex);
}
void TIOParamsVals::SetEXIFSensingMethod(int32_t value) {
  SetTrackedEXIF(EXIFSensingMethod, value, -1, exiftag::SensingMethod);
}
void TIOParamsVals::SetEXIFFileSource(int32_t value) {
  SetTrackedEXIF(EXIFFileSource, value, -1, exiftag::FileSource);
}
void TIOParamsVals::SetEXIFSceneType(int32_t value) {
  SetTrackedEXIF(EXIFSceneType, value, -1, exiftag::SceneType);
}

void TIOParamsVals::SetEXIFISOSpeedRatings(int32_t index, int32_t value) {
  SetElement(EXIFISOSpeedRatings, index, value);
}
int32_t TIOParamsVals::GetEXIFISOSpeedRatings(int32_t index) const { return GetElement(EXIFISOSpeedRatings, index); }
void TIOParamsVals::SetEXIFReferenceBlackWhite(int32_t index, double value) {
  SetElement(EXIFReferenceBlackWhite, index, value);
}
double TIOParamsVals::GetEXIFReferenceBlackWhite(int32_t index) const {
  return GetElement(EXIFReferenceBlackWhite, index);
}
void TIOParamsVals::SetEXIFWhitePoint(int32_t index, double value) { SetElement(EXIFWhitePoint, index, value); }
double TIOParamsVals::GetEXIFWhitePoint(int32_t index) const { return GetElement(EXIFWhitePoint, index); }
void TIOParamsVals::SetEXIFPrimaryChromaticities(int32_t index, double value) {
  SetElement(EXIFPrimaryChromaticities, index, value);
}
double TIOParamsVals::GetEXIFPrimaryChromaticities(int32_t index) const {
  return GetElement(EXIFPrimaryChromaticities, index);
}
void TIOParamsVals::SetEXIFYCbCrCoefficients(int32_t index, double value) {
  SetElement(EXIFYCbCrCoefficients, index, value);
}
double TIOParamsVals::GetEXIFYCbCrCoefficients(int32_t index) const {
  return GetElement(EXIFYCbCrCoefficients, index);
}

void TIOParamsVals::SetEXIFXResolution(double value) {
  SetDpiX(TruncToInt32(value));
  EXIFXResolution = value;
}

void TIOParamsVals::SetEXIFYResolution(double value) {
  SetDpiY(TruncToInt32(value));
  EXIFYResolution = value;
}

void TIOParamsVals::ResetEXIF() {
  EXIFTags.clear();
  EXIFPresent = false;
  EXIFThumbnail.reset();
  EXIFOrientation = 0;
  EXIFImageDescription.clear();
  EXIFMake.clear();
  EXIFModel.clear();
  EXIFXResolution = 0;
  EXIFYResolution = 0;
  EXIFResolutionUnit = 0;
  EXIFSoftware.clear();
  EXIFArtist.clear();
  EXIFDateTime.clear();
  EXIFWhitePoint.fill(-1);
  EXIFPrimaryChromaticities.fill(-1);
  EXIFYCbCrCoefficients.fill(-1);
  EXIFYCbCrPositioning = -1;
  EXIFReferenceBlackWhite.fill(-1);
  EXIFRightsNotice.clear();
  EXIFExposureTime = -1;
  EXIFFNumber = -1;
  EXIFExposureProgram = -1;
  EXIFISOSpeedRatings.fill(0);
  EXIFExifVersion.clear();
  EXIFDateTimeOriginal.clear();
  EXIFDateTimeDigitized.clear();
  EXIFCompressedBitsPerPixel = 0;
  EXIFShutterSpeedValue = -1;
  EXIFApertureValue = -1;
  EXIFBrightnessValue = -1000;
  EXIFExposureBiasValue = -1000;
  EXIFMaxApertureValue = -1000;
  EXIFSubjectDistance = -1;
  EXIFMeteringMode = -1;
  EXIFLightSource = -1;
  EXIFFlash = -1;
  EXIFFocalLength = -1;
  EXIFSubsecTime.clear();
  EXIFSubsecTimeOriginal.clear();
  EXIFSubsecTimeDigitized.clear();
  EXIFFlashPixVersion.clear();
  EXIFColorSpace = -1;
  EXIFPixelXDimension = 0;
  EXIFPixelYDimension = 0;
  EXIFRelatedSoundFile.clear();
  EXIFFocalPlaneXResolution = -1;
  EXIFFocalPlaneYResolution = -1;
  EXIFFocalPlaneResolutionUnit = -1;
  EXIFExposureIndex = -1;
  EXIFSensingMethod = -1;
  EXIFFileSource = -1;
  EXIFSceneType = -1;
  EXIFUserComment.clear();
  EXIFUserCommentCode.clear();
  EXIFMakerNote.Clear();
  EXIFXPRating = -1;
  EXIFXPTitle.clear();
  EXIFXPComment.clear();
  EXIFXPAuthor.clear();
  EXIFXPKeywords.clear();
  EXIFXPSubject.clear();
  EXIFExposureMode = -1;
  EXIFWhiteBalance = -1;
  EXIFDigitalZoomRatio = -1;
  EXIFFocalLengthIn35mmFilm = -1;
  EXIFSceneCaptureType = -1;
  EXIFGainControl = -1;
  EXIFContrast = -1;
  EXIFSaturation = -1;
  EXIFSharpness = -1;
  EXIFSubjectDistanceRange = -1;
  EXIFImageUniqueID.clear();

  EXIFGPSVersionID.clear();
  EXIFGPSLatitudeRef.clear();
  EXIFGPSLatitudeDegrees = 0;
  EXIFGPSLatitudeMinutes = 0;
  EXIFGPSLatitudeSeconds = 0;
  EXIFGPSLongitudeRef.clear();
  EXIFGPSLongitudeDegrees = 0;
  EXIFGPSLongitudeMinutes = 0;
  EXIFGPSLongitudeSeconds = 0;
  EXIFGPSAltitudeRef.clear();
  EXIFGPSAltitude = 0;
  EXIFGPSTimeStampHour = 0;
  EXIFGPSTimeStampMinute = 0;
  EXIFGPSTimeStampSecond = 0;
  EXIFGPSSatellites.clear();
  EXIFGPSStatus.clear();
  EXIFGPSMeasureMode.clear();
  EXIFGPSDOP = 0;
  EXIFGPSSpeedRef.clear();
  EXIFGPSSpeed = 0;
  EXIFGPSTrackRef.clear();
  EXIFGPSTrack = 0;
  EXIFGPSImgDirectionRef.clear();
  EXIFGPSImgDirection = 0;
  EXIFGPSMapDatum.clear();
  EXIFGPSDestLatitudeRef.clear();
  EXIFGPSDestLatitudeDegrees = 0;
  EXIFGPSDestLatitudeMinutes = 0;
  EXIFGPSDestLatitudeSeconds = 0;
  EXIFGPSDestLongitudeRef.clear();
  EXIFGPSDestLongitudeDegrees = 0;
  EXIFGPSDestLongitudeMinutes = 0;
  EXIFGPSDestLongitudeSeconds = 0;
  EXIFGPSDestBearingRef.clear();
  EXIFGPSDestBearing = 0;
  EXIFGPSDestDistanceRef.clear();
  EXIFGPSDestDistance = 0;
  EXIFGPSDateStamp.clear();

  // The EXIF block kept with the JPEG markers describes what was just cleared: drop it, so
  // that a save does not write the old block back. Only the first one is the image's own.
  for (int32_t i = 0; i < JPEGMarkerList.GetCount(); ++i) {
    if (JPEGMarkerList.GetMarkerType(i) == kAPP1 && JPEGMarkerList.GetMarkerLength(i) >= 4 &&
        std::memcmp(JPEGMarkerList.GetMarkerData(i), "Exif", 4) == 0) {
      JPEGMarkerList.DeleteMarker(i);
      break;
    }
  }
}

void TIOParamsVals::AssignEXIF(const TIOParamsVals& source) {
  EXIFPresent = source.EXIFPresent;
  // A copy carries the source's thumbnail or none: a thumbnail left from an earlier image would
  // be written with the copy's metadata.
  if (source.EXIFThumbnail) {
    if (!EXIFThumbnail) EXIFThumbnail = std::make_unique<TIEBitmap>();
    EXIFThumbnail->Assign(source.EXIFThumbnail.get());
  } else {
    EXIFThumbnail.reset();
  }
  AssignEXIFFields(source);
  // Both orientation fields of a copy follow the source's TIFF orientation (the one the writers
  // store), whatever the source's EXIF field holds.
  SetTIFFOrientation(source.TIFFOrientation);
}

void TIOParamsVals::AssignEXIFFields(const TIOParamsVals& source) {
  EXIFTags = source.EXIFTags;
  EXIFOrientation = source.EXIFOrientation;
  EXIFImageDescription = source.EXIFImageDescription;
  EXIFMake = source.EXIFMake;
  EXIFModel = source.EXIFModel;
  EXIFXResolution = source.EXIFXResolution;
  EXIFYResolution = source.EXIFYResolution;
  EXIFResolutionUnit = source.EXIFResolutionUnit;
  EXIFSoftware = source.EXIFSoftware;
  EXIFArtist = source.EXIFArtist;
  EXIFDateTime = source.EXIFDateTime;
  EXIFWhitePoint = source.EXIFWhitePoint;
  EXIFPrimaryChromaticities = source.EXIFPrimaryChromaticities;
  EXIFYCbCrCoefficients = source.EXIFYCbCrCoefficients;
  EXIFYCbCrPositioning = source.EXIFYCbCrPositioning;
  EXIFReferenceBlackWhite = source.EXIFReferenceBlackWhite;
  EXIFRightsNotice = source.EXIFRightsNotice;
  EXIFExposureTime = source.EXIFExposureTime;
  EXIFFNumber = source.EXIFFNumber;
  EXIFExposureProgram = source.EXIFExposureProgram;
  EXIFISOSpeedRatings = source.EXIFISOSpeedRatings;
  EXIFExifVersion = source.EXIFExifVersion;
  EXIFDateTimeOriginal = source.EXIFDateTimeOriginal;
  EXIFDateTimeDigitized = source.EXIFDateTimeDigitized;
  EXIFCompressedBitsPerPixel = source.EXIFCompressedBitsPerPixel;
  EXIFShutterSpeedValue = source.EXIFShutterSpeedValue;
  EXIFApertureValue = source.EXIFApertureValue;
  EXIFBrightnessValue = source.EXIFBrightnessValue;
  EXIFExposureBiasValue = source.EXIFExposureBiasValue;
  EXIFMaxApertureValue = source.EXIFMaxApertureValue;
  EXIFSubjectDistance = source.EXIFSubjectDistance;
  EXIFMeteringMode = source.EXIFMeteringMode;
  EXIFLightSource = source.EXIFLightSource;
  EXIFFlash = source.EXIFFlash;
  EXIFFocalLength = source.EXIFFocalLength;
  EXIFSubsecTime = source.EXIFSubsecTime;
  EXIFSubsecTimeOriginal = source.EXIFSubsecTimeOriginal;
  EXIFSubsecTimeDigitized = source.EXIFSubsecTimeDigitized;
  EXIFFlashPixVersion = source.EXIFFlashPixVersion;
  EXIFColorSpace = source.EXIFColorSpace;
  EXIFPixelXDimension = source.EXIFPixelXDimension;
  EXIFPixelYDimension = source.EXIFPixelYDimension;
  EXIFRelatedSoundFile = source.EXIFRelatedSoundFile;
  EXIFFocalPlaneXResolution = source.EXIFFocalPlaneXResolution;
  EXIFFocalPlaneYResolution = source.EXIFFocalPlaneYResolution;
  EXIFFocalPlaneResolutionUnit = source.EXIFFocalPlaneResolutionUnit;
  EXIFExposureIndex = source.EXIFExposureIndex;
  EXIFSensingMethod = source.EXIFSensingMethod;
  EXIFFileSource = source.EXIFFileSource;
  EXIFSceneType = source.EXIFSceneType;
  EXIFUserComment = source.EXIFUserComment;
  EXIFUserCommentCode = source.EXIFUserCommentCode;
  EXIFMakerNote.Assign(&source.EXIFMakerNote);
  EXIFXPRating = source.EXIFXPRating;
  EXIFXPTitle = source.EXIFXPTitle;
  EXIFXPComment = source.EXIFXPComment;
  EXIFXPAuthor = source.EXIFXPAuthor;
  EXIFXPKeywords = source.EXIFXPKeywords;
  EXIFXPSubject = source.EXIFXPSubject;
  EXIFExposureMode = source.EXIFExposureMode;
  EXIFWhiteBalance = source.EXIFWhiteBalance;
  EXIFDigitalZoomRatio = source.EXIFDigitalZoomRatio;
  EXIFFocalLengthIn35mmFilm = source.EXIFFocalLengthIn35mmFilm;
  EXIFSceneCaptureType = source.EXIFSceneCaptureType;
  EXIFGainControl = source.EXIFGainControl;
  EXIFContrast = source.EXIFContrast;
  EXIFSaturation = source.EXIFSaturation;
  EXIFSharpness = source.EXIFSharpness;
  EXIFSubjectDistanceRange = source.EXIFSubjectDistanceRange;
  EXIFImageUniqueID = source.EXIFImageUniqueID;

  EXIFGPSVersionID = source.EXIFGPSVersionID;
  EXIFGPSLatitudeRef = source.EXIFGPSLatitudeRef;
  EXIFGPSLatitudeDegrees = source.EXIFGPSLatitudeDegrees;
  EXIFGPSLatitudeMinutes = source.EXIFGPSLatitudeMinutes;
  EXIFGPSLatitudeSeconds = source.EXIFGPSLatitudeSeconds;
  EXIFGPSLongitudeRef = source.EXIFGPSLongitudeRef;
  EXIFGPSLongitudeDegrees = source.EXIFGPSLongitudeDegrees;
  EXIFGPSLongitudeMinutes = source.EXIFGPSLongitudeMinutes;
  EXIFGPSLongitudeSeconds = source.EXIFGPSLongitudeSeconds;
  EXIFGPSAltitudeRef = source.EXIFGPSAltitudeRef;
  EXIFGPSAltitude = source.EXIFGPSAltitude;
  EXIFGPSTimeStampHour = source.EXIFGPSTimeStampHour;
  EXIFGPSTimeStampMinute = source.EXIFGPSTimeStampMinute;
  EXIFGPSTimeStampSecond = source.EXIFGPSTimeStampSecond;
  EXIFGPSSatellites = source.EXIFGPSSatellites;
  EXIFGPSStatus = source.EXIFGPSStatus;
  EXIFGPSMeasureMode = source.EXIFGPSMeasureMode;
  EXIFGPSDOP = source.EXIFGPSDOP;
  EXIFGPSSpeedRef = source.EXIFGPSSpeedRef;
  EXIFGPSSpeed = source.EXIFGPSSpeed;
  EXIFGPSTrackRef = source.EXIFGPSTrackRef;
  EXIFGPSTrack = source.EXIFGPSTrack;
  EXIFGPSImgDirectionRef = source.EXIFGPSImgDirectionRef;
  EXIFGPSImgDirection = source.EXIFGPSImgDirection;
  EXIFGPSMapDatum = source.EXIFGPSMapDatum;
  EXIFGPSDestLatitudeRef = source.EXIFGPSDestLatitudeRef;
  EXIFGPSDestLatitudeDegrees = source.EXIFGPSDestLatitudeDegrees;
  EXIFGPSDestLatitudeMinutes = source.EXIFGPSDestLatitudeMinutes;
  EXIFGPSDestLatitudeSeconds = source.EXIFGPSDestLatitudeSeconds;
  EXIFGPSDestLongitudeRef = source.EXIFGPSDestLongitudeRef;
  EXIFGPSDestLongitudeDegrees = source.EXIFGPSDestLongitudeDegrees;
  EXIFGPSDestLongitudeMinutes = source.EXIFGPSDestLongitudeMinutes;
  EXIFGPSDestLongitudeSeconds = source.EXIFGPSDestLongitudeSeconds;
  EXIFGPSDestBearingRef = source.EXIFGPSDestBearingRef;
  EXIFGPSDestBearing = source.EXIFGPSDestBearing;
  EXIFGPSDestDistanceRef = source.EXIFGPSDestDistanceRef;
  EXIFGPSDestDistance = source.EXIFGPSDestDistance;
  EXIFGPSDateStamp = source.EXIFGPSDateStamp;
}

}  // namespace imaging
