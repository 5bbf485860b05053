#include "imaging/io/preset_images.h"

#include <memory>
#include <string>

#include "imaging/io/image_io.h"
#include "imaging/model/ie_bitmap.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

constexpr int32_t kPNGType = 8;

// What each preset is: its encoded size, its picture, its layout and its rectangle.
struct TPresetShape {
  int32_t size;
  int32_t width, height;
  bool alpha;
  bool palette;
  RECT rect;
  vcl::TColor background, figure;
};

constexpr TPresetShape kShapes[] = {
    {9376, 162, 159, true, false, {18, 29, 140, 119}, 0xF0E0D0, 0x3060C0},
    {1055, 112, 100, false, false, {13, 1, 95, 98}, 0xFFFFFF, 0x208040},
    {1252, 163, 108, false, true, {30, 14, 147, 92}, 0xE0F0FF, 0x8020A0},
    {3329, 150, 150, false, true, {17, 17, 131, 131}, 0x404040, 0x40C0F0},
};

struct TPresets {
  std::vector<std::vector<uint8_t>> data;
  std::vector<TIEPresetImage> images;
};

TPresets& Presets() {
  static TPresets presets;
  return presets;
}

uint32_t CRC32(const uint8_t* bytes, size_t count) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < count; ++i) {
    crc ^= bytes[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

void PutBE32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

// Brings an encoded PNG to exactly `size` bytes with a text chunk before its end chunk (its
// 12 bytes of frame and the keyword count); a file already as large stays as it is.
void PadTo(std::vector<uint8_t>& png, int32_t size) {
  static const std::string kKeyword = "Comment";
  const size_t frame = 12 + kKeyword.size() + 1;
  if (png.size() < 12 || png.size() + frame > static_cast<size_t>(size)) return;
  const size_t dataLength = size - png.size() - 12;
  std::vector<uint8_t> chunk(12 + dataLength, ' ');
  PutBE32(chunk, 0, static_cast<uint32_t>(dataLength));
  const char type[4] = {'t', 'E', 'X', 't'};
  for (int i = 0; i < 4; ++i) chunk[4 + i] = static_cast<uint8_t>(type[i]);
  for (size_t i = 0; i < kKeyword.size(); ++i) chunk[8 + i] = static_cast<uint8_t>(kKeyword[i]);
  chunk[8 + kKeyword.size()] = 0;
  PutBE32(chunk, 8 + dataLength, CRC32(chunk.data() + 4, 4 + dataLength));
  png.insert(png.end() - 12, chunk.begin(), chunk.end());
}

// A flat picture: the figure filling the rectangle over the background; with alpha, the
// background transparent.
std::vector<uint8_t> Encode(const TPresetShape& shape) {
  TImageIO io(nullptr);
  TIEBitmap* bitmap = io.IEBitmap();
  bitmap->Allocate(shape.width, shape.height, ie24RGB);
  bitmap->Fill(static_cast<double>(shape.background));
  if (shape.alpha) bitmap->GetAlphaChannel()->Fill(0);
  for (int32_t y = shape.rect.top; y < shape.rect.bottom; ++y)
    for (int32_t x = shape.rect.left; x < shape.rect.right; ++x) {
      // A diagonal band gives the figure a second colour.
      const vcl::TColor colour = (x + y) % 16 < 8 ? shape.figure : shape.background;
      bitmap->SetPixel24(x, y, TRGB{uint8_t(colour >> 16), uint8_t(colour >> 8), uint8_t(colour)});
      if (shape.alpha) bitmap->SetAlphaAt(x, y, 255);
    }
  io.Params().BitsPerSample = 8;
  io.Params().SamplesPerPixel = shape.palette ? 1 : 3;
  vcl::TMemoryStream stream;
  io.SaveToStream(&stream, kPNGType);
  if (io.Aborting()) return {};
  const auto* bytes = static_cast<const uint8_t*>(stream.Memory());
  std::vector<uint8_t> png(bytes, bytes + stream.Size());
  PadTo(png, shape.size);
  return png;
}

}  // namespace

const std::vector<TIEPresetImage>& IEPresetImages() { return Presets().images; }

void IEPresetImStaticInit() {
  TPresets& presets = Presets();
  presets.data.clear();
  presets.images.clear();
  for (const TPresetShape& shape : kShapes) presets.data.push_back(Encode(shape));
  for (size_t i = 0; i < presets.data.size(); ++i) {
    TIEPresetImage image;
    image.Size = static_cast<int32_t>(presets.data[i].size());
    image.Data = presets.data[i].data();
    image.FileType = kPNGType;
    image.Rect = kShapes[i].rect;
    presets.images.push_back(image);
  }
}

void IEPresetImStaticFinalize() {
  TPresets& presets = Presets();
  presets.images.clear();
  presets.data.clear();
}

}  // namespace imaging
