// The shell's part in the configuration form: configuration mode runs the
// program's dialog hook, and run mode makes the hidden form after the
// scene, its messages going to the run's log.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "kit/ddraw/headless/HeadlessBackend.h"
#include "diag/DDErrorLog.h"
#include "shell/Shell.h"

namespace sandloop {
namespace {

using display::CreateHeadlessBackend;
using display::HeadlessBackend;

class ShellForm2Test : public ::testing::Test {
 protected:
  void SetUp() override {
    hb = CreateHeadlessBackend();
    display::SetBackend(hb);
    char pattern[] = "/tmp/sandloop-shell-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    home = pattern;
    setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
    setenv("XDG_STATE_HOME", (home + "/state").c_str(), 1);
  }
  void TearDown() override {
    display::SetBackend(nullptr);
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
  }

  std::shared_ptr<HeadlessBackend> hb;
  std::string home;
};

TEST_F(ShellForm2Test, ConfigurationModeRunsTheDialogHook) {
  std::vector<std::string> titles;
  ShellHooks hooks;
  hooks.configure = [&](const std::string& title) { titles.push_back(title); };
  EXPECT_EQ(SandloopMain({"/c:4321"}, {}, hooks), 0);
  EXPECT_EQ(titles, std::vector<std::string>{"Tidewalk Beach Screensaver"});
  EXPECT_TRUE(hb->Messages().empty());
  EXPECT_FALSE(hb->Exclusive());
}

TEST_F(ShellForm2Test, RunModeMakesTheHiddenFormWithItsMessagesInTheLog) {
  // No DirectDraw at all: the scene ends with its display error, and the
  // hidden form's two probes report theirs, in the log and not on screen.
  hb->FailNext(display::Op::DirectDrawCreate, E_FAIL, -1);
  EXPECT_EQ(SandloopMain({"/s"}), 0);
  EXPECT_TRUE(hb->Messages().empty());

  const TDDErrorLog same_log(nullptr);
  std::ifstream in(same_log.OpenedPath());
  std::stringstream text;
  text << in.rdbuf();
  const std::string log = text.str();
  const auto run = log.rfind("*************************************\n");
  ASSERT_NE(run, std::string::npos) << log;
  const std::string line = "Screen saver: DirectDraw Init FAILED\n";
  const auto first = log.find(line, run);
  ASSERT_NE(first, std::string::npos) << log.substr(run);
  EXPECT_NE(log.find(line, first + line.size()), std::string::npos) << log.substr(run);
  EXPECT_LT(log.find("DDmain1Error", run), first);  // made after the scene
}

}  // namespace
}  // namespace sandloop
