#pragma once
// The Windows back end's class, shared by its files: Win32Backend.cpp
// (start, end, the window classes, messages, the system's saver state, the
// cursor and the timer period), Win32Window.cpp (windows, targets, the
// window procedure, the other monitors' covers), Win32Modes.cpp (modes and
// exclusive use), Win32Present.cpp (GDI presents), Win32Events.cpp (input
// and the console's wake event), Win32Screen.cpp (whether the screen can be
// seen) and Win32Audio.cpp (PlaySound and the WAVE reader). Its members are
// grouped below by the file that defines them. Only files of this folder
// include it.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <mmsystem.h>
// mmsystem.h names the A or W form with a macro that would rename the
// seam's own PlaySound in this folder only.
#undef PlaySound

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "kit/Picture.h"
#include "kit/ddraw/backend.h"
#include "kit/ddraw/pacer.h"
#include "kit/ddraw/present.h"

namespace sandloop::display::win32 {

// Win32Backend.cpp: the names of the window classes it registers.
const wchar_t* FormClassName();
const wchar_t* CoverClassName();
const wchar_t* PictureClassName();

inline HWND ToHwnd(WindowId id) { return reinterpret_cast<HWND>(id); }
inline WindowId ToId(HWND hwnd) { return reinterpret_cast<WindowId>(hwnd); }

// Win32Window.cpp: a top-down 32-bit DIB header for rows of `width` pixels
// (the pages the main window and the covers show).
BITMAPINFO Dib(int width, int height);

// Win32Audio.cpp: a WAVE file's format and sample data, as far as playing
// needs it.
struct WaveInfo {
  std::uint32_t bytes_per_second = 0;
  std::uint32_t data_bytes = 0;
};
// False for bytes that are no RIFF/WAVE file with a format and a data chunk.
bool ParseWave(const std::uint8_t* bytes, std::size_t size, WaveInfo* info, std::string* why);

// Win32Events.cpp: the process's wake event (auto-reset, kept for the
// process's life; null when it cannot be made), which a console's control
// event (Ctrl+C, its close, log-off, shut-down) sets before the handlers
// installed earlier see the event. Each call puts that handler first again.
HANDLE WakeOnConsoleEvents();
// Whether a console's control event came within the last second.
bool ConsoleEventRecent();

class Win32Backend final : public Backend {
 public:
  // Win32Backend.cpp
  Win32Backend() = default;
  ~Win32Backend() override;
  bool Start(std::string* why);

  const char* Name() const override { return "win32"; }

  // Win32Modes.cpp
  DisplayMode DesktopMode() override;
  DisplayMode MonitorMode() override;
  int MonitorCount() override;
  // Win32Covers.cpp
  std::vector<Monitor> Monitors() override;
  Status BeginExclusive(WindowId window) override;
  WindowId ExclusiveWindow() const override { return ToId(exclusive_); }
  void EndExclusive() override;

  // Win32Window.cpp
  WindowId CreateFormWindow(const std::string& title) override;
  void DestroyWindow(WindowId window) override;
  bool WindowExists(WindowId window) override;
  bool IsWindowVisible(WindowId window) override;
  bool DrawToWindow(WindowId window, const Picture& picture, int x, int y) override;
  bool KeepsPicturesDrawn() const override { return true; }
  WindowId RootWindowId() override { return 0; }
  DisplayTarget Target() const override { return target_; }

  // Win32Present.cpp
  Status Present(const PageView& page, const Ramp* ramp) override;
  Status PresentRects(const PageView& page, const Ramp* ramp, const Rect* rects, int count) override;
  Status PresentMonitor(int index, const PageView& page, const Ramp* ramp, const Rect* rects, int count) override;
  void SetPacing(bool paced) override { pacer_.SetPaced(paced); }

  // Win32Events.cpp
  bool PollEvent(InputEvent* event) override;
  void WaitEvent(int timeout_ms) override;
  void WakeWait() override;

  // Win32Backend.cpp
  void ShowMessage(WindowId owner, const std::string& text, const std::string& caption) override;
  bool SetSaverRunning(bool running) override;

  // Win32Audio.cpp
  bool PlaySound(const SoundRequest& sound, std::string* why) override;
  void StopSound() override;
  bool SoundPlaying() override;

  // Win32Screen.cpp
  bool DisplayAsleep() override { return display_off_ || locked_ || disconnected_; }
  // Whether `window` is registered for both the display's power state and
  // the session's changes (for the tests).
  bool WatchesScreen(WindowId window) const;

  // Win32Backend.cpp: whether the 1 ms system timer period is asked for
  // (for the tests).
  bool HoldsTimerPeriod() const { return timer_period_; }

  // Win32Window.cpp: the window procedure's work, for the windows of every
  // class.
  LRESULT Handle(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

 protected:
  // Win32Modes.cpp
  std::vector<DisplayMode> DoModes() override;
  Status DoSetMode(const DisplayMode& mode) override;
  // Win32Window.cpp
  Status DoSetTarget(const DisplayTarget& target) override;
  // Win32Backend.cpp
  void SetCursorVisible(bool visible) override;

 private:
  // Win32Backend.cpp
  void UpdateTimerPeriod();
  // Win32Covers.cpp
  bool PaintCover(HWND hwnd);
  // Win32Window.cpp
  void CoverOtherMonitors();
  void UncoverOtherMonitors();
  void ShowOwnWindow();
  void PaintKept(HWND hwnd);
  void PaintPicture(HWND hwnd, const Picture& picture);
  bool IsCover(HWND hwnd) const;
  // Win32Events.cpp
  bool Translate(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  void Push(InputEvent event);
  void ActivateApp(HWND hwnd, WPARAM active, LPARAM thread);
  // Win32Present.cpp
  HWND PresentWindow() const;
  void PutRect(HDC dc, int x, int y, int w, int h);
  // Win32Modes.cpp
  int RefreshRate() const;
  void PlaceFullScreen();
  // Win32Screen.cpp
  void WatchScreen(HWND hwnd);
  void UnwatchScreen(HWND hwnd);
  void UnwatchAllScreens();
  void PowerBroadcast(WPARAM event, LPARAM setting);
  void SessionChange(WPARAM event);
  void ScreenChanged(bool was_asleep);

  HINSTANCE instance_ = nullptr;
  std::map<HWND, std::string> forms_;  // the program's own form windows
  std::vector<HWND> covers_;           // black windows over the other monitors
  // The page last shown on a cover (32-bit XRGB, top-down).
  struct CoverPage {
    std::vector<std::uint8_t> pixels;
    int width = 0, height = 0;
    bool repaint = true;  // the cover does not show it whole
  };
  std::map<HWND, CoverPage> cover_pages_;
  std::map<HWND, Picture> pictures_;   // still pictures kept drawn in other windows
  HWND exclusive_ = nullptr;
  DisplayTarget target_;
  bool mode_changed_ = false;  // a mode other than the desktop's was set
  bool own_window_placed_ = false;
  bool full_screen_placed_ = false;  // the exclusive form covers the monitors
  DisplayMode mode_{};

  // The converted page as last shown (32-bit XRGB, top-down), kept for
  // WM_PAINT and for presents of changed parts.
  std::vector<std::uint8_t> kept_;
  int kept_width_ = 0, kept_height_ = 0;
  bool repaint_ = true;  // the window does not show the kept page whole
  RampTableCache ramp_tables_;
  Pacer pacer_;
  int refresh_ = 60;

  std::deque<InputEvent> events_;
  bool host_quit_sent_ = false;
  bool quit_seen_ = false;  // WM_QUIT was taken off the queue
  // The last wait ended on the wake event: the next poll does not look at
  // the queue (see WaitEvent).
  bool skip_next_peek_ = false;

  std::vector<std::uint8_t> sound_;  // PlaySoundA reads it while playing
  bool looping_ = false;
  std::chrono::steady_clock::time_point sound_end_{};
  bool sound_on_ = false;

  bool saver_running_ = false;
  bool timer_period_ = false;  // timeBeginPeriod(1) is in effect
  // Auto-reset: set by WakeWait and by a console's termination request,
  // taken by WaitEvent. The process's own (WakeOnConsoleEvents).
  HANDLE wake_ = nullptr;

  // What the system told the form windows about the screen: each form is
  // registered for the console display's power state and for the
  // session's changes, and unregistered when it is destroyed.
  struct ScreenWatch {
    HPOWERNOTIFY power = nullptr;
    bool session = false;
  };
  std::map<HWND, ScreenWatch> watches_;
  HMODULE wtsapi_ = nullptr;  // wtsapi32.dll, loaded by the first form
  bool wtsapi_tried_ = false;
  bool display_off_ = false;   // the console display is off
  bool locked_ = false;        // the session is locked
  bool disconnected_ = false;  // the session is not the console's nor a connected remote one
};

}  // namespace sandloop::display::win32
