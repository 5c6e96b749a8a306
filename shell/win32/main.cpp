// sandloop.scr: the Windows screen saver. Windows starts it with /s, /p
// HWND, /c[:HWND], /a HWND or nothing; the display is the Windows back end.
// The settings dialog of this platform is not built yet, so configuration
// mode says so and the saver runs with its stored settings.
#include <string>
#include <vector>

#include "kit/ddraw/backend.h"
#include "kit/ddraw/platform.h"
#include "kit/ddraw/win32/Win32Backend.h"
#include "kit/os/QuitSignals.h"
#include "shell/Shell.h"

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
  hooks.configure = [](const std::string&) {
    MessageBoxA(0, "The settings dialog is not built yet for Windows; the saver runs with its stored settings.",
                sandloop::kMessageCaption, MB_OK);
  };
  const int code = sandloop::SandloopMain(args, {}, hooks);
  sandloop::display::SetBackend(nullptr);
  return code;
}
