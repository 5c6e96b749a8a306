#include "kit/SoundLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace sandloop {

std::string SoundLock::DefaultPath() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/') return std::string(runtime) + "/sandloop-sound.lock";
  return "/tmp/sandloop-" + std::to_string(getuid()) + "/sound.lock";
}

SoundLock::SoundLock(std::string path, std::uint32_t retry_ms) : path_(std::move(path)), retry_ms_(retry_ms) {}

SoundLock::~SoundLock() { Release(); }

void SoundLock::Release() {
  if (fd_ >= 0) close(fd_);  // closing gives the lock back
  fd_ = -1;
  held_ = false;
}

bool SoundLock::MayPlay(std::uint32_t now_ms) {
  if (held_ || unavailable_) return true;
  if (tried_ && now_ms - last_try_ < retry_ms_) return false;
  tried_ = true;
  last_try_ = now_ms;
  return TryTake();
}

bool SoundLock::TryTake() {
  if (fd_ < 0) {
    // A shared folder such as /tmp: the lock's own folder must be ours and
    // a real folder, or another user could hold our sound hostage.
    const std::size_t slash = path_.rfind('/');
    const std::string folder = slash == std::string::npos || slash == 0 ? std::string("/") : path_.substr(0, slash);
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
      unavailable_ = true;
      return true;
    }
    struct stat st{};
    if (lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid()) {
      unavailable_ = true;
      return true;
    }
    fd_ = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) {
      unavailable_ = true;
      return true;
    }
  }
  if (flock(fd_, LOCK_EX | LOCK_NB) == 0) {
    held_ = true;
    return true;
  }
  if (errno != EWOULDBLOCK) {
    // A file system without locks: behave as if there were none.
    unavailable_ = true;
    return true;
  }
  return false;
}

}  // namespace sandloop
