#pragma once
// What every display back end promises through the seam, as one suite of
// tests that each back end runs: the headless one in the ordinary test
// program, SDL under Xvfb, the Windows one under Wine. A runner names its
// back end with INSTANTIATE_TEST_SUITE_P(Name, BackendContract,
// ::testing::Values(BackendFactory{"name", make})).
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "kit/ddraw/backend.h"

namespace sandloop::display::contract {

struct BackendFactory {
  const char* name;
  // A fresh back end, or null (with the reason) where it cannot run here.
  std::function<std::shared_ptr<Backend>(std::string* why)> make;
  // The system's own view, asked past the back end; a runner that cannot
  // ask leaves them empty and the cases check what the back end reports.
  // The colour (0xRRGGBB) the full-screen window shows at (x, y).
  std::function<std::uint32_t(WindowId window, int x, int y)> shown_at;
  // The system's flag that a screen saver runs.
  std::function<bool()> saver_running;
  // Whether the system shows the mouse cursor.
  std::function<bool()> cursor_shown;
  // The runner gives the back end an audio device (SDL's dummy driver):
  // the surf must play.
  bool sound_required = false;
};
inline std::ostream& operator<<(std::ostream& os, const BackendFactory& f) { return os << f.name; }

class BackendContract : public ::testing::TestWithParam<BackendFactory> {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::shared_ptr<Backend> backend;
};

// A runner where everything its cases need is set up (SANDLOOP_REQUIRE_ALL,
// set by tools/run-tests.sh and tools/run-windows-tests.sh) calls this
// before its tests run: a skipped case there is a back end that would not
// open or a monitor that was not seen, and the run fails instead of
// counting the skip as a pass (GoogleTest exits 0 on skips).
void FailSkipsWhereEveryCaseMustRun();

}  // namespace sandloop::display::contract
