// The running scene: the tick that advances its state on the timer's
// thread, the frame drawn from that state on the main thread, and the
// handler of display errors.
#include <cstdio>

#include "scene/Unit1.h"

namespace sandloop {

void TForm1::DDtimer1Timer(TComponent*) {
  int water = WaterFrame.load(std::memory_order_relaxed) + 1;
  if (water > 29) water = 0;
  WaterFrame.store(water, std::memory_order_relaxed);
  StepEagles();
  int wing = WingCounter.load(std::memory_order_relaxed) + 1;
  if (wing > 15) wing = 0;
  WingCounter.store(wing, std::memory_order_relaxed);
  StepButterflies();
  TickTimeOfDay();
  tick_count_.fetch_add(1, std::memory_order_release);
}

void TForm1::DrawFrame(bool& done) {
  done = false;
  FlipParity = !FlipParity;
  ComposeFrame();
  DDmain1.FlipSurfaces();
}

void TForm1::RenderFrame() {
  FlipParity = !FlipParity;
  ComposeFrame();
  DDmain1.FlipSurfaces();
}

// Every layer of the frame into the back surface, bottom layer first.
void TForm1::ComposeFrame() {
  DDmain1.ClearBackSurface();
  DDbmp1ground.DrawImage();
  const int water = WaterFrame.load(std::memory_order_relaxed);
  DDani1hightwater.SetNumberFrame(water);
  DDani1hightwater.DrawAni();
  DDani1lowwater.SetNumberFrame(water);
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
  const std::string why = DDmain1.GetErrorResult();
  Log("DDmain1Error", why);
  // Nothing is shown on the screen; a person at a terminal still learns why.
  std::fprintf(stderr, "sandloop: display error: %s\n", why.c_str());
  FinishSaver();
}

}  // namespace sandloop
