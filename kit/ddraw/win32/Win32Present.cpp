// Presenting pages on Windows through GDI: each page is converted (with
// the software ramp) into a kept 32-bit copy, and the whole copy or only
// the changed rectangles go to the window with SetDIBitsToDevice, or the
// whole copy with StretchDIBits where the window's size differs from the
// page's. Without vertical sync the presents are paced to the refresh rate.
#include <algorithm>

#include "kit/ddraw/win32/Win32BackendClass.h"

namespace sandloop::display::win32 {

HWND Win32Backend::PresentWindow() const {
  if (target_.kind == DisplayTarget::Kind::Hosted) return ToHwnd(target_.foreign);
  return exclusive_;
}

// Rows [y, y + h) of the kept page, columns [x, x + w), to the same place
// of the window. The rows are handed over as a band of their own, so that
// the DIB's top-down row order needs no arithmetic of GDI's.
void Win32Backend::PutRect(HDC dc, int x, int y, int w, int h) {
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bmi.bmiHeader.biWidth = kept_width_;
  bmi.bmiHeader.biHeight = -h;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  const std::uint8_t* band = kept_.data() + static_cast<std::size_t>(y) * kept_width_ * 4;
  SetDIBitsToDevice(dc, x, y, static_cast<DWORD>(w), static_cast<DWORD>(h), x, 0, 0, static_cast<UINT>(h), band, &bmi,
                    DIB_RGB_COLORS);
}

Status Win32Backend::Present(const PageView& page, const Ramp* ramp) { return PresentRects(page, ramp, nullptr, -1); }

Status Win32Backend::PresentRects(const PageView& page, const Ramp* ramp, const Rect* rects, int count) {
  HWND hwnd = PresentWindow();
  if (target_.kind == DisplayTarget::Kind::Hosted) {
    if (!IsWindow(hwnd)) return Status::Ok;  // gone: the loop is told to quit
  } else if (hwnd == nullptr) {
    return Status::NoExclusiveMode;
  }
  const RampTables* t = ramp_tables_.For(ramp);
  RECT client{0, 0, page.width, page.height};
  GetClientRect(hwnd, &client);
  const bool same_size = client.right == page.width && client.bottom == page.height;
  const int pitch = page.width * 4;
  const bool whole = rects == nullptr || count < 0 || repaint_ || !same_size || kept_width_ != page.width ||
                     kept_height_ != page.height;
  if (kept_width_ != page.width || kept_height_ != page.height) {
    kept_.assign(static_cast<std::size_t>(pitch) * page.height, 0);
    kept_width_ = page.width;
    kept_height_ = page.height;
  }
  HDC dc = GetDC(hwnd);
  if (dc == nullptr) return Status::SurfaceLost;
  if (whole) {
    ConvertPage(page, kept_.data(), pitch, t);
    if (same_size) {
      PutRect(dc, 0, 0, page.width, page.height);
    } else {
      BITMAPINFO bmi{};
      bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
      bmi.bmiHeader.biWidth = page.width;
      bmi.bmiHeader.biHeight = -page.height;
      bmi.bmiHeader.biPlanes = 1;
      bmi.bmiHeader.biBitCount = 32;
      bmi.bmiHeader.biCompression = BI_RGB;
      SetStretchBltMode(dc, COLORONCOLOR);
      StretchDIBits(dc, 0, 0, client.right, client.bottom, 0, 0, page.width, page.height, kept_.data(), &bmi,
                    DIB_RGB_COLORS, SRCCOPY);
    }
    repaint_ = false;
  } else {
    for (int i = 0; i < count; ++i) {
      const Rect& r = rects[i];
      ConvertPage(SubPage(page, r), kept_.data() + static_cast<std::size_t>(r.top) * pitch + r.left * 4, pitch, t);
      PutRect(dc, r.left, r.top, r.right - r.left, r.bottom - r.top);
    }
  }
  ReleaseDC(hwnd, dc);
  GdiFlush();
  pacer_.Wait(refresh_);
  return Status::Ok;
}

}  // namespace sandloop::display::win32
