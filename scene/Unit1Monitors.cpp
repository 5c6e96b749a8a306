// The beach on every monitor. With several monitors the full-screen saver
// runs one scene per monitor, each composed for that monitor's size and
// shape. The primary monitor's scene is the saver: it loads and stores the
// settings, writes the log, plays the surf, shows the clock and the text
// lines and takes the input. It makes the further monitors' scenes once
// its own first frame is shown, steps them with its tick, draws them with
// its frame, and makes them again whenever the monitors change. Their
// creatures are seeded apart, so that the monitors do not mirror each
// other; their time of day, tint and brightness are the primary's.
#include <algorithm>
#include <string>

#include "kit/ddraw/backend.h"
#include "scene/Unit1.h"

namespace sandloop {

namespace {

// Seeds a further monitor's creatures apart from the primary's.
constexpr std::uint32_t kMonitorSeedStep = 0x9E3779B9u;
// How far along their paths a further monitor's creatures start, per monitor.
constexpr int kApartSteps = 170;

std::string MonitorText(const display::Monitor& m) {
  return std::to_string(m.mode.width) + " x " + std::to_string(m.mode.height) + " at " +
         std::to_string(m.bounds.left) + ", " + std::to_string(m.bounds.top);
}

}  // namespace

// The primary's settings at the monitor's own size, without what only the
// primary shows or plays.
void TForm1::TakeFurtherSettings() {
  Settings = options_.settings.value_or(FirstRunSettings());
  if (display::Backend* b = Display()) {
    const display::DisplayMode m = b->DesktopMode();
    Settings.ResHor = m.width;
    Settings.ResVert = m.height;
  }
  Settings.flag_clock = false;
  Settings.flag_fps = false;
  Settings.ShowRisSet = false;
  Settings.FlagShowSimulateTime = false;
  Settings.flag_PlaySound = false;
}

// The creatures all start from the same places of their paths: a further
// monitor's set off from a later point of their flight, its own, so that
// no two monitors show the same creatures in the same places.
void TForm1::SetCreaturesApart() {
  const int steps = kApartSteps * options_.monitor + random_.Random(kApartSteps);
  for (int i = 0; i < steps; ++i) {
    StepEagles();
    StepButterflies();
  }
}

bool TForm1::SharesSprite(int index) {
  if (options_.share == nullptr || PieceAt(index).bmp == nullptr) return false;
  const TForm1& other = *options_.share;
  return other.DDmain1.GetWidth() == DDmain1.GetWidth() && other.DDmain1.GetHeight() == DDmain1.GetHeight() &&
         other.DDmain1.GetColorDepth() == DDmain1.GetColorDepth() && other.options_.exact_pixels == options_.exact_pixels;
}

// Makes one scene for every monitor past the first, as the monitors are
// now, in place of those made before. The tick steps the scenes, so it
// waits meanwhile. A monitor whose scene cannot be made stays black (its
// cover stays) and the log says why; the saver goes on.
void TForm1::FollowMonitors() {
  monitors_pending_ = false;
  const std::shared_ptr<display::Backend> b = display::CurrentBackendShared();
  if (b == nullptr || b->Target().kind != display::DisplayTarget::Kind::FullScreen) return;
  const std::vector<display::Monitor> monitors = b->Monitors();
  if (monitors == monitors_shown_) return;
  // A single monitor, and no scenes of others to drop: nothing to stop the
  // tick for.
  if (monitors.size() <= 1 && further_.empty()) {
    monitors_shown_ = monitors;
    return;
  }
  const bool ticking = DDtimer1.Enabled();
  DDtimer1.SetEnabled(false);
  DropFurtherScenes();
  for (std::size_t i = 1; i < monitors.size(); ++i) {
    // A monitor that overlaps one before it (a clone of the primary's
    // picture) shows that one's scene.
    const auto overlaps = [&](const display::Monitor& m) { return display::Overlap(m.bounds, monitors[i].bounds); };
    if (std::any_of(monitors.begin(), monitors.begin() + static_cast<std::ptrdiff_t>(i), overlaps)) continue;
    SceneOptions o;
    o.monitor = static_cast<int>(i);
    o.settings = Settings;
    o.seed = seed_ + static_cast<std::uint32_t>(i) * kMonitorSeedStep;
    o.plain = options_.plain;
    o.exact_pixels = options_.exact_pixels;
    // A monitor of a size already drawn draws that scene's sprites: they
    // are the same pictures, made once.
    const auto same_size = [&](const TForm1& s) {
      return s.DDmain1.GetWidth() == monitors[i].mode.width && s.DDmain1.GetHeight() == monitors[i].mode.height;
    };
    if (same_size(*this)) o.share = this;
    for (const auto& s : further_)
      if (o.share == nullptr && same_size(*s)) o.share = s.get();
    auto scene = std::make_unique<TForm1>(Application(), clock_, std::move(o));
    try {
      scene->FormCreate();
    } catch (const std::exception& e) {
      scene->further_failure_ = e.what();
      scene->finished_ = true;
    }
    // The time of day is the primary's: a scene made while the saver runs
    // takes up the demonstration clock where the primary's has got to.
    if (!scene->Finished() && scene->DDmain1.Enabled()) {
      scene->DayCycle.TimeOfDay.store(DayCycle.TimeOfDay.load(std::memory_order_relaxed), std::memory_order_relaxed);
      if (scene->DayCycle.FlagDaytime || scene->DayCycle.FlagDemoDaytime) scene->UpdateDaylight();
    }
    if (scene->Finished() || !scene->DDmain1.Enabled()) {
      Log("FurtherMonitor", "monitor " + std::to_string(i + 1) + " (" + MonitorText(monitors[i]) +
                                ") stays black: " + scene->further_failure_);
      continue;
    }
    further_.push_back(std::move(scene));
  }
  monitors_shown_ = monitors;
  if (ticking) DDtimer1.SetEnabled(true);
}

// Called with the timer stopped: the tick no longer reaches the scenes.
void TForm1::DropFurtherScenes() {
  further_.clear();
  monitors_shown_.clear();
}

// The brightness keys act on the primary's scene; the others follow it.
void TForm1::SetFurtherBrightness(int level) {
  for (const auto& f : further_) {
    f->DDgamma1.SetEnabled(true);
    if (!f->DDgamma1.Enabled()) continue;
    f->DDgamma1.SetRGB(level);
    f->DDgamma1.SetEnabled(false);
    f->Settings.Gamma = level;
    f->whole_frames_ = std::max(f->whole_frames_, 1);
  }
}

void TForm1::FormMonitorsChanged() {
  if (!Further() && !finished_ && !options_.offline) monitors_pending_ = true;
}

}  // namespace sandloop
