#pragma once
// The seam between the display layer and a real or simulated display: one
// small interface that the SDL back end (sdl/), the Windows back end
// (win32/) and the memory-only headless back end (headless/) implement.
// The layer's surfaces live in memory; a back end lists modes and
// monitors, takes and gives back the screen, presents a composed page,
// delivers input, shows message boxes, plays a sound, shows or hides the
// cursor, tells the system that a saver runs and says whether the screen
// can be seen at all.
//
// The rules every back end shares are kept here, above the seam: the
// target, mode and mode-list calls are checked once by the base class
// (backend.cpp), which then calls the back end's own part (DoSetTarget,
// DoSetMode, DoModes); the cursor's count is the base class's too.
// Presents are paced by Pacer (pacer.h) and converted by present.h. Each
// back end is made by a Create...Backend(std::string* why) function that
// starts it through StartBackend.
//
// The back end in use is a process-wide service, like the display itself:
// the program selects one at start (SetBackend) and the layer's objects use
// it from then on.
//
// The seam speaks its own small types (WindowId, Rect, Ramp, Status) and
// includes nothing of the emulated platform headers, so that a back end may
// include the real platform's headers beside it.
#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace sandloop {
class Picture;
}

namespace sandloop::display {

// A window of the platform: one of the program's own forms, or another
// program's window named by its platform id. 0 means none.
using WindowId = std::uintptr_t;

// A rectangle of pixels: left and top inside, right and bottom just outside.
struct Rect {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const Rect&) const = default;
};

// A gamma ramp: three tables of 256 unsigned 16-bit entries; a present uses
// the high byte of each entry.
struct Ramp {
  std::uint16_t red[256];
  std::uint16_t green[256];
  std::uint16_t blue[256];
};

// The outcome of a back-end call. The values are the display layer's own
// result codes, so that the layer hands them on unchanged; a fault injected
// with any other code travels through the same way.
enum class Status : std::int32_t {
  Ok = 0,
  Generic = static_cast<std::int32_t>(0x80004005u),
  Unsupported = static_cast<std::int32_t>(0x80004001u),
  InvalidParams = static_cast<std::int32_t>(0x80070057u),
  InvalidMode = static_cast<std::int32_t>(0x88760078u),
  NoExclusiveMode = static_cast<std::int32_t>(0x887600E1u),
  SurfaceLost = static_cast<std::int32_t>(0x887601C2u),
  OutOfMemory = static_cast<std::int32_t>(0x8007000Eu),
};
constexpr bool Failed(Status s) { return static_cast<std::int32_t>(s) < 0; }

struct DisplayMode {
  int width = 0;
  int height = 0;
  int bpp = 0;
  bool operator==(const DisplayMode&) const = default;
};

// Whether two rectangles share a pixel.
constexpr bool Overlap(const Rect& a, const Rect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// A monitor of the desktop: where it lies, in the desktop's pixels (the
// primary monitor's top-left corner is 0, 0), and its mode.
struct Monitor {
  Rect bounds;
  DisplayMode mode;
  bool operator==(const Monitor&) const = default;
};

// Operations whose result a back end may override (fault injection).
enum class Op {
  DirectDrawCreate,
  EnumerateDevices,
  SetCooperativeLevel,
  SetDisplayMode,
  CreateSurface,
  GetAttachedSurface,
  Flip,
  Restore,
  Blt,
  BltFast,
  GetDC,
  ReleaseDC,
  Lock,
  Unlock,
  SetColorKey,
  GetCaps,
  EnumDisplayModes,
  QueryInterface,
  GetGammaRamp,
  SetGammaRamp,
  SetAlphaPlane,
  Count
};
const char* OpName(Op op);

// A composed page as it is handed to the screen.
struct PageView {
  const std::uint8_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int pitch = 0;  // bytes per row
  int bpp = 0;    // 16, 24 or 32
};

// Where exclusive use of the display shows the page. Chosen once, before
// the display device opens.
//  - FullScreen: the form's own window, full screen (the ordinary run).
//  - Hosted: a window of another program (a screen-saver daemon, a settings
//    preview, the root window), at that window's own size. No mode switch,
//    no window of our own, the cursor and input are left alone. The
//    desktop mode is the host window's size, which follows its resizes; a
//    page of another size is scaled to it. When the window is destroyed or the connection to the
//    display is lost, PollEvent delivers Quit (and later presents do
//    nothing, or fail with SurfaceLost when the display is gone).
//  - Window: an ordinary resizable window of our own of the given initial
//    size (try-it); the desktop mode is the window's current size, a page of
//    another size is scaled to it, input is delivered, and its close button
//    delivers Quit.
struct DisplayTarget {
  enum class Kind { FullScreen, Hosted, Window };
  Kind kind = Kind::FullScreen;
  WindowId foreign = 0;       // Hosted
  int width = 0, height = 0;  // Window
};

// Input delivered to the application's message loop. Key codes are the
// platform's virtual-key codes (VK_ESCAPE 27, VK_LEFT 37 ... VK_DOWN 40,
// letters and digits as their upper-case characters). Quit is the window
// system's request to end: the program's window was closed. MonitorsChanged
// says that a monitor came, went or changed its mode while the display was
// in exclusive use; Monitors() tells the new arrangement, whose further
// monitors the back end has covered already. Mouse positions over a further
// monitor are told in the primary window's coordinates, as if it reached
// over the whole desktop.
struct InputEvent {
  enum class Kind { KeyDown, KeyPress, MouseMove, MouseButtonDown, MouseButtonUp, Quit, MonitorsChanged };
  Kind kind = Kind::Quit;
  int key = 0;       // KeyDown: virtual-key code
  char ch = 0;       // KeyPress: the character
  int x = 0, y = 0;  // mouse position
  WindowId window = 0;
};

// A sound to play: the WAVE file's bytes (which must outlive the call only),
// whether it loops, and for records and messages the name and flags the
// program asked with.
struct SoundRequest {
  std::string name;
  std::span<const std::uint8_t> wave;
  bool loop = false;
  std::uint32_t flags = 0;
};

class Backend {
 public:
  virtual ~Backend() = default;
  virtual const char* Name() const = 0;

  // The result an operation must return instead of doing its work, or Ok
  // to let it run. Only the headless back end injects failures.
  virtual Status Fault(Op) { return Status::Ok; }

  // The depths a page is composed and listed in.
  static constexpr int kDepths[] = {16, 24, 32};
  static bool IsPageDepth(int bpp) { return bpp == 16 || bpp == 24 || bpp == 32; }
  // The largest width or height of a page shown hosted or in a window.
  static constexpr int kMaxPageSide = 16384;

  // Display facts.
  // Every listed mode. Full screen: the modes the display offers
  // (DoModes). Hosted and in a window: the target's own size (DesktopMode)
  // at every depth, and nothing else: no mode is switched there, and a
  // caller choosing among the listed sizes chooses the size a page is shown
  // at unscaled, which the monitor's modes would not be.
  std::vector<DisplayMode> Modes();
  virtual DisplayMode DesktopMode() = 0;
  // The monitor's own mode, whatever the target: the mode a full-screen run
  // finds as the desktop's, also while hosted or in a window of our own.
  virtual DisplayMode MonitorMode() = 0;
  virtual int MonitorCount() = 0;
  // Every monitor, the primary first. Hosted and in a window there is one,
  // the target; by default one, in MonitorMode.
  virtual std::vector<Monitor> Monitors();
  virtual bool GammaSupported() { return true; }

  // Windows. A form window is made by the program; a foreign window is one
  // of another program, named by its platform id (the preview host).
  virtual WindowId CreateFormWindow(const std::string& title) = 0;
  virtual void DestroyWindow(WindowId window) = 0;
  virtual bool WindowExists(WindowId window) = 0;
  virtual bool IsWindowVisible(WindowId window) = 0;
  // Draws `picture` unscaled with its top-left corner at (x, y) of a window.
  virtual bool DrawToWindow(WindowId window, const Picture& picture, int x, int y) = 0;
  // Whether a picture drawn into another program's window is drawn again
  // whenever that window repaints, for as long as the program runs its
  // message loop; otherwise it lasts until the window's first repaint.
  virtual bool KeepsPicturesDrawn() const { return false; }

  // The screen's root window, for hosting on the desktop itself (0: none).
  virtual WindowId RootWindowId() = 0;
  // Chooses the target; before any form window is made. A window target
  // without a size fails with InvalidParams. Hosted fails with
  // InvalidParams when the window does not exist, and with Unsupported
  // where the back end cannot reach it.
  Status SetTarget(const DisplayTarget& target);
  virtual DisplayTarget Target() const = 0;

  // Exclusive full-screen use of the display by `window`.
  virtual Status BeginExclusive(WindowId window) = 0;
  // The window in exclusive use; 0 when none.
  virtual WindowId ExclusiveWindow() const = 0;
  // Switches to a listed mode. Without exclusive use it fails with
  // NoExclusiveMode; a depth other than 16, 24 or 32, or a size or depth
  // that is not listed fails with InvalidMode. The desktop's own mode needs
  // no change. Hosted and in a window any size from 1 to kMaxPageSide is
  // taken as the page's size, without a switch.
  Status SetMode(const DisplayMode& mode);
  virtual void EndExclusive() = 0;
  // Shows a page; `ramp` null means the neutral ramp. Waits for the display
  // where the back end can, so that a loop of presents runs at its rate.
  virtual Status Present(const PageView& page, const Ramp* ramp) = 0;
  // The same when the screen already shows the previous page with the same
  // ramp and only `rects` of the page differ from it. A back end that
  // cannot update parts shows the whole page, and so does one whose screen
  // no longer holds the previous page (a window exposed after another one
  // covered it, a size change, a new window surface).
  virtual Status PresentRects(const PageView& page, const Ramp* ramp, const Rect* /*rects*/, int /*count*/) {
    return Present(page, ramp);
  }

  // Further monitors. While a full-screen window is in exclusive use, the
  // back end covers every monitor but the primary one with a window of its
  // own, black until a page is shown there, so that nothing of the desktop
  // stays readable; ending exclusive use removes them. A monitor that
  // overlaps one before it in Monitors() (a clone of the primary's picture)
  // shows that one's window where they overlap: no cover hides it there. PresentMonitor shows
  // a page composed for monitor `index` (1 and up) on its cover, scaled to
  // the monitor where the sizes differ; `rects` null or `count` < 0 shows
  // the whole page, else only those parts changed since its last page. It
  // never waits for the display: the primary's presents pace the loop.
  // Fails with InvalidParams for a monitor that is not there, with
  // NoExclusiveMode without exclusive use, and with Unsupported where the
  // back end covers no further monitor.
  virtual Status PresentMonitor(int /*index*/, const PageView& /*page*/, const Ramp* /*ramp*/, const Rect* /*rects*/,
                                int /*count*/) {
    return Status::Unsupported;
  }

  // With false, presents no longer wait for the display's refresh: a loop
  // of presents runs as fast as the machine allows (to measure it).
  virtual void SetPacing(bool /*paced*/) {}

  // Input.
  virtual bool PollEvent(InputEvent* event) = 0;
  // Waits until input arrives, WakeWait is called or `timeout_ms` have
  // passed; a back end may return sooner (to notice a termination signal).
  virtual void WaitEvent(int timeout_ms) = 0;
  // Ends the WaitEvent in progress, or the next one when none is; from any
  // thread. The frame timer's tick wakes the drawing thread with it, so
  // that one wait covers both input and the next tick.
  virtual void WakeWait() = 0;

  // A modal message with an OK button.
  virtual void ShowMessage(WindowId owner, const std::string& text, const std::string& caption) = 0;

  // Sound. Plays the bytes of a WAVE file in the background, once or over
  // and over until StopSound; a new sound replaces the one playing. False,
  // with the reason in `why`, when the bytes cannot be decoded or no audio
  // device can be opened: a program without sound goes on silent. No audio
  // device is opened before the first call, and StopSound closes it.
  virtual bool PlaySound(const SoundRequest& sound, std::string* why) = 0;
  virtual void StopSound() = 0;
  virtual bool SoundPlaying() = 0;

  // `running` true tells the system that a screen saver runs, false that it
  // no longer does; returns the state before the call. A saver runs because
  // the session is idle, so no target holds anything off: the display's
  // power saving, the session's lock and system sleep come at their times.
  virtual bool SetSaverRunning(bool running) = 0;

  // True while nothing shown can be seen: the display is in power saving
  // (standby, suspend or off), the system has blanked it, or the session is
  // locked or switched away. Asked between frames on the program's thread;
  // a back end that must ask the display server does so about once a
  // second and answers from what it learnt in between.
  virtual bool DisplayAsleep() { return false; }

  // The mouse cursor over the program's windows, counted as the Windows
  // call counts: every hide lowers the count and every show raises it, and
  // the cursor shows while the count is 0 or more. Returns the new count.
  int ShowCursor(bool show);
  [[nodiscard]] int CursorCount() const { return cursor_count_.load(std::memory_order_relaxed); }

 protected:
  // The back end's part of Modes: every mode the display offers full
  // screen, the desktop's own among them.
  virtual std::vector<DisplayMode> DoModes() = 0;
  // The back end's part of SetTarget, for a target whose size is checked.
  virtual Status DoSetTarget(const DisplayTarget& target) = 0;
  // The back end's part of SetMode, for a mode that may be set: exclusive
  // use is held, the depth is a page's, and the mode is listed (full
  // screen) or its size is a page's (hosted or in a window).
  virtual Status DoSetMode(const DisplayMode& mode) = 0;

  // Adds width x height at every depth to `modes`, where not listed yet.
  static void AddAtEveryDepth(std::vector<DisplayMode>* modes, int width, int height);
  // A message that no box shows goes to standard error instead.
  static void EchoMessage(const std::string& text, const std::string& caption);

  // Called when the count crosses between -1 and 0.
  virtual void SetCursorVisible(bool visible) = 0;

 private:
  std::atomic<int> cursor_count_{0};
};

// Makes a back end of class B and starts it (B::Start): null, with the
// reason in `why` (when not null), when it cannot start. Every back end's
// Create...Backend function makes it this way.
template <class B>
std::shared_ptr<B> StartBackend(std::string* why) {
  auto backend = std::make_shared<B>();
  std::string reason;
  if (!backend->Start(&reason)) {
    if (why != nullptr) *why = reason;
    return nullptr;
  }
  return backend;
}

// The back end in use; null until one is set.
void SetBackend(std::shared_ptr<Backend> backend);
Backend* CurrentBackend();
std::shared_ptr<Backend> CurrentBackendShared();

}  // namespace sandloop::display
