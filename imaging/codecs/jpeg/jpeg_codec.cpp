#include "imaging/codecs/jpeg/jpeg_codec.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <memory>
#include <vector>

#include "imaging/codecs/tiff/exif_buffer.h"
#include "clib/jpeg_bridge.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/colour_conversion.h"
#include "imaging/params/io_params.h"
#include "imaging/params/io_settings.h"
#include "imaging/base/buffered_read_stream.h"
#include "imaging/model/exif_orientation.h"
#include "imaging/model/icc_profile.h"
#include "imaging/base/number_helpers.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/metadata/xmp_packet.h"
#include "vcl/runtime/byte_order.h"

namespace imaging {

namespace {

constexpr int32_t kSearchWindow = 150;    // positions tried for the start of a datastream
constexpr int32_t kLastTableMessage = 123;  // the message codes whose texts the codec reports
constexpr uint8_t kMarkerAPP0 = 0xE0;
constexpr uint8_t kMarkerAPP1 = 0xE1;
constexpr uint8_t kMarkerAPP2 = 0xE2;
constexpr uint8_t kMarkerAPP13 = 0xED;
constexpr uint8_t kMarkerAPP14 = 0xEE;

// A stream seen from libjpeg's side: a failure of the stream is kept here and raised again
// once libjpeg has been left and cleaned up.
struct TStreamSide {
  vcl::TStream* stream;
  std::exception_ptr failure;
};

int ReadJPEGSource(void* side, void* buffer, int count) noexcept {
  auto* s = static_cast<TStreamSide*>(side);
  try {
    int32_t read = s->stream->Read(buffer, count);
    return read < 0 ? 0 : read;
  } catch (...) {
    s->failure = std::current_exception();
    return -1;
  }
}

int WriteJPEGTarget(void* side, const void* buffer, int count) noexcept {
  auto* s = static_cast<TStreamSide*>(side);
  try {
    int32_t written = s->stream->Write(buffer, count);
    return written < 0 ? 0 : written;
  } catch (...) {
    s->failure = std::current_exception();
    return -1;
  }
}

// For the decompressor wrappers, whose callers see a stream failure as libjpeg's read error.
int ReadFromStreamDirect(void* stream, void* buffer, int count) noexcept {
  try {
    int32_t read = static_cast<vcl::TStream*>(stream)->Read(buffer, count);
    return read < 0 ? 0 : read;
  } catch (...) {
    return -1;
  }
}

// The bridge sets no flag itself: it calls back, and the flag, which another thread may read
// or set to cancel, is set atomically here.
void RaiseAborting(void* flag) { static_cast<std::atomic<bool>*>(flag)->store(true); }
jpeg_lib_flag BridgeFlag(std::atomic<bool>* flag) { return {RaiseAborting, flag}; }

struct TReaderDeleter {
  void operator()(jpeg_lib_reader* reader) const { jpeg_lib_reader_destroy(reader); }
};
struct TWriterDeleter {
  void operator()(jpeg_lib_writer* writer) const { jpeg_lib_writer_destroy(writer); }
};

void InvertBytes(uint8_t* bytes, int32_t count) {
  for (int32_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(255 - bytes[i]);
}

// Reports Trunc(Val x Per1) when it differs from the last value reported.
void ReportRows(TCodecProgress& progress, int32_t& lastPercent) {
  if (!progress.OnProgressCode) return;
  int32_t percent = static_cast<int32_t>(progress.Val * progress.Per1);
  if (percent != lastPercent) {
    lastPercent = percent;
    progress.Report(percent);
  }
}

// The denominator of a reduced-size load (1, 2, 4 or 8); 0 leaves libjpeg's default (1).
int32_t LoadScaleDenominator(const TIOParamsVals& params, int32_t imageWidth, int32_t imageHeight) {
  switch (params.JPEGLoadScale) {
    case 0: {
      // The smallest decode that still covers the wished size.
      if (params.Width <= 0 || params.Height <= 0) return 1;
      for (int32_t denominator : {8, 4, 2})
        if (imageWidth / denominator >= params.Width && imageHeight / denominator >= params.Height)
          return denominator;
      return 1;
    }
    case 1: return 1;
    case 2: return 2;
    case 3: return 4;
    case 4: return 8;
    default: return 0;
  }
}

// Huffman-coded data spends at least one bit on every 8 by 8 block of the first component, so
// a frame far larger than the data can hold is a damaged header: refusing it saves allocating
// and decoding an image of that size. Streams without a size are not checked.
bool DataCanHoldImage(vcl::TStream* stream, int64_t start, const jpeg_lib_header& header) {
  if (header.arithmetic) return true;
  int64_t size = stream->Size();
  if (size < 0) return true;
  int64_t blocks = ((static_cast<int64_t>(header.image_width) + 7) / 8) * ((static_cast<int64_t>(header.image_height) + 7) / 8);
  return (size - start) * 8 >= blocks;
}

// Skips a marker segment by its length; false at the end of the data or for a length below
// the two bytes of the length itself, which would never move the scan on.
bool SkipSegment(TIEBufferedReadStream& in) {
  uint8_t length[2];
  if (in.Read(length, 2) != 2) return false;
  int32_t size = vcl::be::U16(length);
  if (size < 2) return false;
  in.Seek(size - 2, vcl::soCurrent);
  return !in.EndReached();
}

// Reads up to the next marker code (the byte after one or more FF), false at the end of data.
bool NextMarker(TIEBufferedReadStream& in, uint8_t& code) {
  uint8_t byte = 0;
  for (;;) {
    if (in.Read(&byte, 1) != 1) return false;
    if (byte != 0xFF) continue;
    do {
      if (in.Read(&byte, 1) != 1) return false;
    } while (byte == 0xFF);
    code = byte;
    return true;
  }
}

// Keeps the parameter block's marker list as read, the first APP0 (the JFIF header) left out.
void TakeMarkers(jpeg_lib_reader* reader, TIEMarkerList& markers) {
  markers.Clear();
  bool firstAPP0 = true;
  int code = 0;
  const unsigned char* data = nullptr;
  unsigned length = 0;
  for (const void* marker = jpeg_lib_reader_next_marker(reader, nullptr, &code, &data, &length); marker;
       marker = jpeg_lib_reader_next_marker(reader, marker, &code, &data, &length)) {
    if (code == kMarkerAPP0 && firstAPP0) {
      firstAPP0 = false;
      continue;
    }
    markers.AddMarker(static_cast<uint8_t>(code), data, static_cast<uint16_t>(length));
  }
}

// IPTC, EXIF and XMP from the markers kept.
void ParseMetadata(TIEBitmap* bitmap, TIOParamsVals& params, bool pixelsDecoded) {
  TIEMarkerList& markers = params.JPEGMarkerList;
  for (int32_t i = 0; i < markers.GetCount(); ++i) {
    if (markers.GetMarkerType(i) == kMarkerAPP13 &&
        params.IPTCInfoList.LoadFromBuffer(markers.GetMarkerData(i), markers.GetMarkerLength(i)))
      break;
  }
  for (int32_t i = 0; i < markers.GetCount(); ++i) {
    if (markers.GetMarkerType(i) != kMarkerAPP1 ||
        !LoadExifFromBuffer(markers.GetMarkerData(i), markers.GetMarkerLength(i), params))
      continue;
    if (params.DpiX == 1 && params.DpiY == 1) {
      // The JFIF header gave only an aspect ratio: the EXIF resolution is the real one.
      double factor = params.EXIFResolutionUnit == 3 ? 2.54 : 1.0;
      params.SetDpiX(TruncToInt32(params.EXIFXResolution * factor));
      params.SetDpiY(TruncToInt32(params.EXIFYResolution * factor));
    } else {
      params.SetDpiX(params.DpiX);
      params.SetDpiY(params.DpiY);
    }
    // Only decoded pixels can be turned; a header-only read keeps the stored orientation.
    if (params.JPEGEnableAdjustOrientation && pixelsDecoded) {
      ApplyExifOrientation(bitmap, params.EXIFOrientation);
      params.SetEXIFOrientation(1);
    }
    break;
  }
  for (int32_t i = 0; i < markers.GetCount(); ++i) {
    if (markers.GetMarkerType(i) == kMarkerAPP1 &&
        FindXMPPacket(markers.GetMarkerData(i), markers.GetMarkerLength(i))) {
      LoadXMPFromBuffer(markers.GetMarkerData(i), markers.GetMarkerLength(i), params.XMPPacket);
      break;
    }
  }
}

// The EXIF thumbnail in place of the image, when the file has one. True when it was taken.
bool ReadEXIFThumbnailInstead(vcl::TStream* stream, vcl::TStream* tablesStream, TIEBitmap* bitmap,
                              TIOParamsVals& params, TCodecProgress& progress, bool keepYCbCr, bool invertCMYK,
                              bool removeAppliedICC) {
  int64_t start = stream->Position();
  int32_t width = params.Width;
  int32_t height = params.Height;
  params.SetLoadEXIFThumbnail(false);
  ReadJPEGStream(stream, tablesStream, bitmap, params, progress, true, keepYCbCr, true, invertCMYK, removeAppliedICC,
                 false, -1, params.KeepNativePixelFormat);
  // Back to where this datastream starts, which need not be the stream's beginning.
  stream->SetPosition(start);
  params.SetLoadEXIFThumbnail(true);
  if (params.EXIFThumbnail && !params.EXIFThumbnail->IsEmpty()) {
    bitmap->Assign(params.EXIFThumbnail.get());
    return true;
  }
  stream->SetPosition(start);
  params.Width = width;
  params.Height = height;
  params.StoredWidth = width;
  params.StoredHeight = height;
  return false;
}

}  // namespace

std::string JPEGMessageText(int32_t code) {
  char buffer[256];
  const char* text = jpeg_lib_message_template(code, kLastTableMessage, buffer, sizeof buffer);
  return text ? std::string(text) : std::string("Corrupted");
}

int64_t FindJPEGStream(vcl::TStream* Stream, bool SearchAhead) {
  int64_t start = Stream->Position();
  uint8_t window[kSearchWindow + 2];
  int32_t wanted = SearchAhead ? kSearchWindow + 2 : 3;
  int32_t got = Stream->Read(window, wanted);
  Stream->SetPosition(start);
  int32_t positions = SearchAhead ? kSearchWindow : 1;
  for (int32_t i = 0; i < positions && i + 3 <= got; ++i) {
    if (window[i] == 0xFF && window[i + 1] == 0xD8 && window[i + 2] == 0xFF)
      return SearchAhead ? start + i : 0;
  }
  return -1;
}

int64_t JPEGStreamLength(vcl::TStream* Stream) {
  int64_t start = Stream->Position();
  int64_t result = -1;
  {
    TIEBufferedReadStream in(Stream, false, 8192);
    uint8_t code = 0;
    while (NextMarker(in, code)) {
      if (code == 0xD9) {
        result = in.Position() - start;
        break;
      }
      bool hasSegment = (code >= 0xC0 && code <= 0xCF) || (code >= 0xDA && code <= 0xFE);
      if (hasSegment && !SkipSegment(in)) break;
    }
  }
  Stream->SetPosition(start);
  return result;
}

void LoadJPEGICCProfile(vcl::TStream* Stream, TIOParamsVals& Params) {
  static const char kICCSignature[] = "ICC_PROFILE";  // and its terminating zero
  int64_t start = Stream->Position();
  std::vector<std::vector<uint8_t>> chunks;
  std::vector<bool> present;
  int32_t collected = 0;
  {
    TIEBufferedReadStream in(Stream, false, 8192);
    uint8_t code = 0;
    while (NextMarker(in, code)) {
      if (code <= 0xBF || (code >= 0xD0 && code <= 0xD8)) continue;
      if (code != kMarkerAPP2) {
        bool skipped = code == 0xC4 || code == 0xC8 || code == 0xCC || (code >= 0xDA && code <= 0xFE);
        if (!skipped || !SkipSegment(in)) break;  // a frame, the end, or a damaged length
        continue;
      }
      uint8_t lengthBytes[2];
      if (in.Read(lengthBytes, 2) != 2) break;
      int32_t length = vcl::be::U16(lengthBytes);
      if (length < 2) break;
      std::vector<uint8_t> data(static_cast<size_t>(length - 2));
      if (!data.empty() && in.Read(data.data(), static_cast<int32_t>(data.size())) != static_cast<int32_t>(data.size()))
        break;
      // Chunk number (from 1) and chunk count follow the signature; the first chunk fixes the
      // count, and damaged or repeated chunks are passed over.
      if (data.size() < 14 || std::memcmp(data.data(), kICCSignature, 12) != 0) continue;
      int32_t sequence = data[12];
      int32_t count = data[13];
      if (count == 0) continue;
      if (chunks.empty()) {
        chunks.resize(static_cast<size_t>(count));
        present.assign(static_cast<size_t>(count), false);
      }
      if (count != static_cast<int32_t>(chunks.size()) || sequence < 1 || sequence > count ||
          present[static_cast<size_t>(sequence - 1)])
        continue;
      chunks[static_cast<size_t>(sequence - 1)].assign(data.begin() + 14, data.end());
      present[static_cast<size_t>(sequence - 1)] = true;
      if (++collected == count) break;
    }
  }
  Stream->SetPosition(start);
  if (chunks.empty() || collected != static_cast<int32_t>(chunks.size())) return;
  std::vector<uint8_t> profile;
  for (const auto& chunk : chunks) profile.insert(profile.end(), chunk.begin(), chunk.end());
  Params.GetInputICCProfile()->LoadFromBuffer(profile.data(), static_cast<int32_t>(profile.size()));
}

namespace {

// Reads the tables of a separate abbreviated datastream first, when there is one, then the
// image's own header. False when either read failed.
bool ReadJPEGTablesAndHeader(jpeg_lib_reader* reader, TStreamSide& mainSide, TStreamSide& tablesSide,
                             jpeg_lib_header& header) {
  bool ok = true;
  if (tablesSide.stream && tablesSide.stream != mainSide.stream) {
    jpeg_lib_reader_set_source(reader, ReadJPEGSource, &tablesSide);
    ok = jpeg_lib_reader_read_tables(reader) != 0;
  }
  jpeg_lib_reader_set_source(reader, ReadJPEGSource, &mainSide);
  return ok && jpeg_lib_reader_read_header(reader, &header);
}

// The colour parameters of the header; gives the colour space the rows are decoded into.
int JPEGColourSpaceFromHeader(const jpeg_lib_header& header, bool keepYCbCr, TIOParamsVals& params) {
  params.SetImageCount(1);
  params.BitsPerSample = 8;
  int outColorSpace = header.color_space;
  switch (header.color_space) {
    case JPEG_LIB_CS_GRAYSCALE:
      params.JPEGColorSpace = 1;
      params.SamplesPerPixel = 1;
      break;
    case JPEG_LIB_CS_RGB:
      params.JPEGColorSpace = 0;
      params.SamplesPerPixel = 3;
      break;
    case JPEG_LIB_CS_YCBCR:
      params.JPEGColorSpace = 2;
      params.SamplesPerPixel = 3;
      outColorSpace = JPEG_LIB_CS_RGB;
      break;
    case JPEG_LIB_CS_CMYK:
      params.JPEGColorSpace = 3;
      params.SamplesPerPixel = 4;
      break;
    case JPEG_LIB_CS_YCCK:
      params.JPEGColorSpace = 4;
      params.SamplesPerPixel = 4;
      outColorSpace = JPEG_LIB_CS_CMYK;
      break;
    default: break;
  }
  if (keepYCbCr) outColorSpace = JPEG_LIB_CS_YCBCR;
  return outColorSpace;
}

// The resolution of the JFIF density, the progressive flag and the stored size.
void JPEGResolutionFromHeader(const jpeg_lib_header& header, TIOParamsVals& params) {
  if (header.density_unit == 0 || header.density_unit == 1) {
    params.SetDpiX(header.x_density);
    params.SetDpiY(header.y_density);
  } else if (header.density_unit == 2) {
    params.SetDpiX(static_cast<int32_t>(header.x_density * 2.54));
    params.SetDpiY(static_cast<int32_t>(header.y_density * 2.54));
  }
  params.FreeColorMap();
  params.JPEGProgressive = header.progressive != 0;
  params.StoredWidth = header.image_width;
  params.StoredHeight = header.image_height;
}

// How decoded rows become rows of the bitmap.
struct TJPEGRowConversion {
  int outColorSpace;
  TIEPixelFormat format;
  int32_t width;
  bool colourManaged;
  bool invertCMYK;
  TIOParamsVals* params;
  std::vector<uint8_t> buffer;  // four bytes per output pixel
};

// Decodes the next row into the bitmap row `target`, converted as the output colour space
// and the bitmap's format need: the rows decoded, 0 or less when the decode failed.
int ReadJPEGRow(jpeg_lib_reader* reader, TJPEGRowConversion& conversion, uint8_t* target) {
  std::vector<uint8_t>& rowBuffer = conversion.buffer;
  const int32_t outWidth = conversion.width;
  int read = 0;
  switch (conversion.outColorSpace) {
    case JPEG_LIB_CS_GRAYSCALE:
      if (conversion.format == ie8g) {
        read = jpeg_lib_reader_read_row(reader, target);
      } else {
        read = jpeg_lib_reader_read_row(reader, rowBuffer.data());
        for (int32_t x = 0; read > 0 && x < outWidth; ++x)
          std::memset(target + x * 3, rowBuffer[static_cast<size_t>(x)], 3);
      }
      break;
    case JPEG_LIB_CS_RGB:
      if (conversion.colourManaged) {
        read = jpeg_lib_reader_read_row(reader, rowBuffer.data());
        if (read > 0)
          IEConvertColorHook(rowBuffer.data(), kICCFormatBGR, target, kICCFormatBGR, outWidth, conversion.params);
      } else {
        read = jpeg_lib_reader_read_row(reader, target);
      }
      break;
    case JPEG_LIB_CS_CMYK:
      if (conversion.format == ieCMYK) {
        read = jpeg_lib_reader_read_row(reader, target);
        if (read > 0 && conversion.invertCMYK) InvertBytes(target, outWidth * 4);
      } else {
        read = jpeg_lib_reader_read_row(reader, rowBuffer.data());
        if (read > 0) {
          if (conversion.invertCMYK) InvertBytes(rowBuffer.data(), outWidth * 4);
          IEConvertColorHook(rowBuffer.data(), kICCFormatCMYK, target, kICCFormatBGR, outWidth, conversion.params);
        }
      }
      break;
    default:  // YCbCr samples kept as they are
      read = jpeg_lib_reader_read_row(reader, target);
      break;
  }
  return read;
}

// What the clean-up needs to know of a decode, however it ended.
struct TJPEGDecodeState {
  int32_t rows = 0;
  bool pixelsStarted = false;
  int32_t outHeight = 0;
};

// Decodes rows into the bitmap until `lines` rows are done, the image ends or the aborting
// flag is raised; `state.rows` counts them as they come, also when a row fails.
void DecodeJPEGRows(jpeg_lib_reader* reader, TJPEGRowConversion& conversion, TIEBitmap* bitmap,
                    TCodecProgress& progress, std::atomic<bool>* aborting, int32_t lines, TJPEGDecodeState& state) {
  const int32_t outRows = state.outHeight;
  progress.Val = 0;
  progress.Per1 = 100.0 / outRows;
  int32_t lastPercent = -1;
  while (!*aborting && state.rows < outRows && state.rows < lines) {
    auto* target = static_cast<uint8_t*>(bitmap->Scanline(state.rows));
    const int read = ReadJPEGRow(reader, conversion, target);
    if (read <= 0) {
      *aborting = true;
      break;
    }
    state.rows += read;
    progress.Val += read;
    ReportRows(progress, lastPercent);
  }
  if (state.rows < lines) *aborting = true;
}

// Starts decompression, allocates the bitmap at the output size and decodes the rows asked
// for (the bitmap's height when `lines` is negative).
void DecodeJPEGPixels(jpeg_lib_reader* reader, const jpeg_lib_decode_options& options, TIEBitmap* bitmap,
                      TIOParamsVals& params, TCodecProgress& progress, std::atomic<bool>* aborting,
                      bool colourManaged, bool invertCMYK, bool nativePixelFormat, int32_t lines,
                      TJPEGDecodeState& state) {
  int outWidth = 0, outRows = 0, outComponents = 0;
  if (!jpeg_lib_reader_start(reader, &options, &outWidth, &outRows, &outComponents) || *aborting) return;
  state.pixelsStarted = true;
  state.outHeight = outRows;
  params.Width = outWidth;
  params.Height = outRows;
  const int outColorSpace = options.out_color_space;
  TIEPixelFormat format = ie24RGB;
  if (nativePixelFormat) {
    if (outColorSpace == JPEG_LIB_CS_GRAYSCALE) format = ie8g;
    if (outColorSpace == JPEG_LIB_CS_CMYK) format = ieCMYK;
  }
  TJPEGRowConversion conversion{outColorSpace, format, outWidth, colourManaged, invertCMYK, &params,
                                std::vector<uint8_t>(static_cast<size_t>(outWidth) * 4)};
  if (!bitmap->Allocate(outWidth, outRows, format)) *aborting = true;
  if (lines < 0) lines = bitmap->Height();
  DecodeJPEGRows(reader, conversion, bitmap, progress, aborting, lines, state);
}

// The profile was applied to the pixels: its transform goes, and so do its markers, so that a
// save does not attach it a second time.
void DropAppliedJPEGProfile(TIOParamsVals& params) {
  params.InputICCProfile->FreeTransform();
  for (int32_t i = params.JPEGMarkerList.GetCount() - 1; i >= 0; --i)
    if (params.JPEGMarkerList.GetMarkerType(i) == kMarkerAPP2) params.JPEGMarkerList.DeleteMarker(i);
}

// libjpeg reads a sequential scan only as far as the rows it decodes, so the finish of a
// partial decode stops inside the coded data. The stream is put where a whole decode leaves
// it: after the datastream's end marker, or at the end of data that has none.
void SkipRestOfJPEGStream(vcl::TStream* stream, int64_t found) {
  const int64_t used = stream->Position();
  stream->SetPosition(found);
  const int64_t length = JPEGStreamLength(stream);
  const int64_t size = stream->Size();
  stream->SetPosition(length >= 0 ? found + length : std::max(used, size));
}

}  // namespace

int32_t ReadJPEGStream(vcl::TStream* Stream, vcl::TStream* TablesStream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                       TCodecProgress& Progress, bool HeaderOnly, bool KeepYCbCr, bool ReadMetadata, bool InvertCMYK,
                       bool RemoveAppliedICC, bool ReadICC, int32_t Lines, bool NativePixelFormat) {
  if (Params.JPEGLoadEXIFThumbnail &&
      ReadEXIFThumbnailInstead(Stream, TablesStream, Bitmap, Params, Progress, KeepYCbCr, InvertCMYK,
                               RemoveAppliedICC))
    return 0;

  Params.JPEGWarningCount = 0;
  Params.JPEGLastWarningCode = 0;
  // Failures are seen here through the flag even when the caller gave none.
  std::atomic<bool> ownFlag{false};
  std::atomic<bool>* aborting = Progress.Aborting ? Progress.Aborting : &ownFlag;
  jpeg_lib_flag bridgeFlag = BridgeFlag(aborting);

  int64_t found = FindJPEGStream(Stream, true);
  if (found < 0) {
    *aborting = true;
    return 0;
  }
  Stream->SetPosition(found);
  if (ReadICC) LoadJPEGICCProfile(Stream, Params);
  bool colourManaged = IEEnableCMS && Params.InputICCProfile;

  std::unique_ptr<jpeg_lib_reader, TReaderDeleter> reader(jpeg_lib_reader_create(&bridgeFlag));
  if (!reader) {
    *aborting = true;
    return 0;
  }
  TStreamSide mainSide{Stream, nullptr};
  TStreamSide tablesSide{TablesStream, nullptr};
  TJPEGDecodeState state;

  try {
    jpeg_lib_header header{};
    if (!ReadJPEGTablesAndHeader(reader.get(), mainSide, tablesSide, header)) {
      *aborting = true;  // also when the source could not be set up
    } else {
      const int outColorSpace = JPEGColourSpaceFromHeader(header, KeepYCbCr, Params);
      JPEGResolutionFromHeader(header, Params);
      int32_t denominator = LoadScaleDenominator(Params, header.image_width, header.image_height);
      Params.JPEGLoadScaleDenominator = denominator == 0 ? 1 : denominator;

      if (HeaderOnly) {
        Params.Width = header.image_width;
        Params.Height = header.image_height;
      } else if (outColorSpace == JPEG_LIB_CS_UNKNOWN) {
        // Samples in a colour space without a meaning here cannot become pixels.
        *aborting = true;
      } else if (!DataCanHoldImage(Stream, found, header)) {
        *aborting = true;
      } else {
        jpeg_lib_decode_options options{outColorSpace, denominator, Params.JPEGDCTMethod};
        DecodeJPEGPixels(reader.get(), options, Bitmap, Params, Progress, aborting, colourManaged, InvertCMYK,
                         NativePixelFormat, Lines, state);
      }
    }
  } catch (...) {
    // A failure of our own side (memory, the bitmap) ends the decode like a libjpeg failure.
    *aborting = true;
  }

  // Clean-up, on every path.
  TakeMarkers(reader.get(), Params.JPEGMarkerList);
  if (RemoveAppliedICC && colourManaged && Params.InputICCProfile && Params.InputICCProfile->HasTransform())
    DropAppliedJPEGProfile(Params);
  // Every decode that did not fail is finished, a partial one (fewer rows asked for) too; a
  // failure of the finish itself is of no consequence.
  const bool finished = !*aborting && state.pixelsStarted;
  if (finished) {
    jpeg_lib_reader_set_aborting(reader.get(), nullptr);
    jpeg_lib_reader_finish(reader.get());
  }
  if (int32_t warnings = jpeg_lib_reader_warning_count(reader.get())) {
    Params.JPEGWarningCount = warnings;
    Params.JPEGLastWarningCode = jpeg_lib_reader_last_warning_code(reader.get());
  }
  // Leave the stream just after the data used, not where read-ahead stopped.
  int32_t unused = jpeg_lib_reader_unused_bytes(reader.get());
  reader.reset();
  if (mainSide.failure) std::rethrow_exception(mainSide.failure);
  if (tablesSide.failure) std::rethrow_exception(tablesSide.failure);
  if (unused > 0) Stream->Seek(-unused, vcl::soCurrent);
  if (finished && state.rows < state.outHeight) SkipRestOfJPEGStream(Stream, found);

  if (ReadMetadata) ParseMetadata(Bitmap, Params, state.pixelsStarted && state.rows > 0);
  return state.rows;
}

void WriteJPEGStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress,
                     bool InvertCMYK) {
  std::atomic<bool> ownFlag{false};
  std::atomic<bool>* aborting = Progress.Aborting ? Progress.Aborting : &ownFlag;
  jpeg_lib_flag bridgeFlag = BridgeFlag(aborting);
  if (!Bitmap || Bitmap->Width() <= 0 || Bitmap->Height() <= 0) {
    *aborting = true;
    return;
  }
  // The writer takes blue-green-red rows; other formats are converted on a copy.
  std::unique_ptr<TIEBitmap> converted;
  TIEBitmap* source = Bitmap;
  if (Bitmap->PixelFormat() != ie24RGB) {
    converted = std::make_unique<TIEBitmap>(Bitmap->Width(), Bitmap->Height(), ie24RGB);
    converted->CopyAndConvertFormat(Bitmap);
    source = converted.get();
  }
  const int32_t width = source->Width();
  const int32_t height = source->Height();

  jpeg_lib_encode_options options{};
  options.width = width;
  options.height = height;
  options.in_components = 3;
  switch (Params.JPEGColorSpace) {
    case 1: options.jpeg_color_space = JPEG_LIB_CS_GRAYSCALE; break;
    case 2: options.jpeg_color_space = JPEG_LIB_CS_YCBCR; break;
    case 3:
      options.jpeg_color_space = JPEG_LIB_CS_CMYK;
      options.in_components = 4;
      options.force_jfif = 1;  // a JFIF header beside the Adobe marker
      break;
    case 4:
      options.jpeg_color_space = JPEG_LIB_CS_YCCK;
      options.in_components = 4;
      break;
    default: options.jpeg_color_space = JPEG_LIB_CS_RGB; break;
  }
  options.x_density = Params.DpiX == 0 ? IEDefaultDpiX : Params.DpiX;
  options.y_density = Params.DpiY == 0 ? IEDefaultDpiY : Params.DpiY;
  options.dct_method = Params.JPEGDCTMethod;
  options.optimize_coding = Params.JPEGOptimalHuffman;
  options.smoothing = Params.JPEGSmoothing;
  options.quality = Params.JPEGQuality;
  if (Params.JPEGColorSpace == 2) {
    switch (Params.JPEGChromaSubsampling) {
      case 0: options.luma_h = 2, options.luma_v = 1; break;
      case 1: options.luma_h = 2, options.luma_v = 2; break;
      case 2: options.luma_h = 1, options.luma_v = 1; break;
      default: break;
    }
  }
  options.progressive = Params.JPEGProgressive;

  TStreamSide side{Stream, nullptr};
  std::unique_ptr<jpeg_lib_writer, TWriterDeleter> writer(jpeg_lib_writer_create(&bridgeFlag, WriteJPEGTarget, &side));
  if (!writer) {
    *aborting = true;
    return;
  }
  if (*aborting) return;
  try {
    if (jpeg_lib_writer_start(writer.get(), &options)) {
      TIEMarkerList& markers = Params.JPEGMarkerList;
      markers.SortMarkers();
      // The Adobe marker is libjpeg's to write (it describes the colour transform used now).
      for (int32_t i = 0; i < markers.GetCount() && !*aborting; ++i) {
        if (markers.GetMarkerType(i) == kMarkerAPP14) continue;
        jpeg_lib_writer_write_marker(writer.get(), markers.GetMarkerType(i), markers.GetMarkerData(i),
                                     static_cast<unsigned>(markers.GetMarkerLength(i)));
      }
      std::vector<uint8_t> cmykRow(options.in_components == 4 ? static_cast<size_t>(width) * 4 : 0);
      Progress.Val = 0;
      Progress.Per1 = 100.0 / height;
      int32_t lastPercent = -1;
      while (!*aborting && jpeg_lib_writer_next_scanline(writer.get()) < height) {
        int32_t y = jpeg_lib_writer_next_scanline(writer.get());
        const auto* row = static_cast<const uint8_t*>(source->Scanline(y));
        if (options.in_components == 4) {
          // Without a parameter block: the bitmap's colours are written as they are.
          IEConvertColorHook(row, kICCFormatBGR, cmykRow.data(), kICCFormatCMYK, width, nullptr);
          if (InvertCMYK) InvertBytes(cmykRow.data(), width * 4);
          row = cmykRow.data();
        }
        int written = jpeg_lib_writer_write_row(writer.get(), row);
        if (written <= 0) {
          *aborting = true;
          break;
        }
        Progress.Val += written;
        ReportRows(Progress, lastPercent);
      }
      if (!*aborting) jpeg_lib_writer_finish(writer.get());
    }
  } catch (...) {
    *aborting = true;
  }
  writer.reset();
  if (side.failure) std::rethrow_exception(side.failure);
}

// ---- Decompressor wrappers ----

namespace {

[[noreturn]] void RaiseJpegError(jpeg_decompress_struct* cinfo) {
  throw EIEJpegException(JPEGMessageText(jpeg_lib_direct_error_code(cinfo)));
}

}  // namespace

jpeg_decompress_struct* IEJpegNewDecompressor() { return jpeg_lib_direct_new(); }

void IEJpegFreeDecompressor(jpeg_decompress_struct* cinfo) { jpeg_lib_direct_free(cinfo); }

jpeg_error_mgr* IEJpegNewErrorMgr(jpeg_decompress_struct* cinfo) { return jpeg_lib_direct_new_error_mgr(cinfo); }

void IEJpegFreeErrorMgr(jpeg_error_mgr* errorMgr) { jpeg_lib_direct_free_error_mgr(errorMgr); }

void IEJpegCreateDecompress(jpeg_decompress_struct* cinfo) {
  if (!jpeg_lib_direct_create(cinfo)) RaiseJpegError(cinfo);
}

void IEJpegDestroyDecompress(jpeg_decompress_struct* cinfo) { jpeg_lib_direct_destroy(cinfo); }

void IEJpegStreamSource(jpeg_decompress_struct* cinfo, vcl::TStream* stream) {
  if (!jpeg_lib_direct_stream_source(cinfo, ReadFromStreamDirect, stream)) RaiseJpegError(cinfo);
}

void IEJpegSetFillInputBuffer(jpeg_decompress_struct* cinfo, TIEJpegFillInputBuffer fill) {
  jpeg_lib_direct_set_fill(cinfo, fill);
}

void IEJpegSetSourceBuffer(jpeg_decompress_struct* cinfo, const uint8_t* nextInputByte, int32_t bytesInBuffer) {
  jpeg_lib_direct_set_buffer(cinfo, nextInputByte, bytesInBuffer);
}

int32_t IEJpegReadHeader(jpeg_decompress_struct* cinfo) {
  int result = 0;
  if (!jpeg_lib_direct_read_header(cinfo, &result)) RaiseJpegError(cinfo);
  return result;
}

bool IEJpegStartDecompress(jpeg_decompress_struct* cinfo) {
  int result = 0;
  if (!jpeg_lib_direct_start(cinfo, &result)) RaiseJpegError(cinfo);
  return result != 0;
}

int32_t IEJpegOutputWidth(jpeg_decompress_struct* cinfo) {
  int value = 0;
  jpeg_lib_direct_output_info(cinfo, &value, nullptr, nullptr, nullptr);
  return value;
}

int32_t IEJpegOutputHeight(jpeg_decompress_struct* cinfo) {
  int value = 0;
  jpeg_lib_direct_output_info(cinfo, nullptr, &value, nullptr, nullptr);
  return value;
}

int32_t IEJpegOutputComponents(jpeg_decompress_struct* cinfo) {
  int value = 0;
  jpeg_lib_direct_output_info(cinfo, nullptr, nullptr, &value, nullptr);
  return value;
}

int32_t IEJpegOutputScanline(jpeg_decompress_struct* cinfo) {
  int value = 0;
  jpeg_lib_direct_output_info(cinfo, nullptr, nullptr, nullptr, &value);
  return value;
}

uint8_t** IEJpegAllocSampleArray(jpeg_decompress_struct* cinfo, int32_t samplesPerRow, int32_t rows) {
  unsigned char** result = nullptr;
  if (!jpeg_lib_direct_alloc_rows(cinfo, samplesPerRow, rows, &result)) RaiseJpegError(cinfo);
  return result;
}

int32_t IEJpegReadScanlines(jpeg_decompress_struct* cinfo, uint8_t** rows, int32_t maxLines) {
  int result = 0;
  if (!jpeg_lib_direct_read_scanlines(cinfo, rows, maxLines, &result)) RaiseJpegError(cinfo);
  return result;
}

bool IEJpegFinishDecompress(jpeg_decompress_struct* cinfo) {
  int result = 0;
  if (!jpeg_lib_direct_finish(cinfo, &result)) RaiseJpegError(cinfo);
  return result != 0;
}

}  // namespace imaging
