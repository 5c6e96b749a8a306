// Reads a screenshot and says how much of it is covered: the share of
// pixels that are not pure black (the compositor's empty background).
// With a reference picture (`sandloop --render` at the same size) it also
// compares the bands of the beach that hold still (the scenery above the
// far surf, the stones and the plant below the near surf's water) with it:
// a picture that covers the output but is not the beach fails.
// Usage: covered FILE.png MIN_PERCENT [REFERENCE.png]
//   exit 0 when the share reaches MIN_PERCENT and, with a reference, 85 %
//   of each band's pixels are within 24 of it in every channel. (The surf
//   shows through the stones and the plant at another frame than in the
//   reference: about 93 % of their pixels match; a picture that is not the
//   beach matches a few per cent.)
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "kit/PicturePng.h"

namespace {

int Distance(std::uint32_t a, std::uint32_t b) {
  int d = 0;
  for (int shift = 0; shift < 24; shift += 8)
    d = std::max(d, std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)));
  return d;
}

// The still bands at 1024 x 768, scaled to the picture's size.
bool StillBandsMatch(const sandloop::Picture& shot, const sandloop::Picture& reference) {
  if (shot.Width() != reference.Width() || shot.Height() != reference.Height()) {
    std::printf("the reference is %dx%d, the screenshot %dx%d\n", reference.Width(), reference.Height(), shot.Width(),
                shot.Height());
    return false;
  }
  struct Band {
    const char* name;
    int y0, y1, x0, x1;
  };
  const Band bands[] = {{"scenery", 0, 280, 0, 1024}, {"stones", 660, 768, 0, 390}, {"plant", 660, 768, 640, 1024}};
  const int w = shot.Width(), h = shot.Height();
  bool all = true;
  for (const Band& b : bands) {
    long long close = 0, total = 0;
    for (int y = b.y0 * h / 768; y < b.y1 * h / 768; y += 2)
      for (int x = b.x0 * w / 1024; x < b.x1 * w / 1024; x += 2) {
        ++total;
        close += Distance(shot.Pixel(x, y), reference.Pixel(x, y)) <= 24;
      }
    const double share = total == 0 ? 0.0 : 100.0 * static_cast<double>(close) / static_cast<double>(total);
    std::printf("%s: %.1f%% as rendered\n", b.name, share);
    all = all && share >= 85.0;
  }
  return all;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: covered FILE.png MIN_PERCENT [REFERENCE.png]\n");
    return 2;
  }
  try {
    const sandloop::Picture p = sandloop::ReadPngFile(argv[1]);
    long long lit = 0;
    for (int y = 0; y < p.Height(); ++y)
      for (int x = 0; x < p.Width(); ++x) lit += p.Pixel(x, y) != 0;
    const double percent = p.Empty() ? 0.0 : 100.0 * static_cast<double>(lit) / (static_cast<double>(p.Width()) * p.Height());
    std::printf("%dx%d, %.1f%% covered\n", p.Width(), p.Height(), percent);
    if (percent < std::atof(argv[2])) return 1;
    if (argc == 4 && !StillBandsMatch(p, sandloop::ReadPngFile(argv[3]))) return 1;
    return 0;
  } catch (const sandloop::PictureError& e) {
    std::printf("%s\n", e.what());
    return 1;
  }
}
