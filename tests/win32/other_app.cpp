// Another program, for the checks of how the saver meets the rest of the
// desktop under Wine:
//   other_app front SECONDS     makes a window of its own, brings it to the
//                               foreground, prints "foreground 1" when it
//                               got there (else "foreground 0", exit 2),
//                               and runs its messages for SECONDS;
//   other_app host W H SECONDS  makes a visible W x H window at (0, 0),
//                               prints its handle, and runs its messages
//                               for SECONDS (a preview's host);
//   other_app send TITLE MESSAGE WPARAM LPARAM
//                               sends a message to the top-level window of
//                               that title (waits up to 20 s for it) and
//                               prints the answer; numbers in decimal or
//                               0x-hexadecimal.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void Pump(DWORD ms) {
  const ULONGLONG until = GetTickCount64() + ms;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    const ULONGLONG now = GetTickCount64();
    if (now >= until) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(until - now), QS_ALLINPUT);
  }
}

HWND MakeWindow(const wchar_t* title, int x, int y, int w, int h) {
  return CreateWindowExW(0, L"STATIC", title, WS_POPUP | WS_VISIBLE | WS_BORDER, x, y, w, h, nullptr, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

int Front(int seconds) {
  HWND self = MakeWindow(L"Another program", 100, 100, 300, 200);
  if (self == nullptr) return 1;
  SetForegroundWindow(self);
  Pump(300);
  const bool front = GetForegroundWindow() == self;
  std::printf("foreground %d\n", front ? 1 : 0);
  std::fflush(stdout);
  Pump(static_cast<DWORD>(seconds) * 1000);
  DestroyWindow(self);
  return front ? 0 : 2;
}

int Host(int w, int h, int seconds) {
  HWND host = MakeWindow(L"preview host", 0, 0, w, h);
  if (host == nullptr) return 1;
  std::printf("%llu\n", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(host)));
  std::fflush(stdout);
  Pump(static_cast<DWORD>(seconds) * 1000);
  DestroyWindow(host);
  return 0;
}

int Send(const char* title, const char* message, const char* wparam, const char* lparam) {
  HWND target = nullptr;
  for (int i = 0; i < 200 && target == nullptr; ++i) {
    target = FindWindowA(nullptr, title);
    if (target == nullptr) Sleep(100);
  }
  if (target == nullptr) {
    std::fprintf(stderr, "other_app: no window \"%s\"\n", title);
    return 1;
  }
  DWORD_PTR answer = 0;
  if (SendMessageTimeoutW(target, static_cast<UINT>(std::strtoul(message, nullptr, 0)),
                          static_cast<WPARAM>(std::strtoull(wparam, nullptr, 0)),
                          static_cast<LPARAM>(std::strtoll(lparam, nullptr, 0)), SMTO_ABORTIFHUNG, 5000,
                          &answer) == 0) {
    std::fprintf(stderr, "other_app: \"%s\" did not answer\n", title);
    return 1;
  }
  std::printf("%llu\n", static_cast<unsigned long long>(answer));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "";
  if (what == "front" && argc == 3) return Front(std::atoi(argv[2]));
  if (what == "host" && argc == 5) return Host(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
  if (what == "send" && argc == 6) return Send(argv[2], argv[3], argv[4], argv[5]);
  std::fprintf(stderr, "usage: other_app front SECONDS | host W H SECONDS | send TITLE MESSAGE WPARAM LPARAM\n");
  return 64;
}
