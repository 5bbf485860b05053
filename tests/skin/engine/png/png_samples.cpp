#include "tests/skin/engine/png/png_samples.h"

#include <zlib.h>

#include <cstring>

#include "tests/support/file_helpers.h"
#include "tests/support/fuzz_driver.h"

namespace png_samples {

bool HaveNetpbm() {
  for (const char* tool : {"pnmtopng", "pngtopam", "pnmdepth", "ppmtopgm", "pgmtopbm"})
    if (!test_files::HaveTool(tool)) return false;
  return true;
}

Bytes RunTool(const std::string& pipeline, const Bytes& input) {
  const std::string dir = test_files::MakeTempDir();
  test_files::WriteFileBytes(dir + "/in", input);
  if (test_files::RunShell("cd '" + dir + "' && ( " + pipeline + " ) < in > out 2>/dev/null") != 0) return {};
  return test_files::ReadFileBytes(dir + "/out");
}

Netpbm ParseNetpbm(const Bytes& bytes) {
  Netpbm image;
  size_t pos = 0;
  auto word = [&]() {
    std::string w;
    while (pos < bytes.size()) {
      if (bytes[pos] == '#') {
        while (pos < bytes.size() && bytes[pos] != '\n') ++pos;
      } else if (isspace(bytes[pos])) {
        if (!w.empty()) break;
        ++pos;
      } else {
        w += char(bytes[pos++]);
      }
    }
    return w;
  };
  const std::string magic = word();
  if (magic == "P7") {
    for (std::string key = word(); !key.empty() && key != "ENDHDR"; key = word()) {
      if (key == "WIDTH") image.width = std::stoi(word());
      else if (key == "HEIGHT") image.height = std::stoi(word());
      else if (key == "DEPTH") image.depth = std::stoi(word());
      else if (key == "MAXVAL") image.maxval = uint32_t(std::stoul(word()));
      else if (key == "TUPLTYPE") word();
    }
  } else if (magic == "P5" || magic == "P6") {
    image.width = std::stoi(word());
    image.height = std::stoi(word());
    image.maxval = uint32_t(std::stoul(word()));
    image.depth = magic == "P5" ? 1 : 3;
  } else {
    return {};
  }
  ++pos;  // the single white-space character before the samples
  const size_t count = size_t(image.width) * image.height * image.depth;
  const size_t size = image.maxval > 255 ? 2 : 1;
  if (pos + count * size > bytes.size()) return {};
  for (size_t i = 0; i < count; ++i, pos += size)
    image.samples.push_back(size == 2 ? uint32_t(bytes[pos]) << 8 | bytes[pos + 1] : bytes[pos]);
  return image;
}

static Bytes PPM(int width, int height, const std::vector<uint8_t>& rgb) {
  const std::string head = "P6 " + std::to_string(width) + " " + std::to_string(height) + " 255\n";
  Bytes out(head.begin(), head.end());
  out.insert(out.end(), rgb.begin(), rgb.end());
  return out;
}

Bytes GradientPPM(int width, int height) {
  std::vector<uint8_t> rgb;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      rgb.push_back(uint8_t(x * 255 / std::max(1, width - 1)));
      rgb.push_back(uint8_t(y * 255 / std::max(1, height - 1)));
      rgb.push_back(uint8_t((x * 37 + y * 91) & 0xFF));
    }
  return PPM(width, height, rgb);
}

Bytes FewColoursPPM(int width, int height, int colours) {
  std::vector<uint8_t> rgb;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int c = (x / 2 + y * 3) % colours;
      rgb.push_back(uint8_t(c * 53 + 10));
      rgb.push_back(uint8_t(255 - c * 29));
      rgb.push_back(uint8_t((c * 97) & 0xFF));
    }
  return PPM(width, height, rgb);
}

Bytes AlphaPGM(int width, int height) {
  const std::string head = "P5 " + std::to_string(width) + " " + std::to_string(height) + " 255\n";
  Bytes out(head.begin(), head.end());
  for (int i = 0; i < width * height; ++i) out.push_back(uint8_t(i % 5 == 0 ? 0 : i % 7 == 0 ? 255 : (i * 7) % 256));
  return out;
}

void Append(Bytes& to, const Bytes& more) { to.insert(to.end(), more.begin(), more.end()); }

Bytes Chunk(const char* type, const Bytes& data) {
  Bytes chunk;
  test_files::PutBE32(chunk, uint32_t(data.size()));
  chunk.insert(chunk.end(), type, type + 4);
  Append(chunk, data);
  test_files::PutBE32(chunk, uint32_t(crc32(0, chunk.data() + 4, uInt(chunk.size() - 4))));
  return chunk;
}

Bytes Header(uint32_t width, uint32_t height, uint8_t depth, uint8_t colourType, uint8_t interlace) {
  Bytes d;
  test_files::PutBE32(d, width);
  test_files::PutBE32(d, height);
  d.insert(d.end(), {depth, colourType, 0, 0, interlace});
  return Chunk("IHDR", d);
}

Bytes Signature() { return {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A}; }

Bytes Compress(const Bytes& raw) {
  uLongf size = compressBound(uLong(raw.size()));
  Bytes out(size);
  compress(out.data(), &size, raw.data(), uLong(raw.size()));
  out.resize(size);
  return out;
}

Bytes MakePng(uint32_t width, uint32_t height, uint8_t depth, uint8_t colourType, const Bytes& rawRows,
              const std::vector<Bytes>& before, const std::vector<Bytes>& after) {
  Bytes png = Signature();
  Append(png, Header(width, height, depth, colourType));
  for (const Bytes& c : before) Append(png, c);
  Append(png, Chunk("IDAT", Compress(rawRows)));
  for (const Bytes& c : after) Append(png, c);
  Append(png, Chunk("IEND", {}));
  return png;
}

void Load(skin::png::TPNGGraphic& png, const Bytes& bytes) {
  Bytes copy = bytes;
  fuzz::TGuardedStream stream(copy.data(), int32_t(copy.size()));
  png.LoadFromStream(&stream);
}

std::vector<Rgba> Shown(vcl::TBitmap& bitmap) {
  std::vector<Rgba> out;
  PALETTEENTRY palette[256] = {};
  const vcl::TPixelFormat format = bitmap.PixelFormat();
  if (format == vcl::pf1bit || format == vcl::pf4bit || format == vcl::pf8bit)
    GetPaletteEntries(bitmap.Palette(), 0, 256, palette);
  for (int y = 0; y < bitmap.Height(); ++y) {
    const uint8_t* row = static_cast<const uint8_t*>(bitmap.ScanLine(y));
    for (int x = 0; x < bitmap.Width(); ++x) {
      int index = -1;
      switch (format) {
        case vcl::pf1bit: index = (row[x / 8] >> (7 - x % 8)) & 1; break;
        case vcl::pf4bit: index = x % 2 ? row[x / 2] & 15 : row[x / 2] >> 4; break;
        case vcl::pf8bit: index = row[x]; break;
        case vcl::pf24bit: out.push_back({row[3 * x + 2], row[3 * x + 1], row[3 * x], 255}); break;
        default: out.push_back({row[4 * x + 2], row[4 * x + 1], row[4 * x], row[4 * x + 3]}); break;
      }
      if (index >= 0) out.push_back({palette[index].peRed, palette[index].peGreen, palette[index].peBlue, 255});
    }
  }
  return out;
}

std::vector<Rgba> Shown(skin::png::TPNGGraphic& png) { return Shown(static_cast<vcl::TBitmap&>(png)); }

}  // namespace png_samples
