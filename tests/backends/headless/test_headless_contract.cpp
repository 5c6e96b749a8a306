// The back-end contract on the headless back end, in every test run.
#include <memory>

#include "tests/backends/contract/BackendContract.h"
#include "kit/ddraw/headless/HeadlessBackend.h"

namespace sandloop::display::contract {
namespace {

INSTANTIATE_TEST_SUITE_P(Headless, BackendContract,
                         ::testing::Values(BackendFactory{.name = "headless",
                                                          .make = [](std::string* why) -> std::shared_ptr<Backend> {
                                                            return CreateHeadlessBackend(why);
                                                          },
                                                          // No system behind it to ask.
                                                          .shown_at = {},
                                                          .saver_running = {},
                                                          .cursor_shown = {},
                                                          .sound_required = false}));

}  // namespace
}  // namespace sandloop::display::contract
