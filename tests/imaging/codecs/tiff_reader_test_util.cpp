#include "tests/imaging/codecs/tiff_reader_test_util.h"

#include <algorithm>

#include "imaging/metadata/tiff_types.h"

namespace tiff_test {

using namespace imaging;
using test_files::MakeTempDir;
using test_files::ReadFileBytes;
using test_files::RunShell;
using test_files::WriteFileBytes;

void TiffBuilder::Put16(Bytes& b, uint32_t v) const {
  big_ ? test_files::PutBE16(b, v) : test_files::PutLE16(b, v);
}
void TiffBuilder::Put32(Bytes& b, uint32_t v) const {
  big_ ? test_files::PutBE32(b, v) : test_files::PutLE32(b, v);
}

Bytes TiffBuilder::Build() const {
  Bytes out;
  out.push_back(big_ ? 'M' : 'I');
  out.push_back(big_ ? 'M' : 'I');
  Put16(out, 42);
  Put32(out, 0);  // patched below
  size_t linkAt = 4;
  for (const PageData& page : pages_) {
    std::vector<Entry> entries = page.entries;
    if (!page.strips.empty()) {
      Entry offsets{273, ttLong, {}, {}}, counts{279, ttLong, {}, {}};
      for (const Bytes& strip : page.strips) {
        offsets.values.push_back(static_cast<uint32_t>(out.size()));
        counts.values.push_back(static_cast<uint32_t>(strip.size()));
        out.insert(out.end(), strip.begin(), strip.end());
      }
      entries.push_back(offsets);
      entries.push_back(counts);
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
    // Each entry's data in file order.
    std::vector<Bytes> data;
    for (const Entry& e : entries) {
      Bytes d = e.raw;
      if (e.raw.empty())
        for (uint32_t v : e.values) {
          if (e.type == ttShort || e.type == ttSShort) Put16(d, v);
          else if (e.type == ttByte || e.type == ttSByte || e.type == ttUndefined || e.type == ttASCII) d.push_back(uint8_t(v));
          else Put32(d, v);
        }
      data.push_back(d);
    }
    if (out.size() % 2) out.push_back(0);
    uint32_t ifd = static_cast<uint32_t>(out.size());
    Bytes head;
    Put32(head, ifd);
    std::copy(head.begin(), head.end(), out.begin() + linkAt);
    size_t extra = ifd + 2 + entries.size() * 12 + 4;
    Bytes tail;
    Put16(out, static_cast<uint32_t>(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) {
      const Entry& e = entries[i];
      uint32_t size = static_cast<uint32_t>(data[i].size());
      uint32_t count = e.raw.empty() ? static_cast<uint32_t>(e.values.size()) : size / TIFFTypeSize(e.type);
      if (e.type == ttRational || e.type == ttSRational) count = static_cast<uint32_t>(e.values.size() / 2);
      Put16(out, e.tag);
      Put16(out, e.type);
      Put32(out, count);
      if (size <= 4) {
        Bytes field = data[i];
        field.resize(4, 0);
        out.insert(out.end(), field.begin(), field.end());
      } else {
        Put32(out, static_cast<uint32_t>(extra + tail.size()));
        tail.insert(tail.end(), data[i].begin(), data[i].end());
        if (tail.size() % 2) tail.push_back(0);
      }
    }
    linkAt = out.size();
    Put32(out, 0);
    out.insert(out.end(), tail.begin(), tail.end());
  }
  return out;
}

TiffBuilder SimpleImage(int32_t width, int32_t height, int32_t spp, uint32_t photometric, const Bytes& samples,
                        bool bigEndian, int32_t rowsPerStrip) {
  TiffBuilder b(bigEndian);
  b.Page()
      .Add(256, ttLong, {uint32_t(width)})
      .Add(257, ttLong, {uint32_t(height)})
      .Add(258, ttShort, std::vector<uint32_t>(spp, 8))
      .Add(259, ttShort, {1})
      .Add(262, ttShort, {photometric})
      .Add(277, ttShort, {uint32_t(spp)});
  if (rowsPerStrip <= 0) {
    b.Add(278, ttLong, {uint32_t(height)}).Strips({samples});
  } else {
    b.Add(278, ttLong, {uint32_t(rowsPerStrip)});
    std::vector<Bytes> strips;
    size_t stripBytes = size_t(width) * spp * rowsPerStrip;
    for (size_t at = 0; at < samples.size(); at += stripBytes)
      strips.emplace_back(samples.begin() + at, samples.begin() + std::min(samples.size(), at + stripBytes));
    b.Strips(strips);
  }
  return b;
}

void Read(const Bytes& file, TIEBitmap& bitmap, TIOParamsVals& params, ReadResult& result, bool preview,
          bool ignoreAlpha, int32_t at) {
  vcl::TMemoryStream stream;
  Bytes padding(at, 0xAB);
  if (at) stream.WriteBuffer(padding.data(), at);
  stream.WriteBuffer(file.data(), static_cast<int32_t>(file.size()));
  stream.SetPosition(at);
  TCodecProgress progress;
  progress.Aborting = &result.aborting;
  ReadTIFFStream(&bitmap, &stream, result.numImages, params, progress, preview, result.mask, at > 0, ignoreAlpha,
                 false);
}

Bytes Tiffcp(const Bytes& file, const std::string& options) {
  if (!test_files::HaveTool("tiffcp")) return {};
  std::string dir = MakeTempDir();
  WriteFileBytes(dir + "/in.tif", file);
  if (RunShell("tiffcp " + options + " '" + dir + "/in.tif' '" + dir + "/out.tif'") != 0) return {};
  Bytes out = ReadFileBytes(dir + "/out.tif");
  RunShell("rm -rf '" + dir + "'");
  return out;
}

uint32_t RGBAt(TIEBitmap& bitmap, int32_t x, int32_t y) {
  TRGB c = bitmap.GetPixelRGB(x, y);
  return uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b;
}

}  // namespace tiff_test
