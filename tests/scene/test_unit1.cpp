// Set-up: the timer period, the platform's side (sound, cursor, the
// system's saver state) from the start to the finish, and stored values
// out of their ranges.
#include "tests/scene/SceneFixture.h"

namespace sandloop::test {
namespace {

using Call = display::HeadlessBackend::SoundCall;

class SetUpTest : public SceneTest {};

// The scenery has soft edges from its masters only beyond 1280 x 1024, and
// never with exact pixels.
TEST_F(SetUpTest, SceneryFromMastersOnlyOnLargerDisplays) {
  auto soft = [](TForm1* f) {
    return std::vector<bool>{f->DDbmp1secondplane.HasAlpha(), f->DDbmp1palmleft.HasAlpha(),
                             f->DDbmp1palmmidle.HasAlpha(),   f->DDbmp1palmright.HasAlpha(),
                             f->DDbmp1stounleft.HasAlpha(),   f->DDbmp1papright.HasAlpha()};
  };
  const std::vector<bool> none(6, false), all(6, true);
  EXPECT_EQ(soft(Start(1280, 1024)), none);
  EXPECT_EQ(soft(Start(1600, 900)), all);
  EXPECT_EQ(form->DDbmp1palmleft.BlitFlags(), DDBLTFAST_SRCALPHA);
  // The backdrop is opaque: drawn without alpha.
  EXPECT_FALSE(form->DDbmp1ground.HasAlpha());
  exact_pixels = true;
  EXPECT_EQ(soft(Start(1600, 900)), none);
  EXPECT_EQ(form->DDbmp1palmleft.BlitFlags(), DDBLTFAST_SRCCOLORKEY);
}

TEST_F(SetUpTest, TheSpeedSetsTheTimerPeriod) {
  EXPECT_EQ(TForm1::TimerInterval(0), 60);
  EXPECT_EQ(TForm1::TimerInterval(1), 50);
  EXPECT_EQ(TForm1::TimerInterval(2), 40);
  EXPECT_EQ(TForm1::TimerInterval(7), 50);
  Start(160, 120, {"SetSpeed=0"}, /*offline=*/false);
  EXPECT_EQ(form->DDtimer1.RunningInterval(), 60);
}

TEST_F(SetUpTest, TheSurfCursorAndSaverStateLastFromSetUpToTheFinish) {
  Start(160, 120, {}, /*offline=*/false);
  auto calls = hb->SoundCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].kind, Call::Kind::Play);
  EXPECT_EQ(calls[0].flags, 0x4000Du);
  EXPECT_TRUE(hb->SoundPlaying());
  EXPECT_FALSE(hb->CursorVisible());
  EXPECT_TRUE(hb->SaverRunning());

  KeyDown('A');
  ASSERT_TRUE(form->Finished());
  calls = hb->SoundCalls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1].kind, Call::Kind::Stop);
  EXPECT_FALSE(hb->SoundPlaying());
  EXPECT_TRUE(hb->CursorVisible());
  EXPECT_FALSE(hb->SaverRunning());
}

TEST_F(SetUpTest, WithTheSoundOffNoSoundCallIsMade) {
  Start(160, 120, {"flag_PlaySound=0"}, /*offline=*/false);
  KeyDown('A');
  EXPECT_TRUE(form->Finished());
  EXPECT_TRUE(hb->SoundCalls().empty());
}

TEST_F(SetUpTest, NoAudioDeviceIsOneLogLineAndTheSaverRunsSilent) {
  hb->SetAudioAvailable(false);
  Start(160, 120, {}, /*offline=*/false);
  EXPECT_FALSE(form->Finished());
  EXPECT_TRUE(form->DDtimer1.Enabled());
  const std::string all = Log();
  const std::string run = all.substr(all.rfind("START AT========>"));
  EXPECT_EQ(run.find("PlaySound: "), run.rfind("PlaySound: ")) << run;
  EXPECT_NE(run.find("PlaySound: "), std::string::npos) << run;
}

TEST_F(SetUpTest, StoredValuesOutOfRangeDoNotBreakTheScene) {
  Start(320, 240, {"NumEagles=99", "Gamma=999", "FlagDemoDaytime=0"});
  EXPECT_EQ(form->NumEagles, 7);
  EXPECT_EQ(form->DDgamma1.GetRGB(), 256);
  // A clock that cannot fit draws nothing, as with the clock switched off.
  std::vector<Picture> frames;
  for (const char* clock : {"clockRad=-5", "clockX=5000", "flag_clock=0"}) {
    TearDown();
    SetUp();
    Start(320, 240, {clock, "FlagDemoDaytime=0"});
    form->RenderFrame();
    frames.push_back(hb->Screen());
  }
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x) {
      ASSERT_EQ(frames[0].Pixel(x, y), frames[2].Pixel(x, y)) << x << "," << y;
      ASSERT_EQ(frames[1].Pixel(x, y), frames[2].Pixel(x, y)) << x << "," << y;
    }
}

TEST_F(SetUpTest, SunTimesShowOnlyWhenChosen) {
  Start(160, 120, {"ShowRisSet=0"});
  EXPECT_FALSE(form->DDmain1.ShowTestString2());
  EXPECT_FALSE(form->DDmain1.ShowTestString3());
  TearDown();
  SetUp();
  Start(160, 120);
  EXPECT_TRUE(form->DDmain1.ShowTestString2());
  EXPECT_EQ(form->DDmain1.TestString2().rfind("Sunrise at: ", 0), 0u);
  EXPECT_EQ(form->DDmain1.TestString3().rfind("Sunset at: ", 0), 0u);
}

}  // namespace
}  // namespace sandloop::test
