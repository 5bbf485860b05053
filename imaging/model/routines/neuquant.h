// The neural-network colour quantizer: a one-dimensional self-organising map of n neurons
// learns the colours of a sample of the image's pixels; the neurons become the palette, and
// lookups search the neurons sorted by green.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "imaging/model/colour_helpers.h"

namespace imaging {

class TIEBitmap;

struct TNeuQuantState {
  int32_t size = 0;                           // neurons (= colours)
  std::vector<std::array<int32_t, 4>> network;  // blue, green, red, palette index; sorted by green
  std::array<int32_t, 256> netIndex{};        // where the search for a green value starts
};

// Sampling factor 1 (every pixel) .. 30 for the automatic quality: 1 below 2000 pixels.
int32_t NeuQuantSampleFactor(int64_t pixelCount);
// Sampling factor for a quality: negative values choose automatically from the pixel count,
// 0 .. 100 give 30 .. 1, values above 100 count as 100.
int32_t NeuQuantFactorForQuality(int32_t quality, int64_t pixelCount);

// Learns `colours` colours (at least 1) of an ie24RGB bitmap and writes them into palette
// entries 0 .. colours - 1 (the palette holds at least that many).
std::unique_ptr<TNeuQuantState> NeuQuantBuild(TIEBitmap* bitmap, std::span<TRGB> palette, int32_t quality,
                                              int32_t colours);
// The palette index nearest to a packed RGB value.
int32_t NeuQuantMap(const TNeuQuantState& state, int32_t packedRGB);

}  // namespace imaging
