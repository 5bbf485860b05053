// The packed skin container: "ASzf", an entry count, then per entry a name, its unpacked size
// and one zlib stream. TacSkinConvertor parses it into memory streams, one per entry.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vcl/runtime/persistent.h"
#include "vcl/runtime/streams.h"

namespace skin {

// The message of every container that is not one, or is damaged.
extern const char* const NotPackedSkinMessage;  // "Loaded data is not packed skin file"

// The most that all entries of a container together may unpack to; anything larger is damage
// or an attack, not a skin (a skin's options and images take a few megabytes).
constexpr int64_t MaxSkinUnpackedTotal = 64 * 1024 * 1024;
// Deflate shrinks data at most about a thousand times: no container unpacks to more than this
// many times its own size.
constexpr int64_t MaxSkinInflateRatio = 1040;

struct TacImageItem {
  std::string Name;  // as stored
  bool IsBitmap = false;  // the upper-cased extension is ".BMP"
  std::unique_ptr<vcl::TMemoryStream> Data;
};

class TacSkinConvertor : public vcl::TPersistent {
  VCL_CLASS(TacSkinConvertor, vcl::TPersistent)
  TacSkinConvertor();
  ~TacSkinConvertor() override;

  // Reads the file into memory and parses it into `convertor` (made when empty, cleared
  // otherwise). Nothing happens when the file does not exist. Raises like Parse.
  static void LoadFromFile(const std::string& fileName, std::unique_ptr<TacSkinConvertor>& convertor);

  // Parses PackedStream from its start. Every count, length and size is checked against what
  // is left of the container; a damaged or foreign container raises NotPackedSkinMessage (or
  // the inflate stream's error, or EReadError for a short zlib stream) and leaves the
  // convertor cleared, never released: its owner frees it.
  void Parse();
  // Frees the image streams, the options stream and an owned container.
  void Clear();

  // The container to parse: borrowed (a stored skin lends its "Data") or owned.
  void SetPackedStream(vcl::TStream* stream, bool owned);

  int32_t ItemCount = 0;
  std::vector<TacImageItem> ImageItems;
  std::unique_ptr<vcl::TMemoryStream> OptionsStream;

  // The image item of that name, compared without case; null when none.
  TacImageItem* FindImage(const std::string& name);

 private:
  void ParseEntries();
  vcl::TStream* packedStream_ = nullptr;
  std::unique_ptr<vcl::TStream> ownedStream_;
};

}  // namespace skin
