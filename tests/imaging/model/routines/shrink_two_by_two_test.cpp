#include "imaging/model/routines/shrink_two_by_two.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "vcl/runtime/win.h"

using namespace imaging;

namespace {

// A row of `bytes` bytes that ends where an inaccessible page begins, so that any read past it
// faults.
class TGuardedShrinkRow {
 public:
  explicit TGuardedShrinkRow(int32_t bytes) {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    page_ = info.dwPageSize;
    base_ = static_cast<uint8_t*>(VirtualAlloc(nullptr, 2 * page_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old = 0;
    VirtualProtect(base_ + page_, page_, PAGE_NOACCESS, &old);
    row_ = base_ + page_ - bytes;
  }
  ~TGuardedShrinkRow() { VirtualFree(base_, 0, MEM_RELEASE); }
  uint8_t* Row() const { return row_; }

 private:
  size_t page_ = 0;
  uint8_t* base_ = nullptr;
  uint8_t* row_ = nullptr;
};

}  // namespace

// Every width up to a few steps of the vector loop, odd and even, random bytes and the extremes
// (all 255 would overflow a byte sum; all 0 and 255 mixed round at the halves): each shrunk
// pixel is the rounded mean of its block, the last column of an odd width the mean of its two
// pixels, and the rows end at an inaccessible page.
TEST(ShrinkTwoByTwoSse41, AveragesEveryBlockAndReadsNothingPastTheRows) {
  if (!ShrinkTwoByTwoSse41Available()) GTEST_SKIP() << "instruction set not on this processor";
  std::mt19937 rng(7);
  for (int32_t srcW = 1; srcW <= 45; ++srcW)
    for (int fill = 0; fill < 3; ++fill) {
      const int32_t bytes = srcW * 3;
      TGuardedShrinkRow a(bytes), b(bytes);
      for (int32_t j = 0; j < bytes; ++j) {
        a.Row()[j] = fill == 0 ? uint8_t(rng()) : fill == 1 ? 255 : uint8_t(j % 2 ? 255 : 0);
        b.Row()[j] = fill == 0 ? uint8_t(rng()) : fill == 1 ? 255 : uint8_t(j % 3 ? 0 : 255);
      }
      const int32_t shrunkW = (srcW + 1) / 2;
      std::vector<uint8_t> out(size_t(shrunkW) * 3 + 16, 0xAB);
      ShrinkTwoByTwoSse41(a.Row(), b.Row(), srcW, out.data());
      for (int32_t p = 0; p < shrunkW; ++p)
        for (int32_t c = 0; c < 3; ++c) {
          const int32_t j = 6 * p + c;
          const bool whole = 2 * p + 1 < srcW;
          const int32_t expected = whole ? (a.Row()[j] + a.Row()[j + 3] + b.Row()[j] + b.Row()[j + 3] + 2) / 4
                                         : (a.Row()[j] + b.Row()[j] + 1) / 2;
          ASSERT_EQ(out[3 * p + c], expected) << "width " << srcW << " fill " << fill << " pixel " << p;
        }
    }
}
