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

  bool Has(uint16_t tag) const { return DirEntries.count(tag) != 0; }
  uint32_t Count(uint16_t tag) const { return Has(tag) ? DirEntries.at(tag).count : 0; }
  // Value `i` of an integer list, or `fallback`.
  uint32_t TagValue(uint16_t tag, uint32_t fallback, uint32_t i = 0) const {
    auto it = DirEntries.find(tag);
    if (it == DirEntries.end() || i >= it->second.count) return fallback;
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
    auto it = DirEntries.find(tag);
    if (it == DirEntries.end() || i >= it->second.count) return fallback;
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
    auto it = DirEntries.find(tag);
    return it == DirEntries.end() ? nullptr : &it->second;
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
      DirEntries[U16(p)] = e;
    }
    return true;
  }

  const uint8_t* data_;
  size_t size_;
  bool motorola_ = false;
  std::map<uint16_t, TTIFFEntry> DirEntries;  // by tag, each list checked to lie in the file
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

// What one load's steps share: the directory, the layout of the image's strips or tiles, the
// colour conversion chosen for it and the image data gathered from them.
struct TTIFFGraphic::TTIFFLoad {
  explicit TTIFFLoad(const std::vector<uint8_t>& file) : Data(file), File(file.data(), file.size()) {}

  const std::vector<uint8_t>& Data;
  TTiffFile File;
  uint32_t Width = 0, Height = 0, Bits = 0, Samples = 0;
  bool Motorola = false, Planar = false, Tiled = false, Jpeg = false, Subsampled = false;
  TColorSchemeKind Target = scUnknown;
  uint32_t SourceCount = 0;
  vcl::TPixelFormat Format = vcl::pfDevice;
  // The colour map: 2^bits entries of red, then green, then blue, in host order.
  std::vector<uint8_t> ColourMapWords;
  // The chunks (strips or tiles), plane after plane when the samples are in planes.
  uint32_t ChunkWidth = 0, ChunkHeight = 0, Across = 0, Down = 0, Planes = 1, ChunkSamples = 0;
  std::vector<uint32_t> Offsets, Counts;
  uint64_t ChunkTotal = 0;
  uint64_t ChunkRowBytes = 0, UnitRowBytes = 0, ChunkBytes = 0;
  uint32_t UnitRows = 1;
  // Planes of the whole image as the file holds them.
  uint64_t PlaneRowBytes = 0, PlaneBytes = 0;
  std::vector<std::vector<uint8_t>> Image;
  std::unique_ptr<TDecoder> Decoder;

  // Depths, sample counts and schemes the bitmap has pixels for; others raise.
  void CheckLayout(const TImageProperties& p) const {
    if (Bits != 1 && Bits != 2 && Bits != 4 && Bits != 8 && Bits != 16)
      RaiseGraphicErrorFmt(messages::gesInvalidColorFormat, kName);
    if (Samples == 0 || Samples > 4 || p.Scheme == scUnknown ||
        (Bits < 8 && (Samples > 1 || p.Scheme == scYCbCr)) || (Planar && (Bits < 8 || Subsampled)) ||
        (p.Scheme == scRGB && Samples < 3) || (p.Scheme == scCMYK && Samples < 4) ||
        (p.Scheme == scCIELab && Samples < 3) || (p.Scheme == scYCbCr && Samples != 3) ||
        (p.Scheme == scIndexed && (Samples != 1 || Bits > 8)) || (Subsampled && Tiled))
      RaiseGraphicErrorFmt(messages::gesInvalidColorFormat, kName);
    if (p.PredictorKind != 1 && (p.PredictorKind != 2 || Bits < 8)) RaiseUnsupported();
  }

  // The converter from the file's samples to the bitmap's pixels, and the pixel format.
  void PrepareColourConverter(TColorManager* cm, const TImageProperties& p) {
    cm->SourceOptions = Motorola ? TColorOptions{cvoSwapBytes} : TColorOptions{};
    cm->TargetOptions = TColorOptions{};
    cm->SetSourceBitsPerSample(static_cast<uint8_t>(Jpeg ? 8 : Bits));
    cm->SetTargetBitsPerSample(static_cast<uint8_t>(Bits == 16 || Jpeg ? 8 : Bits == 2 ? 4 : Bits));
    TColorSchemeKind source = p.Scheme;
    Target = p.Scheme;
    SourceCount = Samples;
    uint32_t targetCount = Samples;
    switch (p.Scheme) {
      case scGrayAlpha: Target = scGray, SourceCount = targetCount = 1; break;
      case scRGB: Target = scBGR; break;
      case scRGBA: Target = scBGRA; break;
      case scCMYK: Target = scBGR, targetCount = 3; break;
      case scCIELab:
        Target = scBGR, SourceCount = targetCount = 3;
        cm->SourceOptions.Include(cvoLabByteRange);
        break;
      case scYCbCr: Target = scBGR; break;
      default: break;
    }
    if (Jpeg) {
      // The JPEG decoder hands over grey or blue, green, red rows.
      if (p.Scheme != scGray && p.Scheme != scRGB && p.Scheme != scYCbCr)
        RaiseGraphicErrorFmt(messages::gesInvalidColorFormat, kName);
      source = p.Scheme == scGray ? scGray : scBGR;
      Target = p.Scheme == scGray ? scGray : scBGR;
    }
    cm->SetSourceScheme(source);
    cm->SetTargetScheme(Target);
    cm->SetSourceSampleCount(static_cast<uint8_t>(SourceCount));
    cm->SetTargetSampleCount(static_cast<uint8_t>(targetCount));
    if (p.Scheme == scYCbCr && !Jpeg) {
      const float ChromaCoefficients[3] = {File.TagFloat(529, 0.299f, 0), File.TagFloat(529, 0.587f, 1),
                                           File.TagFloat(529, 0.114f, 2)};
      try {
        cm->SetYCbCrSettings(ChromaCoefficients, p.ChromaSubsampling[0], p.ChromaSubsampling[1]);
      } catch (const EColorConversionError&) {
        RaiseGraphicErrorFmt(messages::gesInvalidColorFormat, kName);
      }
    }
    Format = p.Scheme == scGrayAlpha ? vcl::pf8bit : cm->PixelFormatForTarget();
    if (Format == vcl::pfCustom) RaiseGraphicErrorFmt(messages::gesInvalidColorFormat, kName);
  }

  // ColorMap: exactly 3 x 2^bits 16-bit values, or the palette is invalid.
  void ReadColourMap() {
    const TTIFFEntry* map = File.FindDirEntry(320);
    const uint32_t entries = 1u << Bits;
    if (!map || map->count != entries * 3 || TypeSize(map->type) != 2)
      RaiseGraphicErrorFmt(messages::gesInvalidPalette, kName);
    for (uint32_t i = 0; i < map->count; ++i) {
      const uint16_t v = File.U16(map->values + i * 2);
      ColourMapWords.push_back(static_cast<uint8_t>(v));
      ColourMapWords.push_back(static_cast<uint8_t>(v >> 8));
    }
  }

  // Strips or tiles: their size, where they lie, and the bytes of a chunk and of the image;
  // lists that do not cover the image, and sizes beyond what the file could hold, raise.
  void MeasureChunks(TImageProperties& p, const TColorManager* cm) {
    ChunkWidth = Tiled ? p.TileCols : Width;
    ChunkHeight = Tiled ? p.TileRows : std::max<uint32_t>(1, std::min(p.StripRows[0], Height));
    Across = (Width + ChunkWidth - 1) / ChunkWidth;
    Down = (Height + ChunkHeight - 1) / ChunkHeight;
    Planes = Planar ? Samples : 1;
    ChunkSamples = Planar ? 1 : Samples;
    Offsets = File.TagCardinals(Tiled ? 324 : 273);
    Counts = File.TagCardinals(Tiled ? 325 : 279);
    ChunkTotal = uint64_t{Across} * Down * Planes;
    if (Offsets.size() < ChunkTotal || (p.Packing != pkNone && Counts.size() < ChunkTotal)) RaiseInvalidTIFF();
    p.StripTotal = static_cast<uint32_t>(ChunkTotal);
    // Rows of a chunk: pixels of its width in the samples it holds; subsampled YCbCr in data units.
    ChunkRowBytes = (uint64_t{ChunkWidth} * Bits * ChunkSamples + 7) / 8;
    UnitRows = Subsampled ? p.ChromaSubsampling[1] : 1;
    UnitRowBytes = Subsampled ? cm->UnitRowBytes(ChunkWidth) : ChunkRowBytes;
    ChunkBytes = UnitRowBytes * ((ChunkHeight + UnitRows - 1) / UnitRows);
    PlaneRowBytes = (uint64_t{Width} * Bits * ChunkSamples + 7) / 8;
    PlaneBytes = Subsampled ? UnitRowBytes * ((Height + UnitRows - 1) / UnitRows) : PlaneRowBytes * Height;
    if (PlaneBytes * Planes > kMaxImageBytes || ChunkBytes > kMaxImageBytes ||
        (p.Packing == pkNone && PlaneBytes * Planes > Data.size()))
      RaiseInvalidTIFF();
  }

  // The decoder of the packing; kinds without one raise "not supported".
  void CreateDecoder(TImageProperties& p) {
    const bool reversed = p.ImageFlags.Contains(ifReversedBits);
    const uint32_t t4 = File.TagValue(292, 0), t6 = File.TagValue(293, 0);
    const int32_t columns = static_cast<int32_t>(ChunkWidth);
    switch (p.Packing) {
      case pkNone: break;
      case pkPackBits: Decoder = std::make_unique<TPackbitsRLEDecoder>(); break;
      case pkFax3: Decoder = std::make_unique<TCCITTFax3Decoder>(t4, reversed, false, columns); break;
      case pkFax4: Decoder = std::make_unique<TCCITTFax4Decoder>(t6, reversed, false, columns); break;
      case pkModifiedHuffman: Decoder = std::make_unique<TCCITTMHDecoder>(0, reversed, false, columns); break;
      case pkModifiedHuffmanW: Decoder = std::make_unique<TCCITTMHDecoder>(0, reversed, true, columns); break;
      case pkDeflate: Decoder = std::make_unique<TLZ77Decoder>(1, true); break;
      case pkJPEG: Decoder = std::make_unique<TTIFFJPEGDecoder>(&p); break;
      case pkThunderScan: Decoder = std::make_unique<TThunderDecoder>(columns); break;
      default: RaiseUnsupported();
    }
    if ((p.Packing == pkFax3 || p.Packing == pkFax4 || p.Packing == pkModifiedHuffman ||
         p.Packing == pkModifiedHuffmanW) && (Bits != 1 || Samples != 1))
      RaiseGraphicErrorFmt(messages::gesInvalidColorFormat, kName);
    if (p.Packing == pkThunderScan && (Bits != 4 || Samples != 1)) RaiseGraphicErrorFmt(messages::gesInvalidColorFormat, kName);
  }

  // Every strip or tile decoded (or copied) into the image planes, predictor undone.
  void ReadChunks(TImageProperties& p) {
    Image.assign(Planes, std::vector<uint8_t>(static_cast<size_t>(PlaneBytes), 0));
    std::vector<uint8_t> chunk(static_cast<size_t>(ChunkBytes));
    if (Decoder) Decoder->DecodeInit();
    for (uint64_t c = 0; c < ChunkTotal; ++c) {
      p.StripIndex = static_cast<uint32_t>(c);
      const uint32_t plane = static_cast<uint32_t>(c / (uint64_t{Across} * Down));
      const uint32_t within = static_cast<uint32_t>(c % (uint64_t{Across} * Down));
      const uint32_t x0 = (within % Across) * ChunkWidth, y0 = (within / Across) * ChunkHeight;
      const uint32_t rows = std::min(ChunkHeight, Height - y0);
      // Strips end with the image; tiles keep their full size.
      const uint64_t wanted = Tiled ? ChunkBytes : UnitRowBytes * ((rows + UnitRows - 1) / UnitRows);
      std::fill(chunk.begin(), chunk.end(), 0);
      const uint64_t offset = Offsets[c];
      const uint64_t available = offset < Data.size() ? Data.size() - offset : 0;
      const uint64_t stored = std::min<uint64_t>(c < Counts.size() ? Counts[c] : wanted, available);
      const uint8_t* s = Data.data() + (offset < Data.size() ? offset : 0);
      if (!Decoder) {
        std::memcpy(chunk.data(), s, static_cast<size_t>(std::min(stored, wanted)));
      } else {
        uint8_t* t = chunk.data();
        // The decoders that need it (JPEG) size a strip by the rows still to come.
        p.RowIndex = y0;
        try {
          Decoder->Decode(s, t, static_cast<int32_t>(stored), static_cast<int32_t>(wanted));
        } catch (const EGraphicCompression&) {
          RaiseGraphicErrorFmt(messages::gesCompression, kName);
        }
      }
      if (Subsampled) {
        std::memcpy(Image[0].data() + (y0 / UnitRows) * UnitRowBytes, chunk.data(),
                    static_cast<size_t>(std::min<uint64_t>(wanted, PlaneBytes - (y0 / UnitRows) * UnitRowBytes)));
        continue;
      }
      const uint32_t columns = std::min(ChunkWidth, Width - x0);
      const uint64_t columnBytes = (uint64_t{columns} * Bits * ChunkSamples + 7) / 8;
      const uint64_t xBytes = uint64_t{x0} * Bits * ChunkSamples / 8;
      for (uint32_t r = 0; r < rows; ++r) {
        uint8_t* row = chunk.data() + r * ChunkRowBytes;
        if (p.PredictorKind == 2) UndoPredictor(row, ChunkWidth, ChunkSamples, Bits, Motorola);
        std::memcpy(Image[plane].data() + (y0 + r) * PlaneRowBytes + xBytes, row, static_cast<size_t>(columnBytes));
      }
      p.RowIndex = y0 + rows;
    }
    if (Decoder) Decoder->DecodeEnd();
  }
};

void TTIFFGraphic::LoadFromStream(vcl::TStream* stream) {
  BeginLoad(stream, kName);
  const int64_t size = stream->Size() - StartOffset;
  std::vector<uint8_t> data(static_cast<size_t>(size));
  stream->SetPosition(StartOffset);
  stream->ReadBuffer(data.data(), static_cast<int32_t>(size));
  TTIFFLoad load(data);
  if (!load.File.Open(0)) RaiseInvalidTIFF();
  TImageProperties& p = ImageProps;
  load.Width = p.ImageWidth, load.Height = p.ImageHeight;
  load.Bits = p.SampleBits, load.Samples = p.SampleCount;
  load.Motorola = p.ImageFlags.Contains(ifMotorola);
  load.Planar = p.PlanarMode == 2 && load.Samples > 1;
  load.Tiled = p.ImageFlags.Contains(ifTiled);
  load.Jpeg = p.Packing == pkJPEG;
  load.Subsampled = p.Scheme == scYCbCr && !load.Jpeg && (p.ChromaSubsampling[0] != 1 || p.ChromaSubsampling[1] != 1);
  ProgressArea = vcl::Rect(0, 0, static_cast<int>(load.Width), 1);
  ProgressStarting(messages::gesPreparing);

  load.CheckLayout(p);
  TColorManager* cm = ColourConverter();
  load.PrepareColourConverter(cm, p);
  if (p.Scheme == scIndexed) load.ReadColourMap();
  load.MeasureChunks(p, cm);
  load.CreateDecoder(p);

  try {
    SetPixelFormat(load.Format);
    if (p.Scheme == scIndexed) {
      const uint32_t entries = 1u << load.Bits;
      const TColorOptions options = cm->SourceOptions;
      cm->SourceOptions.Exclude(cvoSwapBytes);  // the map is in host order already
      const uint8_t* words = load.ColourMapWords.data();
      const void* maps[] = {words, words + entries * 2, words + entries * 4};
      SetPalette(cm->BuildColorPalette(maps, plPlanar16x3, entries, false));
      cm->SourceOptions = options;
    } else if (load.Target == scGray) {
      SetPalette(cm->BuildGrayPalette(p.ImageFlags.Contains(ifMinIsWhite)));
    }
    SetSize(static_cast<int>(load.Width), static_cast<int>(load.Height));
    ProgressEnding();
    ProgressStarting(messages::gesLoadingData);
    load.ReadChunks(p);
    ProgressEnding();
    ProgressStarting(messages::gesTransfering);
    TransferRows(load);
    ProgressEnding();
  } catch (...) {
    SetHandle(nullptr);
    throw;
  }
}

void TTIFFGraphic::TransferRows(TTIFFLoad& load) {
  TColorManager* cm = ColourConverter();
  const uint32_t width = load.Width, height = load.Height;
  if (load.Subsampled) {
    const uint32_t v = ImageProps.ChromaSubsampling[1];
    for (uint32_t y = 0; y < height; y += v) {
      void* targets[4] = {};
      const uint32_t n = std::min(v, height - y);
      for (uint32_t k = 0; k < n; ++k) targets[k] = ScanLine(static_cast<int>(y + k));
      cm->ConvertUnitRow(load.Image[0].data() + (y / v) * load.UnitRowBytes, targets, n, width);
      for (uint32_t k = 0; k < n; ++k) ProgressRow(y + k);
    }
    return;
  }
  for (uint32_t y = 0; y < height; ++y) {
    void* line = ScanLine(static_cast<int>(y));
    if (load.Planar) {
      const void* sources[4] = {};
      for (uint32_t k = 0; k < load.Planes; ++k) sources[k] = load.Image[k].data() + y * load.PlaneRowBytes;
      const uint32_t used = std::min<uint32_t>(load.Planes, load.SourceCount == 1 ? 1 : load.Planes);
      cm->ConvertLine(std::span<const void* const>(sources, used), line, width);
    } else {
      cm->ConvertLine(load.Image[0].data() + y * load.PlaneRowBytes, line, width);
    }
    ProgressRow(y);
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
