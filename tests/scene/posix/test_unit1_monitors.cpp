// The full-screen saver on several monitors: one scene per monitor, each
// at its monitor's size, driven by the primary's; and the monitors that
// come and go while it runs.
#include "tests/scene/SceneFixture.h"

namespace sandloop::test {
namespace {

using display::Monitor;

Monitor At(int x, int width, int height) { return Monitor{{x, 0, x + width, height}, {width, height, 32}}; }

class MonitorsTest : public SceneTest {
 protected:
  // A running saver on `monitors` (the first is the primary), with its
  // first frames drawn: the primary's, then every monitor's.
  TForm1* Run(std::vector<Monitor> monitors, std::vector<std::string> settings = {}) {
    hb->SetMonitors(monitors);
    Start(monitors[0].mode.width, monitors[0].mode.height, std::move(settings), /*offline=*/false);
    form->DDtimer1.SetEnabled(false);  // the test steps the ticks itself
    Frames(2);
    return form;
  }
  void Frames(int n) {
    for (int i = 0; i < n; ++i) {
      bool done = false;
      form->DrawFrame(done);
    }
  }
  // The share of pixels two pictures of one size have alike.
  static double Alike(const Picture& a, const Picture& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.Width() == 0) return 0;
    long long same = 0;
    for (int y = 0; y < a.Height(); ++y)
      for (int x = 0; x < a.Width(); ++x) same += a.Pixel(x, y) == b.Pixel(x, y) ? 1 : 0;
    return static_cast<double>(same) / (static_cast<double>(a.Width()) * a.Height());
  }
  int Plays() const {
    int n = 0;
    for (const auto& c : hb->SoundCalls()) n += c.kind == display::HeadlessBackend::SoundCall::Kind::Play ? 1 : 0;
    return n;
  }
};

TEST_F(MonitorsTest, EveryMonitorShowsTheBeachWithTheClockAndTheSoundOnThePrimaryOnly) {
  Run({At(0, 1024, 768), At(1024, 1024, 768), At(2048, 1024, 768)}, {"NumEagles=7"});
  ASSERT_EQ(form->FurtherScenes().size(), 2u);
  const Picture& primary = hb->MonitorScreen(0);
  for (int t = 0; t < 60; ++t) form->DDtimer1Timer(nullptr);  // the eagles set off on their own paths
  for (int i = 1; i <= 2; ++i) {
    const Picture& other = hb->MonitorScreen(i);
    // The same beach in the same light: only the clock and the creatures
    // differ from the primary's.
    EXPECT_GT(Alike(primary, other), 0.9) << "monitor " << i;
    EXPECT_LT(Alike(primary, other), 1.0) << "monitor " << i;
    const TForm1& scene = *form->FurtherScenes()[static_cast<std::size_t>(i - 1)];
    EXPECT_FALSE(scene.ClockShown());
    // The same size: the primary's sprites are drawn, not made again.
    EXPECT_EQ(scene.DDbmp1ground.FpSurface, form->DDbmp1ground.FpSurface);
    EXPECT_EQ(scene.DDbmp1papright.FpSurface, form->DDbmp1papright.FpSurface);
    EXPECT_NE(scene.DDani1lowwater.FpSurface[0], form->DDani1lowwater.FpSurface[0]);
    EXPECT_NE(DesignX(*scene.Eagles[0]), DesignX(*form->Eagles[0])) << "the eagles must not mirror the primary's";
  }
  EXPECT_TRUE(form->ClockShown());
  EXPECT_NE(DesignX(*form->FurtherScenes()[0]->Eagles[0]), DesignX(*form->FurtherScenes()[1]->Eagles[0]));
  EXPECT_EQ(Plays(), 1);
  EXPECT_EQ(hb->SaverCalls(), std::vector<bool>{true});

  KeyDown('A');
  EXPECT_TRUE(form->Finished());
  EXPECT_TRUE(form->FurtherScenes().empty());
  EXPECT_EQ(form->DDbmp1ground.FpSurface, nullptr);
  EXPECT_EQ(LogCount("START AT========>"), 1);
  EXPECT_EQ(LogCount("FINISH AT=======>"), 1);
}

TEST_F(MonitorsTest, EachMonitorIsComposedAtItsOwnSizeAndFollowsTheTicks) {
  Run({At(0, 1024, 768), At(1024, 1920, 1080), At(2944, 800, 600)});
  ASSERT_EQ(form->FurtherScenes().size(), 2u);
  EXPECT_EQ(hb->MonitorScreen(1).Width(), 1920);
  EXPECT_EQ(hb->MonitorScreen(2).Height(), 600);
  EXPECT_TRUE(form->FurtherScenes()[0]->Shape().proportional);  // above the designed modes: smooth
  EXPECT_FALSE(form->FurtherScenes()[1]->Shape().proportional);
  EXPECT_NE(form->FurtherScenes()[0]->DDbmp1ground.FpSurface, form->DDbmp1ground.FpSurface);
  const int before = hb->MonitorPresents(1);
  form->DDtimer1Timer(nullptr);  // one tick steps every scene: each draws again
  Frames(1);
  EXPECT_GT(hb->MonitorPresents(1), before);
  EXPECT_EQ(form->FurtherScenes()[0]->WaterFrame.load(), form->WaterFrame.load());
}

TEST_F(MonitorsTest, InputOnAFurtherMonitorEndsTheSaverAndEscOnlyBrightnessActsOnEveryMonitor) {
  Run({At(0, 800, 600), At(800, 800, 600)}, {"TermMouse=0", "Gamma=128", "FlagDaytime=0", "FlagDemoDaytime=0"});
  ASSERT_EQ(form->FurtherScenes().size(), 1u);
  const TForm1& further = *form->FurtherScenes()[0];
  Key('+');
  EXPECT_EQ(Stored("Gamma"), 129);
  EXPECT_EQ(further.DDgamma1.GetRGB(), 129);
  // A key on the further monitor's cover comes to the primary's scene.
  hb->PushEvent({display::InputEvent::Kind::KeyPress, 0, 27, 0, 0, further.DDmain1.Monitor() + 0x7F000000u});
  app->ProcessMessages();
  EXPECT_TRUE(form->Finished());
  EXPECT_EQ(LogCount("FINISH AT=======>"), 1);
}

TEST_F(MonitorsTest, ScenesFollowMonitorsThatGoComeAndChange) {
  Run({At(0, 800, 600), At(800, 1024, 768)});
  ASSERT_EQ(form->FurtherScenes().size(), 1u);

  hb->SetMonitors({At(0, 800, 600)});  // unplugged
  app->ProcessMessages();
  Frames(2);
  EXPECT_TRUE(form->FurtherScenes().empty());
  EXPECT_FALSE(form->Finished());

  for (int t = 0; t < 800; ++t) form->DDtimer1Timer(nullptr);  // the demonstration day moves on to night
  hb->SetMonitors({At(0, 800, 600), At(800, 1280, 1024), At(2080, 800, 600)});  // two plugged in
  app->ProcessMessages();
  form->DDtimer1Timer(nullptr);
  Frames(3);
  ASSERT_EQ(form->FurtherScenes().size(), 2u);
  EXPECT_EQ(hb->MonitorScreen(1).Width(), 1280);
  EXPECT_GT(hb->MonitorPresents(2), 0);
  // Made late, they take up the primary's time of day and its tint.
  for (const auto& scene : form->FurtherScenes()) {
    EXPECT_EQ(scene->DayCycle.TimeOfDay.load(), form->DayCycle.TimeOfDay.load());
    EXPECT_EQ(scene->DayCycle.CurrentRGB(), form->DayCycle.CurrentRGB());
  }
  EXPECT_NE(form->DayCycle.CurrentRGB(), (TRGB{255, 255, 255}));

  // One monitor's scene that cannot be made leaves it black, logged; the
  // others and the saver go on.
  hb->FailNext(display::Op::DirectDrawCreate, static_cast<std::int32_t>(0x80004005u), 1);
  hb->SetMonitors({At(0, 800, 600), At(800, 1024, 768), At(1824, 800, 600)});
  app->ProcessMessages();
  form->DDtimer1Timer(nullptr);
  Frames(3);
  EXPECT_EQ(form->FurtherScenes().size(), 1u);
  EXPECT_EQ(LogCount("FurtherMonitor"), 1);
  EXPECT_FALSE(form->Finished());
}

TEST_F(MonitorsTest, OneMonitorAClonedMonitorAndAWindowRunOnlyTheirOwnScene) {
  Run({At(0, 800, 600)});
  EXPECT_TRUE(form->FurtherScenes().empty());
  app.reset();

  // A clone of the primary's picture (a projector showing the same
  // pixels) shows the primary's scene; a monitor beside them has its own.
  Run({At(0, 1024, 768), At(0, 1024, 768), At(1024, 800, 600)});
  ASSERT_EQ(form->FurtherScenes().size(), 1u);
  EXPECT_EQ(form->FurtherScenes()[0]->DDmain1.Monitor(), 2);
  EXPECT_EQ(hb->MonitorPresents(1), 0);
  EXPECT_GT(hb->MonitorPresents(2), 0);
  app.reset();

  // The try-it window shows one scene, whatever the monitors.
  display::DisplayTarget window;
  window.kind = display::DisplayTarget::Kind::Window;
  window.width = 640;
  window.height = 480;
  ASSERT_EQ(hb->SetTarget(window), display::Status::Ok);
  Run({At(0, 800, 600), At(800, 800, 600)});
  EXPECT_TRUE(form->FurtherScenes().empty());
  EXPECT_EQ(hb->MonitorPresents(1), 0);
}

}  // namespace
}  // namespace sandloop::test
