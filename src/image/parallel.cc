#include "image/parallel.h"

#include <sched.h>

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace photofilter {
namespace {

int threads_of_run = 1;

// True on a thread while it runs a part, so that work split again inside a
// part stays on that thread.
thread_local bool within_part = false;

// The pool's threads wait for a job; each takes parts by number until none
// is left. Parts are numbered 1 .. parts - 1 (the caller runs part 0 and
// then takes parts too).
class WorkerPool {
 public:
  // A system that refuses a thread leaves the pool with fewer: the work is
  // the same, only slower.
  explicit WorkerPool(int workers) {
    try {
      for (int k = 0; k < workers; ++k) {
        threads_.emplace_back([this](std::stop_token stop) { serve(stop); });
      }
    } catch (const std::system_error &) {
    }
  }
  ~WorkerPool() {
    {
      std::lock_guard lock(mutex_);
      for (std::jthread &thread : threads_) thread.request_stop();
    }
    wake_.notify_all();
  }
  int workers() const { return static_cast<int>(threads_.size()); }

  void run(int parts, const std::function<void(int)> &part) {
    uint64_t generation;
    {
      std::lock_guard lock(mutex_);
      job_ = &part;
      parts_ = parts;
      next_part_ = 1;
      unfinished_ = parts - 1;
      error_ = nullptr;
      generation = ++generation_;
    }
    wake_.notify_all();
    run_part(part, 0);
    while (take_and_run(generation)) {
    }
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return unfinished_ == 0; });
    job_ = nullptr;
    if (error_) std::rethrow_exception(error_);
  }

 private:
  void serve(std::stop_token stop) {
    uint64_t seen = 0;
    for (;;) {
      {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [&] { return stop.stop_requested() || generation_ != seen; });
        if (stop.stop_requested()) return;
        seen = generation_;
      }
      while (take_and_run(seen)) {
      }
    }
  }

  // Takes the next part of job `generation` and runs it; false when that
  // job has no part left. The job lives until its last part is done.
  bool take_and_run(uint64_t generation) {
    const std::function<void(int)> *job;
    int k;
    {
      std::lock_guard lock(mutex_);
      if (generation_ != generation || job_ == nullptr || next_part_ >= parts_) return false;
      job = job_;
      k = next_part_++;
    }
    run_part(*job, k);
    std::lock_guard lock(mutex_);
    if (--unfinished_ == 0) done_.notify_all();
    return true;
  }

  void run_part(const std::function<void(int)> &part, int k) {
    within_part = true;
    try {
      part(k);
    } catch (...) {
      std::lock_guard lock(mutex_);
      if (!error_) error_ = std::current_exception();
    }
    within_part = false;
  }

  std::mutex mutex_;
  std::condition_variable wake_, done_;
  const std::function<void(int)> *job_ = nullptr;
  int parts_ = 0, next_part_ = 0, unfinished_ = 0;
  uint64_t generation_ = 0;
  std::exception_ptr error_;
  std::vector<std::jthread> threads_;  // last: its threads stop and join first
};

WorkerPool &pool_of(int workers) {
  static WorkerPool pool(workers);
  return pool;
}

}  // namespace

void set_run_threads(int count) { threads_of_run = std::max(count, 1); }

int run_threads() { return threads_of_run; }

int available_processors() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) != 0) return 1;
  return std::max(CPU_COUNT(&set), 1);
}

void split_work(int64_t count, int64_t smallest_part,
                const std::function<void(int64_t begin, int64_t end)> &work) {
  if (count <= 0) return;
  const int64_t most_parts = count / std::max<int64_t>(smallest_part, 1);
  const int parts = static_cast<int>(std::clamp<int64_t>(most_parts, 1, threads_of_run));
  if (parts == 1 || within_part) {
    work(0, count);
    return;
  }
  WorkerPool &pool = pool_of(threads_of_run - 1);
  const int used = std::min(parts, pool.workers() + 1);
  const std::function<void(int)> part = [&](int k) {
    work(count * k / used, count * (k + 1) / used);
  };
  pool.run(used, part);
}

}  // namespace photofilter
