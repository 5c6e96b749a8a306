#include "kit/SoundLock.h"

#include "kit/os/Folders.h"

namespace sandloop {

std::string SoundLock::DefaultPath() {
  const std::string runtime = os::UserFolderPath(os::UserFolder::Runtime);
  if (!runtime.empty()) return runtime + "/sandloop-sound.lock";
  return os::UserTempFolder("sandloop") + "/sound.lock";
}

SoundLock::SoundLock(std::string path, std::uint32_t retry_ms) : path_(std::move(path)), retry_ms_(retry_ms) {}

SoundLock::~SoundLock() { Release(); }

void SoundLock::Release() {
  lock_.Close();
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
  if (!lock_.IsOpen()) {
    // A shared folder such as /tmp: the lock's own folder must be ours and
    // a real folder, or another user could hold our sound hostage.
    const std::size_t slash = path_.find_last_of("/\\");
    const std::string folder = slash == std::string::npos || slash == 0 ? std::string("/") : path_.substr(0, slash);
    if (!os::MakePrivateFolder(folder) || !lock_.Open(path_, /*follow_link=*/false)) {
      unavailable_ = true;
      return true;
    }
  }
  switch (lock_.TryLock()) {
    case os::FileLock::Attempt::Taken:
      held_ = true;
      return true;
    case os::FileLock::Attempt::Busy:
      return false;
    case os::FileLock::Attempt::Unsupported:
      break;
  }
  // A file system without locks: behave as if there were none.
  unavailable_ = true;
  return true;
}

}  // namespace sandloop
