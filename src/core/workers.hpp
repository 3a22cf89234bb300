// The program's one way to work in parallel: a few threads that share out
// independent pieces of work. The pieces of one call never depend on each
// other, so the result is the same whichever thread does which piece, and
// with one thread the pieces run in order on the calling thread, as if there
// were no pool. No other part of the program starts a thread.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace rumo {

class WorkerPool {
 public:
  // `threads` counts the calling thread: a pool of 1 starts no thread.
  explicit WorkerPool(int threads = 1);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // How many threads share the work; worker numbers run from 0 to this - 1.
  int size() const { return static_cast<int>(threads_.size()) + 1; }

  // Calls piece(index, worker) for every index 0..count-1 and returns when all
  // are done. `worker` is the number of the thread that runs the piece (0 for
  // the thread outside the pool), so that no two pieces running at once share
  // it. A piece may call run() itself: its pieces are shared out the same way,
  // and a thread that waits for its own call helps with those begun after it.
  // A piece that throws stops the call: the failure of the lowest index that
  // failed is thrown again here, after every piece already begun has ended.
  // Only one thread outside the pool may call run() at a time.
  void run(std::size_t count, const std::function<void(std::size_t, int)>& piece);

 private:
  struct Call;
  void work(int worker);
  // Runs the next piece of `call`; the lock is released while it runs.
  void run_piece(Call& call, std::unique_lock<std::mutex>& lock, int worker);
  // The newest call begun after `after` with a piece to hand out, if any.
  Call* open_call(unsigned long after) const;

  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Call*> calls_;  // the calls under way, oldest first
  unsigned long begun_ = 0;
  bool stopping_ = false;
};

}  // namespace rumo
