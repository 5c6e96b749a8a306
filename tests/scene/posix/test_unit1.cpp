// Set-up: the timer period, the platform's side (sound, cursor, the
// system's saver state) from the start to the finish, and stored values
// out of their ranges.
#include "tests/scene/SceneFixture.h"

#include <cstdlib>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

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
  // So do the anti-aliased clock and the text that grows with the screen.
  auto clock_and_text = [](TForm1* f) { return std::pair{f->DXClock1.GetSmoothWeight(), f->DDmain1.TextPixels()}; };
  const std::vector<bool> none(6, false), all(6, true);
  EXPECT_EQ(soft(Start(1280, 1024)), none);
  EXPECT_EQ(clock_and_text(form), (std::pair{0.0, 16}));
  EXPECT_EQ(soft(Start(1600, 900)), all);
  EXPECT_EQ(clock_and_text(form), (std::pair{1.0, 16 * 900 / 768}));
  EXPECT_EQ(form->DDbmp1palmleft.BlitFlags(), DDBLTFAST_SRCALPHA);
  // The backdrop is opaque: drawn without alpha.
  EXPECT_FALSE(form->DDbmp1ground.HasAlpha());
  EXPECT_TRUE(form->Shape().proportional);
  exact_pixels = true;
  EXPECT_EQ(soft(Start(1600, 900)), none);
  EXPECT_EQ(clock_and_text(form), (std::pair{0.0, 16}));
  EXPECT_EQ(form->DDbmp1palmleft.BlitFlags(), DDBLTFAST_SRCCOLORKEY);
}

// Smooth pieces that cannot be had (too little memory) are drawn from
// their designed pictures, one log line each, and the saver runs on; with
// no thread for the pictures they are decoded on the main thread.
TEST_F(SetUpTest, SmoothPiecesFallBackToTheDesignedStretchAndNeedNoThread) {
  auto soft = [](TForm1* f) {
    return std::vector<bool>{f->DDbmp1secondplane.HasAlpha(), f->DDbmp1palmleft.HasAlpha(),
                             f->DDbmp1palmmidle.HasAlpha(),   f->DDbmp1palmright.HasAlpha(),
                             f->DDbmp1stounleft.HasAlpha(),   f->DDbmp1papright.HasAlpha()};
  };
  fault = FaultPoint::SmoothMemory;
  EXPECT_EQ(soft(Start(1600, 900, {}, /*offline=*/false)), std::vector<bool>(6, false));
  EXPECT_FALSE(form->Finished());
  EXPECT_TRUE(form->DDtimer1.Enabled());
  EXPECT_EQ(form->DDbmp1palmleft.BlitFlags(), DDBLTFAST_SRCCOLORKEY);
  int with_master = 0;
  for (const Placement& p : form->Placements()) with_master += p.master != nullptr ? 1 : 0;
  EXPECT_EQ(with_master, 7);
  EXPECT_EQ(LogCount("SmoothPicture: "), with_master);
  EXPECT_EQ(LogCount("std::bad_alloc; drawn from the designed picture"), with_master);
  KeyDown('A');
  EXPECT_EQ(LogCount("FINISH AT=======>"), 1);
  app.reset();

  fault = FaultPoint::NoThread;
  EXPECT_EQ(soft(Start(1600, 900, {}, /*offline=*/false)), std::vector<bool>(6, true));
  EXPECT_FALSE(form->Finished());
  EXPECT_EQ(LogCount("PictureWorker: no thread"), 1);
  EXPECT_EQ(LogCount("SmoothPicture: "), 0);
}

#if defined(__GLIBC__)
// Set-up leaves the allocator's threshold for mapping large blocks to the
// allocator: a large block freed and asked for again comes from the heap,
// not from a fresh mapping with fresh page faults every time (the frame
// path allocates such blocks).
TEST_F(SetUpTest, SetUpLeavesTheAllocatorsMappingThresholdAlone) {
  Start(1600, 900);
  ASSERT_TRUE(form->DDmain1.Enabled());
  auto touch = [](std::size_t size) {
    auto* p = static_cast<volatile char*>(std::malloc(size));
    p[0] = 1;
    p[size - 1] = 1;
    return p;
  };
  std::free(const_cast<char*>(touch(8u << 20)));
  const std::size_t mapped = mallinfo2().hblks;
  volatile char* again = touch(8u << 20);
  EXPECT_EQ(mallinfo2().hblks, mapped) << "the block was mapped afresh";
  std::free(const_cast<char*>(again));
}
#endif

// The first frame is drawn with the first frame of each surf strip; the
// strips' other frames come in when the surf first moves on. A saver ended
// before that ends in order.
TEST_F(SetUpTest, TheSurfsOtherFramesComeInWhenItFirstMoves) {
  Start(800, 600);
  EXPECT_EQ(form->DDani1lowwater.FrameCount(), 1);
  EXPECT_EQ(form->DDani1hightwater.FrameCount(), 1);
  form->RenderFrame();
  EXPECT_EQ(form->DDani1lowwater.FrameCount(), 1);
  form->DDtimer1Timer(nullptr);
  form->RenderFrame();
  EXPECT_EQ(form->DDani1lowwater.FrameCount(), 30);
  EXPECT_EQ(form->DDani1hightwater.FrameCount(), 30);
  EXPECT_EQ(form->DDani1lowwater.GetNumberFrame(), 1);
  EXPECT_FALSE(form->Finished());
  app.reset();

  Start(1600, 900, {}, /*offline=*/false);
  KeyDown('A');
  EXPECT_EQ(LogCount("FINISH AT=======>"), 1);
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

// The daylight-saving hour moves every key time of the tint by one hour:
// the frame with it at 05:30 is the frame without it at 04:30 (in the
// morning's blend: the sun rises at Aachen at 04:20 standard time on 21
// June), and differs from the frame without it at 05:30.
TEST_F(SetUpTest, DaylightSavingTimeShiftsTheTintByOneHour) {
  const auto frame_at = [&](int hour, bool dst) {
    TearDown();
    SetUp();
    clock.Set(LocalTime{2004, 6, 21, 1, hour, 30, 0, 0});
    Start(160, 120, {"FlagDaytime=1", "FlagDemoDaytime=0", "flag_clock=0", "ShowRisSet=0",
                     dst ? "FlagDaylightSavingTime=1" : "FlagDaylightSavingTime=0"});
    form->RenderFrame();
    return hb->Screen();
  };
  const Picture without_at_430 = frame_at(4, false);
  const Picture with_at_530 = frame_at(5, true);
  const Picture without_at_530 = frame_at(5, false);
  int same = 0, moved = 0;
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 160; ++x) {
      same += with_at_530.Pixel(x, y) == without_at_430.Pixel(x, y) ? 1 : 0;
      moved += without_at_530.Pixel(x, y) != without_at_430.Pixel(x, y) ? 1 : 0;
    }
  EXPECT_EQ(same, 160 * 120);
  EXPECT_GT(moved, 160 * 120 / 2);
}

TEST_F(SetUpTest, APictureThatCannotBeDecodedEndsTheSaverWithTheExceptionLines) {
  fault = FaultPoint::Picture;
  Start(160, 120, {}, /*offline=*/false);
  EXPECT_TRUE(app->Terminated());
  EXPECT_TRUE(form->Finished());
  EXPECT_EQ(LogCount("ExceptionMessage: picture \"HIGHTWATER\""), 1);
  EXPECT_EQ(LogCount("FINISH WITH E AT=======>: "), 1);
  EXPECT_EQ(LogCount("FINISH AT=======>"), 0);
  // Set-up stopped before the timer, the sound and the idle drawing; the
  // display and the system's saver state are given back.
  EXPECT_FALSE(form->DDtimer1.Enabled());
  EXPECT_FALSE(form->DDmain1.Enabled());
  EXPECT_FALSE(hb->Exclusive());
  EXPECT_FALSE(app->OnIdle);
  for (const auto& call : hb->SoundCalls()) EXPECT_NE(call.kind, display::HeadlessBackend::SoundCall::Kind::Play);
  EXPECT_FALSE(hb->SaverRunning());
  app->Run();  // returns at once
}

// A first run in a host's small window stores the monitor's mode and the
// clock's place for it; the hosted run shows the clock fitted to its
// window, a run in a window of its own moves it without storing it, and a
// full-screen run finds the stored place.
TEST_F(SetUpTest, ARunInAWindowNeverStoresItsSizeOrClock) {
  constexpr HWND kHost = 0x4242;
  hb->AddForeignWindow(kHost, 320, 240);
  ASSERT_EQ(hb->SetTarget({display::DisplayTarget::Kind::Hosted, kHost, 0, 0}), display::Status::Ok);
  Start(1920, 1080, {}, /*offline=*/false);
  EXPECT_EQ(Stored("ResHor"), 1920);
  EXPECT_EQ(Stored("ResVert"), 1080);
  EXPECT_EQ(Stored("clockX"), 1830);
  EXPECT_EQ(Stored("clockY"), 90);
  EXPECT_EQ(form->DDmain1.GetWidth(), 320);
  EXPECT_EQ(form->DXClock1.GetXcenter(), 1830 * 320 / 1920);
  EXPECT_EQ(form->DXClock1.GetYcenter(), 90 * 240 / 1080);
  EXPECT_EQ(form->DXClock1.GetRadius(), 70 * 240 / 1080);
  EXPECT_TRUE(form->ClockShown());

  app.reset();
  ASSERT_EQ(hb->SetTarget({display::DisplayTarget::Kind::Window, 0, 640, 480}), display::Status::Ok);
  Start(1920, 1080, {"TermMouse=0"}, /*offline=*/false);
  KeyDown(37);
  KeyDown(38);
  EXPECT_EQ(form->DXClock1.GetXcenter(), 1830 * 640 / 1920 - 1);
  EXPECT_EQ(Stored("clockX"), 1830);
  EXPECT_EQ(Stored("clockY"), 90);
  app.reset();

  ASSERT_EQ(hb->SetTarget({display::DisplayTarget::Kind::FullScreen, 0, 0, 0}), display::Status::Ok);
  Start(1920, 1080, {}, /*offline=*/false);
  EXPECT_EQ(form->DXClock1.GetXcenter(), 1830);
  EXPECT_EQ(form->DXClock1.GetYcenter(), 90);
  EXPECT_EQ(form->DDmain1.GetWidth(), 1920);
}

}  // namespace
}  // namespace sandloop::test
