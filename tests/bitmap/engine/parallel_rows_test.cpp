#include "bitmap/engine/parallel_rows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <vector>

using namespace bitmap;

TEST(ParallelRows, BandsCoverEveryRowOnce) {
  for (int32_t rows : {0, 1, 15, 16, 17, 100, 1001}) {
    std::vector<std::atomic<int>> seen(static_cast<size_t>(rows));
    ParallelRows(rows, [&](int32_t first, int32_t end) {
      for (int32_t r = first; r < end; ++r) ++seen[r];
    });
    for (int32_t r = 0; r < rows; ++r) ASSERT_EQ(seen[r].load(), 1) << rows << " " << r;
  }
  EXPECT_GE(ParallelRowThreads(), 1);
}

TEST(ParallelRows, ABandsExceptionReachesTheCaller) {
  EXPECT_THROW(ParallelRows(1000, [](int32_t first, int32_t end) {
                 if (end == 1000) throw std::runtime_error("last band");
               }),
               std::runtime_error);
  // The workers are free again afterwards.
  std::atomic<int> rows{0};
  ParallelRows(1000, [&](int32_t first, int32_t end) { rows += end - first; });
  EXPECT_EQ(rows.load(), 1000);
}

// A band that splits its own work again runs that inner work itself.
TEST(ParallelRows, NestedCallsRunInline) {
  std::atomic<int> inner{0};
  ParallelRows(200, [&](int32_t first, int32_t end) {
    ParallelRows(end - first, [&](int32_t a, int32_t b) { inner += b - a; });
  });
  EXPECT_EQ(inner.load(), 200);
}

// A cap of one thread keeps the whole drawing in one call on the calling thread; lifting it
// gives the workers back.
TEST(ParallelRows, ThreadLimit) {
  const int32_t all = ParallelRowThreads();
  SetParallelRowThreadLimit(1);
  EXPECT_EQ(ParallelRowThreads(), 1);
  std::vector<std::pair<int32_t, int32_t>> bands;
  ParallelRows(1000, [&](int32_t first, int32_t end) { bands.emplace_back(first, end); });
  EXPECT_EQ(bands, (std::vector<std::pair<int32_t, int32_t>>{{0, 1000}}));
  SetParallelRowThreadLimit(0);
  EXPECT_EQ(ParallelRowThreads(), all);
}

TEST(ParallelRows, ParallelCopyCopiesEveryByteAndNoMore) {
  // Sizes below the threshold, at whole pieces and with a ragged last piece.
  for (size_t bytes : {size_t(0), size_t(3), size_t(4) << 20, (size_t(9) << 20) + 12345}) {
    std::vector<uint8_t> from(bytes), to(bytes + 16, 0xEE);
    for (size_t i = 0; i < bytes; ++i) from[i] = uint8_t(i * 31 + (i >> 16));
    ParallelCopy(to.data(), from.data(), bytes);
    ASSERT_TRUE(std::equal(from.begin(), from.end(), to.begin())) << bytes;
    EXPECT_TRUE(std::all_of(to.begin() + std::ptrdiff_t(bytes), to.end(), [](uint8_t b) { return b == 0xEE; }))
        << bytes;
  }
}
