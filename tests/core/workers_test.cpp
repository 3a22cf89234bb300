#include "core/workers.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <vector>

namespace rumo {
namespace {

// Every piece runs once per call on a worker number the pool has; of two
// failures the lower piece's is thrown, after the pieces below it ran.
TEST(WorkerPool, EveryPieceOnceAndTheLowestFailure) {
  for (const int threads : {1, 2, 5}) {
    WorkerPool pool(threads);
    for (const std::size_t count : {0u, 7u, 100u}) {
      std::vector<std::atomic<int>> runs(count);
      pool.run(count, [&](std::size_t index, int worker) {
        runs[index] += worker >= 0 && worker < threads ? 1 : 100;
      });
      for (std::size_t i = 0; i < count; ++i) EXPECT_EQ(runs[i], 1) << threads << " " << i;
    }
    std::vector<std::atomic<int>> runs(40);
    std::string thrown;
    try {
      pool.run(40, [&](std::size_t index, int) {
        ++runs[index];
        if (index == 9 || index == 30) throw std::runtime_error(std::to_string(index));
      });
    } catch (const std::runtime_error& error) {
      thrown = error.what();
    }
    EXPECT_EQ(thrown, "9");
    for (std::size_t i = 0; i < 9; ++i) EXPECT_EQ(runs[i], 1) << threads << " " << i;
  }
}

}  // namespace
}  // namespace rumo
