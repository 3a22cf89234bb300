#include "core/workers.hpp"

#include <exception>

namespace rumo {

namespace {

// The pool and the worker number of the thread, for calls made by pieces.
thread_local const WorkerPool* current_pool = nullptr;
thread_local int current_worker = 0;

}  // namespace

struct WorkerPool::Call {
  const std::function<void(std::size_t, int)>* piece;
  std::size_t count;
  unsigned long number;  // in the order the calls began
  std::size_t next = 0;
  std::size_t finished = 0;
  std::size_t failed_index = 0;
  std::exception_ptr failure;
};

WorkerPool::WorkerPool(int threads) {
  for (int worker = 1; worker < threads; ++worker) {
    threads_.emplace_back([this, worker] {
      current_pool = this;
      current_worker = worker;
      work(worker);
    });
  }
}

WorkerPool::~WorkerPool() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

void WorkerPool::run(std::size_t count, const std::function<void(std::size_t, int)>& piece) {
  const int worker = current_pool == this ? current_worker : 0;
  if (threads_.empty()) {
    for (std::size_t index = 0; index < count; ++index) piece(index, worker);
    return;
  }
  std::unique_lock lock(mutex_);
  Call call{&piece, count, ++begun_, 0, 0, 0, nullptr};
  calls_.push_back(&call);
  changed_.notify_all();
  while (call.finished < call.count) {
    if (call.next < call.count) {
      run_piece(call, lock, worker);
    } else if (Call* inner = open_call(call.number)) {
      run_piece(*inner, lock, worker);
    } else {
      changed_.wait(lock);
    }
  }
  std::erase(calls_, &call);
  if (call.failure) std::rethrow_exception(call.failure);
}

void WorkerPool::work(int worker) {
  std::unique_lock lock(mutex_);
  for (;;) {
    Call* call = nullptr;
    changed_.wait(lock, [&] { return stopping_ || (call = open_call(0)) != nullptr; });
    if (stopping_) return;
    run_piece(*call, lock, worker);
  }
}

WorkerPool::Call* WorkerPool::open_call(unsigned long after) const {
  for (auto at = calls_.rbegin(); at != calls_.rend() && (*at)->number > after; ++at) {
    if ((*at)->next < (*at)->count) return *at;
  }
  return nullptr;
}

// Pieces are handed out in ascending order; after a failure the rest are
// counted as finished without being run.
void WorkerPool::run_piece(Call& call, std::unique_lock<std::mutex>& lock, int worker) {
  const std::size_t index = call.next++;
  const bool skip = call.failure != nullptr;
  lock.unlock();
  std::exception_ptr failure;
  if (!skip) {
    try {
      (*call.piece)(index, worker);
    } catch (...) {
      failure = std::current_exception();
    }
  }
  lock.lock();
  if (failure && (!call.failure || index < call.failed_index)) {
    call.failure = failure;
    call.failed_index = index;
  }
  if (++call.finished == call.count) changed_.notify_all();
}

}  // namespace rumo
