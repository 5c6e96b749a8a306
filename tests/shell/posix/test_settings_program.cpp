// Where the saver looks for the settings program it hands /c over to.
#include "shell/posix/SettingsProgram.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sandloop {
namespace {

TEST(SettingsProgram, BesideTheSaverThenInItsInstalledPlace) {
  EXPECT_EQ(SettingsProgramCandidates("/usr/bin/sandloop"),
            (std::vector<std::string>{"/usr/bin/sandloop-settings", "/usr/bin/../libexec/sandloop/sandloop-settings"}));
  // Another prefix, and the build tree, where both programs sit together.
  EXPECT_EQ(SettingsProgramCandidates("/opt/x/bin/sandloop").back(), "/opt/x/bin/../libexec/sandloop/sandloop-settings");
  EXPECT_EQ(SettingsProgramCandidates("/src/build/shell/sandloop").front(), "/src/build/shell/sandloop-settings");
  EXPECT_TRUE(SettingsProgramCandidates("").empty());  // no path of its own: nothing to look beside
}

// With no settings program anywhere the call returns and says what it tried.
TEST(SettingsProgram, NoneFoundIsReportedWithThePlacesTried) {
  std::string why;
  char arg0[] = "sandloop", arg1[] = "/c";
  char* argv[] = {arg0, arg1, nullptr};
  ExecSettingsProgram(argv, &why);  // the test program has no sandloop-settings beside it
  EXPECT_NE(why.find("sandloop-settings"), std::string::npos) << why;
  EXPECT_NE(why.find("libexec/sandloop"), std::string::npos) << why;
  EXPECT_EQ(std::string(argv[0]), "sandloop");  // the caller's arguments are left as they were
}

}  // namespace
}  // namespace sandloop
