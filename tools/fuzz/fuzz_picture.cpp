// libFuzzer harness for the picture readers (BMP and JPEG). Every input
// must end as a picture or a PictureError; the sanitizers catch anything
// else. Built by hand with clang (see README.md), not by the project build.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "kit/Picture.h"

// The readers need nothing of the embedded resources; this stands in for
// the resource table so that the harness links without the asset build.
namespace sandloop::assets {
std::optional<std::span<const std::uint8_t>> FindResource(std::string_view) { return std::nullopt; }
}  // namespace sandloop::assets

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const sandloop::Picture p = sandloop::Picture::FromFile(std::span<const std::uint8_t>(data, size), "fuzz");
    volatile std::uint32_t sink = p.Empty() ? 0 : p.Pixel(p.Width() - 1, p.Height() - 1);
    (void)sink;
  } catch (const sandloop::PictureError&) {
  }
  return 0;
}
