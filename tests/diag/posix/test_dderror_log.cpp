// The error log: the file name rule, line composition, appending across
// runs, and the state-folder fallback when the program's folder cannot
// take the file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "diag/DDErrorLog.h"

namespace sandloop {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// A fresh folder per test, and the state folder pointed into it so that no
// test writes into the user's own.
class ErrorLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = fs::temp_directory_path() / ("sandloop-log-" + std::to_string(::getpid()) + "-" + info->name());
    fs::remove_all(dir);
    fs::create_directories(dir / "bin");
    Keep("XDG_STATE_HOME", state_);
    Keep("HOME", home_);
    ::setenv("XDG_STATE_HOME", (dir / "state").c_str(), 1);
    ::setenv("HOME", (dir / "home").c_str(), 1);
  }
  void TearDown() override {
    Restore("XDG_STATE_HOME", state_);
    Restore("HOME", home_);
    fs::remove_all(dir);
  }
  static void Keep(const char* name, std::pair<bool, std::string>& into) {
    const char* v = std::getenv(name);
    into = {v != nullptr, v != nullptr ? v : ""};
  }
  static void Restore(const char* name, const std::pair<bool, std::string>& from) {
    if (from.first)
      ::setenv(name, from.second.c_str(), 1);
    else
      ::unsetenv(name);
  }
  fs::path dir;
  std::pair<bool, std::string> state_, home_;
};

TEST(LogFileName, CutsTheFileNameAtItsFirstDotInsideTheProgramsFolder) {
  EXPECT_EQ(TDDErrorLog::LogFileNameFor("/opt/x/sandloop.scr"), "/opt/x/sandloop.log");
  EXPECT_EQ(TDDErrorLog::LogFileNameFor("/usr/bin/sandloop"), "/usr/bin/sandloop.log");
  EXPECT_EQ(TDDErrorLog::LogFileNameFor("/opt/a.b/sandloop"), "/opt/a.b/sandloop.log");
  EXPECT_EQ(TDDErrorLog::LogFileNameFor("/opt/Old.Tools/Sandloop.scr"), "/opt/Old.Tools/Sandloop.log");
  EXPECT_EQ(TDDErrorLog::LogFileNameFor("/usr/games/sandloop.tar.gz"), "/usr/games/sandloop.log");
  EXPECT_EQ(TDDErrorLog::LogFileNameFor("/home/u/.hidden/.sandloop"), "/home/u/.hidden/.log");
  EXPECT_EQ(TDDErrorLog::LogFileNameFor("sandloop"), "sandloop.log");
  EXPECT_EQ(TDDErrorLog::LogFileNameFor(""), ".log");
}

TEST_F(ErrorLogTest, WritesTheRunBlockAndTwoPartLines) {
  const fs::path program = dir / "bin" / "sandloop.scr";
  {
    TDDErrorLog log(nullptr, program.string());
    EXPECT_EQ(log.GetLogFileName(), (dir / "bin" / "sandloop.log").string());
    EXPECT_EQ(log.OpenedPath(), log.GetLogFileName());
    log.WriteToLog(TDDErrorLog::kRunStart);
    log.WriteToLog("START AT========>", "14:05:09");
    // On disk at once, while the log is still open.
    EXPECT_EQ(ReadFile(dir / "bin" / "sandloop.log"),
              "\n\n*************************************\nSTART AT========>: 14:05:09\n");
  }
}

TEST_F(ErrorLogTest, TrimsBothPartsAndCutsLongLabels) {
  const fs::path program = dir / "bin" / "s.scr";
  TDDErrorLog log(nullptr, program.string());
  log.WriteToLog("  \tDDmain1Error \r\n", "\n  Error SetDisplayMode \x01 ");
  log.WriteToLog("ExceptionMessage", "   ");
  log.WriteToLog(" " + std::string(300, 'L') + " ", "value");
  log.WriteToLog(std::string(256, 'M'), "exact");
  log.WriteToLog("inner  blanks\tstay", "a  b");
  const std::string want = "DDmain1Error: Error SetDisplayMode\n"
                           "ExceptionMessage: \n" +
                           std::string(256, 'L') + ": value\n" + std::string(256, 'M') +
                           ": exact\n"
                           "inner  blanks\tstay: a  b\n";
  EXPECT_EQ(ReadFile(dir / "bin" / "s.log"), want);
}

TEST_F(ErrorLogTest, AppendsAcrossRuns) {
  const fs::path program = dir / "bin" / "sandloop.scr";
  for (const char* finish : {"14:17:42", "15:00:00"}) {
    TDDErrorLog log(nullptr, program.string());
    log.WriteToLog(TDDErrorLog::kRunStart);
    log.WriteToLog("FINISH AT=======>", finish);
  }
  EXPECT_EQ(ReadFile(dir / "bin" / "sandloop.log"),
            "\n\n*************************************\nFINISH AT=======>: 14:17:42\n"
            "\n\n*************************************\nFINISH AT=======>: 15:00:00\n");
}

TEST_F(ErrorLogTest, ReopeningMovesTheLogToAnotherProgramsFolder) {
  fs::create_directories(dir / "other");
  TDDErrorLog log(nullptr, (dir / "bin" / "sandloop").string());
  log.WriteToLog("first");
  log.Reopen((dir / "other" / "sandloop.scr").string());
  EXPECT_EQ(log.OpenedPath(), (dir / "other" / "sandloop.log").string());
  log.WriteToLog("second");
  EXPECT_EQ(ReadFile(dir / "bin" / "sandloop.log"), "first\n");
  EXPECT_EQ(ReadFile(dir / "other" / "sandloop.log"), "second\n");
}

TEST_F(ErrorLogTest, ADotInAFolderNameKeepsTheLogInThatFolder) {
  fs::create_directories(dir / "Old.Tools");
  const fs::path program = dir / "Old.Tools" / "sandloop";
  TDDErrorLog log(nullptr, program.string());
  EXPECT_EQ(log.OpenedPath(), (dir / "Old.Tools" / "sandloop.log").string());
  log.WriteToLog("x");
  EXPECT_EQ(ReadFile(dir / "Old.Tools" / "sandloop.log"), "x\n");
}

TEST_F(ErrorLogTest, AnUnwritableFolderSendsTheLogToTheStateFolder) {
  const fs::path program = dir / "missing" / "sandloop.scr";  // cannot be created there
  {
    TDDErrorLog log(nullptr, program.string());
    EXPECT_EQ(log.GetLogFileName(), (dir / "missing" / "sandloop.log").string());
    EXPECT_EQ(log.OpenedPath(), (dir / "state" / "sandloop" / "sandloop.log").string());
    log.WriteToLog("one");
  }
  {
    TDDErrorLog log(nullptr, program.string());
    log.WriteToLog("two");
  }
  EXPECT_EQ(ReadFile(dir / "state" / "sandloop" / "sandloop.log"), "one\ntwo\n");

  // Without XDG_STATE_HOME (or with a relative one) the default is
  // ~/.local/state.
  ::setenv("XDG_STATE_HOME", "relative/state", 1);
  {
    TDDErrorLog log(nullptr, program.string());
    EXPECT_EQ(log.OpenedPath(), (dir / "home" / ".local" / "state" / "sandloop" / "sandloop.log").string());
  }
  ::unsetenv("XDG_STATE_HOME");
  {
    TDDErrorLog log(nullptr, program.string());
    log.WriteToLog("three");
  }
  EXPECT_EQ(ReadFile(dir / "home" / ".local" / "state" / "sandloop" / "sandloop.log"), "three\n");
}

TEST_F(ErrorLogTest, WithNoFileAtAllTheLogStillWorksAndWritesNothing) {
  // The state folders lie under a plain file, so they cannot be made.
  std::ofstream(dir / "blocker") << "x";
  ::setenv("XDG_STATE_HOME", (dir / "blocker" / "state").c_str(), 1);
  ::setenv("HOME", (dir / "blocker").c_str(), 1);
  TDDErrorLog log(nullptr, (dir / "missing" / "sandloop.scr").string());
  EXPECT_EQ(log.OpenedPath(), "");
  log.WriteToLog("lost");
  log.WriteToLog("label", "value");
  EXPECT_FALSE(fs::exists(dir / "missing"));
}

TEST_F(ErrorLogTest, ThePathOfTheRunningProgram) {
  // This test program's own path: test_diag logs to test_diag.log beside it.
  char self[4096] = {};
  ASSERT_GT(::readlink("/proc/self/exe", self, sizeof self - 1), 0);
  const fs::path beside = fs::path(self).parent_path() / (fs::path(self).filename().string() + ".log");
  const bool existed = fs::exists(beside);
  {
    TDDErrorLog log(nullptr);
    EXPECT_EQ(log.GetLogFileName(), beside.string());
    EXPECT_EQ(log.OpenedPath(), beside.string());
  }
  if (!existed) fs::remove(beside);
}

TEST(ErrorLog, TimeText) {
  LocalTime t;
  t.hour = 14;
  t.minute = 5;
  t.second = 9;
  EXPECT_EQ(TDDErrorLog::TimeText(t), "14:05:09");
  t.hour = 0;
  t.minute = 0;
  t.second = 0;
  EXPECT_EQ(TDDErrorLog::TimeText(t), "00:00:00");
}

}  // namespace
}  // namespace sandloop
