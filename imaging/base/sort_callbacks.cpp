#include "imaging/base/sort_callbacks.h"

namespace imaging {

namespace {

// The pivot is followed by its index as the items move, since the callbacks see only indexes.
void QuickSort(int32_t lo, int32_t hi, const TIESwapCallback& swap, const TIECompareCallback& compare) {
  while (lo < hi) {
    int32_t pivot = lo + (hi - lo) / 2;
    int32_t i = lo, j = hi;
    do {
      while (compare(i, pivot) < 0) ++i;
      while (compare(j, pivot) > 0) --j;
      if (i <= j) {
        if (i == pivot)
          pivot = j;
        else if (j == pivot)
          pivot = i;
        swap(i, j);
        ++i;
        --j;
      }
    } while (i <= j);
    if (lo < j) QuickSort(lo, j, swap, compare);
    lo = i;
  }
}

}  // namespace

void SortWithCallbacks(int32_t count, const TIESwapCallback& swap, const TIECompareCallback& compare) {
  if (count > 1) QuickSort(0, count - 1, swap, compare);
}

}  // namespace imaging
