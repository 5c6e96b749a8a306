#pragma once
// The memory-only display back end: no screen, no window system. Tests and
// the file renderer run on it. Everything a real display decides is set
// here instead: the listed modes, the desktop's mode, the monitor count,
// gamma support, which windows are visible, and the input that arrives.
// Any operation can be made to fail with a chosen result code, once or for
// a number of calls, so that every error path of the kit can be reached.
// The last presented page is kept (with the gamma ramp applied, as a screen
// would show it) and can be written to a PNG file.
// Windows of other programs are simulated too: tests add them with a size,
// resize and destroy them, and cut the connection to the display, to drive
// the hosted target; the root window (kRootWindow) has the desktop's size.
// Sound calls, the cursor and the "a saver runs" state are recorded instead
// of reaching a system; a looping sound plays until it is stopped, a single
// one ends at once. Tests turn the display off and on.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "kit/Picture.h"
#include "kit/ddraw/backend.h"
#include "kit/ddraw/present.h"

namespace sandloop::display {

class HeadlessBackend final : public Backend {
 public:
  struct Message {
    WindowId owner = 0;
    std::string text;
    std::string caption;
  };
  // One PlaySound or StopSound call; a stop has no name, flags or bytes.
  struct SoundCall {
    enum class Kind { Play, Stop };
    Kind kind = Kind::Play;
    std::string name;
    std::uint32_t flags = 0;
    bool loop = false;
    std::size_t bytes = 0;
  };

  static constexpr WindowId kRootWindow = 0x100;

  // --- start and end -----------------------------------------------------
  // 800x600, 1024x768, 1152x864, 1280x1024 and 1920x1080 at 16, 24 and 32
  // bits; desktop 1024x768x32; one monitor; gamma supported.
  HeadlessBackend();
  // Nothing to open: it always starts.
  bool Start(std::string* /*why*/) { return true; }
  const char* Name() const override { return "headless"; }

  // --- windows and the target --------------------------------------------
  WindowId CreateFormWindow(const std::string& title) override;
  void DestroyWindow(WindowId window) override;
  bool WindowExists(WindowId window) override { return windows_.count(window) != 0; }
  bool IsWindowVisible(WindowId window) override;
  bool DrawToWindow(WindowId window, const Picture& picture, int x, int y) override;
  bool KeepsPicturesDrawn() const override { return keeps_pictures_; }
  WindowId RootWindowId() override { return foreign_windows_ ? kRootWindow : 0; }
  DisplayTarget Target() const override { return target_; }

  // --- modes and exclusive use -------------------------------------------
  DisplayMode DesktopMode() override;
  DisplayMode MonitorMode() override { return desktop_; }
  int MonitorCount() override { return target_.kind == DisplayTarget::Kind::Hosted ? 1 : monitors_; }
  // SetMonitors' list; else MonitorCount monitors in the desktop's mode,
  // side by side from left to right.
  std::vector<Monitor> Monitors() override;
  bool GammaSupported() override { return gamma_; }
  Status BeginExclusive(WindowId window) override;
  WindowId ExclusiveWindow() const override { return exclusive_window_; }
  void EndExclusive() override;

  // --- present -----------------------------------------------------------
  Status Present(const PageView& page, const Ramp* ramp) override;
  // Updates only the given parts of the kept screen, as a real screen would:
  // a part left out keeps what the previous present showed.
  Status PresentRects(const PageView& page, const Ramp* ramp, const Rect* rects, int count) override;
  Status PresentMonitor(int index, const PageView& page, const Ramp* ramp, const Rect* rects, int count) override;

  // --- events ------------------------------------------------------------
  bool PollEvent(InputEvent* event) override;
  void WaitEvent(int timeout_ms) override;
  void WakeWait() override { wakes_.fetch_add(1, std::memory_order_relaxed); }

  // --- audio -------------------------------------------------------------
  bool PlaySound(const SoundRequest& sound, std::string* why) override;
  void StopSound() override;
  bool SoundPlaying() override;

  // --- messages and the system's state -----------------------------------
  void ShowMessage(WindowId owner, const std::string& text, const std::string& caption) override;
  bool SetSaverRunning(bool running) override;
  bool DisplayAsleep() override { return asleep_.load(std::memory_order_relaxed); }

  // --- test controls: the display simulated ------------------------------
  void SetModes(std::vector<DisplayMode> modes);
  void SetDesktopMode(DisplayMode mode);
  void SetMonitorCount(int count);
  // The monitors, the primary first, and the primary's mode the desktop's.
  // While the display is in exclusive use, a change is told to the loop as
  // MonitorsChanged, as a monitor plugged in or out would be.
  void SetMonitors(std::vector<Monitor> monitors);
  void SetGammaSupported(bool supported);
  // Messages go to the recorded list only (the default); with true they are
  // also printed to standard error.
  void SetEchoMessages(bool echo);
  // false: there is no audio device, and every PlaySound fails.
  void SetAudioAvailable(bool available);

  // Windows: form windows are made visible when created; foreign ids are
  // invisible until SetWindowVisible, or until `polls` more PollEvent calls
  // have been made (VisibleAfterPolls).
  void SetWindowVisible(WindowId window, bool visible);
  void VisibleAfterPolls(WindowId window, int polls);
  // The window's owner destroys it after `polls` more PollEvent calls.
  void DestroyAfterPolls(WindowId window, int polls);
  // With true, pictures drawn into windows are kept drawn, as a back end
  // that repaints them does (KeepsPicturesDrawn); false by default.
  void SetKeepsPictures(bool keeps) { keeps_pictures_ = keeps; }
  // A window of another program, visible, of the given size.
  void AddForeignWindow(WindowId window, int width, int height);
  // Resizes any window (a host's, or our own try-it window).
  void ResizeWindow(WindowId window, int width, int height);
  // The connection to the display breaks: every later call finds it gone.
  void LoseConnection();
  // A display without windows of other programs (a Wayland session): no
  // root window, and hosting fails as unsupported.
  void WithoutForeignWindows() { foreign_windows_ = false; }

  // Input: queued events are returned by PollEvent in order.
  void PushEvent(const InputEvent& event);

  // The display goes into power saving (true) or comes back (false), as
  // DisplayAsleep reports it.
  void SetDisplayAsleep(bool asleep) { asleep_.store(asleep, std::memory_order_relaxed); }

  // --- test controls: fault injection ------------------------------------
  // Makes the next `times` calls of `op` return the result code `code`
  // (times < 0: every call from now on). FailOnce is FailNext(op, code, 1).
  void FailNext(Op op, std::int32_t code, int times);
  void FailOnce(Op op, std::int32_t code) { FailNext(op, code, 1); }
  void ClearFaults();
  // How many times `op` was asked for (including calls that were failed).
  int Calls(Op op) const;
  Status Fault(Op op) override;

  // --- test controls: what was shown and asked ---------------------------
  const std::vector<Message>& Messages() const { return messages_; }
  void ClearMessages() { messages_.clear(); }
  bool Exclusive() const { return exclusive_window_ != 0; }
  DisplayMode CurrentMode() const { return current_mode_; }
  // The picture last drawn into a window (empty if none) and where.
  const Picture& WindowPicture(WindowId window) const;
  int Presents() const { return presents_; }
  // How many presents showed parts only, and the pixels they covered.
  int PartialPresents() const { return partial_presents_; }
  long long PartialPixels() const { return partial_pixels_; }
  // The last presented page as the viewer would see it (gamma applied).
  const Picture& Screen() const { return screen_; }
  // Writes Screen() to a PNG file; false when the file cannot be written.
  bool WritePng(const std::string& path) const;
  // What monitor `index` shows (0: Screen(); empty where nothing was
  // presented), how many pages it was given, and its PNG.
  const Picture& MonitorScreen(int index) const;
  int MonitorPresents(int index) const;
  bool WriteMonitorPng(int index, const std::string& path) const;
  // How many times a present had to build the ramp's lookup tables (once
  // per change of the ramp).
  int RampTableBuilds() const;
  // How long the program waited for input in all (the timeouts of every
  // WaitEvent call, in milliseconds), and how many times it asked.
  long long WaitedMs() const { return waited_ms_.load(std::memory_order_relaxed); }
  int Waits() const { return waits_.load(std::memory_order_relaxed); }
  // How many times WakeWait was called.
  int Wakes() const { return wakes_.load(std::memory_order_relaxed); }
  std::vector<SoundCall> SoundCalls() const;
  // The cursor as the count leaves it (CursorCount() gives the count).
  bool CursorVisible() const { return cursor_visible_.load(std::memory_order_relaxed); }
  bool SaverRunning() const;
  // The "a saver runs" value of every SetSaverRunning call, in order.
  std::vector<bool> SaverCalls() const;

 protected:
  std::vector<DisplayMode> DoModes() override;
  Status DoSetTarget(const DisplayTarget& target) override;
  Status DoSetMode(const DisplayMode& mode) override;
  void SetCursorVisible(bool visible) override { cursor_visible_.store(visible, std::memory_order_relaxed); }

 private:
  struct Fault_ {
    Status code = Status::Ok;
    int times = 0;
  };
  struct Window {
    std::string title;
    bool visible = false;
    int visible_after_polls = -1;
    int destroy_after_polls = -1;
    Picture picture;
    int width = 0, height = 0;
  };
  // The size the page is shown at now.
  DisplayMode OutputSize(const PageView& page) const;
  // Shows `page` on `screen` at size `out`: only `rects` where the screen
  // holds the previous page at that size.
  void ShowPage(Picture& screen, const DisplayMode& out, const PageView& page, const Ramp* ramp, const Rect* rects,
                int count);
  std::vector<Monitor> MonitorsLocked() const;

  mutable std::mutex mutex_;  // Fault() and Present() may come from any thread
  std::vector<DisplayMode> modes_;
  DisplayMode desktop_{1024, 768, 32};
  DisplayMode current_mode_{1024, 768, 32};
  int monitors_ = 1;
  std::vector<Monitor> monitor_list_;
  std::map<int, Picture> monitor_screens_;
  std::map<int, int> monitor_presents_;
  bool gamma_ = true;
  bool echo_ = false;
  bool keeps_pictures_ = false;
  std::map<Op, Fault_> faults_;
  std::map<Op, int> calls_;
  std::map<WindowId, Window> windows_;
  WindowId next_window_ = 0x1000;
  WindowId exclusive_window_ = 0;
  std::deque<InputEvent> events_;
  std::vector<Message> messages_;
  int presents_ = 0;
  int partial_presents_ = 0;
  long long partial_pixels_ = 0;
  Picture screen_;
  RampTableCache ramp_tables_;
  Picture scratch_;  // the converted page before scaling
  DisplayTarget target_;
  DisplayMode host_size_;  // the host window's last known size
  bool lost_ = false;
  bool foreign_windows_ = true;
  bool quit_sent_ = false;
  bool audio_ = true;
  bool sound_playing_ = false;
  std::vector<SoundCall> sound_calls_;
  std::atomic<bool> cursor_visible_{true};
  bool saver_running_ = false;
  std::vector<bool> saver_calls_;
  std::atomic<bool> asleep_{false};
  std::atomic<long long> waited_ms_{0};
  std::atomic<int> waits_{0};
  std::atomic<int> wakes_{0};
};

// Makes the memory-only back end, as CreateSdlBackend and CreateWin32Backend
// make theirs; it always starts, so `why` is never filled. Its own class is
// returned: tests and the file renderer set it up through it.
std::shared_ptr<HeadlessBackend> CreateHeadlessBackend(std::string* why = nullptr);

}  // namespace sandloop::display
