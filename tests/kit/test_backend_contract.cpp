// The back-end contract on the headless back end, in every test run.
#include <memory>

#include "contract/BackendContract.h"
#include "kit/ddraw/headless/HeadlessBackend.h"

namespace sandloop::display::contract {
namespace {

INSTANTIATE_TEST_SUITE_P(Headless, BackendContract,
                         ::testing::Values(BackendFactory{"headless", [](std::string*) -> std::shared_ptr<Backend> {
                                                            return std::make_shared<HeadlessBackend>();
                                                          }}));

}  // namespace
}  // namespace sandloop::display::contract
