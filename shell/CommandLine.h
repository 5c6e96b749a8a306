#pragma once
// The options of the command line that are not the screen-saver mode
// switch: "--set NAME=VALUE" (any mode, this run only) and the options of
// "--render". Pure functions, so that every form can be tested and fuzzed
// without a display.
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "kit/LocalClock.h"
#include "settings/Overrides.h"
#include "shell/HostOptions.h"

namespace sandloop {

// Removes every "--set NAME=VALUE" pair from `args` into `out`. False with
// `error` set when a pair is incomplete or names a bad setting or value.
bool ExtractSettingOverrides(std::vector<std::string>& args, std::vector<SettingOverride>* out,
                             std::string* error);

struct RenderOptions {
  std::string file;  // holds one %d-style conversion when frames > 1
  int width = 1024;
  int height = 768;
  int depth = 32;
  int ticks = 0;
  int frames = 1;
  std::optional<LocalTime> at;
  std::optional<std::uint32_t> seed;
  std::vector<SettingOverride> overrides;
  bool exact_pixels = false;  // --exact-pixels: the designed stretch at any size
};

// Reads "--render FILE [options]" (args[0] is "--render"). False with
// `error` set for anything it cannot take.
bool ParseRenderOptions(const std::vector<std::string>& args, RenderOptions* out, std::string* error);

// The file name of frame `index` (FILE itself for a single frame).
[[nodiscard]] std::string RenderFileName(const RenderOptions& options, int index);

// "YYYY-MM-DD HH:MM:SS" as a local time with its day of the week.
[[nodiscard]] std::optional<LocalTime> ParseLocalTime(const std::string& text);

// The text of --help: every mode and option, one usage line per form.
[[nodiscard]] const char* Usage();

// What is left to do once HandleCommandLine has read the command line.
struct CommandLineRequest {
  bool register_command = false;            // --register: RunRegisterCommand(args, ...)
  bool render = false;                      // draw pictures: RunRender(args, ...)
  // The saver's modes: what a host asks for (host.rest holds the mode
  // switch and its window handle), -fps and --set as overrides, --unpaced.
  HostOptions host;
  std::vector<SettingOverride> overrides;
  bool unpaced = false;
  bool exact_pixels = false;  // --exact-pixels
};

// Everything on the command line that needs no display, in the program's
// order: --sun and --cities run here, --help prints the usage, --version
// the version, --register
// is recognised (the caller runs it: it writes the user's files), --render
// has its options checked (the caller then draws with RunRender), and for
// the saver's modes the host options (with `xscreensaver_window`, the
// variable a host may set), --unpaced, -fps and the --set pairs are read
// into `next`, leaving the mode switch and its window handle in
// next->host.rest for SandloopMain. Returns the exit code when nothing is
// left to do (messages on `err`).
std::optional<int> HandleCommandLine(const std::vector<std::string>& args, const char* xscreensaver_window,
                                     std::ostream& out, std::ostream& err, const LocalClock& clock,
                                     CommandLineRequest* next);

}  // namespace sandloop
