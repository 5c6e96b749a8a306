// The rules the base class checks for every back end, through the headless
// one: what the mode list holds for each target, and which modes and
// targets are refused before the back end's own part runs.
#include <gtest/gtest.h>

#include <vector>

#include "kit/ddraw/backend.h"
#include "kit/ddraw/headless/HeadlessBackend.h"

namespace {

using sandloop::display::CreateHeadlessBackend;
using sandloop::display::DisplayMode;
using sandloop::display::DisplayTarget;
using sandloop::display::Status;
using sandloop::display::WindowId;
using Kind = DisplayTarget::Kind;

TEST(BackendModes, AWindowTargetListsItsOwnSizeOnlyAndFollowsIt) {
  auto hb = CreateHeadlessBackend();
  const std::vector<DisplayMode> display = hb->Modes();
  ASSERT_EQ(display.size(), 15u);  // five sizes at three depths
  ASSERT_EQ(hb->SetTarget({Kind::Window, 0, 500, 300}), Status::Ok);
  EXPECT_EQ(hb->Modes(), (std::vector<DisplayMode>{{500, 300, 16}, {500, 300, 24}, {500, 300, 32}}));
  const WindowId form = hb->CreateFormWindow("window");
  ASSERT_EQ(hb->BeginExclusive(form), Status::Ok);
  hb->ResizeWindow(form, 640, 400);  // the user drags its edge
  EXPECT_EQ(hb->Modes(), (std::vector<DisplayMode>{{640, 400, 16}, {640, 400, 24}, {640, 400, 32}}));
  hb->EndExclusive();
  ASSERT_EQ(hb->SetTarget({}), Status::Ok);  // full screen again: the display's own list
  EXPECT_EQ(hb->Modes(), display);
}

TEST(BackendModes, RefusedModesNeverReachTheBackEnd) {
  auto hb = CreateHeadlessBackend();
  hb->SetModes({{800, 600, 16}});  // the desktop's 1024 x 768 x 32 is not listed
  const WindowId form = hb->CreateFormWindow("full screen");
  // Exclusive use is asked for before anything of the mode.
  EXPECT_EQ(hb->SetMode({0, 0, 8}), Status::NoExclusiveMode);
  ASSERT_EQ(hb->BeginExclusive(form), Status::Ok);
  const DisplayMode desk{1024, 768, 32};
  ASSERT_EQ(hb->CurrentMode(), desk);
  EXPECT_EQ(hb->SetMode({800, 600, 32}), Status::InvalidMode);  // a listed size at an unlisted depth
  EXPECT_EQ(hb->SetMode({800, 600, 12}), Status::InvalidMode);
  EXPECT_EQ(hb->SetMode({640, 480, 16}), Status::InvalidMode);
  EXPECT_EQ(hb->CurrentMode(), desk);
  EXPECT_EQ(hb->SetMode({800, 600, 16}), Status::Ok);
  EXPECT_EQ(hb->CurrentMode(), (DisplayMode{800, 600, 16}));
  // The desktop's own mode needs no switch, listed or not.
  EXPECT_EQ(hb->SetMode(desk), Status::Ok);
  EXPECT_EQ(hb->CurrentMode(), desk);
}

TEST(BackendModes, HostedAndWindowedPagesTakeAnySizeUpToTheLimit) {
  for (const DisplayTarget& target : {DisplayTarget{Kind::Window, 0, 320, 200},
                                      DisplayTarget{Kind::Hosted, sandloop::display::HeadlessBackend::kRootWindow}}) {
    auto hb = CreateHeadlessBackend();
    ASSERT_EQ(hb->SetTarget(target), Status::Ok);
    const WindowId form = hb->CreateFormWindow("page");
    ASSERT_EQ(hb->BeginExclusive(form), Status::Ok);
    ASSERT_EQ(hb->SetMode({16384, 1, 24}), Status::Ok);  // unlisted, but a page's size
    EXPECT_EQ(hb->SetMode({16385, 10, 32}), Status::InvalidMode);
    EXPECT_EQ(hb->SetMode({10, 16385, 32}), Status::InvalidMode);
    EXPECT_EQ(hb->SetMode({0, 10, 32}), Status::InvalidMode);
    EXPECT_EQ(hb->SetMode({640, 480, 8}), Status::InvalidMode);  // no page has that depth
    EXPECT_EQ(hb->CurrentMode(), (DisplayMode{16384, 1, 24}));
  }
}

TEST(BackendTargets, AWindowWithoutASizeLeavesTheTargetAlone) {
  auto hb = CreateHeadlessBackend();
  ASSERT_EQ(hb->SetTarget({Kind::Window, 0, 300, 200}), Status::Ok);
  EXPECT_EQ(hb->SetTarget({Kind::Window, 0, 0, 200}), Status::InvalidParams);
  EXPECT_EQ(hb->SetTarget({Kind::Window, 0, 300, -2}), Status::InvalidParams);
  EXPECT_EQ(hb->Target().width, 300);
  EXPECT_EQ(hb->Target().height, 200);
}

}  // namespace
