#include "core/workers.hpp"

#include <utility>

namespace rumo {

WorkerPool::WorkerPool(int threads) {
  for (int worker = 1; worker < threads; ++worker) {
    threads_.emplace_back([this, worker] { work(worker); });
  }
}

WorkerPool::~WorkerPool() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

void WorkerPool::run(std::size_t count, const std::function<void(std::size_t, int)>& piece) {
  if (threads_.empty()) {
    for (std::size_t index = 0; index < count; ++index) piece(index, 0);
    return;
  }
  {
    const std::lock_guard lock(mutex_);
    piece_ = &piece;
    count_ = count;
    next_ = 0;
    finished_ = 0;
    failure_ = nullptr;
    ++generation_;
  }
  wake_.notify_all();
  take_pieces(0);
  std::unique_lock lock(mutex_);
  done_.wait(lock, [&] { return finished_ == count_; });
  piece_ = nullptr;
  if (failure_) std::rethrow_exception(failure_);
}

void WorkerPool::work(int worker) {
  unsigned long seen = 0;
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [&] {
      return stopping_ || generation_ != seen ||
             (idle_pending_ && !idle_running_ && !idle_held_ && idle_step_);
    });
    if (stopping_) return;
    if (generation_ != seen) {
      seen = generation_;
      lock.unlock();
      take_pieces(worker);
      lock.lock();
      continue;
    }
    // Idle work, a step at a time, until it runs out, pieces come or it is
    // held.
    idle_running_ = true;
    idle_pending_ = false;
    bool more = true;
    while (more && generation_ == seen && !stopping_ && !idle_held_) {
      lock.unlock();
      more = idle_step_();
      lock.lock();
    }
    if (more) idle_pending_ = true;
    idle_running_ = false;
    idle_done_.notify_all();
  }
}

void WorkerPool::set_idle_work(std::function<bool()> step) {
  const std::lock_guard lock(mutex_);
  idle_step_ = std::move(step);
  idle_pending_ = false;
}

void WorkerPool::idle_work_added() {
  {
    const std::lock_guard lock(mutex_);
    if (!idle_step_) return;
    idle_pending_ = true;
  }
  wake_.notify_one();
}

void WorkerPool::hold_idle_work(bool held) {
  {
    const std::lock_guard lock(mutex_);
    idle_held_ = held;
    if (held || !idle_pending_) return;
  }
  wake_.notify_one();
}

void WorkerPool::clear_idle_work() {
  std::unique_lock lock(mutex_);
  idle_done_.wait(lock, [&] { return !idle_running_; });
  idle_step_ = nullptr;
  idle_pending_ = false;
}

// Pieces are handed out one at a time in ascending order; after a failure the
// rest are counted as finished without being run.
void WorkerPool::take_pieces(int worker) {
  std::unique_lock lock(mutex_);
  while (piece_ != nullptr && next_ < count_) {
    const std::size_t index = next_++;
    const bool skip = failure_ != nullptr;
    const auto* piece = piece_;
    lock.unlock();
    std::exception_ptr failure;
    if (!skip) {
      try {
        (*piece)(index, worker);
      } catch (...) {
        failure = std::current_exception();
      }
    }
    lock.lock();
    if (failure && (!failure_ || index < failed_index_)) {
      failure_ = failure;
      failed_index_ = index;
    }
    if (++finished_ == count_) done_.notify_all();
  }
}

BackgroundThread::BackgroundThread() : thread_([this] { work(); }) {}

BackgroundThread::~BackgroundThread() {
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !busy_; });
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void BackgroundThread::start(std::function<void()> task) {
  {
    const std::lock_guard lock(mutex_);
    task_ = std::move(task);
    busy_ = true;
  }
  changed_.notify_all();
}

void BackgroundThread::wait() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return !busy_; });
  if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

void BackgroundThread::work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return stopping_ || busy_; });
    if (stopping_) return;
    lock.unlock();
    std::exception_ptr failure;
    try {
      task_();
    } catch (...) {
      failure = std::current_exception();
    }
    lock.lock();
    failure_ = failure;
    busy_ = false;
    changed_.notify_all();
  }
}

}  // namespace rumo
