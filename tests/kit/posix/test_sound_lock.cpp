// One sound per machine: two processes with their own lock on one file;
// the second takes the sound over only after the first has gone, and only
// when its retry time has come.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "kit/SoundLock.h"

namespace sandloop {
namespace {

namespace fs = std::filesystem;

class SoundLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("soundlock-" + std::to_string(getpid()));
    fs::create_directories(dir);
    path = (dir / "sub" / "sound.lock").string();
  }
  void TearDown() override { fs::remove_all(dir); }
  fs::path dir;
  std::string path;
};

// A child that takes the lock, reports on `ready`, and keeps it until a
// byte arrives on `go` (or the pipe closes).
pid_t Holder(const std::string& path, int ready, int go) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  SoundLock lock(path);
  const char held = lock.MayPlay(0) && lock.Held() ? 'y' : 'n';
  (void)!write(ready, &held, 1);
  char c;
  (void)!read(go, &c, 1);
  _exit(0);
}

TEST_F(SoundLockTest, OneOfTwoProcessesPlaysAndTheOtherTakesOverAfterIt) {
  int ready[2], go[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(go), 0);
  const pid_t first = Holder(path, ready[1], go[0]);
  char held = 0;
  ASSERT_EQ(read(ready[0], &held, 1), 1);
  EXPECT_EQ(held, 'y') << "the first copy plays";
  EXPECT_EQ(fs::status(dir / "sub").permissions() & fs::perms::all, fs::perms::owner_all);

  SoundLock second(path, 3000);
  EXPECT_FALSE(second.MayPlay(1000)) << "the second copy is silent while the first plays";
  EXPECT_FALSE(second.Held());

  // The first copy ends.
  ASSERT_EQ(write(go[1], "x", 1), 1);
  int status = 0;
  ASSERT_EQ(waitpid(first, &status, 0), first);
  EXPECT_FALSE(second.MayPlay(3999)) << "no retry before its time";
  EXPECT_TRUE(second.MayPlay(4000)) << "the retry takes the sound over";
  EXPECT_TRUE(second.Held());
  EXPECT_TRUE(second.MayPlay(4001));

  // Now a third process cannot play; after Release it can.
  const pid_t third = Holder(path, ready[1], go[0]);
  ASSERT_EQ(read(ready[0], &held, 1), 1);
  EXPECT_EQ(held, 'n');
  ASSERT_EQ(write(go[1], "x", 1), 1);
  waitpid(third, &status, 0);
  second.Release();
  const pid_t fourth = Holder(path, ready[1], go[0]);
  ASSERT_EQ(read(ready[0], &held, 1), 1);
  EXPECT_EQ(held, 'y');
  ASSERT_EQ(write(go[1], "x", 1), 1);
  waitpid(fourth, &status, 0);
  for (int fd : {ready[0], ready[1], go[0], go[1]}) close(fd);
}

TEST_F(SoundLockTest, RetryTimeSurvivesTheClockWrapping) {
  SoundLock holder(path);
  ASSERT_TRUE(holder.MayPlay(0));
  // Same process, separate open file: flock tells them apart.
  SoundLock other(path, 3000);
  EXPECT_FALSE(other.MayPlay(0xFFFFFF00u));
  holder.Release();
  EXPECT_FALSE(other.MayPlay(0x00000100u)) << "only 512 ms later";
  EXPECT_TRUE(other.MayPlay(0x00000C00u));
}

TEST_F(SoundLockTest, AFolderNotOursOrNotMakeableMeansPlaying) {
  // A symbolic link where the folder should be: not trusted.
  fs::create_directories(dir / "real");
  fs::create_symlink(dir / "real", dir / "link");
  SoundLock linked((dir / "link" / "sound.lock").string());
  EXPECT_TRUE(linked.MayPlay(0));
  EXPECT_TRUE(linked.Unavailable());
  SoundLock nowhere("/proc/no-such-folder/sound.lock");
  EXPECT_TRUE(nowhere.MayPlay(0));
  EXPECT_TRUE(nowhere.Unavailable());
}

TEST(SoundLockPath, RuntimeFolderOrAPrivateFolderInTmp) {
  const char* saved = std::getenv("XDG_RUNTIME_DIR");
  const std::string keep = saved != nullptr ? saved : "";
  setenv("XDG_RUNTIME_DIR", "/run/user/1234", 1);
  EXPECT_EQ(SoundLock::DefaultPath(), "/run/user/1234/sandloop-sound.lock");
  setenv("XDG_RUNTIME_DIR", "relative", 1);
  EXPECT_EQ(SoundLock::DefaultPath(), "/tmp/sandloop-" + std::to_string(getuid()) + "/sound.lock");
  if (saved != nullptr) setenv("XDG_RUNTIME_DIR", keep.c_str(), 1);
  else unsetenv("XDG_RUNTIME_DIR");
}

}  // namespace
}  // namespace sandloop
