#include "imaging/codecs/hdphoto/wic_codecs.h"

#include <cstring>
#include <memory>
#include <string>

#include "imaging/base/stream_encoders.h"
#include "imaging/codecs/hdphoto/hdphoto_layer.h"
#include "imaging/codecs/hdphoto/stream_adapter.h"
#include "imaging/codecs/helper_job.h"
#include "imaging/codecs/tiff/exif_buffer.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/params/io_params.h"
#include "imaging/params/io_settings.h"
#include "vcl/runtime/streams.h"

#include <ole2.h>
#include <oleauto.h>

namespace imaging {

namespace {

// The platform's published identifiers, spelled out so that nothing depends on which of them an
// import library happens to define.
constexpr GUID kImagingFactoryClass = {0xcacaf262, 0x9370, 0x4615, {0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a}};
constexpr GUID kImagingFactoryInterface = {0xec5ec8a9, 0xc395, 0x4314, {0x9c, 0x77, 0x54, 0xd7, 0xa9, 0x35, 0xff, 0x70}};
constexpr GUID kVendorMicrosoft = {0xf0e749ca, 0xedef, 0x4589, {0xa7, 0x3a, 0xee, 0x0e, 0x62, 0x6a, 0x2a, 0x2b}};

// Container formats (what an encoder is asked for). Decoders are found by the data itself.
constexpr GUID kContainerTIFF = {0x163bcc30, 0xe2e9, 0x4f0b, {0x96, 0x1d, 0xa3, 0xe9, 0xfd, 0xb7, 0x88, 0xa3}};
constexpr GUID kContainerGIF = {0x1f8a5601, 0x7d4d, 0x4cbd, {0x9c, 0x82, 0x1b, 0xc8, 0xd4, 0xee, 0xb9, 0xa5}};
constexpr GUID kContainerJPEG = {0x19e4a5aa, 0x5662, 0x4fc5, {0xa0, 0xc0, 0x17, 0x58, 0x02, 0x8e, 0x10, 0x57}};
constexpr GUID kContainerBMP = {0x0af1d87e, 0xfcfe, 0x4188, {0xbd, 0xeb, 0xa7, 0x90, 0x64, 0x71, 0xcb, 0xe3}};
constexpr GUID kContainerICO = {0xa3a860c4, 0x338f, 0x4c17, {0x91, 0x9a, 0xfb, 0xa4, 0xb5, 0x62, 0x8f, 0x21}};
constexpr GUID kContainerPNG = {0x1b7cfaf4, 0x713f, 0x473c, {0xbb, 0xcd, 0x61, 0x37, 0x42, 0x5f, 0xae, 0xaf}};
constexpr GUID kContainerWMP = {0x57a37caa, 0x367a, 0x4540, {0x91, 0x6b, 0xf1, 0x83, 0xc5, 0x09, 0x3a, 0x4b}};

// Pixel formats: {6FDDC324-4E03-4BFE-B185-3D77768DC9xx}.
constexpr GUID PixelFormat(uint8_t last) {
  return {0x6fddc324, 0x4e03, 0x4bfe, {0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, last}};
}
constexpr GUID kFormat1bppIndexed = PixelFormat(0x01);
constexpr GUID kFormat8bppIndexed = PixelFormat(0x04);
constexpr GUID kFormatBlackWhite = PixelFormat(0x05);
constexpr GUID kFormat8bppGray = PixelFormat(0x08);
constexpr GUID kFormat16bppGray = PixelFormat(0x0b);
constexpr GUID kFormat24bppBGR = PixelFormat(0x0c);
constexpr GUID kFormat48bppRGB = PixelFormat(0x15);
constexpr GUID kFormat32bppCMYK = PixelFormat(0x1c);

bool Same(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }

// The container of a file type for reading (ICO too) or writing.
const GUID* ContainerOf(int32_t fileType, bool forReading) {
  switch (fileType) {
    case 1: return &kContainerTIFF;
    case 2: return &kContainerGIF;
    case 3: return &kContainerJPEG;
    case 5: return &kContainerBMP;
    case 6: return forReading ? &kContainerICO : nullptr;
    case 8: return &kContainerPNG;
    case 29: return &kContainerWMP;
    default: return nullptr;
  }
}

// Releases a COM object when it goes.
template <class T>
struct TReleaser {
  void operator()(T* object) const {
    if (object) object->Release();
  }
};
template <class T>
using TComPtr = std::unique_ptr<T, TReleaser<T>>;

template <class T>
void ReleaseAndClear(T*& object) {
  if (object) object->Release();
  object = nullptr;
}

IWICImagingFactory* CreateFactory() {
  IWICImagingFactory* factory = nullptr;
  if (FAILED(CoCreateInstance(kImagingFactoryClass, nullptr, CLSCTX_INPROC_SERVER, kImagingFactoryInterface,
                              reinterpret_cast<void**>(&factory))))
    return nullptr;
  return factory;
}

// "Already initialised on this thread" counts as success: it, too, is balanced on destruction.
bool InitialiseOLE() { return SUCCEEDED(OleInitialize(nullptr)); }

}  // namespace

// ---- reader ----

TIEWICReader::TIEWICReader() : DpiX(IEDefaultDpiX), DpiY(IEDefaultDpiY) {
  oleInitialised_ = InitialiseOLE();
  factory_ = CreateFactory();
}

TIEWICReader::~TIEWICReader() {
  Close();
  ReleaseAndClear(factory_);
  if (oleInitialised_) OleUninitialize();
}

void TIEWICReader::Close() {
  ReleaseAndClear(metadata_);
  ReleaseAndClear(frame_);
  ReleaseAndClear(decoder_);
  stream_ = nullptr;
  ownCodec_ = false;
}

bool TIEWICReader::Open(vcl::TStream* stream, int32_t fileType) {
  Close();
  if (fileType == kHDPhotoFileType) {
    stream_ = stream;
    streamPosition_ = stream->Position();
    ownCodec_ = true;
    return true;
  }
  const GUID* container = ContainerOf(fileType, true);
  if (!IsAvailable() || !container) return false;
  stream_ = stream;
  streamPosition_ = stream->Position();
  TComPtr<TStreamAdapter> adapter(new TStreamAdapter(stream));
  // Any vendor's decoder that takes the data will do.
  if (FAILED(factory_->CreateDecoderFromStream(adapter.get(), nullptr, WICDecodeMetadataCacheOnLoad, &decoder_)))
    decoder_ = nullptr;
  return decoder_ != nullptr;
}

int32_t TIEWICReader::GetFrameWidth() {
  if (ownCodec_) return ownWidth_;
  UINT width = 0, height = 0;
  if (!frame_ || FAILED(frame_->GetSize(&width, &height))) return 0;
  return int32_t(width);
}

int32_t TIEWICReader::GetFrameHeight() {
  if (ownCodec_) return ownHeight_;
  UINT width = 0, height = 0;
  if (!frame_ || FAILED(frame_->GetSize(&width, &height))) return 0;
  return int32_t(height);
}

bool TIEWICReader::ReadFrame(int32_t index, TIEBitmap* bitmap, TIOParamsVals* params) {
  const bool native = !params || params->KeepNativePixelFormat;
  TIEBitmap decoded;
  if (ownCodec_) {
    // HD Photo frames carry no thumbnail of their own: the frame itself is read.
    THDPhotoFrame frame;
    if (!DecodeHDPhotoFrame(ReadStreamRest(stream_), index, native, &decoded, frame)) return false;
    ownWidth_ = frame.Width;
    ownHeight_ = frame.Height;
    DpiX = frame.DpiX;
    DpiY = frame.DpiY;
  } else {
    if (!IsAvailable() || !decoder_ || index < 0) return false;
    ReleaseAndClear(metadata_);
    ReleaseAndClear(frame_);
    if (FAILED(decoder_->GetFrame(UINT(index), &frame_))) {
      frame_ = nullptr;
      return false;
    }
    if (FAILED(frame_->GetResolution(&DpiX, &DpiY))) return false;
    // Metadata are optional: a frame without a reader of them is still an image.
    if (FAILED(frame_->GetMetadataQueryReader(&metadata_))) metadata_ = nullptr;
    IWICBitmapSource* source = frame_;
    TComPtr<IWICBitmapSource> thumbnail;
    if (params && params->LoadEXIFThumbnail) {
      IWICBitmapSource* reduced = nullptr;
      if (SUCCEEDED(frame_->GetThumbnail(&reduced)) && reduced) {
        thumbnail.reset(reduced);
        source = reduced;
      }
    }
    if (!CopyFrame(source, &decoded, native)) return false;
  }

  if (params) {
    const int64_t position = stream_->Position();
    try {
      stream_->SetPosition(streamPosition_);
      ReadTIFFExif(stream_, *params);
    } catch (const vcl::Exception&) {
      // Metadata that cannot be read leave the image as good as it is.
    }
    stream_->SetPosition(position);
    const int32_t channels = decoded.ChannelCount();
    params->BitsPerSample = channels > 0 ? decoded.BitCount() / channels : 8;
    params->SamplesPerPixel = channels;
    params->StoredWidth = GetFrameWidth();
    params->StoredHeight = GetFrameHeight();
    params->Width = decoded.Width();
    params->Height = decoded.Height();
    params->SetDpiX(int32_t(DpiX));
    params->SetDpiY(int32_t(DpiY));
  }
  if (bitmap->Location() == ieTBitmap)
    bitmap->Assign(&decoded);
  else
    decoded.MoveContentTo(bitmap);
  return true;
}

bool TIEWICReader::CopyFrame(IWICBitmapSource* source, TIEBitmap* bitmap, bool native) {
  GUID format{};
  if (FAILED(source->GetPixelFormat(&format))) return false;
  GUID target = kFormat24bppBGR;
  TIEPixelFormat pixels = ie24RGB;
  struct TNative {
    const GUID& wic;
    TIEPixelFormat pixels;
  } const kept[] = {{kFormat8bppGray, ie8g}, {kFormat16bppGray, ie16g}, {kFormat48bppRGB, ieRGB48},
                    {kFormat32bppCMYK, ieCMYK}};
  const TNative* keptFormat = nullptr;
  for (const TNative& entry : kept)
    if (Same(format, entry.wic)) keptFormat = &entry;
  if (Same(format, kFormatBlackWhite)) {
    target = kFormatBlackWhite;
    pixels = ie1g;
  } else if (keptFormat && !native) {
    // The platform's converter does not turn every one of these into 24-bit colour (Wine's
    // fails on grey): they are taken as they are and converted here.
    if (!CopyFrame(source, bitmap, true)) return false;
    bitmap->ConvertTo(ie24RGB);
    return bitmap->PixelFormat() == ie24RGB;
  } else if (keptFormat) {
    target = keptFormat->wic;
    pixels = keptFormat->pixels;
  } else if (native && Same(format, kFormat1bppIndexed)) {
    target = kFormat8bppIndexed;
    pixels = ie8p;
  }

  IWICFormatConverter* converterRaw = nullptr;
  if (FAILED(factory_->CreateFormatConverter(&converterRaw)) || !converterRaw) return false;
  TComPtr<IWICFormatConverter> converter(converterRaw);
  TComPtr<IWICPalette> palette;
  if (pixels == ie8p) {
    IWICPalette* paletteRaw = nullptr;
    if (FAILED(factory_->CreatePalette(&paletteRaw)) || !paletteRaw) return false;
    palette.reset(paletteRaw);
    if (FAILED(frame_->CopyPalette(paletteRaw))) return false;
  }
  if (FAILED(converter->Initialize(source, target, WICBitmapDitherTypeNone, palette.get(), 0.0,
                                   WICBitmapPaletteTypeCustom)))
    return false;
  UINT width = 0, height = 0;
  if (FAILED(converter->GetSize(&width, &height)) || width == 0 || height == 0 || width > 0x7FFFFFFF ||
      height > 0x7FFFFFFF)
    return false;
  if (!bitmap->Allocate(int32_t(width), int32_t(height), pixels)) return false;
  bitmap->Fill(0);
  if (pixels == ie8p) {
    WICColor colours[256];
    UINT count = 0;
    if (FAILED(palette->GetColors(256, colours, &count))) return false;
    for (UINT i = 0; i < count; ++i)
      bitmap->SetPaletteColor(int32_t(i), MakeRGB(uint8_t(colours[i] >> 16), uint8_t(colours[i] >> 8), uint8_t(colours[i])));
  }
  const UINT stride = UINT(bitmap->RowLen());
  for (UINT y = 0; y < height; ++y) {
    const WICRect row = {0, INT(y), INT(width), 1};
    if (FAILED(converter->CopyPixels(&row, stride, stride, static_cast<BYTE*>(bitmap->GetScanline(int32_t(y))))))
      return false;
  }
  if (pixels == ieCMYK) {
    // The library keeps CMYK inverted.
    for (UINT y = 0; y < height; ++y) {
      auto* bytes = static_cast<uint8_t*>(bitmap->GetScanline(int32_t(y)));
      for (UINT i = 0; i < width * 4; ++i) bytes[i] = uint8_t(255 - bytes[i]);
    }
  }
  return true;
}

// ---- writer ----

TIEWICWriter::TIEWICWriter() : DpiX(IEDefaultDpiX), DpiY(IEDefaultDpiY) {
  oleInitialised_ = InitialiseOLE();
  factory_ = CreateFactory();
}

TIEWICWriter::~TIEWICWriter() {
  ReleaseAndClear(encoder_);
  ReleaseAndClear(factory_);
  if (oleInitialised_) OleUninitialize();
}

bool TIEWICWriter::CanEncode(int32_t fileType) {
  if (fileType == kHDPhotoFileType) return true;
  const GUID* container = ContainerOf(fileType, false);
  if (!IsAvailable() || !container) return false;
  IWICBitmapEncoder* encoder = nullptr;
  if (FAILED(factory_->CreateEncoder(*container, &kVendorMicrosoft, &encoder)) || !encoder) return false;
  encoder->Release();
  return true;
}

bool TIEWICWriter::Open(vcl::TStream* stream, int32_t fileType) {
  ReleaseAndClear(encoder_);
  encoded_.clear();
  ownCodec_ = fileType == kHDPhotoFileType;
  if (ownCodec_) {
    stream_ = stream;
    streamPosition_ = stream->Position();
    return true;
  }
  const GUID* container = ContainerOf(fileType, false);
  if (!IsAvailable() || !container) return false;
  stream_ = stream;
  streamPosition_ = stream->Position();
  if (FAILED(factory_->CreateEncoder(*container, &kVendorMicrosoft, &encoder_)) || !encoder_) {
    encoder_ = nullptr;
    return false;
  }
  TComPtr<TStreamAdapter> adapter(new TStreamAdapter(stream));
  if (FAILED(encoder_->Initialize(adapter.get(), WICBitmapEncoderNoCache))) {
    ReleaseAndClear(encoder_);
    return false;
  }
  return true;
}

namespace {

// One option into the encoder's property bag.
bool WriteOption(IPropertyBag2* bag, const char* name, VARTYPE type, const VARIANT& value) {
  std::u16string wide(name, name + std::strlen(name));
  PROPBAG2 option{};
  option.dwType = PROPBAG2_TYPE_DATA;
  option.vt = type;
  option.pstrName = reinterpret_cast<LPOLESTR>(wide.data());
  VARIANT copy = value;
  return SUCCEEDED(bag->Write(1, &option, &copy));
}

VARIANT FloatValue(double value) {
  VARIANT v{};
  V_VT(&v) = VT_R4;
  V_R4(&v) = float(value);
  return v;
}

VARIANT BoolValue(bool value) {
  VARIANT v{};
  V_VT(&v) = VT_BOOL;
  V_BOOL(&v) = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

VARIANT ByteValue(int32_t value) {
  VARIANT v{};
  V_VT(&v) = VT_UI1;
  V_UI1(&v) = BYTE(value);
  return v;
}

VARIANT WordValue(int32_t value) {
  VARIANT v{};
  V_VT(&v) = VT_UI2;
  V_UI2(&v) = USHORT(value);
  return v;
}

}  // namespace

bool TIEWICWriter::WriteFrame(TIEBitmap* bitmap, TIOParamsVals* params) {
  if (ownCodec_) {
    if (params) {
      DpiX = params->DpiX;
      DpiY = params->DpiY;
      ImageQuality = params->HDPImageQuality;
      Lossless = params->HDPLossless;
    }
    // The file holds one frame.
    return encoded_.empty() && EncodeHDPhoto(bitmap, DpiX, DpiY, ImageQuality, Lossless, encoded_);
  }
  if (!encoder_) return false;
  struct TFormat {
    TIEPixelFormat pixels;
    const GUID& wic;
  } const formats[] = {{ie1g, kFormatBlackWhite}, {ie8g, kFormat8bppGray},     {ie16g, kFormat16bppGray},
                       {ie24RGB, kFormat24bppBGR}, {ieCMYK, kFormat32bppCMYK}, {ieRGB48, kFormat48bppRGB}};
  const GUID* wicFormat = nullptr;
  for (const TFormat& format : formats)
    if (bitmap->PixelFormat() == format.pixels) wicFormat = &format.wic;
  if (!wicFormat || bitmap->IsEmpty()) return false;

  IWICBitmapFrameEncode* frameRaw = nullptr;
  IPropertyBag2* bagRaw = nullptr;
  if (FAILED(encoder_->CreateNewFrame(&frameRaw, &bagRaw)) || !frameRaw || !bagRaw) {
    if (frameRaw) frameRaw->Release();
    if (bagRaw) bagRaw->Release();
    return false;
  }
  TComPtr<IWICBitmapFrameEncode> frame(frameRaw);
  TComPtr<IPropertyBag2> bag(bagRaw);
  if (params) {
    DpiX = params->DpiX;
    DpiY = params->DpiY;
    ImageQuality = params->HDPImageQuality;
    Lossless = params->HDPLossless;
  }
  bool written = true;
  if (ImageQuality >= 0) written &= WriteOption(bag.get(), "ImageQuality", VT_R4, FloatValue(ImageQuality));
  if (CompressionQuality >= 0)
    written &= WriteOption(bag.get(), "CompressionQuality", VT_R4, FloatValue(CompressionQuality));
  written &= WriteOption(bag.get(), "Lossless", VT_BOOL, BoolValue(Lossless));
  if (UseCodecOptions) {
    written &= WriteOption(bag.get(), "UseCodecOptions", VT_BOOL, BoolValue(true));
    written &= WriteOption(bag.get(), "Quality", VT_UI1, ByteValue(Quality));
    written &= WriteOption(bag.get(), "Overlap", VT_UI1, ByteValue(Overlap));
    written &= WriteOption(bag.get(), "Subsampling", VT_UI1, ByteValue(Subsampling));
  }
  written &= WriteOption(bag.get(), "HorizontalTileSlices", VT_UI2, WordValue(HorizontalTileSlices));
  written &= WriteOption(bag.get(), "VerticalTileSlices", VT_UI2, WordValue(VerticalTileSlices));
  written &= WriteOption(bag.get(), "FrequencyOrder", VT_BOOL, BoolValue(FrequencyOrder));
  written &= WriteOption(bag.get(), "TiffCompressionMethod", VT_UI1, ByteValue(TiffCompressionMethod));
  if (!written) return false;

  const UINT width = UINT(bitmap->Width()), height = UINT(bitmap->Height());
  GUID format = *wicFormat;
  if (FAILED(frame->Initialize(bag.get())) || FAILED(frame->SetSize(width, height)) ||
      FAILED(frame->SetResolution(DpiX, DpiY)) || FAILED(frame->SetPixelFormat(&format)) || !Same(format, *wicFormat))
    return false;
  const UINT stride = UINT(bitmap->RowLen());
  for (UINT y = 0; y < height; ++y) {
    auto* row = static_cast<BYTE*>(bitmap->GetScanline(int32_t(y)));
    if (bitmap->PixelFormat() == ieCMYK) {
      // The platform takes CMYK as it is; the library keeps it inverted.
      std::string inverted(reinterpret_cast<const char*>(row), stride);
      for (char& c : inverted) c = char(255 - uint8_t(c));
      if (FAILED(frame->WritePixels(1, stride, stride, reinterpret_cast<BYTE*>(inverted.data())))) return false;
    } else if (FAILED(frame->WritePixels(1, stride, stride, row))) {
      return false;
    }
  }
  return SUCCEEDED(frame->Commit());
}

bool TIEWICWriter::Close() {
  if (ownCodec_) {
    ownCodec_ = false;
    if (encoded_.empty() || encoded_.size() > size_t(INT32_MAX)) return false;
    bool failed = false;
    StreamWriteChecked(stream_, failed, encoded_.data(), int32_t(encoded_.size()));
    encoded_.clear();
    return !failed;
  }
  if (!encoder_) return false;
  const bool committed = SUCCEEDED(encoder_->Commit());
  ReleaseAndClear(encoder_);
  return committed;
}

}  // namespace imaging
