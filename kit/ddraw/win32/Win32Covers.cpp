// The further monitors on Windows: the monitors as the system lists them,
// the primary first, and the pages composed for them, shown on the black
// covers over them (Win32Window.cpp makes the covers). Each cover keeps
// its converted page for WM_PAINT and for presents of changed parts, as
// the main window does; a cover's present never waits for the display.
#include <algorithm>

#include "kit/ddraw/win32/Win32BackendClass.h"

namespace sandloop::display::win32 {

namespace {

struct MonitorList {
  std::vector<Monitor> others;
  Monitor primary;
  bool have_primary = false;
};

}  // namespace

// In the system's order, the primary moved first. The primary's top-left
// corner is the desktop's 0, 0 on Windows, so the rectangles are taken as
// they are. The process is aware of every monitor's own scale, so the
// sizes are the monitors' pixels.
std::vector<Monitor> Win32Backend::Monitors() {
  if (target_.kind != DisplayTarget::Kind::FullScreen) return Backend::Monitors();
  MonitorList list;
  EnumDisplayMonitors(
      nullptr, nullptr,
      [](HMONITOR monitor, HDC, LPRECT, LPARAM out) -> BOOL {
        auto* l = reinterpret_cast<MonitorList*>(out);
        MONITORINFO info{};
        info.cbSize = sizeof info;
        if (GetMonitorInfoW(monitor, &info) == 0) return TRUE;
        const RECT& r = info.rcMonitor;
        const Monitor m{Rect{r.left, r.top, r.right, r.bottom}, DisplayMode{r.right - r.left, r.bottom - r.top, 32}};
        if ((info.dwFlags & MONITORINFOF_PRIMARY) != 0) {
          l->primary = m;
          l->have_primary = true;
        } else {
          l->others.push_back(m);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&list));
  if (!list.have_primary) return Backend::Monitors();
  std::vector<Monitor> out{list.primary};
  out.insert(out.end(), list.others.begin(), list.others.end());
  return out;
}

Status Win32Backend::PresentMonitor(int index, const PageView& page, const Ramp* ramp, const Rect* rects, int count) {
  if (exclusive_ == nullptr) return Status::NoExclusiveMode;
  const std::vector<Monitor> monitors = Monitors();
  if (index < 1 || index >= static_cast<int>(monitors.size())) return Status::InvalidParams;
  const Rect& want = monitors[static_cast<std::size_t>(index)].bounds;
  HWND cover = nullptr;
  for (HWND c : covers_) {
    RECT r{};
    if (GetWindowRect(c, &r) && r.left == want.left && r.top == want.top && r.right == want.right &&
        r.bottom == want.bottom)
      cover = c;
  }
  if (cover == nullptr) return Status::InvalidParams;  // not covered (yet): the next change covers it
  CoverPage& kept = cover_pages_[cover];
  const RampTables* t = ramp_tables_.For(ramp);
  RECT client{0, 0, page.width, page.height};
  GetClientRect(cover, &client);
  const bool same_size = client.right == page.width && client.bottom == page.height;
  const int pitch = page.width * 4;
  const bool whole = rects == nullptr || count < 0 || kept.repaint || !same_size || kept.width != page.width ||
                     kept.height != page.height;
  if (kept.width != page.width || kept.height != page.height) {
    kept.pixels.assign(static_cast<std::size_t>(pitch) * page.height, 0);
    kept.width = page.width;
    kept.height = page.height;
  }
  HDC dc = GetDC(cover);
  if (dc == nullptr) return Status::SurfaceLost;
  if (whole) {
    ConvertPage(page, kept.pixels.data(), pitch, t);
    const BITMAPINFO bmi = Dib(page.width, page.height);
    if (same_size) {
      SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(page.width), static_cast<DWORD>(page.height), 0, 0, 0,
                        static_cast<UINT>(page.height), kept.pixels.data(), &bmi, DIB_RGB_COLORS);
    } else {
      SetStretchBltMode(dc, COLORONCOLOR);
      StretchDIBits(dc, 0, 0, client.right, client.bottom, 0, 0, page.width, page.height, kept.pixels.data(), &bmi,
                    DIB_RGB_COLORS, SRCCOPY);
    }
    kept.repaint = false;
  } else {
    for (int i = 0; i < count; ++i) {
      const Rect& r = rects[i];
      const int h = r.bottom - r.top;
      std::uint8_t* band = kept.pixels.data() + static_cast<std::size_t>(r.top) * pitch;
      ConvertPage(SubPage(page, r), band + r.left * 4, pitch, t);
      const BITMAPINFO bmi = Dib(page.width, h);
      SetDIBitsToDevice(dc, r.left, r.top, static_cast<DWORD>(r.right - r.left), static_cast<DWORD>(h), r.left, 0, 0,
                        static_cast<UINT>(h), band, &bmi, DIB_RGB_COLORS);
    }
  }
  ReleaseDC(cover, dc);
  return Status::Ok;
}

// A cover's repaint: its kept page, or black before the first one.
bool Win32Backend::PaintCover(HWND hwnd) {
  const auto it = cover_pages_.find(hwnd);
  if (it == cover_pages_.end() || it->second.pixels.empty()) return false;
  const CoverPage& kept = it->second;
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT client;
  GetClientRect(hwnd, &client);
  const BITMAPINFO bmi = Dib(kept.width, kept.height);
  SetStretchBltMode(dc, COLORONCOLOR);
  StretchDIBits(dc, 0, 0, client.right, client.bottom, 0, 0, kept.width, kept.height, kept.pixels.data(), &bmi,
                DIB_RGB_COLORS, SRCCOPY);
  EndPaint(hwnd, &ps);
  return true;
}

}  // namespace sandloop::display::win32
