#include "kit/os/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace sandloop::os {

bool FileLock::Open(const std::string& path, bool follow_link) {
  Close();
  const int flags = O_RDWR | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (follow_link ? 0 : O_NOFOLLOW);
  const int fd = ::open(path.c_str(), flags, 0600);
  if (fd < 0) return false;
  handle_ = fd;
  return true;
}

FileLock::Attempt FileLock::TryLock() {
  if (handle_ == kNone) return Attempt::Unsupported;
  while (flock(static_cast<int>(handle_), LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    return errno == EWOULDBLOCK ? Attempt::Busy : Attempt::Unsupported;
  }
  return Attempt::Taken;
}

bool FileLock::Lock() {
  if (handle_ == kNone) return false;
  while (flock(static_cast<int>(handle_), LOCK_EX) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

void FileLock::Close() {
  if (handle_ != kNone) ::close(static_cast<int>(handle_));  // closing gives the lock back
  handle_ = kNone;
}

}  // namespace sandloop::os
