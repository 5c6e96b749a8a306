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
//                               PPM), checks the picture's window (over the
//                               whole client area, visible) and, except
//                               under Wine, its pixels: none of the host's
//                               own ground, and the corners those of
//                               PREV_BITMAP's (exit 2 when either is
//                               wrong), and destroys the window;
//   win_tool owner TITLE        makes a window, brings it to the foreground,
//                               prints its handle, waits for a window of
//                               that title (up to 20 s) and checks that it
//                               is owned by ours, centred on it, and that
//                               ours is disabled; then closes it and checks
//                               that ours is enabled again (exit 2 when a
//                               check fails);
//   win_tool run S PROGRAM [ARGS...]
//                               runs PROGRAM and waits up to S seconds for
//                               it to end, watching for any visible
//                               top-level window of it (a message box);
//                               prints its exit code and the windows'
//                               titles; exit 0 when it ended without one,
//                               3 when one showed, 4 when it did not end
//                               (it is ended in both cases).
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
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

// The host's own ground: a colour that the preview picture has nowhere.
constexpr COLORREF kHostGround = RGB(0xFF, 0x00, 0xFF);

LRESULT CALLBACK HostProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_ERASEBKGND) {
    RECT r;
    GetClientRect(h, &r);
    HBRUSH brush = CreateSolidBrush(kHostGround);
    FillRect(reinterpret_cast<HDC>(w), &r, brush);
    DeleteObject(brush);
    return 1;
  }
  return DefWindowProcW(h, m, w, l);
}

// The mean of one channel (`shift` 16, 8 or 0) over a block of w x h pixels
// at (x0, y0) of rows `stride` pixels wide.
double Mean(const std::vector<std::uint32_t>& pixels, int stride, int x0, int y0, int w, int h, int shift) {
  double sum = 0;
  for (int y = y0; y < y0 + h; ++y)
    for (int x = x0; x < x0 + w; ++x) sum += (pixels[static_cast<std::size_t>(y) * stride + x] >> shift) & 0xFF;
  return sum / (w * h);
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
    // No pixel of the host's ground, and each corner's 8 x 6 pixels of the
    // picture where the picture, scaled to the client area, puts them.
    const std::uint32_t ground_rgb = GetRValue(kHostGround) << 16 | GetGValue(kHostGround) << 8 | GetBValue(kHostGround);
    int ground = 0;
    for (std::uint32_t p : shown) ground += p == ground_rgb;
    const int cw = (8 * w + bm.bmWidth - 1) / bm.bmWidth, ch = (6 * h + bm.bmHeight - 1) / bm.bmHeight;
    double worst = 0;
    for (int shift : {16, 8, 0}) {
      worst = std::max(worst, std::abs(Mean(shown, w, 0, 0, cw, ch, shift) - Mean(want, bm.bmWidth, 0, 0, 8, 6, shift)));
      worst = std::max(worst, std::abs(Mean(shown, w, w - cw, h - ch, cw, ch, shift) -
                                       Mean(want, bm.bmWidth, bm.bmWidth - 8, bm.bmHeight - 6, 8, 6, shift)));
    }
    // The picture's window: over the host's whole client area, still there
    // after the repaint.
    HWND child = GetWindow(host, GW_CHILD);
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, host, reinterpret_cast<POINT*>(&r), 2);
    RECT client{};
    GetClientRect(host, &client);
    std::printf("preview window %ld,%ld %ldx%ld in a client area of %ldx%ld, visible %d; %d pixels of the host's "
                "ground, corners off PREV_BITMAP's by %.1f\n",
                r.left, r.top, r.right - r.left, r.bottom - r.top, client.right, client.bottom,
                IsWindowVisible(child) ? 1 : 0, ground, worst);
    if (EqualRect(&r, &client) == FALSE || !IsWindowVisible(child)) status = 2;
    // Wine (8.0) keeps a window's pixels per process, so what another
    // process draws into this window never shows there; on Windows it does.
    if ((ground != 0 || worst > 12) && !RunningUnderWine()) status = 2;
  }
  DestroyWindow(host);
  Pump(200);
  return status;
}

// Waits up to 20 s for a top-level window of that title, running this
// thread's messages meanwhile (another program may send ours some).
HWND PumpUntilWindow(const char* title) {
  for (int i = 0; i < 200; ++i) {
    if (HWND w = FindWindowA(nullptr, title)) return w;
    Pump(100);
  }
  std::fprintf(stderr, "win_tool: no window \"%s\"\n", title);
  return nullptr;
}

int Owner(const char* title) {
  HWND self = CreateWindowExW(0, L"STATIC", L"settings owner", WS_POPUP | WS_VISIBLE | WS_BORDER, 212, 184, 600, 400,
                              nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  SetForegroundWindow(self);
  Pump(300);
  std::printf("%llu\n", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(self)));
  std::fflush(stdout);
  HWND dialog = PumpUntilWindow(title);
  if (dialog == nullptr) return 1;
  Pump(500);
  RECT r{};
  GetWindowRect(dialog, &r);
  const bool owned = GetWindow(dialog, GW_OWNER) == self;
  const bool disabled = IsWindowEnabled(self) == FALSE;
  const long dx = (r.left + r.right) / 2 - 512, dy = (r.top + r.bottom) / 2 - 384;
  const bool centred = std::labs(dx) <= 2 && std::labs(dy) <= 2;
  PostMessageW(dialog, WM_CLOSE, 0, 0);
  for (int i = 0; i < 200 && IsWindow(dialog); ++i) Pump(100);
  const bool enabled_again = IsWindowEnabled(self) != FALSE;
  std::printf("owned by ours %d, centred on it %d (off by %ld,%ld), ours disabled %d, enabled after %d\n",
              owned ? 1 : 0, centred ? 1 : 0, dx, dy, disabled ? 1 : 0, enabled_again ? 1 : 0);
  DestroyWindow(self);
  return owned && centred && disabled && enabled_again ? 0 : 2;
}

int Run(int seconds, int argc, char** argv) {
  std::string command;
  for (int i = 0; i < argc; ++i) command += std::string(i ? " \"" : "\"") + argv[i] + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    std::fprintf(stderr, "win_tool: cannot start %s\n", command.c_str());
    return 1;
  }
  struct Seen {
    DWORD pid;
    std::vector<std::string> titles;
  } seen{process.dwProcessId, {}};
  const DWORD start = GetTickCount();
  bool ended = false;
  while (!ended && seen.titles.empty() && GetTickCount() - start < static_cast<DWORD>(seconds) * 1000) {
    EnumWindows(
        [](HWND w, LPARAM data) {
          auto* s = reinterpret_cast<Seen*>(data);
          DWORD pid = 0;
          GetWindowThreadProcessId(w, &pid);
          if (pid != s->pid || !IsWindowVisible(w)) return TRUE;
          char title[256] = {};
          GetWindowTextA(w, title, sizeof title);
          if (std::find(s->titles.begin(), s->titles.end(), title) == s->titles.end()) s->titles.push_back(title);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&seen));
    ended = WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0;
  }
  DWORD code = 0;
  if (!ended) TerminateProcess(process.hProcess, 1);
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  std::printf("%s after %lu ms with exit code %lu; windows:", ended ? "ended" : "ended by win_tool",
              static_cast<unsigned long>(GetTickCount() - start), static_cast<unsigned long>(code));
  for (const std::string& t : seen.titles) std::printf(" \"%s\"", t.c_str());
  std::printf("%s\n", seen.titles.empty() ? " none" : "");
  if (!seen.titles.empty()) return 3;
  return ended ? 0 : 4;
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
  if (what == "owner" && argc == 3) return Owner(argv[2]);
  if (what == "run" && argc >= 4) return Run(std::atoi(argv[2]), argc - 3, argv + 3);
  std::fprintf(stderr,
               "usage: win_tool close TITLE | click TITLE TEXT | pages TITLE | page TITLE N | gone TITLE |\n"
               "       host W H FILE | owner TITLE | run SECONDS PROGRAM [ARGS...]\n");
  return 64;
}
