// The sandloop program: picks the real display (SDL) and runs the mode the
// command line asks for. Without a display, messages go to standard error
// and run mode ends at once.
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "kit/ddraw/backend.h"
#include "kit/ddraw/platform.h"
#include "kit/ddraw/sdl/SdlBackend.h"
#include "kit/LocalClock.h"
#include "shell/CommandLine.h"
#include "shell/HostOptions.h"
#include "shell/Register.h"
#include "shell/Render.h"
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
  if (!args.empty() && args[0] == "--register") return sandloop::RunRegisterCommand(args, std::cout, std::cerr);
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    std::cout << "usage: sandloop [/s | /c | /p WINDOW | /a WINDOW] [--set NAME=VALUE]... [--unpaced]\n"
                 "       sandloop --render FILE.png [--size WxH] [--depth 16|24|32] [--ticks N] [--frames K]\n"
                 "                [--at \"YYYY-MM-DD HH:MM:SS\"] [--seed S] [--set NAME=VALUE]...\n"
                 "       sandloop --sun \"CITY NAME\" [--dst] [--date YYYY-MM-DD]\n"
                 "       sandloop --cities\n"
                 "       sandloop --register xscreensaver\n";
    return 0;
  }
  // Pictures of the scene, drawn in memory: no display needed.
  if (!args.empty() && args[0] == "--render") return sandloop::RunRender(args, std::cout, std::cerr);
  // What a host asks for (a window to draw into, a try-it window, -fps)
  // comes out first; --set and the mode switch stay for the rest.
  sandloop::HostOptions host = sandloop::ParseHostOptions(args, std::getenv("XSCREENSAVER_WINDOW"));
  sandloop::SceneOptions scene;
  // Every frame composed whole and shown at once, without waiting for the
  // display: how many frames a second this machine can draw.
  if (const auto it = std::find(host.rest.begin(), host.rest.end(), "--unpaced"); it != host.rest.end()) {
    host.rest.erase(it);
    scene.plain = true;
  }
  std::string bad = host.error;
  if (bad.empty() && host.fps) {
    if (auto fps = sandloop::ParseSettingOverride("flag_fps=1", &bad)) scene.overrides.push_back(*fps);
  }
  if (!bad.empty() || !sandloop::ExtractSettingOverrides(host.rest, &scene.overrides, &bad)) {
    std::fprintf(stderr, "sandloop: %s\n", bad.c_str());
    return 2;
  }
  // A running saver is ended from outside by a termination signal (a
  // saver daemon's SIGTERM, Ctrl-C, a closed terminal): it then finishes
  // in order like after a key, with its log line and exit code 0.
  if (sandloop::ParseRunMode(args.empty() ? std::string() : args[0]) == sandloop::RunMode::Run)
    sandloop::InstallQuitSignalHandlers();
  std::string why;
  auto backend = sandloop::display::CreateSdlBackend(&why);
  if (backend) {
    backend->SetPacing(!scene.plain);
    sandloop::display::SetBackend(backend);
    // A host's window that cannot be had ends the run: taking the whole
    // screen instead would cover what the host shows.
    const std::string problem = sandloop::ApplyDisplayTarget(host, backend.get());
    if (!problem.empty()) {
      std::fprintf(stderr, "sandloop: %s\n", problem.c_str());
      sandloop::display::SetBackend(nullptr);
      return 0;
    }
  } else {
    std::fprintf(stderr, "sandloop: the display cannot be opened (%s)\n", why.c_str());
  }
  sandloop::ShellHooks hooks;
  hooks.configure = sandloop::dialog::RunConfigurationDialog;  // the Qt dialog
  const int code = sandloop::SandloopMain(host.rest, scene, hooks);
  sandloop::display::SetBackend(nullptr);
  return code;
}
