#include "scene/Worker.h"

#include <algorithm>
#include <system_error>
#include <utility>

namespace sandloop {

Worker::Worker(std::vector<Job> jobs, const ThreadStart& start) : jobs_(std::move(jobs)) {
  try {
    auto body = [this] { Run(); };
    thread_ = start ? start(body) : std::thread(body);
    threaded_ = thread_.joinable();
  } catch (const std::system_error&) {
    threaded_ = false;
  }
  // Without a thread of its own the work is done here, before the caller
  // asks for its first result: nothing else would ever do it.
  if (!threaded_) Run();
}

Worker::~Worker() {
  Stop();
  Wait();
}

void Worker::Wait() {
  if (thread_.joinable()) thread_.join();
}

void Worker::Run() {
  while (Help()) {
  }
}

bool Worker::Help(std::size_t before) {
  const std::size_t end = std::min(before, jobs_.size());
  for (;;) {
    std::size_t i = next_.load(std::memory_order_acquire);
    do {
      if (i >= end) return false;
    } while (!next_.compare_exchange_weak(i, i + 1, std::memory_order_acq_rel));
    Job& job = jobs_[i];
    if (stop_.load(std::memory_order_acquire)) {
      job = nullptr;  // a job not run breaks its promise at once
      continue;
    }
    started_.fetch_add(1, std::memory_order_acq_rel);
    job();
    job = nullptr;  // what the job held goes now, not when the worker does
    return true;
  }
}

}  // namespace sandloop
