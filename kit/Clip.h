#pragma once
// The screen clipping of sprite and strip blits into the back buffer, one
// routine for both. Columns and rows are decided by six rules each, first
// match wins; they keep every blit off the screen's last column and last
// row. Where the rules would leave a negative destination (a picture that
// starts left of or above the screen and also overhangs the far edge), the
// part before the screen edge is cut off as well, so that what remains
// always lies inside the screen.
#include <cstdint>

#include "kit/ddraw/ddraw.h"

namespace sandloop {

struct ClippedBlit {
  bool draw = false;  // false: nothing of the picture is drawn
  int dst_x = 0;
  int dst_y = 0;
  RECT src;  // the part of the source to copy, right and bottom exclusive
};

namespace clip_detail {

struct Span {
  bool draw = false;
  std::int64_t first = 0, last = 0;  // source range, `last` exclusive
  std::int64_t dst = 0;
};

// One axis. `pos` is the screen position, [first, last) the source range,
// `far` the end tested against the screen (the source right edge for
// columns, the band height for rows), `size` the screen size and `base` the
// origin of the cut ranges (0 for columns, the band top for rows).
inline Span Axis(std::int64_t pos, std::int64_t first, std::int64_t last, std::int64_t far, std::int64_t size,
                 std::int64_t base) {
  Span s;
  if (pos > 0 && pos + far < size) {
    s = {true, first, last, pos};
  } else if (pos > size - 2) {
    return s;
  } else if (pos + far > size - 1) {
    s = {true, first, base + size - 1 - pos, pos};
    if (pos < 0) {  // overhangs both edges: cut the near side too
      s.first = base - pos;
      s.dst = 0;
    }
  } else if (pos + far < 2) {
    return s;
  } else if (pos <= 0) {
    s = {true, base - pos, last, 0};
  } else {
    s = {true, first, last, pos};
  }
  if (s.last <= s.first) s.draw = false;
  return s;
}

}  // namespace clip_detail

// Clips the source rectangle `src` drawn with its top-left corner at (x, y)
// against a screen of `width` x `height` pixels.
inline ClippedBlit ClipToScreen(int width, int height, int x, int y, const RECT& src) {
  using clip_detail::Axis;
  ClippedBlit out;
  // Columns: the tests add x to the source right edge, and cut ranges are
  // counted from source column 0 (sprites and strips always start there).
  const auto cols = Axis(x, src.left, src.right, src.right, width, 0);
  // Rows: the tests use the band height, and cut ranges count from its top.
  const auto rows = Axis(y, src.top, src.bottom, static_cast<std::int64_t>(src.bottom) - src.top, height, src.top);
  if (!cols.draw || !rows.draw) return out;
  out.draw = true;
  out.dst_x = static_cast<int>(cols.dst);
  out.dst_y = static_cast<int>(rows.dst);
  out.src = RECT{static_cast<std::int32_t>(cols.first), static_cast<std::int32_t>(rows.first),
                 static_cast<std::int32_t>(cols.last), static_cast<std::int32_t>(rows.last)};
  return out;
}

}  // namespace sandloop
