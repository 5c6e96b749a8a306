// libFuzzer harness for the command line: the input is an argument vector
// (arguments separated by zero bytes) handed to everything that reads the
// arguments without a display (see CheckCommandLine).
#include <cstdio>
#include <cstdlib>

#include "tools/fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string problem = sandloop::fuzz::CheckCommandLine(
      sandloop::fuzz::SplitArguments(std::string_view(reinterpret_cast<const char*>(data), size)));
  if (!problem.empty()) {
    std::fprintf(stderr, "fuzz_cmdline: %s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
