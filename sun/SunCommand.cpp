#include "sun/SunCommand.h"

#include <cstdio>
#include <exception>
#include <optional>
#include <string_view>

#include "sun/CityTable.h"
#include "sun/SunTime.h"

namespace sandloop {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

constexpr std::string_view kUsage =
    "usage: sandloop --sun \"CITY NAME\" [--dst] [--date YYYY-MM-DD]\n"
    "       sandloop --cities\n";

// Shortest text that reads back as the same float.
std::string Num(double value) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.9g", value);
  return buf;
}

std::string Date(const LocalTime& t) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", t.year, t.month, t.day);
  return buf;
}

constexpr int kDaysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// Only for checking a date the user typed; the sun computation has its own rule.
bool IsLeapGregorian(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// A calendar date written YYYY-MM-DD, or nothing.
std::optional<LocalTime> ParseDate(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  auto digits = [&](std::size_t from, std::size_t count) -> std::optional<int> {
    int v = 0;
    for (std::size_t i = from; i < from + count; ++i) {
      if (text[i] < '0' || text[i] > '9') return std::nullopt;
      v = v * 10 + (text[i] - '0');
    }
    return v;
  };
  const auto year = digits(0, 4), month = digits(5, 2), day = digits(8, 2);
  if (!year || !month || !day || *year < 1 || *month < 1 || *month > 12 || *day < 1) return std::nullopt;
  const int last = kDaysInMonth[*month - 1] + (*month == 2 && IsLeapGregorian(*year) ? 1 : 0);
  if (*day > last) return std::nullopt;
  LocalTime t;
  t.year = *year;
  t.month = *month;
  t.day = *day;
  t.hour = 12;
  return t;
}

int Usage(std::ostream& err, std::string_view problem) {
  err << "sandloop: " << problem << "\n" << kUsage;
  return kExitUsage;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (prefix.size() > text.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    auto up = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; };
    if (up(text[i]) != up(prefix[i])) return false;
  }
  return true;
}

int ListCities(std::ostream& out) {
  const CityTable table;
  for (int i = 0; i < table.Count(); ++i) {
    const CityRecord& c = table[i];
    out << i << '\t' << c.Name() << '\t' << Num(c.latitude) << '\t' << Num(c.longitude) << '\t'
        << c.ofUTC << '\n';
  }
  return kExitOk;
}

void PrintEvent(std::ostream& out, std::string_view caption, const SunSteps& s, bool dst) {
  float hours = s.Z;
  if (dst) hours = static_cast<float>(hours + 1.0);
  out << caption << ' ' << FormatSunTime(hours) << " (" << Num(hours) << " h";
  if (s.outcome == SunOutcome::NeverRises) out << "; " << kNeverRisesText;
  if (s.outcome == SunOutcome::NeverSets) out << "; " << kNeverSetsText;
  out << ")\n";
}

int ShowSun(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            const LocalClock& clock) {
  if (args.size() < 2 || args[1].starts_with("--")) return Usage(err, "--sun needs a city name");
  const std::string& name = args[1];
  bool dst = false;
  std::optional<LocalTime> date;
  for (std::size_t i = 2; i < args.size(); ++i) {
    std::string_view a = args[i];
    if (a == "--dst") {
      dst = true;
    } else if (a == "--date" || a.starts_with("--date=")) {
      std::string_view value;
      if (a == "--date") {
        if (i + 1 >= args.size()) return Usage(err, "--date needs a date as YYYY-MM-DD");
        value = args[++i];
      } else {
        value = a.substr(7);
      }
      date = ParseDate(value);
      if (!date) return Usage(err, "not a date (YYYY-MM-DD): " + std::string(value));
    } else {
      return Usage(err, "unknown argument: " + std::string(a));
    }
  }

  const CityTable table;
  const auto index = table.Find(name);
  if (!index) {
    err << "sandloop: unknown city: \"" << name << "\" (names as listed by --cities, e.g. \"LONDON GB\")\n";
    int shown = 0;
    for (const CityRecord& c : table) {
      if (!StartsWithNoCase(c.Name(), name)) continue;
      err << (shown == 0 ? "did you mean: " : ", ") << c.Name();
      if (++shown == 10) break;
    }
    if (shown) err << '\n';
    return kExitUsage;
  }

  const CityRecord& c = table[*index];
  const LocalTime day = date ? *date : clock.Now();
  const SunSteps rise = ComputeSunEvent(SunEvent::Sunrise, c.latitude, c.longitude, c.ofUTC,
                                        day.year, day.month, day.day);
  const SunSteps set = ComputeSunEvent(SunEvent::Sunset, c.latitude, c.longitude, c.ofUTC,
                                       day.year, day.month, day.day);
  out << "city: " << c.Name() << '\n'
      << "index: " << *index << '\n'
      << "latitude: " << Num(c.latitude) << '\n'
      << "longitude: " << Num(c.longitude) << '\n'
      << "UTC offset: " << c.ofUTC << '\n'
      << "date: " << Date(day) << '\n'
      << "daylight saving: " << (dst ? "yes" : "no") << '\n';
  PrintEvent(out, "Apparent Sunrise:", rise, dst);
  PrintEvent(out, "Apparent Sunset:", set, dst);
  return kExitOk;
}

}  // namespace

int RunSunCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                  const LocalClock& clock) {
  try {
    if (args.empty()) return Usage(err, "no command");
    if (args[0] == "--cities") {
      if (args.size() != 1) return Usage(err, "--cities takes no arguments");
      return ListCities(out);
    }
    if (args[0] == "--sun") return ShowSun(args, out, err, clock);
    return Usage(err, "unknown command: " + args[0]);
  } catch (const std::exception& e) {
    err << "sandloop: " << e.what() << '\n';
    return kExitFailure;
  }
}

}  // namespace sandloop
