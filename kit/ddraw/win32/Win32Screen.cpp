// Whether the screen can be seen, on Windows: every form window registers
// for the console display's power state (RegisterPowerSettingNotification
// with GUID_CONSOLE_DISPLAY_STATE; the system answers at once with the
// state it is in) and for the session's changes (WTSRegisterSessionNotification).
// The screen is unseen while the display is off, while the session is
// locked, and while it is disconnected from the console and from any
// remote client; the three are kept apart, so that one coming back does
// not end another. A dimmed display still shows the scene.
//
// wtsapi32.dll is loaded from the system folder when the first form is
// made and its two calls looked up by name, so that the program's import
// table names only the libraries it always loads.
#include <cstring>

#include "kit/ddraw/win32/Win32BackendClass.h"

namespace sandloop::display::win32 {

namespace {

using RegisterSession = BOOL(WINAPI*)(HWND, DWORD);
using UnregisterSession = BOOL(WINAPI*)(HWND);

constexpr DWORD kThisSession = 0;  // NOTIFY_FOR_THIS_SESSION

template <typename F>
F Lookup(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

void Win32Backend::WatchScreen(HWND hwnd) {
  ScreenWatch watch;
  watch.power = RegisterPowerSettingNotification(hwnd, &GUID_CONSOLE_DISPLAY_STATE, DEVICE_NOTIFY_WINDOW_HANDLE);
  if (!wtsapi_tried_) {
    wtsapi_tried_ = true;
    wtsapi_ = LoadLibraryExW(L"wtsapi32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  }
  if (auto reg = Lookup<RegisterSession>(wtsapi_, "WTSRegisterSessionNotification"))
    watch.session = reg(hwnd, kThisSession) != FALSE;
  watches_[hwnd] = watch;
}

void Win32Backend::UnwatchScreen(HWND hwnd) {
  const auto it = watches_.find(hwnd);
  if (it == watches_.end()) return;
  if (it->second.power != nullptr) UnregisterPowerSettingNotification(it->second.power);
  if (it->second.session) {
    if (auto unreg = Lookup<UnregisterSession>(wtsapi_, "WTSUnRegisterSessionNotification")) unreg(hwnd);
  }
  watches_.erase(it);
  // Nothing tells us of the screen any more; a later form learns the
  // display's state afresh when it registers.
  if (watches_.empty()) {
    display_off_ = locked_ = disconnected_ = false;
    UpdateTimerPeriod();
  }
}

void Win32Backend::UnwatchAllScreens() {
  while (!watches_.empty()) UnwatchScreen(watches_.begin()->first);
  if (wtsapi_ != nullptr) FreeLibrary(wtsapi_);
  wtsapi_ = nullptr;
  wtsapi_tried_ = false;
}

bool Win32Backend::WatchesScreen(WindowId window) const {
  const auto it = watches_.find(ToHwnd(window));
  return it != watches_.end() && it->second.power != nullptr && it->second.session;
}

// Once the screen is seen again, the window need not hold the page it was
// last given (a remote client of another session, the display driver
// after standby): the next present shows the whole page. A screen that
// cannot be seen needs no precise timer either.
void Win32Backend::ScreenChanged(bool was_asleep) {
  if (was_asleep && !DisplayAsleep()) repaint_ = true;
  UpdateTimerPeriod();
}

void Win32Backend::PowerBroadcast(WPARAM event, LPARAM setting) {
  switch (event) {
    case PBT_POWERSETTINGCHANGE: {
      const auto* s = reinterpret_cast<const POWERBROADCAST_SETTING*>(setting);
      if (s == nullptr || !IsEqualGUID(s->PowerSetting, GUID_CONSOLE_DISPLAY_STATE) || s->DataLength < sizeof(DWORD))
        return;
      DWORD state = 0;  // 0 off, 1 on, 2 dimmed
      std::memcpy(&state, s->Data, sizeof state);
      const bool was = DisplayAsleep();
      display_off_ = state == 0;
      ScreenChanged(was);
      break;
    }
    case PBT_APMRESUMEAUTOMATIC:
    case PBT_APMRESUMESUSPEND:
      repaint_ = true;
      break;
    default:
      break;
  }
}

void Win32Backend::SessionChange(WPARAM event) {
  const bool was = DisplayAsleep();
  switch (event) {
    case WTS_SESSION_LOCK:
      locked_ = true;
      break;
    case WTS_SESSION_UNLOCK:
      locked_ = false;
      break;
    case WTS_CONSOLE_DISCONNECT:
    case WTS_REMOTE_DISCONNECT:
      disconnected_ = true;
      break;
    case WTS_CONSOLE_CONNECT:
    case WTS_REMOTE_CONNECT:
      disconnected_ = false;
      break;
    default:
      return;
  }
  ScreenChanged(was);
}

}  // namespace sandloop::display::win32
