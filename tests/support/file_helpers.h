// Helpers of the file-format tests: temporary files, the Linux checkers run through the shell,
// stream contents, and malformed-input runs over a buffer that ends at a guard page.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vcl {
class TStream;
}

namespace test_files {

using Bytes = std::vector<uint8_t>;

// A fresh folder under /tmp for one test's files (Linux path), removed by RemoveTempDirs, which
// the test entry point calls when every test has run.
std::string MakeTempDir();
void RemoveTempDirs();
void WriteFileBytes(const std::string& path, const Bytes& bytes);
Bytes ReadFileBytes(const std::string& path);
// Whether a command-line program can be found on the PATH.
bool HaveTool(const std::string& name);
// Runs a shell command; its exit status, with what it printed (stdout and stderr) in output.
int RunShell(const std::string& command, std::string* output = nullptr);

// A small real JPEG (one grey pixel) made by cjpeg in the folder; empty when that fails.
Bytes SmallJPEG(const std::string& dir);
// The JPEG with one more marker segment (code 0xE0 .. 0xFE) right after its start of image.
Bytes WithMarker(const Bytes& jpeg, uint8_t code, const Bytes& payload);

// The whole content of a stream, from its start.
Bytes StreamBytes(vcl::TStream* stream);
Bytes ToBytes(const std::string& text);
std::string ToText(const Bytes& bytes);
// Big- and little-endian numbers appended to a byte vector.
void PutBE16(Bytes& b, uint32_t v);
void PutBE32(Bytes& b, uint32_t v);
void PutLE16(Bytes& b, uint32_t v);
void PutLE32(Bytes& b, uint32_t v);

// Copies the bytes so that they end exactly where an inaccessible page begins: a reader that
// goes one byte past the end faults at once instead of reading garbage silently.
class GuardedBuffer {
 public:
  explicit GuardedBuffer(const Bytes& bytes);
  ~GuardedBuffer();
  GuardedBuffer(const GuardedBuffer&) = delete;
  GuardedBuffer& operator=(const GuardedBuffer&) = delete;
  uint8_t* data() const { return data_; }
  int32_t size() const { return size_; }

 private:
  void* base_ = nullptr;
  size_t reserved_ = 0;
  uint8_t* data_ = nullptr;
  int32_t size_ = 0;
};

// Hands the reader every truncation of the valid bytes and `randomRuns` copies with a few
// random bytes changed (a fixed seed, so failures repeat), each in a GuardedBuffer.
void ForEachDamagedCopy(const Bytes& valid, int randomRuns,
                        const std::function<void(const uint8_t* data, int32_t size)>& reader);

}  // namespace test_files
