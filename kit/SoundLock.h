#pragma once
// One surf per machine. A screen-saver daemon starts one copy of the saver
// per monitor; only the copy that holds an exclusive lock on a file in the
// user's runtime folder plays the sound. The lock is the kernel's (FileLock),
// so it goes with its process however that process ends: it is never left
// stale.
//
// When the playing copy ends, the others take the sound over: a copy
// without the lock asks again at most every few seconds (MayPlay), and the
// first to ask after the holder has gone starts playing. Daemons end all
// copies together, so this matters when one monitor's copy ends alone.
//
// Where the lock cannot be had at all (no runtime folder can be made, or
// the folder belongs to someone else), the copy plays: one saver alone must
// never lose its sound over a lock.
#include <cstdint>
#include <string>

#include "kit/os/FileLock.h"

namespace sandloop {

class SoundLock {
 public:
  // <runtime folder>/sandloop-sound.lock ($XDG_RUNTIME_DIR where it names an
  // absolute folder; %LOCALAPPDATA% on Windows), else
  // /tmp/sandloop-UID/sound.lock (the folder made private when missing).
  static std::string DefaultPath();

  explicit SoundLock(std::string path = DefaultPath(), std::uint32_t retry_ms = 3000);
  ~SoundLock();
  SoundLock(const SoundLock&) = delete;
  SoundLock& operator=(const SoundLock&) = delete;

  // Whether this copy may play the sound now. Tries to take the lock at
  // the first call and then at most every `retry_ms` (by the caller's
  // millisecond clock `now_ms`, wrapping safely) until it has it; once
  // held, it stays held until Release or the end of the process.
  bool MayPlay(std::uint32_t now_ms);
  [[nodiscard]] bool Held() const { return held_; }
  // True when the lock could not be set up at all (this copy plays).
  [[nodiscard]] bool Unavailable() const { return unavailable_; }
  void Release();

 private:
  bool TryTake();

  std::string path_;
  std::uint32_t retry_ms_;
  os::FileLock lock_;
  bool held_ = false;
  bool unavailable_ = false;
  bool tried_ = false;
  std::uint32_t last_try_ = 0;
};

}  // namespace sandloop
