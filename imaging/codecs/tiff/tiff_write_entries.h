// The pieces the TIFF writer builds a file from: an output that remembers where the TIFF starts
// and whether any write failed, and the list of directory entries with their makers. Each
// entry's data block is written as soon as the entry is made, so the entry holds its offset;
// the directory itself is written last, sorted by tag.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vcl/runtime/streams.h"

namespace imaging {

enum TIFFFieldType : uint16_t {
  tiffByte = 1,
  tiffAscii = 2,
  tiffShort = 3,
  tiffLong = 4,
  tiffRational = 5,
  tiffUndefined = 7,
  tiffSRational = 10
};

// The stream a TIFF is written to. Every write goes through here: a short write marks the
// output failed (the caller stops and reports the file as not written) and later writes are
// still accepted, so coders that write on their own need no error path of their own.
// Positions count from Origin, where the header starts, so they are the file's offsets also
// for a TIFF written after other data (and coders that store positions, like the maker note,
// store offsets).
class TIFFOutput : public vcl::TStream {
  VCL_CLASS(TIFFOutput, vcl::TStream)
  TIFFOutput(vcl::TStream* target, int64_t origin) : target_(target), origin_(origin) {}

  // Refused: the writer only reads the target directly.
  int32_t Read(void* buffer, int32_t count) override;
  // Forwards to the target; claims the whole count so that coders carry on, and records a
  // short write in Failed.
  int32_t Write(const void* buffer, int32_t count) override;
  // Positions relative to Origin.
  int64_t Seek(int64_t offset, vcl::TSeekOrigin origin) override;

  bool Failed() const { return failed_; }
  void Fail() { failed_ = true; }
  int64_t Origin() const { return origin_; }
  // The position as a file offset; a file that outgrows 32-bit offsets marks the output failed.
  uint32_t Offset();
  // One zero byte when the offset is odd, so that the next block starts at an even offset.
  void Align();
  void WriteU16(uint16_t value);
  void WriteU32(uint32_t value);

 private:
  vcl::TStream* target_;
  int64_t origin_;
  bool failed_ = false;
};

struct TIFFEntry {
  uint16_t Tag = 0;
  uint16_t Type = 0;
  uint32_t Count = 0;
  uint8_t Value[4] = {0, 0, 0, 0};  // inline data, or the little-endian offset of the block
};

// The entries of one directory. Making an entry for a tag already in the list replaces it, so
// a directory never holds one tag twice.
class TIFFEntryList {
 public:
  explicit TIFFEntryList(TIFFOutput& output) : output_(output) {}

  void AddTIFFLongTag(uint16_t tag, uint32_t value);
  void AddTIFFShortTag(uint16_t tag, uint16_t value);
  void AddTIFFByteTag(uint16_t tag, uint8_t value);
  void AddTIFFUndefinedTag(uint16_t tag, uint8_t value);
  // Up to 4 characters inline, with the closing NUL counted when it fits.
  void AddTIFFInlineAsciiTag(uint16_t tag, const std::string& text);
  // Up to 4 bytes inline.
  void AddTIFFInlineByteTag(uint16_t tag, const std::string& bytes);
  // Nothing for an empty text; otherwise the text and a NUL, inline when they fit.
  void WriteTIFFAsciiTag(uint16_t tag, const std::string& text);
  // UTF-16 little-endian text and a 16-bit zero as BYTEs (the Windows XP tags).
  void WriteTIFFWideTag(uint16_t tag, const std::u16string& text);
  // Each value as the nearest fraction (within 5e-9 where 32 bits allow); SRATIONAL when
  // `isSigned`, for the tags whose values may be negative.
  void WriteTIFFRationalTag(uint16_t tag, double value, bool isSigned = false);
  void WriteTIFFRationalsTag(uint16_t tag, const std::vector<double>& values, bool isSigned = false);
  // 1 or 2 values inline, more as a block.
  void WriteTIFFShortsTag(uint16_t tag, const std::vector<uint16_t>& values);
  void WriteTIFFLongsTag(uint16_t tag, const std::vector<uint32_t>& values);
  // Any data: inline when it fits in 4 bytes, else as a block at an even offset.
  void WriteTIFFDataTag(uint16_t tag, uint16_t type, uint32_t count, const void* data, int64_t size);
  // An entry whose data the caller has written already at `offset`.
  void AddTIFFOffsetTag(uint16_t tag, uint16_t type, uint32_t count, uint32_t offset);

  bool Empty() const { return entries_.empty(); }
  bool Has(uint16_t tag) const;

  // Writes the directory at an even offset (count, entries by ascending tag, next offset) and
  // returns its offset.
  uint32_t WriteDirectory(uint32_t nextOffset);

 private:
  TIFFEntry& Add(uint16_t tag, uint16_t type, uint32_t count);

  TIFFOutput& output_;
  std::vector<TIFFEntry> entries_;
};

}  // namespace imaging
