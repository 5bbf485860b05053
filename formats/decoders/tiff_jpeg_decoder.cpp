#include "formats/decoders/tiff_jpeg_decoder.h"

#include <algorithm>
#include <cstring>

#include "clib/jpeg_bridge.h"
#include "vcl/runtime/sysutils.h"

namespace formats {

namespace {

// The bytes of one buffer handed to libjpeg.
struct TMemorySource {
  const uint8_t* data;
  size_t size;
  size_t position = 0;
};

int ReadMemory(void* stream, void* buffer, int count) {
  auto* source = static_cast<TMemorySource*>(stream);
  const size_t n = std::min(static_cast<size_t>(std::max(count, 0)), source->size - source->position);
  std::memcpy(buffer, source->data + source->position, n);
  source->position += n;
  return static_cast<int>(n);
}

}  // namespace

TTIFFJPEGDecoder::TTIFFJPEGDecoder(TImageProperties* properties) : properties_(properties) {}

TTIFFJPEGDecoder::~TTIFFJPEGDecoder() { jpeg_lib_reader_destroy(reader_); }

void TTIFFJPEGDecoder::RaiseLibraryError() {
  throw vcl::EInvalidGraphic(vcl::Format("JPEG error #%d", jpeg_lib_reader_error_code(reader_)));
}

// YCbCr data defaults to 2 by 2 subsampling when the image does not say; other data is not
// subsampled.
int TTIFFJPEGDecoder::HorizontalSampling() const {
  if (properties_->Scheme != scYCbCr) return 1;
  return properties_->ChromaSubsampling.size() >= 2 ? properties_->ChromaSubsampling[0] : 2;
}

int TTIFFJPEGDecoder::VerticalSampling() const {
  if (properties_->Scheme != scYCbCr) return 1;
  return properties_->ChromaSubsampling.size() >= 2 ? properties_->ChromaSubsampling[1] : 2;
}

void TTIFFJPEGDecoder::DecodeInit() {
  jpeg_lib_reader_destroy(reader_);
  reader_ = jpeg_lib_reader_create(nullptr);
  if (!reader_) throw vcl::EOutOfMemory("Out of memory");
  jpeg_lib_reader_set_strict(reader_, 1);
  const TByteArray& tables = properties_->JpegTableData;
  if (!tables.empty()) {
    TMemorySource source{tables.data(), tables.size()};
    jpeg_lib_reader_set_source(reader_, ReadMemory, &source);
    if (!jpeg_lib_reader_read_tables_only(reader_)) {
      if (jpeg_lib_reader_error_code(reader_)) RaiseLibraryError();
      throw EGraphicCompression("Bogus JPEG tables field.");
    }
  }
}

void TTIFFJPEGDecoder::DecodeEnd() {
  jpeg_lib_reader_destroy(reader_);
  reader_ = nullptr;
}

void TTIFFJPEGDecoder::Decode(const uint8_t*& source, uint8_t*& target, int32_t packedSize, int32_t unpackedSize) {
  if (!reader_) DecodeInit();
  jpeg_lib_reader_abort(reader_);
  TMemorySource strip{source, static_cast<size_t>(std::max(packedSize, 0))};
  jpeg_lib_reader_set_source(reader_, ReadMemory, &strip);
  jpeg_lib_header header{};
  if (!jpeg_lib_reader_read_header(reader_, &header)) RaiseLibraryError();

  const TImageProperties& p = *properties_;
  const bool tiled = p.ImageFlags.Contains(ifTiled);
  const bool separatePlanes = p.PlanarMode == 2;
  int64_t width, height;
  if (tiled) {
    width = p.TileCols;
    height = p.TileRows;
  } else {
    const uint32_t rowsPerStrip = p.StripRows.empty() ? p.ImageHeight : p.StripRows[0];
    width = p.ImageWidth;
    height = std::min<int64_t>(rowsPerStrip, static_cast<int64_t>(p.ImageHeight) - p.RowIndex);
  }
  const int h = HorizontalSampling(), v = VerticalSampling();
  // With separate planes the colour planes of YCbCr data (every plane after the first) are
  // stored subsampled.
  if (separatePlanes && p.Scheme == scYCbCr && p.StripTotal >= p.SampleCount && p.SampleCount > 0) {
    const uint32_t stripsPerPlane = p.StripTotal / p.SampleCount;
    if (stripsPerPlane > 0 && p.StripIndex / stripsPerPlane > 0) {
      width = (width + h - 1) / h;
      height = (height + v - 1) / v;
    }
  }
  if (header.image_width != width || header.image_height != height)
    throw EGraphicCompression("Improper JPEG strip/tile size.");
  const int expectedComponents = separatePlanes ? 1 : p.SampleCount;
  if (header.num_components != expectedComponents || (expectedComponents != 1 && expectedComponents != 3))
    throw EGraphicCompression("Improper JPEG component count.");
  if (jpeg_lib_reader_data_precision(reader_) != p.SampleBits)
    throw EGraphicCompression("Improper JPEG data precision.");
  for (int c = 0; c < header.num_components; ++c) {
    int ch = 0, cv = 0;
    jpeg_lib_reader_sampling(reader_, c, &ch, &cv);
    const bool first = c == 0 && !separatePlanes;
    if (ch != (first ? h : 1) || cv != (first ? v : 1)) throw EGraphicCompression("Improper JPEG sampling factors.");
  }

  const int colourSpace = header.num_components == 1 ? JPEG_LIB_CS_GRAYSCALE
                          : p.Scheme == scYCbCr      ? JPEG_LIB_CS_YCBCR
                                                     : JPEG_LIB_CS_RGB;
  jpeg_lib_reader_set_jpeg_color_space(reader_, colourSpace);
  const jpeg_lib_decode_options options{header.num_components == 1 ? JPEG_LIB_CS_GRAYSCALE : JPEG_LIB_CS_RGB, 1, 0};
  int outWidth = 0, outHeight = 0, outComponents = 0;
  if (!jpeg_lib_reader_start(reader_, &options, &outWidth, &outHeight, &outComponents)) RaiseLibraryError();

  const int64_t rowSize = static_cast<int64_t>(outWidth) * outComponents;
  const int64_t bytesPerLine = (!tiled && !separatePlanes && p.RowBytes > 0) ? p.RowBytes : rowSize;
  if (bytesPerLine <= 0 || unpackedSize < 0 || unpackedSize % bytesPerLine != 0)
    throw EGraphicCompression("Fractional JPEG scanline unsupported.");
  const int64_t lines = std::min<int64_t>(unpackedSize / bytesPerLine, outHeight);
  row_.resize(static_cast<size_t>(rowSize));
  uint8_t* out = target;
  for (int64_t line = 0; line < lines; ++line, out += bytesPerLine) {
    const int got = jpeg_lib_reader_read_row(reader_, row_.data());
    if (got < 0) RaiseLibraryError();
    if (got == 0) break;
    std::memcpy(out, row_.data(), static_cast<size_t>(std::min(rowSize, bytesPerLine)));
  }
  jpeg_lib_reader_abort(reader_);
}

}  // namespace formats
