#include "tests/backends/contract/BackendContract.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "assets/Resources.h"
#include "kit/Picture.h"

namespace sandloop::display::contract {

void BackendContract::SetUp() {
  std::string why;
  backend = GetParam().make(&why);
  if (backend == nullptr) GTEST_SKIP() << GetParam().name << " cannot run here: " << why;
}

namespace {

class EveryCaseRuns : public ::testing::Environment {
 public:
  void TearDown() override {
    const ::testing::UnitTest& run = *::testing::UnitTest::GetInstance();
    for (int i = 0; i < run.total_test_suite_count(); ++i) {
      const ::testing::TestSuite& suite = *run.GetTestSuite(i);
      for (int j = 0; j < suite.total_test_count(); ++j) {
        const ::testing::TestInfo& test = *suite.GetTestInfo(j);
        if (test.should_run() && test.result()->Skipped())
          ADD_FAILURE() << suite.name() << "." << test.name()
                        << " was skipped where every case must run (SANDLOOP_REQUIRE_ALL)";
      }
    }
  }
};

}  // namespace

void FailSkipsWhereEveryCaseMustRun() {
  const char* required = std::getenv("SANDLOOP_REQUIRE_ALL");
  if (required == nullptr || *required == '\0' || std::strcmp(required, "0") == 0) return;
  ::testing::AddGlobalTestEnvironment(new EveryCaseRuns);
}

void BackendContract::TearDown() {
  if (backend != nullptr && backend->SoundPlaying()) backend->StopSound();
  backend.reset();
}

namespace {

// A page of one colour in memory, as the display layer hands it over.
struct Page {
  Page(int w, int h, int bpp, std::uint8_t fill) : width(w), height(h), bpp(bpp), pitch(((w * (bpp / 8)) + 3) & ~3) {
    bytes.assign(static_cast<std::size_t>(pitch) * h + 4, fill);
  }
  PageView View() const { return PageView{bytes.data(), width, height, pitch, bpp}; }
  int width, height, bpp, pitch;
  std::vector<std::uint8_t> bytes;
};

Ramp Dusk() {
  Ramp r;
  for (unsigned i = 0; i < 256; ++i) {
    r.red[i] = static_cast<std::uint16_t>(i * 182);
    r.green[i] = static_cast<std::uint16_t>(i * 112);
    r.blue[i] = static_cast<std::uint16_t>(i * 52);
  }
  return r;
}

}  // namespace

TEST_P(BackendContract, ListsTheDesktopModeAtEveryDepth) {
  const DisplayMode desk = backend->DesktopMode();
  ASSERT_GT(desk.width, 0);
  ASSERT_GT(desk.height, 0);
  const DisplayMode monitor = backend->MonitorMode();
  EXPECT_GT(monitor.width, 0);
  EXPECT_GT(monitor.height, 0);
  EXPECT_GE(backend->MonitorCount(), 1);
  const std::vector<DisplayMode> modes = backend->Modes();
  for (int bpp : {16, 24, 32}) {
    EXPECT_NE(std::find(modes.begin(), modes.end(), DisplayMode{desk.width, desk.height, bpp}), modes.end())
        << desk.width << "x" << desk.height << "x" << bpp << " missing";
  }
  for (const DisplayMode& m : modes) {
    EXPECT_GT(m.width, 0);
    EXPECT_GT(m.height, 0);
    EXPECT_TRUE(m.bpp == 16 || m.bpp == 24 || m.bpp == 32) << m.bpp;
  }
}

TEST_P(BackendContract, FormWindowsHaveTheirOwnIdsUntilDestroyed) {
  const WindowId a = backend->CreateFormWindow("contract a");
  const WindowId b = backend->CreateFormWindow("contract b");
  ASSERT_NE(a, 0u);
  ASSERT_NE(b, 0u);
  EXPECT_NE(a, b);
  EXPECT_TRUE(backend->WindowExists(a));
  EXPECT_TRUE(backend->WindowExists(b));
  backend->DestroyWindow(a);
  EXPECT_FALSE(backend->WindowExists(a));
  EXPECT_TRUE(backend->WindowExists(b));
  backend->DestroyWindow(a);  // a second time does nothing
  backend->DestroyWindow(b);
  EXPECT_FALSE(backend->WindowExists(b));
}

TEST_P(BackendContract, RefusesTargetsThatCannotBe) {
  // No program has a window with this id.
  const Status hosted = backend->SetTarget({DisplayTarget::Kind::Hosted, 0x7FFFFFF1u, 0, 0});
  EXPECT_TRUE(hosted == Status::InvalidParams || hosted == Status::Unsupported) << static_cast<std::int32_t>(hosted);
  EXPECT_EQ(backend->SetTarget({DisplayTarget::Kind::Window, 0, 0, 300}), Status::InvalidParams);
  EXPECT_EQ(backend->SetTarget({DisplayTarget::Kind::Window, 0, 400, -1}), Status::InvalidParams);
  EXPECT_EQ(backend->Target().kind, DisplayTarget::Kind::FullScreen);
}

TEST_P(BackendContract, ModesNeedExclusiveUseAndMustBeListed) {
  const WindowId form = backend->CreateFormWindow("contract");
  const DisplayMode desk = backend->DesktopMode();
  EXPECT_EQ(backend->SetMode(desk), Status::NoExclusiveMode);
  EXPECT_EQ(backend->BeginExclusive(form + 0x10000), Status::InvalidParams);
  ASSERT_EQ(backend->BeginExclusive(form), Status::Ok);
  EXPECT_EQ(backend->SetMode({desk.width + 3, desk.height + 1, 32}), Status::InvalidMode);
  EXPECT_EQ(backend->SetMode({desk.width, desk.height, 12}), Status::InvalidMode);
  ASSERT_EQ(backend->SetMode({desk.width, desk.height, 32}), Status::Ok);
  backend->EndExclusive();
  // Given back, the screen can be taken again.
  ASSERT_EQ(backend->BeginExclusive(form), Status::Ok);
  EXPECT_EQ(backend->SetMode({desk.width, desk.height, 16}), Status::Ok);
  backend->EndExclusive();
  backend->DestroyWindow(form);
}

namespace {

// Within `slack` in every channel: the screen may hold fewer bits than
// the page, and back ends widen 5 and 6 bits to 8 their own way.
::testing::AssertionResult Near(std::uint32_t shown, std::uint32_t expected, int slack = 4) {
  for (int shift : {16, 8, 0}) {
    const int a = static_cast<int>((shown >> shift) & 0xFF), b = static_cast<int>((expected >> shift) & 0xFF);
    if (std::abs(a - b) > slack) {
      char text[64];
      std::snprintf(text, sizeof text, "shows 0x%06X, expected 0x%06X", static_cast<unsigned>(shown),
                    static_cast<unsigned>(expected));
      return ::testing::AssertionFailure() << text;
    }
  }
  return ::testing::AssertionSuccess();
}

}  // namespace

TEST_P(BackendContract, PresentsWholePagesAndPartsAtEveryDepth) {
  const WindowId form = backend->CreateFormWindow("contract");
  const DisplayMode desk = backend->DesktopMode();
  ASSERT_EQ(backend->BeginExclusive(form), Status::Ok);
  const Ramp dusk = Dusk();
  // What the screen shows, asked of the system; the drawing may reach it a
  // little after the present returns.
  const auto& shown_at = GetParam().shown_at;
  auto shows = [&](int x, int y, std::uint32_t expected) {
    ::testing::AssertionResult last = ::testing::AssertionFailure();
    for (int i = 0; i < 40; ++i) {
      backend->WaitEvent(0);
      InputEvent ignored;
      while (backend->PollEvent(&ignored)) {
      }
      last = Near(shown_at(form, x, y), expected);
      if (last) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return last << " at (" << x << ", " << y << ")";
  };
  // Pages of the bytes 0x5A and then 0xA5, as the screen must show them
  // without a ramp and through the dusk ramp (value * 182, * 112, * 52 in
  // 16 bits, so red 90 becomes 63). In 16 bits 0x5A5A is red 11 of 31,
  // green 18 of 63 and blue 26 of 31; 0xA5A5 is 20, 45 and 5.
  struct Expected {
    int bpp;
    std::uint32_t plain, dusk, after_dusk;
  };
  const Expected expected[] = {
      {32, 0x5A5A5A, 0x3F2712, 0x754821},
      {24, 0x5A5A5A, 0x3F2712, 0x754821},
      {16, 0x5A49D6, 0x3F1F2B, 0x744F08},
  };
  for (const Expected& e : expected) {
    const int bpp = e.bpp;
    SCOPED_TRACE(bpp);
    ASSERT_EQ(backend->SetMode({desk.width, desk.height, bpp}), Status::Ok);
    const Page page(desk.width, desk.height, bpp, 0x5A);
    EXPECT_EQ(backend->Present(page.View(), nullptr), Status::Ok);
    if (shown_at) {
      EXPECT_TRUE(shows(0, 0, e.plain));
      EXPECT_TRUE(shows(desk.width / 2, desk.height / 2, e.plain));
      EXPECT_TRUE(shows(desk.width - 1, desk.height - 1, e.plain));
    }
    EXPECT_EQ(backend->Present(page.View(), &dusk), Status::Ok);
    if (shown_at) {
      EXPECT_TRUE(shows(desk.width / 3, desk.height / 3, e.dusk));
    }
    // Only the corners changed: they show the new page.
    const Page after(desk.width, desk.height, bpp, 0xA5);
    const Rect parts[] = {{0, 0, 1, 1}, {desk.width - 7, desk.height - 5, desk.width, desk.height}};
    EXPECT_EQ(backend->PresentRects(after.View(), &dusk, parts, 2), Status::Ok);
    if (shown_at) {
      EXPECT_TRUE(shows(0, 0, e.after_dusk));
      EXPECT_TRUE(shows(desk.width - 1, desk.height - 1, e.after_dusk));
    }
    EXPECT_EQ(backend->PresentRects(after.View(), &dusk, parts, 0), Status::Ok);
  }
  backend->EndExclusive();
  backend->DestroyWindow(form);
}

TEST_P(BackendContract, SoundThatCannotBeDecodedIsRefusedWithAReason) {
  const std::uint8_t junk[] = {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'J', 'U', 'N', 'K'};
  std::string why;
  EXPECT_FALSE(backend->PlaySound({"junk", junk, true, 0}, &why));
  EXPECT_FALSE(why.empty());
  EXPECT_FALSE(backend->SoundPlaying());
  backend->StopSound();  // nothing plays: harmless
  EXPECT_FALSE(backend->SoundPlaying());
}

TEST_P(BackendContract, TheSurfLoopsUntilStoppedOrNoDeviceIsSaid) {
  const auto wave = assets::FindResource("SOUNDNAME");
  ASSERT_TRUE(wave.has_value());
  std::string why;
  if (!backend->PlaySound({"SOUNDNAME", *wave, true, 0}, &why)) {
    // Where the runner gives the back end an audio device, silence is a fault.
    EXPECT_FALSE(GetParam().sound_required) << "no sound: " << why;
    // A machine without an audio device goes on silent, and says why.
    EXPECT_FALSE(why.empty());
    EXPECT_FALSE(backend->SoundPlaying());
    return;
  }
  EXPECT_TRUE(backend->SoundPlaying());
  backend->StopSound();
  EXPECT_FALSE(backend->SoundPlaying());
}

TEST_P(BackendContract, SaverStateReportsTheStateBefore) {
  const auto& system_says = GetParam().saver_running;
  EXPECT_FALSE(backend->SetSaverRunning(true));
  if (system_says) {
    EXPECT_TRUE(system_says());
  }
  EXPECT_TRUE(backend->SetSaverRunning(true));
  EXPECT_TRUE(backend->SetSaverRunning(false));
  if (system_says) {
    EXPECT_FALSE(system_says());
  }
  EXPECT_FALSE(backend->SetSaverRunning(false));
}

TEST_P(BackendContract, CursorCountsLikeTheSystemCall) {
  const auto& system_shows = GetParam().cursor_shown;
  if (system_shows) {
    EXPECT_TRUE(system_shows());
  }
  EXPECT_EQ(backend->ShowCursor(false), -1);
  if (system_shows) {
    EXPECT_FALSE(system_shows());
  }
  EXPECT_EQ(backend->ShowCursor(false), -2);
  EXPECT_EQ(backend->ShowCursor(true), -1);
  if (system_shows) {
    EXPECT_FALSE(system_shows());
  }
  EXPECT_EQ(backend->ShowCursor(true), 0);
  if (system_shows) {
    EXPECT_TRUE(system_shows());
  }
  EXPECT_EQ(backend->CursorCount(), 0);
}

TEST_P(BackendContract, NoInputArrivesUnasked) {
  // Nothing was made and nobody typed: the queue holds no key and no quit.
  InputEvent event;
  for (int i = 0; i < 5; ++i) {
    backend->WaitEvent(2);
    if (!backend->PollEvent(&event)) continue;
    EXPECT_NE(event.kind, InputEvent::Kind::KeyDown);
    EXPECT_NE(event.kind, InputEvent::Kind::KeyPress);
    EXPECT_NE(event.kind, InputEvent::Kind::Quit);
  }
}

}  // namespace sandloop::display::contract
