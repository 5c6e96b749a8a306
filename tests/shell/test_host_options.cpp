// The options a host passes: window id forms, the environment variable,
// -root, the try-it window, -fps, their precedence and bad values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kit/ddraw/headless/HeadlessBackend.h"
#include "shell/HostOptions.h"

namespace sandloop {
namespace {

using Target = HostOptions::Target;
using Args = std::vector<std::string>;

TEST(HostOptions, WindowIdFormsAndPrecedence) {
  const struct {
    Args args;
    const char* variable;
    Target target;
    std::uint32_t id;
    bool root;
  } cases[] = {
      {{}, nullptr, Target::FullScreen, 0, false},
      {{"/s"}, "", Target::FullScreen, 0, false},
      {{"-window-id", "12345"}, nullptr, Target::Hosted, 12345, false},
      {{"--window-id", "0x2a00007"}, nullptr, Target::Hosted, 0x2a00007, false},
      {{"--window-id=0X1F"}, nullptr, Target::Hosted, 0x1F, false},
      {{"-window-id=77"}, nullptr, Target::Hosted, 77, false},
      {{"-root"}, nullptr, Target::Hosted, 0, true},
      {{"--root"}, "", Target::Hosted, 0, true},
      // The variable alone hosts, in decimal or hex, and beats -root.
      {{}, "0x1c00005", Target::Hosted, 0x1c00005, false},
      {{"-root"}, "4242", Target::Hosted, 4242, false},
      // An explicit id beats the variable, wherever it stands.
      {{"-root", "-window-id", "99"}, "0x1c00005", Target::Hosted, 99, false},
      // Modes other than run ignore the variable (the preview's own window).
      {{"/p", "1234"}, "0x1c00005", Target::FullScreen, 0, false},
      {{"/c"}, "0x1c00005", Target::FullScreen, 0, false},
  };
  for (const auto& c : cases) {
    const HostOptions o = ParseHostOptions(c.args, c.variable);
    const std::string what = ::testing::PrintToString(c.args) + " XSCREENSAVER_WINDOW=" + (c.variable ? c.variable : "(unset)");
    EXPECT_EQ(o.error, "") << what;
    EXPECT_EQ(o.target, c.target) << what;
    EXPECT_EQ(o.window_id, c.id) << what;
    EXPECT_EQ(o.root, c.root) << what;
  }
}

TEST(HostOptions, OtherArgumentsPassInOrderAndFpsIsTaken) {
  const HostOptions o = ParseHostOptions({"-root", "--set", "NumEagles=3", "-fps", "/s", "--set", "flag_clock=0"}, nullptr);
  EXPECT_EQ(o.error, "");
  EXPECT_TRUE(o.fps);
  EXPECT_EQ(o.rest, (Args{"--set", "NumEagles=3", "/s", "--set", "flag_clock=0"}));
  EXPECT_FALSE(ParseHostOptions({"/s"}, nullptr).fps);
}

TEST(HostOptions, TryItWindow) {
  HostOptions o = ParseHostOptions({"--window"}, "0x1c00005");
  EXPECT_EQ(o.target, Target::Window);
  EXPECT_EQ(o.width, 1024);
  EXPECT_EQ(o.height, 768);
  o = ParseHostOptions({"--window", "640x480", "--set", "flag_clock=1"}, nullptr);
  EXPECT_EQ(o.target, Target::Window);
  EXPECT_EQ(o.width, 640);
  EXPECT_EQ(o.height, 480);
  EXPECT_EQ(o.rest, (Args{"--set", "flag_clock=1"}));
  o = ParseHostOptions({"--window=1920X1080"}, nullptr);
  EXPECT_EQ(o.width, 1920);
  EXPECT_EQ(o.height, 1080);
  // A following argument that is not a size stays for the shell.
  o = ParseHostOptions({"--window", "/s"}, nullptr);
  EXPECT_EQ(o.error, "");
  EXPECT_EQ(o.rest, (Args{"/s"}));
}

TEST(HostOptions, BadValuesAreNamed) {
  const struct {
    Args args;
    const char* variable;
    const char* says;
  } cases[] = {
      {{"-window-id"}, nullptr, "-window-id needs a window id"},
      {{"--window-id", "abc"}, nullptr, "'abc' is not a window id"},
      {{"--window-id", "0"}, nullptr, "'0' is not a window id"},
      {{"--window-id", "0x"}, nullptr, "'0x' is not a window id"},
      {{"--window-id", "-5"}, nullptr, "'-5' is not a window id"},
      {{"--window-id", "0x100000000"}, nullptr, "'0x100000000' is not a window id"},
      {{"--window-id=12z"}, nullptr, "'12z' is not a window id"},
      {{"-root"}, "junk", "XSCREENSAVER_WINDOW='junk' is not a window id"},
      {{}, "1c00005", "XSCREENSAVER_WINDOW='1c00005' is not a window id"},
      {{"--window", "800x"}, nullptr, "'800x' is not a window size"},
      {{"--window", "0x0"}, nullptr, "'0x0' is not a window size"},
      {{"--window=99999x100"}, nullptr, "'99999x100' is not a window size"},
      {{"--window", "-root"}, nullptr, "cannot be combined"},
      {{"--window", "--window-id", "5"}, nullptr, "cannot be combined"},
  };
  for (const auto& c : cases) {
    const HostOptions o = ParseHostOptions(c.args, c.variable);
    EXPECT_NE(o.error.find(c.says), std::string::npos) << ::testing::PrintToString(c.args) << " gave: " << o.error;
  }
  // A bad variable does not matter when an explicit id is given.
  EXPECT_EQ(ParseHostOptions({"-window-id", "7"}, "junk").error, "");
}

TEST(ApplyDisplayTarget, PointsTheBackEndAtTheHostOrTheWindow) {
  using Kind = display::DisplayTarget::Kind;
  display::HeadlessBackend hb;
  hb.AddForeignWindow(0x2a00007, 300, 200);
  EXPECT_EQ(ApplyDisplayTarget(ParseHostOptions({"/s"}, nullptr), &hb), "");
  EXPECT_EQ(hb.Target().kind, Kind::FullScreen);
  EXPECT_EQ(ApplyDisplayTarget(ParseHostOptions({"-window-id", "0x2a00008"}, nullptr), &hb),
            "there is no window 0x2a00008 to draw into");
  EXPECT_EQ(ApplyDisplayTarget(ParseHostOptions({"-root"}, "0x2a00007"), &hb), "");
  EXPECT_EQ(hb.Target().kind, Kind::Hosted);
  EXPECT_EQ(hb.Target().foreign, 0x2a00007u);
  EXPECT_EQ(hb.DesktopMode().width, 300);

  display::HeadlessBackend root;
  EXPECT_EQ(ApplyDisplayTarget(ParseHostOptions({"-root"}, nullptr), &root), "");
  EXPECT_EQ(root.Target().foreign, display::HeadlessBackend::kRootWindow);
  display::HeadlessBackend own;
  EXPECT_EQ(ApplyDisplayTarget(ParseHostOptions({"--window", "640x400"}, nullptr), &own), "");
  EXPECT_EQ(own.Target().kind, Kind::Window);
  EXPECT_EQ(own.DesktopMode().height, 400);
  EXPECT_EQ(ApplyDisplayTarget(ParseHostOptions({"-root"}, nullptr), nullptr), "the display cannot be opened");
}

// A display without windows of other programs (a Wayland session): the
// host options say that they need X11; the saver's own targets still work.
TEST(ApplyDisplayTarget, HostOptionsNeedX11) {
  display::HeadlessBackend wayland;
  wayland.WithoutForeignWindows();
  EXPECT_NE(ApplyDisplayTarget(ParseHostOptions({"-window-id", "0x2a00008"}, nullptr), &wayland).find("X11"),
            std::string::npos);
  EXPECT_NE(ApplyDisplayTarget(ParseHostOptions({"-root"}, nullptr), &wayland).find("X11"), std::string::npos);
  EXPECT_EQ(wayland.Target().kind, display::DisplayTarget::Kind::FullScreen);
  EXPECT_EQ(ApplyDisplayTarget(ParseHostOptions({"--window"}, nullptr), &wayland), "");
  EXPECT_EQ(wayland.Target().kind, display::DisplayTarget::Kind::Window);
}

}  // namespace
}  // namespace sandloop
