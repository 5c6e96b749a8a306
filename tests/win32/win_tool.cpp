// A small Windows program for the real-window checks under Wine:
//   win_tool close TITLE        posts WM_CLOSE to the top-level window of
//                               that title (waits up to 20 s for it);
//   win_tool click TITLE TEXT   clicks the control captioned TEXT in that
//                               window (a link's or a button's);
//   win_tool pages TITLE        prints the number of pages of its tab
//                               control;
//   win_tool page TITLE N       shows page N as a click on its tab would;
//   win_tool gone TITLE         waits up to 20 s for that window to close;
//   win_tool host W H FILE      makes a W x H window at (0, 0), as the
//                               system's settings make the preview window,
//                               prints its handle, waits until a child
//                               window appears in it (up to 20 s) and then
//                               1 s more, repaints itself with its children,
//                               writes its client area to FILE (binary
//                               PPM), checks the picture's window (at the
//                               corner, of PREV_BITMAP's size) and, except
//                               under Wine, its pixels against PREV_BITMAP
//                               (exit 2 when either is wrong), and destroys
//                               the window.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void Pump(DWORD ms) {
  const DWORD until = GetTickCount() + ms;
  while (static_cast<LONG>(until - GetTickCount()) > 0) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

// The pixels of a device context's w x h corner as 0x00RRGGBB.
std::vector<std::uint32_t> Grab(HDC dc, int w, int h) {
  HDC mem = CreateCompatibleDC(dc);
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bmi.bmiHeader.biWidth = w;
  bmi.bmiHeader.biHeight = -h;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(dc, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, dib);
  BitBlt(mem, 0, 0, w, h, dc, 0, 0, SRCCOPY);
  GdiFlush();
  std::vector<std::uint32_t> out(static_cast<const std::uint32_t*>(bits), static_cast<const std::uint32_t*>(bits) + w * h);
  for (auto& p : out) p &= 0xFFFFFF;
  SelectObject(mem, old);
  DeleteObject(dib);
  DeleteDC(mem);
  return out;
}

bool RunningUnderWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

int Close(const char* title) {
  for (int i = 0; i < 200; ++i) {
    if (HWND w = FindWindowA(nullptr, title)) {
      PostMessageW(w, WM_CLOSE, 0, 0);
      return 0;
    }
    Sleep(100);
  }
  std::fprintf(stderr, "win_tool: no window \"%s\"\n", title);
  return 1;
}

HWND WaitForWindow(const char* title) {
  for (int i = 0; i < 200; ++i) {
    if (HWND w = FindWindowA(nullptr, title)) return w;
    Sleep(100);
  }
  std::fprintf(stderr, "win_tool: no window \"%s\"\n", title);
  return nullptr;
}

// The first descendant of `top` of class `kind` (any class: null) whose
// text is `text` (any text: null).
HWND FindChild(HWND top, const wchar_t* kind, const char* text) {
  struct Query {
    const wchar_t* kind;
    const char* text;
    HWND found;
  } query{kind, text, nullptr};
  EnumChildWindows(
      top,
      [](HWND child, LPARAM data) {
        auto* q = reinterpret_cast<Query*>(data);
        wchar_t name[64] = {};
        GetClassNameW(child, name, 64);
        char caption[512] = {};
        GetWindowTextA(child, caption, sizeof caption);
        if ((q->kind == nullptr || std::wstring(name) == q->kind) && (q->text == nullptr || std::string(caption) == q->text)) {
          q->found = child;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&query));
  return query.found;
}

int Click(const char* title, const char* text) {
  HWND top = WaitForWindow(title);
  if (top == nullptr) return 1;
  HWND button = FindChild(top, L"Button", text);
  if (button == nullptr) {
    std::fprintf(stderr, "win_tool: no button \"%s\"\n", text);
    return 1;
  }
  // Posted: the click may end the program that owns the window.
  PostMessageW(button, BM_CLICK, 0, 0);
  Pump(300);
  return 0;
}

int Pages(const char* title, int show) {
  HWND top = WaitForWindow(title);
  HWND tabs = top == nullptr ? nullptr : FindChild(top, L"SysTabControl32", nullptr);
  if (tabs == nullptr) return 1;
  if (show < 0) {
    std::printf("%ld\n", static_cast<long>(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0)));
    return 0;
  }
  SendMessageW(tabs, TCM_SETCURFOCUS, static_cast<WPARAM>(show), 0);
  Pump(500);
  return 0;
}

int Gone(const char* title) {
  for (int i = 0; i < 200; ++i) {
    if (FindWindowA(nullptr, title) == nullptr) return 0;
    Sleep(100);
  }
  std::fprintf(stderr, "win_tool: \"%s\" is still open\n", title);
  return 1;
}

LRESULT CALLBACK HostProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_ERASEBKGND) {
    RECT r;
    GetClientRect(h, &r);
    FillRect(reinterpret_cast<HDC>(w), &r, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    return 1;
  }
  return DefWindowProcW(h, m, w, l);
}

int Host(int w, int h, const char* file) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = HostProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"PreviewHost";
  RegisterClassW(&wc);
  HWND host = CreateWindowExW(0, L"PreviewHost", L"preview host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, w, h, nullptr, nullptr,
                              wc.hInstance, nullptr);
  std::printf("%llu\n", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(host)));
  std::fflush(stdout);
  int waited = 0;
  while (GetWindow(host, GW_CHILD) == nullptr && waited < 20000) {
    Pump(100);
    waited += 100;
  }
  if (GetWindow(host, GW_CHILD) == nullptr) {
    std::fprintf(stderr, "win_tool: nothing was drawn into the host\n");
    return 1;
  }
  Pump(1000);
  // The host repaints itself, as the settings' page does when it is shown
  // again: the preview must be drawn anew.
  RedrawWindow(host, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Pump(500);
  // From the screen: the picture is in a child window of another process,
  // which the host's own device context need not show.
  HDC dc = GetDC(nullptr);
  const std::vector<std::uint32_t> shown = Grab(dc, w, h);
  ReleaseDC(nullptr, dc);
  if (FILE* f = std::fopen(file, "wb")) {
    std::fprintf(f, "P6\n%d %d\n255\n", w, h);
    for (std::uint32_t p : shown) {
      const unsigned char rgb[3] = {static_cast<unsigned char>(p >> 16), static_cast<unsigned char>(p >> 8),
                                    static_cast<unsigned char>(p)};
      std::fwrite(rgb, 1, 3, f);
    }
    std::fclose(f);
  }
  int status = 0;
  HBITMAP preview = static_cast<HBITMAP>(LoadImageA(GetModuleHandleW(nullptr), "PREV_BITMAP", IMAGE_BITMAP, 0, 0,
                                                    LR_CREATEDIBSECTION));
  if (preview == nullptr) {
    std::fprintf(stderr, "win_tool: no PREV_BITMAP resource\n");
    status = 1;
  } else {
    BITMAP bm;
    GetObject(preview, sizeof bm, &bm);
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(mem, preview);
    const std::vector<std::uint32_t> want = Grab(mem, bm.bmWidth, bm.bmHeight);
    SelectObject(mem, old);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    int differ = 0;
    for (int y = 0; y < bm.bmHeight && y < h; ++y)
      for (int x = 0; x < bm.bmWidth && x < w; ++x)
        if (shown[static_cast<std::size_t>(y) * w + x] != want[static_cast<std::size_t>(y) * bm.bmWidth + x]) ++differ;
    // The picture's window: at the host's top-left corner, of the
    // picture's own size, still there after the repaint.
    HWND child = GetWindow(host, GW_CHILD);
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, host, reinterpret_cast<POINT*>(&r), 2);
    std::printf("preview window %ld,%ld %ldx%ld, visible %d; %d of its pixels differ from PREV_BITMAP\n", r.left,
                r.top, r.right - r.left, r.bottom - r.top, IsWindowVisible(child) ? 1 : 0, differ);
    if (r.left != 0 || r.top != 0 || r.right != bm.bmWidth || r.bottom != bm.bmHeight || !IsWindowVisible(child))
      status = 2;
    // Wine (8.0) keeps a window's pixels per process, so what another
    // process draws into this window never shows there; on Windows it does.
    if (differ != 0 && !RunningUnderWine()) status = 2;
  }
  DestroyWindow(host);
  Pump(200);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "";
  if (what == "close" && argc == 3) return Close(argv[2]);
  if (what == "click" && argc == 4) return Click(argv[2], argv[3]);
  if (what == "pages" && argc == 3) return Pages(argv[2], -1);
  if (what == "page" && argc == 4) return Pages(argv[2], std::atoi(argv[3]));
  if (what == "gone" && argc == 3) return Gone(argv[2]);
  if (what == "host" && argc == 5) return Host(std::atoi(argv[2]), std::atoi(argv[3]), argv[4]);
  std::fprintf(stderr, "usage: win_tool close TITLE | click TITLE TEXT | pages TITLE | page TITLE N | gone TITLE | host W H FILE\n");
  return 64;
}
