#include "imaging/transitions/complex_region.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace imaging {

namespace {
// The list grows this many rectangles at a time.
constexpr size_t CapacityStep = 500;
}  // namespace

void TComplexRegion::Clear() {
  std::vector<RECT>().swap(rects_);
  bounds_ = RECT{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
}

void TComplexRegion::AddRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (rects_.size() == rects_.capacity()) rects_.reserve(rects_.capacity() + CapacityStep);
  rects_.push_back(RECT{left, top, right, bottom});
  bounds_.left = std::min({bounds_.left, LONG(left), LONG(right)});
  bounds_.top = std::min({bounds_.top, LONG(top), LONG(bottom)});
  bounds_.right = std::max({bounds_.right, LONG(left), LONG(right)});
  bounds_.bottom = std::max({bounds_.bottom, LONG(top), LONG(bottom)});
}

HRGN TComplexRegion::CreateRegion() const {
  if (rects_.empty()) return nullptr;
  std::vector<uint8_t> data(sizeof(RGNDATAHEADER) + rects_.size() * sizeof(RECT));
  auto* header = reinterpret_cast<RGNDATAHEADER*>(data.data());
  header->dwSize = sizeof(RGNDATAHEADER);
  header->iType = RDH_RECTANGLES;
  header->nCount = static_cast<DWORD>(rects_.size());
  header->nRgnSize = static_cast<DWORD>(rects_.size() * sizeof(RECT));
  header->rcBound = bounds_;
  std::memcpy(data.data() + sizeof(RGNDATAHEADER), rects_.data(), rects_.size() * sizeof(RECT));
  return ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()), reinterpret_cast<const RGNDATA*>(data.data()));
}

}  // namespace imaging
