#include "kit/os/Folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace sandloop::os {

namespace {

// The account's home from the user database, for when HOME is unset.
std::string AccountHome() {
  struct passwd pw{};
  struct passwd* found = nullptr;
  char buf[4096];
  if (getpwuid_r(getuid(), &pw, buf, sizeof buf, &found) == 0 && found != nullptr && found->pw_dir != nullptr)
    return found->pw_dir;
  return std::string();
}

std::string TempRoot() {
  const char* tmp = std::getenv("TMPDIR");
  return tmp != nullptr && tmp[0] == '/' ? std::string(tmp) : std::string("/tmp");
}

}  // namespace

std::string ProgramPath() {
  std::vector<char> buf(4096);
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return std::string();
    if (static_cast<std::size_t>(n) < buf.size()) return std::string(buf.data(), static_cast<std::size_t>(n));
    buf.resize(buf.size() * 2);
  }
}

std::string UserFolderPath(UserFolder kind) {
  const std::string account = AccountHome();
  const char* home = std::getenv("HOME");
  switch (kind) {
    case UserFolder::Home:
      return home != nullptr && home[0] != '\0' ? std::string(home) : account;
    case UserFolder::Config:
      return XdgFolderFrom(std::getenv("XDG_CONFIG_HOME"), home, account.c_str(), ".config");
    case UserFolder::State:
      return XdgFolderFrom(std::getenv("XDG_STATE_HOME"), home, account.c_str(), ".local/state");
    case UserFolder::Runtime: {
      const char* runtime = std::getenv("XDG_RUNTIME_DIR");
      return runtime != nullptr && runtime[0] == '/' ? std::string(runtime) : std::string();
    }
  }
  return std::string();
}

const char* FolderSeparators() { return "/"; }

const char* ProgramFolderName() { return "sandloop"; }

std::FILE* OpenFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

std::string UserTempFolder(const std::string& name) { return "/tmp/" + name + "-" + std::to_string(getuid()); }

std::string MakeTempFolder(const std::string& prefix) {
  std::string pattern = TempRoot() + "/" + prefix + "XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) return std::string();
  return pattern;
}

bool MakePrivateFolder(const std::string& folder) {
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st{};
  return lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid();
}

}  // namespace sandloop::os
