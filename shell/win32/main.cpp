// sandloop.scr: the Windows screen saver. Windows starts it with /s, /p
// HWND, /c[:HWND], /a HWND or nothing; the display is the Windows back end,
// and configuration mode shows the native settings dialog, owned by the
// window that /c names.
#include <cstdint>
#include <string>
#include <vector>

#include "kit/ddraw/backend.h"
#include "kit/ddraw/platform.h"
#include "kit/ddraw/win32/Win32Backend.h"
#include "kit/os/QuitSignals.h"
#include "settings/dialog/win32/ConfigurationDialog.h"
#include "shell/Shell.h"

namespace {

// The window after "/c:" or, as some hosts pass it, in the next argument;
// 0 when there is none or it is not a number.
std::uintptr_t OwnerWindow(const std::vector<std::string>& args) {
  std::string number;
  if (!args.empty() && args[0].size() > 3 && args[0][2] == ':') number = args[0].substr(3);
  else if (args.size() > 1) number = args[1];
  try {
    return number.empty() ? 0 : static_cast<std::uintptr_t>(sandloop::StrToInt(number));
  } catch (const std::exception&) {
    return 0;  // not a number: no owner
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  // A console's Ctrl+C, its close, log-off and shut-down end a running
  // saver in order, like a key.
  if (sandloop::ParseRunMode(args.empty() ? std::string() : args[0]) == sandloop::RunMode::Run)
    sandloop::InstallQuitSignalHandlers();
  std::string why;
  auto backend = sandloop::display::CreateWin32Backend(&why);
  if (backend) sandloop::display::SetBackend(backend);
  sandloop::ShellHooks hooks;
  hooks.configure = [&args](const std::string& title) {
    sandloop::dialog::win32::RunConfigurationDialog(title, OwnerWindow(args));
  };
  const int code = sandloop::SandloopMain(args, {}, hooks);
  sandloop::display::SetBackend(nullptr);
  return code;
}
