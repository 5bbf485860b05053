#include "imaging/model/routines/neuquant.h"

#include <climits>
#include <cmath>
#include <cstdlib>

#include "imaging/model/ie_bitmap.h"
#include "imaging/base/number_helpers.h"

namespace imaging {

namespace {

constexpr int32_t kInitialAlpha = 1024;        // learning rate, 10-bit fraction
constexpr int32_t kRadiusBias = 64;            // radius in 1/64 neuron steps
constexpr int32_t kRadiusDecrease = 30;        // the radius shrinks by 1/30 each phase
constexpr int32_t kNeighbourWeightScale = 262144;  // alpha (2^10) x radpower scale (2^8)

// The learning run over a sample of the image's pixels.
class Learner {
 public:
  Learner(TIEBitmap* bitmap, int32_t colours, int32_t factor)
      : bitmap_(bitmap), size_(colours), factor_(factor), network_(colours), bias_(colours, 0),
        freq_(colours, 65536 / colours), radPower_(colours / 8, 0) {
    for (int32_t i = 0; i < size_; ++i) {
      int32_t start = (i << 12) / size_;
      network_[i] = {start, start, start, 0};
    }
  }

  std::vector<std::array<int32_t, 4>>& Network() { return network_; }

  void Learn() {
    const int32_t width = bitmap_->GetWidth(), height = bitmap_->GetHeight();
    const int64_t pixelCount = int64_t(width) * height;
    if (pixelCount <= 0) return;
    const int64_t lengthCount = pixelCount * 3;
    const int32_t alphaDecrease = 30 + (factor_ - 1) / 3;
    const int64_t samplePixels = lengthCount / (3 * int64_t(factor_));
    const int64_t delta = samplePixels / 100 > 0 ? samplePixels / 100 : 1;
    int32_t alpha = kInitialAlpha;
    int32_t radius = (size_ / 8) * kRadiusBias;
    int32_t rad = RadiusInNeurons(radius);
    ComputeRadPower(rad, alpha);
    // A prime step that does not divide the image spreads the samples over all of it.
    int64_t step;
    if (lengthCount % 499 != 0)
      step = 499;
    else if (lengthCount % 491 != 0)
      step = 491;
    else if (lengthCount % 487 != 0)
      step = 487;
    else
      step = 503;

    int64_t position = 0;
    for (int64_t sample = 1; sample <= samplePixels; ++sample) {
      const int32_t row = static_cast<int32_t>((position / width) % height);
      const TRGB pixel = static_cast<const TRGB*>(bitmap_->GetScanline(row))[position % width];
      const int32_t b = pixel.b << 4, g = pixel.g << 4, r = pixel.r << 4;
      const int32_t winner = Contest(b, g, r);
      AlterSingle(alpha, winner, b, g, r);
      if (rad > 0) AlterNeighbours(rad, winner, b, g, r);
      position += step;
      if (position >= pixelCount) position -= pixelCount;
      if (sample % delta == 0) {
        alpha -= alpha / alphaDecrease;
        radius -= radius / kRadiusDecrease;
        rad = RadiusInNeurons(radius);
        ComputeRadPower(rad, alpha);
      }
    }
  }

 private:
  static int32_t RadiusInNeurons(int32_t radius) { return radius < 2 * kRadiusBias ? 0 : radius / kRadiusBias; }

  void ComputeRadPower(int32_t rad, int32_t alpha) {
    const int64_t radSquared = int64_t(rad) * rad;
    for (int32_t i = 0; i < rad && i < int32_t(radPower_.size()); ++i)
      radPower_[i] = static_cast<int32_t>(alpha * (((radSquared - int64_t(i) * i) * 256) / radSquared));
  }

  // Finds the neuron nearest to the colour, biased by how often neurons win, and updates the
  // frequencies and biases. Biases are kept as 32-bit values that wrap around, but are read
  // signed: a neuron that wins often has a negative bias, which must count against it. Shifted
  // unsigned, that bias turned into a bonus of about 2^20, so the first winner took every later
  // sample and small networks never learnt the other colours.
  int32_t Contest(int32_t b, int32_t g, int32_t r) {
    int32_t bestDistance = INT_MAX, bestBiasDistance = INT_MAX;
    int32_t bestPosition = 0, bestBiasPosition = 0;
    for (int32_t i = 0; i < size_; ++i) {
      const auto& n = network_[i];
      const int32_t distance = std::abs(n[0] - b) + std::abs(n[1] - g) + std::abs(n[2] - r);
      if (distance < bestDistance) {
        bestDistance = distance;
        bestPosition = i;
      }
      const int32_t biasDistance = distance - (static_cast<int32_t>(bias_[i]) >> 12);
      if (biasDistance < bestBiasDistance) {
        bestBiasDistance = biasDistance;
        bestBiasPosition = i;
      }
      const int32_t betaFreq = freq_[i] >> 10;
      freq_[i] -= betaFreq;
      bias_[i] += static_cast<uint32_t>(betaFreq) << 10;
    }
    freq_[bestPosition] += 64;
    bias_[bestPosition] -= 65536u;
    return bestBiasPosition;
  }

  void AlterSingle(int32_t alpha, int32_t j, int32_t b, int32_t g, int32_t r) {
    auto& n = network_[j];
    n[0] -= (n[0] - b) * alpha / kInitialAlpha;
    n[1] -= (n[1] - g) * alpha / kInitialAlpha;
    n[2] -= (n[2] - r) * alpha / kInitialAlpha;
  }

  void MoveTowards(std::array<int32_t, 4>& n, int64_t weight, int32_t b, int32_t g, int32_t r) {
    n[0] -= static_cast<int32_t>(weight * (n[0] - b) / kNeighbourWeightScale);
    n[1] -= static_cast<int32_t>(weight * (n[1] - g) / kNeighbourWeightScale);
    n[2] -= static_cast<int32_t>(weight * (n[2] - r) / kNeighbourWeightScale);
  }

  void AlterNeighbours(int32_t rad, int32_t j, int32_t b, int32_t g, int32_t r) {
    const int32_t low = IntMax(j - rad, -1), high = IntMin(j + rad, size_);
    int32_t up = j + 1, down = j - 1, k = 1;
    while (up < high || down > low) {
      const int64_t weight = radPower_[k++];
      if (up < high) MoveTowards(network_[up++], weight, b, g, r);
      if (down > low) MoveTowards(network_[down--], weight, b, g, r);
    }
  }

  TIEBitmap* bitmap_;
  int32_t size_;
  int32_t factor_;
  std::vector<std::array<int32_t, 4>> network_;
  std::vector<uint32_t> bias_;
  std::vector<int32_t> freq_;
  std::vector<int32_t> radPower_;
};

// Sorts the neurons by green and builds the index of where each green value's run starts.
void BuildIndex(TNeuQuantState& state) {
  auto& network = state.network;
  const int32_t size = state.size;
  const int32_t maxPosition = size - 1;
  int32_t previousGreen = 0, startPosition = 0;
  for (int32_t i = 0; i < size; ++i) {
    int32_t smallest = i, smallestGreen = network[i][1];
    for (int32_t j = i + 1; j < size; ++j)
      if (network[j][1] < smallestGreen) {
        smallest = j;
        smallestGreen = network[j][1];
      }
    if (smallest != i) std::swap(network[i], network[smallest]);
    if (smallestGreen != previousGreen) {
      state.netIndex[previousGreen] = (startPosition + i) >> 1;
      for (int32_t v = previousGreen + 1; v < smallestGreen; ++v) state.netIndex[v] = i;
      previousGreen = smallestGreen;
      startPosition = i;
    }
  }
  state.netIndex[previousGreen] = (startPosition + maxPosition) >> 1;
  for (int32_t v = previousGreen + 1; v < 256; ++v) state.netIndex[v] = maxPosition;
}

}  // namespace

int32_t NeuQuantSampleFactor(int64_t pixelCount) {
  if (pixelCount < 2000) return 1;
  double factor = std::nearbyint(double(pixelCount - 2000) * 13 / 148000 + 2);
  return factor > 30 ? 30 : (factor < 1 ? 1 : static_cast<int32_t>(factor));
}

int32_t NeuQuantFactorForQuality(int32_t quality, int64_t pixelCount) {
  if (quality < 0) return NeuQuantSampleFactor(pixelCount);
  // Qualities above 100 would give a factor of 0 or below: no learning, or a division by 0.
  if (quality > 100) quality = 100;
  return static_cast<int32_t>(std::trunc((100 - quality) / 100.0 * 29)) + 1;
}

std::unique_ptr<TNeuQuantState> NeuQuantBuild(TIEBitmap* bitmap, std::span<TRGB> palette, int32_t quality,
                                              int32_t colours) {
  auto state = std::make_unique<TNeuQuantState>();
  if (colours < 1) colours = 1;
  state->size = colours;
  const int64_t pixelCount = int64_t(bitmap->GetWidth()) * bitmap->GetHeight();
  Learner learner(bitmap, colours, NeuQuantFactorForQuality(quality, pixelCount));
  learner.Learn();
  state->network = std::move(learner.Network());
  for (int32_t i = 0; i < colours; ++i) {
    auto& n = state->network[i];
    for (int c = 0; c < 3; ++c) n[c] = IntMin((n[c] + 8) >> 4, 255);
    n[3] = i;
    if (size_t(i) < palette.size()) palette[i] = TRGB{uint8_t(n[0]), uint8_t(n[1]), uint8_t(n[2])};
  }
  BuildIndex(*state);
  return state;
}

int32_t NeuQuantMap(const TNeuQuantState& state, int32_t packedRGB) {
  const int32_t r = (packedRGB >> 16) & 0xFF, g = (packedRGB >> 8) & 0xFF, b = packedRGB & 0xFF;
  const auto& network = state.network;
  int32_t bestDistance = 1000, best = -1;
  int32_t up = state.netIndex[g], down = up - 1;
  // Both directions stop once the green difference alone is no better than the best so far.
  auto consider = [&](const std::array<int32_t, 4>& n, int32_t greenDistance) {
    int32_t distance = greenDistance + std::abs(n[0] - b);
    if (distance >= bestDistance) return;
    distance += std::abs(n[2] - r);
    if (distance < bestDistance) {
      bestDistance = distance;
      best = n[3];
    }
  };
  while (up < state.size || down >= 0) {
    if (up < state.size) {
      const auto& n = network[up];
      const int32_t greenDistance = n[1] - g;
      if (greenDistance >= bestDistance) {
        up = state.size;
      } else {
        ++up;
        consider(n, std::abs(greenDistance));
      }
    }
    if (down >= 0) {
      const auto& n = network[down];
      const int32_t greenDistance = g - n[1];
      if (greenDistance >= bestDistance) {
        down = -1;
      } else {
        --down;
        consider(n, std::abs(greenDistance));
      }
    }
  }
  return best;
}

}  // namespace imaging
