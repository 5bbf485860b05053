#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "imaging/base/buffered_read_stream.h"
#include "imaging/codecs/jpeg/jpeg_codec.h"
#include "imaging/codecs/psd/psd_codec.h"
#include "imaging/model/icc_profile.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "imaging/params/io_settings.h"
#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

// Damage found on the way: the read ends with the aborting flag.
struct TDamaged {};

// A big-endian reader that refuses to go past the data.
class TInput {
 public:
  explicit TInput(vcl::TStream* stream) : s_(stream), size_(stream->Size()) {}
  int64_t Position() const { return s_->Position(); }
  int64_t Remaining() const { return size_ - s_->Position(); }
  void Seek(int64_t to) {
    if (to < 0 || to > size_) throw TDamaged();
    s_->SetPosition(to);
  }
  void Skip(int64_t count) { Seek(Position() + count); }
  void Read(void* dest, int64_t count) {
    if (count < 0 || count > Remaining() || count > INT32_MAX || s_->Read(dest, int32_t(count)) != int32_t(count))
      throw TDamaged();
  }
  uint8_t PSDReadByte() {
    uint8_t b;
    Read(&b, 1);
    return b;
  }
  uint32_t PSDReadWord() {
    uint8_t b[2];
    Read(b, 2);
    return vcl::be::U16(b);
  }
  uint32_t PSDReadDWord() {
    uint8_t b[4];
    Read(b, 4);
    return vcl::be::U32(b);
  }
  std::vector<uint8_t> Bytes(int64_t count) {
    if (count < 0 || count > Remaining()) throw TDamaged();
    std::vector<uint8_t> data(static_cast<size_t>(count));
    if (count) Read(data.data(), count);
    return data;
  }

 private:
  vcl::TStream* s_;
  int64_t size_;
};

struct TPSDFileHeader {
  int32_t channels = 0, height = 0, width = 0, depth = 0, mode = 0;
};

bool KnownMode(int32_t mode, int32_t depth) {
  switch (mode) {
    case 0: return depth == 1;
    case 1: case 3: case 4: case 8: case 9: return depth == 8 || depth == 16;
    case 2: case 7: return depth == 8;
    default: return false;
  }
}

bool ReadPSDHeader(vcl::TStream* stream, TPSDFileHeader& h) {
  uint8_t b[26];
  if (stream->Read(b, 26) != 26 || std::memcmp(b, "8BPS", 4) != 0 || b[4] != 0 || b[5] != 1) return false;
  h.channels = vcl::be::U16(b + 12), h.height = int32_t(vcl::be::U32(b + 14)), h.width = int32_t(vcl::be::U32(b + 18)),
  h.depth = vcl::be::U16(b + 22), h.mode = vcl::be::U16(b + 24);
  // Depths other than 1, 8 and 16 have no sample layout here.
  return h.channels >= 1 && h.channels <= 24 && KnownMode(h.mode, h.depth) && h.width > 0 && h.height > 0 &&
         h.width <= 300000 && h.height <= 300000;
}

// PackBits: a header below 128 copies the next h + 1 bytes, above 128 repeats the next byte
// 257 - h times, 128 does nothing. Output stops at the row's end.
void UnpackBits(const std::vector<uint8_t>& packed, std::vector<uint8_t>& row) {
  size_t in = 0, out = 0;
  std::fill(row.begin(), row.end(), 0);
  while (in < packed.size() && out < row.size()) {
    const uint8_t h = packed[in++];
    if (h < 128) {
      const size_t n = std::min<size_t>({size_t(h) + 1, packed.size() - in, row.size() - out});
      std::memcpy(&row[out], &packed[in], n);
      out += n;
      in += size_t(h) + 1;
    } else if (h > 128) {
      if (in >= packed.size()) break;
      const size_t n = std::min<size_t>(257 - h, row.size() - out);
      std::memset(&row[out], packed[in++], n);
      out += n;
    }
  }
}

TIEPixelFormat FormatOf(int32_t mode, int32_t depth) {
  switch (mode) {
    case 0: return ie1g;
    case 2: return ie8p;
    case 3: return depth == 16 ? ieRGB48 : ie24RGB;
    case 4: return ieCMYK;
    case 9: return ieCIELab;
    default: return depth == 16 ? ie16g : ie8g;
  }
}

struct TPSDReader {
  TInput& in;
  TIOParamsVals& params;
  TCodecProgress& progress;
  TPSDFileHeader header;
  std::vector<uint8_t> palette;  // 768 bytes, or empty
  int32_t transparentIndex = -1;

  // The colour mode data: the palette of an indexed image (768 bytes), skipped otherwise.
  void PSDReadColorModeData() {
    const uint32_t modeLength = in.PSDReadDWord();
    if (modeLength == 768)
      palette = in.Bytes(768);
    else
      in.Skip(modeLength);
  }

  int64_t RowLength(int32_t width) const { return (int64_t(width) * header.depth + 7) / 8; }

  // The row byte counts of `rows` rows: read for PackBits, the raw row length otherwise.
  std::vector<uint32_t> RowTable(int32_t compression, int64_t rows, int32_t width) {
    if (compression == 0) return std::vector<uint32_t>(static_cast<size_t>(rows), uint32_t(RowLength(width)));
    if (compression != 1 || rows * 2 > in.Remaining()) throw TDamaged();
    std::vector<uint32_t> table(static_cast<size_t>(rows));
    int64_t total = 0;
    for (uint32_t& count : table) {
      count = in.PSDReadWord();
      total += count;
      // Two bytes of PackBits give at most 128: a row longer than that is no row of this data.
      if (RowLength(width) > int64_t(count) * 64 + 128) throw TDamaged();
    }
    if (total > in.Remaining()) throw TDamaged();
    return table;
  }

  // The next row of a channel into `row`: read as it stands, or its PackBits bytes (their count
  // the table's next entry) unpacked.
  void PSDReadRow(int32_t compression, const std::vector<uint32_t>& table, size_t& next, std::vector<uint8_t>& row) {
    if (next >= table.size()) throw TDamaged();
    const uint32_t count = table[next++];
    if (compression == 0)
      in.Read(row.data(), int64_t(row.size()));
    else
      UnpackBits(in.Bytes(count), row);
  }

  // Decodes one channel's rows (its counts from `table` starting at `next`) into the bitmap.
  void PSDReadChannel(TIEBitmap* bitmap, int32_t width, int32_t height, int32_t channel, int32_t compression,
                   const std::vector<uint32_t>& table, size_t& next) {
    if (width <= 0 || height <= 0) return;
    const TIEPixelFormat format = FormatOf(header.mode, header.depth);
    if (bitmap->Width() != width || bitmap->Height() != height || bitmap->PixelFormat() != format) {
      if (!bitmap->Allocate(width, height, format)) throw TDamaged();
      bitmap->Fill(0);
      if (format == ie8p) {
        for (int32_t i = 0; i < 256; ++i)
          bitmap->SetPaletteColor(i, palette.empty() ? TRGB{uint8_t(i), uint8_t(i), uint8_t(i)}
                                                     : TRGB{palette[512 + i], palette[256 + i], palette[i]});
      }
    }
    const bool wide = header.depth == 16;
    std::vector<uint8_t> row(static_cast<size_t>(RowLength(width)));
    for (int32_t y = 0; y < height; ++y) {
      PSDReadRow(compression, table, next, row);
      auto sample8 = [&](int32_t x) { return wide ? row[size_t(x) * 2] : row[size_t(x)]; };
      auto alphaRow = [&]() { return static_cast<uint8_t*>(bitmap->GetAlphaChannel()->GetScanline(y)); };
      auto* out = static_cast<uint8_t*>(bitmap->GetScanline(y));
      switch (header.mode) {
        case 0:
          if (channel == 0)
            for (size_t i = 0; i < row.size(); ++i) out[i] = uint8_t(~row[i]);
          break;
        case 2:
          if (channel == 0) {
            std::memcpy(out, row.data(), size_t(width));
            if (transparentIndex >= 0) {
              uint8_t* alpha = alphaRow();
              for (int32_t x = 0; x < width; ++x) alpha[x] = row[x] == transparentIndex ? 0 : 255;
            }
          }
          break;
        case 3:
        case 4:
        case 9: {
          const int32_t colours = header.mode == 4 ? 4 : 3;
          if (channel >= 0 && channel < colours) {
            for (int32_t x = 0; x < width; ++x) {
              if (format == ieRGB48) {
                reinterpret_cast<uint16_t*>(out)[x * 3 + channel] = vcl::be::U16(row.data() + x * 2);
              } else if (format == ie24RGB) {
                out[x * 3 + 2 - channel] = sample8(x);
              } else {
                const uint8_t v = sample8(x);
                out[x * colours + channel] = header.mode == 9 && channel > 0 ? uint8_t(v - 128) : v;
              }
            }
          } else if (channel == colours || channel == -1) {
            uint8_t* alpha = alphaRow();
            for (int32_t x = 0; x < width; ++x) alpha[x] = sample8(x);
          }
          break;
        }
        default:  // grey, multichannel, duotone
          if (channel == 0) {
            for (int32_t x = 0; x < width; ++x) {
              if (wide)
                reinterpret_cast<uint16_t*>(out)[x] = vcl::be::U16(row.data() + x * 2);
              else
                out[x] = row[x];
            }
          } else if (channel == 1 || channel == -1) {
            uint8_t* alpha = alphaRow();
            for (int32_t x = 0; x < width; ++x) alpha[x] = sample8(x);
          }
          break;
      }
    }
  }

  // An 8-bit grey mask of the user mask channel.
  void ReadMaskChannel(TIEBitmap* bitmap, int32_t width, int32_t height, int32_t compression,
                       const std::vector<uint32_t>& table, size_t& next) {
    if (!bitmap->Allocate(width, height, ie8g)) throw TDamaged();
    const bool wide = header.depth == 16;
    std::vector<uint8_t> row(static_cast<size_t>(RowLength(width)));
    for (int32_t y = 0; y < height; ++y) {
      PSDReadRow(compression, table, next, row);
      auto* out = static_cast<uint8_t*>(bitmap->GetScanline(y));
      for (int32_t x = 0; x < width; ++x) out[x] = wide ? row[size_t(x) * 2] : row[size_t(x)];
    }
  }

  void PSDHandleResource(uint32_t id, const std::vector<uint8_t>& data, TIEBitmap* bitmap, bool& thumbnailTaken) {
    switch (id) {
      case 1005:
        if (data.size() >= 16) {
          // Resolutions are 16.16 numbers with a unit: 1 pixels per inch, 2 per centimetre.
          const double x = vcl::be::U32(data.data()) / 65536.0, y = vcl::be::U32(data.data() + 8) / 65536.0;
          const double fx = vcl::be::U16(data.data() + 4) == 2 ? 2.54 : 1;
          const double fy = vcl::be::U16(data.data() + 12) == 2 ? 2.54 : 1;
          if (x > 0) params.SetDpiX(int32_t(x * fx));
          if (y > 0) params.SetDpiY(int32_t(y * fy));
        }
        break;
      case 1028: params.IPTCInfoList.LoadFromBuffer(data.data(), int32_t(data.size())); break;
      case 1036:
        if (data.size() > 28) {
          vcl::TMemoryStream jpeg;
          jpeg.WriteBuffer(data.data() + 28, int32_t(data.size() - 28));
          jpeg.SetPosition(0);
          auto thumbnail = std::make_unique<TIEBitmap>();
          TIOParamsVals scratch(nullptr);
          std::atomic<bool> failed{false};
          TCodecProgress thumbProgress;
          thumbProgress.Aborting = &failed;
          ReadJPEGStream(&jpeg, nullptr, thumbnail.get(), scratch, thumbProgress, false, false, false, false, false,
                         false, -1, true);
          if (failed || thumbnail->IsEmpty()) break;
          params.EXIFThumbnail = std::move(thumbnail);
          if (params.LoadEXIFThumbnail && bitmap) {
            bitmap->Assign(params.EXIFThumbnail.get());
            thumbnailTaken = true;
          }
        }
        break;
      case 1039: params.GetInputICCProfile()->LoadFromBuffer(data.data(), int32_t(data.size())); break;
      case 1047:
        if (data.size() >= 2) transparentIndex = vcl::be::U16(data.data());
        break;
      case 1060: params.XMPPacket.assign(data.begin(), data.end()); break;
    }
  }

  void PSDReadResources(TIEBitmap* bitmap, bool& thumbnailTaken) {
    const uint32_t length = in.PSDReadDWord();
    if (length > in.Remaining()) throw TDamaged();
    const int64_t end = in.Position() + length;
    while (in.Position() < end) {
      if (in.Position() & 1) in.Skip(1);
      if (end - in.Position() < 12) break;
      uint8_t signature[4];
      in.Read(signature, 4);
      if (std::memcmp(signature, "8BIM", 4) != 0) break;
      const uint32_t id = in.PSDReadWord();
      const uint32_t nameLength = in.PSDReadByte();
      in.Skip(nameLength + ((nameLength + 1) & 1));
      const uint32_t size = in.PSDReadDWord();
      if (size == 0 || in.Position() + int64_t(size) > end) break;
      PSDHandleResource(id, in.Bytes(size), bitmap, thumbnailTaken);
    }
    in.Seek(end);
  }

  struct TRecord {
    int32_t top, left, bottom, right;
    std::vector<std::pair<int32_t, uint32_t>> channels;
    int32_t maskTop = 0, maskLeft = 0, maskBottom = 0, maskRight = 0;
    TPSDLayer layer;
  };

  static int32_t Signed(uint32_t v) { return int32_t(v); }

  void PSDReadLayers(TPSDLayers& layers) {
    const uint32_t sectionLength = in.PSDReadDWord();
    if (sectionLength > in.Remaining()) throw TDamaged();
    const int64_t sectionEnd = in.Position() + sectionLength;
    if (sectionLength < 4) return in.Seek(sectionEnd);
    const uint32_t infoLength = in.PSDReadDWord();
    if (infoLength == 0 || in.Position() + int64_t(infoLength) > sectionEnd) return in.Seek(sectionEnd);
    const int32_t count = std::abs(int16_t(in.PSDReadWord()));
    std::vector<TRecord> records(static_cast<size_t>(count));
    for (TRecord& r : records) {
      r.top = Signed(in.PSDReadDWord()), r.left = Signed(in.PSDReadDWord()), r.bottom = Signed(in.PSDReadDWord()), r.right = Signed(in.PSDReadDWord());
      if (r.bottom < r.top || r.right < r.left || int64_t(r.bottom) - r.top > 300000 || int64_t(r.right) - r.left > 300000)
        throw TDamaged();
      const uint32_t channels = in.PSDReadWord();
      if (channels > 56) throw TDamaged();
      for (uint32_t c = 0; c < channels; ++c) {
        const int32_t id = int16_t(in.PSDReadWord());
        r.channels.emplace_back(id, in.PSDReadDWord());
      }
      in.Skip(8);  // "8BIM" and the blend mode
      r.layer.Transparency = in.PSDReadByte();
      r.layer.Cropped = in.PSDReadByte() == 0;
      r.layer.Visible = (in.PSDReadByte() & 2) == 0;
      in.Skip(1);
      const uint32_t extra = in.PSDReadDWord();
      if (extra > in.Remaining()) throw TDamaged();
      const int64_t extraEnd = in.Position() + extra;
      const uint32_t maskLength = in.PSDReadDWord();
      if (in.Position() + int64_t(maskLength) > extraEnd) throw TDamaged();
      const int64_t maskEnd = in.Position() + maskLength;
      if (maskLength >= 16) {
        r.maskTop = Signed(in.PSDReadDWord()), r.maskLeft = Signed(in.PSDReadDWord());
        r.maskBottom = Signed(in.PSDReadDWord()), r.maskRight = Signed(in.PSDReadDWord());
      }
      in.Seek(maskEnd);
      const uint32_t blending = in.PSDReadDWord();
      if (in.Position() + int64_t(blending) > extraEnd) throw TDamaged();
      in.Skip(blending);
      if (in.Position() < extraEnd) {
        const uint32_t nameLength = in.PSDReadByte();
        if (in.Position() + int64_t(nameLength) > extraEnd) throw TDamaged();
        const std::vector<uint8_t> name = in.Bytes(nameLength);
        r.layer.Name.assign(name.begin(), name.end());
      }
      // The name's padding and the additional layer information are not needed.
      in.Seek(extraEnd);
      r.layer.PosX = r.left;
      r.layer.PosY = r.top;
    }
    for (size_t i = 0; i < records.size(); ++i) {
      TRecord& r = records[i];
      r.layer.Bitmap = std::make_unique<TIEBitmap>();
      TPSDLayer mask;
      for (const auto& [id, length] : r.channels) {
        const int32_t compression = int32_t(in.PSDReadWord());
        const bool isMask = id == -2;
        const int32_t width = isMask ? r.maskRight - r.maskLeft : r.right - r.left;
        const int32_t height = isMask ? r.maskBottom - r.maskTop : r.bottom - r.top;
        if (width < 0 || height < 0 || width > 300000 || height > 300000) throw TDamaged();
        // A channel cannot hold more rows than its own data length has room for.
        if (compression == 0 && RowLength(width) * height > in.Remaining()) throw TDamaged();
        const std::vector<uint32_t> table = RowTable(compression, height, width);
        size_t next = 0;
        if (isMask) {
          if (width > 0 && height > 0) {
            mask.Bitmap = std::make_unique<TIEBitmap>();
            mask.IsMask = true;
            mask.Visible = false;
            mask.PosX = r.maskLeft;
            mask.PosY = r.maskTop;
            ReadMaskChannel(mask.Bitmap.get(), width, height, compression, table, next);
          }
        } else {
          PSDReadChannel(r.layer.Bitmap.get(), width, height, id, compression, table, next);
        }
      }
      layers.push_back(std::move(r.layer));
      if (mask.Bitmap) layers.push_back(std::move(mask));
      if (progress.OnProgressCode) progress.Report(int32_t(int64_t(i) * 100 / std::max<size_t>(records.size(), 1)));
    }
    in.Seek(sectionEnd);
    // Layers without pixels are dropped, with the mask that follows them.
    for (size_t i = 0; i < layers.size();) {
      if (!layers[i].IsMask && layers[i].Bitmap->IsEmpty()) {
        const bool maskFollows = i + 1 < layers.size() && layers[i + 1].IsMask;
        layers.erase(layers.begin() + i, layers.begin() + i + (maskFollows ? 2 : 1));
      } else {
        ++i;
      }
    }
  }

  // The layer count in the section, without moving.
  int32_t LayerCount() {
    const int64_t here = in.Position();
    int32_t count = 0;
    if (in.Remaining() >= 10) {
      const uint32_t length = in.PSDReadDWord();
      if (length >= 6) {
        in.PSDReadDWord();
        count = std::abs(int16_t(in.PSDReadWord()));
      }
    }
    in.Seek(here);
    return count;
  }
};

}  // namespace

bool IsPSDStream(vcl::TStream* Stream) {
  const int64_t start = Stream->Position();
  TPSDFileHeader header;
  const bool found = ReadPSDHeader(Stream, header);
  Stream->SetPosition(start);
  return found;
}

void ReadPSDStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress,
                   bool LoadLayers, TPSDLayers* Layers) {
  Progress.Report(0);
  TIEBufferedReadStream buffered(Stream, false, 65536);
  TPSDFileHeader header;
  if (!ReadPSDHeader(&buffered, header)) return Progress.Abort();
  TInput in(&buffered);
  TPSDReader reader{in, Params, Progress, header, {}, -1};
  try {
    Params.SetImageCount(1);
    Params.Width = Params.StoredWidth = header.width;
    Params.Height = Params.StoredHeight = header.height;
    Params.BitsPerSample = header.depth;
    Params.SamplesPerPixel = header.channels;
    Params.SetDpiX(IEDefaultDpiX);
    Params.SetDpiY(IEDefaultDpiY);
    reader.PSDReadColorModeData();
    TIEBitmap work;
    TIEBitmap* target = Bitmap ? &work : nullptr;
    bool thumbnailTaken = false;
    reader.PSDReadResources(target, thumbnailTaken);
    TPSDLayers layers;
    const bool readLayers = Layers && !thumbnailTaken && (LoadLayers || reader.LayerCount() <= 1);
    if (readLayers) {
      reader.PSDReadLayers(layers);
    } else {
      const uint32_t length = in.PSDReadDWord();
      in.Skip(length);
    }
    if (Bitmap && !thumbnailTaken && !(LoadLayers && !layers.empty())) {
      const int32_t compression = int32_t(in.PSDReadWord());
      if (compression > 1) return Progress.Abort();  // zip-compressed data has no decoder here
      const int64_t rows = int64_t(header.channels) * header.height;
      if (compression == 0 && reader.RowLength(header.width) * rows > in.Remaining()) return Progress.Abort();
      const std::vector<uint32_t> table = reader.RowTable(compression, rows, header.width);
      size_t next = 0;
      for (int32_t c = 0; c < header.channels; ++c) {
        reader.PSDReadChannel(&work, header.width, header.height, c, compression, table, next);
        if (Progress.OnProgressCode) Progress.Report(c * 100 / header.channels);
        if (Progress.IsAborting()) return;
      }
    }
    if (!Params.KeepNativePixelFormat) {
      // With colour management on, the file's profile (not yet applied) converts to the output
      // profile; otherwise, or when the profiles cannot convert, the arithmetic conversion.
      TIEICC* input = Params.InputICCProfile.get();
      const bool managed = IEEnableCMS && input && input->HasProfile() && !input->Applied();
      auto toRGB = [&](TIEBitmap* bitmap) {
        if (bitmap->PixelFormat() == ie1g || bitmap->PixelFormat() == ie24RGB) return;
        TIEICC* output = managed ? Params.GetOutputICCProfile() : nullptr;
        if (output && output->HasProfile() && input->ConvertBitmap(bitmap, ie24RGB, output)) return;
        bitmap->ConvertTo(ie24RGB);
      };
      for (TPSDLayer& layer : layers)
        if (!layer.IsMask) toRGB(layer.Bitmap.get());
      if (!work.IsEmpty()) toRGB(&work);
    }
    if (Bitmap && !work.IsEmpty()) {
      if (Bitmap->Location() == ieTBitmap)
        Bitmap->Assign(&work);
      else
        work.MoveContentTo(Bitmap);
    }
    if (Layers) *Layers = std::move(layers);
  } catch (const TDamaged&) {
    Progress.Abort();
  } catch (const vcl::EStreamError&) {
    Progress.Abort();
  }
}

}  // namespace imaging
