// The sandloop program: picks the real display (SDL) and runs the mode the
// command line asks for. Without a display, messages go to standard error
// and run mode ends at once.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "kit/ddraw/backend.h"
#include "kit/ddraw/sdl/SdlBackend.h"
#include "kit/LocalClock.h"
#include "settings/dialog/ConfigurationDialog.h"
#include "shell/Shell.h"
#include "sun/SunCommand.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  // Commands for people at a terminal; they need no display. Long options
  // are told apart before the mode switch, which would read "--sun" as
  // run mode.
  if (!args.empty() && (args[0] == "--sun" || args[0] == "--cities"))
    return sandloop::RunSunCommand(args, std::cout, std::cerr, sandloop::SystemClock());
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    std::cout << "usage: sandloop [/s | /c | /p WINDOW | /a WINDOW]\n"
                 "       sandloop --sun \"CITY NAME\" [--dst] [--date YYYY-MM-DD]\n"
                 "       sandloop --cities\n";
    return 0;
  }
  std::string why;
  auto backend = sandloop::display::CreateSdlBackend(&why);
  if (backend) {
    sandloop::display::SetBackend(backend);
  } else {
    std::fprintf(stderr, "sandloop: the display cannot be opened (%s)\n", why.c_str());
  }
  sandloop::ShellHooks hooks;
  hooks.configure = sandloop::dialog::RunConfigurationDialog;  // the Qt dialog
  const int code = sandloop::SandloopMain(args, hooks);
  sandloop::display::SetBackend(nullptr);
  return code;
}
