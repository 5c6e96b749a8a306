#include "shell/posix/SettingsProgram.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#ifndef SANDLOOP_SETTINGS_DIR
#define SANDLOOP_SETTINGS_DIR "../libexec/sandloop"
#endif

namespace sandloop {

namespace {
constexpr const char* kSettingsName = "sandloop-settings";
}

std::vector<std::string> SettingsProgramCandidates(const std::string& self) {
  const auto slash = self.rfind('/');
  if (slash == std::string::npos) return {};
  const std::string dir = self.substr(0, slash + 1);
  return {dir + kSettingsName, dir + SANDLOOP_SETTINGS_DIR + "/" + kSettingsName};
}

void ExecSettingsProgram(char** argv, std::string* why) {
  char self[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  const std::string path = n > 0 ? std::string(self, static_cast<std::size_t>(n)) : std::string();
  std::string tried;
  for (const std::string& candidate : SettingsProgramCandidates(path)) {
    if (access(candidate.c_str(), X_OK) != 0) {
      tried += (tried.empty() ? "" : ", ") + candidate + " (" + std::strerror(errno) + ")";
      continue;
    }
    char* const old = argv[0];
    argv[0] = const_cast<char*>(candidate.c_str());
    execv(candidate.c_str(), argv);
    argv[0] = old;
    tried += (tried.empty() ? "" : ", ") + candidate + " (" + std::strerror(errno) + ")";
  }
  if (why != nullptr)
    *why = "the settings program cannot be started: " + (tried.empty() ? std::string("no program path") : tried);
}

}  // namespace sandloop
