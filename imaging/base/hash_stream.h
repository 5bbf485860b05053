// TIEHashStream: a stream that hashes what is written to it through the platform's
// cryptographic provider, or passes everything to an inner stream it owns.
#pragma once

#include <cstdint>
#include <string>

#include "vcl/runtime/streams.h"
#include "vcl/runtime/win.h"
#include <wincrypt.h>

namespace imaging {

class TIEHashStream : public vcl::TStream {
  VCL_CLASS(TIEHashStream, vcl::TStream)
  // Hashes with the algorithm (CALG_MD5, CALG_SHA1, CALG_SHA_256, ...); raises Exception
  // "Unable to create hash" when the platform cannot. With an inner stream (owned) every call
  // goes to that stream instead.
  explicit TIEHashStream(ALG_ID algorithm, vcl::TStream* innerStream = nullptr);
  ~TIEHashStream() override;

  // Hashes the bytes (raises Exception "Unable to add hash data" on failure).
  int32_t Write(const void* buffer, int32_t count) override;
  // Without an inner stream: raises Exception "Read error. Hash stream not Buffered, please
  // create Buffered stream.".
  int32_t Read(void* buffer, int32_t count) override;
  // Without an inner stream: raises Exception "Seek error. Hash stream not Buffered, please
  // create Buffered stream.".
  int64_t Seek(int64_t offset, vcl::TSeekOrigin origin) override;

  // The digest of what was written so far (empty with an inner stream).
  std::string HashValue() const;

 private:
  vcl::TStream* innerStream_;
  HCRYPTPROV provider_ = 0;
  HCRYPTHASH hash_ = 0;
};

}  // namespace imaging
