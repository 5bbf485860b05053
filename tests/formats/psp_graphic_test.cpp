// Paint Shop Pro files made by hand (no independent tool writes them) in versions 3 and 5:
// channels raw, run-length and deflate coded, transparency kept, unknown channels passed over;
// damaged files end in EInvalidGraphic.
#include "formats/psp/psp_graphic.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <cstring>

#include "tests/formats/reader_checks.h"
#include "tests/support/file_helpers.h"
#include "vcl/runtime/streams.h"

using namespace formats;
using reader_checks::Bytes;

namespace {

struct TChannel {
  uint16_t type;
  Bytes data;  // unpacked
};

struct TLayer {
  uint8_t type = 0;  // 0 raster (1 too from version 4 on)
  std::vector<TChannel> channels;
};

void Block(Bytes& f, uint16_t version, uint16_t id, const Bytes& body) {
  f.insert(f.end(), {'~', 'B', 'K', 0});
  test_files::PutLE16(f, id);
  if (version == 3) test_files::PutLE32(f, static_cast<uint32_t>(body.size()));
  test_files::PutLE32(f, static_cast<uint32_t>(body.size()));
  f.insert(f.end(), body.begin(), body.end());
}

Bytes PspPack(const Bytes& data, uint16_t compression) {
  if (compression == 2) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    Bytes packed(size);
    compress(packed.data(), &size, data.data(), static_cast<uLong>(data.size()));
    packed.resize(size);
    return packed;
  }
  if (compression == 1) {  // literal runs of up to 127 bytes
    Bytes packed;
    for (size_t i = 0; i < data.size(); i += 127) {
      const size_t n = std::min<size_t>(127, data.size() - i);
      packed.push_back(static_cast<uint8_t>(n));
      packed.insert(packed.end(), data.begin() + i, data.begin() + i + n);
    }
    return packed;
  }
  return data;
}

Bytes MakePsp(uint16_t version, uint32_t width, uint32_t height, uint16_t depth, uint16_t compression,
              const std::vector<TLayer>& layers, const Bytes& palette = {}, bool grey = false) {
  Bytes f(32, 0);
  std::memcpy(f.data(), "Paint Shop Pro Image File\n\x1a", 27);
  test_files::PutLE16(f, version);
  test_files::PutLE16(f, 0);
  Bytes attributes;
  if (version >= 4) test_files::PutLE32(attributes, 46);
  test_files::PutLE32(attributes, width);
  test_files::PutLE32(attributes, height);
  attributes.resize(attributes.size() + 8 + 1, 0);
  test_files::PutLE16(attributes, compression);
  test_files::PutLE16(attributes, depth);
  attributes.resize(attributes.size() + 6, 0);
  attributes.push_back(grey ? 1 : 0);
  attributes.resize(attributes.size() + 14, 0);
  Block(f, version, 0, attributes);
  if (!palette.empty()) {
    Bytes colours;
    if (version >= 4) test_files::PutLE32(colours, 8);
    test_files::PutLE32(colours, static_cast<uint32_t>(palette.size() / 4));
    colours.insert(colours.end(), palette.begin(), palette.end());
    Block(f, version, 2, colours);
  }
  Bytes start;
  for (const TLayer& layer : layers) {
    Bytes body;
    if (version == 3) {
      body.resize(256, 'n');
      Bytes info(115, 0);
      info[0] = layer.type;
      body.insert(body.end(), info.begin(), info.end());
    } else {
      test_files::PutLE32(body, 4 + 2 + 1 + 115);
      test_files::PutLE16(body, 1);
      body.push_back('n');
      Bytes info(115, 0);
      info[0] = layer.type;
      body.insert(body.end(), info.begin(), info.end());
      test_files::PutLE32(body, 8);
    }
    test_files::PutLE16(body, 1);
    test_files::PutLE16(body, static_cast<uint32_t>(layer.channels.size()));
    for (const TChannel& c : layer.channels) {
      const Bytes packed = PspPack(c.data, compression);
      Bytes channel;
      if (version >= 4) test_files::PutLE32(channel, 16);
      test_files::PutLE32(channel, static_cast<uint32_t>(packed.size()));
      test_files::PutLE32(channel, static_cast<uint32_t>(c.data.size()));
      test_files::PutLE16(channel, 0);
      test_files::PutLE16(channel, c.type);
      channel.insert(channel.end(), packed.begin(), packed.end());
      Block(body, version, 5, channel);
    }
    Block(start, version, 4, body);
  }
  Block(f, version, 3, start);
  return f;
}

Bytes Plane(uint8_t base) {
  Bytes p;
  for (int i = 0; i < 6; ++i) p.push_back(static_cast<uint8_t>(base + i * 10));
  return p;
}

using reader_checks::ErrorOf;

}  // namespace

TEST(PSPGraphic, LayersOfEveryCodingAndVersion) {
  const std::vector<uint32_t> rgb = {0x01020300, 0x0B0C0D00, 0x15161700, 0x1F202100, 0x292A2B00, 0x33343500};
  std::vector<uint32_t> colours;
  for (uint32_t v : rgb) colours.push_back(v >> 8);
  for (uint16_t version : {3, 5})
    for (uint16_t compression : {0, 1, 2}) {
      SCOPED_TRACE(std::to_string(version) + " " + std::to_string(compression));
      // A layer of another type first, then the raster layer: red, a mask channel (type 9), green, blue.
      const std::vector<TLayer> layers = {
          {uint8_t(version == 3 ? 1 : 2), {{1, Plane(200)}}},
          {0, {{1, Plane(1)}, {9, Bytes(6, 0xEE)}, {2, Plane(2)}, {3, Plane(3)}}},
      };
      const reader_checks::TLoaded l = reader_checks::LoadAs("psp", MakePsp(version, 3, 2, 24, compression, layers));
      EXPECT_EQ("TPSPGraphic", l.className);
      EXPECT_EQ(vcl::pf24bit, l.format);
      EXPECT_EQ(colours, l.rgb);
    }
}

TEST(PSPGraphic, TransparencyKeptAsAlpha) {
  const std::vector<TLayer> layers = {{0, {{1, Plane(1)}, {2, Plane(2)}, {3, Plane(3)}, {0, Plane(100)}}}};
  const reader_checks::TLoaded l = reader_checks::LoadAs("psp", MakePsp(5, 3, 2, 24, 2, layers));
  EXPECT_EQ(vcl::pf32bit, l.format);
  EXPECT_EQ((std::vector<uint8_t>{100, 110, 120, 130, 140, 150}), l.alpha);
  EXPECT_EQ(0x010203u, l.rgb[0]);
}

TEST(PSPGraphic, IndexedAndGreyComposites) {
  Bytes palette;
  for (int i = 0; i < 300; ++i) palette.insert(palette.end(), {uint8_t(i), uint8_t(2 * i), uint8_t(255 - i), 0});
  const std::vector<TLayer> layers = {{0, {{0, {0, 1, 2, 3, 4, 5}}}}};
  reader_checks::TLoaded l = reader_checks::LoadAs("psp", MakePsp(5, 3, 2, 8, 1, layers, palette));
  EXPECT_EQ(vcl::pf8bit, l.format);
  // Entries are blue, green, red.
  EXPECT_EQ((std::vector<uint32_t>{0xFF0000, 0xFE0201, 0xFD0402, 0xFC0603, 0xFB0804, 0xFA0A05}), l.rgb);
  l = reader_checks::LoadAs("psp", MakePsp(5, 3, 2, 8, 0, layers, {}, true));
  EXPECT_EQ((std::vector<uint32_t>{0x000000, 0x010101, 0x020202, 0x030303, 0x040404, 0x050505}), l.rgb);
}

TEST(PSPGraphic, DamagedFilesRaiseAndLeaveTheBitmapEmpty) {
  const std::vector<TLayer> layers = {{0, {{1, Plane(1)}, {2, Plane(2)}, {3, Plane(3)}}}};
  Bytes badDeflate = MakePsp(5, 3, 2, 24, 2, layers);
  badDeflate[badDeflate.size() - 2] ^= 0x55;  // the blue channel's check sum
  Bytes cut = MakePsp(5, 3, 2, 24, 0, layers);
  cut.resize(cut.size() - 4);
  Bytes wrongSignature = MakePsp(5, 3, 2, 24, 0, layers);
  wrongSignature[0] = 'Q';
  const std::string invalid = "EInvalidGraphic: Cannot load image. Invalid or unexpected PSP image format.";
  struct Case {
    const char* what;
    Bytes file;
    std::string error;
  } cases[] = {
      {"wrong signature", wrongSignature, invalid},
      {"JPEG channels", MakePsp(5, 3, 2, 24, 3, layers),
       "EInvalidGraphic: Cannot load image. The compression scheme is not supported for PSP files."},
      {"16 bits", MakePsp(5, 3, 2, 16, 0, layers), "EInvalidGraphic: Invalid color format in PSP file."},
      {"damaged deflate data", badDeflate, "EInvalidGraphic: Cannot load image. Compression error found in PSP file."},
      {"blocks cut", cut, invalid},
      {"no raster layer", MakePsp(5, 3, 2, 24, 0, {{3, {{1, Plane(1)}}}}), invalid},
      {"size beyond the data", MakePsp(5, 100000, 100000, 24, 0, layers), invalid},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    vcl::TMemoryStream stream;
    stream.WriteBuffer(c.file.data(), static_cast<int32_t>(c.file.size()));
    stream.SetPosition(0);
    TPSPGraphic graphic;
    EXPECT_EQ(c.error, ErrorOf([&] { graphic.LoadFromStream(&stream); }));
    EXPECT_TRUE(graphic.Empty());
  }
}

TEST(PSPGraphic, SurvivesDamage) {
  const std::vector<TLayer> layers = {{1, {{1, Plane(1)}, {2, Plane(2)}, {3, Plane(3)}, {0, Plane(4)}}}};
  unsigned seed = 211;
  for (uint16_t compression : {0, 1, 2})
    reader_checks::FuzzReader("psp", MakePsp(5, 3, 2, 24, compression, layers), seed++,
                              [] { return new TPSPGraphic; });
  reader_checks::FuzzReader("psp 3", MakePsp(3, 3, 2, 8, 1, {{0, {{0, Plane(7)}}}}, Bytes(16, 9)), seed++,
                            [] { return new TPSPGraphic; });
}
