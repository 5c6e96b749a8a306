// A long run of the scene on the memory-only display: one thread steps the
// scene tick after tick as fast as it can while the main thread draws
// frames beside it, the way the frame timer and the idle drawing share the
// scene in a running saver. Built with the sanitizers it shows races and
// leaks; in a plain build it shows whether resident memory stays flat.
//
//   soak_scene [TICKS] [--max-growth-kb N]
//
// Prints the ticks, frames and resident memory after the warm-up and at
// the end; exits 1 when the memory grew by more than the limit (default
// 1024 kB; 0 switches the check off, as sanitizers keep freed memory).
#include <stdlib.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "kit/Forms.h"
#include "kit/ddraw/headless/HeadlessBackend.h"
#include "scene/Unit1.h"

namespace {

long ResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string key;
  long value = 0;
  while (status >> key) {
    if (key == "VmRSS:") {
      status >> value;
      return value;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  long ticks = 200000;
  long max_growth_kb = 1024;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--max-growth-kb") == 0 && i + 1 < argc)
      max_growth_kb = std::atol(argv[++i]);
    else
      ticks = std::atol(argv[i]);
  }
  // Nothing of the user's: a private, empty settings folder.
  char home[] = "/tmp/sandloop-soak-XXXXXX";
  if (mkdtemp(home) == nullptr) return 2;
  setenv("XDG_CONFIG_HOME", home, 1);
  setenv("XDG_STATE_HOME", home, 1);

  auto headless = sandloop::display::CreateHeadlessBackend();
  headless->SetModes({{320, 240, 32}});
  headless->SetDesktopMode({320, 240, 32});
  sandloop::display::SetBackend(headless);
  long warm_kb = 0, end_kb = 0, frames = 0;
  {
    sandloop::TApplication app;
    sandloop::SceneOptions options;
    options.offline = true;  // the ticks come from the thread below
    options.seed = 1;
    for (const char* s : {"NumEagles=7", "flag_fps=1"}) options.overrides.push_back(*sandloop::ParseSettingOverride(s, nullptr));
    sandloop::TForm1* form = app.CreateForm<sandloop::TForm1>(sandloop::SystemClock(), options);
    form->FormCreate();
    if (!form->DDmain1.Enabled()) return 2;

    std::atomic<long> done{0};
    std::thread ticker([&] {
      for (long t = 0; t < ticks; ++t) {
        form->DDtimer1Timer(nullptr);
        done.store(t + 1, std::memory_order_relaxed);
      }
    });
    const long warm_up = ticks / 10;
    bool warm = false;
    while (done.load(std::memory_order_relaxed) < ticks) {
      bool more;
      form->DrawFrame(more);
      ++frames;
      if (!warm && done.load(std::memory_order_relaxed) >= warm_up) {
        warm = true;
        warm_kb = ResidentKb();
      }
    }
    ticker.join();
    end_kb = ResidentKb();
    form->FinishSaver();
  }
  sandloop::display::SetBackend(nullptr);
  std::string cleanup = std::string("rm -rf ") + home;
  if (std::system(cleanup.c_str()) != 0) std::fprintf(stderr, "soak: could not remove %s\n", home);

  const long growth = end_kb - warm_kb;
  std::printf("soak: %ld ticks, %ld frames; resident memory %ld kB after the warm-up, %ld kB at the end (%+ld kB)\n",
              ticks, frames, warm_kb, end_kb, growth);
  if (max_growth_kb > 0 && growth > max_growth_kb) {
    std::printf("soak: resident memory grew by more than %ld kB\n", max_growth_kb);
    return 1;
  }
  return 0;
}
