#include "tests/dialog/win32/StoredSettings.h"

#include <sstream>

#include "settings/SetReg.h"
#include "settings/Settings.h"

namespace sandloop::test {

std::string StoredSettings(const std::string& product) {
  TSetReg store(nullptr);
  ConfigureSettingsStore(store);
  store.SetProductName(product);
  SettingsRecord s;
  DialogLoadSettings(store, s);
  std::ostringstream out;
  for (const SettingSpec& spec : SettingsTable) {
    out << spec.name << '=';
    switch (spec.kind) {
      case SettingKind::Bool: out << s.*spec.as_bool; break;
      case SettingKind::Int: out << s.*spec.as_int; break;
      case SettingKind::Float: out << s.*spec.as_float; break;
      case SettingKind::Color: out << s.*spec.as_color; break;
    }
    out << '\n';
  }
  return out.str();
}

std::string StoredValue(const std::string& product, const std::string& name) {
  std::istringstream lines(StoredSettings(product));
  for (std::string line; std::getline(lines, line);)
    if (line.starts_with(name + "=")) return line.substr(name.size() + 1);
  return {};
}

}  // namespace sandloop::test
