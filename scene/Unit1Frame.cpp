// The running scene: the tick that advances its state on the timer's
// thread, the frame drawn from that state on the main thread, and the
// handler of display errors.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <utility>

#include "scene/Unit1.h"

namespace sandloop {

// An exception of a tick cannot travel up the timer's thread: it is kept
// for the main thread, which ends the saver with it at its next frame, and
// the ticks after it change nothing.
void TForm1::DDtimer1Timer(TComponent*) {
  if (tick_failed_.load(std::memory_order_acquire)) return;
  try {
    TickSteps();
  } catch (...) {
    {
      std::lock_guard<std::mutex> lock(tick_failure_mutex_);
      tick_failure_ = std::current_exception();
    }
    tick_failed_.store(true, std::memory_order_release);
  }
  // The further monitors' scenes step with this one, before the frame
  // that shows them all is woken.
  for (const auto& further : further_) further->DDtimer1Timer(nullptr);
  tick_count_.fetch_add(1, std::memory_order_release);
  if (Further()) return;
  if (display::Backend* b = display::CurrentBackend()) b->WakeWait();
}

void TForm1::TickSteps() {
  if (options_.fault == FaultPoint::Tick && tick_count_.load(std::memory_order_relaxed) == 19)
    throw std::runtime_error("fault injected into the frame tick");
  int water = WaterFrame.load(std::memory_order_relaxed) + 1;
  if (water > 29) water = 0;
  WaterFrame.store(water, std::memory_order_relaxed);
  StepEagles();
  int wing = WingCounter.load(std::memory_order_relaxed) + 1;
  if (wing > 15) wing = 0;
  WingCounter.store(wing, std::memory_order_relaxed);
  StepButterflies();
  TickTimeOfDay();
}

// On the main thread: throws the exception a tick kept, so that it takes
// the way of every unhandled exception of the scene.
void TForm1::RethrowTickFailure() {
  std::exception_ptr failure;
  {
    std::lock_guard<std::mutex> lock(tick_failure_mutex_);
    failure = std::exchange(tick_failure_, nullptr);
  }
  if (!failure) return;
  try {
    std::rethrow_exception(failure);
  } catch (const std::exception&) {
    throw;
  } catch (...) {
    throw std::runtime_error("an unknown exception in the frame tick");
  }
}

// A frame shows the state of the latest tick. The state changes only on
// ticks (and the clock once a second), so a frame is drawn only when one
// of them has come, and then only the parts of the screen that change are
// composed again and shown; everything else on the page is what a whole
// composition would draw there too.
void TForm1::DrawFrame(bool& done) {
  done = false;
  if (tick_failed_.load(std::memory_order_acquire)) return RethrowTickFailure();
  if (Resting()) return;
  if (sound_waiting_) StartSound();  // the lock itself limits how often it asks
  // The further monitors are covered once the primary shows its first
  // frame, and again whenever they change.
  if (monitors_pending_ && water_shown_ >= 0) FollowMonitors();
  for (const auto& further : further_) further->DrawFurther();
  if (options_.plain) return RenderFrame();
  const std::uint64_t ticks = tick_count_.load(std::memory_order_acquire);
  int second = shown_second_;
  if (clock_visible_) {
    const LocalTime t = clock_.Now();
    second = t.hour * 3600 + t.minute * 60 + t.second;
  }
  if (whole_frames_ == 0 && ticks == shown_ticks_ && second == shown_second_) return WaitForTick();
  DrawChanges(ticks, second);
}

// A further monitor's frame: drawn when its scene has ticked since, or
// must be drawn whole. It has no clock and never waits: the primary's
// frame does.
void TForm1::DrawFurther() {
  if (finished_) return;
  if (options_.plain) return RenderFrame();
  const std::uint64_t ticks = tick_count_.load(std::memory_order_acquire);
  if (whole_frames_ == 0 && ticks == shown_ticks_) return;
  DrawChanges(ticks, shown_second_);
}

// Composes again what changed since the frame on the screen, and shows it.
void TForm1::DrawChanges(std::uint64_t ticks, int second) {
  const int w = DDmain1.GetWidth(), h = DDmain1.GetHeight();
  SnapshotMotion();
  if (water_now_ != 0) CompleteStrips();
  if (finished_) return;
  damage_.Reset(w, h);
  if (whole_frames_ > 0) damage_.AddAll();
  // The surf is drawn again where its frame differs from the one shown.
  damage_.Add(DDani1lowwater.ChangedRect(water_shown_, water_now_));
  damage_.Add(DDani1hightwater.ChangedRect(water_shown_, water_now_));
  AddCreatureDamage(damage_);
  if (second != shown_second_) damage_.Add(ClockBox());
  RECT bands[4];
  for (int i = 0, n = DDmain1.OverlayBands(bands); i < n; ++i) damage_.Add(bands[i]);

  // The back page still holds the frame on the screen (a flip shows it and
  // leaves it as it is): compose again only what changed since.
  if (damage_.All() || DDmain1.FpDDSBack == nullptr) {
    ComposeFrame();
  } else {
    for (int i = 0; i < damage_.Count(); ++i) {
      DDmain1.FpDDSBack->SetClipRect(&damage_.Rects()[i]);
      ComposeFrame(&damage_.Rects()[i]);
    }
    DDmain1.FpDDSBack->SetClipRect(nullptr);
  }
  DDmain1.SetChangedRects(damage_.All() ? nullptr : damage_.Rects(), damage_.All() ? -1 : damage_.Count());
  FlipParity = !FlipParity;
  DDmain1.FlipSurfaces();
  FirstFrameShown();

  shown_ticks_ = ticks;
  shown_second_ = second;
  water_shown_ = water_now_;
  eagles_shown_ = eagles_now_;
  butterflies_shown_ = butterflies_now_;
  if (whole_frames_ > 0) --whole_frames_;
}

// While the display is off, blanked or the session is locked, nothing is
// composed or presented: the frame timer and the surf stop, and the main
// thread only wakes for input or, a few times a second, to look at the
// display again. When the screen can be seen again the tint is set for the
// time it is now, the whole frame is drawn afresh with the clock at the
// current time, and the timer starts again from now: no ticks were missed
// to catch up on.
bool TForm1::Resting() {
  if (options_.offline) return false;
  display::Backend* b = display::CurrentBackend();
  if (b == nullptr) return false;
  const bool asleep = b->DisplayAsleep();
  if (asleep && !resting_) {
    resting_ = true;
    timer_before_rest_ = DDtimer1.Enabled();
    DDtimer1.SetEnabled(false);
    sound_before_rest_ = sound_started_ || sound_waiting_;
    if (sound_before_rest_) PauseSound();
  } else if (!asleep && resting_) {
    resting_ = false;
    if (DayCycle.FlagDaytime || DayCycle.FlagDemoDaytime) UpdateDaylight();
    whole_frames_ = 1;
    if (timer_before_rest_) DDtimer1.SetEnabled(true);
    if (sound_before_rest_) StartSound();
  }
  if (resting_) b->WaitEvent(kRestWaitMs);
  return resting_;
}

// Nothing changes before the next tick or the clock's next second: one wait
// of the back end's covers both and input, and the tick ends it early.
void TForm1::WaitForTick() {
  display::Backend* b = display::CurrentBackend();
  if (b == nullptr) return;
  int ms = kIdleWaitMs;
  if (clock_visible_) ms = std::min(ms, 1001 - clock_.Now().milliseconds);
  b->WaitEvent(ms);
}

void TForm1::RenderFrame() {
  SnapshotMotion();
  FlipParity = !FlipParity;
  ComposeFrame();
  DDmain1.FlipSurfaces();
  FirstFrameShown();
  water_shown_ = water_now_;
  whole_frames_ = 1;
}

// The face with its dots, marks and hands lies within the radius plus the
// largest dot.
RECT TForm1::ClockBox() const {
  const int r = DXClock1.GetRadius(), m = r / 5 + 4 + static_cast<int>(std::ceil(DXClock1.GetSmoothWeight()));
  const int x = DXClock1.GetXcenter(), y = DXClock1.GetYcenter();
  return RECT{x - r - m, y - r - m, x + r + m + 1, y + r + m + 1};
}

void TForm1::AddCreatureDamage(DamageList& damage) const {
  const auto add = [&](const Shown& a, const Shown& b, int w, int h) {
    if (a == b) return;
    if (a.picture >= 0) damage.Add(RECT{a.x, a.y, a.x + w, a.y + h});
    if (b.picture >= 0) damage.Add(RECT{b.x, b.y, b.x + w, b.y + h});
  };
  const Placement& eagle = layout_[kEagles];
  const Placement& butterfly = layout_[kButterfly1];
  for (int i = 0; i < kEagleSlots; ++i)
    add(eagles_shown_[static_cast<std::size_t>(i)], eagles_now_[static_cast<std::size_t>(i)], eagle.width, eagle.height);
  for (int k = 0; k < kButterflyCount; ++k)
    add(butterflies_shown_[static_cast<std::size_t>(k)], butterflies_now_[static_cast<std::size_t>(k)],
        butterfly.width, butterfly.height);
}

// Every layer of the frame into the back surface, bottom layer first.
// Under the near surf band, opaque, the cleared page and the backdrop would
// only be drawn over: when a part is drawn again (as on every tick, when
// the surf moves) they are drawn around the band only.
void TForm1::ComposeFrame(const RECT* part) {
  if (water_now_ != 0) CompleteStrips();
  DDani1hightwater.SetNumberFrame(water_now_);
  DDani1lowwater.SetNumberFrame(water_now_);
  // The surf bands cover what lies under them: the backdrop is drawn only
  // around them, and the page cleared only where the backdrop does not
  // reach either.
  RECT around[16];
  int n = 1;
  around[0] = part != nullptr ? *part : RECT{0, 0, DDmain1.GetWidth(), DDmain1.GetHeight()};
  if (part != nullptr)
    n = SubtractRects(*part, DDani1lowwater.CoveredRect(), DDani1hightwater.CoveredRect(), around);
  const RECT ground = DDbmp1ground.CoveredRect();
  for (int i = 0; i < n; ++i) {
    RECT bare[4];
    for (int k = 0, m = SubtractRect(around[i], ground, bare); k < m; ++k) {
      DDmain1.FpDDSBack->SetClipRect(&bare[k]);
      DDmain1.ClearBackSurface();
    }
    DDmain1.FpDDSBack->SetClipRect(&around[i]);
    DDbmp1ground.DrawImage();
  }
  DDmain1.FpDDSBack->SetClipRect(part);
  DDani1hightwater.DrawAni();
  DDani1lowwater.DrawAni();
  if (Settings.FlagShowEagles) DrawEagles();
  DDbmp1secondplane.DrawImage();
  DDbmp1palmleft.DrawImage();
  DDbmp1palmmidle.DrawImage();
  DDbmp1palmright.DrawImage();
  DDbmp1stounleft.DrawImage();
  if (Settings.FlagShowButterfly) DrawButterflies();
  DDbmp1papright.DrawImage();
  if (clock_visible_) DXClock1.ShowClock();
}

int TForm1::ScreenX(float design_x) const {
  return DDmain1.GetWidth() * static_cast<int>(design_x) / 800;
}

int TForm1::ScreenY(float design_y) const {
  return DDmain1.GetHeight() * static_cast<int>(design_y) / 600;
}

void TForm1::DDmain1Error(TComponent*) {
  CloseScene();
  // A further monitor that cannot be drawn on stays covered; the primary
  // scene logs why and drops it.
  if (Further()) {
    further_failure_ = DDmain1.GetErrorResult();
    finished_ = true;
    return;
  }
  const std::string why = DDmain1.GetErrorResult();
  Log("DDmain1Error", why);
  // Nothing is shown on the screen; a person at a terminal still learns why.
  std::fprintf(stderr, "sandloop: display error: %s\n", why.c_str());
  FinishSaver();
}

}  // namespace sandloop
