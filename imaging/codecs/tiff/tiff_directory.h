// One loaded TIFF directory (IFD) and the accessors that read its tags. The TIFF reader, the
// content tests and the metadata rewrite all walk IFD chains and read tags through these, so the
// bounds are checked in one place: every offset and count taken from the file is checked
// against the stream before it is followed, and a chain that loops ends instead of spinning.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vcl {
class TStream;
}

namespace imaging {

// One raw 12-byte IFD entry in machine order. For a big-endian file the tag and type are
// swapped as 16-bit values and the count and value field as whole 32-bit values, so that a
// SHORT held in the value field lies in the upper 16 bits and a BYTE in the upper 8 bits.
struct TTIFFEntry {
  uint16_t Tag = 0;
  uint16_t Type = 0;
  uint32_t Count = 0;
  uint32_t Value = 0;  // the value itself when it fits in 4 bytes, else the data's offset
};

struct TTIFFDirectory {
  uint8_t LittleEndian = 1;         // 1 for "II", 0 for "MM"
  vcl::TStream* Stream = nullptr;   // not owned
  std::vector<TTIFFEntry> Entries;  // the loaded IFD
  uint16_t EntryCount = 0;
  int64_t BaseOffset = 0;  // added to every offset of the file
};

// The index of the tag's entry, -1 when absent.
int32_t FindTIFFTag(const TTIFFDirectory& directory, uint16_t tag);

// First value: BYTE and SHORT from the value field by byte order, any other type the whole
// value field.
int32_t GetTIFFTagInt(const TTIFFDirectory& directory, uint16_t tag, int32_t defaultValue);
// Value number `index` of a SHORT or LONG tag; the default for another type, an index outside
// the count or data outside the stream.
int32_t GetTIFFTagIntAt(const TTIFFDirectory& directory, uint16_t tag, int32_t index, int32_t defaultValue);
// numerator / denominator of a RATIONAL or SRATIONAL (value number `index`); a zero denominator
// counts as 1.
double GetTIFFTagRational(const TTIFFDirectory& directory, uint16_t tag, double defaultValue);
double GetTIFFTagRationalAt(const TTIFFDirectory& directory, uint16_t tag, int32_t index, double defaultValue);
// All values of a SHORT or LONG tag (any other type: its first value per GetTIFFTagInt for
// count 1). Returns the count; 0 (and an empty array) when the tag is absent or its data does
// not lie inside the stream.
int32_t GetTIFFTagIntArray(const TTIFFDirectory& directory, uint16_t tag, std::vector<int32_t>& values);
// The tag's data bytes (count x type size), inline ones included, in file order. False (and an
// empty block) when the tag is absent, empty, or its data does not lie inside the stream.
bool GetTIFFTagBlock(const TTIFFDirectory& directory, uint16_t tag, std::vector<uint8_t>& block);
// ASCII text (count bytes); with `trim` cut before the first NUL. Empty when absent, longer
// than 0xFFFFF bytes or outside the stream.
std::string GetTIFFTagString(const TTIFFDirectory& directory, uint16_t tag, bool trim);
// The data bytes in file order as a byte string (the value field for up to 4 bytes).
std::string GetTIFFTagInlineBytes(const TTIFFDirectory& directory, uint16_t tag);
// UTF-16 little-endian text held in a BYTE tag (the XP tags), without its closing NUL.
std::u16string GetTIFFTagWideString(const TTIFFDirectory& directory, uint16_t tag);

// Walks the IFD chain from `firstOffset` (relative to directory.BaseOffset) and loads the
// entries of IFD number `index` into `directory`, whose Stream, LittleEndian and BaseOffset the
// caller sets. `count` receives the number of IFDs in the chain (the walk stops at an IFD seen
// before, at an offset outside the stream and after a fixed maximum of IFDs). False when no
// entries were loaded.
bool LoadTIFFDirectory(int32_t index, int64_t firstOffset, TTIFFDirectory& directory, int32_t& count);

}  // namespace imaging
