// The smooth path's layout for a screen of any shape. Every piece keeps its
// place in the 1024 x 768 layout, scaled by one factor, the screen's height
// over 768, in both directions, so that nothing is stretched:
// - A piece that touches an edge of the layout (within its rounding, two
//   pixels) stays against that edge of the screen: the left palm and the
//   stones at the left, the right palm, the plant and the second plane
//   (whose picture is cut off at its right side) at the right, the stones
//   and the plant at the bottom. The middle palm keeps its distance from
//   the screen's middle.
// - The backdrop covers the width. A screen wider than 4:3 shows the
//   right-hand part of the wide backdrop (GROUND_WIDE, 32:9: the layout's
//   backdrop with more sky and sea to its left), so that the headland stays
//   by the pieces at the right edge and the far side grows; a screen wider
//   still shows all of it scaled up to its width and cut at the top, its
//   foot (the horizon) staying where the surf meets it.
// - The surf bands span the width: the water between the pieces that hold
//   an edge is stretched sideways, while the columns that those pieces
//   cover (blacked out in the pictures) keep their scale and stay under
//   them.
// On a screen narrower than 4:3 the scene is cut equally at both sides.
#include <algorithm>
#include <cmath>
#include <vector>

#include "scene/Creatures.h"
#include "scene/Layout.h"

namespace sandloop {

namespace {

constexpr int kDesignW = 1024, kDesignH = 768;  // the scenery's layout
constexpr int kFlightW = 800, kFlightH = 600;   // the surf's and the creatures' layout
constexpr int kEdgeSlack = 2;                   // rows and columns of the layout's rounding

int Round(double v) { return static_cast<int>(std::lround(v)); }

enum class Side { Middle, Start, End };

// Which edge of a span of `whole` the piece [at, at + size) holds.
Side EdgeOf(int at, int size, int whole) {
  if (at == 0) return Side::Start;
  if (at + size >= whole - kEdgeSlack) return Side::End;
  return Side::Middle;
}

// Design columns of the near surf picture that the pieces at the edges
// cover (800 x 600): [0, left) at the left, [right, 800) at the right.
struct SurfCover {
  int left, right;
};

void SetColumns(Placement& p, std::initializer_list<Placement::Columns> spans) {
  p.column_spans = 0;
  for (const Placement::Columns& c : spans)
    if (c.width > 0 && c.end > c.begin) p.columns[static_cast<std::size_t>(p.column_spans++)] = c;
}

int ColumnsWidth(const Placement& p) {
  int w = 0;
  for (int i = 0; i < p.column_spans; ++i) w += p.columns[static_cast<std::size_t>(i)].width;
  return w;
}

}  // namespace

SceneShape ShapeFor(int width, int height, bool exact_pixels) {
  SceneShape s;
  s.width = width;
  s.height = height;
  s.proportional = UsesMasters(width, height, exact_pixels) && width > 0 && height > 0;
  if (s.proportional) {
    s.scale = static_cast<double>(height) / kDesignH;
    s.spare = width - kDesignW * s.scale;
  }
  return s;
}

Layout SceneLayout(const SceneShape& shape) {
  const int width = shape.width, height = shape.height;
  Layout out = LayoutFor(width, height);
  if (!shape.proportional) return out;
  const Layout design = LayoutFor(kDesignW, kDesignH);
  const double s = shape.scale, middle = width / 2.0;
  const double scene_left = shape.spare / 2, scene_right = width - shape.spare / 2;

  for (int i = kSecondPlane; i <= kPlantRight; ++i) {
    const Placement& d = design[static_cast<std::size_t>(i)];
    Placement& p = out[static_cast<std::size_t>(i)];
    p.width = Round(d.width * s);
    p.height = Round(d.height * s);
    switch (EdgeOf(d.x, d.width, kDesignW)) {
      case Side::Start: p.x = std::min(0, Round(scene_left)); break;
      case Side::End: p.x = std::max(width, Round(scene_right)) - p.width; break;
      case Side::Middle: p.x = Round(middle + (d.x - kDesignW / 2) * s); break;
    }
    p.y = EdgeOf(d.y, d.height, kDesignH) == Side::End ? height - p.height : Round(d.y * s);
  }

  // The backdrop: its own height at this scale, as wide as the screen.
  Placement& ground = out[kGround];
  const Placement& g = design[kGround];
  ground.x = 0;
  ground.y = 0;
  ground.width = width;
  ground.height = Round(g.height * s);
  if (shape.spare >= 0) {
    ground.master = kWideGround;
    const double columns_shown = width / s;
    if (columns_shown <= kWideGroundColumns) {
      const double share = columns_shown / kWideGroundColumns;
      ground.part = PicturePart{1 - share, 0, share, 1};
    } else {
      const double keep = kWideGroundColumns * s / width;  // the share of its height that shows
      ground.part = PicturePart{0, 1 - keep, 1, keep};
    }
  } else {
    const double keep = width / (kDesignW * s);
    ground.part = PicturePart{(1 - keep) / 2, 0, keep, 1};
  }

  // The surf, in columns of its 800-wide pictures, f screen pixels each.
  const double f = static_cast<double>(height) / kFlightH;
  const double columns = width / f;  // the screen's width in those columns
  const auto flight = [](int design_x) { return Round(design_x * static_cast<double>(kFlightW) / kDesignW); };
  const Placement& stones = design[kStonesLeft];
  const Placement& plant = design[kPlantRight];
  const Placement& second = design[kSecondPlane];
  // The second plane covers the near surf's top rows from its left side
  // on, the plant its bottom rows: both hold the right edge.
  const SurfCover near{flight(stones.x + stones.width), flight(std::min(plant.x, second.x))};
  Placement& low = out[kLowWater];
  Placement& high = out[kHighWater];
  const int high_width = flight(design[kHighWater].width);  // 518, the far surf picture's width
  if (shape.spare >= 0) {
    const int wide = Round(columns);
    SetColumns(low, {{0, near.left, near.left},
                     {near.left, near.right, wide - near.left - (kFlightW - near.right)},
                     {near.right, kFlightW, kFlightW - near.right}});
    // The far surf's end lies under the second plane: the open sea before
    // it is stretched up to where the second plane now begins.
    const int under = flight(second.x);
    const int before = Round(out[kSecondPlane].x / f);
    SetColumns(high, {{0, under, before}, {under, high_width, high_width - under}});
  } else {
    // The middle columns of the 4:3 scene.
    const int first = Round((kFlightW - columns) / 2), last = first + Round(columns);
    SetColumns(low, {{first, last, last - first}});
    SetColumns(high, {{first, std::min(last, high_width), std::min(last, high_width) - first}});
  }
  low.x = 0;
  low.width = width;
  high.x = 0;
  high.width = Round(ColumnsWidth(high) * f);
  return out;
}

Picture RemapColumns(const Picture& picture, const Placement& p) {
  // Each output column: the source column it stands on and the share of
  // the next one to mix in (0..256). A span taken as it is copies its
  // columns; a widened span mixes neighbours linearly, so that the water
  // and the sand it spreads show soft bands instead of blocks of repeated
  // columns; a narrowed one takes the nearest.
  struct Span {
    int at = 0, width = 0;  // output columns
    int begin = 0;          // first source column, for a copied span
    bool copy = false;
  };
  std::vector<Span> spans;
  std::vector<int> from;
  std::vector<std::uint32_t> share;
  int at = 0;
  for (int i = 0; i < p.column_spans; ++i) {
    const Placement::Columns& c = p.columns[static_cast<std::size_t>(i)];
    const int last = std::min(c.end, picture.Width()) - 1;
    const double step = static_cast<double>(c.end - c.begin) / c.width;
    const bool copy = c.width == c.end - c.begin && last == c.end - 1;
    spans.push_back(Span{at, c.width, c.begin, copy});
    for (int j = 0; j < c.width; ++j) {
      int f = 0;
      std::uint32_t sh = 0;
      if (step >= 1) {
        f = std::clamp(c.begin + static_cast<int>((j + 0.5) * step), 0, last);
      } else {
        const double u = std::max(0.0, c.begin + (j + 0.5) * step - 0.5);
        f = std::clamp(static_cast<int>(u), 0, last);
        sh = f < last ? static_cast<std::uint32_t>((u - std::floor(u)) * 256) : 0;
      }
      from.push_back(f);
      share.push_back(sh);
    }
    at += c.width;
  }
  if (from.empty() || picture.Empty()) return Picture();
  Picture out(at, picture.Height());
  for (int y = 0; y < picture.Height(); ++y) {
    const std::uint32_t* src = picture.Row(y);
    std::uint32_t* dst = out.Row(y);
    for (const Span& span : spans) {
      if (span.copy) {
        std::copy_n(src + span.begin, span.width, dst + span.at);
        continue;
      }
      for (int x = span.at; x < span.at + span.width; ++x) {
        const std::size_t i = static_cast<std::size_t>(x);
        const std::uint32_t a = src[from[i]], b = src[from[i] + (share[i] != 0)];
        // Red and blue in one product, green in another: each channel
        // a * (256 - share) + b * share stays within its own 16 bits.
        const std::uint32_t k = 256 - share[i];
        const std::uint32_t rb = ((a & 0xFF00FF) * k + (b & 0xFF00FF) * share[i] + 0x800080) >> 8;
        const std::uint32_t g = ((a & 0x00FF00) * k + (b & 0x00FF00) * share[i] + 0x008000) >> 8;
        dst[x] = (rb & 0xFF00FF) | (g & 0x00FF00);
      }
    }
  }
  return out;
}

int CreatureX(const SceneShape& shape, float design_x, double lane) {
  const int x = static_cast<int>(design_x);
  if (!shape.proportional) return DesignToScreen(design_x, shape.width, kFlightW);
  const double f = static_cast<double>(shape.height) / kFlightH;
  const double spare = shape.width - kFlightW * f;
  return static_cast<int>(std::floor(spare * (spare > 0 ? lane : 0.5) + x * f));
}

double EagleLane(int i, int count) { return count <= 1 ? 0.5 : static_cast<double>(i) / (count - 1); }

double ButterflyLane(float design_x) { return design_x < kFlightW / 2 ? 0.0 : 1.0; }

}  // namespace sandloop
