#include "imaging/model/gaussian_profile.h"

#include <algorithm>
#include <cmath>

namespace imaging {

std::vector<double> GaussianProfile(int32_t n, double low, double high, double s) {
  std::vector<double> out(static_cast<size_t>(std::max(n, 0)));
  double largest = -100000;
  for (int32_t k = 0; k < n; ++k) {
    double u = 2.0 * k / n - 1;
    out[k] = std::exp(-0.5 * s * s * u * u) / (s * std::sqrt(2 * M_PI));
    largest = std::max(largest, out[k]);
  }
  for (double& v : out) v = v / largest * (high - low) + low;
  return out;
}

}  // namespace imaging
