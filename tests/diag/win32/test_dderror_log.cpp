// The log's place on Windows: beside the program, named after its file
// name up to the first "."; in %LOCALAPPDATA%\Sandloop when the program's
// folder cannot be written.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "diag/DDErrorLog.h"
#include "kit/os/Folders.h"

namespace sandloop {
namespace {

namespace fs = std::filesystem;

TEST(ErrorLogWindows, NamedAfterTheProgramsFileName) {
  EXPECT_EQ(TDDErrorLog::LogFileNameFor("C:\\Windows\\System32\\sandloop.scr"), "C:\\Windows\\System32\\sandloop.log");
  EXPECT_EQ(TDDErrorLog::LogFileNameFor("C:\\Old.Tools\\Sandloop.scr"), "C:\\Old.Tools\\Sandloop.log");
  EXPECT_EQ(TDDErrorLog::LogFileNameFor("D:/saver/beach.v2.scr"), "D:/saver/beach.log");
  EXPECT_EQ(TDDErrorLog::LogFileNameFor("sandloop.scr"), "sandloop.log");
}

TEST(ErrorLogWindows, WritesBesideTheProgram) {
  const std::string folder = os::MakeTempFolder("sandloop-log-");
  ASSERT_FALSE(folder.empty());
  const std::string program = folder + "\\sandloop.scr";
  {
    TDDErrorLog log(nullptr, program);
    EXPECT_EQ(log.OpenedPath(), folder + "\\sandloop.log");
    log.WriteToLog("START AT========>", "14:05:09");
  }
  std::ifstream in(folder + "\\sandloop.log", std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("START AT========>: 14:05:09"), std::string::npos) << text;
  in.close();
  std::error_code ec;
  fs::remove_all(folder, ec);
}

TEST(ErrorLogWindows, FallsBackToLocalAppData) {
  const std::string local = os::UserFolderPath(os::UserFolder::State);
  ASSERT_FALSE(local.empty());
  // A folder that does not exist cannot take the log.
  TDDErrorLog log(nullptr, "Z:\\no-such-folder-for-sandloop\\deeper\\sandloop.scr");
  const fs::path expected = fs::path(local) / "Sandloop" / "sandloop.log";
  EXPECT_EQ(fs::path(log.OpenedPath()), expected);
  log.WriteToLog("FINISH AT=======>", "14:17:42");
  EXPECT_TRUE(fs::exists(expected));
}

}  // namespace
}  // namespace sandloop
