#pragma once
// The command-line look-ups of places and sun times:
//   sandloop --sun "CITY NAME" [--dst] [--date YYYY-MM-DD]
//   sandloop --cities
// --sun prints the place's coordinates and offset and the apparent sunrise
// and sunset of the date (today by `clock` unless --date is given) as the
// configuration dialog shows them, --dst adding the daylight-saving hour.
// --cities lists the table: index, name, latitude, longitude, offset,
// separated by tabs.
#include <ostream>
#include <string>
#include <vector>

#include "kit/LocalClock.h"

namespace sandloop {

// `args` are the arguments after the program name. Returns the exit code:
// 0 on success, 2 for an unknown city or bad usage (with a message on
// `err`), 1 when the built-in table cannot be read.
int RunSunCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                  const LocalClock& clock);

}  // namespace sandloop
