#pragma once
// A private temporary folder for a test's settings file, removed with the
// object. Tests never touch the real home.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace sandloop::test {

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "sandloop-settings-XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (mkdtemp(buf.data()) != nullptr) path_ = buf.data();
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }
  // Where the store file goes: a folder below that does not exist yet, as
  // on a clean home.
  std::string StorePath() const { return path_ + "/config/sandloop/registry.reg"; }

  // Files in the store's folder whose names start with `prefix`.
  std::vector<std::string> FilesStartingWith(const std::string& prefix) const {
    std::vector<std::string> found;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(path_ + "/config/sandloop", ec))
      if (e.path().filename().string().rfind(prefix, 0) == 0) found.push_back(e.path().string());
    return found;
  }

 private:
  std::string path_;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& text) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

inline constexpr char kKey[] = "HKEY_CURRENT_USER\\SOFTWARE\\Morvant\\Sandloop";

}  // namespace sandloop::test
