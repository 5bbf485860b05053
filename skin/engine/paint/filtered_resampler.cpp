#include "skin/engine/paint/filtered_resampler.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "vcl/runtime/exceptions.h"

namespace skin {

namespace {

constexpr float kPi = 3.14159265358979f;

void CheckFilter(int32_t filter) {
  if (filter < rfBox || filter > rfMitchell) throw vcl::Exception("Unknown resampling filter");
}

// The source index of tap j: mirrored once at each edge, then kept inside, since a shrinking
// filter over a small source reaches further than one mirror brings back.
int32_t SourceIndex(int32_t j, int32_t count) {
  if (j < 0) j = -j;
  if (j >= count) j = 2 * count - 1 - j;
  return std::clamp(j, 0, count - 1);
}

inline uint8_t Saturate(int32_t sum) {
  if (sum < 0) return 0;
  if (sum > 0xFF0000) return 255;
  return static_cast<uint8_t>(sum >> 16);
}

template <int Channels>
void ResampleLine(int32_t destinationStep, uint8_t* destination, const uint8_t* source, const TContributions& lists,
                  int32_t count) {
  count = std::min<int32_t>(count, static_cast<int32_t>(lists.Lists.size()));
  for (int32_t i = 0; i < count; ++i) {
    const TContributorList& list = lists.Lists[i];
    int32_t sum[Channels] = {};
    for (int32_t e = 0; e < list.Count; ++e) {
      const TContributor& c = list.First[e];
      if (c.Weight == 0) continue;
      const uint8_t* p = source + c.Offset;
      for (int k = 0; k < Channels; ++k) sum[k] += c.Weight * p[k];
    }
    for (int k = 0; k < Channels; ++k) destination[k] = Saturate(sum[k]);
    destination += destinationStep;
  }
}

// Distance in bytes from row 0 to row 1 (negative for bottom-up rows); 0 for a single row.
int32_t RowDistance(vcl::TBitmap* bitmap) {
  if (bitmap->Height() < 2) return 0;
  return static_cast<int32_t>(static_cast<uint8_t*>(bitmap->ScanLine(1)) -
                              static_cast<uint8_t*>(bitmap->ScanLine(0)));
}

}  // namespace

float FilterSupport(int32_t filter) {
  CheckFilter(filter);
  static const float supports[] = {0.51f, 1.0f, 1.0f, 1.5f, 2.0f, 3.0f, 2.0f};
  return supports[filter];
}

float FilterWeight(int32_t filter, float h, float signedDistance) {
  CheckFilter(filter);
  switch (filter) {
    case rfBox:
      return h <= 0.5f && signedDistance != -0.5f ? 1.0f : 0.0f;
    case rfTriangle:
      return h < 1.0f ? 1.0f - h : 0.0f;
    case rfHermite:
      return h < 1.0f ? (2.0f * h - 3.0f) * h * h + 1.0f : 0.0f;
    case rfBell:
      if (h < 0.5f) return 0.75f - h * h;
      if (h < 1.5f) return 0.5f * (h - 1.5f) * (h - 1.5f);
      return 0.0f;
    case rfBSpline:
      if (h < 1.0f) return h * h * (h / 2.0f - 1.0f) + 2.0f / 3.0f;
      if (h < 2.0f) return (2.0f - h) * (2.0f - h) * (2.0f - h) / 6.0f;
      return 0.0f;
    case rfWindowedSine:
      if (h == 0.0f) return 1.0f;
      return h < 3.0f ? std::sin(kPi * h) * std::sin(h) / (kPi * h * h) : 0.0f;
    default:  // Mitchell, B = C = 1/3
      if (h < 1.0f) return (7.0f / 6.0f) * h * h * h - 2.0f * h * h + 8.0f / 9.0f;
      if (h < 2.0f) return -(7.0f / 18.0f) * h * h * h + 2.0f * h * h - (10.0f / 3.0f) * h + 16.0f / 9.0f;
      return 0.0f;
  }
}

int32_t BuildContributions(TContributions& lists, int32_t destinationCount, int32_t sourceCount, int32_t stride,
                           int32_t filter) {
  const float support = FilterSupport(filter);
  FreeContributions(lists);
  if (destinationCount < 1 || sourceCount < 1) return 0;
  const float scale = destinationCount < sourceCount
                          ? static_cast<float>(destinationCount) / static_cast<float>(sourceCount)
                          : 1.0f;
  const float radius = support / scale;
  const int32_t capacity = static_cast<int32_t>(2.0f * radius + 1.0f);
  lists.Capacity = capacity;
  lists.Lists.resize(destinationCount);
  lists.Entries.resize(static_cast<size_t>(destinationCount) * capacity);
  for (int32_t i = 0; i < destinationCount; ++i) {
    TContributor* block = lists.Entries.data() + static_cast<size_t>(i) * capacity;
    int32_t count = 0;
    // No half-pixel offset: destination pixel i is centred on source position m * i / n.
    const double centre = static_cast<double>(sourceCount) * i / destinationCount;
    const int32_t first = static_cast<int32_t>(std::floor(centre - radius));
    const int32_t last = static_cast<int32_t>(std::ceil(centre + radius));
    for (int32_t j = first; j <= last && count < capacity; ++j) {
      const float signedDistance = static_cast<float>(centre - j) * scale;
      const float h = std::fabs(signedDistance);
      if (h >= support) continue;
      const float weight = FilterWeight(filter, h, signedDistance);
      if (weight == 0.0f) continue;
      block[count].Offset = SourceIndex(j, sourceCount) * stride;
      block[count].Weight = static_cast<int32_t>(std::nearbyint(weight * scale * 65536.0f));
      ++count;
    }
    lists.Lists[i] = TContributorList{count, block};
  }
  return capacity * static_cast<int32_t>(sizeof(TContributor));
}

void FreeContributions(TContributions& lists) {
  lists.Lists.clear();
  lists.Entries.clear();
  lists.Capacity = 0;
}

void ResampleLine24(int32_t destinationStep, uint8_t* destination, const uint8_t* source,
                    const TContributions& lists, int32_t count) {
  ResampleLine<3>(destinationStep, destination, source, lists, count);
}

void ResampleLine32(int32_t destinationStep, uint8_t* destination, const uint8_t* source,
                    const TContributions& lists, int32_t count) {
  ResampleLine<4>(destinationStep, destination, source, lists, count);
}

void ResampleBmp(vcl::TBitmap* source, vcl::TBitmap* destination, int32_t newWidth, int32_t filter,
                 int32_t newHeight) {
  if (!source || source->Width() < 2 || source->Height() < 2) throw vcl::Exception("Source bitmap is too small");
  CheckFilter(filter);
  if (!destination) return;
  if (newWidth == source->Width() && newHeight == source->Height()) {
    if (destination != source) destination->Assign(source);
    return;
  }
  const vcl::TPixelFormat format = source->PixelFormat() == vcl::pf32bit ? vcl::pf32bit : vcl::pf24bit;
  const int32_t bpp = format == vcl::pf32bit ? 4 : 3;
  const auto line = format == vcl::pf32bit ? ResampleLine32 : ResampleLine24;
  source->SetPixelFormat(format);
  if (newWidth < 1 || newHeight < 1) {
    destination->SetPixelFormat(format);
    destination->SetSize(0, 0);
    return;
  }
  const int32_t sourceHeight = source->Height();

  auto temporary = std::make_unique<vcl::TBitmap>();
  temporary->SetPixelFormat(format);
  temporary->SetSize(newWidth, sourceHeight);
  TContributions lists;
  BuildContributions(lists, newWidth, source->Width(), bpp, filter);
  for (int32_t y = 0; y < sourceHeight; ++y)
    line(bpp, static_cast<uint8_t*>(temporary->ScanLine(y)), static_cast<const uint8_t*>(source->ScanLine(y)),
         lists, newWidth);

  destination->SetPixelFormat(format);
  destination->SetSize(newWidth, newHeight);
  BuildContributions(lists, newHeight, sourceHeight, RowDistance(temporary.get()), filter);
  const int32_t destinationStep = RowDistance(destination);
  uint8_t* destinationTop = static_cast<uint8_t*>(destination->ScanLine(0));
  const uint8_t* temporaryTop = static_cast<const uint8_t*>(temporary->ScanLine(0));
  for (int32_t x = 0; x < newWidth; ++x)
    line(destinationStep, destinationTop + x * bpp, temporaryTop + x * bpp, lists, newHeight);
  FreeContributions(lists);
}

}  // namespace skin
