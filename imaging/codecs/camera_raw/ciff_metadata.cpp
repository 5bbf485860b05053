#include "imaging/codecs/camera_raw/ciff_metadata.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "imaging/codecs/jpeg/jpeg_codec.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

constexpr int32_t kLargestDepth = 8;
constexpr int32_t kLargestRecords = 256;

struct TMakerNoteEntry {
  uint16_t tag;
  std::vector<uint16_t> values;
};

class TCIFFWalk {
 public:
  TCIFFWalk(vcl::TStream* stream, TIOParamsVals& params, bool bigEndian)
      : s_(stream), params_(params), big_(bigEndian), end_(stream->Size()) {}

  void ParseCIFFHeap(int64_t start, int64_t length, int32_t depth) {
    // A heap met again (or nested without end) would be walked forever.
    if (depth > kLargestDepth || !visited_.insert(start).second) return;
    const int64_t tablePointer = start + length - 4;
    if (tablePointer < 0 || tablePointer >= end_) return;
    s_->SetPosition(tablePointer);
    uint32_t table;
    if (!CIFFReadDWord(table) || start + int64_t(table) >= end_) return;
    s_->SetPosition(start + table);
    uint16_t count;
    if (!CIFFReadWord(count)) return;
    for (int32_t i = 0; i < std::min<int32_t>(count, kLargestRecords); ++i) {
      uint16_t type;
      uint32_t size, offset;
      if (!CIFFReadWord(type) || !CIFFReadDWord(size) || !CIFFReadDWord(offset)) return;
      const int64_t after = s_->Position();
      const bool inRecord = (type & 0xC000) == 0x4000;
      const int64_t data = inRecord ? after - 8 : start + int64_t(offset);
      const int64_t dataLength = inRecord ? 8 : int64_t(size);
      if (data < 0 || data >= end_) return;
      s_->SetPosition(data);
      Record(type & 0x3FFF, data, dataLength, depth);
      s_->SetPosition(after);
    }
  }

  // The smallest JPEG candidate becomes the thumbnail.
  void CIFFLoadThumbnail() {
    if (!params_.EXIFThumbnail) params_.EXIFThumbnail = std::make_unique<TIEBitmap>();
    params_.EXIFThumbnail->FreeImage(true);
    if (bestPosition_ >= 1) {
      const std::vector<uint8_t> jpeg = Bytes(bestPosition_, bestLength_);
      vcl::TMemoryStream stream;
      stream.WriteBuffer(jpeg.data(), int32_t(jpeg.size()));
      stream.SetPosition(0);
      TIOParamsVals scratch(nullptr);
      std::atomic<bool> failed{false};
      TCodecProgress progress;
      progress.Aborting = &failed;
      ReadJPEGStream(&stream, nullptr, params_.EXIFThumbnail.get(), scratch, progress, false, false, false, false,
                     false, false, -1, false);
      if (failed) params_.EXIFThumbnail->FreeImage(true);
    }
  }

  // The maker note: a 16-bit count, 12-byte entries of 16-bit values, then their data.
  void CIFFWriteMakerNote() {
    TIETagsHandler& note = params_.EXIFMakerNote;
    note.Clear();
    vcl::TMemoryStream* tags = note.TagStream();
    auto put16 = [&](uint32_t v) {
      const uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
      tags->WriteBuffer(b, 2);
    };
    auto put32 = [&](uint32_t v) { put16(v & 0xFFFF), put16(v >> 16); };
    put16(uint32_t(notes_.size()));
    uint32_t dataAt = 2 + 12 * uint32_t(notes_.size());
    for (const TMakerNoteEntry& entry : notes_) {
      put16(entry.tag), put16(3), put32(uint32_t(entry.values.size())), put32(dataAt);
      dataAt += 2 * uint32_t(entry.values.size());
    }
    for (const TMakerNoteEntry& entry : notes_)
      for (uint16_t v : entry.values) put16(v);
    note.ParseDirectory();
  }

 private:
  bool CIFFReadWord(uint16_t& v) {
    uint8_t b[2];
    if (s_->Read(b, 2) != 2) return false;
    v = big_ ? vcl::be::U16(b) : vcl::le::U16(b);
    return true;
  }
  bool CIFFReadDWord(uint32_t& v) {
    uint16_t a, b;
    if (!CIFFReadWord(a) || !CIFFReadWord(b)) return false;
    v = big_ ? uint32_t(a) << 16 | b : uint32_t(b) << 16 | a;
    return true;
  }
  // The record's bytes that the stream holds.
  std::vector<uint8_t> Bytes(int64_t at, int64_t length) {
    length = std::clamp<int64_t>(length, 0, end_ - at);
    std::vector<uint8_t> bytes(static_cast<size_t>(std::min<int64_t>(length, int64_t(1) << 30)));
    s_->SetPosition(at);
    bytes.resize(size_t(std::max(0, s_->Read(bytes.data(), int32_t(bytes.size())))));
    return bytes;
  }
  // A text up to its 0 byte or the record's length; `used` says how many bytes it took.
  static std::string CIFFReadString(const std::vector<uint8_t>& bytes, size_t from, size_t* used = nullptr) {
    size_t n = from;
    while (n < bytes.size() && bytes[n]) ++n;
    if (used) *used = n - from + 1;
    return std::string(bytes.begin() + from, bytes.begin() + n);
  }

  // Keeps the record's 16-bit values as a maker-note entry of the tag.
  void CIFFAddMakerNoteEntry(uint16_t tag, int64_t data, int64_t length) {
    const std::vector<uint8_t> bytes = Bytes(data, length);
    TMakerNoteEntry entry{tag, {}};
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
      entry.values.push_back(big_ ? vcl::be::U16(bytes.data() + i) : vcl::le::U16(bytes.data() + i));
    notes_.push_back(std::move(entry));
  }

  // A JPEG record is a thumbnail candidate when its header reads; the smallest one wins.
  void CIFFProbeJPEG(int64_t data, int64_t length) {
    const std::vector<uint8_t> jpeg = Bytes(data, length);
    vcl::TMemoryStream stream;
    if (!jpeg.empty()) stream.WriteBuffer(jpeg.data(), int32_t(jpeg.size()));
    stream.SetPosition(0);
    TIOParamsVals header(nullptr);
    std::atomic<bool> failed{false};
    TCodecProgress progress;
    progress.Aborting = &failed;
    TIEBitmap unused;
    ReadJPEGStream(&stream, nullptr, &unused, header, progress, true, false, false, false, false, false, -1, false);
    if (!failed && header.Width > 0 && header.Height > 0 && header.Width < bestWidth_ && header.Height < bestHeight_) {
      bestPosition_ = data, bestLength_ = length;
      bestWidth_ = header.Width, bestHeight_ = header.Height;
    }
  }

  void Record(uint32_t key, int64_t data, int64_t length, int32_t depth) {
    switch (key) {
      case 0x0805: params_.EXIFImageDescription = CIFFReadString(Bytes(data, length), 0); break;
      case 0x080A: {
        const std::vector<uint8_t> bytes = Bytes(data, length);
        size_t used = 0;
        params_.EXIFMake = CIFFReadString(bytes, 0, &used);
        params_.EXIFModel = used < bytes.size() ? CIFFReadString(bytes, used) : std::string();
        break;
      }
      case 0x080B: params_.EXIFSoftware = CIFFReadString(Bytes(data, length), 0); break;
      case 0x102A:
      case 0x102D:
        CIFFAddMakerNoteEntry(uint16_t(key == 0x102A ? 4 : 1), data, length);
        break;
      case 0x1810: {
        uint32_t width, height;
        if (CIFFReadDWord(width) && CIFFReadDWord(height)) {
          params_.SetEXIFPixelXDimension(int32_t(width));
          params_.SetEXIFPixelYDimension(int32_t(height));
        }
        break;
      }
      case 0x2007:
      case 0x2008:
        CIFFProbeJPEG(data, length);
        break;
      case 0x2800: case 0x2807: case 0x3000: case 0x3002: case 0x3003: case 0x3004: case 0x300A: case 0x300B:
        ParseCIFFHeap(data, length, depth + 1);
        break;
    }
  }

  vcl::TStream* s_;
  TIOParamsVals& params_;
  bool big_;
  int64_t end_;
  std::set<int64_t> visited_;
  std::vector<TMakerNoteEntry> notes_;
  int64_t bestPosition_ = -1, bestLength_ = 0;
  int32_t bestWidth_ = 0x7FFFFFFE, bestHeight_ = 0x7FFFFFFE;
};

}  // namespace

void ReadCIFFMetadata(vcl::TStream* Stream, TIOParamsVals& Params) {
  const int64_t start = Stream->Position();
  uint8_t head[14];
  const bool complete = Stream->Read(head, 14) == 14;
  Stream->SetPosition(start);
  if (!complete) return;
  const bool big = head[0] == 'M' && head[1] == 'M';
  const bool order = (head[0] == 'I' && head[1] == 'I') || big;
  if (!order && std::memcmp(head + 6, "HEAPCCDR", 8) != 0) return;
  const uint32_t headerLength = big ? vcl::be::U32(head + 2) : vcl::le::U32(head + 2);
  TCIFFWalk walk(Stream, Params, big);
  walk.ParseCIFFHeap(start + headerLength, Stream->Size() - start - headerLength, 0);
  walk.CIFFLoadThumbnail();
  walk.CIFFWriteMakerNote();
  Stream->SetPosition(start);
}

}  // namespace imaging
