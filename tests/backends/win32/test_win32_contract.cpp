// The back-end contract on the Windows back end (under Wine in the test
// run): the screen's pixels, the system's saver-running flag and the
// cursor's state are asked of the system.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "tests/backends/contract/BackendContract.h"
#include "kit/ddraw/win32/Win32Backend.h"

namespace sandloop::display::contract {
namespace {

// The colour the window shows at (x, y), read from its device context.
std::uint32_t ShownAt(WindowId window, int x, int y) {
  HWND hwnd = reinterpret_cast<HWND>(window);
  HDC dc = GetDC(hwnd);
  const COLORREF c = GetPixel(dc, x, y);
  ReleaseDC(hwnd, dc);
  return (static_cast<std::uint32_t>(GetRValue(c)) << 16) | (static_cast<std::uint32_t>(GetGValue(c)) << 8) |
         GetBValue(c);
}

bool SystemSaverRunning() {
  BOOL running = FALSE;
  SystemParametersInfoW(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
  return running != FALSE;
}

bool SystemCursorShown() {
  CURSORINFO info{};
  info.cbSize = sizeof info;
  return GetCursorInfo(&info) != FALSE && (info.flags & CURSOR_SHOWING) != 0;
}

const bool every_case_runs = (FailSkipsWhereEveryCaseMustRun(), true);

// Wine without a sound device has no wave output: the surf may be silent.
INSTANTIATE_TEST_SUITE_P(Win32, BackendContract,
                         ::testing::Values(BackendFactory{
                             .name = "win32",
                             .make = [](std::string* why) { return CreateWin32Backend(why); },
                             .shown_at = ShownAt,
                             .saver_running = SystemSaverRunning,
                             .cursor_shown = SystemCursorShown,
                             .sound_required = false}));

}  // namespace
}  // namespace sandloop::display::contract
