#include "kit/os/FileLock.h"

#include <windows.h>

#include "kit/os/win32/Text.h"

namespace sandloop::os {

namespace {
HANDLE AsHandle(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }

bool LockWhole(HANDLE file, DWORD flags) {
  OVERLAPPED at{};
  return LockFileEx(file, flags, 0, MAXDWORD, MAXDWORD, &at) != 0;
}
}  // namespace

bool FileLock::Open(const std::string& path, bool follow_link) {
  Close();
  const DWORD flags = FILE_ATTRIBUTE_NORMAL | (follow_link ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  HANDLE file = CreateFileW(Widen(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS, flags,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  if (!follow_link) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      CloseHandle(file);
      return false;
    }
  }
  handle_ = reinterpret_cast<std::intptr_t>(file);
  return true;
}

FileLock::Attempt FileLock::TryLock() {
  if (handle_ == kNone) return Attempt::Unsupported;
  if (LockWhole(AsHandle(handle_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY)) return Attempt::Taken;
  const DWORD error = GetLastError();
  return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? Attempt::Busy : Attempt::Unsupported;
}

bool FileLock::Lock() {
  return handle_ != kNone && LockWhole(AsHandle(handle_), LOCKFILE_EXCLUSIVE_LOCK);
}

void FileLock::Close() {
  if (handle_ != kNone) CloseHandle(AsHandle(handle_));  // closing gives the lock back
  handle_ = kNone;
}

}  // namespace sandloop::os
