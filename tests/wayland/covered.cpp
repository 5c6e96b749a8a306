// Reads a screenshot and says how much of it is covered: the share of
// pixels that are not pure black (the compositor's empty background).
// Usage: covered FILE.png MIN_PERCENT   exit 0 when the share reaches it.
#include <cstdio>
#include <cstdlib>

#include "kit/PicturePng.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: covered FILE.png MIN_PERCENT\n");
    return 2;
  }
  try {
    const sandloop::Picture p = sandloop::ReadPngFile(argv[1]);
    long long lit = 0;
    for (int y = 0; y < p.Height(); ++y)
      for (int x = 0; x < p.Width(); ++x) lit += p.Pixel(x, y) != 0;
    const double percent = p.Empty() ? 0.0 : 100.0 * static_cast<double>(lit) / (static_cast<double>(p.Width()) * p.Height());
    std::printf("%dx%d, %.1f%% covered\n", p.Width(), p.Height(), percent);
    return percent >= std::atof(argv[2]) ? 0 : 1;
  } catch (const sandloop::PictureError& e) {
    std::printf("%s\n", e.what());
    return 1;
  }
}
