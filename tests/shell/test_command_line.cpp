// The command line's options besides the mode switch: "--set" values of
// every kind, and local times; and the mode switch's forms as each system
// writes them (Windows' and the others').
#include <gtest/gtest.h>

#include "shell/CommandLine.h"
#include "shell/Shell.h"

#include <sstream>

#include "tests/FuzzReplay.h"
#include "tools/fuzz/FuzzTargets.h"

namespace sandloop {
namespace {

SettingsRecord With(const std::vector<std::string>& assignments) {
  std::vector<std::string> args;
  for (const auto& a : assignments) args.insert(args.end(), {"--set", a});
  std::vector<SettingOverride> overrides;
  std::string error;
  EXPECT_TRUE(ExtractSettingOverrides(args, &overrides, &error)) << error;
  SettingsRecord s;
  for (const auto& o : overrides) ApplySettingOverride(s, o);
  return s;
}

TEST(CommandLine, SetTakesEveryKindOfSetting) {
  const SettingsRecord s = With({"flag_clock=false", "TermMouse=0", "flag_fps=true", "NumEagles=-3",
                                 "ColorClock=0x00FF8000", "RegLat=-33.5", "IndexCity=3936"});
  EXPECT_FALSE(s.flag_clock);
  EXPECT_FALSE(s.TermMouse);
  EXPECT_TRUE(s.flag_fps);
  EXPECT_EQ(s.NumEagles, -3);
  EXPECT_EQ(s.ColorClock, 0x00FF8000u);
  EXPECT_FLOAT_EQ(s.RegLat, -33.5f);
  EXPECT_EQ(s.IndexCity, 3936);
  EXPECT_EQ(With({"ColorClock=255"}).ColorClock, 255u);
}

TEST(CommandLine, SetLeavesTheOtherArgumentsInOrder) {
  std::vector<std::string> args = {"/s", "--set", "Gamma=100", "extra"};
  std::vector<SettingOverride> overrides;
  std::string error;
  ASSERT_TRUE(ExtractSettingOverrides(args, &overrides, &error));
  EXPECT_EQ(args, (std::vector<std::string>{"/s", "extra"}));
  ASSERT_EQ(overrides.size(), 1u);
}

TEST(CommandLine, SetRefusesWhatItCannotStore) {
  for (const char* bad : {"Gamma", "gamma=1", "=1", "Gamma=", "Gamma=1.5", "Gamma=99999999999", "flag_clock=yes",
                          "ColorClock=-1", "ColorClock=0x1FFFFFFFF", "RegLat=abc", "RegLat=1e300", "RegLat=nan"}) {
    std::vector<std::string> args = {"--set", bad};
    std::vector<SettingOverride> overrides;
    std::string error;
    EXPECT_FALSE(ExtractSettingOverrides(args, &overrides, &error)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
  std::vector<std::string> args = {"/s", "--set"};
  std::vector<SettingOverride> overrides;
  std::string error;
  EXPECT_FALSE(ExtractSettingOverrides(args, &overrides, &error));
}

TEST(CommandLine, LocalTimesAreCheckedAndGetTheirWeekday) {
  const auto t = ParseLocalTime("2004-06-21 14:30:05");
  ASSERT_TRUE(t);
  EXPECT_EQ(t->hour, 14);
  EXPECT_EQ(t->second, 5);
  EXPECT_EQ(t->dayOfWeek, 1);  // a Monday
  for (const char* bad : {"2004-06-21", "2004-13-01 00:00:00", "2005-02-29 00:00:00", "2004-06-21 24:00:00",
                          "2004-06-21 10:60:00", "2004-06-21T10:00:00", "2004-06-21 10:00:00 "})
    EXPECT_FALSE(ParseLocalTime(bad)) << bad;
}

// Every option that the parsers take is in the usage, and --version ends
// the program with its version instead of starting the saver.
TEST(CommandLine, HelpNamesEveryOptionAndVersionEnds) {
  const FixedClock clock(LocalTime{2004, 6, 21, 1, 12});
  std::ostringstream out, err;
  CommandLineRequest next;
  EXPECT_EQ(HandleCommandLine({"--help"}, nullptr, out, err, clock, &next), 0);
  const std::string help = out.str();
  for (const char* option : {"/s", "/c", "/p", "/a", "-root", "-window-id", "--window", "-fps", "--unpaced", "--exact-pixels", "--set",
                             "--render", "--size", "--depth", "--ticks", "--frames", "--at", "--seed", "--sun",
                             "--dst", "--date", "--cities", "--register", "--help", "--version"})
    EXPECT_NE(help.find(option), std::string::npos) << option;
  for (const char* flag : {"--version", "-V"}) {
    out.str("");
    CommandLineRequest after;
    EXPECT_EQ(HandleCommandLine({flag}, "0x400001", out, err, clock, &after), 0) << flag;
    const std::string text = out.str();
    EXPECT_EQ(text.rfind("sandloop ", 0), 0u) << text;
    EXPECT_GT(text.size(), std::string("sandloop \n").size());
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(after.host.target, HostOptions::Target::FullScreen);
  }
  EXPECT_TRUE(err.str().empty()) << err.str();
}

// Terminal commands end here; --render and the saver's modes go on, with
// their options checked and the --set pairs taken out.
TEST(CommandLine, HandledWithoutADisplayInTheProgramsOrder) {
  const FixedClock clock(LocalTime{2004, 6, 21, 1, 12});
  std::ostringstream out, err;
  auto handle = [&](const std::vector<std::string>& args, CommandLineRequest* next = nullptr) {
    CommandLineRequest own;
    return HandleCommandLine(args, nullptr, out, err, clock, next ? next : &own);
  };
  EXPECT_EQ(handle({"--help"}), 0);
  EXPECT_NE(out.str().find("usage: sandloop"), std::string::npos);
  EXPECT_EQ(handle({"--sun", "LONDON GB"}), 0);
  EXPECT_NE(out.str().find("Apparent Sunrise: 3:42AM"), std::string::npos) << out.str();
  EXPECT_EQ(handle({"--cities", "x"}), 2);
  EXPECT_EQ(handle({"--render"}), 2);
  EXPECT_EQ(handle({"/s", "--set", "Gamma"}), 2);
  CommandLineRequest next;
  EXPECT_FALSE(handle({"--render", "a.png", "--ticks", "3"}, &next).has_value());
  EXPECT_TRUE(next.render);
  next = {};
  EXPECT_FALSE(handle({"/p", "--set", "NumEagles=2", "--unpaced", "12"}, &next).has_value());
  EXPECT_FALSE(next.render);
  EXPECT_TRUE(next.unpaced);
  EXPECT_FALSE(next.exact_pixels);
  EXPECT_EQ(next.host.rest, (std::vector<std::string>{"/p", "12"}));
  ASSERT_EQ(next.overrides.size(), 1u);
  EXPECT_EQ(std::string(SettingsTable[static_cast<std::size_t>(next.overrides[0].row)].name), "NumEagles");
  next = {};
  EXPECT_FALSE(handle({"--register", "xscreensaver"}, &next).has_value());
  EXPECT_TRUE(next.register_command);  // run by the caller: it writes the user's files
}

// --exact-pixels anywhere on the line, in the saver's modes and with
// --render, and nothing else taken with it.
TEST(CommandLine, ExactPixelsInEveryMode) {
  const FixedClock clock(LocalTime{2004, 6, 21, 1, 12});
  std::ostringstream out, err;
  CommandLineRequest next;
  EXPECT_FALSE(HandleCommandLine({"--exact-pixels", "/s", "--set", "NumEagles=2"}, nullptr, out, err, clock, &next)
                   .has_value());
  EXPECT_TRUE(next.exact_pixels);
  EXPECT_EQ(next.host.rest, (std::vector<std::string>{"/s"}));
  RenderOptions render;
  std::string error;
  ASSERT_TRUE(ParseRenderOptions({"--render", "a.png", "--size", "3840x2160", "--exact-pixels", "--seed", "4"},
                                 &render, &error))
      << error;
  EXPECT_TRUE(render.exact_pixels);
  EXPECT_EQ(render.width, 3840);
  EXPECT_EQ(render.seed, 4u);
  RenderOptions plain;
  ASSERT_TRUE(ParseRenderOptions({"--render", "a.png"}, &plain, &error)) << error;
  EXPECT_FALSE(plain.exact_pixels);
}

// The systems' conventions differ only without a switch: Windows then asks
// for the settings (Explorer's "Configure"), elsewhere the saver runs.
TEST(CommandLine, ModeSwitchByEachSystemsConvention) {
  for (const Convention c : {Convention::Posix, Convention::Windows}) {
    const bool windows = c == Convention::Windows;
    EXPECT_EQ(ParseRunMode("/p:1234", c), RunMode::Preview) << windows;
    EXPECT_EQ(ParseRunMode("/c", c), RunMode::Configuration) << windows;
    EXPECT_EQ(ParseRunMode("/S", c), RunMode::Run) << windows;
    EXPECT_EQ(ParseRunMode("s", c), RunMode::Run) << windows;  // one character
    EXPECT_EQ(ParseRunMode("", c), windows ? RunMode::Configuration : RunMode::Run) << windows;
  }
  EXPECT_EQ(ParseRunMode(""), RunMode::Run);
}

// "/p:HWND" as "/c:HWND" is, and the handle in the next argument.
TEST(CommandLine, TheWindowThatAModeSwitchNames) {
  const struct {
    std::vector<std::string> args;
    const char* window;
  } cases[] = {
      {{"/p:1234"}, "1234"},       {{"/p", "1234"}, "1234"}, {{"/P:0x1A", "99"}, "0x1A"},
      {{"/c:4321"}, "4321"},       {{"/p:", "77"}, "77"},    {{"/p"}, ""},
      {{}, ""},                    {{"/a", "5"}, "5"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(WindowArgument(c.args), c.window) << (c.args.empty() ? std::string("(none)") : c.args[0]);
}

// Whom the settings belong to: the named window, the foreground window
// for a bare /c, and nobody without an argument or with a bad number.
TEST(CommandLine, TheSettingsOwnerByWindowsConvention) {
  const struct {
    std::vector<std::string> args;
    bool foreground;
    std::uintptr_t window;
  } cases[] = {
      {{}, false, 0},           {{""}, false, 0},           {{"/c"}, true, 0},
      {{"-C"}, true, 0},        {{"/c:4321"}, false, 4321}, {{"/c", "0x10"}, false, 16},
      {{"/c:abc"}, false, 0},   {{"/c:-5"}, false, 0},      {{"/c:0"}, false, 0},
  };
  for (const auto& c : cases) {
    const DialogOwner owner = SettingsOwner(c.args);
    const std::string what = c.args.empty() ? std::string("(none)") : c.args[0];
    EXPECT_EQ(owner.foreground, c.foreground) << what;
    EXPECT_EQ(owner.window, c.window) << what;
  }
}

// The fuzz harness's seeds and every input it found failing, kept.
TEST(CommandLine, FuzzInputsAreHandledSoundly) {
  const auto inputs = test::FuzzInputs("cmdline", "cmdline");
  EXPECT_GE(inputs.size(), 5u);
  for (const auto& [name, bytes] : inputs)
    EXPECT_EQ(fuzz::CheckCommandLine(fuzz::SplitArguments(bytes)), "") << name;
}

}  // namespace
}  // namespace sandloop
