// Reading and writing the fixed-size fields of the view's stored records (layer records, the
// layer stream, saved selections): values in the machine's byte order, a damaged record raised
// as EReadError, and the bytes left so that counts and sizes can be checked before use.
#pragma once

#include <cstdint>

#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/streams.h"

namespace imaging::record_fields {

template <typename T>
void Put(vcl::TStream* stream, const T& value) {
  stream->WriteBuffer(&value, sizeof(value));
}

// ReadBuffer raises EReadError when the stream ends before the value is complete.
template <typename T>
T Get(vcl::TStream* stream) {
  T value{};
  stream->ReadBuffer(&value, sizeof(value));
  return value;
}

inline bool GetBool(vcl::TStream* stream) { return Get<uint8_t>(stream) != 0; }

[[noreturn]] inline void Corrupt() { throw vcl::EReadError("Stream read error"); }

inline int64_t Remaining(vcl::TStream* stream) { return stream->Size() - stream->Position(); }

}  // namespace imaging::record_fields
