#include "kit/os/QuitSignals.h"

#include <windows.h>

#include <atomic>
#include <csignal>
#include <cstdlib>

namespace {

std::atomic<int> g_quit_signal{0};          // noted and not yet taken
std::atomic<bool> g_quit_requested{false};  // a request has come since installing
std::atomic<ULONGLONG> g_first_ms{0};

// A console sends its event to every process attached to it at once: a
// second event within a second of the first belongs to the same request.
constexpr ULONGLONG kSameRequestMs = 1000;

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI NoteConsoleEvent(DWORD event) {
  const int signal = event == CTRL_C_EVENT ? SIGINT : SIGTERM;
  if (g_quit_requested.exchange(true)) {
    if (GetTickCount64() - g_first_ms.load() < kSameRequestMs) return TRUE;
    return FALSE;  // the next handler, the system's, ends the process
  }
  g_first_ms.store(GetTickCount64());
  g_quit_signal.store(signal);
  // Close, log-off and shut-down end the process when the handler returns:
  // give the message loop time to end in order first.
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) Sleep(4000);
  return TRUE;
}

}  // namespace

namespace sandloop {

void InstallQuitSignalHandlers() {
  g_quit_signal.store(0);
  g_quit_requested.store(false);
  SetConsoleCtrlHandler(NoteConsoleEvent, FALSE);
  SetConsoleCtrlHandler(NoteConsoleEvent, TRUE);
}

int QuitSignalPending() { return g_quit_signal.load(std::memory_order_relaxed); }

int TakeQuitSignal() { return g_quit_signal.exchange(0); }

void EndBySignal(int signal) {
  SetConsoleCtrlHandler(NoteConsoleEvent, FALSE);
  ExitProcess(static_cast<UINT>(128 + signal));
}

}  // namespace sandloop
