#include "scene/Layout.h"

#include <span>

namespace sandloop {

namespace {

// One size or position: base × k / den, where base is the display's width,
// its height or 1, and k may take another value at a few display widths.
struct Rule {
  enum Base { Zero, One, Width, Height } base = Zero;
  int k = 0;
  int den = 1;
  struct Exception {
    int width = 0;  // 0: unused
    int k = 0;
  };
  std::array<Exception, 3> at{};
};

constexpr Rule Fixed(int v) { return Rule{Rule::One, v, 1, {}}; }
constexpr Rule W(int k, int den) { return Rule{Rule::Width, k, den, {}}; }
constexpr Rule H(int k, int den) { return Rule{Rule::Height, k, den, {}}; }
constexpr Rule Zero() { return Rule{}; }

struct Entry {
  const char* resource;
  const char* master;  // its masters are master + "_X1_4", "_X2", "_X3" and "_X4"
  bool jpeg;
  int frame_height;
  bool transparent;
  Rule width, height, x, y;
};

// Widths 800, 1152 and 1280 take slightly different rows and columns; any
// other width takes the plain k.
const std::array<Entry, kPieceCount> kTable = {{
    {"GROUND", "GROUND", true, 0, false, W(1, 1), H(500, 768), Zero(), Zero()},
    {"LOWWATER", nullptr, true, 160, false, W(1, 1), H(160, 600), Zero(),
     Rule{Rule::Height, 440, 600, {{{800, 437}, {1152, 438}, {1280, 439}}}}},
    {"HIGHTWATER", nullptr, true, 56, false, W(518, 800), H(56, 600), Zero(),
     Rule{Rule::Height, 385, 600, {{{800, 384}, {1280, 384}, {}}}}},
    {"SECONDPLANE", "SECONDPLANE", false, 0, true, W(520, 1024), H(283, 768), Rule{Rule::Width, 503, 1024, {{{800, 504}, {}, {}}}},
     H(297, 768)},
    {"PALMLEFT", "PALMLEFT", false, 0, true, W(303, 1024), H(428, 768), Zero(), Zero()},
    {"PALMMIDLE", "PALMMIDLE", false, 0, true, W(384, 1024), H(158, 768), W(302, 1024), Zero()},
    {"PALMRIGHT", "PALMRIGHT", false, 0, true, W(339, 1024), H(392, 768), W(685, 1024), Zero()},
    {"STOUNLEFT", "STOUNLEFT", false, 0, true, W(397, 1024), H(187, 768), Zero(),
     Rule{Rule::Height, 579, 768, {{{800, 577}, {1152, 577}, {}}}}},
    {"PAPRIGHT", "PAPRIGHT", false, 0, true, W(387, 1024), H(263, 768),
     Rule{Rule::Width, 636, 1024, {{{800, 637}, {1152, 637}, {1280, 637}}}},
     Rule{Rule::Height, 504, 768, {{{800, 503}, {1152, 503}, {}}}}},
    {"EAGLES", nullptr, false, 23, true, Fixed(24), Fixed(12), Zero(), Zero()},
    {"BUTTERFLY1", nullptr, false, 30, true, Fixed(15), Fixed(15), Zero(), Zero()},
    {"BUTTERFLY2", nullptr, false, 30, true, Fixed(15), Fixed(15), Zero(), Zero()},
    {"BUTTERFLY3", nullptr, false, 30, true, Fixed(15), Fixed(15), Zero(), Zero()},
}};

int Apply(const Rule& r, int width, int height) {
  int k = r.k;
  for (const Rule::Exception& e : r.at) {
    if (e.width != 0 && e.width == width) k = e.k;
  }
  switch (r.base) {
    case Rule::Zero: return 0;
    case Rule::One: return k;
    case Rule::Width: return width * k / r.den;
    case Rule::Height: return height * k / r.den;
  }
  return 0;
}

}  // namespace

Layout LayoutFor(int width, int height) {
  Layout out{};
  for (int i = 0; i < kPieceCount; ++i) {
    const Entry& e = kTable[static_cast<std::size_t>(i)];
    Placement& p = out[static_cast<std::size_t>(i)];
    p.resource = e.resource;
    p.master = e.master;
    p.jpeg = e.jpeg;
    p.frame_height = e.frame_height;
    p.transparent = e.transparent;
    p.width = Apply(e.width, width, height);
    p.height = Apply(e.height, width, height);
    p.x = Apply(e.x, width, height);
    p.y = Apply(e.y, width, height);
  }
  return out;
}

namespace {

// A picture's masters, smallest first, with their pixels per design pixel.
struct Tier {
  const char* suffix;
  double scale;
};
// The wide backdrop's are 3841, 5121 and 7681 pixels wide; the 4:3
// backdrop's smaller one is 1920 pixels wide where the layout's is 1024.
constexpr Tier kWideTiers[] = {{"_X1_4", kScreen1080}, {"_X2", 1.875}, {"_X3", kScreen2160}};
constexpr Tier kGroundTiers[] = {{"_X2", 15.0 / 8}, {"_X4", 3.75}};
constexpr Tier kSceneryTiers[] = {{"_X1_4", kScreen1080}, {"_X2", 2}, {"_X3", kScreen2160}, {"_X4", 4}};

}  // namespace

std::string MasterFor(int index, const Placement& p) {
  // A piece that shows only part of its picture needs the whole picture at
  // the piece's scale.
  const double width = p.width / p.part.w, height = p.height / p.part.h;
  const bool wide = index == kGround && p.master != nullptr && std::string(p.master) == kWideGround;
  const Placement design = LayoutFor(1024, 768)[static_cast<std::size_t>(index)];
  // The wide backdrop is measured by its columns alone: a screen wider
  // than 32:9 cuts its height.
  auto fits = [&](const Tier& t) {
    if (wide) return width <= kWideGroundColumns * t.scale + 0.5;
    return width <= design.width * t.scale + 0.5 && height <= design.height * t.scale + 0.5;
  };
  const std::span<const Tier> tiers = wide ? std::span<const Tier>(kWideTiers)
                                      : index == kGround ? std::span<const Tier>(kGroundTiers)
                                                         : std::span<const Tier>(kSceneryTiers);
  // The smallest that is large enough, else the largest.
  const Tier* chosen = &tiers.back();
  for (const Tier& t : tiers)
    if (fits(t)) {
      chosen = &t;
      break;
    }
  return std::string(p.master) + chosen->suffix;
}

bool UsesMasters(int width, int height, bool exact_pixels) {
  return !exact_pixels && (width > kLargestDesignWidth || height > kLargestDesignHeight);
}

}  // namespace sandloop
