// TIETIFFHandler: edits the directories of a TIFF file without decoding its images. It loads
// every directory (page) with its sub-directories (EXIF, GPS, interoperability) and the data
// blocks that offset tags point to (strips, tiles, JPEG interchange data), lets a caller copy
// tags from one TIFF into a page of another, and writes the whole TIFF back with new offsets.
// Everything read is bounded by the stream: loops in directory chains, offsets past the end
// and counts that do not match are refused rather than followed.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "vcl/runtime/streams.h"
#include "vcl/runtime/system.h"

namespace imaging {

// One directory entry. Tag, type and count are held as numbers; the value bytes and the data
// stay in the file's byte order.
struct TIETIFFEntry {
  uint16_t Tag = 0;
  uint16_t Type = 0;
  uint32_t Count = 0;
  // The value field when the data fits in 4 bytes.
  uint8_t Value[4] = {0, 0, 0, 0};
  // The data when it exceeds 4 bytes.
  std::vector<uint8_t> Data;
  // The entries of the sub-directory of an EXIF, GPS or interoperability tag.
  bool IsSubIFD = false;
  std::vector<TIETIFFEntry> SubIFD;
  // The blocks of an offsets tag of a data-block pair (one per offset, in order).
  bool HasBlocks = false;
  std::vector<std::vector<uint8_t>> Blocks;
};

using TIETIFFIFD = std::vector<TIETIFFEntry>;
// A value for AddTag: a whole number, a real number or a text.
using TIETagValue = std::variant<int64_t, double, std::string>;

class TIETIFFHandler : public vcl::TObject {
  VCL_CLASS(TIETIFFHandler, vcl::TObject)
  // An empty handler (little-endian, version 42).
  TIETIFFHandler() = default;
  // An empty handler that then reads the file or stream.
  static TIETIFFHandler* CreateFromFile(const std::string& fileName);
  static TIETIFFHandler* CreateFromStream(vcl::TStream* stream);

  // False when the file does not exist; otherwise opens it read-only (others may not write)
  // and reads it.
  bool ReadFromFile(const std::string& fileName);
  // Reads the TIFF that starts at position 0 of the stream; false without "II" or "MM".
  // Stream errors propagate.
  bool ReadFromStream(vcl::TStream* stream);
  // Writes all pages (page < 0 or beyond the count) or one. Offsets are positions in the
  // destination stream, so the TIFF should start at its position 0.
  void WriteToStream(vcl::TStream* stream, int32_t page);
  void WriteToFile(const std::string& fileName, int32_t page);

  // The index of a tag in a page, -1 when absent or for a page beyond the count.
  int32_t FindTag(int32_t page, uint16_t tag) const;
  // The index-th value of a tag as an integer; 0 when the tag is missing, the index is outside
  // its count or its type has no integer reading. An offsets tag whose blocks are held gives 0.
  int64_t GetTagValue(const TIETIFFIFD& entries, uint16_t tag, int32_t index) const;
  // Replaces or adds a tag of count 1 (a text: its characters and a 0). Rationals hold
  // value * 10000 / 10000 when that fits, else the closest fraction that does.
  void AddTag(TIETIFFIFD& entries, uint16_t tag, const TIETagValue& value, uint16_t type);
  // Removes the entry (with its data, sub-directory or blocks); index < 0 does nothing.
  void DeleteEntry(TIETIFFIFD& entries, int32_t index);
  void DeleteTag(int32_t page, int32_t index);
  // Copies entry sourceIndex of the source's page into a page of this handler, replacing an
  // entry of the same tag, with deep copies of its data, sub-directory and blocks. Nothing
  // when an index is out of range or the byte orders differ.
  void CopyTag(int32_t sourcePage, int32_t sourceIndex, int32_t destinationPage, const TIETIFFHandler* source);

  bool BigEndian() const { return bigEndian_; }
  uint16_t Version() const { return version_; }
  int32_t PageCount() const { return static_cast<int32_t>(pages_.size()); }
  // Raises EListError for a page outside 0 .. PageCount - 1.
  TIETIFFIFD& Page(int32_t index);
  const TIETIFFIFD& Page(int32_t index) const;
  std::vector<TIETIFFIFD>& Pages() { return pages_; }

 private:
  class Reader;
  class Writer;

  bool bigEndian_ = false;
  uint16_t version_ = 42;
  std::vector<TIETIFFIFD> pages_;
};

}  // namespace imaging
