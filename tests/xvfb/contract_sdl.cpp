// The back-end contract on the SDL back end, on the X server that
// contract.sh starts.
#include <memory>
#include <string>

#include "../kit/contract/BackendContract.h"
#include "kit/ddraw/sdl/SdlBackend.h"

namespace sandloop::display::contract {
namespace {

INSTANTIATE_TEST_SUITE_P(Sdl, BackendContract,
                         ::testing::Values(BackendFactory{"sdl", [](std::string* why) { return CreateSdlBackend(why); }}));

}  // namespace
}  // namespace sandloop::display::contract
