#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "imaging/base/text_helpers.h"
#include "imaging/codecs/pnm/pxm_codec.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "imaging/params/io_settings.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

bool IsAlnum(uint8_t c) { return std::isalnum(c) != 0; }

struct TPXMHeader {
  std::string magic;
  int32_t width = 0, height = 0, maxval = 0;
};

// Text samples (P1, P2, P3) one byte at a time through a small buffer of the stream.
class TTextReader {
 public:
  explicit TTextReader(vcl::TStream* stream) : stream_(stream) {}
  // The next byte, -1 at the end.
  int Next() {
    if (at_ == count_) {
      count_ = stream_->Read(buffer_, sizeof(buffer_));
      at_ = 0;
      if (count_ <= 0) {
        count_ = 0;
        return -1;
      }
    }
    return buffer_[at_++];
  }
  // The next decimal number (other characters separate; letters count as zero); -1 at the end.
  int64_t Number() {
    int c = Next();
    while (c >= 0 && !IsAlnum(uint8_t(c))) c = Next();
    if (c < 0) return -1;
    int64_t value = 0;
    bool digits = true;
    for (; c >= 0 && IsAlnum(uint8_t(c)); c = Next()) {
      if (!std::isdigit(c)) digits = false;
      if (digits && value < 1000000) value = value * 10 + (c - '0');
    }
    return digits ? value : 0;
  }

 private:
  vcl::TStream* stream_;
  uint8_t buffer_[4096];
  int32_t count_ = 0, at_ = 0;
};

// Samples above the maxval are clamped, then scaled to the range asked for.
uint32_t Scale(int64_t value, int32_t maxval, uint32_t range) {
  if (value > maxval) value = maxval;
  if (value < 0) value = 0;
  return maxval == int32_t(range) ? uint32_t(value) : uint32_t(uint64_t(value) * range / maxval);
}

}  // namespace

void ReadPXMToken(vcl::TStream* Stream, std::string& Token) {
  Token.clear();
  uint8_t c = 0;
  while (Stream->Read(&c, 1) == 1) {
    if (c == '#') {
      std::string text;
      while (Stream->Read(&c, 1) == 1 && c != '\n' && c != '\r') text += char(c);
      Token = "#" + TrimString(text);
      return;
    }
    if (IsAlnum(c)) {
      Token += char(c);
      while (Stream->Read(&c, 1) == 1 && IsAlnum(c)) Token += char(c);
      return;
    }
  }
}

bool IsPXMStream(vcl::TStream* Stream) {
  const int64_t start = Stream->Position();
  std::string token;
  std::string magic;
  int32_t width = 0, height = 0;
  bool bitmap = false;
  int stage = 0;
  for (int count = 0; count < 501; ++count) {
    ReadPXMToken(Stream, token);
    if (token.empty()) break;
    if (token[0] == '#') continue;
    if (stage == 0) {
      magic = token;
      if (magic.size() != 2 || magic[0] != 'P' || magic[1] < '1' || magic[1] > '6') break;
      bitmap = magic == "P1" || magic == "P4";
      stage = 1;
    } else if (stage == 1) {
      // A "0" width is replaced by the next token.
      width = StringToIntDef(token, -1);
      if (width != 0) stage = 2;
    } else if (stage == 2) {
      height = StringToIntDef(token, -1);
      if (height != 0) {
        if (bitmap) break;
        stage = 3;
      }
    } else {
      break;  // the maxval
    }
  }
  Stream->SetPosition(start);
  return width > 0 && height > 0;
}

void ReadPXMStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress,
                   bool Preview) {
  Params.PXMComments.Clear();
  TPXMHeader header;
  int field = 0;
  std::string token;
  const int64_t streamSize = Stream->Size();
  while (Stream->Position() < streamSize) {
    ReadPXMToken(Stream, token);
    if (token.empty()) break;
    if (token[0] == '#') {
      Params.PXMComments.Add(token.substr(1));
      continue;
    }
    if (field == 0) {
      header.magic = token;
      if (token == "P1" || token == "P4") header.maxval = 1;
    } else if (field == 1) {
      header.width = StringToIntDef(token, -1);
    } else if (field == 2) {
      header.height = StringToIntDef(token, -1);
      if (header.maxval == 1) break;
    } else {
      header.maxval = StringToIntDef(token, -1);
      break;
    }
    ++field;
  }
  if (header.width <= 0 || header.height <= 0) return Progress.Abort();
  const int32_t width = header.width, height = header.height;
  Params.FreeColorMap();
  Params.Width = Params.StoredWidth = width;
  Params.Height = Params.StoredHeight = height;
  Params.SetDpiX(IEDefaultDpiX);
  Params.SetDpiY(IEDefaultDpiY);
  Progress.Per1 = 100.0 / height;
  Progress.Val = 0;

  const std::string& m = header.magic;
  const int kind = (m.size() == 2 && m[0] == 'P' && m[1] >= '1' && m[1] <= '6') ? m[1] - '0' : 0;
  // A maxval below 1 would divide by zero; above 65535 it has no sample size.
  if (kind == 0 || header.maxval < 1 || header.maxval > 65535) return Progress.Abort();
  const int32_t maxval = header.maxval;
  const bool wide = maxval > 255;
  const int32_t samples = (kind == 3 || kind == 6) ? 3 : 1;
  Params.BitsPerSample = (kind == 1 || kind == 4) ? 1 : wide && (kind == 5 || kind == 6) ? 16 : 8;
  Params.SamplesPerPixel = samples;
  if (Preview) return;

  // The data must be able to hold the picture: text needs a character per sample at least.
  const int64_t remaining = streamSize - Stream->Position();
  const int64_t pixels = int64_t(width) * height;
  int64_t rowBytes = 0;
  switch (kind) {
    case 4: rowBytes = (int64_t(width) + 7) / 8; break;
    case 5:
    case 6: rowBytes = int64_t(width) * samples * (wide ? 2 : 1); break;
  }
  if (rowBytes ? rowBytes * height > remaining : pixels * samples > remaining) return Progress.Abort();

  TIEPixelFormat format = ie24RGB;
  if (kind == 1 || kind == 4) format = ie1g;
  if (wide && Params.KeepNativePixelFormat) format = kind == 5 ? ie16g : kind == 6 ? ieRGB48 : ie24RGB;
  TIEBitmap work;
  if (!work.Allocate(width, height, format)) return Progress.Abort();
  TTextReader text(Stream);
  std::vector<uint8_t> raw(size_t(rowBytes) + 1);
  for (int32_t y = 0; y < height; ++y) {
    auto* out = static_cast<uint8_t*>(work.GetScanline(y));
    if (kind == 1) {
      std::memset(out, 0, size_t((width + 7) / 8));
      for (int32_t x = 0; x < width;) {
        const int c = text.Next();
        if (c < 0) return Progress.Abort();
        if (c == '0') out[x / 8] |= uint8_t(0x80 >> (x % 8));
        if (c == '0' || c == '1') ++x;
      }
    } else if (kind == 2 || kind == 3) {
      for (int32_t x = 0; x < width; ++x) {
        uint8_t rgb[3];
        for (int32_t s = 0; s < samples; ++s) {
          const int64_t value = text.Number();
          if (value < 0) return Progress.Abort();
          rgb[s] = uint8_t(Scale(value, maxval, 255));
        }
        if (samples == 1) rgb[1] = rgb[2] = rgb[0];
        out[x * 3] = rgb[2], out[x * 3 + 1] = rgb[1], out[x * 3 + 2] = rgb[0];
      }
    } else {
      if (Stream->Read(raw.data(), int32_t(rowBytes)) != rowBytes) return Progress.Abort();
      if (kind == 4) {
        for (int64_t i = 0; i < rowBytes; ++i) out[i] = uint8_t(~raw[i]);
      } else {
        auto sample = [&](int64_t i) -> int64_t { return wide ? (raw[2 * i] << 8) | raw[2 * i + 1] : raw[i]; };
        for (int32_t x = 0; x < width; ++x) {
          if (format == ie16g) {
            reinterpret_cast<uint16_t*>(out)[x] = uint16_t(Scale(sample(x), maxval, 65535));
          } else if (format == ieRGB48) {
            for (int32_t s = 0; s < 3; ++s)
              reinterpret_cast<uint16_t*>(out)[x * 3 + s] = uint16_t(Scale(sample(int64_t(x) * 3 + s), maxval, 65535));
          } else if (samples == 1) {
            const uint8_t g = uint8_t(Scale(sample(x), maxval, 255));
            out[x * 3] = out[x * 3 + 1] = out[x * 3 + 2] = g;
          } else {
            for (int32_t s = 0; s < 3; ++s)
              out[x * 3 + 2 - s] = uint8_t(Scale(sample(int64_t(x) * 3 + s), maxval, 255));
          }
        }
      }
    }
    ++Progress.Val;
    if (kind != 1 || y + 1 < height) Progress.Report();
    if (Progress.IsAborting()) return;
  }
  if (Bitmap->Location() == ieTBitmap)
    Bitmap->Assign(&work);
  else
    work.MoveContentTo(Bitmap);
}

}  // namespace imaging
