// The operating-system services behind kit/os: the same checks run on every
// platform against its own implementation.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "kit/os/FileLock.h"
#include "kit/os/Folders.h"
#include "kit/os/Pages.h"

namespace sandloop::os {
namespace {

namespace fs = std::filesystem;

class TempFolder {
 public:
  TempFolder() : path_(MakeTempFolder("sandloop-os-")) {}
  ~TempFolder() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

TEST(OsFolders, TempFoldersAreNewEmptyAndDistinct) {
  TempFolder a, b;
  ASSERT_FALSE(a.Path().empty());
  ASSERT_FALSE(b.Path().empty());
  EXPECT_NE(a.Path(), b.Path());
  EXPECT_TRUE(fs::is_directory(a.Path()));
  EXPECT_TRUE(fs::is_empty(a.Path()));
  EXPECT_NE(fs::path(a.Path()).filename().string().rfind("sandloop-os-", 0), std::string::npos);
}

TEST(OsFolders, PrivateFolderIsMadeOnceAndAFileIsNoFolder) {
  TempFolder t;
  const std::string folder = (fs::path(t.Path()) / "own").string();
  EXPECT_TRUE(MakePrivateFolder(folder));
  EXPECT_TRUE(MakePrivateFolder(folder));  // already there: still fine
  const std::string file = (fs::path(t.Path()) / "plain").string();
  std::ofstream(file) << "x";
  EXPECT_FALSE(MakePrivateFolder(file));
  EXPECT_FALSE(MakePrivateFolder((fs::path(t.Path()) / "missing" / "deeper").string()));
}

TEST(OsFolders, ProgramPathNamesThisTestProgram) {
  const std::string self = ProgramPath();
  ASSERT_FALSE(self.empty());
  EXPECT_TRUE(fs::is_regular_file(fs::u8path(self)));
  EXPECT_NE(fs::u8path(self).filename().string().find("test_kit"), std::string::npos) << self;
}

TEST(OsFolders, TheUserHasConfigurationAndStateFolders) {
  for (UserFolder kind : {UserFolder::Config, UserFolder::State}) {
    const std::string path = UserFolderPath(kind);
    ASSERT_FALSE(path.empty());
    EXPECT_TRUE(fs::u8path(path).is_absolute()) << path;
  }
}

TEST(OsFolders, XdgRuleTakesAbsoluteValuesThenTheHome) {
  EXPECT_EQ(XdgFolderFrom("/x/cfg", "/home/u", nullptr, ".config"), "/x/cfg");
  EXPECT_EQ(XdgFolderFrom("rel", "/home/u", nullptr, ".config"), "/home/u/.config");
  EXPECT_EQ(XdgFolderFrom(nullptr, "", "/home/acct", ".local/state"), "/home/acct/.local/state");
  EXPECT_EQ(XdgFolderFrom(nullptr, nullptr, nullptr, ".config"), "");
}

TEST(OsFileLock, OneHolderAtATimeAndClosingGivesItBack) {
  TempFolder t;
  const std::string path = (fs::path(t.Path()) / "x.lock").string();
  FileLock first, second;
  ASSERT_TRUE(first.Open(path));
  ASSERT_TRUE(second.Open(path));  // a separate open of the same file
  EXPECT_EQ(first.TryLock(), FileLock::Attempt::Taken);
  EXPECT_EQ(second.TryLock(), FileLock::Attempt::Busy);
  first.Close();
  EXPECT_FALSE(first.IsOpen());
  EXPECT_EQ(second.TryLock(), FileLock::Attempt::Taken);
  EXPECT_TRUE(fs::exists(path));  // the lock file stays
}

TEST(OsFileLock, AFolderCannotBeOpenedAsALock) {
  TempFolder t;
  FileLock lock;
  EXPECT_FALSE(lock.Open(t.Path()));
  EXPECT_EQ(lock.TryLock(), FileLock::Attempt::Unsupported);
  EXPECT_FALSE(lock.Lock());
}

#if defined(__linux__)
// The end of the mapping that starts at `p`, from the process's own map
// (0 if none starts there).
std::uintptr_t MappingEnd(const void* p) {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line)) {
    const std::uintptr_t from = std::stoull(line, nullptr, 16);
    const std::uintptr_t to = std::stoull(line.substr(line.find('-') + 1), nullptr, 16);
    if (from == reinterpret_cast<std::uintptr_t>(p)) return to;
  }
  return 0;
}
#endif

// Large blocks, a few pages short of whole huge pages and far from them,
// are zeroed and writable throughout. On Linux each starts on a huge-page
// boundary with every page present before it is touched, and its whole
// mapping is given back, the part beyond its size too.
TEST(OsPages, LargeBlocksAreZeroedAndWritableAndGivenBackWhole) {
  constexpr std::size_t kHuge = std::size_t{2} << 20;
  for (std::size_t size :
       {std::size_t{1920} * 1080 * 4 + 4, std::size_t{1024} * 768 * 4 + 4, kHuge - 49148, std::size_t{731} * 398 * 4 + 4,
        kHuge + 100, 5 * kHuge / 2}) {
    auto* p = static_cast<unsigned char*>(AllocatePages(size));
    ASSERT_NE(p, nullptr) << size;
#if defined(__linux__)
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % kHuge, 0u) << size;
    std::vector<unsigned char> present((size + 4095) / 4096);
    ASSERT_EQ(mincore(p, size, present.data()), 0);
    for (std::size_t i = 0; i < present.size(); ++i) ASSERT_NE(present[i] & 1, 0) << size << " page " << i;
#endif
    for (std::size_t i = 0; i < size; i += 4096) ASSERT_EQ(p[i], 0) << size << " at " << i;
    EXPECT_EQ(p[size - 1], 0);
    std::memset(p, 0xCD, size);
    EXPECT_EQ(p[size - 1], 0xCD);
#if defined(__linux__)
    const std::uintptr_t end = MappingEnd(p);
    ASSERT_GE(end, reinterpret_cast<std::uintptr_t>(p) + size) << size;
    FreePages(p, size);
    for (std::uintptr_t at = reinterpret_cast<std::uintptr_t>(p); at < end; at += 4096) {
      unsigned char page = 0;
      ASSERT_EQ(mincore(reinterpret_cast<void*>(at), 4096, &page), -1)
          << size << " still maps " << at - reinterpret_cast<std::uintptr_t>(p);
      ASSERT_EQ(errno, ENOMEM);
    }
#else
    FreePages(p, size);
#endif
  }
}

// Reserved room costs memory only where it is written: a bound taken
// generously (a damaged file's claim) is not paid for.
TEST(OsPages, ReservedRoomIsPresentOnlyWhereWritten) {
  const std::size_t size = std::size_t{32} << 20;
  auto* p = static_cast<unsigned char*>(ReservePages(size));
  ASSERT_NE(p, nullptr);
  std::memset(p, 0x5A, 4096);
  EXPECT_EQ(p[size - 1], 0);
#if defined(__linux__)
  std::vector<unsigned char> present(size / 4096);
  ASSERT_EQ(mincore(p, size, present.data()), 0);
  std::size_t count = 0;
  for (unsigned char page : present) count += page & 1;
  // The page written and the one read, or the huge pages holding them
  // where the system gives huge pages unasked: far from all of them.
  EXPECT_LT(count, present.size() / 4);
  EXPECT_NE(present[0] & 1, 0);
#endif
  FreePages(p, size);
}

}  // namespace
}  // namespace sandloop::os
