// sandloop --register xscreensaver on the kinds of ~/.xscreensaver a user
// has: the file XScreenSaver's settings write, one without a list, none at
// all; every other byte kept, a backup made, and nothing done twice.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "shell/posix/Register.h"

namespace sandloop {
namespace {

namespace fs = std::filesystem;

// The head, list and tail of a file as XScreenSaver's settings write it.
const std::string kHead =
    "# XScreenSaver Preferences File\n"
    "# Written by xscreensaver-settings 6.06 for someone on somewhere.\n"
    "\n"
    "timeout:\t0:10:00\n"
    "mode:\t\tone\n"
    "selected:\t2\n"
    "textLiteral:\tXScreenSaver \\\\ backslash\n";
const std::string kList =
    "programs:\t\t\t\t\t\t\t\t      \\\n"
    "\t\t\t\tmaze --root\t\t\t\t    \\n\\\n"
    "- GL: \t\t\t\tsuperquadrics --root\t\t\t    \\n\\\n"
    "\t\t\t\tattraction --root\t\t\t    \\n\\\n"
    "  GL: \t\t\t\txanalogtv --root\t\t\t    \\n\n";
const std::string kTail =
    "\n"
    "\n"
    "pointerHysteresis:\t10\n"
    "authWarningSlack:\t20\n";

std::string Read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}
void Write(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }

class RegisterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home = fs::temp_directory_path() / ("register-" + std::to_string(::getpid()));
    fs::create_directories(home);
    defaults = home / "XScreenSaver.ad";
    Write(defaults, "! comment\n*fade: True\n*programs:\t\\\n\t\t\t\tmaze --root\t\\n\\\n\t\t\t\tqix --root\t\\n\n\n*x: 1\n");
  }
  void TearDown() override { fs::remove_all(home); }
  int Run(std::string* said = nullptr) {
    std::ostringstream out, err;
    const int rc = RegisterWithXScreenSaver(home.string(), "sandloop --root", defaults.string(), out, err);
    if (said != nullptr) *said = out.str() + err.str();
    return rc;
  }
  fs::path home, defaults;
};

TEST_F(RegisterTest, AnExistingFileGainsOneEntryAfterTheLastAndNothingElse) {
  const std::string original = kHead + kList + kTail;
  Write(home / ".xscreensaver", original);
  std::string said;
  ASSERT_EQ(Run(&said), 0) << said;
  EXPECT_NE(said.find("Added \"sandloop --root\""), std::string::npos) << said;
  const std::string changed = Read(home / ".xscreensaver");
  // The old last entry is continued; the new entry ends the list.
  const std::string want_list = kList.substr(0, kList.size() - 1) + "\\\n" + "\t\t\t\tsandloop --root\t\t\t\t    \\n\n";
  EXPECT_EQ(changed, kHead + want_list + kTail);
  EXPECT_EQ(Read(home / ".xscreensaver.before-sandloop"), original);

  // The second run finds it and leaves the file as it is.
  ASSERT_EQ(Run(&said), 0);
  EXPECT_NE(said.find("already"), std::string::npos) << said;
  EXPECT_EQ(Read(home / ".xscreensaver"), changed);
}

TEST_F(RegisterTest, ListEndingsItMeetsAndEntriesItRecognises) {
  const struct {
    std::string list;
    std::string want;  // nullopt written as "-"
  } cases[] = {
      // The value runs to the end of the file.
      {"programs:\t\\\n\t\t\t\tmaze --root\t\\n\\\n", "programs:\t\\\n\t\t\t\tmaze --root\t\\n\\\n\t\t\t\tsandloop --root\t\t\t\t    \\n\n"},
      // A blank continued line ends it.
      {"programs:\t\\\n\t\tmaze\t\\n\\\n\nx: 1\n", "programs:\t\\\n\t\tmaze\t\\n\\\n\t\t\t\tsandloop --root\t\t\t\t    \\n\\\n\nx: 1\n"},
      // The last entry has no \n of its own.
      {"programs: maze --root\nx: 1\n", "programs: maze --root\\n\\\n\t\t\t\tsandloop --root\t\t\t\t    \\n\nx: 1\n"},
      // An empty list.
      {"programs:\nx: 1\n", "programs:\t\\\n\t\t\t\tsandloop --root\t\t\t\t    \\n\nx: 1\n"},
      // Already there: by full path, disabled, with a visual, with options.
      {"programs:\t\\\n-\t\t/usr/local/bin/sandloop --root\t\\n\n", "-"},
      {"programs:\t\\\n  GL: \t\tsandloop -root --set NumEagles=2\t\\n\\\n\t\tmaze\t\\n\n", "-"},
      // A name that only contains it is another saver.
      {"programs: sandloopish --root \\n\n", "programs: sandloopish --root \\n\\\n\t\t\t\tsandloop --root\t\t\t\t    \\n\n"},
  };
  for (const auto& c : cases) {
    const auto got = AddToPrograms(c.list, "sandloop --root", "");
    EXPECT_EQ(got.value_or("-"), c.want) << c.list;
  }
}

TEST_F(RegisterTest, AFileWithoutAListGetsTheDefaultListPlusThisOne) {
  const std::string original = "timeout:\t0:05:00\nmode:\t\trandom";  // no final line break
  Write(home / ".xscreensaver", original);
  ASSERT_EQ(Run(), 0);
  const std::string changed = Read(home / ".xscreensaver");
  EXPECT_EQ(changed,
            original + "\nprograms:\t\\\n\t\t\t\tmaze --root\t\\n\\\n\t\t\t\tqix --root\t\\n\\\n"
                       "\t\t\t\tsandloop --root\t\t\t\t    \\n\n");
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Read(home / ".xscreensaver"), changed);
}

TEST_F(RegisterTest, NoFileMakesAMinimalOneAndALinkIsFollowed) {
  std::string said;
  ASSERT_EQ(Run(&said), 0) << said;
  EXPECT_NE(said.find("Made "), std::string::npos) << said;
  EXPECT_FALSE(fs::exists(home / ".xscreensaver.before-sandloop"));
  EXPECT_NE(Read(home / ".xscreensaver").find("qix --root\t\\n\\\n\t\t\t\tsandloop --root"), std::string::npos);

  // A file kept elsewhere and linked: the target changes, the link stays.
  fs::create_directories(home / "dotfiles");
  fs::rename(home / ".xscreensaver", home / "dotfiles" / "xscreensaver");
  Write(home / "dotfiles" / "xscreensaver", kHead + kList);
  fs::create_symlink(home / "dotfiles" / "xscreensaver", home / ".xscreensaver");
  ASSERT_EQ(Run(&said), 0) << said;
  EXPECT_TRUE(fs::is_symlink(home / ".xscreensaver"));
  EXPECT_NE(Read(home / "dotfiles" / "xscreensaver").find("sandloop --root"), std::string::npos);
}

TEST(RegisterCommand, Usage) {
  std::ostringstream out, err;
  EXPECT_EQ(RunRegisterCommand({"--register"}, out, err), 2);
  EXPECT_EQ(RunRegisterCommand({"--register", "gnome"}, out, err), 2);
  EXPECT_NE(err.str().find("usage: sandloop --register xscreensaver"), std::string::npos);
}

}  // namespace
}  // namespace sandloop
