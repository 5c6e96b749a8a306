// Start and end of the Windows back end, its window classes, message boxes
// and the system's screen-saver state.
#include "kit/ddraw/win32/Win32Backend.h"

#include "kit/ddraw/win32/Win32BackendClass.h"

namespace sandloop::display::win32 {

namespace {

constexpr wchar_t kFormClass[] = L"SandloopForm";
constexpr wchar_t kCoverClass[] = L"SandloopCover";
constexpr wchar_t kPictureClass[] = L"SandloopPicture";

LRESULT CALLBACK WindowProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32Backend*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(hwnd, message, wparam, lparam);
  return self->Handle(hwnd, message, wparam, lparam);
}

// Pixel sizes are the monitors' own, not scaled by the system: the scene
// must cover a 3840 x 2160 monitor at 150 % with 3840 x 2160 pixels. The
// manifest asks for the same; the call covers a program started without it
// and is looked up by name, as systems before Windows 10 lack it.
void AskPerMonitorDpi() {
  HMODULE user = GetModuleHandleW(L"user32.dll");
  if (user == nullptr) return;
  using SetContext = BOOL(WINAPI*)(HANDLE);
  auto set = reinterpret_cast<SetContext>(reinterpret_cast<void*>(GetProcAddress(user, "SetProcessDpiAwarenessContext")));
  if (set != nullptr && set(reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-4)))) return;  // per monitor, version 2
  using SetAware = BOOL(WINAPI*)();
  auto aware = reinterpret_cast<SetAware>(reinterpret_cast<void*>(GetProcAddress(user, "SetProcessDPIAware")));
  if (aware != nullptr) aware();
}

}  // namespace

const wchar_t* FormClassName() { return kFormClass; }
const wchar_t* CoverClassName() { return kCoverClass; }
const wchar_t* PictureClassName() { return kPictureClass; }

bool Win32Backend::Start(std::string* why) {
  AskPerMonitorDpi();
  instance_ = GetModuleHandleW(nullptr);
  for (const wchar_t* name : {kFormClass, kCoverClass, kPictureClass}) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = WindowProcedure;
    wc.hInstance = instance_;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(1));
    wc.lpszClassName = name;
    if (RegisterClassExW(&wc) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
      *why = "the window class cannot be registered (error " + std::to_string(GetLastError()) + ")";
      return false;
    }
  }
  wake_ = WakeOnConsoleEvents();
  return true;
}

// Sleeps of the pacing and of the frame timer's thread last 1 ms, not the
// system's default 15.6 ms, while the full-screen saver is shown and can
// be seen. Nowhere else: the period costs every waiting thread of the
// system wake-ups (of this process only, from Windows 10 2004 on), and the
// settings, the preview and a resting saver do not need it.
void Win32Backend::UpdateTimerPeriod() {
  const bool want = exclusive_ != nullptr && target_.kind == DisplayTarget::Kind::FullScreen && !DisplayAsleep();
  if (want && !timer_period_) {
    timer_period_ = timeBeginPeriod(1) == TIMERR_NOERROR;
  } else if (!want && timer_period_) {
    timeEndPeriod(1);
    timer_period_ = false;
  }
}

Win32Backend::~Win32Backend() {
  StopSound();
  if (saver_running_) SetSaverRunning(false);
  EndExclusive();
  UnwatchAllScreens();
  // Windows that outlive the back end must not call into it any more.
  std::vector<HWND> left;
  for (const auto& [hwnd, picture] : pictures_) left.push_back(hwnd);
  for (const auto& [hwnd, title] : forms_) left.push_back(hwnd);
  pictures_.clear();
  forms_.clear();
  for (HWND hwnd : left) {
    if (!IsWindow(hwnd)) continue;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    ::DestroyWindow(hwnd);
  }
}

void Win32Backend::ShowMessage(WindowId owner, const std::string& text, const std::string& caption) {
  // Nothing may pop up over the settings' preview.
  if (target_.kind == DisplayTarget::Kind::Hosted) {
    EchoMessage(text, caption);
    return;
  }
  HWND parent = IsWindow(ToHwnd(owner)) ? ToHwnd(owner) : nullptr;
  MessageBoxA(parent, text.c_str(), caption.c_str(), MB_OK);
}

// Only the full-screen saver tells the system; hosted or in a window the
// state is kept, nothing more. Nothing is held off: the saver runs because
// the session is idle, so the display's power saving, the lock and sleep
// come at their times (and the scene rests while the screen is unseen).
bool Win32Backend::SetSaverRunning(bool running) {
  const bool before = saver_running_;
  saver_running_ = running;
  if (target_.kind != DisplayTarget::Kind::FullScreen) return before;
  BOOL old = FALSE;
  SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, running ? TRUE : FALSE, &old, 0);
  return before;
}

// The system's own cursor count moves with ours, one step per crossing.
void Win32Backend::SetCursorVisible(bool visible) {
  if (target_.kind != DisplayTarget::Kind::FullScreen) return;
  ::ShowCursor(visible ? TRUE : FALSE);
}

}  // namespace sandloop::display::win32

namespace sandloop::display {

std::shared_ptr<Backend> CreateWin32Backend(std::string* why) { return StartBackend<win32::Win32Backend>(why); }

}  // namespace sandloop::display
