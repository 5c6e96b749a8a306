#include "settings/Overrides.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace sandloop {

namespace {

bool ParseWhole(const std::string& text, bool allow_hex, long long* out) {
  if (text.empty()) return false;
  const char* begin = text.c_str();
  int base = 10;
  std::size_t skip = 0;
  if (allow_hex && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    skip = 2;
  }
  if (begin[skip] == '\0' || begin[skip] == ' ' || (base == 16 && (begin[skip] == '-' || begin[skip] == '+')))
    return false;
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(begin + skip, &end, base);
  if (errno != 0 || end == begin + skip || *end != '\0') return false;
  *out = v;
  return true;
}

}  // namespace

std::optional<SettingOverride> ParseSettingOverride(const std::string& assignment, std::string* error) {
  auto fail = [&](const std::string& why) -> std::optional<SettingOverride> {
    if (error) *error = why;
    return std::nullopt;
  };
  const std::size_t eq = assignment.find('=');
  if (eq == std::string::npos) return fail("'" + assignment + "' is not NAME=VALUE");
  const std::string name = assignment.substr(0, eq);
  const std::string value = assignment.substr(eq + 1);
  int row = -1;
  for (int i = 0; i < kSettingCount; ++i) {
    if (name == SettingsTable[static_cast<std::size_t>(i)].name) row = i;
  }
  if (row < 0) return fail("there is no setting called '" + name + "'");
  const SettingSpec& spec = SettingsTable[static_cast<std::size_t>(row)];
  const std::string bad = "'" + value + "' is not a valid value for " + name;
  SettingOverride o;
  o.row = row;
  long long whole = 0;
  switch (spec.kind) {
    case SettingKind::Bool:
      if (value == "1" || value == "true") o.value = 1;
      else if (value == "0" || value == "false") o.value = 0;
      else return fail(bad + " (0, 1, true or false)");
      break;
    case SettingKind::Int:
      if (!ParseWhole(value, false, &whole) || whole < std::numeric_limits<int>::min() ||
          whole > std::numeric_limits<int>::max())
        return fail(bad + " (a whole number)");
      o.value = static_cast<double>(whole);
      break;
    case SettingKind::Color:
      if (!ParseWhole(value, true, &whole) || whole < 0 || whole > 0xFFFFFFFFll)
        return fail(bad + " (a colour 0x00BBGGRR, decimal or 0x-hexadecimal)");
      o.value = static_cast<double>(whole);
      break;
    case SettingKind::Float: {
      char* end = nullptr;
      errno = 0;
      const double v = value.empty() ? 0 : std::strtod(value.c_str(), &end);
      if (value.empty() || errno != 0 || *end != '\0' || !std::isfinite(v) ||
          std::fabs(v) > std::numeric_limits<float>::max())
        return fail(bad + " (a decimal number)");
      o.value = v;
      break;
    }
  }
  return o;
}

void ApplySettingOverride(SettingsRecord& s, const SettingOverride& o) {
  const SettingSpec& spec = SettingsTable[static_cast<std::size_t>(o.row)];
  switch (spec.kind) {
    case SettingKind::Bool: s.*(spec.as_bool) = o.value != 0; break;
    case SettingKind::Int: s.*(spec.as_int) = static_cast<int>(o.value); break;
    case SettingKind::Color: s.*(spec.as_color) = static_cast<COLORREF>(o.value); break;
    case SettingKind::Float: s.*(spec.as_float) = static_cast<float>(o.value); break;
  }
}

}  // namespace sandloop
