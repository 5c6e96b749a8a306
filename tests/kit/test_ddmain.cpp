// The display device: opening and its failures, flipping with a lost
// surface, the overlay lines on the presented page, clearing.
#include <gtest/gtest.h>

#include <algorithm>

#include <memory>
#include <string>
#include <vector>

#include "SpriteTestSupport.h"
#include "kit/DDmain.h"
#include "kit/ddraw/headless/HeadlessBackend.h"

namespace sandloop {
namespace {

using display::CreateHeadlessBackend;
using display::HeadlessBackend;
using display::Op;
using testing::TestForm;

class DDmainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hb = CreateHeadlessBackend();
    display::SetBackend(hb);
    form = std::make_unique<TestForm>(*hb);
    dd = std::make_unique<TDDmain>(form.get());
    dd->OnError = [this](TComponent* sender) {
      EXPECT_EQ(sender, dd.get());
      // What the handler sees: the message is stored, the release is done.
      reports.push_back({dd->GetErrorResult(), dd->FpDD != nullptr, dd->FpDDSPrimary != nullptr,
                         dd->FpDDSBack != nullptr});
      if (close_in_handler) dd->SetEnabled(false);
    };
  }
  void TearDown() override {
    dd->SetEnabled(false);
    dd.reset();
    form.reset();
    display::SetBackend(nullptr);
  }
  void Open(int w = 800, int h = 600, int bpp = 32) {
    dd->SetWidth(w);
    dd->SetHeight(h);
    dd->SetColorDepth(bpp);
    dd->SetEnabled(true);
  }
  // Count of screen pixels that are pure white in a rectangle.
  int WhitePixels(int x0, int y0, int x1, int y1) const {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += hb->Screen().Pixel(x, y) == 0xFFFFFF;
    return n;
  }

  struct Report {
    std::string message;
    bool dd, primary, back;
  };
  std::shared_ptr<HeadlessBackend> hb;
  std::unique_ptr<TestForm> form;
  std::unique_ptr<TDDmain> dd;
  std::vector<Report> reports;
  bool close_in_handler = false;
};

TEST_F(DDmainTest, ConstructorDefaultsAndStoringSetters) {
  EXPECT_FALSE(dd->Enabled());
  EXPECT_EQ(dd->GetWidth(), 800);
  EXPECT_EQ(dd->GetHeight(), 600);
  EXPECT_EQ(dd->GetColorDepth(), 24);
  EXPECT_FALSE(dd->ShowFPS());
  EXPECT_FALSE(dd->DualMonitor());
  EXPECT_FALSE(dd->DefineFormHandle());
  EXPECT_EQ(dd->DDForm(), nullptr);
  EXPECT_EQ(dd->FpDD, nullptr);
  // Setters only store: nothing opens.
  dd->SetWidth(1024);
  dd->SetHeight(768);
  EXPECT_EQ(dd->FpDD, nullptr);
  EXPECT_EQ(hb->Calls(Op::DirectDrawCreate), 0);
}

TEST_F(DDmainTest, OpensInTheRequestedModeAndClosesInReverse) {
  Open(1024, 768, 16);
  ASSERT_NE(dd->FpDD, nullptr);
  ASSERT_NE(dd->FpDDSPrimary, nullptr);
  ASSERT_NE(dd->FpDDSBack, nullptr);
  EXPECT_TRUE(hb->Exclusive());
  EXPECT_EQ(hb->CurrentMode(), (display::DisplayMode{1024, 768, 16}));
  EXPECT_EQ(dd->DDForm(), form.get());  // the owner's window was used
  EXPECT_TRUE(reports.empty());
  // Enabling an open device does nothing.
  dd->SetEnabled(true);
  EXPECT_EQ(hb->Calls(Op::DirectDrawCreate), 1);
  dd->SetEnabled(false);
  EXPECT_EQ(dd->FpDD, nullptr);
  EXPECT_EQ(dd->FpDDSPrimary, nullptr);
  EXPECT_EQ(dd->FpDDSBack, nullptr);
  EXPECT_FALSE(hb->Exclusive());
  dd->SetEnabled(false);  // disabling a closed device does nothing
}

TEST_F(DDmainTest, EachOpenFailureReportsOnceAfterReleasingEverything) {
  const struct {
    Op op;
    const char* message;
  } cases[] = {
      {Op::DirectDrawCreate, "Error DirectDrawCreate"},
      {Op::SetCooperativeLevel, "Error SetCooperativeLevel"},
      {Op::SetDisplayMode, "Error SetDisplayMode"},
      {Op::CreateSurface, "Error CreatePrimarySurface"},
      {Op::GetAttachedSurface, "Error CreateBackSurface"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    reports.clear();
    hb->FailOnce(c.op, E_FAIL);
    Open();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].message, c.message);
    EXPECT_FALSE(reports[0].dd || reports[0].primary || reports[0].back) << "released before the report";
    EXPECT_TRUE(dd->Enabled());  // the request stands although the open failed
    EXPECT_EQ(dd->LastResult(), E_FAIL);
    EXPECT_FALSE(hb->Exclusive());
    dd->SetEnabled(false);  // finds nothing to release
    EXPECT_EQ(reports.size(), 1u);
  }
}

TEST_F(DDmainTest, AModeTheDisplayDoesNotListIsRefused) {
  hb->SetModes({{800, 600, 32}, {1280, 1024, 16}});
  Open(1280, 1024, 32);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].message, "Error SetDisplayMode");
  EXPECT_EQ(dd->LastResult(), DDERR_INVALIDMODE);
}

TEST_F(DDmainTest, DualMonitorRules) {
  dd->SetDualMonitor(true);
  Open();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].message, "This program work only in dual monitor system!");
  EXPECT_EQ(hb->Calls(Op::DirectDrawCreate), 0);  // nothing was created
  EXPECT_TRUE(dd->Enabled());
  dd->SetEnabled(false);

  // Two monitors: the third enumeration callback is the second monitor.
  reports.clear();
  hb->SetMonitorCount(2);
  Open();
  EXPECT_TRUE(reports.empty());
  ASSERT_NE(TDDmain::SavedDevice(), nullptr);
  EXPECT_EQ(TDDmain::SavedDevice()->Data1, 1u);
  ASSERT_NE(dd->FpDDSBack, nullptr);
  dd->SetEnabled(false);

  // The enumeration failing is reported, and the open goes on.
  hb->FailOnce(Op::EnumerateDevices, E_FAIL);
  Open();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].message, "ERROR EnumerateScreens");
  EXPECT_NE(dd->FpDDSBack, nullptr);
  EXPECT_EQ(TDDmain::SavedDevice(), nullptr);  // opened on the primary display
}

TEST_F(DDmainTest, AFurtherMonitorsDeviceShowsItsPagesOnThatMonitorOnly) {
  hb->SetMonitors({{{0, 0, 1024, 768}, {1024, 768, 32}}, {{1024, 0, 2944, 1080}, {1920, 1080, 32}}});
  // The primary's window holds the display, which covers the other monitor.
  TestForm primary(*hb);
  ASSERT_EQ(hb->BeginExclusive(primary.Handle()), display::Status::Ok);
  dd->SetMonitor(1);
  Open(800, 600, 16);  // a designed mode: scaled to the monitor when shown
  ASSERT_TRUE(reports.empty());
  dd->ClearBackSurface();
  dd->FlipSurfaces();
  EXPECT_EQ(hb->Presents(), 0);  // nothing reached the primary
  EXPECT_GE(hb->MonitorPresents(1), 1);
  EXPECT_EQ(hb->MonitorScreen(1).Width(), 1920);
  EXPECT_EQ(hb->MonitorScreen(1).Height(), 1080);
  dd->SetEnabled(false);

  // A monitor that is not there cannot be opened.
  dd->SetMonitor(2);
  Open();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].message, "Error DirectDrawCreate");
  EXPECT_EQ(dd->LastResult(), DDERR_INVALIDPARAMS);
}

TEST_F(DDmainTest, ALostSurfaceIsReportedAndRestoredOnceAndTheNextFlipWorks) {
  Open();
  const int presents = hb->Presents();
  hb->FailOnce(Op::Flip, DDERR_SURFACELOST);
  dd->FlipSurfaces();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].message, "FpDDSPrimary->DDERR_SURFACELOST");
  EXPECT_EQ(hb->Calls(Op::Restore), 1);
  EXPECT_EQ(hb->Calls(Op::Flip), 1);  // no second flip in that call
  EXPECT_EQ(hb->Presents(), presents);
  dd->FlipSurfaces();
  EXPECT_EQ(hb->Presents(), presents + 1);
  EXPECT_EQ(reports.size(), 1u);
}

TEST_F(DDmainTest, NoRestoreWhenTheHandlerClosedTheDevice) {
  Open();
  close_in_handler = true;
  hb->FailOnce(Op::Flip, DDERR_SURFACELOST);
  dd->FlipSurfaces();
  EXPECT_EQ(reports.size(), 1u);
  EXPECT_EQ(hb->Calls(Op::Restore), 0);
  EXPECT_EQ(dd->FpDDSPrimary, nullptr);
}

TEST_F(DDmainTest, StillDrawingIsRetriedAndOtherFailuresAreSilent) {
  Open();
  hb->FailNext(Op::Flip, DDERR_WASSTILLDRAWING, 3);
  const int presents = hb->Presents();
  dd->FlipSurfaces();
  EXPECT_EQ(hb->Calls(Op::Flip), 4);
  EXPECT_EQ(hb->Presents(), presents + 1);
  hb->FailOnce(Op::Flip, E_FAIL);
  dd->FlipSurfaces();
  EXPECT_TRUE(reports.empty());
}

TEST_F(DDmainTest, DrawingOnAClosedDeviceDoesNothing) {
  dd->ClearBackSurface();
  dd->ClearAllSurface();
  dd->FlipSurfaces();
  dd->FuncShowFPS();
  dd->FuncShowTST("x", 0, 0);
  EXPECT_EQ(hb->Presents(), 0);
  EXPECT_TRUE(reports.empty());
}

TEST_F(DDmainTest, OverlayLinesAreWhiteAtTheirPlacesOverThePicture) {
  Open();
  dd->SetTestString("Line one");
  dd->SetTestString2("Line two");
  dd->SetTestString3("Line three");
  dd->SetShowTestString(true);
  dd->SetShowTestString3(true);
  // A grey picture under the lines: text is drawn over it, not on black.
  testing::FillSurface(dd->FpDDSBack, 0x404040);
  dd->FlipSurfaces();
  const auto& screen = hb->Screen();
  EXPECT_GT(WhitePixels(20, 20, 120, 38), 20);  // line 1 at y 20
  EXPECT_EQ(WhitePixels(0, 40, 800, 58), 0);    // line 2 is switched off
  EXPECT_GT(WhitePixels(20, 60, 120, 78), 20);  // line 3 at y 60
  EXPECT_EQ(WhitePixels(0, 0, 19, 600), 0);     // nothing left of x 20
  EXPECT_EQ(screen.Pixel(400, 300), 0x404040u);  // the picture stays
}

TEST_F(DDmainTest, LargerTextGrowsWithItsLinesPlacesAndBands) {
  Open();
  dd->SetTestString3("Sunset at: 8:39PM");
  dd->SetShowTestString3(true);
  // The rows a line's white pixels reach, at 16 and at 48 pixels.
  auto rows = [&](int& top, int& bottom) {
    testing::FillSurface(dd->FpDDSBack, 0x404040);
    dd->FlipSurfaces();
    top = 600;
    bottom = -1;
    for (int y = 0; y < 600; ++y)
      if (WhitePixels(0, y, 800, y + 1) > 0) {
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  };
  int top16 = 0, bottom16 = 0, top48 = 0, bottom48 = 0;
  rows(top16, bottom16);
  dd->SetTextPixels(48);
  EXPECT_EQ(dd->TextPixels(), 48);
  rows(top48, bottom48);
  EXPECT_GE(top16, 60);
  EXPECT_GE(top48, 180);  // line 3 at three times 60
  EXPECT_NEAR(bottom48 - top48, 3 * (bottom16 - top16), 4);
  RECT band[4];
  ASSERT_EQ(dd->OverlayBands(band), 1);
  EXPECT_LE(band[0].top, top48);
  EXPECT_GT(band[0].bottom, bottom48);
  // The band reaches past the line's last white pixel, and no further than
  // a short line needs: not the whole width of the screen.
  EXPECT_EQ(WhitePixels(band[0].right, 0, 800, 600), 0);
  EXPECT_GT(WhitePixels(band[0].right - 200, top48, band[0].right, bottom48 + 1), 0);
  EXPECT_LT(band[0].right, 800);
  // So does the frame-rate line's, whatever its number.
  dd->SetShowTestString3(false);
  dd->SetshowFPS(true);
  testing::FillSurface(dd->FpDDSBack, 0x404040);
  dd->FlipSurfaces();
  ASSERT_EQ(dd->OverlayBands(band), 1);
  EXPECT_EQ(WhitePixels(band[0].right, 0, 800, 600), 0);
  dd->SetTextPixels(1000);
  EXPECT_EQ(dd->TextPixels(), kMaxFontPixels);
}

TEST_F(DDmainTest, SettingATestStringToItsValueKeepsIt) {
  dd->SetTestString("same");
  dd->SetTestString("same");
  EXPECT_EQ(dd->TestString(), "same");
  dd->SetTestString("other");
  EXPECT_EQ(dd->TestString(), "other");
}

TEST_F(DDmainTest, FrameRateLineSitsThirtyAboveTheBottom) {
  Open(800, 600, 24);
  dd->SetshowFPS(true);
  for (int i = 0; i < 3; ++i) {
    dd->ClearBackSurface();
    dd->FlipSurfaces();
  }
  EXPECT_GT(WhitePixels(20, 570, 200, 588), 20);
  EXPECT_EQ(WhitePixels(0, 0, 800, 560), 0);
  EXPECT_EQ(WhitePixels(0, 590, 800, 600), 0);
}

TEST_F(DDmainTest, ClearAllSurfaceClearsTheVisiblePageToo) {
  Open();
  testing::FillSurface(dd->FpDDSPrimary, 0xFFFFFF);
  testing::FillSurface(dd->FpDDSBack, 0xFFFFFF);
  dd->ClearAllSurface();
  EXPECT_EQ(testing::StoredPixel(dd->FpDDSPrimary, 5, 5), 0u);
  EXPECT_EQ(testing::StoredPixel(dd->FpDDSBack, 5, 5), 0u);
}

// The frame on the screen lives in the back buffer alone: a flip shows it
// and leaves it there, the primary surface's pixels are that page, and a
// flip of a few changed parts shows just those over what was shown.
TEST_F(DDmainTest, AFlipShowsTheBackBufferAndLeavesItAsItIs) {
  Open();
  testing::FillSurface(dd->FpDDSBack, 0x204060);
  dd->FlipSurfaces();
  EXPECT_EQ(hb->Screen().Pixel(10, 10), 0x204060u);
  EXPECT_EQ(testing::StoredPixel(dd->FpDDSBack, 10, 10), 0x204060u);
  EXPECT_EQ(testing::StoredPixel(dd->FpDDSPrimary, 10, 10), 0x204060u);

  DDSURFACEDESC front{}, back{};
  ASSERT_EQ(dd->FpDDSPrimary->Lock(nullptr, &front, DDLOCK_WAIT, nullptr), DD_OK);
  ASSERT_EQ(dd->FpDDSBack->Lock(nullptr, &back, DDLOCK_WAIT, nullptr), DD_OK);
  EXPECT_EQ(front.lpSurface, back.lpSurface);  // one page for both
  dd->FpDDSPrimary->Unlock(nullptr);
  dd->FpDDSBack->Unlock(nullptr);

  // Only one part drawn anew and shown: the rest of the screen and of the
  // page stays the frame before.
  DDBLTFX fx{};
  fx.dwSize = sizeof fx;
  fx.dwFillColor = 0xA0C0E0;
  RECT part{8, 8, 16, 16};
  ASSERT_EQ(dd->FpDDSBack->Blt(&part, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
  dd->SetChangedRects(&part, 1);
  dd->FlipSurfaces();
  EXPECT_EQ(hb->Screen().Pixel(10, 10), 0xA0C0E0u);
  EXPECT_EQ(hb->Screen().Pixel(30, 30), 0x204060u);
  EXPECT_EQ(testing::StoredPixel(dd->FpDDSBack, 30, 30), 0x204060u);
  dd->FlipSurfaces();  // a flip with nothing drawn shows the same frame
  EXPECT_EQ(hb->Screen().Pixel(10, 10), 0xA0C0E0u);
  EXPECT_EQ(hb->Screen().Pixel(30, 30), 0x204060u);
}

}  // namespace
}  // namespace sandloop
