#include "settings/SetReg.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "settings/posix/RegStore.h"
#include "tests/settings/TempStore.h"

namespace sandloop {
namespace {

using test::kKey;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

class SetRegTest : public ::testing::Test {
 protected:
  SetRegTest() : store(nullptr) {
    store.SetCompanyName("Morvant");
    store.SetProductName("Sandloop");
    store.SetStorePath(dir.StorePath());
  }
  // Puts a file with our key and these value lines in place.
  void Place(const std::string& lines) {
    WriteFile(dir.StorePath(),
              "Windows Registry Editor Version 5.00\n\n[" + std::string(kKey) + "]\n" + lines);
  }
  std::string ErrorOf(const std::function<void()>& f) {
    try {
      f();
    } catch (const ERegistryError& e) {
      return e.what();
    }
    return "(no error)";
  }

  TempDir dir;
  TSetReg store;
};

TEST_F(SetRegTest, MissingKeyReadsFalseAndTheFirstWriteCreatesThePath) {
  int i = 7;
  bool b = true;
  float f = 1.5f;
  std::string s = "keep";
  EXPECT_FALSE(store.Read("Gamma", i));
  EXPECT_FALSE(store.Read("flag_fps", b));
  EXPECT_FALSE(store.Read("RegLat", f));
  EXPECT_FALSE(store.Read("Name", s));
  EXPECT_EQ(i, 7);
  EXPECT_TRUE(b);
  EXPECT_EQ(f, 1.5f);
  EXPECT_EQ(s, "keep");

  // A file with only another key: our key still cannot be opened.
  WriteFile(dir.StorePath(), "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Other]\n");
  EXPECT_FALSE(store.Read("Gamma", i));

  std::filesystem::remove_all(dir.Path() + "/config");
  EXPECT_TRUE(store.Write("Gamma", 200));
  EXPECT_EQ(ReadFile(dir.StorePath()),
            "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Morvant\\Sandloop]\n"
            "\"Gamma\"=dword:000000c8\n");
  EXPECT_TRUE(store.Read("Gamma", i));
  EXPECT_EQ(i, 200);
}

TEST_F(SetRegTest, EveryEncodingRoundTrips) {
  ASSERT_TRUE(store.Write("Int", -5));
  ASSERT_TRUE(store.Write("True", true));
  ASSERT_TRUE(store.Write("False", false));
  ASSERT_TRUE(store.Write("RegLat", 50.85f));
  ASSERT_TRUE(store.Write("Text", "He said \"C:\\temp\\\" twice"));
  int i = 0;
  bool t = false, fl = true;
  float f = 0;
  std::string s;
  EXPECT_TRUE(store.Read("Int", i));
  EXPECT_TRUE(store.Read("True", t));
  EXPECT_TRUE(store.Read("False", fl));
  EXPECT_TRUE(store.Read("RegLat", f));
  EXPECT_TRUE(store.Read("Text", s));
  EXPECT_EQ(i, -5);
  EXPECT_TRUE(t);
  EXPECT_FALSE(fl);
  EXPECT_EQ(f, 50.85f);  // travels as the 8-byte double and comes back the same
  EXPECT_EQ(s, "He said \"C:\\temp\\\" twice");

  const std::string file = ReadFile(dir.StorePath());
  EXPECT_NE(file.find("\"Int\"=dword:fffffffb\n"), std::string::npos);
  EXPECT_NE(file.find("\"True\"=dword:00000001\n"), std::string::npos);
  EXPECT_NE(file.find("\"False\"=dword:00000000\n"), std::string::npos);
  // 50.85f widened to a double, little-endian.
  EXPECT_NE(file.find("\"RegLat\"=hex:00,00,00,c0,cc,6c,49,40\n"), std::string::npos) << file;
  EXPECT_NE(file.find("\"Text\"=\"He said \\\"C:\\\\temp\\\\\\\" twice\"\n"), std::string::npos) << file;
}

TEST_F(SetRegTest, NumbersPlacedByHandReadAsTheRegistryWould) {
  Place("\"Seven\"=dword:00000007\n\"Expand\"=hex(2):25,00,48,00,00,00,41,00\n"
        "\"Long\"=hex(4):01,00,00,00,00,00,00,00\n\"Short\"=hex(4):01,00\n");
  bool b = false;
  EXPECT_TRUE(store.Read("Seven", b));
  EXPECT_TRUE(b);
  std::string s;
  EXPECT_TRUE(store.Read("Expand", s));
  EXPECT_EQ(s, "%H");  // read as is, up to the first zero character
  int i = 0;
  EXPECT_EQ(ErrorOf([&] { store.Read("Long", i); }), "Failed to get data for 'Long'");
  EXPECT_EQ(ErrorOf([&] { store.Read("Short", i); }), "Invalid data type for 'Short'");
}

TEST_F(SetRegTest, MissingValueInAnExistingKey) {
  Place("\"Other\"=dword:00000001\n");
  std::string s = "old";
  EXPECT_TRUE(store.Read("Name", s));
  EXPECT_EQ(s, "");  // missing text reads as empty, no error
  int i = 3;
  bool b = false;
  float f = 0;
  EXPECT_EQ(ErrorOf([&] { store.Read("Gamma", i); }), "Failed to get data for 'Gamma'");
  EXPECT_EQ(ErrorOf([&] { store.Read("flag_fps", b); }), "Failed to get data for 'flag_fps'");
  EXPECT_EQ(ErrorOf([&] { store.Read("RegLat", f); }), "Failed to get data for 'RegLat'");
  EXPECT_EQ(i, 3);
}

TEST_F(SetRegTest, WrongTypesAndSizesRaise) {
  Place("\"Text\"=\"abc\"\n\"Num\"=dword:00000001\n\"Float4\"=hex:00,00,80,3f\n"
        "\"Float9\"=hex:00,00,00,00,00,00,f0,3f,00\n\"Empty\"=hex(1):\n");
  int i = 0;
  bool b = false;
  float f = 0;
  std::string s;
  EXPECT_EQ(ErrorOf([&] { store.Read("Text", i); }), "Invalid data type for 'Text'");
  EXPECT_EQ(ErrorOf([&] { store.Read("Text", b); }), "Invalid data type for 'Text'");
  EXPECT_EQ(ErrorOf([&] { store.Read("Num", f); }), "Invalid data type for 'Num'");
  EXPECT_EQ(ErrorOf([&] { store.Read("Float4", f); }), "Invalid data type for 'Float4'");
  EXPECT_EQ(ErrorOf([&] { store.Read("Float9", f); }), "Failed to get data for 'Float9'");
  EXPECT_EQ(ErrorOf([&] { store.Read("Num", s); }), "Invalid data type for 'Num'");
  EXPECT_TRUE(store.Read("Empty", s));  // size 0 reads as empty text
  EXPECT_EQ(s, "");
}

TEST_F(SetRegTest, AFileThatCannotBeWrittenRaisesAndKeepsTheOldOne) {
  ASSERT_TRUE(store.Write("Gamma", 1));
  const std::string before = ReadFile(dir.StorePath());
  std::filesystem::create_directory(dir.StorePath() + ".tmp");  // the temporary cannot be made
  EXPECT_EQ(ErrorOf([&] { store.Write("Gamma", 2); }), "Failed to set data for 'Gamma'");
  EXPECT_EQ(ReadFile(dir.StorePath()), before);
  // A name that would break the file's lines is refused.
  EXPECT_EQ(ErrorOf([&] { store.Write("two\nlines", 1); }), "Failed to set data for 'two\nlines'");
  EXPECT_EQ(ReadFile(dir.StorePath()), before);

  // A folder that cannot be created: the key cannot be opened, no error.
  WriteFile(dir.Path() + "/plainfile", "x");
  store.SetStorePath(dir.Path() + "/plainfile/sandloop/registry.reg");
  EXPECT_FALSE(store.Write("Gamma", 3));
}

TEST_F(SetRegTest, AnUpdateStoresEverythingAtOnceOrNothing) {
  store.BeginUpdate();
  EXPECT_TRUE(store.Write("a", 1));
  EXPECT_TRUE(store.Write("b", 2.5f));
  int a = 0;
  EXPECT_TRUE(store.Read("a", a));  // reads see the collected values
  EXPECT_EQ(a, 1);
  EXPECT_FALSE(std::filesystem::exists(dir.StorePath()));
  EXPECT_TRUE(store.EndUpdate());
  float b = 0;
  EXPECT_TRUE(store.Read("b", b));
  EXPECT_EQ(b, 2.5f);

  {
    TSetRegUpdate update(store);
    store.Write("a", 99);
  }  // left without Commit: dropped
  EXPECT_TRUE(store.Read("a", a));
  EXPECT_EQ(a, 1);
  EXPECT_FALSE(store.Updating());
}

TEST_F(SetRegTest, ReplacingTheFileKeepsItsPermissions) {
  ASSERT_TRUE(store.Write("Gamma", 1));
  std::filesystem::permissions(dir.StorePath(), std::filesystem::perms::owner_read |
                                                    std::filesystem::perms::owner_write);
  ASSERT_TRUE(store.Write("Gamma", 2));
  EXPECT_EQ(std::filesystem::status(dir.StorePath()).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST_F(SetRegTest, OtherKeysInTheFileAreKept) {
  const std::string other = "[HKEY_CURRENT_USER\\Software\\Else]\n\"x\"=\"y\"\n\n";
  WriteFile(dir.StorePath(), "Windows Registry Editor Version 5.00\n\n" + other);
  ASSERT_TRUE(store.Write("Gamma", 5));
  ASSERT_TRUE(store.Write("clockX", 6));
  EXPECT_NE(ReadFile(dir.StorePath()).find(other), std::string::npos);
}

TEST_F(SetRegTest, ADamagedFileIsKeptAsideAndEveryReadableValueKept) {
  const std::string damaged = "Windows Registry Editor Version 5.00\n\n[" + std::string(kKey) +
                              "]\n\"flag_clock\"=dword:00000001\n\"Gamma\"=dword:000";
  WriteFile(dir.StorePath(), damaged);
  std::vector<std::string> reports;
  store.OnStoreDamaged = [&](TSetReg* sender, const std::string& message) {
    EXPECT_EQ(sender, &store);
    reports.push_back(message);
  };
  testing::internal::CaptureStderr();
  bool b = false;
  EXPECT_TRUE(store.Read("flag_clock", b));  // salvaged, not a first run
  EXPECT_TRUE(b);
  const std::string err = testing::internal::GetCapturedStderr();

  // The report names the value that was lost and where the file was kept.
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].find("damaged"), std::string::npos);
  EXPECT_NE(reports[0].find("lost: 'Gamma' (line 5"), std::string::npos) << reports[0];
  EXPECT_NE(err.find(reports[0]), std::string::npos);
  auto aside = dir.FilesStartingWith("registry.reg.damaged-");
  ASSERT_EQ(aside.size(), 1u);
  EXPECT_NE(reports[0].find(aside[0]), std::string::npos);
  EXPECT_EQ(ReadFile(aside[0]), damaged);
  // In its place, what could be read: a sound file, read from now on
  // without any report.
  int g = 0;
  EXPECT_EQ(ErrorOf([&] { store.Read("Gamma", g); }), "Failed to get data for 'Gamma'");
  EXPECT_TRUE(RegDocument::Parse(ReadFile(dir.StorePath()), nullptr));
  EXPECT_EQ(reports.size(), 1u);

  // A write on a damaged file also keeps it aside and keeps its values.
  WriteFile(dir.StorePath(), "garbage\n[" + std::string(kKey) + "]\n\"clockX\"=dword:17\n");
  testing::internal::CaptureStderr();
  EXPECT_TRUE(store.Write("Gamma", 256));
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(reports.size(), 2u);
  EXPECT_EQ(dir.FilesStartingWith("registry.reg.damaged-").size(), 2u);
  int x = 0;
  EXPECT_TRUE(store.Read("Gamma", g));
  EXPECT_TRUE(store.Read("clockX", x));
  EXPECT_EQ(g, 256);
  EXPECT_EQ(x, 0x17);
}

// A store that is a symbolic link (as dotfile managers make) is written
// through the link: the link stays, its target is replaced in its folder.
TEST_F(SetRegTest, ASymlinkedStoreIsWrittenThroughItsLink) {
  const std::string real = dir.Path() + "/dotfiles/sandloop.reg";
  WriteFile(real, "Windows Registry Editor Version 5.00\n\n[" + std::string(kKey) + "]\n\"Gamma\"=dword:7\n");
  std::filesystem::create_directories(dir.Path() + "/config/sandloop");
  std::filesystem::create_symlink("../../dotfiles/sandloop.reg", dir.StorePath());  // relative
  int g = 0;
  EXPECT_TRUE(store.Read("Gamma", g));
  EXPECT_EQ(g, 7);
  ASSERT_TRUE(store.Write("Gamma", 9));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.StorePath()));
  EXPECT_NE(ReadFile(real).find("\"Gamma\"=dword:00000009"), std::string::npos);
  EXPECT_TRUE(dir.FilesStartingWith("registry.reg.tmp").empty());

  // A damaged target is kept aside beside itself and repaired in place.
  WriteFile(real, ReadFile(real) + "junk\n");
  testing::internal::CaptureStderr();
  EXPECT_TRUE(store.Read("Gamma", g));
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(g, 9);
  EXPECT_TRUE(std::filesystem::is_symlink(dir.StorePath()));
  EXPECT_TRUE(RegDocument::Parse(ReadFile(real), nullptr));
  int kept = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.Path() + "/dotfiles"))
    kept += e.path().filename().string().starts_with("sandloop.reg.damaged-");
  EXPECT_EQ(kept, 1);

  // A dangling link gets its target made on the first write.
  std::filesystem::remove(real);
  EXPECT_FALSE(store.Read("Gamma", g));
  ASSERT_TRUE(store.Write("Gamma", 11));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.StorePath()));
  EXPECT_NE(ReadFile(real).find("\"Gamma\"=dword:0000000b"), std::string::npos);
}

// A FIFO, a device or a folder where the store should be is refused at
// once, never opened in a way that could block. Run in a child with an
// alarm, so that a read that blocks fails the test instead of hanging it.
TEST_F(SetRegTest, AStorePathThatIsNotAFileIsRefusedWithoutBlocking) {
  std::filesystem::create_directories(dir.Path() + "/config/sandloop");
  const std::string fifo = dir.Path() + "/config/sandloop/fifo.reg";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::filesystem::create_directories(dir.Path() + "/config/sandloop/folder.reg");
  for (const std::string& path : {fifo, dir.Path() + "/config/sandloop/folder.reg", std::string("/dev/zero")}) {
    testing::internal::CaptureStderr();
    pid_t kid = fork();
    ASSERT_GE(kid, 0);
    if (kid == 0) {
      alarm(10);
      int reports = 0;
      std::string text;
      store.OnStoreDamaged = [&](TSetReg*, const std::string& m) {
        ++reports;
        text = m;
      };
      store.SetStorePath(path);
      int g = 5;
      const bool read = store.Read("Gamma", g);
      const bool wrote = store.Write("Gamma", 1);
      const bool named = text.find("not a regular file") != std::string::npos;
      _exit(!read && !wrote && g == 5 && reports == 1 && named ? 0 : 1);
    }
    int status = 0;
    waitpid(kid, &status, 0);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << path << ": " << err;
  }
  EXPECT_FALSE(std::filesystem::exists("/dev/zero.lock"));  // nothing made beside a device
  struct stat st{};
  ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));  // left alone
}

// A file at the old 16 MiB cap (a header and blank lines) is set aside
// without being parsed: the peak memory hardly moves.
TEST_F(SetRegTest, AHugeFileIsSetAsideUnread) {
  {
    std::filesystem::create_directories(dir.Path() + "/config/sandloop");
    std::FILE* f = std::fopen(dir.StorePath().c_str(), "wb");
    ASSERT_TRUE(f);
    std::fputs("Windows Registry Editor Version 5.00\n", f);
    const std::string blank(64 * 1024, '\n');
    for (int i = 0; i < 256; ++i) std::fwrite(blank.data(), 1, blank.size(), f);
    std::fclose(f);
  }
  testing::internal::CaptureStderr();
  pid_t kid = fork();
  ASSERT_GE(kid, 0);
  if (kid == 0) {
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    int g = 0;
    const bool read = store.Read("Gamma", g);
    getrusage(RUSAGE_SELF, &after);
    // Sanitizer builds map memory of their own on the first allocations.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    const long limit_kib = 12 * 1024;
#else
    const long limit_kib = 2048;
#endif
    _exit(!read && after.ru_maxrss - before.ru_maxrss < limit_kib ? 0 : 1);
  }
  int status = 0;
  waitpid(kid, &status, 0);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_NE(err.find("too large"), std::string::npos) << err;
  auto aside = dir.FilesStartingWith("registry.reg.damaged-");
  ASSERT_EQ(aside.size(), 1u);
  EXPECT_EQ(std::filesystem::file_size(aside[0]), 16u * 1024 * 1024 + 37);
  EXPECT_FALSE(std::filesystem::exists(dir.StorePath()));
}

TEST(SetRegPath, WithoutHomeTheAccountsHomeOrNothing) {
  EXPECT_EQ(StorePathFrom("/x/cfg", nullptr, nullptr), "/x/cfg/sandloop/registry.reg");
  EXPECT_EQ(StorePathFrom(nullptr, "/home/u", "/home/acct"), "/home/u/.config/sandloop/registry.reg");
  EXPECT_EQ(StorePathFrom(nullptr, "", "/home/acct"), "/home/acct/.config/sandloop/registry.reg");
  EXPECT_EQ(StorePathFrom(nullptr, nullptr, "/home/acct"), "/home/acct/.config/sandloop/registry.reg");
  EXPECT_EQ(StorePathFrom("rel", nullptr, "/home/acct"), "/home/acct/.config/sandloop/registry.reg");
  EXPECT_EQ(StorePathFrom(nullptr, nullptr, nullptr), "");
  EXPECT_EQ(StorePathFrom(nullptr, "", ""), "");
}

// With no home at all (HOME unset, an account the user database does not
// know) the saver runs on its defaults, writes nothing and says so once.
TEST(SetRegPath, NoHomeRunsOnDefaultsWritesNothingAndSaysSoOnce) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to take an account without a home";
  TempDir dir;
  testing::internal::CaptureStderr();
  pid_t kid = fork();
  ASSERT_GE(kid, 0);
  if (kid == 0) {
    unsetenv("HOME");
    unsetenv("XDG_CONFIG_HOME");
    if (chdir(dir.Path().c_str()) != 0 || setgid(54321) != 0 || setuid(54321) != 0) _exit(3);
    TSetReg s(nullptr);
    s.SetCompanyName("Morvant");
    s.SetProductName("Sandloop");
    int reports = 0;
    s.OnStoreDamaged = [&](TSetReg*, const std::string&) { ++reports; };
    int g = 5;
    bool any = s.Read("Gamma", g) || s.Write("Gamma", 1) || s.Read("Gamma", g) || s.Write("x", 2.5f);
    _exit(!any && g == 5 && reports == 1 ? 0 : 1);
  }
  int status = 0;
  waitpid(kid, &status, 0);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << err;
  EXPECT_NE(err.find("no home folder"), std::string::npos) << err;
  EXPECT_EQ(err.find("no home folder"), err.rfind("no home folder"));  // once
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST(SetRegPath, FollowsXdgConfigHome) {
  const char* old_xdg = getenv("XDG_CONFIG_HOME");
  const std::string saved = old_xdg ? old_xdg : "";
  setenv("XDG_CONFIG_HOME", "/somewhere/cfg", 1);
  EXPECT_EQ(DefaultStorePath(), "/somewhere/cfg/sandloop/registry.reg");
  TSetReg store(nullptr);
  EXPECT_EQ(store.GetStorePath(), "/somewhere/cfg/sandloop/registry.reg");
  setenv("XDG_CONFIG_HOME", "relative/cfg", 1);  // not absolute: ignored
  EXPECT_EQ(DefaultStorePath(), std::string(getenv("HOME")) + "/.config/sandloop/registry.reg");
  if (old_xdg)
    setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");
}

// --- several processes -------------------------------------------------------

void Configure(TSetReg& s, const std::string& path) {
  s.SetCompanyName("Morvant");
  s.SetProductName("Sandloop");
  s.SetStorePath(path);
}

int WaitExit(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(SetRegProcesses, TwoWritersAtOnceLoseNothing) {
  TempDir dir;
  int gate[2];
  ASSERT_EQ(pipe(gate), 0);
  constexpr int kEach = 60;
  pid_t kids[2];
  for (int k = 0; k < 2; ++k) {
    kids[k] = fork();
    ASSERT_GE(kids[k], 0);
    if (kids[k] == 0) {
      close(gate[1]);
      char c;
      if (read(gate[0], &c, 1) < 0) _exit(3);  // both start together
      try {
        TSetReg s(nullptr);
        Configure(s, dir.StorePath());
        for (int i = 0; i < kEach; ++i)
          if (!s.Write(std::string(k == 0 ? "scene" : "dialog") + std::to_string(i), i)) _exit(1);
      } catch (...) {
        _exit(2);
      }
      _exit(0);
    }
  }
  close(gate[0]);
  close(gate[1]);  // releases both children
  EXPECT_EQ(WaitExit(kids[0]), 0);
  EXPECT_EQ(WaitExit(kids[1]), 0);

  TSetReg s(nullptr);
  Configure(s, dir.StorePath());
  for (int i = 0; i < kEach; ++i) {
    int a = -1, b = -1;
    EXPECT_TRUE(s.Read("scene" + std::to_string(i), a));
    EXPECT_TRUE(s.Read("dialog" + std::to_string(i), b));
    EXPECT_EQ(a, i);
    EXPECT_EQ(b, i);
  }
}

TEST(SetRegProcesses, AWriterKilledAtAnyMomentLeavesAWholeFile) {
  TempDir dir;
  {
    // A large other key (still well within the size cap) makes each write
    // take long enough to be hit.
    RegDocument doc;
    doc.Set("HKEY_CURRENT_USER\\Software\\Bulk", "blob",
            RegValue::Binary(std::vector<std::uint8_t>(250000, 0x5A)));
    doc.Set(kKey, "Counter", RegValue::Dword(0));
    WriteFile(dir.StorePath(), doc.Serialize());
  }
  // What a writer that died while writing leaves: a half temporary file.
  // It is neither read nor in the way of the next writer.
  WriteFile(dir.StorePath() + ".tmp", "Windows Registry Editor Version 5.00\n\n[HKEY_CU");
  {
    TSetReg s(nullptr);
    Configure(s, dir.StorePath());
    int counter = -1;
    EXPECT_TRUE(s.Read("Counter", counter));
    EXPECT_EQ(counter, 0);
  }
  int last_seen = -1;
  int mid_write = 0;  // rounds whose kill came while a new file was half written
  for (int round = 0; round < 20; ++round) {
    pid_t kid = fork();
    ASSERT_GE(kid, 0);
    if (kid == 0) {
      TSetReg s(nullptr);
      Configure(s, dir.StorePath());
      try {
        for (int i = 0;; ++i) s.Write("Counter", round * 1000000 + i);
      } catch (...) {
        _exit(2);
      }
    }
    usleep(static_cast<useconds_t>(3000 + round * 1500));
    kill(kid, SIGKILL);
    int status = 0;
    waitpid(kid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "round " << round;
    mid_write += std::filesystem::exists(dir.StorePath() + ".tmp");

    RegParseError error;
    std::optional<RegDocument> doc = RegDocument::Parse(ReadFile(dir.StorePath()), &error);
    ASSERT_TRUE(doc) << "round " << round << ", line " << error.line << ": " << error.reason;
    ASSERT_TRUE(doc->Get("HKEY_CURRENT_USER\\Software\\Bulk", "blob"));
    EXPECT_EQ(doc->Get("HKEY_CURRENT_USER\\Software\\Bulk", "blob")->data.size(), 250000u);
    auto counter = doc->Get(kKey, "Counter");
    ASSERT_TRUE(counter);
    int n = counter->data[0] | (counter->data[1] << 8) | (counter->data[2] << 16) | (counter->data[3] << 24);
    EXPECT_GE(n, last_seen);  // the file only ever moves forward
    last_seen = n;
  }
  EXPECT_TRUE(dir.FilesStartingWith("registry.reg.damaged").empty());
  std::printf("killed during a write in %d of 20 rounds\n", mid_write);
}

}  // namespace
}  // namespace sandloop
