// libFuzzer harness for the settings file parser: strict reading, writing
// back, and salvaging a damaged file.
#include <cstdio>
#include <cstdlib>

#include "tools/fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string problem =
      sandloop::fuzz::CheckSettingsFile(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!problem.empty()) {
    std::fprintf(stderr, "fuzz_settings: %s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
