// Helpers shared by the graphics tests: bitmaps of a given format and colour, pixel reads,
// byte buffers for hand-made files, temporary files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

#include "vcl/graphics/bitmap.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/streams.h"

namespace graphics_test {

// A bitmap of the size and format, filled with one colour through its canvas.
inline std::unique_ptr<vcl::TBitmap> MakeBitmap(int width, int height, vcl::TPixelFormat format,
                                                vcl::TColor fill = vcl::clWhite) {
  auto bitmap = std::make_unique<vcl::TBitmap>();
  bitmap->SetPixelFormat(format);
  bitmap->SetSize(width, height);
  bitmap->Canvas()->Brush()->SetColor(fill);
  bitmap->Canvas()->FillRect(vcl::Rect(0, 0, width, height));
  return bitmap;
}

// The RGB value at a pixel, as the canvas reads it.
inline uint32_t Pixel(vcl::TBitmap& bitmap, int x, int y) {
  return static_cast<uint32_t>(bitmap.Canvas()->Pixels(x, y));
}

inline int BitsPerPixel(vcl::TBitmap& bitmap) {
  if (bitmap.Monochrome()) return 1;
  switch (bitmap.PixelFormat()) {
    case vcl::pf4bit: return 4;
    case vcl::pf8bit: return 8;
    case vcl::pf15bit: case vcl::pf16bit: return 16;
    case vcl::pf24bit: return 24;
    default: return 32;
  }
}

// Every byte of the bitmap's pixel rows, top row first (padding included).
inline std::vector<uint8_t> Rows(vcl::TBitmap& bitmap) {
  std::vector<uint8_t> bytes;
  const auto stride = static_cast<size_t>(vcl::bmp::RowStride(bitmap.Width(), BitsPerPixel(bitmap)));
  for (int y = 0; y < bitmap.Height(); ++y) {
    auto* row = static_cast<const uint8_t*>(bitmap.ScanLine(y));
    bytes.insert(bytes.end(), row, row + stride);
  }
  return bytes;
}

// A memory stream holding the bytes, positioned at its start.
inline std::unique_ptr<vcl::TMemoryStream> StreamOf(const std::vector<uint8_t>& bytes) {
  auto stream = std::make_unique<vcl::TMemoryStream>();
  if (!bytes.empty()) stream->WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  stream->SetPosition(0);
  return stream;
}

inline std::vector<uint8_t> BytesOf(vcl::TMemoryStream& stream) {
  auto* p = static_cast<const uint8_t*>(stream.Memory());
  return std::vector<uint8_t>(p, p + stream.Size());
}

// Little-endian numbers for hand-made headers.
using vcl::le::Put16;
using vcl::le::Put32;
using vcl::le::U32;

// One little-endian field of a file changed, for tables of corrupt files.
struct FieldPatch {
  const char* name;
  size_t offset;
  uint32_t value;
  int bytes;
};

inline std::vector<uint8_t> Patched(std::vector<uint8_t> bytes, const FieldPatch& patch) {
  for (int i = 0; i < patch.bytes; ++i) bytes.at(patch.offset + i) = uint8_t(patch.value >> (8 * i));
  return bytes;
}

// A graphic of the class loaded from the bytes.
template <class Graphic>
std::unique_ptr<Graphic> LoadGraphic(const std::vector<uint8_t>& bytes) {
  auto graphic = std::make_unique<Graphic>();
  auto stream = StreamOf(bytes);
  graphic->LoadFromStream(stream.get());
  return graphic;
}

inline std::vector<uint8_t> SaveGraphic(vcl::TGraphic& graphic) {
  vcl::TMemoryStream stream;
  graphic.SaveToStream(&stream);
  return BytesOf(stream);
}

// Loading the bytes raises EInvalidGraphic with the message; `what` names the case.
template <class Graphic>
void ExpectInvalidGraphic(const std::vector<uint8_t>& bytes, const std::string& message, const std::string& what) {
  try {
    LoadGraphic<Graphic>(bytes);
    ADD_FAILURE() << what << ": no exception";
  } catch (const vcl::EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), message) << what;
  }
}

// Runs a shell command and returns what it wrote to its standard output.
inline std::string Run(const std::string& command, int* exitCode = nullptr) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return output;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  int status = pclose(pipe);
  if (exitCode) *exitCode = status;
  return output;
}

inline std::vector<uint8_t> ReadUnixFile(const std::string& path) {
  std::vector<uint8_t> bytes;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return bytes;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
  std::fclose(f);
  return bytes;
}

inline void WriteUnixFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

}  // namespace graphics_test
