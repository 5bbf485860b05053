#include "tests/imaging/coding/strip_tiff_fixture.h"

#include "tests/support/file_helpers.h"

namespace strip_tiff {

namespace {

void Put16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

struct TReader {
  const Bytes& file;
  bool big;
  bool ok = true;
  uint32_t U16(size_t at) {
    if (at + 2 > file.size()) return ok = false, 0;
    return big ? (file[at] << 8 | file[at + 1]) : (file[at] | file[at + 1] << 8);
  }
  uint32_t U32(size_t at) {
    return big ? (U16(at) << 16 | U16(at + 2)) : (U16(at) | U16(at + 2) << 16);
  }
  // The values of one entry (SHORT or LONG).
  std::vector<uint32_t> Values(size_t entry) {
    uint32_t type = U16(entry + 2), count = U32(entry + 4);
    size_t size = type == 3 ? 2 : 4;
    if (count > 1 << 20) return ok = false, std::vector<uint32_t>{};
    size_t at = count * size <= 4 ? entry + 8 : U32(entry + 8);
    std::vector<uint32_t> values;
    for (uint32_t i = 0; i < count; ++i) values.push_back(size == 2 ? U16(at + i * 2) : U32(at + i * 4));
    return values;
  }
};

}  // namespace

Bytes MakeTIFF(const TStripImage& image) {
  struct Entry {
    uint16_t tag;
    uint32_t value;
  };
  std::vector<Entry> entries = {
      {256, static_cast<uint32_t>(image.width)}, {257, static_cast<uint32_t>(image.height)},
      {258, static_cast<uint32_t>(image.bitsPerSample)}, {259, static_cast<uint32_t>(image.compression)},
      {262, static_cast<uint32_t>(image.photometric)}, {266, static_cast<uint32_t>(image.fillOrder)},
      {273, 0 /* offset, set below */}, {277, 1}, {278, static_cast<uint32_t>(image.height)},
      {279, static_cast<uint32_t>(image.strip.size())}};
  if (image.compression == 3) entries.push_back({292, image.t4Options});
  Bytes file = {'I', 'I', 42, 0};
  Put32(file, 8);
  const uint32_t dataOffset = 8 + 2 + static_cast<uint32_t>(entries.size()) * 12 + 4;
  Put16(file, static_cast<uint32_t>(entries.size()));
  for (const Entry& e : entries) {
    Put16(file, e.tag);
    const bool isLong = e.tag == 273 || e.tag == 279 || e.tag == 292 || e.tag == 256 || e.tag == 257 || e.tag == 278;
    Put16(file, isLong ? 4 : 3);
    Put32(file, 1);
    const uint32_t value = e.tag == 273 ? dataOffset : e.value;
    if (isLong) Put32(file, value);
    else Put16(file, value), Put16(file, 0);
  }
  Put32(file, 0);
  file.insert(file.end(), image.strip.begin(), image.strip.end());
  return file;
}

bool ReadTIFF(const Bytes& file, TStripImage& image) {
  if (file.size() < 8 || (file[0] != 'I' && file[0] != 'M')) return false;
  TReader r{file, file[0] == 'M'};
  const size_t ifd = r.U32(4);
  const uint32_t count = r.U16(ifd);
  std::vector<uint32_t> offsets, counts;
  image = TStripImage{};
  for (uint32_t i = 0; i < count && r.ok; ++i) {
    const size_t entry = ifd + 2 + i * 12;
    const std::vector<uint32_t> v = r.Values(entry);
    if (v.empty()) continue;
    switch (r.U16(entry)) {
      case 256: image.width = static_cast<int32_t>(v[0]); break;
      case 257: image.height = static_cast<int32_t>(v[0]); break;
      case 258: image.bitsPerSample = static_cast<int32_t>(v[0]); break;
      case 259: image.compression = static_cast<int32_t>(v[0]); break;
      case 262: image.photometric = static_cast<int32_t>(v[0]); break;
      case 266: image.fillOrder = static_cast<int32_t>(v[0]); break;
      case 273: offsets = v; break;
      case 279: counts = v; break;
      case 292: image.t4Options = v[0]; break;
    }
  }
  if (!r.ok || offsets.empty() || offsets.size() != counts.size()) return false;
  for (size_t i = 0; i < offsets.size(); ++i) {
    if (offsets[i] + static_cast<size_t>(counts[i]) > file.size()) return false;
    image.strip.insert(image.strip.end(), file.begin() + offsets[i], file.begin() + offsets[i] + counts[i]);
  }
  return true;
}

bool TiffCp(const Bytes& input, const std::string& options, Bytes& output) {
  if (!test_files::HaveTool("tiffcp")) return false;
  const std::string dir = test_files::MakeTempDir();
  test_files::WriteFileBytes(dir + "/in.tif", input);
  const int status = test_files::RunShell("tiffcp " + options + " -r 1000000 '" + dir + "/in.tif' '" + dir +
                                             "/out.tif' && rm '" + dir + "/in.tif'");
  output = test_files::ReadFileBytes(dir + "/out.tif");
  test_files::RunShell("rm -rf '" + dir + "'");
  return status == 0 && !output.empty();
}

}  // namespace strip_tiff
