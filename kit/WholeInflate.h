#pragma once
// A whole zlib stream inflated in one call into memory the caller gives,
// through the fastest inflater the platform has. Reading a stream in one
// go lets the inflater run its fast loop over everything; the master
// reader falls back to zlib's own streaming, which names where a damaged
// stream breaks, whenever this does not succeed.
#include <cstddef>
#include <cstdint>
#include <span>

namespace sandloop {

struct Inflated {
  bool ok = false;            // the stream ended, its check matched, and it fitted
  std::size_t written = 0;    // bytes of `out` the stream filled
  std::size_t consumed = 0;   // bytes of `in` up to the stream's end
};

// Inflates the zlib stream at the start of `in` into `out`. Not ok when the
// stream is broken, cut short or holds more than `out` has room for.
[[nodiscard]] Inflated InflateWhole(std::span<const std::uint8_t> in, std::span<std::uint8_t> out);

}  // namespace sandloop
