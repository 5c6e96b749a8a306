// Input while the scene runs, and the ways it ends: the orderly finish,
// the release of the scene, and the handler of unhandled exceptions.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "scene/Unit1.h"
#include "scene/Worker.h"

namespace sandloop {

namespace {

// The mouse position of the previous mouse-move event, for the whole
// process: the first event after the start only records it.
std::atomic<int> g_last_mouse_x{0};
std::atomic<int> g_last_mouse_y{0};

constexpr int kEscape = 27;
constexpr int kLeft = 37, kUp = 38, kRight = 39, kDown = 40;

}  // namespace

int TForm1::LastMouseX() { return g_last_mouse_x.load(std::memory_order_relaxed); }
int TForm1::LastMouseY() { return g_last_mouse_y.load(std::memory_order_relaxed); }
void TForm1::ResetLastMouse() {
  g_last_mouse_x.store(0, std::memory_order_relaxed);
  g_last_mouse_y.store(0, std::memory_order_relaxed);
}

void TForm1::FormKeyPress(char& key) {
  if (finished_) return;
  if (Settings.TermMouse) return TryFinish();
  switch (key) {
    case kEscape: TryFinish(); break;
    case '+': GammaStep(+1); break;
    case '-': GammaStep(-1); break;
    default: break;
  }
}

// "+" and "-" change the brightness by one step within 0 to 256 and store
// the level, also when a limit stopped the change.
void TForm1::GammaStep(int delta) {
  DDgamma1.SetEnabled(true);
  if (!DDgamma1.Enabled()) return;  // the display has no gamma ramp
  const int level = DDgamma1.GetRGB();
  if (delta > 0 && level < 256) DDgamma1.SetRGB(level + 1);
  if (delta < 0 && level > 0) DDgamma1.SetRGB(level - 1);
  DDgamma1.SetEnabled(false);
  whole_frames_ = std::max(whole_frames_, 1);  // show the new brightness at once
  Settings.Gamma = DDgamma1.GetRGB();
  SetFurtherBrightness(Settings.Gamma);
  StoreInt("Gamma", Settings.Gamma);
}

void TForm1::FormKeyDown(int& key, unsigned) {
  if (finished_) return;
  if (Settings.TermMouse) return TryFinish();
  if (key == kLeft || key == kUp || key == kRight || key == kDown) MoveClock(key);
}

// The arrow keys move the clock by one pixel, keeping the whole face 20
// pixels inside the screen, and store the position on every key. A clock
// that was off the screen shows as soon as its place is on it again. A run
// in a host's window or a window of its own moves its fitted clock without
// storing it: the stored place is the full-screen one.
void TForm1::MoveClock(int key) {
  whole_frames_ = 1;  // the clock leaves its old place
  SettingsRecord& s = Settings;
  const int r = s.clockRad;
  const auto store = [&](const char* name, int value) {
    if (store_clock_) StoreInt(name, value);
  };
  switch (key) {
    case kLeft:
      if (r + 20 < s.clockX) --s.clockX;
      DXClock1.SetXcenter(s.clockX);
      store("clockX", s.clockX);
      break;
    case kUp:
      if (r + 20 < s.clockY) --s.clockY;
      DXClock1.SetYcenter(s.clockY);
      store("clockY", s.clockY);
      break;
    case kRight:
      if (s.clockX < s.ResHor - r - 20) ++s.clockX;
      DXClock1.SetXcenter(s.clockX);
      store("clockX", s.clockX);
      break;
    case kDown:
      if (s.clockY < s.ResVert - r - 20) ++s.clockY;
      DXClock1.SetYcenter(s.clockY);
      store("clockY", s.clockY);
      break;
    default: break;
  }
  UpdateClockShown();
}

void TForm1::StoreInt(const char* name, int value) {
  if (options_.offline) return;
  try {
    SetReg1.Write(name, value);
  } catch (const ERegistryError& e) {
    // A store that cannot take the value loses this adjustment only.
    Log("SettingsStore", e.what());
  }
}

void TForm1::FormMouseMove(unsigned, int x, int y) {
  const int last_x = LastMouseX(), last_y = LastMouseY();
  if (!finished_ && Settings.TermMouse && !MouseExitPending &&
      ((std::abs(x - last_x) > 5 && last_x != 0) || (std::abs(y - last_y) > 5 && last_y != 0))) {
    DDmain1.SetTestString3("KU-KU!!");
    MouseExitPending = true;
    TryFinish();
  }
  g_last_mouse_x.store(x, std::memory_order_relaxed);
  g_last_mouse_y.store(y, std::memory_order_relaxed);
}

// A mouse button counts as a key: it ends the saver when any key does, and
// does nothing when only Esc does.
void TForm1::FormMouseDown(int, int) {
  if (finished_) return;
  if (Settings.TermMouse) TryFinish();
}

void TForm1::FormQuit() {
  if (!finished_) FinishSaver();
}

void TForm1::TryFinish() {
  if (FinishGuard || finished_) return;
  FinishGuard = true;
  // Every frame flips once and set-up flipped once: one more flip when the
  // count is odd evens the count. The page itself stays as it is (a flip
  // leaves the back buffer holding the frame shown), so the next frame
  // still draws only what changes.
  if (!FlipParity) DDmain1.FlipSurfaces();
  if (!options_.offline) Cursor(true);
  if (VerifyPassword(Handle())) {
    FinishSaver();
  } else {
    if (!DDtimer1.Enabled()) DDtimer1.SetEnabled(true);
    if (!options_.offline) Cursor(false);
    MouseExitPending = false;
  }
  FinishGuard = false;
}

// The session's own screen lock guards the desktop; the saver asks for no
// password of its own.
bool TForm1::VerifyPassword(HWND) { return true; }

void TForm1::FinishSaver() {
  if (finished_) return;
  // A further monitor's scene ends with the primary's, which ends the run.
  if (Further()) {
    finished_ = true;
    CloseScene();
    return;
  }
  finished_ = true;
  Application().OnIdle = nullptr;
  if (DDgamma1.Enabled()) DDgamma1.SetRGB(256);
  CloseScene();
  StopSound();
  if (options_.fault == FaultPoint::Finish) throw std::runtime_error("fault injected into the finish");
  Hide();
  if (!options_.offline) SystemSaverRunning(false);
  Log("FINISH AT=======>", Now());
  Close();
}

void TForm1::CloseScene() {
  DDtimer1.SetEnabled(false);
  DropFurtherScenes();
  if (scene_closed_) {
    DDmain1.SetEnabled(false);
    return;
  }
  // A worker still decoding the surf stops after the job it is on.
  worker_.reset();
  DDbmp1ground.CloseSurface();
  DDbmp1palmleft.CloseSurface();
  DDbmp1palmmidle.CloseSurface();
  DDbmp1palmright.CloseSurface();
  DDbmp1stounleft.CloseSurface();
  DDani1hightwater.CloseSurface();
  DDani1lowwater.CloseSurface();
  DDbmp1secondplane.CloseSurface();
  DDani1Eagles.CloseSurface();
  DDbmp1papright.CloseSurface();
  DDani1Butterflys.CloseSurface();
  DDani2Butterflys.CloseSurface();
  DDani3Butterflys.CloseSurface();
  DDmain1.SetEnabled(false);
  ReleaseCreatures();
  scene_closed_ = true;
}

// Every unhandled exception ends the saver, also one raised while it was
// already finishing: its message and the end go to the log, and the
// program ends. The end comes once; an exception after it adds only its
// message.
void TForm1::AppException(TComponent*, const std::exception& e) {
  Log("ExceptionMessage", e.what());
  std::fprintf(stderr, "sandloop: %s\n", e.what());
  if (ended_by_exception_) return;
  ended_by_exception_ = true;
  finished_ = true;
  Application().OnIdle = nullptr;
  // Each step on its own: one that fails as well keeps neither the others
  // nor the end from coming.
  const auto step = [](auto&& action) {
    try {
      action();
    } catch (...) {
    }
  };
  step([&] { StopSound(); });
  step([&] {
    if (DDmain1.Enabled()) CloseScene();
  });
  step([&] { DDtimer1.SetEnabled(false); });
  if (!options_.offline) step([&] { SystemSaverRunning(false); });
  Log("FINISH WITH E AT=======>", Now());
  Application().Terminate();
}

}  // namespace sandloop
