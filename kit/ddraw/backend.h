#pragma once
// The seam between the display layer and a real or simulated display: one
// small interface that the SDL back end (sdl/) and the memory-only headless
// back end (headless/) implement. The layer's surfaces live in memory; a
// back end lists modes and monitors, takes and gives back the screen,
// presents a composed page, delivers input, shows message boxes, plays a
// sound, shows or hides the cursor and tells the system that a saver runs.
//
// The back end in use is a process-wide service, like the display itself:
// the program selects one at start (SetBackend) and the layer's objects use
// it from then on.
#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "kit/ddraw/ddraw.h"

namespace sandloop {
class Picture;
}

namespace sandloop::display {

struct DisplayMode {
  int width = 0;
  int height = 0;
  int bpp = 0;
  bool operator==(const DisplayMode&) const = default;
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
//    no window of our own, the cursor and input are left alone, the
//    system's screen saver is not held off. The desktop mode is the host
//    window's size, which follows its resizes; a page of another size is
//    scaled to it. When the window is destroyed or the connection to the
//    display is lost, PollEvent delivers Quit (and later presents do
//    nothing, or fail with DDERR_SURFACELOST when the display is gone).
//  - Window: an ordinary resizable window of our own of the given initial
//    size (try-it); the desktop mode is the window's current size, a page of
//    another size is scaled to it, input is delivered, and its close button
//    delivers Quit. The system's screen saver is not held off either.
struct DisplayTarget {
  enum class Kind { FullScreen, Hosted, Window };
  Kind kind = Kind::FullScreen;
  HWND foreign = 0;           // Hosted
  int width = 0, height = 0;  // Window
};

// Input delivered to the application's message loop. Key codes are the
// platform's virtual-key codes (VK_ESCAPE 27, VK_LEFT 37 ... VK_DOWN 40,
// letters and digits as their upper-case characters). Quit is the window
// system's request to end: the program's window was closed.
struct InputEvent {
  enum class Kind { KeyDown, KeyPress, MouseMove, MouseButtonDown, MouseButtonUp, Quit };
  Kind kind = Kind::Quit;
  int key = 0;       // KeyDown: virtual-key code
  char ch = 0;       // KeyPress: the character
  int x = 0, y = 0;  // mouse position
  HWND window = 0;
};

// A sound to play: the WAVE file's bytes (which must outlive the call only),
// whether it loops, and for records and messages the name and flags the
// program asked with.
struct SoundRequest {
  std::string name;
  std::span<const std::uint8_t> wave;
  bool loop = false;
  DWORD flags = 0;
};

class Backend {
 public:
  virtual ~Backend() = default;
  virtual const char* Name() const = 0;

  // The result an operation must return instead of doing its work, or DD_OK
  // to let it run. Only the headless back end injects failures.
  virtual HRESULT Fault(Op) { return DD_OK; }

  // Display facts.
  virtual std::vector<DisplayMode> Modes() = 0;  // every listed mode
  virtual DisplayMode DesktopMode() = 0;
  // The monitor's own mode, whatever the target: the mode a full-screen run
  // finds as the desktop's, also while hosted or in a window of our own.
  virtual DisplayMode MonitorMode() = 0;
  virtual int MonitorCount() = 0;
  virtual bool GammaSupported() { return true; }

  // Windows. A form window is made by the program; a foreign window is one
  // of another program, named by its platform id (the preview host).
  virtual HWND CreateFormWindow(const std::string& title) = 0;
  virtual void DestroyWindow(HWND window) = 0;
  virtual bool WindowExists(HWND window) = 0;
  virtual bool IsWindowVisible(HWND window) = 0;
  // Draws `picture` unscaled with its top-left corner at (x, y) of a window.
  virtual bool DrawToWindow(HWND window, const Picture& picture, int x, int y) = 0;

  // The screen's root window, for hosting on the desktop itself (0: none).
  virtual HWND RootWindowId() = 0;
  // Chooses the target; before any form window is made. Hosted fails with
  // DDERR_INVALIDPARAMS when the window does not exist, and with
  // DDERR_UNSUPPORTED where the back end cannot reach it.
  virtual HRESULT SetTarget(const DisplayTarget& target) = 0;
  virtual DisplayTarget Target() const = 0;

  // Exclusive full-screen use of the display by `window`.
  virtual HRESULT BeginExclusive(HWND window) = 0;
  // Switches to a listed mode; a size or depth that is not listed fails
  // with DDERR_INVALIDMODE. The desktop's own mode needs no change. Hosted
  // and in a window any size is taken as the page's size, without a switch.
  virtual HRESULT SetMode(const DisplayMode& mode) = 0;
  virtual void EndExclusive() = 0;
  // Shows a page; `ramp` null means the neutral ramp. Waits for the display
  // where the back end can, so that a loop of presents runs at its rate.
  virtual HRESULT Present(const PageView& page, const DDGAMMARAMP* ramp) = 0;
  // The same when the screen already shows the previous page with the same
  // ramp and only `rects` of the page differ from it. A back end that
  // cannot update parts shows the whole page, and so does one whose screen
  // no longer holds the previous page (a window exposed after another one
  // covered it, a size change, a new window surface).
  virtual HRESULT PresentRects(const PageView& page, const DDGAMMARAMP* ramp, const RECT* /*rects*/, int /*count*/) {
    return Present(page, ramp);
  }

  // With false, presents no longer wait for the display's refresh: a loop
  // of presents runs as fast as the machine allows (to measure it).
  virtual void SetPacing(bool /*paced*/) {}

  // Input.
  virtual bool PollEvent(InputEvent* event) = 0;
  virtual void WaitEvent(int timeout_ms) = 0;

  // A modal message with an OK button.
  virtual void ShowMessage(HWND owner, const std::string& text, const std::string& caption) = 0;

  // Sound. Plays the bytes of a WAVE file in the background, once or over
  // and over until StopSound; a new sound replaces the one playing. False,
  // with the reason in `why`, when the bytes cannot be decoded or no audio
  // device can be opened: a program without sound goes on silent. No audio
  // device is opened before the first call, and StopSound closes it.
  virtual bool PlaySound(const SoundRequest& sound, std::string* why) = 0;
  virtual void StopSound() = 0;
  virtual bool SoundPlaying() = 0;

  // The system's own screen saver and blanking: `running` true says that a
  // saver runs (so the system must not start its own); false gives them
  // back. Returns the state before the call.
  virtual bool SetSaverRunning(bool running) = 0;

  // The mouse cursor over the program's windows, counted as the Windows
  // call counts: every hide lowers the count and every show raises it, and
  // the cursor shows while the count is 0 or more. Returns the new count.
  int ShowCursor(bool show);
  [[nodiscard]] int CursorCount() const { return cursor_count_.load(std::memory_order_relaxed); }

 protected:
  // Called when the count crosses between -1 and 0.
  virtual void SetCursorVisible(bool visible) = 0;

 private:
  std::atomic<int> cursor_count_{0};
};

// The back end in use; null until one is set.
void SetBackend(std::shared_ptr<Backend> backend);
Backend* CurrentBackend();
std::shared_ptr<Backend> CurrentBackendShared();

}  // namespace sandloop::display
