#include "scene/Worker.h"

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
  for (Job& job : jobs_) {
    if (stop_.load(std::memory_order_acquire)) break;
    started_.fetch_add(1, std::memory_order_acq_rel);
    job();
    job = nullptr;  // what the job held goes now, not when the worker does
  }
  jobs_.clear();  // jobs not run break their promises at once
}

}  // namespace sandloop
