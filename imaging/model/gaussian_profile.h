// A bell-shaped profile of n values from low (at the ends) to high (in the middle), for the
// textured backgrounds.
#pragma once

#include <cstdint>
#include <vector>

namespace imaging {

// For k = 0 .. n - 1 with u = 2k / n - 1: exp(-s^2 u^2 / 2), scaled so that the largest value
// is high and zero is low. Empty for n <= 0.
std::vector<double> GaussianProfile(int32_t n, double low, double high, double s);

}  // namespace imaging
