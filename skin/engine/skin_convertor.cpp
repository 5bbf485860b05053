#include "skin/engine/skin_convertor.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "skin/engine/zlib_stream.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/sysutils.h"

namespace skin {

const char* const NotPackedSkinMessage = "Loaded data is not packed skin file";

namespace {

[[noreturn]] void NotPacked() { throw vcl::Exception(NotPackedSkinMessage); }

// A 32-bit field that must be wholly there: a short container is damage.
int32_t ReadInt32(vcl::TStream* stream) {
  uint8_t bytes[4];
  if (stream->Read(bytes, 4) != 4) NotPacked();
  return int32_t(uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24);
}

// Inflates exactly `size` bytes of the zlib stream at the source's position. The memory grows
// with the data that really comes, so a size that lies costs nothing before the stream ends.
std::unique_ptr<vcl::TMemoryStream> Inflate(vcl::TStream* source, int32_t size) {
  constexpr int32_t Piece = 65536;
  auto out = std::make_unique<vcl::TMemoryStream>();
  zlibex::TZDecompressionStream inflater(source);
  std::vector<uint8_t> buffer(Piece);
  int32_t done = 0;
  while (done < size) {
    int32_t got = inflater.Read(buffer.data(), std::min(Piece, size - done));
    if (got <= 0) throw vcl::EReadError("Stream read error");
    out->WriteBuffer(buffer.data(), got);
    done += got;
  }
  // zlib may stop once the output is full, before it has read the stream's checksum; drive it
  // to the end so that the source lands on the next entry. More data than declared is damage.
  if (!inflater.Finished()) {
    uint8_t extra;
    if (inflater.Read(&extra, 1) != 0 || !inflater.Finished()) NotPacked();
  }
  return out;
}

}  // namespace

TacSkinConvertor::TacSkinConvertor() = default;

TacSkinConvertor::~TacSkinConvertor() { Clear(); }

void TacSkinConvertor::SetPackedStream(vcl::TStream* stream, bool owned) {
  ownedStream_.reset(owned ? stream : nullptr);
  packedStream_ = stream;
}

void TacSkinConvertor::Clear() {
  while (!ImageItems.empty()) ImageItems.pop_back();
  ItemCount = 0;
  OptionsStream.reset();
  ownedStream_.reset();
  packedStream_ = nullptr;
}

void TacSkinConvertor::LoadFromFile(const std::string& fileName, std::unique_ptr<TacSkinConvertor>& convertor) {
  if (!vcl::FileExists(fileName)) return;
  if (convertor)
    convertor->Clear();
  else
    convertor = std::make_unique<TacSkinConvertor>();
  auto data = std::make_unique<vcl::TMemoryStream>();
  data->LoadFromFile(fileName);
  convertor->SetPackedStream(data.release(), true);
  convertor->Parse();
  // The entries are inflated; the file's bytes are no longer needed.
  convertor->ownedStream_.reset();
  convertor->packedStream_ = nullptr;
}

void TacSkinConvertor::Parse() {
  if (!packedStream_) NotPacked();
  ImageItems.clear();
  OptionsStream.reset();
  ItemCount = 0;
  try {
    ParseEntries();
  } catch (...) {
    ImageItems.clear();
    OptionsStream.reset();
    ItemCount = 0;
    throw;
  }
}

void TacSkinConvertor::ParseEntries() {
  vcl::TStream* stream = packedStream_;
  const int64_t size = stream->Size();
  stream->SetPosition(0);
  char signature[4];
  if (stream->Read(signature, 4) != 4 || std::memcmp(signature, "ASzf", 4) != 0) NotPacked();
  // Each entry takes at least its two 32-bit fields and a zlib stream of eight bytes.
  const int32_t count = ReadInt32(stream);
  if (count < 1 || int64_t(count) > (size - 8) / 16) NotPacked();
  // What all entries together may unpack to: the declared sizes are checked before any memory
  // is taken for them.
  const int64_t budget = std::min(MaxSkinUnpackedTotal, size * MaxSkinInflateRatio);
  int64_t total = 0;
  for (int32_t i = 0; i < count; ++i) {
    const int32_t nameLength = ReadInt32(stream);
    if (nameLength < 0 || nameLength > size - stream->Position()) NotPacked();
    std::string name(size_t(nameLength), '\0');
    if (nameLength > 0 && stream->Read(name.data(), nameLength) != nameLength) NotPacked();
    const int32_t unpacked = ReadInt32(stream);
    // A size beyond what is left of the container can inflate to is damage.
    const int64_t left = size - stream->Position();
    total += unpacked;
    if (unpacked <= 0 || unpacked > left * MaxSkinInflateRatio || total > budget) NotPacked();
    if (vcl::UpperCase(name) == "OPTIONS.DAT") {
      // Exactly one options entry: a second one is damage, not a replacement.
      if (OptionsStream) NotPacked();
      OptionsStream = Inflate(stream, unpacked);
    } else {
      TacImageItem item;
      item.Name = name;
      item.IsBitmap = vcl::UpperCase(vcl::ExtractFileExt(name)) == ".BMP";
      item.Data = Inflate(stream, unpacked);
      ImageItems.push_back(std::move(item));
    }
  }
  if (!OptionsStream) NotPacked();
  ItemCount = count - 1;
}

TacImageItem* TacSkinConvertor::FindImage(const std::string& name) {
  // Without case on both sides: a folder skin finds its files whatever the case, and a packed
  // one must find the same images.
  for (TacImageItem& item : ImageItems)
    if (vcl::SameText(item.Name, name)) return &item;
  return nullptr;
}

}  // namespace skin
