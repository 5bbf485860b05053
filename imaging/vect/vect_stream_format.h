// The record layer of the IEV vector stream: one object record written in the current version,
// and read in every version from '1' to 'R', with every count, index and size checked against
// the data before it is followed. The view puts these records behind its header and bitmap table.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/vect/vect_object.h"
#include "vcl/runtime/exceptions.h"

namespace vcl {
class TStream;
}

namespace imaging {

class TIEBitmap;

constexpr char kIEVMagic[3] = {'I', 'E', 'V'};
constexpr uint8_t kIEVFirstVersion = '1';
constexpr uint8_t kIEVCurrentVersion = 'R';
// Bytes of one memo character format (its layout belongs to the text editor).
constexpr size_t kCharFormatSize = 280;
// Groups of old versions nest records in records; deeper nesting than this is no file a
// writer made and would only exhaust the stack.
constexpr int32_t kMaxGroupDepth = 16;

// Raised for values no writer produces (an unknown kind, an index past its table, a count
// that does not fit the data, an unregistered extended class).
class EVectStreamError : public vcl::EReadError {
  VCL_CLASS(EVectStreamError, vcl::EReadError)
  using EReadError::EReadError;
};

void WriteObjectRecord(vcl::TStream* stream, int32_t handle, const TIEVectorObject& record);

// Defaults for fields an old version does not store.
struct TVectReadDefaults {
  const TIEVectorObject* Template = nullptr;
  TImageVect* Owner = nullptr;  // the owner of extended objects read
};

// Reads one record (a group of an old version yields its members) and appends the objects to
// `out`. Memo use counts are recomputed from the index array: stored counts are not trusted.
void ReadObjectRecords(vcl::TStream* stream, uint8_t version, const TVectReadDefaults& defaults,
                       std::vector<TIEVectorObject>& out, int32_t depth = 0);

// The use count (first four bytes) of each format rebuilt from the per-character indices; no
// index array means every character uses format 0.
void RecountCharFormats(TIEVectorObject& record);

// A PNG image written whole at the stream's position (or a BMP file for the first versions):
// its extent is found from its own chunk lengths or header, checked against the stream, and
// only those bytes go to the decoder. A damaged image raises EVectStreamError.
std::unique_ptr<TIEBitmap> ReadEmbeddedImage(vcl::TStream* stream, bool bmp);
void WriteEmbeddedPNG(vcl::TStream* stream, TIEBitmap* bitmap);
// The alpha block of versions '7' to '<': an int32 size, then zlib data that inflates to the
// alpha rows, last row first.
void ReadAlphaBlock(vcl::TStream* stream, TIEBitmap* bitmap);

}  // namespace imaging
