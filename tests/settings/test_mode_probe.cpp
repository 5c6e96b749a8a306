#include "settings/ModeProbe.h"

#include <gtest/gtest.h>

#include "kit/ddraw/headless/HeadlessBackend.h"

namespace sandloop {
namespace {

using display::CreateHeadlessBackend;
using display::HeadlessBackend;
using display::Op;

class ModeProbeTest : public ::testing::Test {
 protected:
  ModeProbeTest() : hb(CreateHeadlessBackend()) { display::SetBackend(hb); }
  ~ModeProbeTest() override { display::SetBackend(nullptr); }
  std::shared_ptr<HeadlessBackend> hb;
};

TEST_F(ModeProbeTest, TableOrderAndListedModes) {
  hb->SetModes({{800, 600, 16}, {1280, 1024, 32}, {1920, 1080, 32}, {800, 600, 8}, {640, 480, 16}});
  TModeTable table;
  ASSERT_TRUE(ProbeDisplayModes(table, 0));
  for (int s = 0; s < 4; ++s)
    for (int d = 0; d < 3; ++d) {
      const ModeEntry& e = table[static_cast<std::size_t>(s * 3 + d)];
      EXPECT_EQ(e.width, kModeSizes[static_cast<std::size_t>(s)].width);
      EXPECT_EQ(e.bits, kModeDepths[static_cast<std::size_t>(d)]);
    }
  int available = 0;
  for (const ModeEntry& e : table) available += e.available;
  EXPECT_EQ(available, 2);  // modes outside the table are ignored
  EXPECT_TRUE(ModeAvailable(table, 800, 600, 16));
  EXPECT_TRUE(ModeAvailable(table, 1280, 1024, 32));
  EXPECT_FALSE(ModeAvailable(table, 1920, 1080, 32));
}

TEST_F(ModeProbeTest, SizeButtonsFollowThe16BitEntryAndDepthButtons800x600) {
  // 1024 x 768 only at 32 bits; 24 bits at 1024 x 768 but not at 800 x 600.
  hb->SetModes({{800, 600, 16}, {800, 600, 32}, {1024, 768, 32}, {1024, 768, 24}, {1152, 864, 16},
                {1280, 1024, 16}});
  TModeTable table;
  ProbeDisplayModes(table, 0);
  ModeButtons buttons;
  UpdateModeButtons(table, buttons);
  EXPECT_EQ(buttons.size_enabled, (std::array<bool, 4>{true, false, true, true}));
  EXPECT_EQ(buttons.depth_enabled, (std::array<bool, 3>{true, false, true}));

  // A size button once disabled is never enabled again.
  hb->SetModes({{1024, 768, 16}});
  ProbeDisplayModes(table, 0);
  UpdateModeButtons(table, buttons);
  EXPECT_FALSE(buttons.size_enabled[1]);
  EXPECT_FALSE(buttons.size_enabled[0]);
}

TEST_F(ModeProbeTest, Clicking1280x1024) {
  TModeTable table;
  ProbeDisplayModes(table, 0);
  ModeButtons buttons;
  SettingsRecord s;
  s.flag_defres = true;
  SelectSizeButton(s, SizeIndexForWidth(1280), table, buttons);
  EXPECT_TRUE(ModeButtonMouseUp(s, buttons, 3));
  EXPECT_EQ(s.ResHor, 1280);
  EXPECT_EQ(s.ResVert, 1024);
  EXPECT_FALSE(s.flag_defres);
  EXPECT_EQ(s.clockRad, 70);
  EXPECT_EQ(s.clockX, 1190);
  EXPECT_EQ(s.clockY, 90);
  SelectDepthButton(s, 1);
  EXPECT_EQ(s.ColorDepth, 24);
}

TEST_F(ModeProbeTest, UseDesktopSettingsOn1024x768x32) {
  hb->SetDesktopMode({1024, 768, 32});
  SettingsRecord s;
  s.flag_defres = false;
  s.ResHor = 1280;
  s.ResVert = 1024;
  s.ColorDepth = 16;
  s.clockRad = 300;
  ModeButtons buttons;
  SelectDesktopButton(s, buttons);
  EXPECT_TRUE(ModeButtonMouseUp(s, buttons, kDesktopButton));
  EXPECT_EQ(s.ResHor, 1024);
  EXPECT_EQ(s.ResVert, 768);
  EXPECT_EQ(s.ColorDepth, 32);
  EXPECT_TRUE(s.flag_defres);
  EXPECT_EQ(buttons.depth_enabled, (std::array<bool, 3>{false, false, false}));
  EXPECT_EQ(s.clockX, 934);
  EXPECT_EQ(s.clockY, 90);
  EXPECT_EQ(s.clockRad, 70);
}

TEST_F(ModeProbeTest, ReleaseOverADisabledButtonLeavesTheClock) {
  ModeButtons buttons;
  buttons.size_enabled[2] = false;
  SettingsRecord s;
  s.clockX = 5;
  EXPECT_FALSE(ModeButtonMouseUp(s, buttons, 2));
  EXPECT_EQ(s.clockX, 5);
  EXPECT_EQ(SizeIndexForWidth(1366), -1);
}

TEST_F(ModeProbeTest, GammaSupportAndMissingDirectDraw) {
  bool gamma = false;
  EXPECT_TRUE(ProbeGammaSupport(gamma, 0));
  EXPECT_TRUE(gamma);
  hb->SetGammaSupported(false);
  EXPECT_TRUE(ProbeGammaSupport(gamma, 0));
  EXPECT_FALSE(gamma);

  // Each probe whose DirectDraw cannot be created shows the message.
  hb->SetGammaSupported(true);
  hb->FailNext(Op::DirectDrawCreate, E_FAIL, 2);
  TModeTable table;
  EXPECT_FALSE(ProbeDisplayModes(table, 7));
  EXPECT_FALSE(ProbeGammaSupport(gamma, 7));
  EXPECT_FALSE(gamma);
  for (const ModeEntry& e : table) EXPECT_FALSE(e.available);
  ASSERT_EQ(hb->Messages().size(), 2u);
  for (const auto& m : hb->Messages()) {
    EXPECT_EQ(m.text, "DirectDraw Init FAILED");
    EXPECT_EQ(m.caption, "Screen saver");
    EXPECT_EQ(m.owner, 7u);
  }
  // A driver that fails GetCaps has no gamma ramp as far as the dialog goes.
  hb->FailOnce(Op::GetCaps, E_FAIL);
  EXPECT_TRUE(ProbeGammaSupport(gamma, 0));
  EXPECT_FALSE(gamma);
}

}  // namespace
}  // namespace sandloop
