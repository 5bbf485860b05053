// How a transition's step (0 .. 1024) follows the time elapsed since the run started.
#pragma once

#include <cstdint>

#include "imaging/transitions/transition_types.h"

namespace imaging {

// Milliseconds from `startTick` to `now` on the 32-bit tick counter; a wrap of the counter in
// between does no harm.
inline uint32_t TransitionElapsed(uint32_t startTick, uint32_t now) { return now - startTick; }

// The run is over once `elapsed` reaches the duration. A duration of 0 or less has no length:
// its run ends on the first tick (counted unsigned, a negative duration would never end).
bool TransitionTimeIsUp(uint32_t elapsed, int32_t duration);

// The step for `elapsed` milliseconds of a `duration`-long run along `curve`, from
// t = elapsed / duration in extended precision:
//   tcLinear       Trunc(t * 1024)
//   tcExponential  Trunc(exp(5t - 2.718) / 10 * 1024)
//   tcLogarithmic  Trunc((ln(10t) + 2.718) / 5 * 1024); t = 0 has no logarithm and gives 0
// always held within 0 .. 1024. An unknown curve keeps `current`; a duration of 0 or less
// gives 1024.
int32_t TransitionStepAt(uint8_t curve, uint32_t elapsed, int32_t duration, int32_t current);

// The progress (0 .. 100) handed to the table effects for a step: Round(step / 1024 * 100),
// ties to even.
int32_t TransitionProgress(int32_t step);

}  // namespace imaging
