#include "vcl/graphics/jpeg.h"

#include <algorithm>
#include <cstring>

#include "vcl/runtime/exceptions.h"
#include "clib/jpeg_bridge.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/sysutils.h"

namespace vcl {

namespace {

[[noreturn]] void JpegError(int code) { throw EInvalidGraphic(Format("JPEG error #%d", code)); }

// A picture made without a palette of its own is shown in grey levels.
HPALETTE GreyPalette() {
  std::vector<uint8_t> buffer(sizeof(LOGPALETTE) + 256 * sizeof(PALETTEENTRY));
  auto* log = reinterpret_cast<LOGPALETTE*>(buffer.data());
  log->palVersion = 0x300;
  log->palNumEntries = 256;
  for (int i = 0; i < 256; ++i) log->palPalEntry[i] = PALETTEENTRY{BYTE(i), BYTE(i), BYTE(i), 0};
  return CreatePalette(log);
}

HPALETTE PaletteOf(const jpeg_lib_mem_info& info) {
  std::vector<uint8_t> buffer(sizeof(LOGPALETTE) + 256 * sizeof(PALETTEENTRY));
  auto* log = reinterpret_cast<LOGPALETTE*>(buffer.data());
  log->palVersion = 0x300;
  log->palNumEntries = WORD(info.palette_size);
  for (int i = 0; i < info.palette_size; ++i)
    log->palPalEntry[i] = PALETTEENTRY{info.palette[i][0], info.palette[i][1], info.palette[i][2], 0};
  return CreatePalette(log);
}

}  // namespace

TJPEGImage::TJPEGImage() = default;
TJPEGImage::~TJPEGImage() = default;

// ---- settings --------------------------------------------------------------------------------

void TJPEGImage::DecodingChanged() {
  // Without a file the bitmap is the picture itself and must stay.
  if (!data_.empty()) bitmap_.reset();
  SetPaletteModified(true);
  Changed(this);
}

void TJPEGImage::SetCompressionQuality(int quality) { quality_ = std::clamp(quality, 1, 100); }

void TJPEGImage::SetGrayscale(bool value) {
  if (value == grayscale_) return;
  grayscale_ = value;
  DecodingChanged();
}

void TJPEGImage::SetScale(TJPEGScale scale) {
  if (scale == scale_) return;
  scale_ = scale;
  DecodingChanged();
}

void TJPEGImage::SetPerformance(TJPEGPerformance performance) {
  if (performance == performance_) return;
  performance_ = performance;
  DecodingChanged();
}

void TJPEGImage::SetPixelFormat(TJPEGPixelFormat format) {
  if (format == pixelFormat_) return;
  pixelFormat_ = format;
  DecodingChanged();
}

void TJPEGImage::SetSmoothing(bool value) {
  if (value == smoothing_) return;
  smoothing_ = value;
  DecodingChanged();
}

// ---- decoding and encoding -------------------------------------------------------------------

std::unique_ptr<TBitmap> TJPEGImage::Decode(const std::vector<uint8_t>& data) const {
  jpeg_lib_mem_decode_options options{};
  options.scale_denom = 1 << scale_;
  options.grayscale = grayscale_;
  options.quantize_colors = pixelFormat_ == jf8Bit ? 256 : 0;
  options.two_pass_quantize = performance_ == jpBestQuality;
  options.fast = performance_ == jpBestSpeed;
  options.block_smoothing = smoothing_;

  jpeg_lib_mem_info info;
  if (int code = jpeg_lib_mem_read_info(data.data(), data.size(), &options, &info)) JpegError(code);
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetPixelFormat(info.channels == 1 ? pf8bit : pf24bit);
  bitmap->SetSize(info.width, info.height);
  // The rows go straight into the bitmap, which keeps them bottom-up.
  auto* top = static_cast<unsigned char*>(bitmap->ScanLine(0));
  ptrdiff_t step = info.height > 1 ? static_cast<unsigned char*>(bitmap->ScanLine(1)) - top : 0;
  if (int code = jpeg_lib_mem_decode(data.data(), data.size(), &options, &info, top, step)) JpegError(code);
  if (info.channels == 1) bitmap->SetPalette(info.palette_size ? PaletteOf(info) : GreyPalette());
  return bitmap;
}

void TJPEGImage::DIBNeeded() {
  if (bitmap_ || data_.empty()) return;
  bitmap_ = Decode(data_);
}

void TJPEGImage::JPEGNeeded() {
  if (data_.empty() && bitmap_ && !bitmap_->Empty()) Compress();
}

void TJPEGImage::Compress() {
  if (!bitmap_ || bitmap_->Empty()) return;
  // The encoder takes rows of blue, green and red bytes.
  TBitmap* source = bitmap_.get();
  TBitmap converted;
  if (source->PixelFormat() != pf24bit) {
    converted.Assign(source);
    converted.SetPixelFormat(pf24bit);
    source = &converted;
  }
  auto* top = static_cast<const unsigned char*>(source->ScanLine(0));
  ptrdiff_t step = source->Height() > 1 ? static_cast<const unsigned char*>(source->ScanLine(1)) - top : 0;
  jpeg_lib_mem_encode_options options{quality_, progressive_, grayscale_, 0};
  unsigned char* out = nullptr;
  size_t size = 0;
  if (int code = jpeg_lib_mem_encode(top, step, source->Width(), source->Height(), 3, &options, &out, &size))
    JpegError(code);
  data_.assign(out, out + size);
  jpeg_lib_mem_free(out);
}

// ---- the graphic -----------------------------------------------------------------------------

int TJPEGImage::Width() const {
  if (bitmap_) return bitmap_->Width();
  if (data_.empty()) return 0;
  jpeg_lib_mem_decode_options options{};
  options.scale_denom = 1 << scale_;
  jpeg_lib_mem_info info;
  return jpeg_lib_mem_read_info(data_.data(), data_.size(), &options, &info) == 0 ? info.width : 0;
}

int TJPEGImage::Height() const {
  if (bitmap_) return bitmap_->Height();
  if (data_.empty()) return 0;
  jpeg_lib_mem_decode_options options{};
  options.scale_denom = 1 << scale_;
  jpeg_lib_mem_info info;
  return jpeg_lib_mem_read_info(data_.data(), data_.size(), &options, &info) == 0 ? info.height : 0;
}

bool TJPEGImage::Empty() const { return data_.empty() && (!bitmap_ || bitmap_->Empty()); }

HPALETTE TJPEGImage::Palette() {
  DIBNeeded();
  return bitmap_ ? bitmap_->Palette() : nullptr;
}

void TJPEGImage::Draw(TCanvas* canvas, const TRect& rect) {
  DIBNeeded();
  if (bitmap_) canvas->StretchDraw(rect, bitmap_.get());
}

void TJPEGImage::Assign(TPersistent* source) {
  if (auto* other = dynamic_cast<TJPEGImage*>(source)) {
    if (other == this) return;
    data_ = other->data_;
    quality_ = other->quality_;
    grayscale_ = other->grayscale_;
    progressive_ = other->progressive_;
    scale_ = other->scale_;
    performance_ = other->performance_;
    pixelFormat_ = other->pixelFormat_;
    smoothing_ = other->smoothing_;
    bitmap_.reset();
    if (data_.empty() && other->bitmap_) {
      bitmap_ = std::make_unique<TBitmap>();
      bitmap_->Assign(other->bitmap_.get());
    }
    SetPaletteModified(true);
    Changed(this);
  } else if (auto* bitmap = dynamic_cast<TBitmap*>(source)) {
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(bitmap);
    data_.clear();
    bitmap_ = std::move(copy);
    SetPaletteModified(true);
    Changed(this);
  } else {
    inherited::Assign(source);
  }
}

void TJPEGImage::AssignTo(TPersistent* dest) {
  auto* bitmap = dynamic_cast<TBitmap*>(dest);
  if (!bitmap) return inherited::AssignTo(dest);
  DIBNeeded();
  bitmap->Assign(bitmap_.get());
}

// ---- streams and the clipboard ---------------------------------------------------------------

void TJPEGImage::LoadFromStream(TStream* stream) {
  int64_t size = stream->Size() - stream->Position();
  if (size < 0 || size > 0x7FFFFFFF) JpegError(jpeg_lib_truncated_code());
  std::vector<uint8_t> data(static_cast<size_t>(size));
  if (size) stream->ReadBuffer(data.data(), static_cast<int32_t>(size));
  // Decoded at once, so that a damaged file is reported here and not when it is drawn.
  std::unique_ptr<TBitmap> bitmap = Decode(data);
  data_ = std::move(data);
  bitmap_ = std::move(bitmap);
  SetPaletteModified(true);
  Changed(this);
}

void TJPEGImage::SaveToStream(TStream* stream) {
  JPEGNeeded();
  if (!data_.empty()) stream->WriteBuffer(data_.data(), static_cast<int32_t>(data_.size()));
}

void TJPEGImage::LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) {
  TBitmap bitmap;
  bitmap.LoadFromClipboardFormat(format, data, palette);
  Assign(&bitmap);
}

void TJPEGImage::SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette) {
  DIBNeeded();
  TBitmap empty;
  (bitmap_ ? bitmap_.get() : &empty)->SaveToClipboardFormat(format, data, palette);
}

void TJPEGImage::ReadData(TStream* stream) {
  int32_t size;
  stream->ReadBuffer(&size, sizeof size);
  if (size < 0 || size > stream->Size() - stream->Position()) JpegError(jpeg_lib_truncated_code());
  TMemoryStream data;
  if (size) data.CopyFrom(stream, size);
  data.SetPosition(0);
  LoadFromStream(&data);
}

void TJPEGImage::WriteData(TStream* stream) {
  JPEGNeeded();
  int32_t size = static_cast<int32_t>(data_.size());
  stream->WriteBuffer(&size, sizeof size);
  if (size) stream->WriteBuffer(data_.data(), size);
}

}  // namespace vcl
