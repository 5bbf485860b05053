// The three alpha-blend routines the transfer code uses, bound once at start-up to the
// plain set or the vector set by the processor test, and the processor test itself.
#pragma once

#include <cstdint>

#include "bitmap/engine/colour32.h"

namespace bitmap {

// Each Dst pixel receives its Src pixel by the Src pixel's own alpha.
using TBlendRowProc = void (*)(const TColor32* src, TColor32* dst, int32_t count);
// The same with a master alpha (0..255) on top.
using TBlendRowMasterProc = void (*)(const TColor32* src, TColor32* dst, int32_t count,
                                     uint32_t master);
// One pixel F over B with a master alpha (0..255).
using TBlendPixelMasterProc = void (*)(TColor32 f, TColor32& b, uint32_t master);

// The bound routines. They are ready before any code of the program runs; calling them before
// that (from another unit's start-up) binds them first.
extern TBlendRowProc BlendRow;
extern TBlendRowMasterProc BlendRowMaster;
extern TBlendPixelMasterProc BlendPixelMaster;

// True when the vector set is bound.
bool MmxActive();
// After vector blending and before floating-point work: clears the processor's MMX state
// when the vector set is bound.
void ResetProcessorState();

// Both sets, for tests and benchmarks that compare them.
//
// The plain set works on channel pairs in 32-bit registers:
//   row blend:    ((f * fa + 128) >> 8) + ((b * (255 - fa) + 128) >> 8) on all four channels,
//   pixel blend:  the same with W = ((M + 1) * fa) >> 8 on red, green and blue; alpha 0,
//   row master:   the pixel blend on each pixel.
// The vector set computes every channel as (f * W + b * (256 - W) + 128) >> 8 in 16-bit lanes,
// with W = fa (row), ((M + 1) * fa) >> 8 (pixel) or ((fa + 1) * M) >> 8 (row master).
namespace plain {
void BlendRow(const TColor32* src, TColor32* dst, int32_t count);
void BlendRowMaster(const TColor32* src, TColor32* dst, int32_t count, uint32_t master);
void BlendPixelMaster(TColor32 f, TColor32& b, uint32_t master);
}  // namespace plain
namespace vector {
void BlendRow(const TColor32* src, TColor32* dst, int32_t count);
void BlendRowMaster(const TColor32* src, TColor32* dst, int32_t count, uint32_t master);
void BlendPixelMaster(TColor32 f, TColor32& b, uint32_t master);
}  // namespace vector

// The processor test.
bool ProcessorHasCpuid();        // the identification instruction exists
uint32_t ProcessorSignature();   // register A of identification leaf 1 (0 without cpuid)
uint32_t ProcessorFeatures();    // register D of identification leaf 1 (0 without cpuid)
bool ProcessorHasMmx();          // cpuid, family 5 or later, and feature bit 23
bool ProcessorHasAvx2();         // the wider vector instructions the row kernels can use
bool ProcessorHasAvx512();       // the widest ones: AVX-512 with byte and word lanes

}  // namespace bitmap
