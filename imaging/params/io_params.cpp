#include "imaging/params/io_params.h"

#include "imaging/params/io_settings.h"
#include "imaging/model/annotations.h"
#include "imaging/model/icc_profile.h"
#include "imaging/model/ie_bitmap.h"

namespace imaging {

TIOParamsVals::TIOParamsVals(TIOParamsOwner* owner) : IO(owner) { SetDefaultParams(); }

TIOParamsVals::~TIOParamsVals() = default;

void TIOParamsVals::SetDefaultParams() {
  FreeColorMap();
  FileName.clear();
  FileType = 0;
  BitsPerSample = 8;
  SamplesPerPixel = 3;
  KeepNativePixelFormat = false;

  // Without an owner the size and resolution stay as they are.
  if (IO) {
    int32_t width = 0;
    int32_t height = 0;
    if (IO->GetTargetPlatformBitmapSize(width, height)) {
      Width = width;
      Height = height;
    }
    SetDpiX(IEDefaultDpiX);
    SetDpiY(IEDefaultDpiY);
  }

  ImageIndex = 0;
  ImageCount = 0;
  LoadEXIFThumbnail = false;
  BMPNoFileHeader = false;
  EnableAdjustOrientation = false;

  GIFVersion = "GIF89a";
  SetImageIndex(0);
  GIFLeft = 0;
  GIFTop = 0;
  GIFDelayTime = 0;
  GIFHasTransparentColor = false;
  GIFInterlaced = false;
  GIFScreenWidth = 0;
  GIFScreenHeight = 0;
  GIFAspectByte = 0;
  GIFImageCount = 0;
  GIFTransparentColor = TRGB{0, 0, 0};
  GIFBackground = TRGB{0, 0, 0};
  GIFLZWDecompress = IEGIFLZWDecompressProc;
  GIFLZWCompress = IEGIFLZWCompressProc;
  GIFComments.Clear();
  GIFDisposal = 2;

  TIFFCompression = 0;
  TIFFPhotometric = 2;
  TIFFPlanarConfig = 1;
  TIFFSubIFDIndex = -1;
  TIFFHorizPosition = 0;
  TIFFVertPosition = 0;
  TIFFTileIndex = -1;
  TIFFDocumentName.clear();
  TIFFImageDescription.clear();
  TIFFPageName.clear();
  TIFFPageNumber = -1;
  TIFFPageCount = -1;
  SetTIFFOrientation(1);
  TIFFLZWDecompress = IETIFFLZWDecompressProc;
  TIFFLZWCompress = IETIFFLZWCompressProc;
  TIFFImageCount = 0;
  TIFFEnableAdjustOrientation = false;
  TIFFJPEGQuality = 80;
  TIFFJPEGColorSpace = 2;
  TIFFFillOrder = 1;
  TIFFDeflateLevel = 1;
  TIFFByteOrder = true;

  JPEGColorSpace = 2;
  JPEGQuality = 80;
  JPEGDCTMethod = 0;
  JPEGChromaSubsampling = 1;
  JPEGOptimalHuffman = false;
  JPEGSmoothing = 0;
  JPEGProgressive = false;
  JPEGLoadScale = 1;
  JPEGMarkerList.Clear();
  JPEGLoadScaleDenominator = 1;
  JPEGWarningCount = 0;
  JPEGLastWarningCode = 0;
  StoredWidth = 0;
  StoredHeight = 0;
  JPEGEnableAdjustOrientation = false;
  SetLoadEXIFThumbnail(false);

  J2000ColorSpace = 1;
  J2000Rate = 1.0;
  J2000ProgressionOrder = 0;
  BMPCompression = 0;
  BMPVersion = 1;
  BMPAlphaByte = false;
  PCXVersion = 5;
  PCXCompression = 1;

  ICOBackground = TRGB{255, 255, 255};
  ICOWriteSizes.fill(TIOICOSize{});
  ICOWriteSizes[0] = TIOICOSize{64, 64};
  ICOWriteBitCounts.fill(0);
  ICOWriteBitCounts[0] = 8;
  CURHotSpotX = 0;
  CURHotSpotY = 0;
  CURBackground = TRGB{255, 255, 255};

  PNGInterlaced = false;
  PNGBackground = TRGB{0, 0, 0};
  PNGFilter = 0;
  PNGCompression = 5;
  PNGTextKeys.Clear();
  PNGTextValues.Clear();
  DICOMTags.Clear();

  PSDImportLayers = false;
  PSDReplaceViewLayers = true;
  PSDReserved = false;
  HDPImageQuality = 0.9;
  HDPLossless = false;

  TGAOriginX = 0;
  TGAOriginY = 0;
  TGACompressed = true;
  TGAComment.clear();
  TGAAuthor.clear();
  TGADate = vcl::Date();
  TGAImageName.clear();
  TGABackground = TRGB{0, 0, 0};
  TGAAspectRatio = 1.0;
  TGAGamma = 2.2;
  TGAGrayscale = false;

  AVIFrameCount = 0;
  AVIFrameDelayTime = 0;
  IPTCInfoList.Clear();
  PXMComments.Clear();
  // Leaves EXIFOrientation at its absent 0 while TIFFOrientation stays 1.
  ResetEXIF();

  PSPaperWidth = 595;
  PSPaperHeight = 842;
  PSCompression = 1;
  PSTitle = "No Title";
  PDFPaperWidth = 595;
  PDFPaperHeight = 842;
  PDFCompression = 2;
  PDFTitle.clear();
  PDFAuthor.clear();
  PDFSubject.clear();
  PDFKeywords.clear();
  PDFCreator.clear();
  PDFProducer.clear();

  ImagingAnnot.reset();
  InputICCProfile.reset();
  OutputICCProfile.reset();
  DefaultICCProfile.reset();

  CameraRawHalfSize = false;
  CameraRawGamma = 0.6;
  CameraRawBrightness = 1.0;
  CameraRawRedScale = 1.0;
  CameraRawBlueScale = 1.0;
  CameraRawQuickInterpolate = true;
  CameraRawUseAutoWB = false;
  CameraRawUseCameraWB = false;
  CameraRawFourColorRGB = false;
  CameraRawOptionsText.clear();
  CameraRawReserved.clear();
  CameraRawLoadEXIFThumbnail = false;
  CameraRawMatchThumbnailColors = false;
  RawBitmapBGR = false;
  RawBitmapPlanar = 0;
  RawBitmapRowAlign = 8;
  RawBitmapHeaderSize = 0;
  RawBitmapDataFormat = 0;
  XMPPacket.clear();
}

void TIOParamsVals::ResetInfo() {
  IPTCInfoList.Clear();
  ImagingAnnot.reset();
  JPEGMarkerList.Clear();
  ResetEXIF();
  GIFComments.Clear();
  DICOMTags.Clear();
  PNGTextKeys.Clear();
  PNGTextValues.Clear();
  TIFFDocumentName.clear();
  TIFFImageDescription.clear();
  TIFFPageName.clear();
  TGAComment.clear();
  TGAAuthor.clear();
  TGAImageName.clear();
  PXMComments.Clear();
  XMPPacket.clear();
  InputICCProfile.reset();
}

void TIOParamsVals::FreeColorMap() {
  ColorMap.clear();
  ColorMap.shrink_to_fit();
  ColorMapCount = 0;
}

// A deep copy of `source` into `target`, or nothing in `target` when the source has none.
template <class T>
static void AssignOwned(std::unique_ptr<T>& target, const std::unique_ptr<T>& source) {
  if (!source) {
    target.reset();
    return;
  }
  if (!target) target = std::make_unique<T>();
  target->Assign(source.get());
}

void TIOParamsVals::Assign(const TIOParamsVals& source) {
  if (&source == this) return;

  FileName = source.FileName;
  FileType = source.FileType;
  Width = source.Width;
  Height = source.Height;
  // Through the setters, so that an attached view follows.
  SetDpiX(source.DpiX);
  SetDpiY(source.DpiY);
  ColorMapCount = source.ColorMapCount;
  KeepNativePixelFormat = source.KeepNativePixelFormat;
  ColorMap = source.ColorMap;
  // The writer settings (depths, compressions, qualities, orientation, LZW coders), then the rest.
  AssignCompressionParams(source);

  // Each index field is copied as it is: a copy must read the same page of every format.
  ImageIndex = source.ImageIndex;
  ImageCount = source.ImageCount;
  LoadEXIFThumbnail = source.LoadEXIFThumbnail;
  BMPNoFileHeader = source.BMPNoFileHeader;
  EnableAdjustOrientation = source.EnableAdjustOrientation;
  StoredWidth = source.StoredWidth;
  StoredHeight = source.StoredHeight;

  TIFFImageIndex = source.TIFFImageIndex;
  TIFFSubIFDIndex = source.TIFFSubIFDIndex;
  TIFFHorizPosition = source.TIFFHorizPosition;
  TIFFVertPosition = source.TIFFVertPosition;
  TIFFTileIndex = source.TIFFTileIndex;
  TIFFDocumentName = source.TIFFDocumentName;
  TIFFImageDescription = source.TIFFImageDescription;
  TIFFPageName = source.TIFFPageName;
  TIFFPageNumber = source.TIFFPageNumber;
  TIFFPageCount = source.TIFFPageCount;
  TIFFImageCount = source.TIFFImageCount;
  TIFFByteOrder = source.TIFFByteOrder;

  DCXImageIndex = source.DCXImageIndex;
  GIFVersion = source.GIFVersion;
  GIFImageIndex = source.GIFImageIndex;
  GIFLeft = source.GIFLeft;
  GIFTop = source.GIFTop;
  GIFDelayTime = source.GIFDelayTime;
  GIFHasTransparentColor = source.GIFHasTransparentColor;
  GIFTransparentColor = source.GIFTransparentColor;
  GIFScreenWidth = source.GIFScreenWidth;
  GIFScreenHeight = source.GIFScreenHeight;
  GIFBackground = source.GIFBackground;
  GIFAspectByte = source.GIFAspectByte;
  GIFComments.Assign(const_cast<vcl::TStringList*>(&source.GIFComments));
  GIFDisposal = source.GIFDisposal;
  GIFImageCount = source.GIFImageCount;

  JPEGLoadScale = source.JPEGLoadScale;
  JPEGMarkerList.Assign(&source.JPEGMarkerList);
  JPEGLoadScaleDenominator = source.JPEGLoadScaleDenominator;
  JPEGWarningCount = source.JPEGWarningCount;
  JPEGLastWarningCode = source.JPEGLastWarningCode;
  JPEGEnableAdjustOrientation = source.JPEGEnableAdjustOrientation;
  JPEGLoadEXIFThumbnail = source.JPEGLoadEXIFThumbnail;

  ICOBackground = source.ICOBackground;
  ICOWriteSizes = source.ICOWriteSizes;
  ICOWriteBitCounts = source.ICOWriteBitCounts;
  ICOImageIndex = source.ICOImageIndex;
  CURImageIndex = source.CURImageIndex;
  CURHotSpotX = source.CURHotSpotX;
  CURHotSpotY = source.CURHotSpotY;
  CURBackground = source.CURBackground;

  PNGBackground = source.PNGBackground;
  PNGTextKeys.Assign(const_cast<vcl::TStringList*>(&source.PNGTextKeys));
  PNGTextValues.Assign(const_cast<vcl::TStringList*>(&source.PNGTextValues));
  DICOMTags.Assign(&source.DICOMTags);

  PSDImportLayers = source.PSDImportLayers;
  PSDReplaceViewLayers = source.PSDReplaceViewLayers;
  PSDReserved = source.PSDReserved;
  HDPImageQuality = source.HDPImageQuality;
  HDPLossless = source.HDPLossless;

  TGAOriginX = source.TGAOriginX;
  TGAOriginY = source.TGAOriginY;
  TGAComment = source.TGAComment;
  TGAAuthor = source.TGAAuthor;
  TGADate = source.TGADate;
  TGAImageName = source.TGAImageName;
  TGABackground = source.TGABackground;
  TGAAspectRatio = source.TGAAspectRatio;
  TGAGamma = source.TGAGamma;

  AVIFrameCount = source.AVIFrameCount;
  AVIFrameDelayTime = source.AVIFrameDelayTime;
  IPTCInfoList.Assign(&source.IPTCInfoList);

  if (source.ImagingAnnot)
    GetImagingAnnot()->Assign(source.ImagingAnnot.get());
  else
    ImagingAnnot.reset();
  AssignOwned(InputICCProfile, source.InputICCProfile);
  AssignOwned(OutputICCProfile, source.OutputICCProfile);
  AssignOwned(DefaultICCProfile, source.DefaultICCProfile);
  PXMComments.Assign(const_cast<vcl::TStringList*>(&source.PXMComments));

  AssignEXIF(source);

  PSPaperWidth = source.PSPaperWidth;
  PSPaperHeight = source.PSPaperHeight;
  PSTitle = source.PSTitle;
  PDFPaperWidth = source.PDFPaperWidth;
  PDFPaperHeight = source.PDFPaperHeight;
  PDFTitle = source.PDFTitle;
  PDFAuthor = source.PDFAuthor;
  PDFSubject = source.PDFSubject;
  PDFKeywords = source.PDFKeywords;
  PDFCreator = source.PDFCreator;
  PDFProducer = source.PDFProducer;

  CameraRawHalfSize = source.CameraRawHalfSize;
  CameraRawGamma = source.CameraRawGamma;
  CameraRawBrightness = source.CameraRawBrightness;
  CameraRawRedScale = source.CameraRawRedScale;
  CameraRawBlueScale = source.CameraRawBlueScale;
  CameraRawQuickInterpolate = source.CameraRawQuickInterpolate;
  CameraRawUseAutoWB = source.CameraRawUseAutoWB;
  CameraRawUseCameraWB = source.CameraRawUseCameraWB;
  CameraRawFourColorRGB = source.CameraRawFourColorRGB;
  CameraRawOptionsText = source.CameraRawOptionsText;
  CameraRawLoadEXIFThumbnail = source.CameraRawLoadEXIFThumbnail;
  CameraRawMatchThumbnailColors = source.CameraRawMatchThumbnailColors;
  CameraRawReserved = source.CameraRawReserved;
  RawBitmapBGR = source.RawBitmapBGR;
  RawBitmapPlanar = source.RawBitmapPlanar;
  RawBitmapRowAlign = source.RawBitmapRowAlign;
  RawBitmapHeaderSize = source.RawBitmapHeaderSize;
  RawBitmapDataFormat = source.RawBitmapDataFormat;
  XMPPacket = source.XMPPacket;
}

void TIOParamsVals::AssignCompressionParams(const TIOParamsVals& source) {
  BitsPerSample = source.BitsPerSample;
  SamplesPerPixel = source.SamplesPerPixel;
  TIFFCompression = source.TIFFCompression;
  TIFFPhotometric = source.TIFFPhotometric;
  TIFFPlanarConfig = source.TIFFPlanarConfig;
  SetTIFFOrientation(source.TIFFOrientation);
  TIFFLZWDecompress = source.TIFFLZWDecompress;
  TIFFLZWCompress = source.TIFFLZWCompress;
  TIFFEnableAdjustOrientation = source.TIFFEnableAdjustOrientation;
  TIFFJPEGQuality = source.TIFFJPEGQuality;
  TIFFJPEGColorSpace = source.TIFFJPEGColorSpace;
  TIFFFillOrder = source.TIFFFillOrder;
  TIFFDeflateLevel = source.TIFFDeflateLevel;
  GIFInterlaced = source.GIFInterlaced;
  GIFLZWDecompress = source.GIFLZWDecompress;
  GIFLZWCompress = source.GIFLZWCompress;
  JPEGColorSpace = source.JPEGColorSpace;
  JPEGQuality = source.JPEGQuality;
  JPEGDCTMethod = source.JPEGDCTMethod;
  JPEGChromaSubsampling = source.JPEGChromaSubsampling;
  JPEGOptimalHuffman = source.JPEGOptimalHuffman;
  JPEGSmoothing = source.JPEGSmoothing;
  JPEGProgressive = source.JPEGProgressive;
  J2000ColorSpace = source.J2000ColorSpace;
  J2000Rate = source.J2000Rate;
  J2000ProgressionOrder = source.J2000ProgressionOrder;
  PCXVersion = source.PCXVersion;
  PCXCompression = source.PCXCompression;
  BMPVersion = source.BMPVersion;
  BMPCompression = source.BMPCompression;
  BMPAlphaByte = source.BMPAlphaByte;
  PNGInterlaced = source.PNGInterlaced;
  PNGFilter = source.PNGFilter;
  PNGCompression = source.PNGCompression;
  TGACompressed = source.TGACompressed;
  TGAGrayscale = source.TGAGrayscale;
  PSCompression = source.PSCompression;
  PDFCompression = source.PDFCompression;
}

void TIOParamsVals::SetImageIndex(int32_t value) {
  ImageIndex = value;
  TIFFImageIndex = value;
  DCXImageIndex = value;
  GIFImageIndex = value;
  ICOImageIndex = value;
  CURImageIndex = value;
}

void TIOParamsVals::SetImageCount(int32_t value) {
  ImageCount = value;
  TIFFImageCount = value;
  AVIFrameCount = value;
  GIFImageCount = value;
  MediaFileFrameCount = value;
}

void TIOParamsVals::SetEnableAdjustOrientation(bool value) {
  EnableAdjustOrientation = value;
  TIFFEnableAdjustOrientation = value;
  JPEGEnableAdjustOrientation = value;
}

void TIOParamsVals::SetLoadEXIFThumbnail(bool value) {
  LoadEXIFThumbnail = value;
  JPEGLoadEXIFThumbnail = value;
}

void TIOParamsVals::SetRAWLoadEXIFThumbnail(bool value) { CameraRawLoadEXIFThumbnail = value; }

void TIOParamsVals::SetTIFFOrientation(int32_t value) {
  TIFFOrientation = value;
  EXIFOrientation = value;
}

void TIOParamsVals::SetEXIFOrientation(int32_t value) { SetTIFFOrientation(value); }

void TIOParamsVals::SetDpiX(int32_t value) {
  DpiX = value;
  EXIFXResolution = value;
  if (IO) IO->DpiXChanged(value);
}

void TIOParamsVals::SetDpiY(int32_t value) {
  DpiY = value;
  EXIFYResolution = value;
  if (IO) IO->DpiYChanged(value);
}

TIEICC* TIOParamsVals::GetInputICCProfile() {
  if (!InputICCProfile) InputICCProfile = std::make_unique<TIEICC>();
  return InputICCProfile.get();
}

TIEICC* TIOParamsVals::GetOutputICCProfile() {
  if (!OutputICCProfile) {
    OutputICCProfile = std::make_unique<TIEICC>();
    OutputICCProfile->LoadStandardSRGB();
  }
  return OutputICCProfile.get();
}

TIEICC* TIOParamsVals::GetDefaultICCProfile() {
  if (!DefaultICCProfile) DefaultICCProfile = std::make_unique<TIEICC>();
  return DefaultICCProfile.get();
}

TIEImagingAnnot* TIOParamsVals::GetImagingAnnot() {
  if (!ImagingAnnot) {
    ImagingAnnot = std::make_unique<TIEImagingAnnot>();
    ImagingAnnot->Parent = this;
  }
  return ImagingAnnot.get();
}

}  // namespace imaging
