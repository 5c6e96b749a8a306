#pragma once
// Work done ahead of the caller: a list of jobs run one after another, in
// their order, on a thread of their own. Each job hands its result over by
// itself (a promise); the worker knows nothing of what the jobs make.
// A caller that would otherwise wait for a result may take the next job
// not yet started and run it itself (Help), so that both threads work.
//
// Stop() lets the running job finish and starts no other: a caller that
// gives up early waits for one job at most, not for the whole list. Jobs
// that were never started are dropped, so a promise they held is broken.
// When no thread can be started, the worker runs every job on the calling
// thread before its constructor returns.
//
// Jobs from `held` on wait on the worker's thread until Release(): work
// that is needed only later does not take the processor from the caller
// before then. A caller that helps may still run them at any time.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace sandloop {

class Worker {
 public:
  // A job must not throw: it hands a failure over as its result.
  using Job = std::function<void()>;
  // Makes the thread that runs `body`; throws std::system_error when it
  // cannot (the default is os::StartThreadBeside).
  using ThreadStart = std::function<std::thread(std::function<void()> body)>;

  static constexpr std::size_t kNoneHeld = static_cast<std::size_t>(-1);
  explicit Worker(std::vector<Job> jobs, const ThreadStart& start = {}, std::size_t held = kNoneHeld);
  ~Worker();  // Stop(), then Wait()
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  // No job starts after this call; the running one finishes.
  void Stop();
  // The held jobs may start on the worker's thread.
  void Release();
  // Returns once no job runs any more and none will: every job has run,
  // or Stop() came first. Called from the thread that made the worker.
  void Wait();
  // Runs the next job that no thread has started yet on the calling
  // thread, if it is one of the first `before` jobs; false when there is
  // no such job left (or Stop() came first).
  bool Help(std::size_t before = static_cast<std::size_t>(-1));
  // Whether the jobs ran on a thread of their own.
  [[nodiscard]] bool OnOwnThread() const { return threaded_; }
  // The jobs that have started so far.
  [[nodiscard]] std::size_t Started() const { return started_.load(std::memory_order_acquire); }

 private:
  void Run();

  // Each job is claimed by exactly one thread (next_), which alone runs or
  // drops it.
  std::vector<Job> jobs_;
  std::atomic<std::size_t> next_{0};
  std::atomic<bool> stop_{false};
  const std::size_t held_;
  std::mutex gate_;  // taken to change released_ or stop_ for a waiting thread
  std::condition_variable opened_;
  std::atomic<bool> released_{false};
  std::atomic<std::size_t> started_{0};
  bool threaded_ = false;
  std::thread thread_;
};

}  // namespace sandloop
