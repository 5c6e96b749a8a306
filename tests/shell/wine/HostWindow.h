#pragma once
// A preview host of the test's own, made with the system's calls in a file
// of its own: the shell's headers declare window types of the same names.
#include <cstdint>
#include <vector>

namespace sandloop::test {

// What the host saw of its client area, rows top to bottom, 0x00RRGGBB.
struct HostPixels {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;
  bool child_covers_client = false;  // a child window lay exactly over the client area
  [[nodiscard]] std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// A visible top-level window with a client area of w x h filled with
// `ground` that, at its timer `after_ms` later (handled by whatever runs
// the thread's messages), copies its client area with the child windows
// in it into `seen` and destroys itself. Returns its handle (0: none).
std::uintptr_t MakeHost(int w, int h, std::uint32_t ground, unsigned after_ms, HostPixels* seen);

}  // namespace sandloop::test
