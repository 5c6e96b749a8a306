// The Windows back end in real windows (under Wine in the test run): what
// reaches the screen through GDI, repaints from the kept page, only the
// changed parts going out, window messages as input events, the end of a
// session, the preview picture kept drawn in another program's window, and
// what the system says about the display's power and the session.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kit/Picture.h"
#include "tests/backends/win32/Win32Fixture.h"

namespace sandloop::display::win32 {
namespace {

// A 32-bit page filled with one colour (0x00RRGGBB).
struct Page {
  Page(int w, int h, std::uint32_t colour) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h + 1, colour) {}
  PageView View() const { return {reinterpret_cast<const std::uint8_t*>(pixels.data()), width, height, width * 4, 32}; }
  void Fill(const Rect& r, std::uint32_t colour) {
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) pixels[static_cast<std::size_t>(y) * width + x] = colour;
  }
  int width, height;
  std::vector<std::uint32_t> pixels;
};

// The colour a window shows at (x, y), as 0x00RRGGBB.
std::uint32_t ShownAt(HWND hwnd, int x, int y) {
  HDC dc = GetDC(hwnd);
  const COLORREF c = GetPixel(dc, x, y);
  ReleaseDC(hwnd, dc);
  return (static_cast<std::uint32_t>(GetRValue(c)) << 16) | (static_cast<std::uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
}

TEST_F(Win32BackendTest, FullScreenWindowIsTopmostAndCoversTheMonitor) {
  HWND hwnd = Open();
  ExpectOverPrimary(hwnd, backend->MonitorMode());
  EXPECT_NE(GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  EXPECT_EQ(GetWindowLongPtrW(hwnd, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME), 0);
  EXPECT_TRUE(backend->IsWindowVisible(form));
  backend->EndExclusive();
  EXPECT_FALSE(backend->IsWindowVisible(form));
}

TEST_F(Win32BackendTest, AFurtherMonitorShowsItsOwnPagesOnItsCover) {
  if (backend->MonitorCount() < 2) GTEST_SKIP() << "one monitor";
  Open();
  const std::vector<Monitor> monitors = backend->Monitors();
  ASSERT_EQ(monitors.size(), 2u);
  EXPECT_EQ(monitors[0].bounds.left, 0);  // the primary first, at the desktop's corner
  EXPECT_EQ(monitors[0].bounds.top, 0);
  EXPECT_EQ(monitors[0].mode.width, backend->MonitorMode().width);
  HWND cover = FindWindowW(CoverClassName(), nullptr);
  ASSERT_NE(cover, nullptr);
  const int w = monitors[1].mode.width, h = monitors[1].mode.height;
  Page page(w, h, 0x30A050);
  ASSERT_EQ(backend->PresentMonitor(1, page.View(), nullptr, nullptr, -1), Status::Ok);
  EXPECT_EQ(ShownAt(cover, 3, 3), 0x30A050u);
  // Changed parts only: the rest stays as shown.
  page.Fill(Rect{10, 10, 20, 20}, 0xC02040);
  const Rect part{10, 10, 20, 20};
  ASSERT_EQ(backend->PresentMonitor(1, page.View(), nullptr, &part, 1), Status::Ok);
  EXPECT_EQ(ShownAt(cover, 15, 15), 0xC02040u);
  EXPECT_EQ(ShownAt(cover, 3, 3), 0x30A050u);
  // A repaint shows the kept page, not black.
  InvalidateRect(cover, nullptr, TRUE);
  UpdateWindow(cover);
  EXPECT_EQ(ShownAt(cover, 15, 15), 0xC02040u);
  EXPECT_EQ(backend->PresentMonitor(2, page.View(), nullptr, nullptr, -1), Status::InvalidParams);
  backend->EndExclusive();
  EXPECT_EQ(backend->PresentMonitor(1, page.View(), nullptr, nullptr, -1), Status::NoExclusiveMode);
}

TEST_F(Win32BackendTest, OtherMonitorsAreBlackAndTheirInputIsTheScenes) {
  if (backend->MonitorCount() < 2) GTEST_SKIP() << "one monitor";
  HWND hwnd = Open();
  // The monitor other than the primary one, and the cover over it.
  RECT other{};
  EnumDisplayMonitors(
      nullptr, nullptr,
      [](HMONITOR monitor, HDC, LPRECT, LPARAM out) -> BOOL {
        MONITORINFO info{};
        info.cbSize = sizeof info;
        if (GetMonitorInfoW(monitor, &info) && (info.dwFlags & MONITORINFOF_PRIMARY) == 0)
          *reinterpret_cast<RECT*>(out) = info.rcMonitor;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&other));
  HWND cover = FindWindowW(CoverClassName(), nullptr);
  ASSERT_NE(cover, nullptr);
  RECT r;
  GetWindowRect(cover, &r);
  EXPECT_EQ(r.left, other.left);
  EXPECT_EQ(r.top, other.top);
  EXPECT_EQ(r.right, other.right);
  EXPECT_EQ(r.bottom, other.bottom);
  EXPECT_NE(GetWindowLongPtrW(cover, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  UpdateWindow(cover);
  EXPECT_EQ(ShownAt(cover, 3, 3), 0u);
  // A key and a move over it reach the scene's window, the move in that
  // window's coordinates. (Moved off the primary monitor's corner, where
  // Wine on Xvfb may put the other monitor, so that the coordinates differ.)
  SetWindowPos(cover, nullptr, other.left + 200, other.top + 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  GetWindowRect(cover, &r);
  Drain();  // the system's own moves of a window that appeared
  PostMessageW(cover, WM_KEYDOWN, 'Q', 0);
  PostMessageW(cover, WM_MOUSEMOVE, 0, MAKELPARAM(10, 20));
  POINT p{10, 20};
  MapWindowPoints(cover, hwnd, &p, 1);
  // The wheel over it, at a point of the screen.
  POINT wheel{r.left + 6, r.top + 20};
  PostMessageW(cover, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(wheel.x, wheel.y));
  ScreenToClient(hwnd, &wheel);
  int keys = 0, moves = 0, wheels = 0;
  for (const InputEvent& e : Drain()) {
    EXPECT_EQ(e.window, form);
    if (e.kind == InputEvent::Kind::KeyDown && e.key == 'Q') ++keys;
    if (e.kind == InputEvent::Kind::MouseMove && e.x == p.x && e.y == p.y) ++moves;
    if (e.kind == InputEvent::Kind::MouseButtonDown && e.x == wheel.x && e.y == wheel.y) ++wheels;
  }
  EXPECT_EQ(keys, 1);
  EXPECT_EQ(moves, 1);
  EXPECT_EQ(wheels, 1);
  backend->EndExclusive();
  EXPECT_EQ(FindWindowW(CoverClassName(), nullptr), nullptr);
}

TEST_F(Win32BackendTest, PresentsShowThePageAndOnlyTheChangedParts) {
  HWND hwnd = Open();
  const DisplayMode d = backend->DesktopMode();
  Page page(d.width, d.height, 0x2050A0);
  ASSERT_EQ(backend->Present(page.View(), nullptr), Status::Ok);
  EXPECT_EQ(ShownAt(hwnd, 0, 0), 0x2050A0u);
  EXPECT_EQ(ShownAt(hwnd, d.width - 1, d.height - 1), 0x2050A0u);
  // Two parts change; a third changes in the page but is not named, so the
  // screen keeps the previous picture there.
  const Rect a{10, 20, 30, 25}, b{d.width - 4, d.height - 3, d.width, d.height}, unnamed{100, 100, 110, 110};
  page.Fill(a, 0xFF0000);
  page.Fill(b, 0x00FF00);
  page.Fill(unnamed, 0x0000FF);
  const Rect parts[] = {a, b};
  ASSERT_EQ(backend->PresentRects(page.View(), nullptr, parts, 2), Status::Ok);
  EXPECT_EQ(ShownAt(hwnd, 10, 20), 0xFF0000u);
  EXPECT_EQ(ShownAt(hwnd, 29, 24), 0xFF0000u);
  EXPECT_EQ(ShownAt(hwnd, 30, 24), 0x2050A0u);
  EXPECT_EQ(ShownAt(hwnd, d.width - 1, d.height - 1), 0x00FF00u);
  EXPECT_EQ(ShownAt(hwnd, 105, 105), 0x2050A0u);
  // The software ramp: a dusk ramp halves every channel.
  Ramp half;
  for (int i = 0; i < 256; ++i) half.red[i] = half.green[i] = half.blue[i] = static_cast<std::uint16_t>(i * 128);
  ASSERT_EQ(backend->Present(page.View(), &half), Status::Ok);
  EXPECT_EQ(ShownAt(hwnd, 105, 105), 0x00007Fu);
  EXPECT_EQ(ShownAt(hwnd, 0, 0), 0x102850u);
}

TEST_F(Win32BackendTest, PaintAndDisplayChangeShowTheWholeKeptPage) {
  HWND hwnd = Open();
  const DisplayMode d = backend->DesktopMode();
  Page page(d.width, d.height, 0x336699);
  ASSERT_EQ(backend->Present(page.View(), nullptr), Status::Ok);
  // Something drew over the window; it repaints from the kept page.
  HDC dc = GetDC(hwnd);
  RECT spoilt{0, 0, 50, 50};
  FillRect(dc, &spoilt, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  ReleaseDC(hwnd, dc);
  ASSERT_EQ(ShownAt(hwnd, 5, 5), 0xFFFFFFu);
  InvalidateRect(hwnd, &spoilt, FALSE);
  UpdateWindow(hwnd);
  EXPECT_EQ(ShownAt(hwnd, 5, 5), 0x336699u);
  // After a display change the next present shows all of the page, even
  // when only a part is named.
  dc = GetDC(hwnd);
  FillRect(dc, &spoilt, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  ReleaseDC(hwnd, dc);
  SendMessageW(hwnd, WM_DISPLAYCHANGE, 32, MAKELPARAM(d.width, d.height));
  ValidateRect(hwnd, nullptr);
  const Rect elsewhere{200, 200, 210, 210};
  ASSERT_EQ(backend->PresentRects(page.View(), nullptr, &elsewhere, 1), Status::Ok);
  EXPECT_EQ(ShownAt(hwnd, 5, 5), 0x336699u);
}

TEST_F(Win32BackendTest, WindowMessagesBecomeInputEvents) {
  HWND hwnd = Open();
  PostMessageW(hwnd, WM_KEYDOWN, VK_LEFT, 0);
  PostMessageW(hwnd, WM_CHAR, '-', 0);
  PostMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(40, 30));
  PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(41, 31));
  PostMessageW(hwnd, WM_CHAR, 0xE9, 0);  // not ASCII: no character
  // The wheel, either way, counts as a button (its position is the
  // screen's; the window lies at the screen's origin).
  PostMessageW(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(50, 60));
  PostMessageW(hwnd, WM_MOUSEHWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), MAKELPARAM(51, 61));
  const std::vector<InputEvent> got = Drain();
  ASSERT_EQ(got.size(), 6u);
  EXPECT_EQ(got[0].kind, InputEvent::Kind::KeyDown);
  EXPECT_EQ(got[0].key, 37);
  EXPECT_EQ(got[1].kind, InputEvent::Kind::KeyPress);
  EXPECT_EQ(got[1].ch, '-');
  EXPECT_EQ(got[2].kind, InputEvent::Kind::MouseMove);
  EXPECT_EQ(got[2].x, 40);
  EXPECT_EQ(got[2].y, 30);
  EXPECT_EQ(got[3].kind, InputEvent::Kind::MouseButtonDown);
  EXPECT_EQ(got[4].kind, InputEvent::Kind::MouseButtonDown);
  EXPECT_EQ(got[4].x, 50);
  EXPECT_EQ(got[4].y, 60);
  EXPECT_EQ(got[5].kind, InputEvent::Kind::MouseButtonDown);
  EXPECT_EQ(got[5].x, 51);
  for (const InputEvent& e : got) EXPECT_EQ(e.window, form);
}

TEST_F(Win32BackendTest, CloseAndTheEndOfTheSessionAskToQuit) {
  HWND hwnd = Open();
  PostMessageW(hwnd, WM_CLOSE, 0, 0);
  std::vector<InputEvent> got = Drain();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].kind, InputEvent::Kind::Quit);
  EXPECT_EQ(got[0].window, form);
  EXPECT_TRUE(IsWindow(hwnd));  // the program destroys it in its own order
  EXPECT_EQ(SendMessageW(hwnd, WM_QUERYENDSESSION, 0, 0), TRUE);
  got = Drain();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].kind, InputEvent::Kind::Quit);
}

TEST_F(Win32BackendTest, PreviewPictureStaysUntilTheHostWindowGoes) {
  // The settings' preview window, made here as another program would.
  HWND host = CreateWindowExW(0, L"STATIC", L"host", WS_POPUP | WS_VISIBLE, 50, 50, 200, 150, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(host, nullptr);
  Picture picture(20, 10, 0xC08040);
  ASSERT_TRUE(backend->DrawToWindow(ToId(host), picture, 0, 0));
  EXPECT_EQ(ShownAt(host, 0, 0), 0xC08040u);
  EXPECT_EQ(ShownAt(host, 19, 9), 0xC08040u);
  // The host repaints itself: the picture is drawn again.
  RedrawWindow(host, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  EXPECT_EQ(ShownAt(host, 5, 5), 0xC08040u);
  ASSERT_EQ(backend->SetTarget({DisplayTarget::Kind::Hosted, ToId(host), 0, 0}), Status::Ok);
  InputEvent e;
  EXPECT_FALSE(backend->PollEvent(&e));
  DestroyWindow(host);
  ASSERT_TRUE(backend->PollEvent(&e));
  EXPECT_EQ(e.kind, InputEvent::Kind::Quit);
  EXPECT_FALSE(backend->PollEvent(&e));  // once
}

TEST_F(Win32BackendTest, TheDisplaysPowerStateSaysWhetherItIsSeen) {
  HWND hwnd = Open();
  EXPECT_FALSE(backend->DisplayAsleep());
  EXPECT_EQ(SendDisplayState(hwnd, 0), TRUE);
  EXPECT_TRUE(backend->DisplayAsleep());
  EXPECT_EQ(SendDisplayState(hwnd, 2), TRUE);  // dimmed, still visible
  EXPECT_FALSE(backend->DisplayAsleep());
  SendDisplayState(hwnd, 0);
  // Another setting's notification, and a value too short to read, change
  // nothing.
  const GUID other = GUID_MONITOR_POWER_ON;
  EXPECT_EQ(SendDisplayState(hwnd, 1, other), TRUE);
  EXPECT_TRUE(backend->DisplayAsleep());
  PowerSetting empty{GUID_CONSOLE_DISPLAY_STATE, 0, 1};
  SendMessageW(hwnd, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(&empty));
  EXPECT_TRUE(backend->DisplayAsleep());
  SendDisplayState(hwnd, 1);
  EXPECT_FALSE(backend->DisplayAsleep());
  SendDisplayState(hwnd, 0, other);
  EXPECT_FALSE(backend->DisplayAsleep());
}

TEST_F(Win32BackendTest, ALockedOrDisconnectedSessionIsNotSeen) {
  HWND hwnd = Open();
  SendSession(hwnd, WTS_SESSION_LOCK);
  EXPECT_TRUE(backend->DisplayAsleep());  // the display is on
  SendSession(hwnd, WTS_SESSION_UNLOCK);
  EXPECT_FALSE(backend->DisplayAsleep());
  // Locked with the display off: unlocking alone does not light it.
  SendSession(hwnd, WTS_SESSION_LOCK);
  SendDisplayState(hwnd, 0);
  SendSession(hwnd, WTS_SESSION_UNLOCK);
  EXPECT_TRUE(backend->DisplayAsleep());
  SendDisplayState(hwnd, 1);
  EXPECT_FALSE(backend->DisplayAsleep());
  SendSession(hwnd, WTS_REMOTE_DISCONNECT);
  EXPECT_TRUE(backend->DisplayAsleep());
  SendSession(hwnd, WTS_REMOTE_CONNECT);
  EXPECT_FALSE(backend->DisplayAsleep());
  // Switched away while locked: back at the console it stays unseen until
  // the session is unlocked.
  SendSession(hwnd, WTS_SESSION_LOCK);
  SendSession(hwnd, WTS_CONSOLE_DISCONNECT);
  SendSession(hwnd, WTS_CONSOLE_CONNECT);
  EXPECT_TRUE(backend->DisplayAsleep());
  SendSession(hwnd, WTS_SESSION_LOGON);  // not about this screen
  EXPECT_TRUE(backend->DisplayAsleep());
  SendSession(hwnd, WTS_SESSION_UNLOCK);
  EXPECT_FALSE(backend->DisplayAsleep());
}

TEST_F(Win32BackendTest, FormsAreRegisteredForTheScreensStateWhileTheyLast) {
  HWND hwnd = Open();
  EXPECT_TRUE(backend->WatchesScreen(form));
  const WindowId second = backend->CreateFormWindow("second");
  EXPECT_TRUE(backend->WatchesScreen(second));
  backend->DestroyWindow(second);
  EXPECT_FALSE(backend->WatchesScreen(second));
  // What the forms were told lasts while one of them is registered.
  SendSession(hwnd, WTS_SESSION_LOCK);
  EXPECT_TRUE(backend->DisplayAsleep());
  backend->DestroyWindow(form);
  EXPECT_FALSE(backend->WatchesScreen(form));
  EXPECT_FALSE(backend->DisplayAsleep());
}

TEST_F(Win32BackendTest, TheWholePageShowsWhenTheScreenComesBack) {
  HWND hwnd = Open();
  const DisplayMode d = backend->DesktopMode();
  Page page(d.width, d.height, 0x446688);
  ASSERT_EQ(backend->Present(page.View(), nullptr), Status::Ok);
  RECT spoilt{0, 0, 50, 50};
  const Rect elsewhere{200, 200, 210, 210};
  auto spoil = [&] {
    HDC dc = GetDC(hwnd);
    FillRect(dc, &spoilt, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ReleaseDC(hwnd, dc);
    ValidateRect(hwnd, nullptr);
  };
  // While the screen is unseen nothing is presented; once it is seen
  // again, a present of one part shows all of the page.
  SendDisplayState(hwnd, 0);
  spoil();
  SendDisplayState(hwnd, 1);
  ASSERT_EQ(backend->PresentRects(page.View(), nullptr, &elsewhere, 1), Status::Ok);
  EXPECT_EQ(ShownAt(hwnd, 5, 5), 0x446688u);
  // A part alone while the screen stays seen.
  spoil();
  ASSERT_EQ(backend->PresentRects(page.View(), nullptr, &elsewhere, 1), Status::Ok);
  EXPECT_EQ(ShownAt(hwnd, 5, 5), 0xFFFFFFu);
  SendSession(hwnd, WTS_SESSION_LOCK);
  SendSession(hwnd, WTS_SESSION_UNLOCK);
  ASSERT_EQ(backend->PresentRects(page.View(), nullptr, &elsewhere, 1), Status::Ok);
  EXPECT_EQ(ShownAt(hwnd, 5, 5), 0x446688u);
  // The same after the system resumes from sleep.
  spoil();
  EXPECT_EQ(SendMessageW(hwnd, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0), TRUE);
  ASSERT_EQ(backend->PresentRects(page.View(), nullptr, &elsewhere, 1), Status::Ok);
  EXPECT_EQ(ShownAt(hwnd, 5, 5), 0x446688u);
}

TEST_F(Win32BackendTest, WaveHeadersAreChecked) {
  WaveInfo info;
  std::string why;
  const std::uint8_t good[] = {'R', 'I', 'F', 'F', 40, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
                               1,   0,   1,   0,   0x44, 0xAC, 0, 0, 0x88, 0x58, 1, 0, 2, 0, 16, 0,
                               'd', 'a', 't', 'a', 4, 0, 0, 0, 1, 2, 3, 4};
  ASSERT_TRUE(ParseWave(good, sizeof good, &info, &why)) << why;
  EXPECT_EQ(info.bytes_per_second, 88200u);
  EXPECT_EQ(info.data_bytes, 4u);
  std::uint8_t cut[sizeof good];
  std::copy(good, good + sizeof good, cut);
  cut[40] = 200;  // the data chunk claims more than the file holds
  EXPECT_FALSE(ParseWave(cut, sizeof cut, &info, &why));
  EXPECT_FALSE(ParseWave(good, 30, &info, &why));  // no data chunk
  EXPECT_FALSE(ParseWave(good, 8, &info, &why));
}

}  // namespace
}  // namespace sandloop::display::win32
