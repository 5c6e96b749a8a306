#include "diag/DDErrorLog.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "kit/os/Folders.h"

namespace sandloop {

namespace {

bool Blank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

std::string Trim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && Blank(s[b])) ++b;
  while (e > b && Blank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

// The user's state folder for this program, empty when there is none.
std::filesystem::path StateFolder() {
  const std::string state = os::UserFolderPath(os::UserFolder::State);
  // Only an absolute path counts (the rule of the user folders).
  if (state.empty()) return {};
  return std::filesystem::path(state) / os::ProgramFolderName();
}

}  // namespace

TDDErrorLog::TDDErrorLog(TComponent* owner) : TDDErrorLog(owner, os::ProgramPath()) {}

TDDErrorLog::TDDErrorLog(TComponent* owner, const std::string& program_path)
    : TComponent(owner), FProgramPath(program_path) {
  Open();
}

TDDErrorLog::~TDDErrorLog() {
  if (FFile != nullptr) std::fclose(FFile);
}

std::string TDDErrorLog::LogFileNameFor(const std::string& program_path) {
  // Only the file name is cut: programs here seldom have an extension, and
  // a dot in a folder's name must not move the log out of the folder.
  const std::size_t slash = program_path.find_last_of(os::FolderSeparators());
  const std::size_t name_start = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = program_path.find('.', name_start);
  return program_path.substr(0, dot == std::string::npos ? program_path.size() : dot) + ".log";
}

std::string TDDErrorLog::GetLogFileName() const { return LogFileNameFor(FProgramPath); }

void TDDErrorLog::Reopen(const std::string& program_path) {
  if (FFile != nullptr) std::fclose(FFile);
  FFile = nullptr;
  FOpenedPath.clear();
  FProgramPath = program_path;
  Open();
}

void TDDErrorLog::Open() {
  const std::string primary = GetLogFileName();
  FFile = os::OpenFile(primary, "a");
  if (FFile != nullptr) {
    FOpenedPath = primary;
    return;
  }
  const std::filesystem::path folder = StateFolder();
  if (folder.empty()) return;
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  std::string name = std::filesystem::path(primary).filename().string();
  if (name.empty()) name = ".log";
  const std::string fallback = (folder / name).string();
  FFile = os::OpenFile(fallback, "a");
  if (FFile != nullptr) FOpenedPath = fallback;
}

void TDDErrorLog::WriteToLog(const std::string& text) {
  if (FFile == nullptr) return;
  std::fwrite(text.data(), 1, text.size(), FFile);
  std::fputc('\n', FFile);
  std::fflush(FFile);
}

void TDDErrorLog::WriteToLog(const std::string& label, const std::string& value) {
  std::string line = Trim(label);
  if (line.size() > 256) line.resize(256);
  line += ": ";
  line += Trim(value);
  WriteToLog(line);
}

std::string TDDErrorLog::TimeText(const LocalTime& time) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", time.hour % 100, time.minute % 100, time.second % 100);
  return text;
}

}  // namespace sandloop
