// TIOParamsVals: the per-image parameter block of the image I/O. Readers fill it with what they
// find in a file (size, depth, resolution, per-format options, metadata); writers take their
// choices from it (compression, quality, colour space, metadata to embed). The block owns its
// lists, metadata containers, colour map, EXIF thumbnail, annotations and colour profiles; it
// never owns the I/O object it belongs to.
//
// Enumerated options are single bytes holding the numbers listed beside each field.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/coding/lzw_procs.h"
#include "imaging/model/colour_helpers.h"
#include "imaging/metadata/dicom_tags.h"
#include "imaging/metadata/iptc.h"
#include "imaging/metadata/jpeg_markers.h"
#include "imaging/metadata/maker_notes.h"
#include "vcl/classes/stringlist.h"
#include "vcl/runtime/sysutils.h"
#include "vcl/runtime/system.h"

namespace imaging {

class TIEBitmap;
class TIEICC;
class TIEImagingAnnot;
class TImageIO;

// What the block needs of the I/O object that owns it. The I/O object implements it; the block
// reaches its owner through nothing else.
class TIOParamsOwner {
 public:
  virtual ~TIOParamsOwner() = default;
  // The size of the platform bitmap behind the I/O object's target; false when the target has
  // none (the block then keeps its size).
  virtual bool GetTargetPlatformBitmapSize(int32_t& width, int32_t& height) = 0;
  // The block's horizontal or vertical resolution was set: an attached image view takes it
  // without repainting. The owner decides how to reach the view from the calling thread.
  virtual void DpiXChanged(int32_t dpiX) = 0;
  virtual void DpiYChanged(int32_t dpiY) = 0;
};

// One image size the icon writer produces.
struct TIOICOSize {
  int32_t Width = 0;
  int32_t Height = 0;
};

// The EXIF tag numbers whose presence the block tracks in EXIFTags.
namespace exiftag {
constexpr int32_t ExposureTime = 33434;
constexpr int32_t FNumber = 33437;
constexpr int32_t ExposureProgram = 34850;
constexpr int32_t CompressedBitsPerPixel = 37122;
constexpr int32_t ShutterSpeedValue = 37377;
constexpr int32_t ApertureValue = 37378;
constexpr int32_t BrightnessValue = 37379;
constexpr int32_t ExposureBiasValue = 37380;
constexpr int32_t MaxApertureValue = 37381;
constexpr int32_t SubjectDistance = 37382;
constexpr int32_t MeteringMode = 37383;
constexpr int32_t LightSource = 37384;
constexpr int32_t Flash = 37385;
constexpr int32_t FocalLength = 37386;
constexpr int32_t ColorSpace = 40961;
constexpr int32_t PixelXDimension = 40962;
constexpr int32_t PixelYDimension = 40963;
constexpr int32_t FocalPlaneXResolution = 41486;
constexpr int32_t FocalPlaneYResolution = 41487;
constexpr int32_t FocalPlaneResolutionUnit = 41488;
constexpr int32_t ExposureIndex = 41493;
constexpr int32_t SensingMethod = 41495;
constexpr int32_t FileSource = 41728;
constexpr int32_t SceneType = 41729;
}  // namespace exiftag

class TIOParamsVals : public vcl::TObject {
  VCL_CLASS(TIOParamsVals, vcl::TObject)
  // `owner` may be nil; it must outlive the block.
  explicit TIOParamsVals(TIOParamsOwner* owner);
  ~TIOParamsVals() override;

  // Every field to its default (also run by the constructor).
  void SetDefaultParams();
  // Forgets what describes the last file read (metadata, texts, embedded profile, EXIF); keeps
  // every option and the colour map. Run before each read.
  void ResetInfo();
  // Frees the colour map and sets ColorMapCount to 0.
  void FreeColorMap();
  // A full copy of `source` except IO and the media-file frame count and delay.
  void Assign(const TIOParamsVals& source);
  // Copies only the settings writers use.
  void AssignCompressionParams(const TIOParamsVals& source);

  // Fan-out setters: each writes a value to all the fields that describe it for the formats.
  // ImageIndex, TIFFImageIndex, DCXImageIndex, GIFImageIndex, ICOImageIndex, CURImageIndex.
  void SetImageIndex(int32_t value);
  // ImageCount, TIFFImageCount, AVIFrameCount, GIFImageCount, MediaFileFrameCount.
  void SetImageCount(int32_t value);
  // EnableAdjustOrientation, TIFFEnableAdjustOrientation, JPEGEnableAdjustOrientation.
  void SetEnableAdjustOrientation(bool value);
  // LoadEXIFThumbnail and JPEGLoadEXIFThumbnail.
  void SetLoadEXIFThumbnail(bool value);
  // CameraRawLoadEXIFThumbnail alone.
  void SetRAWLoadEXIFThumbnail(bool value);
  // Both write TIFFOrientation and EXIFOrientation.
  void SetTIFFOrientation(int32_t value);
  void SetEXIFOrientation(int32_t value);

  // DpiX and EXIFXResolution, then the owner's view (DpiY and EXIFYResolution likewise).
  void SetDpiX(int32_t value);
  void SetDpiY(int32_t value);

  // The profiles, each created empty on first request; the output profile is loaded with the
  // system sRGB profile when it is created.
  TIEICC* GetInputICCProfile();
  TIEICC* GetOutputICCProfile();
  TIEICC* GetDefaultICCProfile();
  // The imaging annotations, created on first request with this block as their parent.
  TIEImagingAnnot* GetImagingAnnot();

  // EXIF present-tag list.
  void AddEXIFTag(int32_t tag);
  void RemoveEXIFTag(int32_t tag);
  // EXIF fields back to their absent values, the thumbnail freed, and the first "Exif" APP1
  // marker removed from JPEGMarkerList.
  void ResetEXIF();

  // Setters of the EXIF fields tracked in EXIFTags: store the value, then add the tag when the
  // value differs from the field's absent value, else remove it.
  void SetEXIFExposureTime(double value);
  void SetEXIFFNumber(double value);
  void SetEXIFExposureProgram(int32_t value);
  void SetEXIFCompressedBitsPerPixel(double value);
  void SetEXIFShutterSpeedValue(double value);
  void SetEXIFApertureValue(double value);
  void SetEXIFBrightnessValue(double value);
  void SetEXIFExposureBiasValue(double value);
  void SetEXIFMaxApertureValue(double value);
  void SetEXIFSubjectDistance(double value);
  void SetEXIFMeteringMode(int32_t value);
  void SetEXIFLightSource(int32_t value);
  void SetEXIFFlash(int32_t value);
  void SetEXIFFocalLength(double value);
  void SetEXIFColorSpace(int32_t value);
  void SetEXIFPixelXDimension(int32_t value);
  void SetEXIFPixelYDimension(int32_t value);
  void SetEXIFFocalPlaneXResolution(double value);
  void SetEXIFFocalPlaneYResolution(double value);
  void SetEXIFFocalPlaneResolutionUnit(int32_t value);
  void SetEXIFExposureIndex(double value);
  void SetEXIFSensingMethod(int32_t value);
  void SetEXIFFileSource(int32_t value);
  void SetEXIFSceneType(int32_t value);

  // Element accessors of the EXIF arrays. An index outside the array is ignored by the setters
  // and reads as 0 from the getters (files carry arrays of any length).
  void SetEXIFISOSpeedRatings(int32_t index, int32_t value);
  int32_t GetEXIFISOSpeedRatings(int32_t index) const;
  void SetEXIFReferenceBlackWhite(int32_t index, double value);
  double GetEXIFReferenceBlackWhite(int32_t index) const;
  void SetEXIFWhitePoint(int32_t index, double value);
  double GetEXIFWhitePoint(int32_t index) const;
  void SetEXIFPrimaryChromaticities(int32_t index, double value);
  double GetEXIFPrimaryChromaticities(int32_t index) const;
  void SetEXIFYCbCrCoefficients(int32_t index, double value);
  double GetEXIFYCbCrCoefficients(int32_t index) const;

  // SetDpiX with the value truncated toward zero, then the exact value in EXIFXResolution
  // (Y likewise).
  void SetEXIFXResolution(double value);
  void SetEXIFYResolution(double value);

  // ---- Common ----
  TIOParamsOwner* IO = nullptr;
  int32_t BitsPerSample = 8;
  std::u16string FileName;
  int32_t SamplesPerPixel = 3;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t DpiX = 0;
  int32_t DpiY = 0;
  int32_t FileType = 0;
  int32_t ImageIndex = 0;
  int32_t ImageCount = 0;
  bool LoadEXIFThumbnail = false;
  bool BMPNoFileHeader = false;
  bool EnableAdjustOrientation = false;
  int32_t StoredWidth = 0;
  int32_t StoredHeight = 0;

  // ---- TIFF ----
  // 0 none, 1 CCITT 1D, 2 G3 1D, 3 G3 2D, 4 G4, 5 LZW, 6 old JPEG, 7 JPEG, 8 PackBits,
  // 9 deflate (32946), 10 deflate (8), 11 other (set by the reader).
  uint8_t TIFFCompression = 0;
  int32_t TIFFImageIndex = 0;
  int32_t TIFFSubIFDIndex = -1;  // -1: the page itself
  // 0 WhiteIsZero, 1 BlackIsZero, 2 RGB, 3 palette, 4 mask, 5 CMYK, 6 YCbCr, 7 CIELab.
  uint8_t TIFFPhotometric = 2;
  int32_t TIFFPlanarConfig = 1;
  int32_t TIFFHorizPosition = 0;
  int32_t TIFFVertPosition = 0;
  int32_t TIFFTileIndex = -1;  // -1: the whole image
  std::string TIFFDocumentName;
  std::string TIFFImageDescription;
  std::string TIFFPageName;
  int32_t TIFFPageNumber = -1;
  int32_t TIFFPageCount = -1;
  int32_t TIFFOrientation = 1;
  // Nil falls back to the library-wide coder.
  TTIFFLZWDecompressProc TIFFLZWDecompress = nullptr;
  TTIFFLZWCompressProc TIFFLZWCompress = nullptr;
  bool TIFFEnableAdjustOrientation = false;
  int32_t TIFFJPEGQuality = 80;
  uint8_t TIFFJPEGColorSpace = 2;  // as JPEGColorSpace
  int32_t TIFFDeflateLevel = 1;    // 0 fastest, 1 default, 2 best
  int32_t TIFFImageCount = 0;
  int32_t TIFFFillOrder = 1;
  bool TIFFByteOrder = true;  // true little-endian ("II")

  // ---- DCX and GIF ----
  int32_t DCXImageIndex = 0;
  std::string GIFVersion = "GIF89a";
  int32_t GIFImageIndex = 0;
  int32_t GIFLeft = 0;
  int32_t GIFTop = 0;
  int32_t GIFDelayTime = 0;  // hundredths of a second
  bool GIFHasTransparentColor = false;
  TRGB GIFTransparentColor{0, 0, 0};
  bool GIFInterlaced = false;
  int32_t GIFScreenWidth = 0;
  int32_t GIFScreenHeight = 0;
  TRGB GIFBackground{0, 0, 0};
  int32_t GIFAspectByte = 0;
  vcl::TStringList GIFComments;
  uint8_t GIFDisposal = 2;
  TGIFLZWDecompressProc GIFLZWDecompress = nullptr;
  TGIFLZWCompressProc GIFLZWCompress = nullptr;
  int32_t GIFImageCount = 0;

  // ---- JPEG ----
  uint8_t JPEGColorSpace = 2;  // 0 RGB, 1 grey, 2 YCbCr, 3 CMYK, 4 YCbCrK
  int32_t JPEGQuality = 80;
  uint8_t JPEGDCTMethod = 0;          // 0 ISLOW, 1 IFAST, 2 FLOAT
  uint8_t JPEGChromaSubsampling = 1;  // 0 2x1, 1 2x2, 2 none
  bool JPEGOptimalHuffman = false;
  int32_t JPEGSmoothing = 0;
  bool JPEGProgressive = false;
  uint8_t JPEGLoadScale = 1;  // 0 automatic, 1 full, 2 half, 3 quarter, 4 eighth
  TIEMarkerList JPEGMarkerList;
  int32_t JPEGLoadScaleDenominator = 1;
  int32_t JPEGWarningCount = 0;     // libjpeg warnings of the last read
  int32_t JPEGLastWarningCode = 0;  // libjpeg message code of the last warning
  bool JPEGEnableAdjustOrientation = false;
  bool JPEGLoadEXIFThumbnail = false;

  // ---- JPEG 2000, PCX, BMP, icons, cursors ----
  uint8_t J2000ColorSpace = 1;  // 0 grey, 1 RGB, 2 YCbCr
  double J2000Rate = 1.0;
  uint8_t J2000ProgressionOrder = 0;  // 0 LRCP, 1 RLCP
  int32_t PCXVersion = 5;
  uint8_t PCXCompression = 1;  // 0 none, 1 run-length
  uint8_t BMPVersion = 1;      // 1 Windows 40-byte, 2 OS/2 1.x, 3 OS/2 2.x, 0 other
  uint8_t BMPCompression = 0;  // 0 none, 1 run-length
  bool BMPAlphaByte = false;
  int32_t ICOImageIndex = 0;
  TRGB ICOBackground{255, 255, 255};
  int32_t CURImageIndex = 0;
  int32_t CURHotSpotX = 0;
  int32_t CURHotSpotY = 0;
  TRGB CURBackground{255, 255, 255};

  // ---- PNG, DICOM, TGA, IPTC, annotations, PXM ----
  bool PNGInterlaced = false;
  TRGB PNGBackground{0, 0, 0};
  uint8_t PNGFilter = 0;
  int32_t PNGCompression = 5;
  vcl::TStringList PNGTextKeys;
  vcl::TStringList PNGTextValues;
  TIEDICOMTags DICOMTags;
  int32_t TGAOriginX = 0;
  int32_t TGAOriginY = 0;
  bool TGACompressed = true;
  std::string TGAComment;
  std::string TGAAuthor;
  vcl::TDateTime TGADate = 0;
  std::string TGAImageName;
  TRGB TGABackground{0, 0, 0};
  double TGAAspectRatio = 1.0;
  double TGAGamma = 2.2;
  bool TGAGrayscale = false;
  TIEIPTCInfoList IPTCInfoList;
  std::unique_ptr<TIEImagingAnnot> ImagingAnnot;  // nil until GetImagingAnnot
  vcl::TStringList PXMComments;

  // ---- EXIF (absent values in the comments) ----
  std::vector<int32_t> EXIFTags;  // tags of the setter-managed fields that hold a value
  bool EXIFPresent = false;
  int32_t EXIFOrientation = 0;
  std::unique_ptr<TIEBitmap> EXIFThumbnail;  // nil when none
  std::string EXIFImageDescription;
  std::string EXIFMake;
  std::string EXIFModel;
  double EXIFXResolution = 0;
  double EXIFYResolution = 0;
  int32_t EXIFResolutionUnit = 0;
  std::string EXIFSoftware;
  std::string EXIFArtist;
  std::string EXIFDateTime;
  std::array<double, 2> EXIFWhitePoint{-1, -1};
  std::array<double, 6> EXIFPrimaryChromaticities{-1, -1, -1, -1, -1, -1};
  std::array<double, 3> EXIFYCbCrCoefficients{-1, -1, -1};
  int32_t EXIFYCbCrPositioning = -1;
  std::array<double, 6> EXIFReferenceBlackWhite{-1, -1, -1, -1, -1, -1};
  std::string EXIFRightsNotice;
  double EXIFExposureTime = -1;
  double EXIFFNumber = -1;
  int32_t EXIFExposureProgram = -1;
  std::array<int32_t, 2> EXIFISOSpeedRatings{0, 0};
  std::string EXIFExifVersion;
  std::string EXIFDateTimeOriginal;
  std::string EXIFDateTimeDigitized;
  double EXIFCompressedBitsPerPixel = 0;
  double EXIFShutterSpeedValue = -1;
  double EXIFApertureValue = -1;
  double EXIFBrightnessValue = -1000;
  double EXIFExposureBiasValue = -1000;
  double EXIFMaxApertureValue = -1000;
  double EXIFSubjectDistance = -1;
  int32_t EXIFMeteringMode = -1;
  int32_t EXIFLightSource = -1;
  int32_t EXIFFlash = -1;
  double EXIFFocalLength = -1;
  std::string EXIFSubsecTime;
  std::string EXIFSubsecTimeOriginal;
  std::string EXIFSubsecTimeDigitized;
  std::string EXIFFlashPixVersion;
  int32_t EXIFColorSpace = -1;
  int32_t EXIFPixelXDimension = 0;
  int32_t EXIFPixelYDimension = 0;
  std::string EXIFRelatedSoundFile;
  double EXIFFocalPlaneXResolution = -1;
  double EXIFFocalPlaneYResolution = -1;
  int32_t EXIFFocalPlaneResolutionUnit = -1;
  double EXIFExposureIndex = -1;
  int32_t EXIFSensingMethod = -1;
  int32_t EXIFFileSource = -1;
  int32_t EXIFSceneType = -1;
  std::u16string EXIFUserComment;
  std::string EXIFUserCommentCode;  // "ASCII", "UNICODE", "JIS" or empty
  TIETagsHandler EXIFMakerNote;
  int32_t EXIFXPRating = -1;
  std::u16string EXIFXPTitle;
  std::u16string EXIFXPComment;
  std::u16string EXIFXPAuthor;
  std::u16string EXIFXPKeywords;
  std::u16string EXIFXPSubject;
  int32_t EXIFExposureMode = -1;
  int32_t EXIFWhiteBalance = -1;
  double EXIFDigitalZoomRatio = -1;
  int32_t EXIFFocalLengthIn35mmFilm = -1;
  int32_t EXIFSceneCaptureType = -1;
  int32_t EXIFGainControl = -1;
  int32_t EXIFContrast = -1;
  int32_t EXIFSaturation = -1;
  int32_t EXIFSharpness = -1;
  int32_t EXIFSubjectDistanceRange = -1;
  std::string EXIFImageUniqueID;

  // ---- GPS (empty texts and 0 when absent; written only with a version) ----
  std::string EXIFGPSVersionID;
  std::string EXIFGPSLatitudeRef;
  double EXIFGPSLatitudeDegrees = 0;
  double EXIFGPSLatitudeMinutes = 0;
  double EXIFGPSLatitudeSeconds = 0;
  std::string EXIFGPSLongitudeRef;
  double EXIFGPSLongitudeDegrees = 0;
  double EXIFGPSLongitudeMinutes = 0;
  double EXIFGPSLongitudeSeconds = 0;
  std::string EXIFGPSAltitudeRef;
  double EXIFGPSAltitude = 0;
  double EXIFGPSTimeStampHour = 0;
  double EXIFGPSTimeStampMinute = 0;
  double EXIFGPSTimeStampSecond = 0;
  std::string EXIFGPSSatellites;
  std::string EXIFGPSStatus;
  std::string EXIFGPSMeasureMode;
  double EXIFGPSDOP = 0;
  std::string EXIFGPSSpeedRef;
  double EXIFGPSSpeed = 0;
  std::string EXIFGPSTrackRef;
  double EXIFGPSTrack = 0;
  std::string EXIFGPSImgDirectionRef;
  double EXIFGPSImgDirection = 0;
  std::string EXIFGPSMapDatum;
  std::string EXIFGPSDestLatitudeRef;
  double EXIFGPSDestLatitudeDegrees = 0;
  double EXIFGPSDestLatitudeMinutes = 0;
  double EXIFGPSDestLatitudeSeconds = 0;
  std::string EXIFGPSDestLongitudeRef;
  double EXIFGPSDestLongitudeDegrees = 0;
  double EXIFGPSDestLongitudeMinutes = 0;
  double EXIFGPSDestLongitudeSeconds = 0;
  std::string EXIFGPSDestBearingRef;
  double EXIFGPSDestBearing = 0;
  std::string EXIFGPSDestDistanceRef;
  double EXIFGPSDestDistance = 0;
  std::string EXIFGPSDateStamp;

  // ---- AVI, media files, PostScript, PDF ----
  int32_t AVIFrameCount = 0;
  int32_t AVIFrameDelayTime = 0;  // milliseconds
  int32_t MediaFileFrameCount = 0;
  int32_t MediaFileFrameDelayTime = 0;
  int32_t PSPaperWidth = 595;
  int32_t PSPaperHeight = 842;
  uint8_t PSCompression = 1;
  std::string PSTitle = "No Title";
  int32_t PDFPaperWidth = 595;
  int32_t PDFPaperHeight = 842;
  uint8_t PDFCompression = 2;
  std::string PDFTitle;
  std::string PDFAuthor;
  std::string PDFSubject;
  std::string PDFKeywords;
  std::string PDFCreator;
  std::string PDFProducer;

  // ---- Camera raw and headerless raw ----
  bool CameraRawHalfSize = false;
  double CameraRawGamma = 0.6;
  double CameraRawBrightness = 1.0;
  double CameraRawRedScale = 1.0;
  double CameraRawBlueScale = 1.0;
  bool CameraRawQuickInterpolate = true;
  bool CameraRawUseAutoWB = false;
  bool CameraRawUseCameraWB = false;
  bool CameraRawFourColorRGB = false;
  std::string CameraRawOptionsText;
  bool CameraRawLoadEXIFThumbnail = false;
  bool CameraRawMatchThumbnailColors = false;
  std::string CameraRawReserved;
  bool RawBitmapBGR = false;
  uint8_t RawBitmapPlanar = 0;  // 0 interleaved, 1 planar
  int32_t RawBitmapRowAlign = 8;
  int32_t RawBitmapHeaderSize = 0;
  uint8_t RawBitmapDataFormat = 0;  // 0 binary, 1 and 2 text forms

  // ---- PSD, HD Photo, XMP, pixel format, palette, icon writer, profiles ----
  bool PSDImportLayers = false;
  bool PSDReplaceViewLayers = true;
  bool PSDReserved = false;
  double HDPImageQuality = 0.9;
  bool HDPLossless = false;
  std::string XMPPacket;
  bool KeepNativePixelFormat = false;
  // The palette of the file read; readers set it together with ColorMapCount (FreeColorMap,
  // then ColorMapCount entries). Empty when there is none.
  std::vector<TRGB> ColorMap;
  int32_t ColorMapCount = 0;
  // The list ends at the first entry whose width is not positive.
  std::array<TIOICOSize, 16> ICOWriteSizes{};
  std::array<int32_t, 16> ICOWriteBitCounts{};
  std::unique_ptr<TIEICC> InputICCProfile;    // nil until requested
  std::unique_ptr<TIEICC> OutputICCProfile;   // nil until requested
  std::unique_ptr<TIEICC> DefaultICCProfile;  // nil until requested

  // Copies the EXIF and GPS values of the source (tags, texts, numbers, arrays, comments, the
  // maker note and the present-tag list), but neither the thumbnail nor the EXIFPresent flag.
  void AssignEXIFFields(const TIOParamsVals& source);

 private:
  void SetTrackedEXIF(double& field, double value, double absent, int32_t tag);
  void SetTrackedEXIF(int32_t& field, int32_t value, int32_t absent, int32_t tag);
  void AssignEXIF(const TIOParamsVals& source);
};

}  // namespace imaging
