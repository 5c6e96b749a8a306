// The tick and the frame: the wraps of the surf and wing counters, the
// layers checked pixel by pixel against our own composition of the
// pictures by the layout table, one flip per frame, a display error in
// the middle of the run, and the rest while the display is off.
#include <chrono>
#include <thread>

#include "kit/Clip.h"
#include "kit/Picture.h"
#include "tests/scene/SceneFixture.h"

namespace sandloop::test {
namespace {

// The frame as the layers should make it: each picture stretched to its
// place by nearest neighbour, its top-left colour left out where it is
// transparent, clipped by the sprites' screen rule, bottom layer first.
Picture ExpectedFrame(const Layout& layout, int w, int h, int water) {
  Picture out(w, h, 0);
  for (int index : {kGround, kHighWater, kLowWater, kSecondPlane, kPalmLeft, kPalmMiddle, kPalmRight, kStonesLeft,
                    kPlantRight}) {
    const Placement& p = layout[static_cast<std::size_t>(index)];
    const Picture pic = Picture::FromResource(p.resource);
    const int band_h = p.frame_height > 0 ? p.frame_height : pic.Height();
    const int band_top = p.frame_height > 0 ? band_h * water : 0;
    const std::uint32_t key = pic.Pixel(0, band_top);
    const ClippedBlit c = ClipToScreen(w, h, p.x, p.y, RECT{0, 0, p.width, p.height});
    if (!c.draw) continue;
    for (int sy = c.src.top; sy < c.src.bottom; ++sy)
      for (int sx = c.src.left; sx < c.src.right; ++sx) {
        const std::uint32_t rgb = pic.Pixel(sx * pic.Width() / p.width, band_top + sy * band_h / p.height);
        if (p.transparent && rgb == key) continue;
        out.SetPixel(c.dst_x + sx - c.src.left, c.dst_y + sy - c.src.top, rgb);
      }
  }
  return out;
}

class FrameTest : public SceneTest {
 protected:
  // Sixty frames with ticks, clock seconds and brightness keys among them,
  // drawn part by part and drawn whole: every frame shows the same.
  void DrawingOnlyWhatChanges(int w, int h);
};

// The first frame too, whose surf is drawn from the strips' first frames
// alone; at 1024 x 768 the scenery's surfaces hold their pictures' own
// memory, and at 800 x 600 the surf's first frames do.
TEST_F(FrameTest, TheLayersMatchOurOwnCompositionOfThePictures) {
  for (auto [w, h] : {std::pair{160, 120}, {800, 600}, {1024, 768}}) {
    Start(w, h, {"FlagShowEagles=0", "FlagShowButterfly=0", "flag_clock=0", "ShowRisSet=0", "flag_fps=0",
                 "FlagDemoDaytime=0"});
    for (int water : {0, 5}) {
      for (int t = 0; t < water; ++t) form->DDtimer1Timer(nullptr);
      form->RenderFrame();
      const Picture expected = ExpectedFrame(form->Placements(), w, h, water);
      const Picture& shown = hb->Screen();
      ASSERT_EQ(shown.Width(), w);
      int wrong = 0;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          if (shown.Pixel(x, y) != expected.Pixel(x, y) && ++wrong <= 3)
            ADD_FAILURE() << w << "x" << h << " at surf frame " << water << ": pixel " << x << "," << y << " is "
                          << std::hex << shown.Pixel(x, y) << ", expected " << expected.Pixel(x, y);
      EXPECT_EQ(wrong, 0);
    }
    TearDown();
    SetUp();
  }
}

TEST_F(FrameTest, TheCountersWrapAndEachFrameFlipsOnce) {
  Start(160, 120);
  std::vector<int> water, wings;
  for (int t = 1; t <= 31; ++t) {
    form->DDtimer1Timer(nullptr);
    if (t >= 14 && t <= 16) wings.push_back(form->WingCounter.load());
    if (t >= 28) water.push_back(form->WaterFrame.load());
  }
  EXPECT_EQ(water, (std::vector<int>{28, 29, 0, 1}));
  EXPECT_EQ(wings, (std::vector<int>{14, 15, 0}));

  const int presents = hb->Presents();
  const bool parity = form->FlipParity;
  bool done = true;
  form->DrawFrame(done);
  EXPECT_FALSE(done);
  EXPECT_EQ(hb->Presents(), presents + 1);
  EXPECT_NE(form->FlipParity, parity);
}

// Frames drawn part by part against whole frames of the same states: the
// surf and the creatures move on ticks, the clock's hands once a second,
// the brightness changes now and then (the whole page is shown again), and
// frames come between ticks too.
TEST_F(FrameTest, DrawingOnlyWhatChangesShowsWhatAWholeFrameShows) {
  for (auto [w, h] : {std::pair{320, 240}, {1600, 900}}) {
    SCOPED_TRACE(::testing::Message() << w << "x" << h);
    DrawingOnlyWhatChanges(w, h);
  }
}

// A tick that moves nothing but the surf presents only the part of each
// surf band in which its frames differ, not the whole bands.
TEST_F(FrameTest, ATickOfTheSurfPresentsOnlyWhereItsFramesDiffer) {
  Start(800, 600, {"FlagShowEagles=0", "FlagShowButterfly=0", "flag_clock=0", "ShowRisSet=0", "flag_fps=0",
                   "FlagDemoDaytime=0"});
  bool done;
  form->DrawFrame(done);
  const Layout& layout = form->Placements();
  long long bands = 0;
  for (int i : {kLowWater, kHighWater})
    bands += static_cast<long long>(layout[static_cast<std::size_t>(i)].width) * layout[static_cast<std::size_t>(i)].height;
  for (int t = 0; t < 31; ++t) {
    const long long before = hb->PartialPixels();
    const int partial = hb->PartialPresents();
    form->DDtimer1Timer(nullptr);
    form->DrawFrame(done);
    EXPECT_EQ(hb->PartialPresents(), partial + 1) << t;
    EXPECT_GT(hb->PartialPixels() - before, 0) << t;
    EXPECT_LT(hb->PartialPixels() - before, bands * 9 / 10) << t;
  }
}

void FrameTest::DrawingOnlyWhatChanges(int w, int h) {
  std::vector<Picture> shown[2];
  // The display's counts go on from earlier runs: this run's are the rise.
  long long partial_pixels = -hb->PartialPixels();
  int partial = -hb->PartialPresents(), presents = -hb->Presents();
  for (int plain = 0; plain < 2; ++plain) {
    hb->SetModes({{w, h, 32}});
    hb->SetDesktopMode({w, h, 32});
    SceneOptions options;
    options.offline = true;
    options.seed = 11;
    options.plain = plain == 1;
    for (const char* o : {"TermMouse=0", "Gamma=200"}) options.overrides.push_back(*ParseSettingOverride(o, nullptr));
    app = std::make_unique<TApplication>();
    clock.Set(LocalTime{2004, 6, 21, 1, 10, 8, 30, 0});
    form = app->CreateForm<TForm1>(clock, options);
    form->FormCreate();
    for (int f = 0; f < 60; ++f) {
      if (f % 3 == 0) form->DDtimer1Timer(nullptr);
      if (f % 7 == 0) clock.Set(LocalTime{2004, 6, 21, 1, 10, 8, 31 + f / 7, 0});
      char key = '+';
      if (f % 11 == 5) form->FormKeyPress(key);
      bool done;
      form->DrawFrame(done);
      shown[plain].push_back(hb->Screen());
    }
    if (plain == 0) {
      partial += hb->PartialPresents();
      partial_pixels += hb->PartialPixels();
      presents += hb->Presents();
    }
  }
  ASSERT_EQ(shown[0].size(), shown[1].size());
  for (std::size_t f = 0; f < shown[0].size(); ++f) {
    int wrong = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) wrong += shown[0][f].Pixel(x, y) != shown[1][f].Pixel(x, y);
    EXPECT_EQ(wrong, 0) << "frame " << f;
  }
  // Frames with nothing new were not presented; most of the others showed
  // parts of the screen only.
  EXPECT_LT(presents, 40);
  EXPECT_GT(partial, 15);
  EXPECT_LT(partial_pixels, static_cast<long long>(partial) * w * h);
}

TEST_F(FrameTest, ALostSurfaceEndsTheRunWithItsLogLines) {
  Start(160, 120, {}, /*offline=*/false);
  ASSERT_TRUE(form->DDtimer1.Enabled());
  hb->FailOnce(display::Op::Flip, DDERR_SURFACELOST);
  bool done = true;
  form->DrawFrame(done);
  EXPECT_TRUE(form->Finished());
  EXPECT_FALSE(form->DDtimer1.Enabled());
  EXPECT_FALSE(form->DDmain1.Enabled());
  EXPECT_FALSE(app->OnIdle);
  const std::string log = Log();
  const auto error = log.rfind("DDmain1Error: FpDDSPrimary->DDERR_SURFACELOST\n");
  ASSERT_NE(error, std::string::npos) << log;
  EXPECT_NE(log.find("FINISH AT=======>: ", error), std::string::npos) << log;
}

// The mean of the three channels over the whole screen.
double MeanLevel(const Picture& p) {
  double sum = 0;
  for (int y = 0; y < p.Height(); ++y)
    for (int x = 0; x < p.Width(); ++x) {
      const std::uint32_t c = p.Pixel(x, y);
      sum += (c & 0xFF) + ((c >> 8) & 0xFF) + ((c >> 16) & 0xFF);
    }
  return sum / (3.0 * p.Width() * p.Height());
}

// Waits up to a second for the timer's thread to step the surf.
bool SurfMoves(const TForm1& form) {
  const int water = form.WaterFrame.load();
  for (int i = 0; i < 100; ++i) {
    if (form.WaterFrame.load() != water) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// While the display is off nothing is composed, presented or heard and no
// tick runs; the main thread only waits for input. When the display comes
// back the whole frame is shown at once, tinted for the time it is now.
TEST_F(FrameTest, WhileTheDisplayIsOffTheSaverRestsAndWakesAtTheCurrentTime) {
  clock.Set(LocalTime{2004, 6, 21, 1, 12, 0, 0, 0});
  Start(320, 240, {"FlagDaytime=1", "FlagDemoDaytime=0", "flag_PlaySound=1", "SetSpeed=2", "TermMouse=0"},
        /*offline=*/false);
  bool done = true;
  form->DrawFrame(done);
  const double noon = MeanLevel(hb->Screen());
  ASSERT_TRUE(hb->SoundPlaying());
  ASSERT_TRUE(SurfMoves(*form));

  hb->SetDisplayAsleep(true);
  const int presents = hb->Presents(), waits = hb->Waits();
  const long long waited = hb->WaitedMs();
  form->DrawFrame(done);
  EXPECT_FALSE(form->DDtimer1.Enabled());
  EXPECT_FALSE(hb->SoundPlaying());
  EXPECT_FALSE(SurfMoves(*form));
  for (int i = 0; i < 5; ++i) form->DrawFrame(done);
  EXPECT_EQ(hb->Presents(), presents);
  EXPECT_EQ(hb->Waits() - waits, 6);
  EXPECT_GE(hb->WaitedMs() - waited, 6 * 200) << "a resting saver waits long between looks";

  // Night has fallen meanwhile.
  clock.Set(LocalTime{2004, 6, 21, 1, 23, 30, 0, 0});
  hb->SetDisplayAsleep(false);
  const int partial = hb->PartialPresents();
  form->DrawFrame(done);
  EXPECT_EQ(hb->Presents(), presents + 1);
  EXPECT_EQ(hb->PartialPresents(), partial) << "the first frame back is shown whole";
  EXPECT_EQ(form->DayCycle.TimeOfDay.load(), 23 * 3600 + 30 * 60);
  EXPECT_LT(MeanLevel(hb->Screen()), noon * 0.6) << "the frame is tinted for the night, not for noon";
  EXPECT_TRUE(form->DDtimer1.Enabled());
  EXPECT_TRUE(hb->SoundPlaying());
  EXPECT_TRUE(SurfMoves(*form));
  form->TryFinish();
  EXPECT_TRUE(form->Finished());
}

// An exception of a tick stays on the timer's thread until the next frame
// throws it on the main thread; the ticks after it change nothing.
TEST_F(FrameTest, AnExceptionOfATickIsThrownByTheNextFrame) {
  fault = FaultPoint::Tick;
  Start(160, 120);
  for (int t = 0; t < 19; ++t) form->DDtimer1Timer(nullptr);
  const int water = form->WaterFrame.load();
  form->DDtimer1Timer(nullptr);  // the 20th tick throws inside
  form->DDtimer1Timer(nullptr);
  EXPECT_EQ(form->WaterFrame.load(), water);
  bool done = true;
  try {
    form->DrawFrame(done);
    ADD_FAILURE() << "the frame did not throw";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "fault injected into the frame tick");
  }
}

// On the real timer thread: the tick's exception ends the saver through
// the exception event with its two log lines, once.
TEST_F(FrameTest, AnExceptionOnTheTimersThreadEndsTheSaver) {
  fault = FaultPoint::Tick;
  Start(160, 120, {"SetSpeed=2"}, /*offline=*/false);
  app->Run();
  EXPECT_TRUE(app->Terminated());
  EXPECT_FALSE(form->DDtimer1.Enabled());
  EXPECT_FALSE(form->DDmain1.Enabled());
  EXPECT_EQ(LogCount("ExceptionMessage: fault injected into the frame tick\n"), 1);
  EXPECT_EQ(LogCount("FINISH WITH E AT=======>: "), 1);
}

}  // namespace
}  // namespace sandloop::test
