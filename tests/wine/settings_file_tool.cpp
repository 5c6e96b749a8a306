// Reads and writes the settings file of the Linux store for the registry
// round trip with Wine (registry_roundtrip.sh).
//   settings_file_tool read FILE                   prints NAME=VALUE for the 26 values
//   settings_file_tool write FILE NAME=VALUE...    stores a record: the first run's
//                                                  values with the given changes
#include <cstdio>
#include <string>

#include "settings/Overrides.h"
#include "settings/Settings.h"

using namespace sandloop;

namespace {

int Read(const std::string& file) {
  TSetReg store(nullptr);
  ConfigureSettingsStore(store);
  store.SetStorePath(file);
  SettingsRecord s;
  try {
    if (DialogLoadSettings(store, s)) {
      std::fprintf(stderr, "settings_file_tool: %s holds no settings\n", file.c_str());
      return 1;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "settings_file_tool: %s\n", e.what());
    return 1;
  }
  for (const SettingSpec& spec : SettingsTable) {
    if (spec.as_bool) std::printf("%s=%d\n", spec.name, s.*spec.as_bool ? 1 : 0);
    if (spec.as_int) std::printf("%s=%d\n", spec.name, s.*spec.as_int);
    if (spec.as_float) std::printf("%s=%.9g\n", spec.name, static_cast<double>(s.*spec.as_float));
    if (spec.as_color) std::printf("%s=%u\n", spec.name, static_cast<unsigned>(s.*spec.as_color));
  }
  return 0;
}

int Write(const std::string& file, int argc, char** argv) {
  SettingsRecord s = FirstRunSettings();
  for (int i = 0; i < argc; ++i) {
    std::string error;
    const auto o = ParseSettingOverride(argv[i], &error);
    if (!o) {
      std::fprintf(stderr, "settings_file_tool: %s\n", error.c_str());
      return 2;
    }
    ApplySettingOverride(s, *o);
  }
  TSetReg store(nullptr);
  ConfigureSettingsStore(store);
  store.SetStorePath(file);
  return DialogSaveSettings(store, s) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 2 ? argv[1] : "";
  if (command == "read" && argc == 3) return Read(argv[2]);
  if (command == "write") return Write(argv[2], argc - 3, argv + 3);
  std::fprintf(stderr, "usage: settings_file_tool read FILE | write FILE NAME=VALUE...\n");
  return 2;
}
