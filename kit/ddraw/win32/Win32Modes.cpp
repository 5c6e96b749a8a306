// Display modes and exclusive use on Windows: the primary monitor's modes
// as the system lists them, the desktop's own mode without a change, other
// sizes through a temporary mode change that the system undoes when the
// process ends, and the window placed topmost over the primary monitor.
// The page's depth is converted when presented, so the display's own depth
// is never changed.
#include <algorithm>

#include "kit/ddraw/win32/Win32BackendClass.h"

namespace sandloop::display::win32 {

namespace {

RECT PrimaryMonitorRect() {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  const POINT origin{0, 0};
  if (GetMonitorInfoW(MonitorFromPoint(origin, MONITOR_DEFAULTTOPRIMARY), &info) == 0)
    return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  return info.rcMonitor;
}

}  // namespace

std::vector<DisplayMode> Win32Backend::DoModes() {
  std::vector<DisplayMode> out;
  DEVMODEW dm{};
  dm.dmSize = sizeof dm;
  for (DWORD i = 0; EnumDisplaySettingsW(nullptr, i, &dm) != FALSE; ++i)
    if (dm.dmPelsWidth > 0 && dm.dmPelsHeight > 0)
      AddAtEveryDepth(&out, static_cast<int>(dm.dmPelsWidth), static_cast<int>(dm.dmPelsHeight));
  const DisplayMode desk = MonitorMode();
  AddAtEveryDepth(&out, desk.width, desk.height);
  return out;
}

DisplayMode Win32Backend::DesktopMode() {
  using Kind = DisplayTarget::Kind;
  if (target_.kind == Kind::Hosted) {
    RECT r{0, 0, 1, 1};
    GetClientRect(ToHwnd(target_.foreign), &r);
    return {std::max<int>(r.right, 1), std::max<int>(r.bottom, 1), 32};
  }
  if (target_.kind == Kind::Window) {
    RECT r{0, 0, target_.width, target_.height};
    if (exclusive_ != nullptr && own_window_placed_) GetClientRect(exclusive_, &r);
    return {std::max<int>(r.right, 1), std::max<int>(r.bottom, 1), 32};
  }
  return MonitorMode();
}

DisplayMode Win32Backend::MonitorMode() {
  const RECT r = PrimaryMonitorRect();
  return {r.right - r.left, r.bottom - r.top, 32};
}

int Win32Backend::MonitorCount() {
  if (target_.kind == DisplayTarget::Kind::Hosted) return 1;
  return std::max(GetSystemMetrics(SM_CMONITORS), 1);
}

int Win32Backend::RefreshRate() const {
  DEVMODEW dm{};
  dm.dmSize = sizeof dm;
  if (EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &dm) != FALSE && dm.dmDisplayFrequency > 1)
    return static_cast<int>(dm.dmDisplayFrequency);
  return 60;
}

Status Win32Backend::BeginExclusive(WindowId window) {
  HWND hwnd = ToHwnd(window);
  if (forms_.count(hwnd) == 0) return Status::InvalidParams;
  exclusive_ = hwnd;
  repaint_ = true;
  UpdateTimerPeriod();
  return Status::Ok;
}

// The exclusive window topmost over the primary monitor and the black
// covers over the others, as the monitors are now.
void Win32Backend::PlaceFullScreen() {
  const RECT r = PrimaryMonitorRect();
  SetWindowLongPtrW(exclusive_, GWL_STYLE, WS_POPUP);
  SetWindowLongPtrW(exclusive_, GWL_EXSTYLE, WS_EX_TOPMOST | WS_EX_APPWINDOW);
  SetWindowPos(exclusive_, HWND_TOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top,
               SWP_SHOWWINDOW | SWP_FRAMECHANGED | SWP_NOACTIVATE);
  CoverOtherMonitors();
  // Above the covers: a monitor that overlaps the primary one shows the
  // scene's window there.
  SetWindowPos(exclusive_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  refresh_ = RefreshRate();
  repaint_ = true;
  full_screen_placed_ = true;
}

Status Win32Backend::DoSetMode(const DisplayMode& mode) {
  if (target_.kind != DisplayTarget::Kind::FullScreen) {
    // Hosted or in a window: the size is the page's; no switch.
    if (target_.kind == DisplayTarget::Kind::Window) ShowOwnWindow();
    mode_ = mode;
    repaint_ = true;
    return Status::Ok;
  }
  DisplayMode desk = MonitorMode();
  if (mode_changed_ && (mode.width != desk.width || mode.height != desk.height)) {
    ChangeDisplaySettingsExW(nullptr, nullptr, nullptr, 0, nullptr);
    mode_changed_ = false;
    desk = MonitorMode();
  }
  if (mode.width != desk.width || mode.height != desk.height) {
    DEVMODEW dm{};
    dm.dmSize = sizeof dm;
    dm.dmPelsWidth = static_cast<DWORD>(mode.width);
    dm.dmPelsHeight = static_cast<DWORD>(mode.height);
    dm.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    if (ChangeDisplaySettingsExW(nullptr, &dm, nullptr, CDS_FULLSCREEN, nullptr) != DISP_CHANGE_SUCCESSFUL)
      return Status::InvalidMode;
    mode_changed_ = true;
  }
  PlaceFullScreen();
  SetForegroundWindow(exclusive_);
  SetFocus(exclusive_);
  mode_ = mode;
  return Status::Ok;
}

void Win32Backend::EndExclusive() {
  // From here on neither a display change (the mode given back below among
  // them) places the window again nor does a loss of activation end a run.
  full_screen_placed_ = false;
  UncoverOtherMonitors();
  if (exclusive_ != nullptr && IsWindow(exclusive_)) ShowWindow(exclusive_, SW_HIDE);
  if (mode_changed_) ChangeDisplaySettingsExW(nullptr, nullptr, nullptr, 0, nullptr);
  mode_changed_ = false;
  exclusive_ = nullptr;
  repaint_ = true;
  UpdateTimerPeriod();
}

}  // namespace sandloop::display::win32
