#include "imaging/base/hash_stream.h"

#include "vcl/runtime/exceptions.h"

namespace imaging {

TIEHashStream::TIEHashStream(ALG_ID algorithm, vcl::TStream* innerStream) : innerStream_(innerStream) {
  if (innerStream_) return;
  if (!CryptAcquireContextW(&provider_, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
    throw vcl::Exception("Unable to create hash");
  if (!CryptCreateHash(provider_, algorithm, 0, 0, &hash_)) {
    CryptReleaseContext(provider_, 0);
    throw vcl::Exception("Unable to create hash");
  }
}

TIEHashStream::~TIEHashStream() {
  delete innerStream_;
  if (hash_) CryptDestroyHash(hash_);
  if (provider_) CryptReleaseContext(provider_, 0);
}

int32_t TIEHashStream::Write(const void* buffer, int32_t count) {
  if (innerStream_) return innerStream_->Write(buffer, count);
  if (count <= 0) return 0;
  if (!CryptHashData(hash_, static_cast<const BYTE*>(buffer), static_cast<DWORD>(count), 0))
    throw vcl::Exception("Unable to add hash data");
  return count;
}

int32_t TIEHashStream::Read(void* buffer, int32_t count) {
  if (innerStream_) return innerStream_->Read(buffer, count);
  throw vcl::Exception("Read error. Hash stream not Buffered, please create Buffered stream.");
}

int64_t TIEHashStream::Seek(int64_t offset, vcl::TSeekOrigin origin) {
  if (innerStream_) return innerStream_->Seek(offset, origin);
  throw vcl::Exception("Seek error. Hash stream not Buffered, please create Buffered stream.");
}

std::string TIEHashStream::HashValue() const {
  if (!hash_) return {};
  DWORD size = 0;
  DWORD sizeLength = sizeof(size);
  if (!CryptGetHashParam(hash_, HP_HASHSIZE, reinterpret_cast<BYTE*>(&size), &sizeLength, 0)) return {};
  // Reading the value closes the hash, so a duplicate answers and the stream goes on hashing.
  HCRYPTHASH copy = 0;
  if (!CryptDuplicateHash(hash_, nullptr, 0, &copy)) return {};
  std::string digest(size, '\0');
  DWORD length = size;
  bool ok = CryptGetHashParam(copy, HP_HASHVAL, reinterpret_cast<BYTE*>(digest.data()), &length, 0);
  CryptDestroyHash(copy);
  return ok ? digest.substr(0, length) : std::string();
}

}  // namespace imaging
