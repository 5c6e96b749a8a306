#include "kit/os/QuitSignals.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <ctime>

namespace {

// Written by the signal handler, so lock-free atomics only.
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);
std::atomic<int> g_quit_signal{0};        // noted and not yet taken
std::atomic<bool> g_quit_requested{false};  // a signal has asked to end since installing

constexpr int kQuitSignals[] = {SIGTERM, SIGINT, SIGHUP};

std::atomic<long long> g_first_signal_ms{0};  // when the first one came

long long MonotonicMs() {  // clock_gettime may be called from a handler
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<long long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// A host often signals the saver and its process group at once: a second
// signal within a second of the first belongs to the same request. One
// that comes later means the orderly end has not ended the process.
constexpr long long kSameRequestMs = 1000;

void NoteQuitSignal(int signal) {
  if (g_quit_requested.exchange(true)) {
    if (MonotonicMs() - g_first_signal_ms.load() < kSameRequestMs) return;
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    return;
  }
  g_first_signal_ms.store(MonotonicMs());
  g_quit_signal.store(signal);
}

}  // namespace

namespace sandloop {

void InstallQuitSignalHandlers() {
  g_quit_signal.store(0);
  g_quit_requested.store(false);
  struct sigaction action {};
  action.sa_handler = NoteQuitSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;  // calls that a signal interrupts go on
  for (int s : kQuitSignals) sigaction(s, &action, nullptr);
}

int QuitSignalPending() { return g_quit_signal.load(std::memory_order_relaxed); }

int TakeQuitSignal() { return g_quit_signal.exchange(0); }

void EndBySignal(int signal) {
  std::signal(signal, SIG_DFL);
  std::raise(signal);
  std::_Exit(128 + signal);  // the signal was blocked
}

}  // namespace sandloop
