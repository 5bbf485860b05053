#include "imaging/transitions/transition_timing.h"

#include <algorithm>
#include <cmath>

namespace imaging {

bool TransitionTimeIsUp(uint32_t elapsed, int32_t duration) {
  return duration <= 0 || elapsed >= static_cast<uint32_t>(duration);
}

int32_t TransitionStepAt(uint8_t curve, uint32_t elapsed, int32_t duration, int32_t current) {
  if (duration <= 0) return TransitionStepMax;
  // 2.718 is the decimal constant the curves were tuned with, not Euler's number.
  constexpr long double Offset = 2.718L;
  const long double t = static_cast<long double>(elapsed) / duration;
  long double step;
  switch (curve) {
    case tcLinear: step = t * 1024; break;
    case tcExponential: step = std::exp(5 * t - Offset) / 10 * 1024; break;
    case tcLogarithmic:
      // Below t of about 0.0066 the logarithm would give negative steps, at 0 none at all.
      step = t > 0 ? (std::log(10 * t) + Offset) / 5 * 1024 : 0;
      break;
    default: step = current; break;
  }
  step = std::clamp<long double>(std::trunc(step), 0, TransitionStepMax);
  return static_cast<int32_t>(step);
}

int32_t TransitionProgress(int32_t step) { return static_cast<int32_t>(std::nearbyint(step / 1024.0 * 100)); }

}  // namespace imaging
