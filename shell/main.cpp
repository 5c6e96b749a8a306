// The sandloop program: picks the real display (SDL) and runs the mode the
// command line asks for. Without a display, messages go to standard error
// and run mode ends at once.
//
// The same source builds sandloop-settings (SANDLOOP_SETTINGS_PROGRAM),
// which alone links the Qt dialog; sandloop hands configuration mode over
// to it, so that a running saver never loads Qt.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "kit/ddraw/backend.h"
#include "kit/ddraw/platform.h"
#include "kit/ddraw/sdl/SdlBackend.h"
#include "kit/ddraw/sdl/SessionBus.h"
#include "kit/LocalClock.h"
#include "shell/CommandLine.h"
#include "shell/HostOptions.h"
#include "shell/posix/Register.h"
#include "shell/Render.h"
#include "shell/Shell.h"
#ifdef SANDLOOP_SETTINGS_PROGRAM
#include "settings/dialog/qt/ConfigurationDialog.h"
#else
#include "shell/posix/SettingsProgram.h"
#endif

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  // Everything that needs no display: commands for people at a terminal,
  // the options of --render, and what a host and the user ask of the
  // saver's modes (host options, --unpaced, --set).
  sandloop::CommandLineRequest next;
  if (auto code = sandloop::HandleCommandLine(args, std::getenv("XSCREENSAVER_WINDOW"), std::cout, std::cerr,
                                              sandloop::SystemClock(), &next))
    return *code;
  if (next.register_command) return sandloop::RunRegisterCommand(args, std::cout, std::cerr);
  // Pictures of the scene, drawn in memory: no display needed.
  if (next.render) return sandloop::RunRender(args, std::cout, std::cerr);
  sandloop::HostOptions& host = next.host;
  sandloop::SceneOptions scene;
  scene.overrides = std::move(next.overrides);
  scene.plain = next.unpaced;
  // Tests make the scene throw at a chosen point, to check how an exception
  // ends the saver: SANDLOOP_FAULT names it, honoured with SANDLOOP_TEST=1.
  if (const char* test = std::getenv("SANDLOOP_TEST"); test != nullptr && std::string(test) == "1") {
    if (const char* fault = std::getenv("SANDLOOP_FAULT")) scene.fault = sandloop::FaultPointFromName(fault);
  }
  scene.exact_pixels = next.exact_pixels;
  // A running saver is ended from outside by a termination signal (a
  // saver daemon's SIGTERM, Ctrl-C, a closed terminal): it then finishes
  // in order like after a key, with its log line and exit code 0.
  if (sandloop::ParseRunMode(args.empty() ? std::string() : args[0]) == sandloop::RunMode::Run) {
    sandloop::InstallQuitSignalHandlers();
    // The first frame must not wait for a session bus started on demand.
    sandloop::display::NoBusOnDemand();
  }
  std::string why;
#ifndef SANDLOOP_SETTINGS_PROGRAM
  if (sandloop::ParseRunMode(host.rest.empty() ? std::string() : host.rest[0]) ==
      sandloop::RunMode::Configuration) {
    sandloop::ExecSettingsProgram(argv, &why);
    // Still here: the configuration mode below says the dialog is missing.
    std::fprintf(stderr, "sandloop: %s\n", why.c_str());
  }
#endif
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
#ifdef SANDLOOP_SETTINGS_PROGRAM
  hooks.configure = sandloop::dialog::RunConfigurationDialog;  // the Qt dialog
#endif
  const int code = sandloop::SandloopMain(host.rest, scene, hooks);
  sandloop::display::SetBackend(nullptr);
  return code;
}
