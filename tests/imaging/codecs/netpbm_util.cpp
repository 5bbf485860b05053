#include "tests/imaging/codecs/netpbm_util.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "imaging/model/ie_bitmap.h"

namespace netpbm_test {

namespace {

struct Reader {
  const Bytes& b;
  size_t at = 0;
  void SkipSpace() {
    while (at < b.size()) {
      if (b[at] == '#') {
        while (at < b.size() && b[at] != '\n') ++at;
      } else if (std::isspace(b[at])) {
        ++at;
      } else {
        break;
      }
    }
  }
  std::string Word() {
    SkipSpace();
    std::string w;
    while (at < b.size() && !std::isspace(b[at])) w += char(b[at++]);
    return w;
  }
  uint32_t Number() {
    const std::string w = Word();
    return w.empty() ? 0 : uint32_t(std::stoul(w));
  }
};

}  // namespace

uint32_t TNetpbmImage::PackedRGB(int32_t x, int32_t y) const {
  const uint32_t* p = &samples[(size_t(y) * width + x) * depth];
  auto scale = [&](uint32_t v) { return maxval == 255 ? v : (v * 255 + maxval / 2) / maxval; };
  if (depth <= 2) {
    const uint32_t g = scale(p[0]);
    return (g << 16) | (g << 8) | g;
  }
  return (scale(p[0]) << 16) | (scale(p[1]) << 8) | scale(p[2]);
}

TNetpbmImage ParseNetpbm(const Bytes& bytes) {
  TNetpbmImage image;
  if (bytes.size() < 3 || bytes[0] != 'P') return image;
  Reader in{bytes};
  const std::string magic = in.Word();
  bool plain = false;
  if (magic == "P7") {
    for (std::string key = in.Word(); !key.empty() && key != "ENDHDR"; key = in.Word()) {
      if (key == "WIDTH") image.width = int32_t(in.Number());
      else if (key == "HEIGHT") image.height = int32_t(in.Number());
      else if (key == "DEPTH") image.depth = int32_t(in.Number());
      else if (key == "MAXVAL") image.maxval = in.Number();
      else if (key == "TUPLTYPE") in.Word();
    }
  } else {
    image.width = int32_t(in.Number());
    image.height = int32_t(in.Number());
    const char kind = magic.size() == 2 ? magic[1] : 0;
    plain = kind >= '1' && kind <= '3';
    image.depth = (kind == '3' || kind == '6') ? 3 : 1;
    image.maxval = (kind == '1' || kind == '4') ? 1 : in.Number();
    if (kind == '4' || kind == '1') {
      ++in.at;
      image.samples.resize(size_t(image.width) * image.height);
      const size_t rowBytes = (size_t(image.width) + 7) / 8;
      for (int32_t y = 0; y < image.height; ++y)
        for (int32_t x = 0; x < image.width; ++x) {
          bool black;
          if (kind == '4') {
            const size_t at = in.at + y * rowBytes + x / 8;
            if (at >= bytes.size()) return {};
            black = (bytes[at] >> (7 - x % 8)) & 1;
          } else {
            in.SkipSpace();
            if (in.at >= bytes.size()) return {};
            black = bytes[in.at++] == '1';
          }
          image.samples[size_t(y) * image.width + x] = black ? 0 : 1;
        }
      return image;
    }
  }
  if (image.width <= 0 || image.height <= 0 || image.depth <= 0 || image.maxval == 0) return {};
  const size_t count = size_t(image.width) * image.height * image.depth;
  image.samples.resize(count);
  if (plain) {
    for (size_t i = 0; i < count; ++i) image.samples[i] = in.Number();
    return image;
  }
  ++in.at;  // the one separator after the header
  const size_t size = image.maxval > 255 ? 2 : 1;
  if (in.at + count * size > bytes.size()) return {};
  for (size_t i = 0; i < count; ++i)
    image.samples[i] = size == 2 ? (bytes[in.at + 2 * i] << 8) | bytes[in.at + 2 * i + 1] : bytes[in.at + i];
  return image;
}

Bytes RunTool(const std::string& command, const Bytes& input) {
  const std::string dir = test_files::MakeTempDir();
  test_files::WriteFileBytes(dir + "/in", input);
  if (test_files::RunShell("( " + command + " ) < '" + dir + "/in' > '" + dir + "/out'") != 0) return {};
  return test_files::ReadFileBytes(dir + "/out");
}

Bytes ToPPM(imaging::TIEBitmap* bitmap) {
  const std::string head =
      "P6\n" + std::to_string(bitmap->Width()) + " " + std::to_string(bitmap->Height()) + "\n255\n";
  Bytes out(head.begin(), head.end());
  for (uint32_t c : PixelsOf(bitmap)) out.insert(out.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
  return out;
}

Bytes GreyPGM(imaging::TIEBitmap* bitmap) {
  const std::string head = "P5\n" + std::to_string(bitmap->Width()) + " " + std::to_string(bitmap->Height()) + "\n255\n";
  Bytes out(head.begin(), head.end());
  for (uint32_t c : PixelsOf(bitmap)) out.push_back(uint8_t(c >> 8));
  return out;
}

std::vector<uint32_t> PixelsOf(imaging::TIEBitmap* bitmap) {
  std::vector<uint32_t> pixels;
  for (int32_t y = 0; y < bitmap->Height(); ++y)
    for (int32_t x = 0; x < bitmap->Width(); ++x) {
      const imaging::TRGB c = bitmap->GetPixelRGB(x, y);
      pixels.push_back((uint32_t(c.r) << 16) | (c.g << 8) | c.b);
    }
  return pixels;
}

std::vector<uint32_t> PixelsOf(const TNetpbmImage& image) {
  std::vector<uint32_t> pixels;
  for (int32_t y = 0; y < image.height; ++y)
    for (int32_t x = 0; x < image.width; ++x) pixels.push_back(image.PackedRGB(x, y));
  return pixels;
}

bool HaveTools(std::initializer_list<const char*> names) {
  for (const char* name : names)
    if (!test_files::HaveTool(name)) return false;
  return true;
}

}  // namespace netpbm_test

namespace netpbm_test {

int MaxDifference(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  if (a.size() != b.size()) return -1;
  int most = 0;
  for (size_t i = 0; i < a.size(); ++i)
    for (int shift : {0, 8, 16}) {
      const int d = int((a[i] >> shift) & 255) - int((b[i] >> shift) & 255);
      most = std::max(most, d < 0 ? -d : d);
    }
  return most;
}

}  // namespace netpbm_test
