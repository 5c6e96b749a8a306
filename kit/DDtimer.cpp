// The periodic timer runs on a thread of its own that sleeps on a condition
// variable until the next tick is due on the steady clock. The thread and
// its stop flag live in a shared Runner, so that a handler may stop the
// timer from inside a tick: the thread then finishes that tick and ends
// without touching the component again.
#include "kit/DDtimer.h"

#include <condition_variable>
#include <mutex>
#include <system_error>

namespace sandloop {

struct TDDtimer::Runner {
  std::mutex mutex;
  std::condition_variable wake;
  bool stop = false;  // guarded by mutex
  std::chrono::milliseconds period{0};
  std::thread thread;
};

TDDtimer::TDDtimer(TComponent* owner) : TComponent(owner) {}

TDDtimer::~TDDtimer() { Stop(); }

TDDtimer::Clock::time_point TDDtimer::NextTick(Clock::time_point due, std::chrono::milliseconds period,
                                               Clock::time_point now) {
  const Clock::time_point next = due + period;
  return now - next > period ? now : next;
}

void TDDtimer::SetEnabled(bool value) {
  if (value == FEnabled) return;
  if (!value) {
    FEnabled = false;
    Stop();
    return;
  }
  FEnabled = true;
  FPhase = 0;
  // A period the timer cannot keep fails the start like a refused platform
  // timer: Enabled stays true and no ticks arrive.
  if (FInterval < kMinInterval || FInterval > kMaxInterval) return;
  auto runner = std::make_shared<Runner>();
  runner->period = std::chrono::milliseconds(FInterval);
  // The new thread starts by taking the runner's lock, so it waits here
  // until the runner is complete and installed; a handler that stops the
  // timer on the very first tick then finds it.
  std::unique_lock<std::mutex> setup(runner->mutex);
  try {
    runner->thread = std::thread([runner, this] {
      std::unique_lock<std::mutex> lock(runner->mutex);
      Clock::time_point due = Clock::now() + runner->period;
      for (;;) {
        if (runner->wake.wait_until(lock, due, [&] { return runner->stop; })) return;
        lock.unlock();
        Tick(*runner);
        lock.lock();
        if (runner->stop) return;
        due = NextTick(due, runner->period, Clock::now());
      }
    });
  } catch (const std::system_error&) {
    return;  // no thread: no ticks
  }
  FRunner = runner;
}

void TDDtimer::Stop() {
  if (!FRunner) return;
  std::shared_ptr<Runner> runner = std::move(FRunner);
  {
    std::lock_guard<std::mutex> g(runner->mutex);
    runner->stop = true;
  }
  runner->wake.notify_all();
  // Stopped from one of its own handlers, the thread cannot be waited for:
  // it ends by itself once the handler returns.
  if (runner->thread.get_id() == std::this_thread::get_id())
    runner->thread.detach();
  else
    runner->thread.join();
}

int TDDtimer::RunningInterval() const { return FRunner ? static_cast<int>(FRunner->period.count()) : 0; }

void TDDtimer::Tick(Runner& runner) {
  if (OnTimer) OnTimer(this);
  // A stop during OnTimer (from the handler itself or from the owner) ends
  // this tick here.
  {
    std::lock_guard<std::mutex> g(runner.mutex);
    if (runner.stop) return;
  }
  FPhase = 1 - FPhase;
  if (FPhase == 1 && OnDivide2) OnDivide2(this);
}

}  // namespace sandloop
