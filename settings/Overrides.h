#pragma once
// Settings changed for one run from the command line ("--set NAME=VALUE"),
// never stored. NAME is one of the 26 stored names (case as stored);
// booleans take 0, 1, true or false, integers a decimal number, the clock
// colour a decimal or 0x-hexadecimal number, floats a decimal number.
#include <optional>
#include <string>

#include "settings/Settings.h"

namespace sandloop {

struct SettingOverride {
  int row = 0;        // the setting's row in SettingsTable
  double value = 0;   // the parsed value, exact for every kind
};

// The override that `assignment` names, or nothing with `error` telling
// what is wrong with it.
[[nodiscard]] std::optional<SettingOverride> ParseSettingOverride(const std::string& assignment,
                                                                  std::string* error);

void ApplySettingOverride(SettingsRecord& s, const SettingOverride& o);

}  // namespace sandloop
