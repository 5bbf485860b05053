// Powers and the process's random generator.
#include "vcl/runtime/sysutils.h"

#include "vcl/runtime/win.h"

namespace vcl {

uint32_t RandSeed = 0;

long double IntPower(long double base, int exponent) {
  // Square-and-multiply over the magnitude, in 64-bit unsigned so that INT_MIN has one.
  uint64_t y = exponent < 0 ? uint64_t(0) - static_cast<int64_t>(exponent) : static_cast<uint64_t>(exponent);
  long double result = 1.0L;
  long double b = base;
  while (y > 0) {
    while ((y & 1) == 0) {
      y >>= 1;
      b *= b;
    }
    --y;
    result *= b;
  }
  return exponent < 0 ? 1.0L / result : result;
}

long double Power(long double base, long double exponent) {
  if (exponent == 0) return 1.0L;
  if (base == 0 && exponent > 0) return 0.0L;
  if (std::trunc(exponent) == exponent && std::fabs(exponent) <= 2147483647.0L)
    return IntPower(base, static_cast<int>(exponent));
  if (base < 0) throw EInvalidArgument("Invalid floating point operation");
  return std::exp(exponent * std::log(base));
}

namespace {
void NextSeed() { RandSeed = RandSeed * 134775813u + 1u; }
}  // namespace

int32_t Random(int32_t range) {
  NextSeed();
  if (range <= 0) return 0;
  return static_cast<int32_t>((static_cast<uint64_t>(RandSeed) * static_cast<uint32_t>(range)) >> 32);
}

double Random() {
  NextSeed();
  return static_cast<double>(RandSeed) / 4294967296.0;
}

void Randomize() {
  LARGE_INTEGER counter;
  if (QueryPerformanceCounter(&counter)) RandSeed = static_cast<uint32_t>(counter.QuadPart);
  else RandSeed = GetTickCount();
}

}  // namespace vcl
