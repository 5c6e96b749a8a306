#pragma once
// The parts of the screen that differ between two frames, as a short list
// of rectangles inside the screen. Rectangles that overlap or touch are
// merged into their bounding box; a list that would grow past its capacity
// becomes the whole screen. Fixed storage: building a list allocates
// nothing, so the frame can use it every time.
#include <array>

#include "kit/ddraw/ddraw.h"

namespace sandloop {

class DamageList {
 public:
  static constexpr int kCapacity = 24;

  void Reset(int width, int height);
  // Adds `r` cut to the screen; an empty rectangle adds nothing.
  void Add(RECT r);
  void Add(const DamageList& other);
  void AddAll();

  [[nodiscard]] bool All() const { return all_; }
  [[nodiscard]] bool Empty() const { return !all_ && count_ == 0; }
  [[nodiscard]] int Count() const { return count_; }
  [[nodiscard]] const RECT* Rects() const { return rects_.data(); }
  // Pixels covered (counting overlaps of different rectangles twice).
  [[nodiscard]] long long Area() const;

 private:
  std::array<RECT, kCapacity> rects_{};
  int count_ = 0;
  bool all_ = false;
  int width_ = 0, height_ = 0;
};

[[nodiscard]] inline bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// `a` less `b`: the parts of a above, below, left and right of b (the last
// two between b's top and bottom), none of them empty, written to `out`;
// their number is returned. Nothing of a left: 0; a apart from b: a itself
// (unless a is empty).
int SubtractRect(const RECT& a, const RECT& b, RECT out[4]);

// `a` less both `b` and `c`: at most 16 parts, written to `out`; their
// number is returned.
int SubtractRects(const RECT& a, const RECT& b, const RECT& c, RECT out[16]);

}  // namespace sandloop
