// A few threads that share out independent pieces of work. The pieces of one
// call never depend on each other, so the result is the same whichever
// thread does which piece, and with one thread the pieces run in order on the
// calling thread, as if there were no pool.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
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
  // are done; the calling thread takes part as worker 0. A piece that throws
  // stops the call: the failure of the lowest index that failed is thrown
  // again here, after every piece already begun has ended.
  void run(std::size_t count, const std::function<void(std::size_t, int)>& piece);

  // Work that the pool's own threads take up while no pieces wait, so that
  // it fills their idle time instead of competing with the pieces: `step`
  // does a little of it and returns whether more remains; it must not throw.
  // One thread at a time runs steps, and a call of run() is never kept
  // waiting for more than the step in hand. A pool of 1 runs no steps.
  void set_idle_work(std::function<bool()> step);
  // Tells the pool that more idle work has arrived.
  void idle_work_added();
  // Ends the idle work; returns once no step runs.
  void clear_idle_work();
  // While held, no new step starts, for other work of the run's that has
  // the cores then; releasing lets the steps go on.
  void hold_idle_work(bool held);

 private:
  void work(int worker);
  void take_pieces(int worker);

  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable done_;
  const std::function<void(std::size_t, int)>* piece_ = nullptr;
  std::size_t count_ = 0;
  std::size_t next_ = 0;
  std::size_t finished_ = 0;
  std::size_t failed_index_ = 0;
  std::exception_ptr failure_;
  unsigned long generation_ = 0;
  bool stopping_ = false;
  std::function<bool()> idle_step_;
  std::condition_variable idle_done_;
  bool idle_pending_ = false;
  bool idle_running_ = false;
  bool idle_held_ = false;
};

// One thread that runs a task beside the calling thread, one task at a time,
// kept for the whole run so that no thread is started per task.
class BackgroundThread {
 public:
  BackgroundThread();
  // Waits for the task that runs, then ends the thread.
  ~BackgroundThread();
  BackgroundThread(const BackgroundThread&) = delete;
  BackgroundThread& operator=(const BackgroundThread&) = delete;

  // Starts `task`; the task started before must have been waited for.
  void start(std::function<void()> task);
  // Returns when the task has ended; a failure of the task is thrown here.
  void wait();

 private:
  void work();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::function<void()> task_;
  bool busy_ = false;
  bool stopping_ = false;
  std::exception_ptr failure_;
  std::thread thread_;
};

}  // namespace rumo
