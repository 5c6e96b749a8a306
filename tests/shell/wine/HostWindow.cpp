#include "tests/shell/wine/HostWindow.h"

#include <windows.h>

namespace sandloop::test {

namespace {

struct Host {
  COLORREF ground;
  HostPixels* seen;
};

// The window's client area as the screen shows it.
void Grab(HWND hwnd, HostPixels* seen) {
  RECT r, child_rect;
  GetClientRect(hwnd, &r);
  seen->width = r.right;
  seen->height = r.bottom;
  seen->pixels.assign(static_cast<std::size_t>(r.right) * r.bottom, 0);
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bmi.bmiHeader.biWidth = r.right;
  bmi.bmiHeader.biHeight = -r.bottom;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  HDC dc = GetDC(hwnd);
  HDC mem = CreateCompatibleDC(dc);
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(dc, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, dib);
  BitBlt(mem, 0, 0, r.right, r.bottom, dc, 0, 0, SRCCOPY);
  GdiFlush();
  const auto* p = static_cast<const std::uint32_t*>(bits);
  for (std::size_t i = 0; i < seen->pixels.size(); ++i) seen->pixels[i] = p[i] & 0xFFFFFF;
  SelectObject(mem, old);
  DeleteObject(dib);
  DeleteDC(mem);
  ReleaseDC(hwnd, dc);
  if (HWND child = GetWindow(hwnd, GW_CHILD)) {
    GetWindowRect(child, &child_rect);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&child_rect), 2);
    seen->child_covers_client = EqualRect(&r, &child_rect) != FALSE;
  }
}

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* host = reinterpret_cast<Host*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (message) {
    case WM_NCCREATE:
      SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams));
      break;
    case WM_ERASEBKGND: {
      RECT r;
      GetClientRect(hwnd, &r);
      HBRUSH brush = CreateSolidBrush(host->ground);
      FillRect(reinterpret_cast<HDC>(wparam), &r, brush);
      DeleteObject(brush);
      return 1;
    }
    case WM_TIMER:
      KillTimer(hwnd, wparam);
      Grab(hwnd, host->seen);
      DestroyWindow(hwnd);
      return 0;
    case WM_NCDESTROY:
      delete host;
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace

std::uintptr_t MakeHost(int w, int h, std::uint32_t ground, unsigned after_ms, HostPixels* seen) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = HostProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"SandloopTestPreviewHost";
  RegisterClassW(&wc);
  const COLORREF ground_ref = RGB((ground >> 16) & 0xFF, (ground >> 8) & 0xFF, ground & 0xFF);
  HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"preview host", WS_POPUP | WS_VISIBLE, 0, 0, w, h, nullptr,
                              nullptr, wc.hInstance, new Host{ground_ref, seen});
  if (hwnd == nullptr) return 0;
  SetTimer(hwnd, 1, after_ms, nullptr);
  return reinterpret_cast<std::uintptr_t>(hwnd);
}

}  // namespace sandloop::test
