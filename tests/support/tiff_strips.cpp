#include "tests/support/tiff_strips.h"

#include <utility>

#include "tests/support/file_helpers.h"

namespace tiff_strips {

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
  uint32_t U8(size_t at) {
    if (at >= file.size()) return ok = false, 0;
    return file[at];
  }
  uint32_t U16(size_t at) {
    if (at + 2 > file.size()) return ok = false, 0;
    return big ? (file[at] << 8 | file[at + 1]) : (file[at] | file[at + 1] << 8);
  }
  uint32_t U32(size_t at) { return big ? (U16(at) << 16 | U16(at + 2)) : (U16(at) | U16(at + 2) << 16); }
  std::vector<uint32_t> Values(size_t entry) {
    const uint32_t type = U16(entry + 2), count = U32(entry + 4);
    const size_t size = type == 3 ? 2 : type == 4 ? 4 : 1;
    if (count > (1u << 24)) return ok = false, std::vector<uint32_t>{};
    const size_t at = count * size <= 4 ? entry + 8 : U32(entry + 8);
    std::vector<uint32_t> values;
    for (uint32_t i = 0; i < count; ++i)
      values.push_back(size == 2 ? U16(at + i * 2) : size == 4 ? U32(at + i * 4) : U8(at + i));
    return values;
  }
};

}  // namespace

Bytes MakeTIFF(const TImage& h, const Bytes& pixels) {
  struct Entry {
    uint16_t tag;
    uint16_t type;
    std::vector<uint32_t> values;
  };
  std::vector<Entry> entries = {
      {256, 4, {static_cast<uint32_t>(h.width)}},
      {257, 4, {static_cast<uint32_t>(h.height)}},
      {258, 3, std::vector<uint32_t>(h.samplesPerPixel, h.bitsPerSample)},
      {259, 3, {static_cast<uint32_t>(h.compression)}},
      {262, 3, {static_cast<uint32_t>(h.photometric)}},
  };
  if (h.fillOrder != 1) entries.push_back({266, 3, {static_cast<uint32_t>(h.fillOrder)}});
  entries.insert(entries.end(), {{273, 4, {0}},
                                 {277, 3, {static_cast<uint32_t>(h.samplesPerPixel)}},
                                 {278, 4, {static_cast<uint32_t>(h.height)}},
                                 {279, 4, {static_cast<uint32_t>(pixels.size())}},
                                 {284, 3, {1}}});
  if (h.compression == 3) entries.push_back({292, 4, {h.t4Options}});
  if (h.subsamplingH) entries.push_back({530, 3, {static_cast<uint32_t>(h.subsamplingH), static_cast<uint32_t>(h.subsamplingV)}});
  Bytes file = {'I', 'I', 42, 0};
  Put32(file, 8);
  const uint32_t ifdSize = 2 + static_cast<uint32_t>(entries.size()) * 12 + 4;
  const uint32_t extra = 8 + ifdSize;  // out-of-line values follow the directory
  Bytes values;
  Put16(file, static_cast<uint32_t>(entries.size()));
  // Out-of-line values first, so that the pixel offset is known.
  std::vector<uint32_t> valueOffsets(entries.size(), 0);
  for (size_t i = 0; i < entries.size(); ++i) {
    const size_t size = (entries[i].type == 3 ? 2 : 4) * entries[i].values.size();
    if (size > 4) {
      valueOffsets[i] = extra + static_cast<uint32_t>(values.size());
      for (uint32_t v : entries[i].values) entries[i].type == 3 ? Put16(values, v) : Put32(values, v);
    }
  }
  const uint32_t pixelOffset = extra + static_cast<uint32_t>(values.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    const Entry& e = entries[i];
    Put16(file, e.tag);
    Put16(file, e.type);
    Put32(file, static_cast<uint32_t>(e.values.size()));
    const size_t size = (e.type == 3 ? 2 : 4) * e.values.size();
    if (size > 4) {
      Put32(file, valueOffsets[i]);
    } else if (e.type == 3) {
      Put16(file, e.values[0]);
      Put16(file, e.values.size() > 1 ? e.values[1] : 0);
    } else {
      Put32(file, e.tag == 273 ? pixelOffset : e.values[0]);
    }
  }
  Put32(file, 0);
  file.insert(file.end(), values.begin(), values.end());
  file.insert(file.end(), pixels.begin(), pixels.end());
  return file;
}

bool ReadTIFF(const Bytes& file, TImage& image) {
  if (file.size() < 8 || (file[0] != 'I' && file[0] != 'M')) return false;
  TReader r{file, file[0] == 'M'};
  const size_t ifd = r.U32(4);
  const uint32_t count = r.U16(ifd);
  std::vector<uint32_t> offsets, counts;
  image = TImage{};
  image.rowsPerStrip = 0;
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
      case 273:
      case 324: offsets = v; break;
      case 322: image.tileWidth = static_cast<int32_t>(v[0]); break;
      case 323: image.tileLength = static_cast<int32_t>(v[0]); break;
      case 277: image.samplesPerPixel = static_cast<int32_t>(v[0]); break;
      case 278: image.rowsPerStrip = static_cast<int32_t>(v[0]); break;
      case 279:
      case 325: counts = v; break;
      case 292: image.t4Options = v[0]; break;
      case 293: image.t6Options = v[0]; break;
      case 317: image.predictor = static_cast<int32_t>(v[0]); break;
      case 347: for (uint32_t b : v) image.jpegTables.push_back(static_cast<uint8_t>(b)); break;
      case 530:
        image.subsamplingH = static_cast<int32_t>(v[0]);
        image.subsamplingV = v.size() > 1 ? static_cast<int32_t>(v[1]) : 0;
        break;
    }
  }
  if (!r.ok || offsets.empty() || offsets.size() != counts.size()) return false;
  if (image.rowsPerStrip <= 0 || image.rowsPerStrip > image.height) image.rowsPerStrip = image.height;
  for (size_t i = 0; i < offsets.size(); ++i) {
    if (offsets[i] + static_cast<size_t>(counts[i]) > file.size()) return false;
    image.strips.emplace_back(file.begin() + offsets[i], file.begin() + offsets[i] + counts[i]);
  }
  return true;
}

bool HaveTools() { return test_files::HaveTool("tiffcp") && test_files::HaveTool("fax2tiff"); }

bool RunTool(const std::string& command, const Bytes& input, Bytes& output) {
  const std::string dir = test_files::MakeTempDir();
  test_files::WriteFileBytes(dir + "/in.bin", input);
  std::string printed;
  std::string line = command;
  for (auto [key, path] : {std::pair{std::string("{in}"), dir + "/in.bin"}, {std::string("{out}"), dir + "/out.tif"}})
    for (size_t at; (at = line.find(key)) != std::string::npos;) line.replace(at, key.size(), "'" + path + "'");
  const int status = test_files::RunShell(line, &printed);
  output = status == 0 ? test_files::ReadFileBytes(dir + "/out.tif") : Bytes{};
  test_files::RunShell("rm -rf '" + dir + "'");
  return status == 0 && !output.empty();
}

}  // namespace tiff_strips
