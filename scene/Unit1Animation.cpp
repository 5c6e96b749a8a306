// The scene's living parts: the eagles and butterflies, and the tint of
// the time of day, as set-up makes them, the tick steps them and the frame
// draws them.
#include <chrono>

#include "scene/Unit1.h"

namespace sandloop {

void TForm1::InitEagles() { NumEagles = sandloop::InitEagles(Eagles, Settings.NumEagles, random_); }

void TForm1::InitButterflies() { sandloop::InitButterflies(Butterflies, NumButterflies, WingCounter); }

void TForm1::SeedRandom() {
  const std::uint32_t now = static_cast<std::uint32_t>(
      std::chrono::system_clock::now().time_since_epoch() / std::chrono::milliseconds(1));
  seed_ = options_.seed.value_or(now);
  random_.Seed(seed_);
}

void TForm1::StepEagles() {
  for (int i = 0; i < NumEagles; ++i) StepEagle(*Eagles[static_cast<std::size_t>(i)], random_);
}

void TForm1::StepButterflies() {
  for (int k = 0; k < NumButterflies; ++k) StepButterfly(*Butterflies[static_cast<std::size_t>(k)]);
}

void TForm1::ReleaseCreatures() {
  for (auto& e : Eagles) e.reset();
  for (auto& b : Butterflies) b.reset();
}

// The surf's frame and where every creature is to be drawn in this frame,
// taken once so that all the parts of a frame show the same moment.
void TForm1::SnapshotMotion() {
  water_now_ = WaterFrame.load(std::memory_order_relaxed);
  const int h = DDmain1.GetHeight();
  for (int i = 0; i < kEagleSlots; ++i) {
    Shown& s = eagles_now_[static_cast<std::size_t>(i)];
    const TEagle* e = i < NumEagles ? Eagles[static_cast<std::size_t>(i)].get() : nullptr;
    if (e == nullptr || !Settings.FlagShowEagles) {
      s = Shown{};
      continue;
    }
    s = Shown{CreatureX(shape_, DesignX(*e), EagleLane(i, NumEagles)), DesignToScreen(DesignY(*e), h, 600),
              EaglePicture(*e)};
  }
  const int wings = WingCounter.load(std::memory_order_relaxed);
  for (int k = 0; k < kButterflyCount; ++k) {
    Shown& s = butterflies_now_[static_cast<std::size_t>(k)];
    const TButterfly* b = k < NumButterflies ? Butterflies[static_cast<std::size_t>(k)].get() : nullptr;
    if (b == nullptr || !Settings.FlagShowButterfly) {
      s = Shown{};
      continue;
    }
    const float x = DesignX(*b);
    s = Shown{CreatureX(shape_, x, ButterflyLane(x)), DesignToScreen(DesignY(*b), h, 600), ButterflyPicture(wings, k)};
  }
}

// The one eagle strip is drawn once per eagle.
void TForm1::DrawEagles() {
  for (const Shown& s : eagles_now_) {
    if (s.picture < 0) continue;
    DDani1Eagles.SetShowX(s.x);
    DDani1Eagles.SetShowY(s.y);
    DDani1Eagles.SetNumberFrame(s.picture);
    DDani1Eagles.DrawAni();
  }
}

void TForm1::DrawButterflies() {
  TDDani* strips[kButterflyCount] = {&DDani1Butterflys, &DDani2Butterflys, &DDani3Butterflys};
  for (int k = 0; k < kButterflyCount; ++k) {
    const Shown& s = butterflies_now_[static_cast<std::size_t>(k)];
    if (s.picture < 0) continue;
    strips[k]->SetShowX(s.x);
    strips[k]->SetShowY(s.y);
    strips[k]->SetNumberFrame(s.picture);
    strips[k]->DrawAni();
  }
}

void TForm1::SetSunTimes(float rise, float set) {
  DayCycle.FlagDaytime = Settings.FlagDaytime;
  DayCycle.FlagDemoDaytime = Settings.FlagDemoDaytime;
  DayCycle.FlagShowSimulateTime = Settings.FlagShowSimulateTime;
  DayCycle.SetSunTimes(rise, set);
}

void TForm1::StartTimeOfDay() { DayCycle.StartTint(DDgamma1, DDmain1, clock_); }

void TForm1::TickTimeOfDay() { DayCycle.Tick(DDgamma1, DDmain1, clock_); }

void TForm1::UpdateDaylight() { DayCycle.UpdateDaylight(DDgamma1, DDmain1, clock_); }

}  // namespace sandloop
