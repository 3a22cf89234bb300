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

// Idle work runs on the pool's threads only, one step at a time, between
// and beside the pieces, until it runs out; none starts while it is held,
// and it ends when cleared.
TEST(WorkerPool, IdleWorkFillsTheWaits) {
  for (const int threads : {1, 3}) {
    WorkerPool pool(threads);
    std::atomic<int> steps{0}, running{0}, overlaps{0};
    pool.set_idle_work([&] {
      if (running++ > 0) ++overlaps;
      std::this_thread::sleep_for(std::chrono::microseconds(20));
      --running;
      return ++steps < 500;
    });
    pool.hold_idle_work(true);
    pool.idle_work_added();
    pool.run(8, [](std::size_t, int) {});
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(steps, 0);
    pool.hold_idle_work(false);
    for (int call = 0; call < 200; ++call) {
      std::atomic<int> pieces{0};
      pool.run(8, [&](std::size_t, int) { ++pieces; });
      ASSERT_EQ(pieces, 8);
    }
    for (int wait = 0; threads > 1 && steps < 500 && wait < 10000; ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    pool.clear_idle_work();
    EXPECT_EQ(steps, threads > 1 ? 500 : 0);
    EXPECT_EQ(overlaps, 0);
    pool.idle_work_added();  // after clearing, nothing to run
    pool.run(1, [](std::size_t, int) {});
    EXPECT_EQ(steps, threads > 1 ? 500 : 0);
  }
}

}  // namespace
}  // namespace rumo
