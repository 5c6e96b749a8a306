// Input while the scene runs and the ways it ends: the mouse and key
// rules, the adjustment keys and what they store, the extra flip, the
// finish routines and their log lines.
#include "tests/scene/SceneFixture.h"

namespace sandloop::test {
namespace {

class FinishTest : public SceneTest {
 protected:
  // FINISH lines of this run's block of the log.
  int Finishes() { return LogCount("FINISH AT=======>"); }
  // Pixels of the screen in the colour 0x00BBGGRR.
  int PixelsOf(std::uint32_t bgr) const {
    const std::uint32_t rgb = ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
    const Picture& shown = hb->Screen();
    int n = 0;
    for (int y = 0; y < shown.Height(); ++y)
      for (int x = 0; x < shown.Width(); ++x) n += shown.Pixel(x, y) == rgb ? 1 : 0;
    return n;
  }
};

TEST_F(FinishTest, AMouseEndsTheSaverOnlyAfterMovingMoreThanFivePixels) {
  Start(160, 120);
  Mouse(100, 100);  // the first event only records the position
  Mouse(105, 95);   // five pixels on each axis: jitter
  EXPECT_FALSE(form->Finished());
  Mouse(105, 101);  // six pixels down
  EXPECT_TRUE(form->Finished());
  EXPECT_EQ(form->DDmain1.TestString3(), "KU-KU!!");
  EXPECT_EQ(TForm1::LastMouseX(), 105);
  EXPECT_EQ(TForm1::LastMouseY(), 101);
}

TEST_F(FinishTest, APreviousCoordinateOfZeroDoesNotCount) {
  Start(160, 120);
  Mouse(0, 50);
  Mouse(90, 52);  // x was 0: a jump on that axis is not a movement
  EXPECT_FALSE(form->Finished());
  Mouse(90, 60);
  EXPECT_TRUE(form->Finished());
}

TEST_F(FinishTest, WithEscOnlyOtherKeysAndTheMouseDoNothing) {
  Start(160, 120, {"TermMouse=0"});
  Mouse(10, 10);
  Mouse(150, 110);
  Key('a');
  KeyDown('A');
  KeyDown(112);  // F1
  EXPECT_FALSE(form->Finished());
  Key(27);
  EXPECT_TRUE(form->Finished());
}

TEST_F(FinishTest, AnyKeyEndsTheSaverOnceAndLaterInputIsIgnored) {
  Start(160, 120, {}, /*offline=*/false);
  KeyDown('A');
  EXPECT_TRUE(form->Finished());
  EXPECT_TRUE(form->Closed());
  // The character of the same key press arrives after the finish.
  Key('a');
  Mouse(1, 1);
  Mouse(100, 100);
  EXPECT_EQ(Finishes(), 1);
}

TEST_F(FinishTest, BrightnessKeysStopAtTheLimitsAndStoreTheLevel) {
  Start(160, 120, {"TermMouse=0", "Gamma=256", "FlagDemoDaytime=0"}, /*offline=*/false);
  Key('+');
  EXPECT_EQ(Stored("Gamma"), 256);
  Key('-');
  Key('-');
  EXPECT_EQ(Stored("Gamma"), 254);
  EXPECT_EQ(form->DDgamma1.GetRGB(), 254);

  TearDown();
  SetUp();
  Start(160, 120, {"TermMouse=0", "Gamma=1", "FlagDemoDaytime=0"}, /*offline=*/false);
  Key('-');
  Key('-');
  EXPECT_EQ(Stored("Gamma"), 0);
  EXPECT_EQ(form->DDgamma1.GetRGB(), 0);
}

TEST_F(FinishTest, ArrowKeysKeepTheClockInsideAndStoreItsPlace) {
  Start(800, 600, {"TermMouse=0", "clockRad=70", "clockX=90", "clockY=91"}, /*offline=*/false);
  KeyDown(37);  // left: 90 is not greater than 70 + 20
  EXPECT_EQ(form->DXClock1.GetXcenter(), 90);
  EXPECT_EQ(Stored("clockX"), 90);
  KeyDown(38);  // up: 91 > 90
  EXPECT_EQ(form->DXClock1.GetYcenter(), 90);
  EXPECT_EQ(Stored("clockY"), 90);
  KeyDown(39);
  EXPECT_EQ(Stored("clockX"), 91);
  EXPECT_FALSE(form->Finished());
}

TEST_F(FinishTest, ArrowKeysStopAtTheRightAndLowerLimits) {
  // At 320 x 240 with radius 70 the centre may go to 230, 150.
  Start(320, 240, {"TermMouse=0", "clockRad=70", "clockX=229", "clockY=149"}, /*offline=*/false);
  for (int i = 0; i < 3; ++i) KeyDown(39);
  EXPECT_EQ(form->DXClock1.GetXcenter(), 230);
  EXPECT_EQ(Stored("clockX"), 230);
  for (int i = 0; i < 3; ++i) KeyDown(40);
  EXPECT_EQ(form->DXClock1.GetYcenter(), 150);
  EXPECT_EQ(Stored("clockY"), 150);
}

TEST_F(FinishTest, AClockStoredOffTheScreenShowsOnceTheArrowKeysBringItBack) {
  constexpr std::uint32_t kMagenta = 0xFF00FF;
  Start(160, 120, {"TermMouse=0", "clockRad=30", "clockX=161", "clockY=60", "ColorClock=0xFF00FF",
                   "FlagDemoDaytime=0", "ShowRisSet=0"},
        /*offline=*/false);
  form->RenderFrame();
  EXPECT_FALSE(form->ClockShown());
  EXPECT_EQ(PixelsOf(kMagenta), 0);
  KeyDown(37);  // 160: the centre is still off the screen
  EXPECT_FALSE(form->ClockShown());
  KeyDown(37);  // 159
  EXPECT_TRUE(form->ClockShown());
  EXPECT_EQ(Stored("clockX"), 159);
  form->RenderFrame();
  EXPECT_GT(PixelsOf(kMagenta), 20);
  // Switched off, it stays off wherever it goes.
  TearDown();
  SetUp();
  Start(160, 120, {"TermMouse=0", "clockRad=30", "clockX=161", "flag_clock=0"}, /*offline=*/false);
  KeyDown(37);
  KeyDown(37);
  EXPECT_FALSE(form->ClockShown());
}

TEST_F(FinishTest, AMouseButtonCountsAsAKey) {
  Start(160, 120, {"TermMouse=0"});
  Button(true);
  Button(false);
  EXPECT_FALSE(form->Finished());
  TearDown();
  SetUp();
  Start(160, 120);
  Button(false);  // a release alone is not a press
  EXPECT_FALSE(form->Finished());
  Button(true);
  EXPECT_TRUE(form->Finished());
}

TEST_F(FinishTest, TheFinishFlipsBackToTheFirstPageAndLogs) {
  Start(160, 120, {}, /*offline=*/false);
  bool done;
  form->DrawFrame(done);  // one flip at set-up, one here: even
  int presents = hb->Presents();
  form->TryFinish();
  EXPECT_EQ(hb->Presents(), presents);
  EXPECT_TRUE(form->Finished());
  EXPECT_FALSE(form->DDtimer1.Enabled());
  EXPECT_FALSE(hb->Exclusive());
  EXPECT_FALSE(app->OnIdle);

  TearDown();
  SetUp();
  Start(160, 120, {}, /*offline=*/false);
  form->DrawFrame(done);
  form->RenderFrame();  // odd: one more flip
  ASSERT_FALSE(form->FlipParity);
  presents = hb->Presents();
  form->TryFinish();
  EXPECT_EQ(hb->Presents(), presents + 1);
}

TEST_F(FinishTest, ClosingTheSceneTwiceIsSafe) {
  Start(160, 120, {}, /*offline=*/false);
  form->CloseScene();
  form->CloseScene();
  EXPECT_FALSE(form->DDmain1.Enabled());
  form->FinishSaver();  // runs CloseScene a third time
  EXPECT_EQ(Finishes(), 1);
}

TEST_F(FinishTest, TheWindowSystemsQuitFinishesInOrder) {
  Start(160, 120, {}, /*offline=*/false);
  hb->PushEvent({display::InputEvent::Kind::Quit, 0, 0, 0, 0, 0});
  app->Run();
  EXPECT_TRUE(form->Finished());
  EXPECT_EQ(Finishes(), 1);
}

TEST_F(FinishTest, AnUnhandledExceptionEndsTheSaverWithTwoLogLines) {
  Start(160, 120, {}, /*offline=*/false);
  app->OnIdle = [](bool&) { throw std::runtime_error("boom"); };
  app->Run();
  EXPECT_TRUE(app->Terminated());
  EXPECT_FALSE(form->DDmain1.Enabled());
  EXPECT_FALSE(form->DDtimer1.Enabled());
  const std::string log = Log();
  const auto at = log.rfind("ExceptionMessage: boom\n");
  ASSERT_NE(at, std::string::npos) << log;
  EXPECT_NE(log.find("FINISH WITH E AT=======>: ", at), std::string::npos) << log;
  EXPECT_EQ(Finishes(), 0);
}

TEST_F(FinishTest, AnExceptionWhileFinishingStillEndsTheProgramOnce) {
  fault = FaultPoint::Finish;
  Start(160, 120, {}, /*offline=*/false);
  KeyDown('A');  // the finish throws half-way, after the scene is released
  EXPECT_TRUE(app->Terminated());
  EXPECT_FALSE(form->DDmain1.Enabled());
  EXPECT_FALSE(form->DDtimer1.Enabled());
  EXPECT_EQ(LogCount("ExceptionMessage: fault injected into the finish\n"), 1);
  EXPECT_EQ(LogCount("FINISH WITH E AT=======>: "), 1);
  EXPECT_EQ(Finishes(), 0);
  app->Run();  // returns at once
  // A later exception adds its message, not a second end.
  app->HandleException(std::runtime_error("later"));
  EXPECT_EQ(LogCount("ExceptionMessage: later\n"), 1);
  EXPECT_EQ(LogCount("FINISH WITH E AT=======>: "), 1);
}

}  // namespace
}  // namespace sandloop::test
