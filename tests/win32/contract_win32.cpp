// The back-end contract on the Windows back end (under Wine in the test run).
#include <memory>
#include <string>

#include "../kit/contract/BackendContract.h"
#include "kit/ddraw/win32/Win32Backend.h"

namespace sandloop::display::contract {
namespace {

INSTANTIATE_TEST_SUITE_P(Win32, BackendContract,
                         ::testing::Values(BackendFactory{"win32", [](std::string* why) { return CreateWin32Backend(why); }}));

}  // namespace
}  // namespace sandloop::display::contract
