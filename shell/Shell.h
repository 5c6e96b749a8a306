#pragma once
// The entry point of the screen saver: reads the mode switch of the first
// argument and runs the preview, the configuration, the scene or the
// password change. Every mode returns 0.
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "scene/Unit1.h"

namespace sandloop {

enum class RunMode { Preview, Configuration, Run, PasswordChange };

// How the system that starts the program writes its command line. Windows
// starts a saver without an argument to show its settings (Explorer's
// "Configure" on a .scr), and may take a preview window away before the
// saver it started for it has looked; elsewhere the saver is started by
// hand or by a daemon, and a bare "sandloop" is expected to run it.
enum class Convention { Posix, Windows };

// Upper-cases the switch; shorter than two characters means run mode
// (with the Windows convention, an empty or absent switch means
// configuration mode); otherwise its first character is dropped, whatever
// it is, and the next one picks the mode (P, C, S, A; anything else runs
// the scene).
[[nodiscard]] RunMode ParseRunMode(const std::string& argument, Convention convention = Convention::Posix);

// The window that the mode switch `args[0]` names: the text after its colon
// ("/p:1234", "/c:1234") or, without one, the next argument ("/p 1234");
// empty when there is neither.
[[nodiscard]] std::string WindowArgument(const std::vector<std::string>& args);

// The window that owns the settings dialog, by Windows' convention:
// "/c:HWND" (or "/c HWND") that window; "/c" alone the window in the
// foreground when the dialog opens; no argument at all (Explorer's
// "Configure") none, and neither does a window that is not a number.
struct DialogOwner {
  bool foreground = false;
  std::uintptr_t window = 0;  // when not `foreground`; 0: none
};
[[nodiscard]] DialogOwner SettingsOwner(const std::vector<std::string>& args);

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
// `convention` is that of the system the program is built for.
struct ShellHooks {
  std::function<void(const std::string& title)> configure;
  Convention convention = Convention::Posix;
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
