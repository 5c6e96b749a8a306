// Display targets on the headless back end, through the display device as
// the scene uses it: hosted in a window of another program (its size, its
// resizes, no input, its destruction, a lost display), the try-it window,
// and flips that show only the changed rectangles.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/kit/SpriteTestSupport.h"
#include "kit/DDmain.h"
#include "kit/ddraw/headless/HeadlessBackend.h"
#include "kit/ddraw/present.h"

namespace sandloop {
namespace {

using display::DisplayMode;
using display::DisplayTarget;
using display::CreateHeadlessBackend;
using display::HeadlessBackend;
using display::InputEvent;
using testing::TestForm;
using Kind = DisplayTarget::Kind;

constexpr HWND kHost = 0x4200007;

class TargetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hb = CreateHeadlessBackend();
    display::SetBackend(hb);
    hb->AddForeignWindow(kHost, 640, 360);
  }
  void TearDown() override {
    if (dd) dd->SetEnabled(false);
    dd.reset();
    form.reset();
    display::SetBackend(nullptr);
  }
  // Opens the device at the size the target offers, as the shell does.
  void Open() {
    form = std::make_unique<TestForm>(*hb);
    dd = std::make_unique<TDDmain>(form.get());
    dd->OnError = [this](TComponent*) { errors.push_back(dd->GetErrorResult()); };
    const DisplayMode m = hb->DesktopMode();
    dd->SetWidth(m.width);
    dd->SetHeight(m.height);
    dd->SetColorDepth(32);
    dd->SetEnabled(true);
    ASSERT_NE(dd->FpDDSBack, nullptr) << dd->GetErrorResult();
  }
  void Fill(std::uint32_t colour, const RECT* r = nullptr) {
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = colour;
    ASSERT_EQ(dd->FpDDSBack->Blt(r, nullptr, nullptr, DDBLT_COLORFILL, &fx), DD_OK);
  }
  std::vector<InputEvent::Kind> Drain() {
    std::vector<InputEvent::Kind> kinds;
    InputEvent e;
    while (hb->PollEvent(&e)) kinds.push_back(e.kind);
    return kinds;
  }

  std::shared_ptr<HeadlessBackend> hb;
  std::unique_ptr<TestForm> form;
  std::unique_ptr<TDDmain> dd;
  std::vector<std::string> errors;
};

TEST_F(TargetTest, HostedDrawsAtTheHostSizeAndFollowsItsResize) {
  ASSERT_EQ(hb->SetTarget({Kind::Hosted, kHost, 0, 0}), display::Status::Ok);
  EXPECT_EQ(hb->DesktopMode(), (DisplayMode{640, 360, 32}));
  EXPECT_EQ(hb->MonitorCount(), 1);
  Open();
  EXPECT_TRUE(errors.empty());
  Fill(0x3366CC);
  const RECT corner{600, 340, 640, 360};
  Fill(0xFFCC00, &corner);
  dd->FlipSurfaces();
  ASSERT_EQ(hb->Screen().Width(), 640);
  ASSERT_EQ(hb->Screen().Height(), 360);
  EXPECT_EQ(hb->Screen().Pixel(10, 10), 0x3366CCu);
  EXPECT_EQ(hb->Screen().Pixel(639, 359), 0xFFCC00u);

  // The host doubles its window: the same page fills it at the next flip.
  hb->ResizeWindow(kHost, 1280, 720);
  EXPECT_EQ(hb->DesktopMode(), (DisplayMode{1280, 720, 32}));
  Fill(0x3366CC);
  Fill(0xFFCC00, &corner);
  dd->FlipSurfaces();
  ASSERT_EQ(hb->Screen().Width(), 1280);
  ASSERT_EQ(hb->Screen().Height(), 720);
  EXPECT_EQ(hb->Screen().Pixel(1279, 719), 0xFFCC00u);
  EXPECT_EQ(hb->Screen().Pixel(1200, 680), 0xFFCC00u);
  EXPECT_EQ(hb->Screen().Pixel(1199, 679), 0x3366CCu);
  EXPECT_TRUE(errors.empty());
}

TEST_F(TargetTest, HostedTakesNoInputAndEndsOnceWhenTheWindowGoes) {
  ASSERT_EQ(hb->SetTarget({Kind::Hosted, kHost, 0, 0}), display::Status::Ok);
  Open();
  InputEvent key;
  key.kind = InputEvent::Kind::KeyDown;
  key.key = 27;
  hb->PushEvent(key);
  EXPECT_TRUE(Drain().empty()) << "a host's input is not ours";
  hb->PushEvent(key);
  hb->PushEvent(InputEvent{});  // a quit request (a signal) still arrives
  EXPECT_EQ(Drain(), std::vector<InputEvent::Kind>{InputEvent::Kind::Quit});
  hb->DestroyWindow(kHost);
  EXPECT_EQ(Drain(), std::vector<InputEvent::Kind>{InputEvent::Kind::Quit});
  EXPECT_TRUE(Drain().empty()) << "the loss is told once";
  // A frame drawn before the loop ends is harmless and reports nothing.
  dd->FlipSurfaces();
  EXPECT_TRUE(errors.empty());
}

TEST_F(TargetTest, HostedLostDisplayIsADisplayErrorAndAQuit) {
  ASSERT_EQ(hb->SetTarget({Kind::Hosted, kHost, 0, 0}), display::Status::Ok);
  Open();
  hb->LoseConnection();
  dd->FlipSurfaces();
  EXPECT_EQ(errors, std::vector<std::string>{"FpDDSPrimary->DDERR_SURFACELOST"});
  EXPECT_EQ(Drain(), std::vector<InputEvent::Kind>{InputEvent::Kind::Quit});
}

TEST_F(TargetTest, HostedOnAMissingWindowOrTheRoot) {
  EXPECT_EQ(hb->SetTarget({Kind::Hosted, 0x999, 0, 0}), display::Status::InvalidParams);
  EXPECT_EQ(hb->Target().kind, Kind::FullScreen) << "a refused target changes nothing";
  hb->SetDesktopMode({1920, 1080, 32});
  ASSERT_EQ(hb->SetTarget({Kind::Hosted, hb->RootWindowId(), 0, 0}), display::Status::Ok);
  EXPECT_EQ(hb->DesktopMode(), (DisplayMode{1920, 1080, 32}));
}

TEST_F(TargetTest, TryItWindowScalesToItsSizeAndDeliversInput) {
  ASSERT_EQ(hb->SetTarget({Kind::Window, 0, 400, 300}), display::Status::Ok);
  form = std::make_unique<TestForm>(*hb);
  dd = std::make_unique<TDDmain>(form.get());
  // A page larger than the window, as settings may ask for.
  dd->SetWidth(800);
  dd->SetHeight(600);
  dd->SetColorDepth(16);
  dd->SetEnabled(true);
  ASSERT_NE(dd->FpDDSBack, nullptr) << dd->GetErrorResult();
  EXPECT_EQ(hb->DesktopMode(), (DisplayMode{400, 300, 32}));
  Fill(0xFFFF);  // white in RGB565
  dd->FlipSurfaces();
  ASSERT_EQ(hb->Screen().Width(), 400);
  EXPECT_EQ(hb->Screen().Pixel(399, 299), 0xFFFFFFu);
  hb->ResizeWindow(hb->ExclusiveWindow(), 200, 500);
  EXPECT_EQ(hb->DesktopMode(), (DisplayMode{200, 500, 32}));
  dd->FlipSurfaces();
  EXPECT_EQ(hb->Screen().Width(), 200);
  EXPECT_EQ(hb->Screen().Height(), 500);
  InputEvent key;
  key.kind = InputEvent::Kind::KeyDown;
  hb->PushEvent(key);
  EXPECT_EQ(Drain(), std::vector<InputEvent::Kind>{InputEvent::Kind::KeyDown});
}

TEST_F(TargetTest, HostedShowsChangedPartsUntilTheHostIsResized) {
  ASSERT_EQ(hb->SetTarget({Kind::Hosted, kHost, 0, 0}), display::Status::Ok);
  Open();
  Fill(0x000000);
  dd->FlipSurfaces();  // the whole page once
  Fill(0x00FF00);      // the next page differs everywhere...
  const RECT changed{10, 100, 50, 120};
  dd->SetChangedRects(&changed, 1);  // ...but only this part is said to
  dd->FlipSurfaces();
  EXPECT_EQ(hb->PartialPresents(), 1);
  EXPECT_EQ(hb->Screen().Pixel(10, 100), 0x00FF00u);
  EXPECT_EQ(hb->Screen().Pixel(49, 119), 0x00FF00u);
  EXPECT_EQ(hb->Screen().Pixel(50, 119), 0x000000u);
  EXPECT_EQ(hb->Screen().Pixel(9, 100), 0x000000u);

  // After a resize the window holds nothing of the old page at its size:
  // a present of parts shows the whole page, scaled.
  hb->ResizeWindow(kHost, 320, 180);
  Fill(0x0000FF);
  dd->SetChangedRects(&changed, 1);
  dd->FlipSurfaces();
  EXPECT_EQ(hb->PartialPresents(), 1);
  ASSERT_EQ(hb->Screen().Width(), 320);
  EXPECT_EQ(hb->Screen().Pixel(300, 170), 0x0000FFu);
  EXPECT_TRUE(errors.empty());
}

TEST(Scale32, EachTargetPixelTakesTheSourcePixelUnderItsCentre) {
  const std::uint32_t src[3 * 2] = {1, 2, 3, 4, 5, 6};
  std::uint32_t up[6 * 4];
  display::Scale32(reinterpret_cast<const std::uint8_t*>(src), 3, 2, 12, reinterpret_cast<std::uint8_t*>(up), 6, 4, 24);
  const std::uint32_t want_up[6 * 4] = {1, 1, 2, 2, 3, 3, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 4, 4, 5, 5, 6, 6};
  for (int i = 0; i < 24; ++i) EXPECT_EQ(up[i], want_up[i]) << i;
  std::uint32_t down[2];
  display::Scale32(reinterpret_cast<const std::uint8_t*>(src), 3, 2, 12, reinterpret_cast<std::uint8_t*>(down), 2, 1, 8);
  EXPECT_EQ(down[0], 4u);  // centre (0.75, 1.0) of the source
  EXPECT_EQ(down[1], 6u);  // centre (2.25, 1.0)
}

}  // namespace
}  // namespace sandloop
