#include "core/workers.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
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

// Pieces that call the pool again: every inner piece runs once, and no
// worker number runs two pieces at once, whatever the nesting.
TEST(WorkerPool, CallsWithinPiecesShareTheThreads) {
  for (const int threads : {1, 2, 3, 8}) {
    WorkerPool pool(threads);
    std::vector<std::atomic<int>> busy(static_cast<std::size_t>(threads));
    std::atomic<int> clashes{0};
    std::vector<std::atomic<int>> runs(4 * 50);
    pool.run(4, [&](std::size_t outer, int) {
      pool.run(50, [&](std::size_t inner, int worker) {
        if (busy[static_cast<std::size_t>(worker)]++ > 0) ++clashes;
        ++runs[outer * 50 + inner];
        std::this_thread::sleep_for(std::chrono::microseconds(50));
        --busy[static_cast<std::size_t>(worker)];
      });
    });
    EXPECT_EQ(clashes, 0) << threads;
    for (std::size_t i = 0; i < runs.size(); ++i) ASSERT_EQ(runs[i], 1) << threads << " " << i;
  }
}

}  // namespace
}  // namespace rumo
