// Input on Windows: the window procedure turns messages into the seam's
// input events, and PollEvent pumps the thread's message queue. Virtual-key
// codes are the system's own. Input over the black covers of the other
// monitors counts as input of the scene's window, its mouse positions in
// that window's coordinates.
#include <windowsx.h>

#include <algorithm>

#include "kit/ddraw/win32/Win32State.h"
#include "kit/os/QuitSignals.h"

namespace sandloop::display::win32 {

void Win32Backend::Push(InputEvent event) { events_.push_back(event); }

bool Win32Backend::Translate(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  const bool cover = IsCover(hwnd);
  const WindowId id = cover ? ToId(exclusive_) : ToId(hwnd);
  InputEvent e;
  e.window = id;
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      e.kind = InputEvent::Kind::KeyDown;
      e.key = static_cast<int>(wparam & 0xFF);
      break;
    case WM_CHAR: {
      const auto c = static_cast<unsigned>(wparam);
      if (c == 0 || c >= 0x80) return false;
      e.kind = InputEvent::Kind::KeyPress;
      e.ch = static_cast<char>(c);
      break;
    }
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_XBUTTONUP: {
      POINT p{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      if (cover && exclusive_ != nullptr) MapWindowPoints(hwnd, exclusive_, &p, 1);
      e.x = p.x;
      e.y = p.y;
      if (message == WM_MOUSEMOVE)
        e.kind = InputEvent::Kind::MouseMove;
      else if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN ||
               message == WM_XBUTTONDOWN)
        e.kind = InputEvent::Kind::MouseButtonDown;
      else
        e.kind = InputEvent::Kind::MouseButtonUp;
      break;
    }
    default:
      return false;
  }
  Push(e);
  return true;
}

bool Win32Backend::PollEvent(InputEvent* event) {
  if (events_.empty()) {
    if (target_.kind == DisplayTarget::Kind::Hosted && !host_quit_sent_ && !IsWindow(ToHwnd(target_.foreign))) {
      host_quit_sent_ = true;
      Push(InputEvent{});  // the host's window is gone
    }
    MSG msg;
    while (events_.empty() && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE) {
      if (msg.message == WM_QUIT) {
        quit_seen_ = true;
        Push(InputEvent{});
        break;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  if (events_.empty()) return false;
  *event = events_.front();
  events_.pop_front();
  return true;
}

void Win32Backend::WaitEvent(int timeout_ms) {
  if (!events_.empty() || QuitSignalPending() != 0) return;
  // At most 50 ms, so that a loop that waits also notices requests that do
  // not come as messages (a termination request of the console). The wake
  // event resets itself as the wait takes it.
  const DWORD n = wake_ != nullptr ? 1 : 0;
  MsgWaitForMultipleObjectsEx(n, n != 0 ? &wake_ : nullptr, static_cast<DWORD>(std::clamp(timeout_ms, 0, 50)),
                              QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

void Win32Backend::WakeWait() {
  if (wake_ != nullptr) SetEvent(wake_);
}

}  // namespace sandloop::display::win32
