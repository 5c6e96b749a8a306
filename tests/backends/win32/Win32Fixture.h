#pragma once
// What the real-window checks of the Windows back end share: a back end
// made afresh for each check, a full-screen form of ours, the input it
// delivers, and the display's and session's states as the system reports
// them.
#include <gtest/gtest.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "kit/ddraw/win32/Win32Backend.h"
#include "kit/ddraw/win32/Win32BackendClass.h"

namespace sandloop::display::win32 {

// A POWERBROADCAST_SETTING with a four-byte value, as the system sends it.
struct PowerSetting {
  GUID setting;
  DWORD length;
  DWORD data;
};
static_assert(offsetof(PowerSetting, length) == offsetof(POWERBROADCAST_SETTING, DataLength));
static_assert(offsetof(PowerSetting, data) == offsetof(POWERBROADCAST_SETTING, Data));

// The console display's state as the system reports it: 0 off, 1 on, 2 dimmed.
inline LRESULT SendDisplayState(HWND hwnd, DWORD state, const GUID& setting = GUID_CONSOLE_DISPLAY_STATE) {
  PowerSetting s{setting, sizeof(DWORD), state};
  return SendMessageW(hwnd, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(&s));
}

inline void SendSession(HWND hwnd, WPARAM event) { SendMessageW(hwnd, WM_WTSSESSION_CHANGE, event, 1); }

// The window's rectangle on the desktop; it must be the primary monitor's,
// `mode` wide and high from the desktop's origin.
inline RECT ExpectOverPrimary(HWND hwnd, const DisplayMode& mode) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, mode.width);
  EXPECT_EQ(r.bottom, mode.height);
  return r;
}

class Win32BackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    backend = std::static_pointer_cast<Win32Backend>(CreateWin32Backend(&why));
    ASSERT_NE(backend, nullptr) << why;
  }
  // Takes the screen at the desktop's size with a form of ours.
  HWND Open() {
    form = backend->CreateFormWindow("Sandloop");
    EXPECT_EQ(backend->BeginExclusive(form), Status::Ok);
    EXPECT_EQ(backend->SetMode(backend->DesktopMode()), Status::Ok);
    // The system's own messages of a window that appears (a mouse move
    // under the pointer among them) are not the test's.
    Drain();
    return ToHwnd(form);
  }
  std::vector<InputEvent> Drain() {
    std::vector<InputEvent> out;
    InputEvent e;
    for (int i = 0; i < 20; ++i) {
      while (backend->PollEvent(&e)) out.push_back(e);
      backend->WaitEvent(5);
    }
    return out;
  }
  std::shared_ptr<Win32Backend> backend;
  WindowId form = 0;
};

}  // namespace sandloop::display::win32
