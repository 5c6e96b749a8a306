#include "shell/CommandLine.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "sun/SunCommand.h"

namespace sandloop {

namespace {

bool ParseCount(const std::string& text, long long lo, long long hi, long long* out) {
  if (text.empty() || text.size() > 12) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  const long long v = std::strtoll(text.c_str(), nullptr, 10);
  if (v < lo || v > hi) return false;
  *out = v;
  return true;
}

// True when `pattern` holds exactly one integer conversion such as %04d
// (flags and a width allowed) and otherwise only "%%".
bool OneFrameNumber(const std::string& pattern) {
  int conversions = 0;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%') continue;
    if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    while (j < pattern.size() && (pattern[j] == '0' || pattern[j] == '-' || pattern[j] == ' ')) ++j;
    std::size_t digits = 0;
    while (j < pattern.size() && pattern[j] >= '0' && pattern[j] <= '9') ++j, ++digits;
    if (j >= pattern.size() || pattern[j] != 'd' || digits > 2) return false;
    ++conversions;
    i = j;
  }
  return conversions == 1;
}

}  // namespace

const char* Usage() {
  return "usage: sandloop [/s | /c | /p WINDOW | /a WINDOW] [options]\n"
         "       sandloop -root [options]                run in a daemon's window (XSCREENSAVER_WINDOW)\n"
         "                                               or else in the root window\n"
         "       sandloop -window-id ID [options]        run in the X11 window ID (decimal or 0x-hex);\n"
         "                                               also taken from XSCREENSAVER_WINDOW\n"
         "       sandloop --window [WxH] [options]       run in an ordinary window (default 1024x768)\n"
         "       sandloop --render FILE.png [--size WxH] [--depth 16|24|32] [--ticks N] [--frames K]\n"
         "                [--at \"YYYY-MM-DD HH:MM:SS\"] [--seed S] [--set NAME=VALUE]...\n"
         "                [--exact-pixels]\n"
         "       sandloop --sun \"CITY NAME\" [--dst] [--date YYYY-MM-DD]\n"
         "       sandloop --cities\n"
         "       sandloop --register xscreensaver\n"
         "       sandloop --help | --version\n"
         "modes: /s runs the saver full screen (also with no argument), /c shows the settings dialog,\n"
         "       /p WINDOW draws the preview into an X11 window, /a WINDOW would change the\n"
         "       password (not available on Linux)\n"
         "options of the saver's modes:\n"
         "  -fps                 show the frame rate\n"
         "  --unpaced            draw frames as fast as the machine can, without waiting for the display\n"
         "  --exact-pixels       keep the designed pictures at every size (no smooth scenery on\n"
         "                       screens larger than 1280x1024)\n"
         "  --set NAME=VALUE     change a setting for this run only (may be repeated)\n";
}

bool ExtractSettingOverrides(std::vector<std::string>& args, std::vector<SettingOverride>* out,
                             std::string* error) {
  std::vector<std::string> rest;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] != "--set") {
      rest.push_back(args[i]);
      continue;
    }
    if (i + 1 >= args.size()) {
      *error = "--set needs NAME=VALUE";
      return false;
    }
    const std::optional<SettingOverride> o = ParseSettingOverride(args[++i], error);
    if (!o) return false;
    out->push_back(*o);
  }
  args = std::move(rest);
  return true;
}

std::optional<LocalTime> ParseLocalTime(const std::string& text) {
  int y, mo, d, h, mi, s;
  char tail;
  if (text.size() != 19 || std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &tail) != 6)
    return std::nullopt;
  using namespace std::chrono;
  const year_month_day date{year{y}, month{static_cast<unsigned>(mo)}, day{static_cast<unsigned>(d)}};
  if (y < 1 || !date.ok() || h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 || s > 59) return std::nullopt;
  LocalTime t;
  t.year = y;
  t.month = mo;
  t.day = d;
  t.hour = h;
  t.minute = mi;
  t.second = s;
  t.dayOfWeek = static_cast<int>(weekday{sys_days{date}}.c_encoding());
  return t;
}

// Removes every `flag` from `args`; true when there was one.
static bool TakeFlag(std::vector<std::string>& args, const char* flag) {
  const auto end = std::remove(args.begin(), args.end(), flag);
  const bool found = end != args.end();
  args.erase(end, args.end());
  return found;
}

bool ParseRenderOptions(const std::vector<std::string>& args_in, RenderOptions* out, std::string* error) {
  std::vector<std::string> args = args_in;
  if (!ExtractSettingOverrides(args, &out->overrides, error)) return false;
  out->exact_pixels = TakeFlag(args, "--exact-pixels");
  if (args.size() < 2 || args[1].empty() || args[1][0] == '-') {
    *error = "--render needs the name of a PNG file";
    return false;
  }
  out->file = args[1];
  for (std::size_t i = 2; i < args.size(); ++i) {
    const std::string& opt = args[i];
    if (i + 1 >= args.size()) {
      *error = "'" + opt + "' is not a --render option, or needs a value";
      return false;
    }
    const std::string& value = args[++i];
    long long n = 0;
    if (opt == "--size") {
      int w = 0, h = 0;
      char x = 0, tail = 0;
      if (std::sscanf(value.c_str(), "%5d%c%5d%c", &w, &x, &h, &tail) != 3 || (x != 'x' && x != 'X') || w < 16 ||
          h < 16 || w > 8192 || h > 8192) {
        *error = "--size takes WxH, each from 16 to 8192, not '" + value + "'";
        return false;
      }
      out->width = w;
      out->height = h;
    } else if (opt == "--depth") {
      if (value != "16" && value != "24" && value != "32") {
        *error = "--depth takes 16, 24 or 32, not '" + value + "'";
        return false;
      }
      out->depth = std::atoi(value.c_str());
    } else if (opt == "--ticks") {
      if (!ParseCount(value, 0, 100000000, &n)) {
        *error = "--ticks takes a number from 0 to 100000000, not '" + value + "'";
        return false;
      }
      out->ticks = static_cast<int>(n);
    } else if (opt == "--frames") {
      if (!ParseCount(value, 1, 100000, &n)) {
        *error = "--frames takes a number from 1 to 100000, not '" + value + "'";
        return false;
      }
      out->frames = static_cast<int>(n);
    } else if (opt == "--at") {
      out->at = ParseLocalTime(value);
      if (!out->at) {
        *error = "--at takes a local time \"YYYY-MM-DD HH:MM:SS\", not '" + value + "'";
        return false;
      }
    } else if (opt == "--seed") {
      if (!ParseCount(value, 0, 0xFFFFFFFFll, &n)) {
        *error = "--seed takes a number from 0 to 4294967295, not '" + value + "'";
        return false;
      }
      out->seed = static_cast<std::uint32_t>(n);
    } else {
      *error = "'" + opt + "' is not a --render option";
      return false;
    }
  }
  if (out->frames > 1 && !OneFrameNumber(out->file)) {
    *error = "with --frames, the file name needs one frame number such as %04d, not '" + out->file + "'";
    return false;
  }
  return true;
}

std::string RenderFileName(const RenderOptions& options, int index) {
  if (options.frames <= 1) return options.file;
  char name[4096];
  // The pattern holds exactly one integer conversion (checked when parsed).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  std::snprintf(name, sizeof name, options.file.c_str(), index);
#pragma GCC diagnostic pop
  return name;
}

std::optional<int> HandleCommandLine(const std::vector<std::string>& args, const char* xscreensaver_window,
                                     std::ostream& out, std::ostream& err, const LocalClock& clock,
                                     CommandLineRequest* next) {
  // Long options are told apart before the mode switch, which would read
  // "--sun" as run mode.
  if (!args.empty() && (args[0] == "--sun" || args[0] == "--cities")) return RunSunCommand(args, out, err, clock);
  if (!args.empty() && args[0] == "--register") {
    next->register_command = true;
    return std::nullopt;
  }
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    out << Usage();
    return 0;
  }
  if (!args.empty() && (args[0] == "--version" || args[0] == "-V")) {
    out << "sandloop " << SANDLOOP_VERSION << "\n";
    return 0;
  }
  std::string error;
  if (!args.empty() && args[0] == "--render") {
    RenderOptions options;
    if (!ParseRenderOptions(args, &options, &error)) {
      err << "sandloop: " << error << "\n";
      return 2;
    }
    next->render = true;
    return std::nullopt;
  }
  // What a host asks for (a window to draw into, a try-it window, -fps)
  // comes out first; --set and the mode switch stay for the rest.
  next->host = ParseHostOptions(args, xscreensaver_window);
  std::vector<std::string>& rest = next->host.rest;
  // Every frame composed whole and shown at once, without waiting for the
  // display: how many frames a second this machine can draw.
  if (const auto it = std::find(rest.begin(), rest.end(), "--unpaced"); it != rest.end()) {
    rest.erase(it);
    next->unpaced = true;
  }
  next->exact_pixels = TakeFlag(rest, "--exact-pixels");
  error = next->host.error;
  if (error.empty() && next->host.fps) {
    if (auto fps = ParseSettingOverride("flag_fps=1", &error)) next->overrides.push_back(*fps);
  }
  if (!error.empty() || !ExtractSettingOverrides(rest, &next->overrides, &error)) {
    err << "sandloop: " << error << "\n";
    return 2;
  }
  return std::nullopt;
}

}  // namespace sandloop
