// The command line's options besides the mode switch: "--set" values of
// every kind, and local times.
#include <gtest/gtest.h>

#include "shell/CommandLine.h"

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

}  // namespace
}  // namespace sandloop
