#include "scene/Damage.h"

#include <algorithm>

namespace sandloop {

namespace {

bool Touch(const RECT& a, const RECT& b) {
  return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

RECT Union(const RECT& a, const RECT& b) {
  return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
              std::max(a.bottom, b.bottom)};
}

}  // namespace

void DamageList::Reset(int width, int height) {
  width_ = width;
  height_ = height;
  count_ = 0;
  all_ = false;
}

void DamageList::AddAll() {
  all_ = true;
  count_ = 1;
  rects_[0] = RECT{0, 0, width_, height_};
}

void DamageList::Add(RECT r) {
  if (all_) return;
  r = RECT{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, width_), std::min(r.bottom, height_)};
  if (r.left >= r.right || r.top >= r.bottom) return;
  // Grow r over every rectangle it meets, until it meets none.
  for (bool merged = true; merged;) {
    merged = false;
    for (int i = 0; i < count_; ++i) {
      if (!Touch(r, rects_[static_cast<std::size_t>(i)])) continue;
      r = Union(r, rects_[static_cast<std::size_t>(i)]);
      rects_[static_cast<std::size_t>(i)] = rects_[static_cast<std::size_t>(--count_)];
      merged = true;
      break;
    }
  }
  if (count_ == kCapacity) return AddAll();
  rects_[static_cast<std::size_t>(count_++)] = r;
}

void DamageList::Add(const DamageList& other) {
  if (other.all_) return AddAll();
  for (int i = 0; i < other.count_; ++i) Add(other.rects_[static_cast<std::size_t>(i)]);
}

long long DamageList::Area() const {
  long long area = 0;
  for (int i = 0; i < count_; ++i) {
    const RECT& r = rects_[static_cast<std::size_t>(i)];
    area += static_cast<long long>(r.right - r.left) * (r.bottom - r.top);
  }
  return area;
}

int SubtractRect(const RECT& a, const RECT& b, RECT out[4]) {
  if (a.left >= a.right || a.top >= a.bottom) return 0;
  const auto l = std::max(a.left, b.left), t = std::max(a.top, b.top);
  const auto r = std::min(a.right, b.right), bottom = std::min(a.bottom, b.bottom);
  if (l >= r || t >= bottom) {
    out[0] = a;
    return 1;
  }
  int n = 0;
  if (a.top < t) out[n++] = RECT{a.left, a.top, a.right, t};
  if (bottom < a.bottom) out[n++] = RECT{a.left, bottom, a.right, a.bottom};
  if (a.left < l) out[n++] = RECT{a.left, t, l, bottom};
  if (r < a.right) out[n++] = RECT{r, t, a.right, bottom};
  return n;
}

int SubtractRects(const RECT& a, const RECT& b, const RECT& c, RECT out[16]) {
  RECT first[4];
  int n = 0;
  for (int i = 0, m = SubtractRect(a, b, first); i < m; ++i) n += SubtractRect(first[i], c, out + n);
  return n;
}

}  // namespace sandloop
