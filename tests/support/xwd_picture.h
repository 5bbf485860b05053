// The picture of an X window dump (the file `xwd` writes): the screen as the X server holds it,
// for tests that must see what the display shows rather than what the platform believes it drew.
#pragma once

#include <cstdint>
#include <vector>

namespace screen_test {

struct XwdPicture {
  int width = 0, height = 0;
  // Top row first, 0x00RRGGBB.
  std::vector<uint32_t> pixels;
};

// Reads a dump in the true-colour Z format of 24 or 32 bits per pixel (what a 24-bit display
// gives). False, with the picture left empty, for any other kind or a damaged or short file.
bool ReadXwdPicture(const std::vector<uint8_t>& file, XwdPicture& picture);

}  // namespace screen_test
