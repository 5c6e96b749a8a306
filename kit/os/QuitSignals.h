#pragma once
// Termination signals. After InstallQuitSignalHandlers, SIGTERM, SIGINT and
// SIGHUP (on Windows: Ctrl+C, Ctrl+Break and the console's close, log-off
// and shut-down events, noted as SIGINT and SIGTERM) no longer end the process: the handler only notes the signal, and
// the application's message loop takes it (TakeQuitSignal) and hands it to
// the main form as the window system's quit request, so that the program
// ends in order. A second termination signal ends the process at once, in
// case the orderly end hangs. Installing again starts afresh.
namespace sandloop {
void InstallQuitSignalHandlers();
// The number of a noted signal that has not been taken yet (0: none).
int QuitSignalPending();
// Like QuitSignalPending, and marks the signal as taken.
int TakeQuitSignal();
// Ends the process by `signal` as if no handler had been installed.
[[noreturn]] void EndBySignal(int signal);
}  // namespace sandloop
