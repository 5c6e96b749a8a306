#pragma once
// An exclusive lock on a file, the kernel's own (POSIX: flock; Windows:
// LockFileEx): it goes with the open file, so a process that ends in any
// way gives it back and no lock is ever left stale. Two opens of the same
// file in one process are told apart.
#include <cstdint>
#include <string>

namespace sandloop::os {

class FileLock {
 public:
  FileLock() = default;
  ~FileLock() { Close(); }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Opens the lock file, making it (readable and writable by the user
  // only) when missing. With `follow_link` false a symbolic link at the
  // end of the path is refused. False when it cannot be opened.
  bool Open(const std::string& path, bool follow_link = true);

  enum class Attempt { Taken, Busy, Unsupported };
  // Takes the lock without waiting: Busy while another open file holds
  // it, Unsupported on a file system without locks.
  Attempt TryLock();
  // Waits for the lock; false when it cannot be had at all.
  bool Lock();

  // Gives the lock back and closes the file.
  void Close();
  [[nodiscard]] bool IsOpen() const { return handle_ != kNone; }

 private:
  static constexpr std::intptr_t kNone = -1;
  std::intptr_t handle_ = kNone;  // a file descriptor or a HANDLE
};

}  // namespace sandloop::os
