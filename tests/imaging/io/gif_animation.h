// GIF animations made by hand for the I/O tests: a global table of eight colours and frames of
// given places, disposals and transparency, LZW coded without compression.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "imaging/model/colour_helpers.h"
#include "tests/support/file_helpers.h"

namespace gif_animation {

using imaging::TRGB;

// The global colour table: 0 red, 1 blue, 2 green, 3 white, 4 black, 5 yellow, 6 and 7 grey.
inline const TRGB kTable[8] = {{0, 0, 255}, {255, 0, 0},   {0, 255, 0},     {255, 255, 255},
                               {0, 0, 0},   {0, 255, 255}, {128, 128, 128}, {64, 64, 64}};
constexpr uint8_t kRed = 0, kBlue = 1, kGreen = 2, kBlack = 4, kYellow = 5;

struct TGifFrame {
  uint16_t left, top, width, height;
  std::vector<uint8_t> pixels;  // one colour index each; a single entry fills the frame
  uint8_t disposal;
  int32_t transparentIndex;  // -1: none
};

// The frame's indexes LZW coded with 4-bit codes: a clear code before every second pixel keeps
// the table from growing past them.
inline test_files::Bytes CodedPixels(const TGifFrame& frame) {
  const int32_t count = frame.width * frame.height;
  std::vector<uint8_t> codes;
  for (int32_t i = 0; i < count; ++i) {
    if (i % 2 == 0) codes.push_back(8);  // clear
    codes.push_back(frame.pixels.size() == 1 ? frame.pixels[0] : frame.pixels[size_t(i)]);
  }
  codes.push_back(9);  // end of information
  test_files::Bytes packed;
  uint32_t bits = 0, filled = 0;
  for (uint8_t code : codes) {
    bits |= uint32_t(code) << filled;
    filled += 4;
    while (filled >= 8) {
      packed.push_back(uint8_t(bits));
      bits >>= 8;
      filled -= 8;
    }
  }
  if (filled) packed.push_back(uint8_t(bits));
  test_files::Bytes data = {3};  // minimum code size
  for (size_t at = 0; at < packed.size(); at += 255) {
    const size_t size = std::min<size_t>(255, packed.size() - at);
    data.push_back(uint8_t(size));
    data.insert(data.end(), packed.begin() + static_cast<std::ptrdiff_t>(at),
                packed.begin() + static_cast<std::ptrdiff_t>(at + size));
  }
  data.push_back(0);
  return data;
}

inline test_files::Bytes AnimatedGIF(uint16_t width, uint16_t height, uint8_t backgroundIndex,
                                     const std::vector<TGifFrame>& frames) {
  test_files::Bytes file = test_files::ToBytes("GIF89a");
  test_files::PutLE16(file, width);
  test_files::PutLE16(file, height);
  file.insert(file.end(), {0x82, backgroundIndex, 0});  // a global table of 8 entries
  for (const TRGB& c : kTable) file.insert(file.end(), {c.r, c.g, c.b});
  for (const TGifFrame& f : frames) {
    const bool transparent = f.transparentIndex >= 0;
    file.insert(file.end(), {0x21, 0xF9, 4, uint8_t(f.disposal << 2 | (transparent ? 1 : 0)), 10, 0,
                             uint8_t(transparent ? f.transparentIndex : 0), 0});
    file.push_back(0x2C);
    for (uint16_t v : {f.left, f.top, f.width, f.height}) test_files::PutLE16(file, v);
    file.push_back(0);
    const test_files::Bytes data = CodedPixels(f);
    file.insert(file.end(), data.begin(), data.end());
  }
  file.push_back(0x3B);
  return file;
}

// Red over the screen, a blue box given back to the background, a green corner with holes
// given back to what it covered, and a green square reaching past the screen.
inline test_files::Bytes FourFrames() {
  return AnimatedGIF(8, 6, kYellow,
                     {{0, 0, 8, 6, {kRed}, 1, -1},
                      {2, 1, 4, 3, {kBlue}, 2, -1},
                      {0, 0, 2, 2, {kGreen, kBlack, kBlack, kGreen}, 3, kBlack},
                      {7, 5, 2, 2, {kGreen}, 0, -1}});
}

}  // namespace gif_animation
