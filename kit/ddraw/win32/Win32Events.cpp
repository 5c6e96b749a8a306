// Input on Windows: the window procedure turns messages into the seam's
// input events, and PollEvent pumps the thread's message queue. Virtual-key
// codes are the system's own. Input over the black covers of the other
// monitors counts as input of the scene's window, its mouse positions in
// that window's coordinates. The wheel counts as a mouse button: it ends
// the saver where a button does. Another program taking the foreground
// from the full-screen saver asks it to quit.
//
// WaitEvent is one message wait that also ends on the wake event: the
// frame timer's tick sets it, and so does a console's control event, from
// a handler of this file that runs before the program's own (QuitSignals),
// so that the wait needs no time limit of its own to notice the request.
#include <windowsx.h>

#include <algorithm>
#include <atomic>
#include <utility>

#include "kit/ddraw/win32/Win32BackendClass.h"
#include "kit/os/QuitSignals.h"

namespace sandloop::display::win32 {

namespace {

std::atomic<HANDLE> g_wake{nullptr};
std::atomic<ULONGLONG> g_console_event_ms{0};

// Runs on a thread the system starts for the event. The handlers installed
// before it decide what the event does.
BOOL WINAPI WakeOnConsoleEvent(DWORD) {
  g_console_event_ms.store(GetTickCount64() | 1);  // never 0: 0 is none
  if (HANDLE wake = g_wake.load()) SetEvent(wake);
  return FALSE;
}

// True when `thread` belongs to this process.
bool OwnThread(DWORD thread) {
  if (thread == 0) return false;
  HANDLE h = OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, thread);
  if (h == nullptr) return false;
  const bool own = GetProcessIdOfThread(h) == GetCurrentProcessId();
  CloseHandle(h);
  return own;
}

}  // namespace

HANDLE WakeOnConsoleEvents() {
  if (g_wake.load() == nullptr) {
    HANDLE made = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE none = nullptr;
    if (made != nullptr && !g_wake.compare_exchange_strong(none, made)) CloseHandle(made);
  }
  SetConsoleCtrlHandler(WakeOnConsoleEvent, FALSE);
  SetConsoleCtrlHandler(WakeOnConsoleEvent, TRUE);
  return g_wake.load();
}

bool ConsoleEventRecent() {
  const ULONGLONG at = g_console_event_ms.load();
  return at != 0 && GetTickCount64() - at < 1000;
}

void Win32Backend::Push(InputEvent event) { events_.push_back(event); }

// Another program's window became the active one: the full-screen saver's
// keys go there now, while it would stay over that program. It ends in
// order. The message comes to every top-level window of ours; the scene's
// own window answers it, once. `thread` is the new active window's thread
// (0 where the system does not say): one of this process does not count.
void Win32Backend::ActivateApp(HWND hwnd, WPARAM active, LPARAM thread) {
  if (active != FALSE || hwnd != exclusive_ || !full_screen_placed_) return;
  if (OwnThread(static_cast<DWORD>(thread))) return;
  Push(InputEvent{InputEvent::Kind::Quit, 0, 0, 0, 0, ToId(exclusive_)});
}

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
    // The wheel's position is on the screen.
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL: {
      POINT p{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      ScreenToClient(cover && exclusive_ != nullptr ? exclusive_ : hwnd, &p);
      e.kind = InputEvent::Kind::MouseButtonDown;
      e.x = p.x;
      e.y = p.y;
      break;
    }
    default:
      return false;
  }
  Push(e);
  return true;
}

bool Win32Backend::PollEvent(InputEvent* event) {
  const bool skip_peek = std::exchange(skip_next_peek_, false);
  if (events_.empty() && !skip_peek) {
    if (target_.kind == DisplayTarget::Kind::Hosted && !host_quit_sent_ && !IsWindow(ToHwnd(target_.foreign))) {
      host_quit_sent_ = true;
      Push(InputEvent{});  // the host's window is gone
    }
    MSG msg;
    while (events_.empty() && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_NOYIELD) != FALSE) {
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
  // A console's request sets the wake event a moment before the program's
  // handler notes it: for a second after one, short waits find the note.
  // The wake event resets itself as the wait takes it.
  DWORD ms = static_cast<DWORD>(std::max(timeout_ms, 0));
  if (ConsoleEventRecent()) ms = std::min<DWORD>(ms, 10);
  const DWORD n = wake_ != nullptr ? 1 : 0;
  const DWORD woke = MsgWaitForMultipleObjectsEx(n, n != 0 ? &wake_ : nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  // Ended by the wake event (a tick): the frame that follows is drawn
  // without a look at the queue first, which saves a trip to the system on
  // every tick. A message that came with the tick waits for the poll after
  // that frame; the wait after it would not sleep on it either
  // (MWMO_INPUTAVAILABLE).
  skip_next_peek_ = n != 0 && woke == WAIT_OBJECT_0;
}

void Win32Backend::WakeWait() {
  if (wake_ != nullptr) SetEvent(wake_);
}

}  // namespace sandloop::display::win32
