// libFuzzer harness for the city-name look-up of --sun: the input is the
// name (up to its first zero byte).
#include <cstdio>
#include <cstdlib>

#include "tools/fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string problem =
      sandloop::fuzz::CheckCityLookup(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!problem.empty()) {
    std::fprintf(stderr, "fuzz_city: %s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
