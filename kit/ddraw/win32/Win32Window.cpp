// Windows of the Windows back end: the program's forms, the black covers
// of the other monitors, still pictures kept drawn in another program's
// window, and the window procedure they share.
#include <algorithm>

#include "kit/ddraw/win32/Win32BackendClass.h"

namespace sandloop::display::win32 {

namespace {

std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(std::max(n, 0)), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

}  // namespace

BITMAPINFO Dib(int width, int height) {
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bmi.bmiHeader.biWidth = width;
  bmi.bmiHeader.biHeight = -height;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  return bmi;
}

WindowId Win32Backend::CreateFormWindow(const std::string& title) {
  // Hidden until exclusive use places it; the black class brush means
  // nothing of the desktop shows before the first present.
  HWND hwnd = CreateWindowExW(WS_EX_APPWINDOW, FormClassName(), Wide(title).c_str(), WS_POPUP, 0, 0, 1, 1, nullptr,
                              nullptr, instance_, this);
  if (hwnd == nullptr) return 0;
  forms_[hwnd] = title;
  WatchScreen(hwnd);
  return ToId(hwnd);
}

void Win32Backend::DestroyWindow(WindowId window) {
  HWND hwnd = ToHwnd(window);
  const auto it = forms_.find(hwnd);
  if (it == forms_.end()) return;  // not ours: never destroyed by us
  if (hwnd == exclusive_) EndExclusive();
  forms_.erase(it);
  if (IsWindow(hwnd)) ::DestroyWindow(hwnd);
}

bool Win32Backend::WindowExists(WindowId window) { return window != 0 && IsWindow(ToHwnd(window)) != FALSE; }

bool Win32Backend::IsWindowVisible(WindowId window) {
  return window != 0 && ::IsWindowVisible(ToHwnd(window)) != FALSE;
}

bool Win32Backend::IsCover(HWND hwnd) const { return std::find(covers_.begin(), covers_.end(), hwnd) != covers_.end(); }

// Into a window of ours the picture is drawn once. Into another program's
// window (the settings' preview) it goes into a child window of ours that
// repaints it whenever the host repaints, and that the system destroys
// with the host: the picture stays until the host's window goes.
bool Win32Backend::DrawToWindow(WindowId window, const Picture& picture, int x, int y) {
  HWND target = ToHwnd(window);
  if (picture.Empty() || !IsWindow(target)) return false;
  if (forms_.count(target) == 0) {
    HWND child = CreateWindowExW(0, PictureClassName(), L"", WS_CHILD | WS_VISIBLE | WS_DISABLED, x, y,
                                 picture.Width(), picture.Height(), target, nullptr, instance_, this);
    if (child == nullptr) return false;
    pictures_[child] = picture;
    InvalidateRect(child, nullptr, FALSE);
    UpdateWindow(child);
    return true;
  }
  HDC dc = GetDC(target);
  if (dc == nullptr) return false;
  const BITMAPINFO bmi = Dib(picture.Width(), picture.Height());
  SetDIBitsToDevice(dc, x, y, static_cast<DWORD>(picture.Width()), static_cast<DWORD>(picture.Height()), 0, 0, 0,
                    static_cast<UINT>(picture.Height()), picture.Row(0), &bmi, DIB_RGB_COLORS);
  ReleaseDC(target, dc);
  return true;
}

void Win32Backend::PaintPicture(HWND hwnd, const Picture& picture) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  const BITMAPINFO bmi = Dib(picture.Width(), picture.Height());
  SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(picture.Width()), static_cast<DWORD>(picture.Height()), 0, 0, 0,
                    static_cast<UINT>(picture.Height()), picture.Row(0), &bmi, DIB_RGB_COLORS);
  EndPaint(hwnd, &ps);
}

// The whole kept page, after the window lost its picture.
void Win32Backend::PaintKept(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT client;
  GetClientRect(hwnd, &client);
  const BITMAPINFO bmi = Dib(kept_width_, kept_height_);
  if (client.right == kept_width_ && client.bottom == kept_height_) {
    SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(kept_width_), static_cast<DWORD>(kept_height_), 0, 0, 0,
                      static_cast<UINT>(kept_height_), kept_.data(), &bmi, DIB_RGB_COLORS);
  } else {
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, 0, 0, client.right, client.bottom, 0, 0, kept_width_, kept_height_, kept_.data(), &bmi,
                  DIB_RGB_COLORS, SRCCOPY);
  }
  EndPaint(hwnd, &ps);
  repaint_ = false;
}

Status Win32Backend::DoSetTarget(const DisplayTarget& target) {
  using Kind = DisplayTarget::Kind;
  if (target.kind == Kind::Hosted && (target.foreign == 0 || !IsWindow(ToHwnd(target.foreign))))
    return Status::InvalidParams;
  target_ = target;
  host_quit_sent_ = false;
  repaint_ = true;
  return Status::Ok;
}

// The try-it window: an ordinary resizable window at its first size,
// centred on the primary monitor once; later the user's size is kept.
void Win32Backend::ShowOwnWindow() {
  if (exclusive_ == nullptr) return;
  SetWindowLongPtrW(exclusive_, GWL_STYLE, WS_OVERLAPPEDWINDOW);
  SetWindowLongPtrW(exclusive_, GWL_EXSTYLE, WS_EX_APPWINDOW);
  if (!own_window_placed_) {
    RECT r{0, 0, target_.width, target_.height};
    AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_APPWINDOW);
    const DisplayMode m = MonitorMode();
    const int w = r.right - r.left, h = r.bottom - r.top;
    SetWindowPos(exclusive_, HWND_NOTOPMOST, std::max(0, (m.width - w) / 2), std::max(0, (m.height - h) / 2), w, h,
                 SWP_FRAMECHANGED);
    own_window_placed_ = true;
  }
  ShowWindow(exclusive_, SW_SHOW);
  SetForegroundWindow(exclusive_);
  refresh_ = RefreshRate();
  repaint_ = true;
}

void Win32Backend::CoverOtherMonitors() {
  UncoverOtherMonitors();
  EnumDisplayMonitors(
      nullptr, nullptr,
      [](HMONITOR monitor, HDC, LPRECT, LPARAM self_param) -> BOOL {
        auto* self = reinterpret_cast<Win32Backend*>(self_param);
        MONITORINFO info{};
        info.cbSize = sizeof info;
        if (GetMonitorInfoW(monitor, &info) == 0 || (info.dwFlags & MONITORINFOF_PRIMARY) != 0) return TRUE;
        const RECT& r = info.rcMonitor;
        // Never the active window: the scene's window keeps the keys, and
        // taking a cover away never hands activation to another program.
        HWND cover = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, CoverClassName(), L"",
                                     WS_POPUP, r.left, r.top, r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                                     self->instance_, self);
        if (cover == nullptr) return TRUE;
        SetWindowPos(cover, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        self->covers_.push_back(cover);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(this));
}

void Win32Backend::UncoverOtherMonitors() {
  for (HWND cover : covers_)
    if (IsWindow(cover)) ::DestroyWindow(cover);
  covers_.clear();
  cover_pages_.clear();
}

LRESULT Win32Backend::Handle(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (const auto it = pictures_.find(hwnd); it != pictures_.end()) {
    if (message == WM_PAINT) {
      PaintPicture(hwnd, it->second);
      return 0;
    }
    if (message == WM_NCDESTROY) pictures_.erase(it);
    return DefWindowProcW(hwnd, message, wparam, lparam);
  }
  switch (message) {
    case WM_PAINT:
      if (hwnd == exclusive_ && !kept_.empty()) {
        PaintKept(hwnd);
        return 0;
      }
      if (IsCover(hwnd) && PaintCover(hwnd)) return 0;
      break;
    case WM_ERASEBKGND:
      if (hwnd == exclusive_ && !kept_.empty()) return 1;  // the page covers it all
      if (const auto it = cover_pages_.find(hwnd); it != cover_pages_.end() && !it->second.pixels.empty()) return 1;
      break;
    case WM_SIZE:
      repaint_ = true;
      InvalidateRect(hwnd, nullptr, FALSE);
      break;
    // Monitors came or went, or one has a new size: the scene's window and
    // the covers go over the monitors as they now are (also after a mode
    // switch of our own), and the next present shows the whole page.
    case WM_DISPLAYCHANGE:
      if (hwnd == exclusive_ && full_screen_placed_) {
        PlaceFullScreen();
        // The scenes of the further monitors follow.
        Push(InputEvent{InputEvent::Kind::MonitorsChanged, 0, 0, 0, 0, ToId(exclusive_)});
      }
      repaint_ = true;
      InvalidateRect(hwnd, nullptr, FALSE);
      break;
    case WM_ACTIVATEAPP:
      ActivateApp(hwnd, wparam, lparam);
      break;
    // The close button, Alt+F4, or another program's WM_CLOSE: the form's
    // quit request. The window stays until the program destroys it.
    case WM_CLOSE:
      Push(InputEvent{InputEvent::Kind::Quit, 0, 0, 0, 0, IsCover(hwnd) ? ToId(exclusive_) : ToId(hwnd)});
      return 0;
    // Log-off and shut-down: the saver ends in order while the system
    // waits for the answer, before it ends the process.
    case WM_QUERYENDSESSION:
      Push(InputEvent{InputEvent::Kind::Quit, 0, 0, 0, 0, ToId(exclusive_ != nullptr ? exclusive_ : hwnd)});
      return TRUE;
    case WM_ENDSESSION:
      if (wparam != FALSE && !quit_seen_)
        Push(InputEvent{InputEvent::Kind::Quit, 0, 0, 0, 0, ToId(exclusive_ != nullptr ? exclusive_ : hwnd)});
      return 0;
    case WM_SETCURSOR:
      if (CursorCount() < 0 && LOWORD(lparam) == HTCLIENT) {
        SetCursor(nullptr);
        return TRUE;
      }
      break;
    case WM_SYSCOMMAND:
      // The system's own saver does not start over ours.
      if (saver_running_ && (wparam & 0xFFF0) == SC_SCREENSAVE) return 0;
      break;
    case WM_POWERBROADCAST:
      PowerBroadcast(wparam, lparam);
      return TRUE;
    case WM_WTSSESSION_CHANGE:
      SessionChange(wparam);
      return 0;
    case WM_DESTROY:
      UnwatchScreen(hwnd);
      // A form destroyed by someone else ends the run like a close.
      if (forms_.count(hwnd) != 0) {
        forms_.erase(hwnd);
        if (hwnd == exclusive_) {
          exclusive_ = nullptr;
          Push(InputEvent{InputEvent::Kind::Quit, 0, 0, 0, 0, ToId(hwnd)});
        }
      }
      break;
    default:
      if (Translate(hwnd, message, wparam, lparam)) return 0;
      break;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace sandloop::display::win32
