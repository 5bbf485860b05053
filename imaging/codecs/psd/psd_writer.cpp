#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "imaging/base/stream_encoders.h"
#include "imaging/codecs/jpeg/jpeg_codec.h"
#include "imaging/codecs/psd/psd_codec.h"
#include "imaging/codecs/writer_bitmaps.h"
#include "imaging/model/icc_profile.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/routines/nearest_stretch.h"
#include "imaging/model/routines/resample.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/file_formats.h"
#include "imaging/params/io_params.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

struct TMode {
  int32_t mode = -1, depth = 0, channels = 0;
};

TMode ModeOf(TIEPixelFormat format) {
  switch (format) {
    case ie1g: return {0, 1, 1};
    case ie8g: return {1, 8, 1};
    case ie16g: return {1, 16, 1};
    case ie8p: return {2, 8, 1};
    case ie24RGB: return {3, 8, 3};
    case ie32RGB: return {3, 8, 4};
    case ieRGB48: return {3, 16, 3};
    case ieCMYK: return {4, 8, 4};
    case ieCIELab: return {9, 8, 3};
    default: return {};
  }
}

// A growing big-endian record in memory, with places patched once their values are known.
class TOutput {
 public:
  void Bytes(const void* data, size_t count) {
    const auto* p = static_cast<const uint8_t*>(data);
    buffer_.insert(buffer_.end(), p, p + count);
  }
  void Byte(uint32_t v) { buffer_.push_back(uint8_t(v)); }
  void Word(uint32_t v) { Byte(v >> 8), Byte(v); }
  void DWord(uint32_t v) { Word(v >> 16), Word(v); }
  size_t Size() const { return buffer_.size(); }
  void PatchWord(size_t at, uint32_t v) { buffer_[at] = uint8_t(v >> 8), buffer_[at + 1] = uint8_t(v); }
  void PatchDWord(size_t at, uint32_t v) { PatchWord(at, v >> 16), PatchWord(at + 2, v); }
  const std::vector<uint8_t>& Data() const { return buffer_; }

 private:
  std::vector<uint8_t> buffer_;
};

// The bytes of one channel's row as the file stores them.
void ChannelRow(TIEBitmap* bitmap, const TMode& m, int32_t channel, int32_t y, std::vector<uint8_t>& row) {
  const int32_t width = bitmap->Width();
  const auto* in = static_cast<const uint8_t*>(bitmap->GetScanline(y));
  const bool wide = m.depth == 16;
  row.assign(size_t(m.depth == 1 ? (width + 7) / 8 : width * (wide ? 2 : 1)), 0);
  auto put = [&](int32_t x, uint32_t v16) {
    if (wide)
      row[size_t(x) * 2] = uint8_t(v16 >> 8), row[size_t(x) * 2 + 1] = uint8_t(v16);
    else
      row[size_t(x)] = uint8_t(v16);
  };
  if (channel == -1) {
    const uint8_t* alpha = bitmap->HasAlphaChannel() ? static_cast<const uint8_t*>(bitmap->AlphaChannel()->GetScanline(y)) : nullptr;
    for (int32_t x = 0; x < width; ++x) put(x, wide ? (alpha ? alpha[x] : 255) * 257u : (alpha ? alpha[x] : 255));
    return;
  }
  const auto* words = reinterpret_cast<const uint16_t*>(in);
  switch (bitmap->PixelFormat()) {
    case ie1g:
      for (size_t i = 0; i < row.size(); ++i) row[i] = uint8_t(~in[i]);
      break;
    case ie16g:
      for (int32_t x = 0; x < width; ++x) put(x, words[x]);
      break;
    case ieRGB48:
      for (int32_t x = 0; x < width; ++x) put(x, words[x * 3 + channel]);
      break;
    case ie24RGB:
      for (int32_t x = 0; x < width; ++x) put(x, in[x * 3 + 2 - channel]);
      break;
    case ie32RGB:
      for (int32_t x = 0; x < width; ++x) put(x, in[x * 4 + (channel < 3 ? 2 - channel : 3)]);
      break;
    case ieCMYK:
      for (int32_t x = 0; x < width; ++x) put(x, in[x * 4 + channel]);
      break;
    case ieCIELab:
      for (int32_t x = 0; x < width; ++x) put(x, channel ? uint8_t(in[x * 3 + channel] + 128) : in[x * 3]);
      break;
    default:
      for (int32_t x = 0; x < width; ++x) put(x, in[x]);
      break;
  }
}

// Writes one row as PackBits and its byte count into the table entry at `countSlot`.
void PSDWriteRow(TOutput& out, const std::vector<uint8_t>& row, std::vector<uint8_t>& packed, size_t countSlot) {
  packed.resize(row.size() + row.size() / 128 + 2);
  const int32_t n = PSDPackBits(row.data(), int32_t(row.size()), packed.data());
  out.Bytes(packed.data(), size_t(n));
  out.PatchWord(countSlot, uint32_t(n));
}

// Writes the rows of one channel as PackBits, their byte counts into the table at `table`.
void WriteChannelRows(TOutput& out, TIEBitmap* bitmap, const TMode& m, int32_t channel, size_t table) {
  std::vector<uint8_t> row, packed;
  for (int32_t y = 0; y < bitmap->Height(); ++y) {
    ChannelRow(bitmap, m, channel, y, row);
    PSDWriteRow(out, row, packed, table + size_t(y) * 2);
  }
}

void PSDWriteResource(TOutput& out, uint32_t id, const std::vector<uint8_t>& data) {
  if (out.Size() & 1) out.Byte(0);
  out.Bytes("8BIM", 4);
  out.Word(id);
  out.Word(0);  // an empty name
  out.DWord(uint32_t(data.size()));
  out.Bytes(data.data(), data.size());
  if (data.size() & 1) out.Byte(0);
}

std::vector<uint8_t> PSDBuildThumbnailResource(TIEBitmap* thumbnail) {
  vcl::TMemoryStream jpeg;
  TIOParamsVals params(nullptr);
  std::atomic<bool> failed{false};
  TCodecProgress progress;
  progress.Aborting = &failed;
  std::unique_ptr<TIEBitmap> copy;
  TIEBitmap* source = thumbnail;
  if (thumbnail->PixelFormat() != ie24RGB) {
    copy = ConvertedCopy(thumbnail, ie24RGB);
    source = copy.get();
  }
  WriteJPEGStream(&jpeg, source, params, progress);
  if (failed) return {};
  const int32_t w = source->Width(), h = source->Height();
  TOutput out;
  out.DWord(1), out.DWord(uint32_t(w)), out.DWord(uint32_t(h)), out.DWord(uint32_t(w * 3));
  out.DWord(uint32_t(w * h * 3)), out.DWord(uint32_t(jpeg.Size())), out.Word(24), out.Word(1);
  out.Bytes(jpeg.Memory(), size_t(jpeg.Size()));
  return out.Data();
}

// A layer's bitmap in the merged image's pixel format, at its shown size, with alpha: a copy,
// the caller's layer stays as it is.
std::unique_ptr<TIEBitmap> PreparedLayer(const TPSDLayer& layer, TIEPixelFormat format) {
  auto copy = std::make_unique<TIEBitmap>();
  copy->Assign(layer.Bitmap.get());
  if (layer.IsMask) {
    if (copy->PixelFormat() != ie8g) copy->ConvertTo(ie8g);
    return copy;
  }
  if (copy->PixelFormat() != format) copy->ConvertTo(format);
  const int32_t width = layer.Width ? layer.Width : copy->Width(), height = layer.Height ? layer.Height : copy->Height();
  if ((width != copy->Width() || height != copy->Height()) && width > 0 && height > 0) {
    auto sized = std::make_unique<TIEBitmap>(width, height, copy->PixelFormat());
    if (layer.UseResampleFilter && layer.ResampleFilter != rfNone && copy->PixelFormat() == ie24RGB)
      ResampleBitmap(copy.get(), sized.get(), layer.ResampleFilter, {}, nullptr);
    else
      ResampleNearest(copy.get(), sized.get(), nullptr, {});
    if (copy->HasAlphaChannel()) {
      auto alpha = TIEBitmap::CreateAlphaChannel(width, height, ieMemory);
      ResampleNearest(copy->AlphaChannel(), alpha.get(), nullptr, {});
      alpha->SetIsAlphaChannel(true);
      sized->AttachAlphaChannel(std::move(alpha));
    }
    copy = std::move(sized);
  }
  copy->GetAlphaChannel();
  return copy;
}

// A layer ready to write, with the mask layer that follows it.
struct TPSDPreparedLayer {
  const TPSDLayer* layer;
  std::unique_ptr<TIEBitmap> bitmap, mask;
  const TPSDLayer* maskLayer = nullptr;
  std::vector<size_t> lengthSlots;
};

// Every layer that is not a mask, converted to the merged image's format at its shown size; a
// mask layer right after a layer goes with it.
std::vector<TPSDPreparedLayer> PSDPrepareLayers(const TPSDLayers& layers, TIEPixelFormat format) {
  std::vector<TPSDPreparedLayer> prepared;
  for (size_t i = 0; i < layers.size(); ++i) {
    if (layers[i].IsMask || !layers[i].Bitmap) continue;
    TPSDPreparedLayer p{&layers[i], PreparedLayer(layers[i], format), nullptr, nullptr, {}};
    if (i + 1 < layers.size() && layers[i + 1].IsMask && layers[i + 1].Bitmap) {
      p.maskLayer = &layers[i + 1];
      p.mask = PreparedLayer(layers[i + 1], format);
    }
    prepared.push_back(std::move(p));
  }
  return prepared;
}

// A layer's channel data: transparency, colours, then its mask, each with its own
// compression word and row table; each length goes into its slot of the layer record.
void PSDWriteChannels(TOutput& out, TPSDPreparedLayer& p, const TMode& m) {
  const int32_t colours = m.channels == 4 && m.mode == 3 ? 3 : m.channels;
  size_t slot = 0;
  auto channelData = [&](TIEBitmap* bitmap, const TMode& mode, int32_t id) {
    const size_t start = out.Size();
    out.Word(1);
    const size_t table = out.Size();
    for (int32_t y = 0; y < bitmap->Height(); ++y) out.Word(0);
    WriteChannelRows(out, bitmap, mode, id, table);
    out.PatchDWord(p.lengthSlots[slot++], uint32_t(out.Size() - start));
  };
  channelData(p.bitmap.get(), m, -1);
  for (int32_t c = 0; c < colours; ++c) channelData(p.bitmap.get(), m, c);
  if (p.mask) channelData(p.mask.get(), TMode{1, 8, 1}, 0);
}

void PSDWriteLayerInfo(TOutput& out, const TPSDLayers& layers, TIEPixelFormat format, const TMode& m,
                       TCodecProgress& progress) {
  std::vector<TPSDPreparedLayer> prepared = PSDPrepareLayers(layers, format);
  const size_t infoLength = out.Size();
  out.DWord(0);
  out.Word(uint32_t(prepared.size()));
  for (TPSDPreparedLayer& p : prepared) {
    const TPSDLayer& l = *p.layer;
    out.DWord(uint32_t(l.PosY)), out.DWord(uint32_t(l.PosX));
    out.DWord(uint32_t(l.PosY + p.bitmap->Height())), out.DWord(uint32_t(l.PosX + p.bitmap->Width()));
    const int32_t colours = m.channels == 4 && m.mode == 3 ? 3 : m.channels;
    out.Word(uint32_t(colours + 1 + (p.mask ? 1 : 0)));
    auto channel = [&](int32_t id) {
      out.Word(uint32_t(uint16_t(int16_t(id))));
      p.lengthSlots.push_back(out.Size());
      out.DWord(0);
    };
    channel(-1);
    for (int32_t c = 0; c < colours; ++c) channel(c);
    if (p.mask) channel(-2);
    out.Bytes("8BIMnorm", 8);
    out.Byte(uint32_t(std::clamp(l.Transparency, 0, 255)));
    out.Byte(0);
    out.Byte(l.Visible ? 0 : 2);
    out.Byte(0);
    const size_t extra = out.Size();
    out.DWord(0);
    if (p.mask) {
      const TPSDLayer& k = *p.maskLayer;
      out.DWord(20);
      out.DWord(uint32_t(k.PosY)), out.DWord(uint32_t(k.PosX));
      out.DWord(uint32_t(k.PosY + p.mask->Height())), out.DWord(uint32_t(k.PosX + p.mask->Width()));
      out.DWord(0);
    } else {
      out.DWord(0);
    }
    out.DWord(0);  // blending ranges
    const std::string name = l.Name.substr(0, 255);
    out.Byte(uint32_t(name.size()));
    out.Bytes(name.data(), name.size());
    while ((out.Size() - extra - 4) % 4) out.Byte(0);
    out.PatchDWord(extra, uint32_t(out.Size() - extra - 4));
  }
  for (size_t i = 0; i < prepared.size(); ++i) {
    PSDWriteChannels(out, prepared[i], m);
    progress.Report(int32_t(i * 100 / prepared.size()));
  }
  if ((out.Size() - infoLength) & 1) out.Byte(0);
  out.PatchDWord(infoLength, uint32_t(out.Size() - infoLength - 4));
}

// The image resources section: resolution, IPTC, colour profile, thumbnail and XMP, each a
// resource of its own; its length is patched in.
void PSDWriteResources(TOutput& out, TIOParamsVals& params) {
  const size_t resources = out.Size();
  out.DWord(0);
  {
    TOutput r;
    r.DWord(uint32_t(params.DpiX) << 16), r.Word(1), r.Word(1), r.DWord(uint32_t(params.DpiY) << 16), r.Word(1), r.Word(1);
    PSDWriteResource(out, 1005, r.Data());
  }
  const std::vector<uint8_t> iptc = params.IPTCInfoList.SaveToBuffer(true);
  if (!iptc.empty()) PSDWriteResource(out, 1028, iptc);
  if (params.InputICCProfile && params.InputICCProfile->RawLength() > 0)
    PSDWriteResource(out, 1039, std::vector<uint8_t>(params.InputICCProfile->Raw(),
                                                  params.InputICCProfile->Raw() + params.InputICCProfile->RawLength()));
  if (params.EXIFThumbnail && !params.EXIFThumbnail->IsEmpty()) {
    const std::vector<uint8_t> thumbnail = PSDBuildThumbnailResource(params.EXIFThumbnail.get());
    if (!thumbnail.empty()) PSDWriteResource(out, 1036, thumbnail);
  }
  if (!params.XMPPacket.empty())
    PSDWriteResource(out, 1060, std::vector<uint8_t>(params.XMPPacket.begin(), params.XMPPacket.end()));
  if (out.Size() & 1) out.Byte(0);
  out.PatchDWord(resources, uint32_t(out.Size() - resources - 4));
}

// Whether any layer other than a mask has a picture to write.
bool PSDHasLayers(const TPSDLayers& layers) {
  return std::any_of(layers.begin(), layers.end(), [](const TPSDLayer& l) { return !l.IsMask && l.Bitmap; });
}

// The layer and mask information section: the layers' records and channels when there are
// layers, else an empty section.
void PSDWriteLayerAndMaskSection(TOutput& out, const TPSDLayers& layers, TIEPixelFormat format, const TMode& m,
                                 TCodecProgress& progress) {
  const size_t layerSection = out.Size();
  out.DWord(0);
  if (PSDHasLayers(layers)) {
    PSDWriteLayerInfo(out, layers, format, m, progress);
    out.DWord(0);  // global layer mask info
  }
  out.PatchDWord(layerSection, uint32_t(out.Size() - layerSection - 4));
}

}  // namespace

int32_t PSDPackBits(const uint8_t* Source, int32_t Count, uint8_t* Dest) {
  int32_t written = 0, literalStart = 0, literal = 0;
  auto flush = [&]() {
    if (!literal) return;
    Dest[written++] = uint8_t(literal - 1);
    std::memcpy(Dest + written, Source + literalStart, size_t(literal));
    written += literal;
    literal = 0;
  };
  for (int32_t i = 0; i < Count;) {
    int32_t run = 1;
    while (i + run < Count && run < 128 && Source[i + run] == Source[i]) ++run;
    if (run >= 4) {
      flush();
      Dest[written++] = uint8_t(1 - run);
      Dest[written++] = Source[i];
      i += run;
      continue;
    }
    for (int32_t k = 0; k < run; ++k) {
      if (!literal) literalStart = i + k;
      if (++literal == 128) flush();
    }
    i += run;
  }
  flush();
  return written;
}

void WritePSDStream(vcl::TStream* Stream, TIOParamsVals& Params, TCodecProgress& Progress, TIEBitmap* Bitmap,
                    const TPSDLayers& Layers) {
  const TIEPixelFormat format = Bitmap->PixelFormat();
  const TMode m = ModeOf(format);
  const int32_t width = Bitmap->Width(), height = Bitmap->Height();
  if (m.mode < 0 || width <= 0 || height <= 0) return Progress.Abort();
  Progress.Report(0);
  TOutput out;
  out.Bytes("8BPS", 4);
  out.Word(1);
  out.Bytes("\0\0\0\0\0\0", 6);
  out.Word(uint32_t(m.channels)), out.DWord(uint32_t(height)), out.DWord(uint32_t(width));
  out.Word(uint32_t(m.depth)), out.Word(uint32_t(m.mode));
  if (format == ie8p) {
    out.DWord(768);
    for (int32_t k = 0; k < 3; ++k)
      for (int32_t i = 0; i < 256; ++i) {
        const TRGB c = Bitmap->GetPaletteColor(i);
        out.Byte(k == 0 ? c.r : k == 1 ? c.g : c.b);
      }
  } else {
    out.DWord(0);
  }

  PSDWriteResources(out, Params);
  PSDWriteLayerAndMaskSection(out, Layers, format, m, Progress);
  const bool anyLayer = PSDHasLayers(Layers);

  out.Word(1);
  const size_t table = out.Size();
  for (int64_t i = 0; i < int64_t(m.channels) * height; ++i) out.Word(0);
  for (int32_t c = 0; c < m.channels; ++c) {
    WriteChannelRows(out, Bitmap, m, c, table + size_t(c) * height * 2);
    if (anyLayer) Progress.Report(c * 100 / m.channels);
    if (Progress.IsAborting()) return;
  }
  bool error = false;
  const std::vector<uint8_t>& data = out.Data();
  for (size_t done = 0; done < data.size() && !error;) {
    const int32_t chunk = int32_t(std::min<size_t>(data.size() - done, 1 << 30));
    StreamWriteChecked(Stream, error, data.data() + done, chunk);
    done += size_t(chunk);
  }
  if (error) Progress.Abort();
  Progress.Report(100);
}

namespace {

void ReadPSD(vcl::TStream* stream, TIEBitmap* bitmap, TIOParamsVals& params, TCodecProgress& progress, bool preview) {
  ReadPSDStream(stream, preview ? nullptr : bitmap, params, progress, false, nullptr);
}

void WritePSD(vcl::TStream* stream, TIEBitmap* bitmap, TIOParamsVals& params, TCodecProgress& progress) {
  WritePSDStream(stream, params, progress, bitmap, TPSDLayers());
}

bool TryPSD(vcl::TStream* stream, int32_t) { return IsPSDStream(stream); }

}  // namespace

void RegisterPSDFormat() {
  if (TIEFileFormatInfo* info = GetFileFormatInfo(24)) {
    info->ReadFunction = ReadPSD;
    info->WriteFunction = WritePSD;
    info->TryFunction = TryPSD;
  }
}

}  // namespace imaging
