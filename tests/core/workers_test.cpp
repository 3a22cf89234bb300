#include "core/workers.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <vector>

namespace rumo {
namespace {

TEST(WorkerPool, EveryPieceOnceAndTheLowestFailure) {
  for (const int threads : {1, 2, 5}) {
    WorkerPool pool(threads);
    EXPECT_EQ(pool.size(), threads);
    // Called again and again, every piece runs once per call, on a worker
    // number the pool has.
    for (const std::size_t count : {0u, 1u, 7u, 100u}) {
      std::vector<std::atomic<int>> runs(count);
      std::atomic<bool> worker_in_range{true};
      pool.run(count, [&](std::size_t index, int worker) {
        ++runs[index];
        if (worker < 0 || worker >= threads) worker_in_range = false;
      });
      for (std::size_t i = 0; i < count; ++i) EXPECT_EQ(runs[i], 1) << threads << " " << i;
      EXPECT_TRUE(worker_in_range);
    }
    // Of two failures the lower piece's is thrown, after the pieces below it ran.
    std::vector<std::atomic<int>> runs(40);
    try {
      pool.run(40, [&](std::size_t index, int) {
        ++runs[index];
        if (index == 9 || index == 30) throw std::runtime_error(std::to_string(index));
      });
      ADD_FAILURE() << "no failure thrown";
    } catch (const std::runtime_error& error) {
      EXPECT_STREQ(error.what(), "9");
    }
    for (std::size_t i = 0; i < 9; ++i) EXPECT_EQ(runs[i], 1) << threads << " " << i;
  }
}

}  // namespace
}  // namespace rumo
