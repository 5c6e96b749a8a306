// sandloop.scr: the Windows screen saver. Windows starts it with /s,
// /p HWND (or /p:HWND), /c[:HWND], /a HWND or nothing, which asks for the
// settings as /c does; the display is the Windows back end, and
// configuration mode shows the native settings dialog, owned by the window
// that /c names, by the foreground window for a /c that names none, and by
// no window without an argument.
#include <cstdint>
#include <string>
#include <vector>

#include "kit/ddraw/backend.h"
#include "kit/ddraw/platform.h"
#include "kit/ddraw/win32/Win32Backend.h"
#include "kit/os/QuitSignals.h"
#include "settings/dialog/win32/ConfigurationDialog.h"
#include "shell/Shell.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  // A console's Ctrl+C, its close, log-off and shut-down end a running
  // saver in order, like a key.
  const auto convention = sandloop::Convention::Windows;
  if (sandloop::ParseRunMode(args.empty() ? std::string() : args[0], convention) == sandloop::RunMode::Run)
    sandloop::InstallQuitSignalHandlers();
  std::string why;
  auto backend = sandloop::display::CreateWin32Backend(&why);
  if (backend) sandloop::display::SetBackend(backend);
  sandloop::ShellHooks hooks;
  hooks.convention = convention;
  hooks.configure = [&args](const std::string& title) {
    const sandloop::DialogOwner owner = sandloop::SettingsOwner(args);
    sandloop::dialog::win32::RunConfigurationDialog(
        title, owner.foreground ? sandloop::dialog::win32::ForegroundWindow() : owner.window);
  };
  const int code = sandloop::SandloopMain(args, {}, hooks);
  sandloop::display::SetBackend(nullptr);
  return code;
}
