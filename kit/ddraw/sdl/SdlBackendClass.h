#pragma once
// The SDL back end's class, shared by its files: SdlBackend.cpp (start,
// end, messages, the system's saver state and the cursor), SdlWindow.cpp
// (form windows and targets), SdlModes.cpp (modes and exclusive use),
// SdlPresent.cpp (the three presenters), SdlEvents.cpp (input),
// SdlAudio.cpp (the looping sound) and the X11-only parts: X11Windows.cpp
// (Xlib's handlers of a lost connection, windows of other programs, the
// root window) and X11Host (pages in another program's window). Its
// members are grouped below by the file that defines them. Only files of
// this folder include it; Xlib stays out of it.
#include <SDL2/SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "kit/ddraw/backend.h"
#include "kit/ddraw/pacer.h"
#include "kit/ddraw/present.h"
#include "kit/ddraw/sdl/SdlWindowPresenter.h"
#include "kit/ddraw/sdl/VideoDriver.h"
#include "kit/ddraw/sdl/X11Host.h"

struct _XDisplay;

namespace sandloop::display {
class WaylandPower;
}

namespace sandloop::display::sdl {

// A decoded sound and where its playing has got to. The audio thread's
// callback owns `pos`; `done` tells the main thread that a single sound
// has ended.
struct Voice {
  Uint8* samples = nullptr;  // from SDL_LoadWAV_RW
  Uint32 length = 0;         // bytes
  Uint32 pos = 0;
  bool loop = false;
  Uint8 silence = 0;
  std::atomic<bool> done{false};
};

class SdlBackend final : public Backend {
 public:
  // SdlBackend.cpp
  SdlBackend() = default;
  ~SdlBackend() override;
  bool Start(std::string* why);
  const char* Name() const override { return "sdl"; }
  void ShowMessage(WindowId owner, const std::string& text, const std::string& caption) override;
  // Holds off nothing: the state is only kept. Only the full-screen saver
  // hides the cursor.
  bool SetSaverRunning(bool running) override;
  // Asked once a second: on X11 the server's power and saver state, on
  // Wayland the outputs' power modes where the compositor reports them;
  // false elsewhere.
  bool DisplayAsleep() override;

  // SdlWindow.cpp
  WindowId CreateFormWindow(const std::string& title) override;
  void DestroyWindow(WindowId window) override;
  DisplayTarget Target() const override { return target_; }

  // SdlModes.cpp
  DisplayMode DesktopMode() override;
  DisplayMode MonitorMode() override;
  int MonitorCount() override { return Hosted() || !video_up_ ? 1 : std::max(1, SDL_GetNumVideoDisplays()); }
  Status BeginExclusive(WindowId window) override;
  WindowId ExclusiveWindow() const override { return exclusive_; }
  void EndExclusive() override;

  // SdlPresent.cpp
  Status Present(const PageView& page, const Ramp* ramp) override;
  Status PresentRects(const PageView& page, const Ramp* ramp, const Rect* rects, int count) override;
  void SetPacing(bool paced) override { pacer_.SetPaced(paced); }

  // SdlCovers.cpp
  std::vector<Monitor> Monitors() override;
  Status PresentMonitor(int index, const PageView& page, const Ramp* ramp, const Rect* rects, int count) override;

  // SdlEvents.cpp
  bool PollEvent(InputEvent* event) override;
  void WaitEvent(int timeout_ms) override;
  void WakeWait() override;

  // SdlAudio.cpp
  bool PlaySound(const SoundRequest& sound, std::string* why) override;
  void StopSound() override;
  bool SoundPlaying() override { return device_ != 0 && !voice_->done.load(std::memory_order_relaxed); }

  // X11Windows.cpp
  // Xlib's default on a broken connection (the X server ended or was
  // killed) ends the process at once, with exit code 1 and nothing in the
  // saver's log. Instead the connection is marked lost: presents fail as a
  // lost surface and the loop gets a quit request, so the saver ends in
  // order with its log lines, and nothing touches the dead connection.
  void WatchConnection();
  bool ConnectionLost() const { return connection_lost_.load(); }
  // Xlib's error handler has no place for the back end: the flag is the
  // process's, as the handler is.
  static std::atomic<bool>& WindowGone();
  WindowId RootWindowId() override;
  bool WindowExists(WindowId window) override;
  bool IsWindowVisible(WindowId window) override;
  bool DrawToWindow(WindowId window, const Picture& picture, int x, int y) override;

 protected:
  // SdlBackend.cpp
  void SetCursorVisible(bool visible) override;
  // SdlWindow.cpp
  Status DoSetTarget(const DisplayTarget& target) override;
  // SdlModes.cpp
  std::vector<DisplayMode> DoModes() override;
  Status DoSetMode(const DisplayMode& mode) override;

 private:
  bool Hosted() const { return target_.kind == DisplayTarget::Kind::Hosted && host_ != nullptr; }
  // SdlWindow.cpp
  // The try-it window: an ordinary resizable window at its first size,
  // centred once; later the user's size is kept.
  void ShowOwnWindow();
  WindowId IdOf(Uint32 sdl_id) const;
  // SdlModes.cpp
  int DesktopRefresh();
  // SdlPresent.cpp
  Status PresentHosted(const PageView& page, const Ramp* ramp, const Rect* rects, int count);
  void ChoosePresenter();
  void DropPresenter();
  // SdlCovers.cpp
  // A further display's cover (display 1 and up, in SDL's order).
  struct Cover : WindowPresenter {
    int display = 0;
    SDL_Rect bounds{0, 0, 0, 0};
    bool repaint = true;  // the cover lost its picture since
  };
  void MakeCovers();
  void DropCovers();
  // X11: whether the server's monitors still are those covered; asked
  // about once a second. A change SDL does not tell of (a CRTC set or
  // changed after its output connected) cannot be followed.
  bool MonitorsStillCovered();
  void Blacken(Cover& c);
  const Cover* CoverOf(Uint32 sdl_id) const;
  // SdlEvents.cpp
  bool Translate(const SDL_Event& e, InputEvent* out);
  // A control character from the last key, delivered after its key-down.
  bool TakePendingChar(InputEvent* out);
  // X11Windows.cpp: the X display of windows that are not ours; none
  // unless SDL runs on X11.
  struct _XDisplay* XDisplay();      // Xlib's Display
  struct _XDisplay* PowerDisplay();  // Xlib's Display, for DisplayAsleep only
  void CloseXDisplay();

  // Paces presents without vertical sync; whether presents are paced at all.
  Pacer pacer_;

  std::map<WindowId, SDL_Window*> windows_;
  std::vector<Cover> covers_;
  std::vector<Rect> covered_;  // X11: the server's monitors when covered
  int uncovered_checks_ = 0;   // checks in a row that found them changed
  std::chrono::steady_clock::time_point next_cover_check_{};
  bool monitors_quit_sent_ = false;
  WindowId next_id_ = 1;
  WindowId exclusive_ = 0;
  SDL_Window* win_ = nullptr;
  DisplayMode mode_;
  WindowPresenter presenter_;  // the saver's window (win_)
  bool presenter_chosen_ = false;
  bool repaint_ = false;                  // the window lost its picture since
  DisplayMode monitor_{800, 600, 32};     // read before a hosted run gives up the video
  RampTableCache ramp_tables_;  // presents come from the drawing thread only
  int refresh_ = 0;
  char pending_char_ = 0;
  struct _XDisplay* x_display_ = nullptr;  // Xlib's Display
  bool x_tried_ = false;
  struct _XDisplay* power_display_ = nullptr;
  bool power_tried_ = false;
  DisplayTarget target_;
  std::unique_ptr<X11Host> host_;
  int host_refresh_ = 60;
  bool host_quit_sent_ = false;
  bool video_up_ = true;
  bool lost_quit_sent_ = false;
  std::atomic<bool> connection_lost_{false};  // set by Xlib's handler
  bool events_up_ = false;
  bool own_window_placed_ = false;
  bool audio_started_ = false;
  bool silence_told_ = false;
  SDL_AudioDeviceID device_ = 0;
  std::unique_ptr<Voice> voice_;
  bool saver_running_ = false;
  // WakeWait's call, kept until a wait takes it.
  std::mutex wake_mutex_;
  std::condition_variable wake_cv_;
  bool woken_ = false;
  bool dark_ = false;  // the server's state as last asked
  std::chrono::steady_clock::time_point next_dark_check_{};
  std::unique_ptr<WaylandPower> wayland_power_;  // null: not asked yet, or not offered
  bool wayland_power_tried_ = false;
  VideoDriver driver_ = VideoDriver::Other;
};

}  // namespace sandloop::display::sdl
