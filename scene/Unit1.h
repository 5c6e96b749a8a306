#pragma once
// TForm1: the full-screen beach scene of run mode. It owns every component
// of the scene; FormCreate builds the whole scene in one pass (settings,
// sun times, display, sprites and strips, creatures, gamma, timer, sound,
// cursor, tint) and installs DrawFrame as the application's idle event.
// Input decides whether the saver ends; FinishSaver, AppException and
// DDmain1Error end it.
//
// With several monitors, this scene (the primary monitor's) makes one
// scene more for every further monitor, steps them with its tick and draws
// them with its frame (Unit1Monitors.cpp); they draw the beach only.
//
// Its members are defined by concern, each group below naming its file:
// set-up in Unit1.cpp, the tick and the frame in Unit1Frame.cpp, the
// creatures and the tint in Unit1Animation.cpp, input and the ways the
// scene ends in Unit1Finish.cpp, the platform's side (sound, cursor, the
// system's saver state) in Unit1System.cpp, and the further monitors'
// scenes in Unit1Monitors.cpp. The other files of scene/
// (Creatures, DayCycle, Damage, Layout, Worker) are modules of their own
// that the scene uses.
//
// Two threads share the scene:
//  - The frame timer's thread runs DDtimer1Timer: it advances WaterFrame,
//    the creatures, WingCounter, the demonstration clock and the tint.
//  - The main thread runs set-up, DrawFrame, the input handlers and the
//    finish routines.
// Everything the tick writes and the frame reads is an atomic (relaxed: a
// frame may show some creatures already stepped and others not, never a
// torn value), and the texts of the overlay lines are exchanged under the
// display device's lock. The tick never allocates, releases or resizes
// anything the frame uses; CloseScene stops the timer before it releases
// the surfaces and the creature records. Set-up finishes writing every
// field the tick reads before it enables the timer. An exception of a tick
// is kept under a lock for the main thread, whose next frame throws it, so
// that it ends the saver the way every unhandled exception does.
#include <array>
#include <atomic>
#include <cstdint>
#include <exception>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "diag/DDErrorLog.h"
#include "kit/DDani.h"
#include "kit/DDbmp.h"
#include "kit/DDgamma.h"
#include "kit/DDmain.h"
#include "kit/DDtimer.h"
#include "kit/DXClock.h"
#include "kit/Forms.h"
#include "kit/LocalClock.h"
#include "kit/Picture.h"
#include "kit/RgbaPicture.h"
#include "kit/SoundLock.h"
#include "scene/Creatures.h"
#include "scene/Damage.h"
#include "scene/DayCycle.h"
#include "scene/Layout.h"
#include "settings/Overrides.h"
#include "settings/SetReg.h"
#include "settings/Settings.h"

namespace sandloop {

class TForm1;
class Worker;

// Places where a test can make the scene throw, to check that every
// exception ends the saver in order with its two log lines.
enum class FaultPoint {
  None,
  Tick,     // the 20th tick of the frame timer, on the timer's thread
  Finish,   // the orderly finish, after the scene is released
  Picture,  // set-up: the far surf's picture is damaged and cannot be decoded
  SmoothMemory,  // set-up: every smooth piece runs out of memory (std::bad_alloc)
  NoThread,      // set-up: no thread can be started for the pictures
};

// The fault point a name stands for ("tick", "finish", "picture", "smooth",
// "thread"); None for any other name.
[[nodiscard]] FaultPoint FaultPointFromName(const std::string& name);

// How a scene runs besides its stored settings.
struct SceneOptions {
  // Settings changed for this run only, applied right after the load.
  std::vector<SettingOverride> overrides;
  // A scene drawn to files: the caller advances the ticks itself, and the
  // scene starts no timer and no sound, writes neither the settings store
  // nor the log, and leaves the cursor and the system's saver state alone.
  bool offline = false;
  // Seeds the pseudo-random source instead of the current time.
  std::optional<std::uint32_t> seed;
  // Composes and presents the whole frame on every idle pass, as fast as
  // the display takes frames, instead of only the parts that changed when
  // something changed.
  bool plain = false;
  // A fault to inject (tests only).
  FaultPoint fault = FaultPoint::None;
  // The scene of a further monitor (1 and up; 0 is the primary's scene,
  // which makes and drives the others). It shows the beach on that monitor
  // with `settings`, the primary's, and leaves the log, the settings store,
  // the timer, the sound, the cursor, the system's saver state, the clock
  // and the text lines to the primary's scene.
  int monitor = 0;
  std::optional<SettingsRecord> settings;
  // A scene of the same size and depth whose sprites this one draws as
  // well, instead of making its own (the strips and creatures are its own).
  TForm1* share = nullptr;
  // Keeps the designed stretch and colour key at every display size; else
  // displays larger than the largest designed mode draw the scenery from
  // its high-resolution masters, scaled smoothly, with soft edges.
  bool exact_pixels = false;
};

class TForm1 : public TForm {
 public:
  // `clock` is the local time the scene reads (the computer's by default).
  explicit TForm1(TApplication& app, const LocalClock& clock = SystemClock(), SceneOptions options = {});
  ~TForm1() override;

  // --- components, made in this order and destroyed in reverse ------------
  TDDErrorLog DDErrorLog1{this};
  TSetReg SetReg1{this};
  TDDmain DDmain1{this};
  TDXClock DXClock1;
  TDDtimer DDtimer1{this};
  TDDgamma DDgamma1{this};
  TDDbmp DDbmp1ground{this};
  TDDani DDani1lowwater{this};
  TDDani DDani1hightwater{this};
  TDDbmp DDbmp1secondplane{this};
  TDDbmp DDbmp1palmleft{this};
  TDDbmp DDbmp1palmmidle{this};
  TDDbmp DDbmp1palmright{this};
  TDDbmp DDbmp1stounleft{this};
  TDDbmp DDbmp1papright{this};
  TDDani DDani1Eagles{this};
  TDDani DDani1Butterflys{this};
  TDDani DDani2Butterflys{this};
  TDDani DDani3Butterflys{this};

  // --- state --------------------------------------------------------------
  bool FinishGuard = false;
  bool FlipParity = false;
  std::atomic<int> WaterFrame{0};  // written by the tick
  bool MouseExitPending = false;
  // The working copy of the settings, named after the stored values.
  SettingsRecord Settings;
  float Latitude = 0, Longitude = 0;
  int UtcOffset = 0;
  // The creatures: made at set-up, stepped by the tick, released once by
  // CloseScene after the timer has stopped.
  EagleArray Eagles;
  int NumEagles = 0;
  ButterflyArray Butterflies;
  int NumButterflies = 0;
  std::atomic<int> WingCounter{0};  // written by the tick
  // The time of day and its tint.
  TDayCycle DayCycle;

  // --- set-up (Unit1.cpp) ---------------------------------------------------
  // Builds and starts the scene. Exceptions go to the application's
  // exception event, which is AppException from the first step on.
  void FormCreate();
  // The timer period for a speed setting: 0 slow, 2 fast, else normal.
  [[nodiscard]] static int TimerInterval(int speed);

  // --- creatures and time of day (Unit1Animation.cpp) ----------------------
  void InitEagles();
  void InitButterflies();
  void UpdateDaylight();

  // --- frame (Unit1Frame.cpp) -----------------------------------------------
  void DDtimer1Timer(TComponent* sender);
  void DrawFrame(bool& done);
  // Composes the whole frame from the current state and flips it.
  void RenderFrame();
  // Draws every layer of the current state into the back surface. `part`
  // (null: the whole frame) is the part being drawn again, the back
  // surface's clip rectangle: layers that an opaque layer above covers
  // there are left out.
  void ComposeFrame(const RECT* part = nullptr);
  void DDmain1Error(TComponent* sender);

  // --- input and finish (Unit1Finish.cpp) -----------------------------------
  void FormKeyPress(char& key) override;
  void FormKeyDown(int& key, unsigned shift) override;
  void FormMouseMove(unsigned shift, int x, int y) override;
  void FormMouseDown(int x, int y) override;
  void FormQuit() override;
  // The further monitors' scenes follow the monitors (Unit1Monitors.cpp).
  void FormMonitorsChanged() override;
  void TryFinish();
  bool VerifyPassword(HWND window);
  void FinishSaver();
  void CloseScene();
  void AppException(TComponent* sender, const std::exception& e);
  // The last mouse position seen by any scene of the process.
  static int LastMouseX();
  static int LastMouseY();
  static void ResetLastMouse();

  // --- what the scene shows (here) ------------------------------------------
  // Whether the clock is drawn: switched on, and its current place makes
  // sense on the screen.
  [[nodiscard]] bool ClockShown() const { return clock_visible_; }
  // True once the saver has finished; later input is ignored.
  [[nodiscard]] bool Finished() const { return finished_; }
  // The scenes of the further monitors, in the monitors' order (the
  // primary's scene only; empty with one monitor).
  [[nodiscard]] const std::vector<std::unique_ptr<TForm1>>& FurtherScenes() const { return further_; }
  // Whether this is a further monitor's scene.
  [[nodiscard]] bool Further() const { return options_.monitor > 0; }
  // The placement of the 13 sprites and strips (valid after set-up).
  [[nodiscard]] const Layout& Placements() const { return layout_; }
  // How the scene meets the screen's shape (valid after set-up).
  [[nodiscard]] const SceneShape& Shape() const { return shape_; }

 private:
  struct Piece {
    TDDbmp* bmp = nullptr;
    TDDani* ani = nullptr;
  };
  // Where a creature was drawn, and which picture.
  struct Shown {
    int x = 0, y = 0, picture = -1;
    bool operator==(const Shown&) const = default;
  };
  static constexpr int kEagleSlots = 10;

  // Unit1.cpp
  void LoadSettingsReadOnly();
  void StartPictures();
  void BuildPieces();
  void BuildPiece(int index, const Placement& p, const std::function<bool()>& help);
  void CompleteStrips();
  void FirstFrameShown();
  void ReturnFreeMemory();
  [[nodiscard]] Piece PieceAt(int index);
  // Whether piece `index` is a sprite drawn from the shared scene's.
  [[nodiscard]] bool SharesSprite(int index);
  [[nodiscard]] bool ClockMakesSense() const;
  void UpdateClockShown();
  void FitClockToWindow(int width, int height);
  void Log(const std::string& text);
  void Log(const std::string& label, const std::string& value);
  [[nodiscard]] std::string Now() const;
  // Unit1Animation.cpp
  void SeedRandom();
  void StepEagles();
  void StepButterflies();
  void SnapshotMotion();
  void DrawEagles();
  void DrawButterflies();
  void ReleaseCreatures();
  void SetSunTimes(float rise, float set);
  void StartTimeOfDay();
  void TickTimeOfDay();
  // Unit1Monitors.cpp
  void TakeFurtherSettings();
  void SetCreaturesApart();
  void FollowMonitors();
  void DropFurtherScenes();
  void SetFurtherBrightness(int level);
  // Unit1Frame.cpp
  void DrawFurther();
  void DrawChanges(std::uint64_t ticks, int second);
  void TickSteps();
  void RethrowTickFailure();
  void WaitForTick();
  [[nodiscard]] bool Resting();
  void AddCreatureDamage(DamageList& damage) const;
  [[nodiscard]] RECT ClockBox() const;
  [[nodiscard]] int ScreenX(float design_x) const;
  [[nodiscard]] int ScreenY(float design_y) const;
  // Unit1Finish.cpp
  void StoreInt(const char* name, int value);
  void GammaStep(int delta);
  void MoveClock(int key);
  // Unit1System.cpp: the platform's side: sound, cursor, the system's
  // saver state.
  void SystemSaverRunning(bool running);
  void StartSound();
  void StopSound();
  void PauseSound();
  void Cursor(bool show);

  const LocalClock& clock_;
  SceneOptions options_;
  SceneShape shape_{};
  Layout layout_{};
  std::array<std::future<Picture>, kPieceCount> decoded_;  // pictures decoded ahead
  std::array<std::future<display::SurfacePixels>, kPieceCount> smooth_;  // masters scaled ahead, as surface pixels
  std::array<std::future<TDDani::Frames>, kPieceCount> frames_;  // strips' frames cut ahead
  std::array<std::future<Picture>, kPieceCount> rest_;        // whole surf strips, decoded after set-up
  std::array<std::future<TDDani::Frames>, kPieceCount> rest_frames_;  // and their frames cut ahead
  std::unique_ptr<Worker> worker_;                             // still decoding them
  std::size_t first_frame_jobs_ = 0;                           // the worker's jobs before the strips' rest
  bool finished_ = false;
  bool ended_by_exception_ = false;  // AppException has ended the saver
  // An exception of a tick, kept for the main thread, which ends the saver
  // with it; after it the ticks do nothing.
  std::atomic<bool> tick_failed_{false};
  std::mutex tick_failure_mutex_;
  std::exception_ptr tick_failure_;
  // A run in a host's window or a window of its own stores no clock place:
  // its clock is the full-screen clock fitted to the window.
  bool store_clock_ = true;
  bool scene_closed_ = false;
  bool sound_started_ = false;
  bool sound_waiting_ = false;  // another copy plays the surf: ask again later
  std::unique_ptr<SoundLock> sound_lock_;
  bool clock_visible_ = false;
  SeededRandom random_;  // used by set-up, then by the tick only
  std::uint32_t seed_ = 0;  // the seed it was given
  // The further monitors' scenes. Made, dropped and rebuilt on the main
  // thread while the timer is stopped; the tick steps them.
  std::vector<std::unique_ptr<TForm1>> further_;
  // The monitors are to be looked at again (after the first frame, and
  // whenever they change) and the further scenes made to match them.
  bool monitors_pending_ = false;
  std::vector<display::Monitor> monitors_shown_;  // what further_ was made for
  // Why this further monitor's display could not be opened.
  std::string further_failure_;
  std::atomic<std::uint64_t> tick_count_{0};
  // The longest wait for input between frames; a tick ends it sooner.
  static constexpr int kIdleWaitMs = 250;

  // What the screen shows, for drawing only what changes: the tick and the
  // clock's second it was drawn for, where the creatures were, the parts
  // that changed from the frame before, and how many more frames must be
  // drawn whole (after set-up, a rest or a flip of its own).
  int water_now_ = 0;         // the surf's frame being drawn
  int water_shown_ = -1;      // and the one on the screen (-1: none yet)
  std::uint64_t shown_ticks_ = ~std::uint64_t{0};
  int shown_second_ = -1;
  std::array<Shown, kEagleSlots> eagles_now_{}, eagles_shown_{};
  std::array<Shown, kButterflyCount> butterflies_now_{}, butterflies_shown_{};
  DamageList damage_;
  int whole_frames_ = 1;

  // While nobody can see the screen the scene rests: no ticks, no frames,
  // no sound. What it stopped, to start again when the screen comes back.
  static constexpr int kRestWaitMs = 1000;
  bool resting_ = false;
  bool timer_before_rest_ = false;
  bool sound_before_rest_ = false;
};

}  // namespace sandloop
