#pragma once
// "sandloop --render FILE.png [options]": builds the scene as run mode does
// on the memory-only display, advances it tick by tick without a timer,
// and writes what the display would show (gamma applied) as PNG pictures.
// Needs no display, writes neither the settings store nor the log.
#include <ostream>
#include <string>
#include <vector>

namespace sandloop {

// `args` starts with "--render". Returns the exit code: 0, 1 when the scene
// could not be built, 2 for bad arguments or a file that cannot be written.
int RunRender(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace sandloop
