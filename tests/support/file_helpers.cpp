#include "tests/support/file_helpers.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <stdexcept>

#include "tests/support/temp_folder.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/win.h"

namespace test_files {

namespace {

// The folders MakeTempDir made. Never destroyed by a static destructor: removing them runs a
// shell, which must happen while the process is still whole (see RemoveTempDirs).
std::vector<std::unique_ptr<TestTempFolder>>& TempDirs() {
  static auto* folders = new std::vector<std::unique_ptr<TestTempFolder>>;
  return *folders;
}

}  // namespace

std::string MakeTempDir() {
  auto& folders = TempDirs();
  folders.push_back(std::make_unique<TestTempFolder>());
  if (folders.back()->UnixPath().empty()) throw std::runtime_error("mkdtemp failed");
  return folders.back()->UnixPath();
}

void RemoveTempDirs() { TempDirs().clear(); }

void WriteFileBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool HaveTool(const std::string& name) { return RunShell("command -v " + name) == 0; }

int RunShell(const std::string& command, std::string* output) {
  std::string dir = MakeTempDir(), file = dir + "/out.txt";
  int status = std::system(("( " + command + " ) >'" + file + "' 2>&1").c_str());
  if (output) {
    Bytes bytes = ReadFileBytes(file);
    output->assign(bytes.begin(), bytes.end());
  }
  std::remove(file.c_str());
  std::remove(dir.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

Bytes SmallJPEG(const std::string& dir) {
  std::string file = dir + "/small.jpg";
  if (RunShell("printf 'P5 1 1 255\\n\\200' | cjpeg > '" + file + "'") != 0) return {};
  Bytes jpeg = ReadFileBytes(file);
  return jpeg.size() > 4 ? jpeg : Bytes{};
}

Bytes WithMarker(const Bytes& jpeg, uint8_t code, const Bytes& payload) {
  Bytes out(jpeg.begin(), jpeg.begin() + 2);
  out.push_back(0xFF);
  out.push_back(code);
  PutBE16(out, static_cast<uint32_t>(payload.size() + 2));
  out.insert(out.end(), payload.begin(), payload.end());
  out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
  return out;
}

Bytes StreamBytes(vcl::TStream* stream) {
  int64_t size = stream->Size();
  Bytes bytes(static_cast<size_t>(size));
  stream->SetPosition(0);
  if (size > 0) stream->ReadBuffer(bytes.data(), static_cast<int32_t>(size));
  return bytes;
}

Bytes ToBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }
std::string ToText(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

void PutBE16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v >> 8));
  b.push_back(static_cast<uint8_t>(v));
}
void PutBE32(Bytes& b, uint32_t v) {
  PutBE16(b, v >> 16);
  PutBE16(b, v & 0xFFFF);
}
void PutLE16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void PutLE32(Bytes& b, uint32_t v) {
  PutLE16(b, v & 0xFFFF);
  PutLE16(b, v >> 16);
}

GuardedBuffer::GuardedBuffer(const Bytes& bytes) : size_(static_cast<int32_t>(bytes.size())) {
  const size_t page = 4096;
  size_t dataPages = (bytes.size() + page - 1) / page;
  reserved_ = (dataPages + 1) * page;
  base_ = VirtualAlloc(nullptr, reserved_, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (!base_) throw std::runtime_error("VirtualAlloc failed");
  auto* guard = static_cast<uint8_t*>(base_) + dataPages * page;
  DWORD old = 0;
  VirtualProtect(guard, page, PAGE_NOACCESS, &old);
  data_ = guard - bytes.size();
  if (!bytes.empty()) std::memcpy(data_, bytes.data(), bytes.size());
}

GuardedBuffer::~GuardedBuffer() { VirtualFree(base_, 0, MEM_RELEASE); }

void ForEachDamagedCopy(const Bytes& valid, int randomRuns,
                        const std::function<void(const uint8_t* data, int32_t size)>& reader) {
  for (size_t n = 0; n <= valid.size(); ++n) {
    GuardedBuffer buffer(Bytes(valid.begin(), valid.begin() + n));
    reader(buffer.data(), buffer.size());
  }
  std::mt19937 random(20240611);
  for (int run = 0; run < randomRuns; ++run) {
    Bytes copy = valid;
    if (copy.empty()) break;
    int changes = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < changes; ++i) {
      size_t at = random() % copy.size();
      // Half of the changes write the values that most often mean "huge" or "negative".
      static const uint8_t kNasty[] = {0x00, 0xFF, 0x80, 0x7F, 0x1C, 0x01};
      copy[at] = (random() & 1) ? kNasty[random() % sizeof kNasty] : static_cast<uint8_t>(random());
    }
    GuardedBuffer buffer(copy);
    reader(buffer.data(), buffer.size());
  }
}

}  // namespace test_files
