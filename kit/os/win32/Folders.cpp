#include "kit/os/Folders.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "kit/os/win32/Text.h"

namespace sandloop::os {

namespace {

std::string KnownFolder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  std::string out;
  if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path))) out = Narrow(path);
  CoTaskMemFree(path);
  return out;
}

std::string TempRoot() {
  wchar_t buf[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, buf);
  if (n == 0 || n > MAX_PATH) return std::string();
  std::string out = Narrow(std::wstring_view(buf, n));
  while (!out.empty() && (out.back() == '\\' || out.back() == '/')) out.pop_back();
  return out;
}

}  // namespace

std::string ProgramPath() {
  std::vector<wchar_t> buf(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return std::string();
    if (n < buf.size()) return Narrow(std::wstring_view(buf.data(), n));
    buf.resize(buf.size() * 2);
  }
}

std::string UserFolderPath(UserFolder kind) {
  switch (kind) {
    case UserFolder::Home: return KnownFolder(FOLDERID_Profile);
    case UserFolder::Config: return KnownFolder(FOLDERID_RoamingAppData);
    case UserFolder::State:
    case UserFolder::Runtime: return KnownFolder(FOLDERID_LocalAppData);
  }
  return std::string();
}

const char* FolderSeparators() { return "\\/"; }

const char* ProgramFolderName() { return "Sandloop"; }

std::FILE* OpenFile(const std::string& path, const char* mode) {
  return _wfopen(Widen(path).c_str(), Widen(mode).c_str());
}

std::string UserTempFolder(const std::string& name) {
  const std::string root = TempRoot();
  return root.empty() ? std::string() : root + "\\" + name;
}

std::string MakeTempFolder(const std::string& prefix) {
  const std::string root = TempRoot();
  if (root.empty()) return std::string();
  // The temporary folder is the user's own; a name already taken is tried
  // again with the next number.
  const unsigned long long seed = GetTickCount64() ^ (static_cast<unsigned long long>(GetCurrentProcessId()) << 32);
  for (unsigned i = 0; i < 1000; ++i) {
    const std::string path = root + "\\" + prefix + std::to_string((seed + i) % 100000000ULL);
    if (CreateDirectoryW(Widen(path).c_str(), nullptr)) return path;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return std::string();
  }
  return std::string();
}

bool MakePrivateFolder(const std::string& folder) {
  const std::wstring wide = Widen(folder);
  if (!CreateDirectoryW(wide.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
         (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

}  // namespace sandloop::os
