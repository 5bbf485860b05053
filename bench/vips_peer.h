// libvips as a peer of the benchmarks, behind plain types: its headers (glib's) stay out of the
// units that see the platform's. Images are 8-bit interleaved pixels in memory, read in place.
#pragma once

#include <cstdint>

namespace bench::vips {

// Starts the library once (no operation cache, so every run computes); false when it cannot.
bool Start(const char* program);
// The number of threads each operation uses.
void SetThreads(int threads);

enum class Kernel { Nearest, Linear, Mitchell, Lanczos3 };

// Resizes a bands-per-pixel image (width x height, rows `stride` bytes apart) to
// outWidth x outHeight with the kernel, into memory the library owns; false on failure.
// preShrink: a large reduction first shrinks by a whole factor with a box average (the
// library's own default), else the kernel does the whole reduction.
bool Resize(const uint8_t* pixels, int width, int height, int stride, int bands, int outWidth,
            int outHeight, Kernel kernel, bool preShrink = false);

// The composite's blend modes that match ours.
enum class Blend { Over, Multiply, Screen, Overlay, SoftLight, HardLight, ColourDodge, ColourBurn,
                   Lighten, Darken, Add, Difference, Exclusion };

// Composites `overlay` over `base` (both width x height, 4 bands with alpha last, rows packed)
// into memory the library owns; false on failure.
bool Composite(const uint8_t* base, const uint8_t* overlay, int width, int height, Blend mode);

}  // namespace bench::vips
