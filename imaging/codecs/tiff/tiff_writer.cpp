// WriteTIFFStream: settles the page's layout, writes the metadata and the pixel data, then the
// directory, and links it into a new file's header or into an existing file's page chain.
#include "imaging/codecs/tiff/tiff_writer.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <unordered_set>

#include "imaging/coding/lzw_procs.h"
#include "imaging/codecs/tiff/tiff_write_entries.h"
#include "imaging/codecs/tiff/tiff_write_exif.h"
#include "imaging/codecs/tiff/tiff_write_state.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "imaging/model/annotations.h"
#include "imaging/model/icc_profile.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/routines/colour_reduction.h"
#include "vcl/runtime/byte_order.h"

namespace imaging {

namespace {

// An existing file's page chain is walked at most this far; longer chains are taken as damaged.
constexpr int32_t MaxAppendPages = 65536;

// ---- layout ----

// A copy of the image in another pixel format, keeping its alpha channel.
std::unique_ptr<TIEBitmap> ConvertedTIFFCopy(TIEBitmap* image, TIEPixelFormat format) {
  auto copy = std::make_unique<TIEBitmap>(image->GetWidth(), image->GetHeight(), format);
  if (copy->IsEmpty()) return nullptr;
  copy->CopyAndConvertFormat(image);
  if (image->HasAlphaChannel()) {
    auto alpha = std::make_unique<TIEBitmap>();
    alpha->Assign(image->GetAlphaChannel());
    copy->AttachAlphaChannel(std::move(alpha));
  }
  return copy;
}

bool UseCopy(TIFFWriterState& state, std::unique_ptr<TIEBitmap> copy) {
  if (!copy) return false;
  state.Converted = std::move(copy);
  state.Image = state.Converted.get();
  return true;
}

// An alpha channel that is not all opaque.
bool HasVisibleAlpha(TIEBitmap* image) {
  if (!image->HasAlphaChannel()) return false;
  TIEBitmap* alpha = image->GetAlphaChannel();
  for (int32_t y = 0; y < alpha->GetHeight(); ++y) {
    const auto* row = static_cast<const uint8_t*>(alpha->GetScanline(y));
    for (int32_t x = 0; x < alpha->GetWidth(); ++x)
      if (row[x] != 255) return true;
  }
  return false;
}

int32_t CompressionFromParams(uint8_t value) {
  switch (value) {
    case 1: return tcCCITTHuffman;
    case 2:
    case 3: return tcCCITTT4;
    case 4: return tcCCITTT6;
    case 5: return tcLZW;
    case 6: return tcOldJPEG;
    case 7: return tcJPEG;
    case 8: return tcPackBits;
    case 9: return tcDeflateOld;
    case 10: return tcDeflate;
    default: return tcNone;
  }
}

// Decides the image to write and its layout. False when no image can be had (an empty bitmap
// or a failed conversion).
bool SettleLayout(TIEBitmap* bitmap, TIOParamsVals& params, TIFFWriterState& state) {
  state.Image = bitmap;
  if (bitmap->IsEmpty() || bitmap->GetWidth() <= 0 || bitmap->GetHeight() <= 0) return false;
  int32_t bits = params.BitsPerSample;
  int32_t samples = params.SamplesPerPixel;
  uint8_t compression = params.TIFFCompression;
  const bool jpeg = compression == 6 || compression == 7;

  // Bilevel: reduce to 1 bit when asked; a 1-bit image asked for anything else becomes RGB.
  if (bits == 1 && samples == 1) {
    if (bitmap->GetPixelFormat() != ie1g) {
      TRGB dark{}, bright{};
      std::unique_ptr<TIEBitmap> bilevel = ConvertToBilevelIfTwoColors(bitmap, dark, bright);
      if (!bilevel) {
        bilevel = std::make_unique<TIEBitmap>(bitmap->GetWidth(), bitmap->GetHeight(), ie1g);
        if (bilevel->IsEmpty()) return false;
        bilevel->CopyAndConvertFormat(bitmap);
      }
      UseCopy(state, std::move(bilevel));
    }
  } else if (bitmap->GetPixelFormat() == ie1g) {
    if (!UseCopy(state, ConvertedTIFFCopy(bitmap, ie24RGB))) return false;
  }

  // Formats whose rows are written as they are: 8-bit palette and grey and 16-bit grey as one
  // sample of their own depth, CMYK and 48-bit RGB. Anything else (or those asked for another
  // layout, or for JPEG, which takes 24-bit images) is written from a 24-bit copy.
  TIEPixelFormat format = state.Image->GetPixelFormat();
  const bool native = format == ie1g ||
                      ((format == ie8p || format == ie8g) && samples == 1 && bits == 8 && !jpeg) ||
                      (format == ie16g && samples == 1 && bits == 16 && !jpeg) ||
                      ((format == ieCMYK || format == ieRGB48) && !jpeg) || format == ie24RGB;
  if (!native && !UseCopy(state, ConvertedTIFFCopy(state.Image, ie24RGB))) return false;
  format = state.Image->GetPixelFormat();
  TIEBitmap* image = state.Image;

  uint8_t photometric = params.TIFFPhotometric;
  if (format == ie24RGB && samples == 1) {
    // One sample: a palette or grey reduction. Depths the file cannot hold become 8 bits.
    if (!((bits >= 2 && bits <= 8) || bits == 16)) bits = 8;
    state.Palette.assign(256, TRGB{0, 0, 0});
    state.Quantizer = std::make_unique<TIEQuantizer>(image, std::span<TRGB>(state.Palette),
                                                     std::min(1 << std::min(bits, 8), 256));
    if (compression != 5 && compression != 8 && compression != 9 && compression != 10) compression = 0;
    if (state.Quantizer->IsGray()) {
      photometric = tpBlackIsZero;
    } else {
      photometric = tpPalette;
      if (bits == 16) bits = 8;
    }
  } else if (format == ie24RGB) {
    samples = 3;
    bits = 8;
    if (photometric == tpCMYK) samples = 4;
    else if (photometric != tpCIELab && !(photometric == tpYCbCr && jpeg)) photometric = tpRGB;
  } else if (format == ie1g) {
    bits = samples = 1;
    photometric = tpBlackIsZero;
  } else if (format == ie8p || format == ie8g || format == ie16g) {
    samples = 1;
    bits = format == ie16g ? 16 : 8;
    if (compression != 5 && compression != 8 && compression != 9 && compression != 10) compression = 0;
    photometric = format == ie8p ? tpPalette : tpBlackIsZero;
    if (format == ie8p) {
      state.Palette.assign(256, TRGB{0, 0, 0});
      for (int32_t i = 0; i < 256; ++i) state.Palette[i] = image->GetPaletteColor(i);
    }
  } else if (format == ieRGB48) {
    samples = 3;
    bits = 16;
    photometric = tpRGB;
  } else {  // ieCMYK
    samples = 4;
    bits = 8;
    photometric = tpCMYK;
  }
  state.BitsPerSample = bits;
  state.Photometric = photometric;

  // Compression.
  state.Compression = CompressionFromParams(compression);
  state.FillOrder = params.TIFFFillOrder == 2 ? 2 : 1;
  state.TwoDimensional = compression == 3;
  if (state.IsCCITT()) {
    if (format == ie1g) {
      state.Photometric = tpWhiteIsZero;
      state.InvertBits = true;
    } else {
      state.Compression = tcNone;
      state.TwoDimensional = false;
    }
  }
  if (state.Compression == tcOldJPEG || state.Compression == tcJPEG) {
    if (format != ie24RGB) {  // a 1-bit image has no JPEG form
      state.Compression = tcNone;
    } else {
      state.JPEGQuality = params.TIFFJPEGQuality;
      state.JPEGColorSpace = params.TIFFJPEGColorSpace;
      switch (params.TIFFJPEGColorSpace) {
        case 0: state.Photometric = tpRGB; break;
        case 1: state.Photometric = tpBlackIsZero; break;
        case 3: state.Photometric = tpCMYK; break;
        case 4:
          state.Photometric = tpRGB;
          state.JPEGColorSpace = 0;
          break;
        default:
          state.Photometric = tpYCbCr;
          state.JPEGColorSpace = 2;
          break;
      }
      state.BitsPerSample = 8;
      samples = state.Photometric == tpBlackIsZero ? 1 : state.Photometric == tpCMYK ? 4 : 3;
    }
  }
  if (state.Compression == tcLZW) {
    state.LZWCompress = params.TIFFLZWCompress ? params.TIFFLZWCompress : IETIFFLZWCompressProc;
    if (!state.LZWCompress) state.Compression = tcNone;
  }
  state.DeflateLevelIndex = std::clamp(params.TIFFDeflateLevel, 0, 2) + 1;

  // Alpha travels as a fourth sample of uncompressed, LZW, PackBits and deflate RGB rows.
  const bool alphaCompression = state.Compression == tcNone || state.Compression == tcLZW ||
                                state.Compression == tcPackBits || state.IsDeflate();
  if (format == ie24RGB && !state.Quantizer && state.Photometric == tpRGB && alphaCompression &&
      HasVisibleAlpha(image)) {
    state.AlphaWritten = true;
    samples = 4;
  }
  state.Predictor = (state.Compression == tcLZW && format == ie24RGB && !state.Quantizer &&
                     state.Photometric == tpRGB && !state.AlphaWritten)
                        ? 2
                        : 1;

  // Tell the caller what is written.
  params.BitsPerSample = state.BitsPerSample;
  params.SamplesPerPixel = samples;
  params.TIFFPhotometric = state.Photometric;
  if (state.Compression == tcNone) params.TIFFCompression = 0;
  else if (state.Compression == tcPackBits) params.TIFFCompression = 8;
  else if (!state.IsCCITT()) params.TIFFCompression = compression;
  return true;
}

// ---- tags ----

void WriteMetadataTags(TIFFOutput& output, TIFFEntryList& entries, TIOParamsVals& params) {
  if (params.EXIFPresent) {
    WriteEXIFIFD(output, entries, params);
    return;
  }
  entries.WriteTIFFAsciiTag(270, params.TIFFImageDescription);
  entries.WriteTIFFRationalTag(282, params.DpiX);
  entries.WriteTIFFRationalTag(283, params.DpiY);
  entries.AddTIFFShortTag(296, 2);
}

void WriteBitsPerSample(TIFFEntryList& entries, const TIFFWriterState& state, int32_t samples) {
  switch (state.Image->GetPixelFormat()) {
    case ie1g: entries.AddTIFFShortTag(258, 1); return;
    case ie8p:
    case ie8g: entries.AddTIFFShortTag(258, 8); return;
    case ie16g: entries.AddTIFFShortTag(258, 16); return;
    case ieRGB48: entries.WriteTIFFShortsTag(258, {16, 16, 16}); return;
    default: break;
  }
  if (samples == 1) entries.AddTIFFShortTag(258, static_cast<uint16_t>(state.BitsPerSample));
  else entries.WriteTIFFShortsTag(258, std::vector<uint16_t>(static_cast<size_t>(samples), 8));
}

int32_t SamplesWritten(const TIFFWriterState& state) {
  if (state.Photometric == tpWhiteIsZero || state.Photometric == tpBlackIsZero || state.Photometric == tpPalette)
    return 1;
  if (state.Photometric == tpCMYK || state.AlphaWritten) return 4;
  return 3;
}

void WriteImageTags(TIFFEntryList& entries, const TIFFWriterState& state, TIOParamsVals& params) {
  TIEBitmap* image = state.Image;
  entries.AddTIFFLongTag(256, static_cast<uint32_t>(image->GetWidth()));
  entries.AddTIFFLongTag(257, static_cast<uint32_t>(image->GetHeight()));
  WriteBitsPerSample(entries, state, SamplesWritten(state));
  entries.AddTIFFShortTag(259, static_cast<uint16_t>(state.Compression));
  entries.AddTIFFShortTag(262, static_cast<uint16_t>(state.Photometric == tpCIELab ? 8 : state.Photometric));
  entries.WriteTIFFAsciiTag(269, params.TIFFDocumentName);
  if (state.IsCCITT()) {
    entries.AddTIFFShortTag(266, static_cast<uint16_t>(state.FillOrder));
    entries.AddTIFFShortTag(284, 1);
    entries.AddTIFFShortTag(327, 0);
  }
}

void WriteTagsAfterStrips(TIFFEntryList& entries, const TIFFWriterState& state, TIOParamsVals& params) {
  entries.AddTIFFShortTag(277, static_cast<uint16_t>(SamplesWritten(state)));
  // Unassociated alpha: the colours are stored as they are, not premultiplied.
  if (state.AlphaWritten) entries.AddTIFFShortTag(338, 2);
  if (state.Predictor == 2) entries.AddTIFFShortTag(317, 2);
  entries.WriteTIFFAsciiTag(285, params.TIFFPageName);
  if (params.TIFFHorizPosition != 0) entries.WriteTIFFRationalTag(286, params.TIFFHorizPosition);
  if (params.TIFFVertPosition != 0) entries.WriteTIFFRationalTag(287, params.TIFFVertPosition);
  // Each fax coding has its own options tag; the other one would be unknown to readers.
  if (state.Compression == tcCCITTT4) entries.AddTIFFLongTag(292, state.TwoDimensional ? 1 : 0);
  if (state.Compression == tcCCITTT6) entries.AddTIFFLongTag(293, 0);
  entries.AddTIFFLongTag(254, 0);
  if (params.TIFFPageNumber >= 0 || params.TIFFPageCount >= 0)
    entries.WriteTIFFShortsTag(297, {static_cast<uint16_t>(std::max(params.TIFFPageNumber, 0)),
                                     static_cast<uint16_t>(std::max(params.TIFFPageCount, 0))});

  std::vector<uint8_t> iptc = params.IPTCInfoList.SaveToBuffer(false);
  if (!iptc.empty()) {
    iptc.resize((iptc.size() + 3) / 4 * 4, 0);  // a whole number of LONGs
    entries.WriteTIFFDataTag(33723, tiffLong, static_cast<uint32_t>(iptc.size() / 4), iptc.data(),
                             int64_t(iptc.size()));
  }
  if (!params.XMPPacket.empty())
    entries.WriteTIFFDataTag(700, tiffByte, static_cast<uint32_t>(params.XMPPacket.size()), params.XMPPacket.data(),
                             int64_t(params.XMPPacket.size()));
  if (params.ImagingAnnot) {
    const std::vector<uint8_t> annot = params.ImagingAnnot->SaveToBuffer();
    if (!annot.empty())
      entries.WriteTIFFDataTag(32932, tiffByte, static_cast<uint32_t>(annot.size()), annot.data(),
                               int64_t(annot.size()));
  }
  const TIEICC* icc = params.InputICCProfile.get();
  if (icc && icc->HasProfile() && !icc->Applied() && icc->RawLength() > 0)
    entries.WriteTIFFDataTag(34675, tiffUndefined, static_cast<uint32_t>(icc->RawLength()), icc->Raw(),
                             icc->RawLength());
  // The library's CIELab values are relative to D65; readers assume another white point (D50)
  // when the file names none, which tints every colour.
  if (state.Photometric == tpCIELab && !entries.Has(318)) entries.WriteTIFFRationalsTag(318, {0.3127, 0.3290});
  if (state.Photometric == tpPalette) {
    const int32_t entriesCount = 1 << state.BitsPerSample;
    std::vector<uint16_t> map(static_cast<size_t>(3 * entriesCount), 0);
    for (int32_t i = 0; i < entriesCount && i < int32_t(state.Palette.size()); ++i) {
      map[i] = static_cast<uint16_t>(state.Palette[i].r * 257);
      map[entriesCount + i] = static_cast<uint16_t>(state.Palette[i].g * 257);
      map[2 * entriesCount + i] = static_cast<uint16_t>(state.Palette[i].b * 257);
    }
    entries.WriteTIFFShortsTag(320, map);
  }
}

// ---- the existing file of an append ----

struct TIFFInsertPoint {
  int64_t PointerPosition = -1;  // where the pointer to the new page goes
  uint32_t PointerValue = 0;     // what it held: the new page's next page
  int32_t Pages = 0;
};

bool ReadTIFFBytesAt(vcl::TStream* stream, int64_t position, void* buffer, int32_t count) {
  stream->SetPosition(position);
  return stream->Read(buffer, count) == count;
}

// Walks the page chain of the little-endian TIFF at `origin` to the pointer the page with index
// `index` hangs from (the last pointer when the index is beyond the last page, or negative).
// False for a file that is not a little-endian TIFF or whose chain leaves the stream or loops.
bool FindInsertPoint(vcl::TStream* stream, int64_t origin, int32_t index, TIFFInsertPoint& point) {
  const int64_t size = stream->Size();
  uint8_t header[4];
  if (!ReadTIFFBytesAt(stream, origin, header, 4) || header[0] != 'I' || header[1] != 'I' || header[2] != 42 ||
      header[3] != 0)
    return false;
  if (index < 0) index = INT32_MAX;
  std::unordered_set<uint32_t> visited;
  int64_t pointerPosition = origin + 4;
  for (int32_t page = 0;; ++page) {
    uint8_t bytes[4];
    if (!ReadTIFFBytesAt(stream, pointerPosition, bytes, 4)) return false;
    const uint32_t pointer = vcl::le::U32(bytes);
    if (page == index || (pointer == 0 && index > page)) {
      point.PointerPosition = pointerPosition;
      point.PointerValue = pointer;
    }
    if (pointer == 0) {
      point.Pages = page;
      return point.PointerPosition >= 0;
    }
    if (page >= MaxAppendPages || !visited.insert(pointer).second) return false;
    uint8_t count[2];
    if (origin + pointer + 2 > size || !ReadTIFFBytesAt(stream, origin + pointer, count, 2)) return false;
    pointerPosition = origin + pointer + 2 + 12 * int64_t(vcl::le::U16(count));
    if (pointerPosition + 4 > size) return false;
  }
}

}  // namespace

int32_t WriteTIFFStream(vcl::TStream* stream, bool append, TIEBitmap* bitmap, TIOParamsVals& params,
                        TCodecProgress& progress) {
  const int64_t origin = stream->Position();
  TIFFInsertPoint insertPoint;
  if (append && !FindInsertPoint(stream, origin, params.TIFFImageIndex, insertPoint)) {
    progress.Abort();
    return 0;
  }
  TIFFWriterState state;
  if (bitmap && !SettleLayout(bitmap, params, state)) {
    progress.Abort();
    return 0;
  }

  TIFFOutput output(stream, origin);
  if (append) {
    output.Seek(0, vcl::soEnd);
  } else {
    const uint8_t placeholder[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    output.Write(placeholder, 8);
  }
  TIFFEntryList entries(output);
  WriteMetadataTags(output, entries, params);
  if (bitmap) {
    WriteImageTags(entries, state, params);
    WriteTIFFStrips(output, entries, state, progress);
    if (output.Failed() || progress.IsAborting()) {
      progress.Abort();
      return 0;
    }
    WriteTagsAfterStrips(entries, state, params);
  }

  const uint32_t next = append ? insertPoint.PointerValue : 0;
  const uint32_t directory = entries.WriteDirectory(next);
  const int64_t end = output.Position();
  if (append) {
    output.Seek(insertPoint.PointerPosition - origin, vcl::soBeginning);
    output.WriteU32(directory);
  } else {
    output.Seek(0, vcl::soBeginning);
    const uint8_t header[4] = {'I', 'I', 42, 0};
    output.Write(header, 4);
    output.WriteU32(directory);
  }
  output.Seek(end, vcl::soBeginning);
  if (output.Failed()) {
    progress.Abort();
    return 0;
  }
  progress.Report(100);
  return append ? insertPoint.Pages + 1 : 1;
}

}  // namespace imaging
