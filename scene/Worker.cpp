#include "scene/Worker.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "kit/os/Threads.h"

namespace sandloop {

Worker::Worker(std::vector<Job> jobs, const ThreadStart& start, std::size_t held)
    : jobs_(std::move(jobs)), held_(held) {
  try {
    auto body = [this] { Run(); };
    thread_ = start ? start(body) : os::StartThreadBeside(body);
    threaded_ = thread_.joinable();
  } catch (const std::system_error&) {
    threaded_ = false;
  }
  // Without a thread of its own the work is done here, held jobs too,
  // before the caller asks for its first result: nothing else would ever
  // do it.
  if (!threaded_) {
    while (Help()) {
    }
  }
}

void Worker::Stop() {
  stop_.store(true, std::memory_order_release);
  std::lock_guard<std::mutex> lock(gate_);
  opened_.notify_all();
}

void Worker::Release() {
  if (released_.load(std::memory_order_acquire)) return;
  std::lock_guard<std::mutex> lock(gate_);
  released_.store(true, std::memory_order_release);
  opened_.notify_all();
}

Worker::~Worker() {
  Stop();
  Wait();
}

void Worker::Wait() {
  if (thread_.joinable()) thread_.join();
}

void Worker::Run() {
  while (Help(held_)) {
  }
  if (held_ < jobs_.size()) {
    std::unique_lock<std::mutex> lock(gate_);
    opened_.wait(lock, [this] {
      return released_.load(std::memory_order_acquire) || stop_.load(std::memory_order_acquire);
    });
  }
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
