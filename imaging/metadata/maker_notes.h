// TIETagsHandler: the EXIF maker note of a camera. It recognises the maker by the note's
// signature, reads the note's private directory (in the maker's byte order and offset
// convention) into a self-contained tag directory in memory, and writes it back as a maker
// note in the same layout, so that what it writes reads back the same.
//
// The tag directory (TagStream), in the host's (little-endian) byte order:
//   0       2     entry count n
//   2       12 n  entries: tag (2), type (2), count (4), value (4)
//   2 + 12n ...   out-of-line data: an entry whose data exceeds 4 bytes holds the offset of
//                 its data within the directory
// Inline values are the entry's 4 value bytes read as one 32-bit word in the order the note
// was read in; out-of-line data keeps the bytes as read. Both are brought into the output
// order value by value when the note is written in another order.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vcl/runtime/streams.h"
#include "vcl/runtime/system.h"

namespace imaging {

// One maker-note layout.
struct TIEEXIFMakerNoteDeviceInfo {
  // The bytes that open the note (zero bytes included).
  std::string Signature;
  // 0: value offsets count from the start of the enclosing TIFF structure; 1: from the note's
  // own TIFF header when it has one, else from the start of the note.
  uint8_t OffsetBase = 0;
  // 0: the directory follows the signature; 1: an 8-byte TIFF header follows it; 2: a 32-bit
  // little-endian value follows it, giving the directory's offset from the start of the note.
  uint8_t HeaderKind = 0;
  // The header of kind 1 as read (byte order mark, 42, directory offset).
  uint8_t TIFFHeader[8] = {0, 0, 0, 0, 0, 0, 0, 0};
  // 0: the enclosing file's byte order; 1: TIFFHeader's; 2: little-endian; 3: big-endian.
  uint8_t ByteOrder = 0;
};

// The known layouts, first match by signature wins.
const std::vector<TIEEXIFMakerNoteDeviceInfo>& MakerNoteLayouts();

struct TIETagEntry {
  uint16_t Tag = 0;
  uint16_t Type = 0;
  uint32_t Count = 0;
  uint32_t Value = 0;
};

class TIETagsHandler : public vcl::TObject {
  VCL_CLASS(TIETagsHandler, vcl::TObject)
  TIETagsHandler();
  ~TIETagsHandler() override;

  // Frees the raw note and the entries, empties the directory, takes the empty layout.
  void Clear();
  // Clear, then a copy of the source's directory, raw note and layout (nil: just Clear).
  void Assign(const TIETagsHandler* source);
  // Reads a maker note of `size` bytes at the stream's position; littleEndian is the byte
  // order of the enclosing file. Value offsets of layout base 0 count from stream position 0.
  // Bad data never raises: an unknown or malformed note leaves the handler empty, entries
  // whose data lies outside the note keep their tag and type with count 0.
  void ReadFromStream(vcl::TStream* stream, int32_t size, bool littleEndian);
  // Writes the note at the stream's position in its layout (signature, header or offset
  // field, directory and data, every out-of-line block at an even offset); littleEndian is the
  // enclosing file's byte order, used by layouts that follow it. Returns the bytes written,
  // 0 when nothing was kept or the note would exceed 65,000 bytes (then nothing is written).
  int32_t WriteToStream(vcl::TStream* stream, bool littleEndian = true);
  // Rebuilds the entries from the directory (only those that lie within it).
  void ParseDirectory();
  // Sets the layout from the raw note: the first whose signature matches the note's first
  // min(size, signature length) bytes; the empty layout when none does.
  void IdentifyDevice();
  // Replaces the raw note (empty: no note).
  void SetRawData(std::vector<uint8_t> data);

  const std::vector<uint8_t>& RawData() const { return raw_; }
  int32_t RawSize() const { return static_cast<int32_t>(raw_.size()); }
  const TIEEXIFMakerNoteDeviceInfo& Device() const { return device_; }
  // The tag directory; a reader that builds one itself calls ParseDirectory afterwards.
  vcl::TMemoryStream* TagStream() const { return tagStream_.get(); }
  const std::vector<TIETagEntry>& Entries() const { return entries_; }
  int32_t EntryCount() const { return static_cast<int32_t>(entries_.size()); }
  // The byte order the directory's values were read in (a directory built in memory is in the
  // host's order, little-endian).
  bool ValuesLittleEndian() const { return valuesLittleEndian_; }
  void SetValuesLittleEndian(bool value) { valuesLittleEndian_ = value; }

 private:
  bool ReadNote(int64_t notePosition, bool littleEndian);

  std::vector<uint8_t> raw_;
  TIEEXIFMakerNoteDeviceInfo device_;
  std::unique_ptr<vcl::TMemoryStream> tagStream_;
  std::vector<TIETagEntry> entries_;
  bool valuesLittleEndian_ = true;
};

}  // namespace imaging
