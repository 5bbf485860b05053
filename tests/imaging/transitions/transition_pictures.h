// Two small pictures that differ in every byte, prepared in a TTransitionFrames, drawing an
// effect's frame, and the pixel comparisons the effect tests make on it.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/transitions/transition_frames.h"

namespace transition_test {

// Prepares `frames` at w x h with the source bytes below 0x80 and the target bytes from 0x80,
// both varying with position so that a shifted or mirrored copy shows.
void PreparePictures(imaging::TTransitionFrames& frames, int32_t w, int32_t h);
// Fills a 24-bit bitmap with the pattern the source (target = false) or target gets.
void FillPattern(vcl::TBitmap* bitmap, bool target);

// The frame after a step-0 reset and one frame of table effect `type` at `progress`.
void DrawAtProgress(imaging::TTransitionFrames& frames, int32_t type, int32_t progress);

// Pixels of `frame` equal to the same pixel of `picture`.
int32_t MatchingPixels(vcl::TBitmap* frame, vcl::TBitmap* picture);
// The first differing pixel as text ("" when the bitmaps are equal).
std::string FirstDifference(vcl::TBitmap* frame, vcl::TBitmap* picture);

}  // namespace transition_test
