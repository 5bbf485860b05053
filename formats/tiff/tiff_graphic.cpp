#include "formats/tiff/tiff_graphic.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "formats/decoders/ccitt_decoders.h"
#include "formats/decoders/lz77_decoder.h"
#include "formats/decoders/run_length_decoders.h"
#include "formats/decoders/thunder_decoder.h"
#include "formats/decoders/tiff_jpeg_decoder.h"
#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/win.h"

namespace formats {

namespace {

constexpr const char* kName = "TIF/TIFF";
// Decoded image data beyond this is refused before anything is allocated.
constexpr uint64_t kMaxImageBytes = uint64_t{1} << 30;

[[noreturn]] void RaiseInvalidTIFF() { RaiseGraphicErrorFmt(messages::gesInvalidImage, kName); }
[[noreturn]] void RaiseUnsupported() {
  RaiseGraphicErrorFmt(messages::gesUnsupportedFeature, messages::gesCompressionScheme, kName);
}

uint32_t TypeSize(uint16_t type) {
  switch (type) {
    case 1: case 2: case 6: case 7: return 1;
    case 3: case 8: return 2;
    case 4: case 9: case 11: return 4;
    case 5: case 10: case 12: return 8;
    default: return 0;
  }
}

struct TTIFFEntry {
  uint16_t type = 0;
  uint32_t count = 0;
  const uint8_t* values = nullptr;  // inside the file, bounds checked
};

// A TIFF file held in memory: the header, one directory and its value lists.
class TTiffFile {
 public:
  TTiffFile(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool Motorola() const { return motorola_; }
  uint16_t U16(const uint8_t* p) const { return motorola_ ? vcl::be::U16(p) : vcl::le::U16(p); }
  uint32_t U32(const uint8_t* p) const { return motorola_ ? vcl::be::U32(p) : vcl::le::U32(p); }

  // The header and the directory `index` of the chain; false when either is not there.
  bool Open(uint32_t index) {
    if (size_ < 8 || !((data_[0] == 'I' && data_[1] == 'I') || (data_[0] == 'M' && data_[1] == 'M'))) return false;
    motorola_ = data_[0] == 'M';
    if (U16(data_ + 2) != 42) return false;
    uint64_t offset = U32(data_ + 4);
    for (uint32_t i = 0;; ++i) {
      if (offset < 8 || offset + 2 > size_) return false;
      const uint32_t count = U16(data_ + offset);
      if (offset + 2 + uint64_t{count} * 12 + 4 > size_) return false;
      if (i == index) return ReadEntries(data_ + offset + 2, count);
      if (i > 10000) return false;  // a chain that loops
      offset = U32(data_ + offset + 2 + count * 12);
    }
  }

  bool Has(uint16_t tag) const { return dirEntries_.count(tag) != 0; }
  uint32_t Count(uint16_t tag) const { return Has(tag) ? dirEntries_.at(tag).count : 0; }
  // Value `i` of an integer list, or `fallback`.
  uint32_t TagValue(uint16_t tag, uint32_t fallback, uint32_t i = 0) const {
    auto it = dirEntries_.find(tag);
    if (it == dirEntries_.end() || i >= it->second.count) return fallback;
    const TTIFFEntry& e = it->second;
    switch (e.type) {
      case 1: case 6: case 7: return e.values[i];
      case 3: case 8: return U16(e.values + i * 2);
      case 4: case 9: return U32(e.values + i * 4);
      default: return fallback;
    }
  }
  // The whole integer list (empty when the tag is absent).
  std::vector<uint32_t> TagCardinals(uint16_t tag) const {
    std::vector<uint32_t> out(Count(tag));
    for (uint32_t i = 0; i < out.size(); ++i) out[i] = TagValue(tag, 0, i);
    return out;
  }
  // Value `i` as a number: integers, rationals (both parts unsigned) and floats; or `fallback`.
  float TagFloat(uint16_t tag, float fallback, uint32_t i = 0) const {
    auto it = dirEntries_.find(tag);
    if (it == dirEntries_.end() || i >= it->second.count) return fallback;
    const TTIFFEntry& e = it->second;
    if (e.type == 5 || e.type == 10) {
      const uint32_t d = U32(e.values + i * 8 + 4);
      return d ? static_cast<float>(U32(e.values + i * 8)) / static_cast<float>(d) : fallback;
    }
    if (e.type == 11) {
      const uint32_t bits = U32(e.values + i * 4);
      float f;
      std::memcpy(&f, &bits, 4);
      return f;
    }
    return static_cast<float>(TagValue(tag, 0, i));
  }
  const TTIFFEntry* FindDirEntry(uint16_t tag) const {
    auto it = dirEntries_.find(tag);
    return it == dirEntries_.end() ? nullptr : &it->second;
  }
  const uint8_t* Data() const { return data_; }
  size_t Size() const { return size_; }

 private:
  bool ReadEntries(const uint8_t* p, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i, p += 12) {
      TTIFFEntry e;
      e.type = U16(p + 2);
      e.count = U32(p + 4);
      const uint64_t bytes = uint64_t{TypeSize(e.type)} * e.count;
      if (TypeSize(e.type) == 0) continue;  // a type this reader does not know
      if (bytes <= 4) {
        e.values = p + 8;
      } else {
        const uint32_t offset = U32(p + 8);
        // Every list must lie inside the file.
        if (offset + bytes > size_) return false;
        e.values = data_ + offset;
      }
      dirEntries_[U16(p)] = e;
    }
    return true;
  }

  const uint8_t* data_;
  size_t size_;
  bool motorola_ = false;
  std::map<uint16_t, TTIFFEntry> dirEntries_;  // by tag, each list checked to lie in the file
};

TPackingKind PackingOf(uint32_t compression) {
  switch (compression) {
    case 1: return pkNone;
    case 2: return pkModifiedHuffman;
    case 3: return pkFax3;
    case 4: return pkFax4;
    case 5: return pkLZW;
    case 6: return pkOldJPEG;
    case 7: return pkJPEG;
    case 8: case 32946: return pkDeflate;
    case 32766: return pkNeXT;
    case 32771: return pkModifiedHuffmanW;
    case 32773: return pkPackBits;
    case 32809: return pkThunderScan;
    case 32895: return pkIT8CTPad;
    case 32896: return pkIT8LW;
    case 32897: return pkIT8MP;
    case 32898: return pkIT8BL;
    case 32908: return pkPixarFilm;
    case 32909: return pkPixarLog;
    case 32947: return pkDCS;
    case 34661: return pkJBIG;
    default: return pkUnknown;
  }
}

TColorSchemeKind SchemeOf(uint32_t photometric, uint32_t samples) {
  switch (photometric) {
    case 0: case 1: return samples >= 2 ? scGrayAlpha : scGray;
    case 2: return samples >= 4 ? scRGBA : scRGB;
    case 3: return scIndexed;
    case 5: return scCMYK;
    case 6: return scYCbCr;
    case 8: return scCIELab;
    default: return scUnknown;
  }
}

// Horizontal differencing undone on one row of `count` pixels of `samples` samples.
void UndoPredictor(uint8_t* row, uint32_t count, uint32_t samples, uint32_t bits, bool motorola) {
  if (bits == 8) {
    for (uint32_t i = samples; i < count * samples; ++i) row[i] = static_cast<uint8_t>(row[i] + row[i - samples]);
    return;
  }
  auto get = [&](uint32_t i) {
    return motorola ? vcl::be::U16(row + i * 2) : vcl::le::U16(row + i * 2);
  };
  for (uint32_t i = samples; i < count * samples; ++i) {
    const auto v = static_cast<uint16_t>(get(i) + get(i - samples));
    row[i * 2] = static_cast<uint8_t>(motorola ? v >> 8 : v);
    row[i * 2 + 1] = static_cast<uint8_t>(motorola ? v : v >> 8);
  }
}

}  // namespace

TTIFFGraphic::TTIFFGraphic() = default;
TTIFFGraphic::~TTIFFGraphic() = default;

bool TTIFFGraphic::CanLoadStream(vcl::TStream* stream) {
  const int64_t at = stream->Position();
  uint8_t b[8];
  bool ok = stream->Size() - at > 8 && stream->Read(b, 8) == 8;
  if (ok) {
    TTiffFile file(b, 8);
    const bool motorola = b[0] == 'M' && b[1] == 'M';
    ok = ((b[0] == 'I' && b[1] == 'I') || motorola);
    if (ok) {
      const uint16_t version = motorola ? vcl::be::U16(b + 2) : vcl::le::U16(b + 2);
      const uint32_t first = motorola ? vcl::be::U32(b + 4) : vcl::le::U32(b + 4);
      ok = version == 42 && first < stream->Size() - at;
    }
  }
  stream->SetPosition(at);
  return ok;
}

bool TTIFFGraphic::ReadImageProperties(vcl::TStream* stream, uint32_t imageIndex) {
  inherited::ReadImageProperties(stream, imageIndex);
  const int64_t start = stream->Position();
  const int64_t size = stream->Size() - start;
  if (size < 8 || size > 0x7FFFFFFF) return false;
  std::vector<uint8_t> data(static_cast<size_t>(size));
  if (stream->Read(data.data(), static_cast<int32_t>(size)) != size) return false;
  TTiffFile f(data.data(), data.size());
  if (!f.Open(imageIndex)) return false;
  if (f.Motorola()) ImageProps.ImageFlags.Include(ifMotorola);
  ImageProps.FileVersion = 42;
  ImageProps.FirstDirOffset = f.U32(data.data() + 4);
  ImageProps.ImageWidth = f.TagValue(256, 0);
  ImageProps.ImageHeight = f.TagValue(257, 0);
  ImageProps.SampleBits = static_cast<uint8_t>(std::min<uint32_t>(f.TagValue(258, 1), 255));
  ImageProps.SampleCount = static_cast<uint8_t>(std::min<uint32_t>(f.TagValue(277, 1), 255));
  ImageProps.Packing = PackingOf(f.TagValue(259, 1));
  const uint32_t photometric = f.TagValue(262, 0);
  ImageProps.Scheme = SchemeOf(photometric, ImageProps.SampleCount);
  if (photometric == 0) ImageProps.ImageFlags.Include(ifMinIsWhite);
  if (f.TagValue(266, 1) == 2) ImageProps.ImageFlags.Include(ifReversedBits);
  ImageProps.PixelBits = static_cast<uint8_t>(std::min<uint32_t>(ImageProps.SampleBits * ImageProps.SampleCount, 255));
  const float unit = f.TagValue(296, 2) == 3 ? 2.54f : 1.0f;
  ImageProps.DpiX = f.TagFloat(282, 0) * unit;
  ImageProps.DpiY = f.TagFloat(283, 0) * unit;
  ImageProps.PlanarMode = f.TagValue(284, 1);
  ImageProps.PredictorKind = f.TagValue(317, 1);
  ImageProps.TileCols = f.TagValue(322, 0);
  ImageProps.TileRows = f.TagValue(323, 0);
  if (ImageProps.TileCols && ImageProps.TileRows) ImageProps.ImageFlags.Include(ifTiled);
  const std::vector<uint32_t> extra = f.TagCardinals(338);
  ImageProps.AlphaPresent = !extra.empty() && std::all_of(extra.begin(), extra.end(), [](uint32_t v) { return v <= 2; });
  const uint32_t rows = f.TagValue(278, 0xFFFFFFFF);
  ImageProps.StripRows = {rows == 0xFFFFFFFF || rows == 0 ? ImageProps.ImageHeight : rows};
  ImageProps.ChromaSubsampling = {static_cast<uint8_t>(f.TagValue(530, 2, 0)), static_cast<uint8_t>(f.TagValue(530, 2, 1))};
  ImageProps.JpegColourMode = 0;
  ImageProps.JpegTableMode = 3;
  if (const TTIFFEntry* tables = f.FindDirEntry(347))
    ImageProps.JpegTableData.assign(tables->values, tables->values + tables->count * TypeSize(tables->type));
  return ImageProps.ImageWidth > 0 && ImageProps.ImageHeight > 0 && ImageProps.ImageWidth <= 0x7FFFFFF &&
         ImageProps.ImageHeight <= 0x7FFFFFF;
}

void TTIFFGraphic::LoadFromStream(vcl::TStream* stream) {
  BeginLoad(stream, kName);
  const int64_t size = stream->Size() - StartOffset;
  std::vector<uint8_t> data(static_cast<size_t>(size));
  stream->SetPosition(StartOffset);
  stream->ReadBuffer(data.data(), static_cast<int32_t>(size));
  TTiffFile f(data.data(), data.size());
  if (!f.Open(0)) RaiseInvalidTIFF();
  TImageProperties& p = ImageProps;
  const uint32_t width = p.ImageWidth, height = p.ImageHeight;
  const uint32_t bits = p.SampleBits, samples = p.SampleCount;
  const bool motorola = p.ImageFlags.Contains(ifMotorola);
  const bool planar = p.PlanarMode == 2 && samples > 1;
  const bool tiled = p.ImageFlags.Contains(ifTiled);
  ProgressArea = vcl::Rect(0, 0, static_cast<int>(width), 1);
  ProgressStarting(messages::gesPreparing);

  // The layout the bitmap can take.
  const bool jpeg = p.Packing == pkJPEG;
  const bool subsampled = p.Scheme == scYCbCr && !jpeg &&
                          (p.ChromaSubsampling[0] != 1 || p.ChromaSubsampling[1] != 1);
  if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16) RaiseGraphicErrorFmt(messages::gesInvalidColorFormat, kName);
  if (samples == 0 || samples > 4 || p.Scheme == scUnknown ||
      (bits < 8 && (samples > 1 || p.Scheme == scYCbCr)) || (planar && (bits < 8 || subsampled)) ||
      (p.Scheme == scRGB && samples < 3) || (p.Scheme == scCMYK && samples < 4) ||
      (p.Scheme == scCIELab && samples < 3) || (p.Scheme == scYCbCr && samples != 3) ||
      (p.Scheme == scIndexed && (samples != 1 || bits > 8)) || (subsampled && tiled))
    RaiseGraphicErrorFmt(messages::gesInvalidColorFormat, kName);
  if (p.PredictorKind != 1 && (p.PredictorKind != 2 || bits < 8)) RaiseUnsupported();

  TColorManager* cm = ColourConverter();
  cm->SourceOptions = motorola ? TColorOptions{cvoSwapBytes} : TColorOptions{};
  cm->TargetOptions = TColorOptions{};
  cm->SetSourceBitsPerSample(static_cast<uint8_t>(jpeg ? 8 : bits));
  cm->SetTargetBitsPerSample(static_cast<uint8_t>(bits == 16 || jpeg ? 8 : bits == 2 ? 4 : bits));
  TColorSchemeKind source = p.Scheme, target = p.Scheme;
  uint32_t sourceCount = samples, targetCount = samples;
  switch (p.Scheme) {
    case scGray: break;
    case scGrayAlpha: target = scGray, sourceCount = targetCount = 1; break;
    case scIndexed: break;
    case scRGB: target = scBGR; break;
    case scRGBA: target = scBGRA; break;
    case scCMYK: target = scBGR, targetCount = 3; break;
    case scCIELab:
      target = scBGR, sourceCount = targetCount = 3;
      cm->SourceOptions.Include(cvoLabByteRange);
      break;
    case scYCbCr: target = scBGR; break;
    default: break;
  }
  if (jpeg) {
    // The JPEG decoder hands over grey or blue, green, red rows.
    if (p.Scheme != scGray && p.Scheme != scRGB && p.Scheme != scYCbCr) RaiseGraphicErrorFmt(messages::gesInvalidColorFormat, kName);
    source = p.Scheme == scGray ? scGray : scBGR;
    target = p.Scheme == scGray ? scGray : scBGR;
  }
  cm->SetSourceScheme(source);
  cm->SetTargetScheme(target);
  cm->SetSourceSampleCount(static_cast<uint8_t>(sourceCount));
  cm->SetTargetSampleCount(static_cast<uint8_t>(targetCount));
  if (p.Scheme == scYCbCr && !jpeg) {
    const float coefficients[3] = {f.TagFloat(529, 0.299f, 0), f.TagFloat(529, 0.587f, 1), f.TagFloat(529, 0.114f, 2)};
    try {
      cm->SetYCbCrSettings(coefficients, p.ChromaSubsampling[0], p.ChromaSubsampling[1]);
    } catch (const EColorConversionError&) {
      RaiseGraphicErrorFmt(messages::gesInvalidColorFormat, kName);
    }
  }
  const vcl::TPixelFormat format = p.Scheme == scGrayAlpha ? vcl::pf8bit : cm->PixelFormatForTarget();
  if (format == vcl::pfCustom) RaiseGraphicErrorFmt(messages::gesInvalidColorFormat, kName);

  // The colour map: 2^bits entries of red, then green, then blue.
  std::vector<uint8_t> colourMap;
  if (p.Scheme == scIndexed) {
    const TTIFFEntry* map = f.FindDirEntry(320);
    const uint32_t entries = 1u << bits;
    if (!map || map->count != entries * 3 || TypeSize(map->type) != 2)
      RaiseGraphicErrorFmt(messages::gesInvalidPalette, kName);
    for (uint32_t i = 0; i < map->count; ++i) {
      const uint16_t v = f.U16(map->values + i * 2);
      colourMap.push_back(static_cast<uint8_t>(v));
      colourMap.push_back(static_cast<uint8_t>(v >> 8));
    }
  }

  // The chunks (strips or tiles), plane after plane when the samples are in planes.
  const uint32_t chunkWidth = tiled ? p.TileCols : width;
  const uint32_t chunkHeight = tiled ? p.TileRows : std::max<uint32_t>(1, std::min(p.StripRows[0], height));
  const uint32_t across = (width + chunkWidth - 1) / chunkWidth;
  const uint32_t down = (height + chunkHeight - 1) / chunkHeight;
  const uint32_t planes = planar ? samples : 1;
  const uint32_t chunkSamples = planar ? 1 : samples;
  const std::vector<uint32_t> offsets = f.TagCardinals(tiled ? 324 : 273);
  const std::vector<uint32_t> counts = f.TagCardinals(tiled ? 325 : 279);
  const uint64_t chunkTotal = uint64_t{across} * down * planes;
  if (offsets.size() < chunkTotal || (p.Packing != pkNone && counts.size() < chunkTotal)) RaiseInvalidTIFF();
  p.StripTotal = static_cast<uint32_t>(chunkTotal);
  // Rows of a chunk: pixels of its width in the samples it holds; subsampled YCbCr in data units.
  const uint64_t chunkRowBytes = (uint64_t{chunkWidth} * bits * chunkSamples + 7) / 8;
  const uint32_t unitRows = subsampled ? p.ChromaSubsampling[1] : 1;
  const uint64_t unitRowBytes = subsampled ? cm->UnitRowBytes(chunkWidth) : chunkRowBytes;
  const uint64_t chunkBytes = unitRowBytes * ((chunkHeight + unitRows - 1) / unitRows);
  // Planes of the whole image as the file holds them.
  const uint64_t planeRowBytes = (uint64_t{width} * bits * chunkSamples + 7) / 8;
  const uint64_t planeBytes = subsampled ? unitRowBytes * ((height + unitRows - 1) / unitRows) : planeRowBytes * height;
  if (planeBytes * planes > kMaxImageBytes || chunkBytes > kMaxImageBytes ||
      (p.Packing == pkNone && planeBytes * planes > data.size()))
    RaiseInvalidTIFF();

  std::unique_ptr<TDecoder> decoder;
  const bool reversed = p.ImageFlags.Contains(ifReversedBits);
  const uint32_t t4 = f.TagValue(292, 0), t6 = f.TagValue(293, 0);
  switch (p.Packing) {
    case pkNone: break;
    case pkPackBits: decoder = std::make_unique<TPackbitsRLEDecoder>(); break;
    case pkFax3: decoder = std::make_unique<TCCITTFax3Decoder>(t4, reversed, false, int32_t(chunkWidth)); break;
    case pkFax4: decoder = std::make_unique<TCCITTFax4Decoder>(t6, reversed, false, int32_t(chunkWidth)); break;
    case pkModifiedHuffman: decoder = std::make_unique<TCCITTMHDecoder>(0, reversed, false, int32_t(chunkWidth)); break;
    case pkModifiedHuffmanW: decoder = std::make_unique<TCCITTMHDecoder>(0, reversed, true, int32_t(chunkWidth)); break;
    case pkDeflate: decoder = std::make_unique<TLZ77Decoder>(1, true); break;
    case pkJPEG: decoder = std::make_unique<TTIFFJPEGDecoder>(&p); break;
    case pkThunderScan: decoder = std::make_unique<TThunderDecoder>(int32_t(chunkWidth)); break;
    default: RaiseUnsupported();
  }
  if ((p.Packing == pkFax3 || p.Packing == pkFax4 || p.Packing == pkModifiedHuffman ||
       p.Packing == pkModifiedHuffmanW) && (bits != 1 || samples != 1))
    RaiseGraphicErrorFmt(messages::gesInvalidColorFormat, kName);
  if (p.Packing == pkThunderScan && (bits != 4 || samples != 1)) RaiseGraphicErrorFmt(messages::gesInvalidColorFormat, kName);

  try {
    SetPixelFormat(format);
    if (p.Scheme == scIndexed) {
      const uint32_t entries = 1u << bits;
      const TColorOptions options = cm->SourceOptions;
      cm->SourceOptions.Exclude(cvoSwapBytes);  // the map is in host order already
      const void* maps[] = {colourMap.data(), colourMap.data() + entries * 2, colourMap.data() + entries * 4};
      SetPalette(cm->BuildColorPalette(maps, plPlanar16x3, entries, false));
      cm->SourceOptions = options;
    } else if (target == scGray) {
      SetPalette(cm->BuildGrayPalette(p.ImageFlags.Contains(ifMinIsWhite)));
    }
    SetSize(static_cast<int>(width), static_cast<int>(height));
    std::vector<std::vector<uint8_t>> image(planes, std::vector<uint8_t>(static_cast<size_t>(planeBytes), 0));
    std::vector<uint8_t> chunk(static_cast<size_t>(chunkBytes));
    ProgressEnding();
    ProgressStarting(messages::gesLoadingData);
    if (decoder) decoder->DecodeInit();
    for (uint64_t c = 0; c < chunkTotal; ++c) {
      p.StripIndex = static_cast<uint32_t>(c);
      const uint32_t plane = static_cast<uint32_t>(c / (uint64_t{across} * down));
      const uint32_t within = static_cast<uint32_t>(c % (uint64_t{across} * down));
      const uint32_t x0 = (within % across) * chunkWidth, y0 = (within / across) * chunkHeight;
      const uint32_t rows = std::min(chunkHeight, height - y0);
      // Strips end with the image; tiles keep their full size.
      const uint64_t wanted = tiled ? chunkBytes : unitRowBytes * ((rows + unitRows - 1) / unitRows);
      std::fill(chunk.begin(), chunk.end(), 0);
      const uint64_t offset = offsets[c];
      const uint64_t available = offset < data.size() ? data.size() - offset : 0;
      const uint64_t stored = std::min<uint64_t>(c < counts.size() ? counts[c] : wanted, available);
      const uint8_t* s = data.data() + (offset < data.size() ? offset : 0);
      if (!decoder) {
        std::memcpy(chunk.data(), s, static_cast<size_t>(std::min(stored, wanted)));
      } else {
        uint8_t* t = chunk.data();
        // The decoders that need it (JPEG) size a strip by the rows still to come.
        p.RowIndex = y0;
        try {
          decoder->Decode(s, t, static_cast<int32_t>(stored), static_cast<int32_t>(wanted));
        } catch (const EGraphicCompression&) {
          RaiseGraphicErrorFmt(messages::gesCompression, kName);
        }
      }
      if (subsampled) {
        std::memcpy(image[0].data() + (y0 / unitRows) * unitRowBytes, chunk.data(),
                    static_cast<size_t>(std::min<uint64_t>(wanted, planeBytes - (y0 / unitRows) * unitRowBytes)));
        continue;
      }
      const uint32_t columns = std::min(chunkWidth, width - x0);
      const uint64_t columnBytes = (uint64_t{columns} * bits * chunkSamples + 7) / 8;
      const uint64_t xBytes = uint64_t{x0} * bits * chunkSamples / 8;
      for (uint32_t r = 0; r < rows; ++r) {
        uint8_t* row = chunk.data() + r * chunkRowBytes;
        if (p.PredictorKind == 2) UndoPredictor(row, chunkWidth, chunkSamples, bits, motorola);
        std::memcpy(image[plane].data() + (y0 + r) * planeRowBytes + xBytes, row, static_cast<size_t>(columnBytes));
      }
      p.RowIndex = y0 + rows;
    }
    if (decoder) decoder->DecodeEnd();
    ProgressEnding();
    ProgressStarting(messages::gesTransfering);
    if (subsampled) {
      const uint32_t v = p.ChromaSubsampling[1];
      for (uint32_t y = 0; y < height; y += v) {
        void* targets[4] = {};
        const uint32_t n = std::min(v, height - y);
        for (uint32_t k = 0; k < n; ++k) targets[k] = ScanLine(static_cast<int>(y + k));
        cm->ConvertUnitRow(image[0].data() + (y / v) * unitRowBytes, targets, n, width);
        for (uint32_t k = 0; k < n; ++k) ProgressRow(y + k);
      }
    } else {
      for (uint32_t y = 0; y < height; ++y) {
        void* line = ScanLine(static_cast<int>(y));
        if (planar) {
          const void* sources[4] = {};
          for (uint32_t k = 0; k < planes; ++k) sources[k] = image[k].data() + y * planeRowBytes;
          cm->ConvertLine(std::span<const void* const>(sources, std::min<uint32_t>(planes, sourceCount == 1 ? 1 : planes)),
                          line, width);
        } else {
          cm->ConvertLine(image[0].data() + y * planeRowBytes, line, width);
        }
        ProgressRow(y);
      }
    }
    ProgressEnding();
  } catch (...) {
    SetHandle(nullptr);
    throw;
  }
}

// ---- EPS ------------------------------------------------------------------------------------

namespace {

constexpr int kEpsHeaderSize = 30;
constexpr uint32_t kEpsMagic = 0xC6D3D0C5;

}  // namespace

TEPSGraphic::TEPSGraphic() = default;
TEPSGraphic::~TEPSGraphic() = default;

bool TEPSGraphic::CanLoadStream(vcl::TStream* stream) {
  const int64_t at = stream->Position();
  uint8_t b[kEpsHeaderSize];
  const bool ok = stream->Size() - at > kEpsHeaderSize && stream->Read(b, kEpsHeaderSize) == kEpsHeaderSize &&
                  vcl::le::U32(b) == kEpsMagic && vcl::le::U32(b + 20) >= kEpsHeaderSize && vcl::le::U32(b + 24) > 0 &&
                  uint64_t{vcl::le::U32(b + 20)} + vcl::le::U32(b + 24) <= static_cast<uint64_t>(stream->Size() - at);
  stream->SetPosition(at);
  return ok;
}

void TEPSGraphic::LoadFromStream(vcl::TStream* stream) {
  const int64_t at = stream->Position();
  uint8_t b[kEpsHeaderSize];
  if (stream->Read(b, kEpsHeaderSize) != kEpsHeaderSize || vcl::le::U32(b) != kEpsMagic || vcl::le::U32(b + 20) < kEpsHeaderSize ||
      vcl::le::U32(b + 24) == 0 || uint64_t{vcl::le::U32(b + 20)} + vcl::le::U32(b + 24) > static_cast<uint64_t>(stream->Size() - at))
    RaiseGraphicErrorFmt(messages::gesInvalidImage, "EPS");
  // The preview, read as a TIFF file of its own.
  vcl::TMemoryStream preview;
  stream->SetPosition(at + vcl::le::U32(b + 20));
  preview.CopyFrom(stream, static_cast<int64_t>(vcl::le::U32(b + 24)));
  preview.SetPosition(0);
  inherited::LoadFromStream(&preview);
}

}  // namespace formats
