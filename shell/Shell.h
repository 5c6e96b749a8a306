#pragma once
// The entry point of the screen saver: reads the mode switch of the first
// argument and runs the preview, the configuration, the scene or the
// password change. Every mode returns 0.
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "scene/Unit1.h"

namespace sandloop {

enum class RunMode { Preview, Configuration, Run, PasswordChange };

// Upper-cases the switch; shorter than two characters means run mode;
// otherwise its first character is dropped, whatever it is, and the next
// one picks the mode (P, C, S, A; anything else runs the scene).
[[nodiscard]] RunMode ParseRunMode(const std::string& argument);

// The framework's conversion error.
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A whole decimal number (optionally signed; "0x" or "$" for hexadecimal),
// with surrounding blanks allowed; anything else is EConvertError
// "'text' is not a valid integer value".
[[nodiscard]] long long StrToInt(const std::string& text);

// What the program adds to the shell. `configure` shows the configuration
// dialog, titled with the application title it is given, until the dialog
// closes; without it, configuration mode says that there is no dialog.
struct ShellHooks {
  std::function<void(const std::string& title)> configure;
};

// Runs the mode the arguments ask for (arguments after the program name)
// and returns the process's exit code.
// `scene` adds run-time options to run mode; `hooks` supplies what the
// program links in (the settings dialog).
int SandloopMain(const std::vector<std::string>& args, const SceneOptions& scene = {},
                 const ShellHooks& hooks = {});

// The texts of the shell.
inline constexpr const char* kConfigTitle = "Tidewalk Beach Screensaver";
inline constexpr const char* kMessageCaption = "Screen saver";
inline constexpr const char* kPreviewBitmap = "PREV_BITMAP";

}  // namespace sandloop
