#include "skin/engine/skin_packer.h"

#include <zlib.h>

#include <algorithm>

#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/sysutils.h"

namespace skin {

namespace {

void WriteInt32(vcl::TStream* output, int32_t value) {
  uint8_t bytes[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
  output->WriteBuffer(bytes, 4);
}

std::string ReadWholeFile(const std::string& fileName) {
  vcl::TMemoryStream data;
  data.LoadFromFile(fileName);
  return std::string(static_cast<const char*>(data.Memory()), size_t(data.Size()));
}

}  // namespace

void PackSkin(const std::vector<TacPackEntry>& entries, vcl::TStream* output) {
  int options = 0;
  for (const TacPackEntry& entry : entries) {
    if (entry.Data.empty()) throw vcl::EInvalidArgument("Empty skin entry " + entry.Name);
    if (vcl::UpperCase(entry.Name) == "OPTIONS.DAT") ++options;
  }
  if (options != 1) throw vcl::EInvalidArgument("A packed skin needs exactly one Options.dat");
  output->WriteBuffer("ASzf", 4);
  WriteInt32(output, int32_t(entries.size()));
  for (const TacPackEntry& entry : entries) {
    WriteInt32(output, int32_t(entry.Name.size()));
    output->WriteBuffer(entry.Name.data(), int32_t(entry.Name.size()));
    WriteInt32(output, int32_t(entry.Data.size()));
    uLongf packedSize = compressBound(uLong(entry.Data.size()));
    std::string packed(packedSize, '\0');
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                  reinterpret_cast<const Bytef*>(entry.Data.data()), uLong(entry.Data.size()), Z_BEST_COMPRESSION) != Z_OK)
      throw vcl::EInvalidArgument("Cannot compress skin entry " + entry.Name);
    output->WriteBuffer(packed.data(), int32_t(packedSize));
  }
}

void PackSkinFolder(const std::string& folder, vcl::TStream* output) {
  std::string dir = folder;
  if (!dir.empty() && dir.back() != '\\' && dir.back() != '/') dir += '\\';
  std::vector<std::string> names;
  vcl::TSearchRec rec;
  if (vcl::FindFirst(dir + "*", vcl::faAnyFile, rec) == 0) {
    do {
      if ((rec.Attr & vcl::faDirectory) == 0) names.push_back(rec.Name);
    } while (vcl::FindNext(rec) == 0);
    vcl::FindClose(rec);
  }
  std::sort(names.begin(), names.end());
  std::vector<TacPackEntry> entries;
  for (const std::string& name : names)
    if (vcl::UpperCase(name) == "OPTIONS.DAT") entries.push_back({name, ReadWholeFile(dir + name)});
  for (const std::string& name : names)
    if (vcl::UpperCase(name) != "OPTIONS.DAT") entries.push_back({name, ReadWholeFile(dir + name)});
  PackSkin(entries, output);
}

}  // namespace skin
