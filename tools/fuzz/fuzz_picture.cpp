// libFuzzer harness for the picture readers (BMP including RLE8, and JPEG).
// Every input must end as a picture or a PictureError; the sanitizers
// catch anything else.
#include <cstdio>
#include <cstdlib>

#include "tools/fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string problem = sandloop::fuzz::CheckPicture(std::span<const std::uint8_t>(data, size));
  if (!problem.empty()) {
    std::fprintf(stderr, "fuzz_picture: %s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
