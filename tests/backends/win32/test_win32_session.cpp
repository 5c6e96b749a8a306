// The Windows back end among the rest of the desktop (under Wine in the
// test run): another program taking the foreground ends the full-screen
// saver and our own windows do not; a display change places the scene's
// window and the black covers over the monitors as they now are; the 1 ms
// system timer period is held only while the full-screen saver is seen;
// and a console's termination request ends the wait for input at once.
#include <chrono>
#include <thread>

#include "tests/backends/win32/Win32Fixture.h"
#include "kit/os/QuitSignals.h"

namespace sandloop::display::win32 {
namespace {

int Quits(const std::vector<InputEvent>& events, WindowId window) {
  int n = 0;
  for (const InputEvent& e : events) n += e.kind == InputEvent::Kind::Quit && e.window == window;
  return n;
}

// Another program (other_app.exe, which the build puts in the folder above
// this program's), run with `args`.
struct OtherProgram {
  explicit OtherProgram(const char* args) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring dir(self);
    dir.erase(dir.find_last_of(L"\\/") + 1);
    std::wstring command = L"\"" + dir + L"..\\other_app.exe\" ";
    for (const char* c = args; *c != 0; ++c) command += static_cast<wchar_t>(*c);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                             &process) != FALSE;
  }
  ~OtherProgram() {
    if (!started) return;
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  // Its exit code once it ended by itself within `ms`, else -1.
  long ExitCode(DWORD ms) const {
    DWORD code = 0;
    if (WaitForSingleObject(process.hProcess, ms) != WAIT_OBJECT_0 || !GetExitCodeProcess(process.hProcess, &code))
      return -1;
    return static_cast<long>(code);
  }
  bool started = false;
  PROCESS_INFORMATION process{};
};

TEST_F(Win32BackendTest, AnotherProgramInTheForegroundEndsTheFullScreenSaver) {
  HWND hwnd = Open();
  ASSERT_EQ(GetForegroundWindow(), hwnd);
  // Activation among our own windows is no loss: a black cover taken to
  // the front, or the message naming a thread of ours.
  if (HWND cover = FindWindowW(CoverClassName(), nullptr)) {
    SetForegroundWindow(cover);
    SetActiveWindow(cover);
    EXPECT_EQ(Quits(Drain(), form), 0);
    SetForegroundWindow(hwnd);
  }
  SendMessageW(hwnd, WM_ACTIVATEAPP, FALSE, static_cast<LPARAM>(GetCurrentThreadId()));
  SendMessageW(hwnd, WM_ACTIVATEAPP, TRUE, 0);
  EXPECT_EQ(Quits(Drain(), form), 0);
  // The real thing: a window of another program comes to the foreground.
  OtherProgram other("front 2");
  ASSERT_TRUE(other.started) << "other_app.exe is not beside this program's folder";
  std::vector<InputEvent> got;
  for (int i = 0; i < 50 && Quits(got, form) == 0; ++i) {
    const std::vector<InputEvent> more = Drain();
    got.insert(got.end(), more.begin(), more.end());
  }
  EXPECT_EQ(other.ExitCode(10000), 0) << "the other program did not get the foreground";
  EXPECT_EQ(Quits(got, form), 1);
}

TEST_F(Win32BackendTest, LosingTheForegroundEndsOnlyTheFullScreenSaver) {
  // After the end of exclusive use.
  HWND hwnd = Open();
  backend->EndExclusive();
  SendMessageW(hwnd, WM_ACTIVATEAPP, FALSE, 0);
  EXPECT_EQ(Quits(Drain(), form), 0);
  // The try-it window: an ordinary window may lose the foreground.
  ASSERT_EQ(backend->SetTarget({DisplayTarget::Kind::Window, 0, 320, 200}), Status::Ok);
  ASSERT_EQ(backend->BeginExclusive(form), Status::Ok);
  ASSERT_EQ(backend->SetMode({320, 200, 32}), Status::Ok);
  Drain();
  SendMessageW(hwnd, WM_ACTIVATEAPP, FALSE, 0);
  EXPECT_EQ(Quits(Drain(), form), 0);
}

// Every window of the cover class there is, wherever it lies.
std::vector<HWND> Covers() {
  std::vector<HWND> out;
  for (HWND w = FindWindowExW(nullptr, nullptr, CoverClassName(), nullptr); w != nullptr;
       w = FindWindowExW(nullptr, w, CoverClassName(), nullptr))
    out.push_back(w);
  return out;
}

// The monitors other than the primary one (Wine on Xvfb may place them
// all at the origin).
std::vector<RECT> OtherMonitors() {
  std::vector<RECT> out;
  EnumDisplayMonitors(
      nullptr, nullptr,
      [](HMONITOR monitor, HDC, LPRECT, LPARAM list) -> BOOL {
        MONITORINFO info{};
        info.cbSize = sizeof info;
        if (GetMonitorInfoW(monitor, &info) && (info.dwFlags & MONITORINFOF_PRIMARY) == 0)
          reinterpret_cast<std::vector<RECT>*>(list)->push_back(info.rcMonitor);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&out));
  return out;
}

TEST_F(Win32BackendTest, ADisplayChangePlacesTheWindowAndTheCoversOverTheMonitorsAsTheyAre) {
  HWND hwnd = Open();
  // The monitors seem to have changed under the windows: the scene's
  // window is somewhere else, a cover lies elsewhere, another is gone.
  SetWindowPos(hwnd, nullptr, 100, 100, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE);
  std::vector<HWND> before = Covers();
  ASSERT_EQ(before.size(), OtherMonitors().size());
  for (std::size_t i = 0; i < before.size(); ++i) {
    if (i == 0)
      SetWindowPos(before[i], nullptr, 5, 5, 40, 30, SWP_NOZORDER | SWP_NOACTIVATE);
    else
      DestroyWindow(before[i]);
  }
  SendMessageW(hwnd, WM_DISPLAYCHANGE, 32, MAKELPARAM(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));

  // The window over the primary monitor, one cover over each other one,
  // all topmost and shown, together as wide and high as the desktop.
  const DisplayMode primary = backend->MonitorMode();
  const RECT r = ExpectOverPrimary(hwnd, primary);
  EXPECT_TRUE(IsWindowVisible(hwnd));
  RECT all = r;
  const std::vector<HWND> covers = Covers();
  EXPECT_EQ(covers.size(), OtherMonitors().size());
  for (const RECT& m : OtherMonitors()) {
    int over = 0;
    for (HWND c : covers) {
      RECT cr;
      GetWindowRect(c, &cr);
      if (EqualRect(&cr, &m) && IsWindowVisible(c) && (GetWindowLongPtrW(c, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0) ++over;
    }
    EXPECT_EQ(over, 1) << "monitor at " << m.left << "," << m.top;
    UnionRect(&all, &all, &m);
  }
  EXPECT_EQ(all.left, GetSystemMetrics(SM_XVIRTUALSCREEN));
  EXPECT_EQ(all.top, GetSystemMetrics(SM_YVIRTUALSCREEN));
  EXPECT_EQ(all.right - all.left, GetSystemMetrics(SM_CXVIRTUALSCREEN));
  EXPECT_EQ(all.bottom - all.top, GetSystemMetrics(SM_CYVIRTUALSCREEN));
  // The scene's window keeps the keys, and the run goes on.
  EXPECT_EQ(GetForegroundWindow(), hwnd);
  EXPECT_EQ(Quits(Drain(), form), 0);
  // Once exclusive use has ended, a display change brings nothing back.
  backend->EndExclusive();
  SendMessageW(hwnd, WM_DISPLAYCHANGE, 32, MAKELPARAM(primary.width, primary.height));
  EXPECT_FALSE(IsWindowVisible(hwnd));
  EXPECT_TRUE(Covers().empty());
}

TEST_F(Win32BackendTest, TheTimerPeriodIsHeldOnlyWhileTheFullScreenSaverIsSeen) {
  EXPECT_FALSE(backend->HoldsTimerPeriod());
  // The try-it window does not need it.
  ASSERT_EQ(backend->SetTarget({DisplayTarget::Kind::Window, 0, 320, 200}), Status::Ok);
  const WindowId window = backend->CreateFormWindow("try it");
  ASSERT_EQ(backend->BeginExclusive(window), Status::Ok);
  ASSERT_EQ(backend->SetMode({320, 200, 32}), Status::Ok);
  EXPECT_FALSE(backend->HoldsTimerPeriod());
  backend->EndExclusive();
  backend->DestroyWindow(window);
  ASSERT_EQ(backend->SetTarget({}), Status::Ok);
  // The full-screen saver while it can be seen.
  HWND hwnd = Open();
  EXPECT_TRUE(backend->HoldsTimerPeriod());
  SendDisplayState(hwnd, 0);
  EXPECT_FALSE(backend->HoldsTimerPeriod());
  SendDisplayState(hwnd, 1);
  EXPECT_TRUE(backend->HoldsTimerPeriod());
  SendSession(hwnd, WTS_SESSION_LOCK);
  EXPECT_FALSE(backend->HoldsTimerPeriod());
  SendSession(hwnd, WTS_SESSION_UNLOCK);
  EXPECT_TRUE(backend->HoldsTimerPeriod());
  backend->EndExclusive();
  EXPECT_FALSE(backend->HoldsTimerPeriod());
}

// The wait that a tick ends leaves the next poll out (one look at the
// queue less per frame); input that came with the tick is delivered by the
// poll after that, never lost.
TEST_F(Win32BackendTest, InputThatComesWithATickIsDeliveredByTheNextFrame) {
  HWND hwnd = Open();
  for (int round = 0; round < 3; ++round) {
    PostMessageW(hwnd, WM_KEYDOWN, 'A' + round, 0);
    backend->WakeWait();
    backend->WaitEvent(60000);
    std::vector<int> keys;
    InputEvent e;
    for (int poll = 0; poll < 2; ++poll)
      while (backend->PollEvent(&e))
        if (e.kind == InputEvent::Kind::KeyDown) keys.push_back(e.key);
    EXPECT_EQ(keys, std::vector<int>{'A' + round}) << round;
  }
}

// A console's Ctrl+C, noted by the program's handler, ends a long wait
// for input long before its time: the wait needs no short limit to
// notice it. The bound is generous; a wait that missed the request would
// last the whole minute.
TEST_F(Win32BackendTest, AConsoleRequestEndsTheWaitForInput) {
  // The program's handler first, the back end after it, as the program
  // starts them.
  DWORD attached = 0;
  if (GetConsoleProcessList(&attached, 1) == 0 && AllocConsole() == FALSE)
    GTEST_SKIP() << "no console to send Ctrl+C to";
  backend.reset();
  InstallQuitSignalHandlers();
  std::string why;
  backend = std::static_pointer_cast<Win32Backend>(CreateWin32Backend(&why));
  ASSERT_NE(backend, nullptr) << why;
  bool sent = false;
  std::thread console([&sent] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    sent = GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) != FALSE;
  });
  const auto start = std::chrono::steady_clock::now();
  backend->WaitEvent(60000);
  const auto waited = std::chrono::steady_clock::now() - start;
  console.join();
  ASSERT_TRUE(sent);
  EXPECT_LT(waited, std::chrono::seconds(30));
  for (int i = 0; i < 100 && QuitSignalPending() == 0; ++i) backend->WaitEvent(50);
  EXPECT_NE(TakeQuitSignal(), 0);
}

}  // namespace
}  // namespace sandloop::display::win32
