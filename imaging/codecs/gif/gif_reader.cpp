#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/codecs/gif/gif_codec.h"
#include "imaging/codecs/reader_limits.h"
#include "imaging/coding/lzw_coders.h"
#include "imaging/coding/lzw_procs.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_mask.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "imaging/params/io_settings.h"
#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

// A colour table as the reader keeps it: always 256 entries (the ones the file leaves out are
// black), so that no index from the file can reach past it.
struct TColourTable {
  TRGB entries[256] = {};
  int32_t bits = 0;  // 2^bits entries came from the file; 0: no table
};

bool ReadTable(vcl::TStream* stream, TColourTable& table, int32_t sizeField) {
  const int32_t count = 1 << (sizeField + 1);
  uint8_t raw[768];
  if (stream->Read(raw, count * 3) != count * 3) return false;
  for (int32_t i = 0; i < count; ++i) table.entries[i] = TRGB{raw[i * 3 + 2], raw[i * 3 + 1], raw[i * 3]};
  table.bits = sizeField + 1;
  return true;
}

// Skips data sub-blocks up to their terminator; false when the stream ends first.
bool SkipSubBlocks(vcl::TStream* stream) {
  const int64_t size = stream->Size();
  uint8_t count = 0;
  for (;;) {
    if (stream->Read(&count, 1) != 1) return false;
    if (count == 0) return true;
    if (stream->Position() + count > size) return false;
    stream->Seek(count, vcl::soCurrent);
  }
}

// The bytes of LZW data a frame holds (code-size byte and sub-blocks), the stream restored;
// -1 when the data runs past the end of the stream.
int64_t ImageDataLength(vcl::TStream* stream) {
  const int64_t start = stream->Position();
  uint8_t codeSize = 0;
  int64_t length = -1;
  if (stream->Read(&codeSize, 1) == 1 && SkipSubBlocks(stream)) length = stream->Position() - start;
  stream->SetPosition(start);
  return length;
}

// The most pixels `bytes` of LZW data can stand for: the k-th code after a clear adds at most
// k + 1 pixels, and at most 4,097, and codes have at least 3 bits.
int64_t MaxPixelsOfData(int64_t bytes) {
  const int64_t codes = bytes * 8 / 3 + 1;
  return codes * std::min<int64_t>(codes + 2, 4097);
}

// The header and the global colour table; false when the stream is no GIF or ends there.
bool ReadScreen(vcl::TStream* Stream, TIOParamsVals& Params, TColourTable& global) {
  uint8_t header[13];
  if (Stream->Read(header, 13) != 13 || std::memcmp(header, "GIF", 3) != 0) return false;
  Params.GIFVersion.assign(reinterpret_cast<const char*>(header), 6);
  Params.GIFScreenWidth = vcl::le::U16(header + 6);
  Params.GIFScreenHeight = vcl::le::U16(header + 8);
  Params.GIFAspectByte = header[12];
  Params.SetDpiX(IEDefaultDpiX);
  Params.SetDpiY(IEDefaultDpiY);
  Params.SamplesPerPixel = 1;
  if (header[10] & 0x80) {
    if (!ReadTable(Stream, global, header[10] & 7)) return false;
    Params.GIFBackground = global.entries[header[11]];
  }
  return Stream->Position() < Stream->Size();
}

// One extension after its introducer: the wanted frame's graphic control, comments, the rest
// skipped. False when the stream ends inside it.
bool ReadExtension(vcl::TStream* Stream, bool wantedFrameNext, uint8_t* control, TIOParamsVals& Params) {
  uint8_t label = 0;
  if (Stream->Read(&label, 1) != 1) return false;
  if (label == 0xF9 && wantedFrameNext) {
    // Only the first 4 bytes mean anything; a longer block is skipped to its terminator.
    uint8_t size = 0;
    if (Stream->Read(&size, 1) != 1) return false;
    uint8_t data[255];
    if (Stream->Read(data, size) != size) return false;
    std::memset(control, 0, 4);
    std::memcpy(control, data, std::min<uint8_t>(size, 4));
    return size == 0 || SkipSubBlocks(Stream);
  }
  if (label == 0xFE) {
    for (;;) {
      uint8_t size = 0;
      if (Stream->Read(&size, 1) != 1) return false;
      if (size == 0) return true;
      char text[256];
      if (Stream->Read(text, size) != size) return false;
      const std::string entry(text, strnlen(text, size));
      if (!entry.empty()) Params.GIFComments.Add(entry);
    }
  }
  return SkipSubBlocks(Stream);
}

// The wanted frame's fields of the parameter block, from its descriptor, graphic control and
// colour table.
void SetFrameParams(const uint8_t* descriptor, const uint8_t* control, const TColourTable& table,
                    TIOParamsVals& Params) {
  Params.GIFTransparentColor = table.entries[control[3]];
  Params.GIFLeft = vcl::le::U16(descriptor);
  Params.GIFTop = vcl::le::U16(descriptor + 2);
  Params.Width = Params.StoredWidth = vcl::le::U16(descriptor + 4);
  Params.Height = Params.StoredHeight = vcl::le::U16(descriptor + 6);
  Params.GIFDelayTime = vcl::le::U16(control + 1);
  Params.GIFHasTransparentColor = (control[0] & 1) != 0;
  Params.GIFInterlaced = (descriptor[8] & 0x40) != 0;
  Params.GIFDisposal = uint8_t((control[0] >> 2) & 7);
  Params.FreeColorMap();
  Params.BitsPerSample = table.bits;
  Params.ColorMapCount = 1 << table.bits;
  Params.ColorMap.assign(table.entries, table.entries + Params.ColorMapCount);
}

// The decoded frame and its transparency.
struct TGIFFrame {
  TIEBitmap& work;
  std::unique_ptr<TIEMask>& mask;
};

// Decodes the wanted frame's image data into `frame` (the stream is at its code-size byte and
// ends after the data's terminator). False on damage.
bool DecodeFrame(vcl::TStream* Stream, int32_t width, int32_t height, bool interlaced, int64_t dataLength,
                 const TColourTable& table, uint8_t transparentIndex, bool transparent, TIOParamsVals& Params,
                 bool IgnoreAlpha, TGIFFrame frame) {
  TGIFLZWDecompressProc decode = Params.GIFLZWDecompress ? Params.GIFLZWDecompress : IEGIFLZWDecompressProc;
  if (!decode) return false;
  const bool bilevel = table.bits == 1 && table.entries[0].r == 0 && table.entries[0].g == 0 &&
                       table.entries[0].b == 0 && table.entries[1].r == 255 && table.entries[1].g == 255 &&
                       table.entries[1].b == 255;
  const TIEPixelFormat format = bilevel ? ie1g : Params.KeepNativePixelFormat ? ie8p : ie24RGB;
  // Indexes kept as they are go straight into the bitmap's rows when the library's own decoder
  // does the work; others go through a buffer of indexes.
  const bool direct = format == ie8p && decode == GIFDecodeLZW;
  TIEBitmap& work = frame.work;
  std::vector<uint8_t> indices;
  std::vector<uint8_t*> rows(static_cast<size_t>(height));
  if (direct) {
    // The decoder sets the pixels the data does not reach to 0, as they are in the buffer.
    if (!work.AllocateToOverwrite(width, height, format)) return false;
    for (int32_t y = 0; y < height; ++y) rows[y] = static_cast<uint8_t*>(work.GetScanline(y));
  } else {
    indices.assign(size_t(width) * size_t(height), 0);
    for (int32_t y = 0; y < height; ++y) rows[y] = indices.data() + size_t(y) * width;
  }
  const int64_t before = Stream->Position();
  if (direct)
    GIFDecodeLZWRows(Stream, height, width, interlaced, rows.data());
  else
    decode(Stream, height, width, interlaced, indices.data());
  if (Stream->Position() == before) return false;
  // The decoder stops where its data says; the frame ends after its terminator in any case.
  Stream->SetPosition(before + dataLength);

  if (!direct && !work.Allocate(width, height, format)) return false;
  if (format == ie8p) {
    for (int32_t i = 0; i < 256; ++i) work.SetPaletteColor(i, table.entries[i]);
    work.SetPaletteUsed(1 << table.bits);
  }
  std::unique_ptr<TIEMask>& mask = frame.mask;
  mask.reset();
  bool anyTransparent = false;
  if (!IgnoreAlpha && transparent) {
    mask = std::make_unique<TIEMask>();
    mask->Allocate(width, height, 8);
    mask->Fill(255);
  }
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* in = rows[y];
    auto* out = static_cast<uint8_t*>(work.GetScanline(y));
    if (format == ie1g) {
      std::memset(out, 0, size_t((width + 7) / 8));
      for (int32_t x = 0; x < width; ++x)
        if (in[x] & 1) out[x / 8] |= uint8_t(0x80 >> (x % 8));
    } else if (format == ie8p) {
      if (!direct) std::memcpy(out, in, size_t(width));
    } else {
      for (int32_t x = 0; x < width; ++x) std::memcpy(out + x * 3, &table.entries[in[x]], 3);
    }
    if (mask)
      for (int32_t x = 0; x < width; ++x)
        if (in[x] == transparentIndex) {
          mask->SetPixel(x, y, 0);
          anyTransparent = true;
        }
  }
  if (!anyTransparent) mask.reset();
  return true;
}

// The frame read reaches the caller's bitmap, and its transparency the caller's mask.
void HandOverFrame(TIEBitmap& work, std::unique_ptr<TIEMask>& mask, TIEBitmap* Bitmap, TIEMask*& AlphaMask) {
  if (Bitmap->Location() == ieTBitmap)
    Bitmap->Assign(&work);
  else
    work.MoveContentTo(Bitmap);
  if (!mask) return;
  mask->SetFull(false);
  if (AlphaMask) {
    AlphaMask->Allocate(mask->Width(), mask->Height(), 8);
    for (int32_t y = 0; y < mask->Height(); ++y)
      std::memcpy(AlphaMask->GetScanline(y), mask->GetScanline(y), size_t(mask->Width()));
    AlphaMask->SetFull(false);
  } else {
    AlphaMask = mask.release();
  }
}

}  // namespace

void ReadGIFStream(vcl::TStream* Stream, TIEBitmap* Bitmap, int32_t& NumImages, TIOParamsVals& Params,
                   TCodecProgress& Progress, bool Preview, TIEMask*& AlphaMask, bool IgnoreAlpha) {
  NumImages = 0;
  Progress.Report(0);
  if (Progress.IsAborting()) return;
  auto fail = [&] { Progress.Abort(); };

  TColourTable global;
  if (!ReadScreen(Stream, Params, global)) return fail();

  const int32_t wanted = Params.GIFImageIndex;
  uint8_t control[4] = {0, 0, 0, 0};
  int32_t count = 0;
  bool found = false;
  TIEBitmap work;
  std::unique_ptr<TIEMask> mask;
  Params.GIFComments.Clear();

  while (!Progress.IsAborting()) {
    uint8_t block = 0;
    if (Stream->Read(&block, 1) != 1 || block == 0x3B) break;
    if (block == 0x21) {
      if (!ReadExtension(Stream, count == wanted, control, Params)) return fail();
      continue;
    }
    if (block != 0x2C) continue;  // stray bytes between blocks are passed over

    uint8_t descriptor[9];
    if (Stream->Read(descriptor, 9) != 9) return fail();
    TColourTable local;
    if ((descriptor[8] & 0x80) && !ReadTable(Stream, local, descriptor[8] & 7)) return fail();
    if (count++ != wanted) {
      uint8_t codeSize = 0;
      if (Stream->Read(&codeSize, 1) != 1 || !SkipSubBlocks(Stream)) return fail();
      continue;
    }
    found = true;
    Progress.Report(30);
    if (Progress.IsAborting()) return;
    TColourTable table = local.bits ? local : global;
    if (!table.bits) {
      // A frame with no table at all is shown black and white, so that it still shows.
      table.entries[1] = TRGB{255, 255, 255};
      table.bits = 8;
    }
    SetFrameParams(descriptor, control, table, Params);
    const int32_t width = vcl::le::U16(descriptor + 4);
    const int32_t height = vcl::le::U16(descriptor + 6);

    const int64_t dataLength = ImageDataLength(Stream);
    if (dataLength < 0) return fail();
    if (Preview) {
      Stream->Seek(dataLength, vcl::soCurrent);
      continue;
    }
    const int64_t pixels = int64_t(width) * height;
    if (width == 0 || height == 0 || pixels > kMaxReaderPixels || pixels > MaxPixelsOfData(dataLength)) return fail();
    if (!DecodeFrame(Stream, width, height, (descriptor[8] & 0x40) != 0, dataLength, table, control[3],
                     (control[0] & 1) != 0, Params, IgnoreAlpha, TGIFFrame{work, mask}))
      return fail();
    Progress.Report(70);
    if (Progress.IsAborting()) return;
  }
  if (Progress.IsAborting()) return;
  Params.SetImageCount(count);
  NumImages = count;
  // A frame asked for that the file does not hold is an error, not an empty success.
  if (!found) return fail();
  if (!Preview) HandOverFrame(work, mask, Bitmap, AlphaMask);
  Progress.Report(100);
}

}  // namespace imaging
