// The periodic timer runs on a thread of its own that sleeps (os::TickWait)
// until the next tick is due on the steady clock. Each start makes a Runner
// holding its thread, its stoppable wait and its phase. Stopping moves
// the runner out of the component under a lock, so that of two threads
// stopping at once (a handler and the owner) exactly one stops it; its
// thread is then joined by whichever call comes next from a thread other
// than its own. A tick holds the tick lock throughout, so ticks of an old
// and a new run never overlap.
#include "kit/DDtimer.h"

#include <system_error>

#include "kit/os/TickWait.h"

namespace sandloop {

struct TDDtimer::Runner {
  std::mutex ready;  // held by the starter until the runner is installed
  os::TickWait wait;  // stopped: the run ends
  std::chrono::milliseconds period{0};
  int FPhase = 0;  // 0 or 1; this run's ticks only, under the tick lock
  std::thread thread;
};

TDDtimer::TDDtimer(TComponent* owner) : TComponent(owner) {}

TDDtimer::~TDDtimer() {
  SetEnabled(false);
  JoinStopped();
}

TDDtimer::Clock::time_point TDDtimer::NextTick(Clock::time_point due, std::chrono::milliseconds period,
                                               Clock::time_point now) {
  const Clock::time_point next = due + period;
  return now - next > period ? now : next;
}

void TDDtimer::JoinStopped() {
  // From inside a tick nothing is joined: a newer run's thread may be
  // waiting for this very tick. The owner's next call joins them.
  if (FTickThread.load(std::memory_order_relaxed) == std::this_thread::get_id()) return;
  std::vector<std::shared_ptr<Runner>> joinable;
  {
    std::lock_guard<std::mutex> g(FControl);
    for (auto it = FStopped.begin(); it != FStopped.end();) {
      if ((*it)->thread.get_id() == std::this_thread::get_id()) {
        ++it;  // our own thread: it ends once this tick returns
      } else {
        joinable.push_back(std::move(*it));
        it = FStopped.erase(it);
      }
    }
  }
  for (auto& runner : joinable)
    if (runner->thread.joinable()) runner->thread.join();
}

void TDDtimer::SetEnabled(bool value) {
  if (!value) {
    std::shared_ptr<Runner> runner;
    {
      std::lock_guard<std::mutex> g(FControl);
      FEnabled.store(false, std::memory_order_relaxed);
      runner = std::move(FRunner);
      FRunner.reset();
      if (runner) FStopped.push_back(runner);
    }
    if (runner) runner->wait.Stop();
    // Also when another thread had stopped it already: once this returns
    // on the owner's thread, no tick of any earlier run goes on.
    JoinStopped();
    return;
  }

  // A start first waits out the runs stopped before it (unless called from
  // a tick of one of them: the tick lock then keeps the ticks apart).
  JoinStopped();
  std::lock_guard<std::mutex> g(FControl);
  if (FEnabled.load(std::memory_order_relaxed)) return;
  FEnabled.store(true, std::memory_order_relaxed);
  // A period the timer cannot keep fails the start like a refused platform
  // timer: Enabled stays true and no ticks arrive.
  const int interval = FInterval.load(std::memory_order_relaxed);
  if (interval < kMinInterval || interval > kMaxInterval) return;
  auto runner = std::make_shared<Runner>();
  runner->period = std::chrono::milliseconds(interval);
  // The new thread starts by taking the runner's ready lock, so it waits
  // here until the runner is complete and installed; a handler that stops
  // the timer on the very first tick then finds it.
  std::unique_lock<std::mutex> setup(runner->ready);
  try {
    runner->thread = std::thread([runner, this] {
      { std::lock_guard<std::mutex> installed(runner->ready); }
      Clock::time_point due = Clock::now() + runner->period;
      for (;;) {
        if (runner->wait.Until(due)) return;
        Tick(*runner);
        if (runner->wait.Stopped()) return;
        due = NextTick(due, runner->period, Clock::now());
      }
    });
  } catch (const std::system_error&) {
    return;  // no thread: no ticks
  }
  FRunner = runner;
}

int TDDtimer::RunningInterval() const {
  std::lock_guard<std::mutex> g(FControl);
  return FRunner ? static_cast<int>(FRunner->period.count()) : 0;
}

void TDDtimer::Tick(Runner& runner) {
  std::lock_guard<std::mutex> tick(FTickMutex);
  struct Ticking {
    std::atomic<std::thread::id>& id;
    explicit Ticking(std::atomic<std::thread::id>& i) : id(i) { id.store(std::this_thread::get_id()); }
    ~Ticking() { id.store(std::thread::id()); }
  } ticking(FTickThread);
  auto stopped = [&runner] { return runner.wait.Stopped(); };
  // A run stopped while this tick waited for the previous run's tick to end
  // does not tick any more.
  if (stopped()) return;
  if (OnTimer) OnTimer(this);
  // A stop during OnTimer (from the handler itself or from the owner) ends
  // this tick here.
  if (stopped()) return;
  runner.FPhase = 1 - runner.FPhase;
  if (runner.FPhase == 1 && OnDivide2) OnDivide2(this);
}

}  // namespace sandloop
