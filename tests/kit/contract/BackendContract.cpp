#include "BackendContract.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "assets/Resources.h"
#include "kit/Picture.h"

namespace sandloop::display::contract {

void BackendContract::SetUp() {
  std::string why;
  backend = GetParam().make(&why);
  if (backend == nullptr) GTEST_SKIP() << GetParam().name << " cannot run here: " << why;
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

TEST_P(BackendContract, PresentsWholePagesAndPartsAtEveryDepth) {
  const WindowId form = backend->CreateFormWindow("contract");
  const DisplayMode desk = backend->DesktopMode();
  ASSERT_EQ(backend->BeginExclusive(form), Status::Ok);
  const Ramp dusk = Dusk();
  for (int bpp : {32, 24, 16}) {
    ASSERT_EQ(backend->SetMode({desk.width, desk.height, bpp}), Status::Ok);
    const Page page(desk.width, desk.height, bpp, 0x5A);
    EXPECT_EQ(backend->Present(page.View(), nullptr), Status::Ok) << bpp;
    EXPECT_EQ(backend->Present(page.View(), &dusk), Status::Ok) << bpp;
    const Rect parts[] = {{0, 0, 1, 1}, {desk.width - 7, desk.height - 5, desk.width, desk.height}};
    EXPECT_EQ(backend->PresentRects(page.View(), &dusk, parts, 2), Status::Ok) << bpp;
    EXPECT_EQ(backend->PresentRects(page.View(), &dusk, parts, 0), Status::Ok) << bpp;
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
  EXPECT_FALSE(backend->SetSaverRunning(true));
  EXPECT_TRUE(backend->SetSaverRunning(true));
  EXPECT_TRUE(backend->SetSaverRunning(false));
  EXPECT_FALSE(backend->SetSaverRunning(false));
}

TEST_P(BackendContract, CursorCountsLikeTheSystemCall) {
  EXPECT_EQ(backend->ShowCursor(false), -1);
  EXPECT_EQ(backend->ShowCursor(false), -2);
  EXPECT_EQ(backend->ShowCursor(true), -1);
  EXPECT_EQ(backend->ShowCursor(true), 0);
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
