#pragma once
// The eagles and butterflies of the beach. Each creature follows a closed
// uniform cubic B-spline through a fixed list of control points in a
// design space of 800 x 600 (origin top left, y down), one segment after
// the other at a fixed number of ticks per segment. Eagles also pick a
// heading picture from their direction of flight and alternate gliding
// with short bouts of wing beats at random intervals.
//
// Plain records and functions: the scene form owns the records, the timer
// thread steps them and the main thread draws them. The values the frame
// reads (position and picture numbers) are relaxed atomics, so a frame may
// mix old and new values of one creature but never sees a torn one; the
// rest is touched by the tick alone. All path arithmetic is 32-bit float,
// in the order written, so that every machine computes the same positions.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace sandloop {

// Pseudo-random values 0..32767, passed in so that tests can script them
// and --render --seed can fix them.
class RandomSource {
 public:
  virtual ~RandomSource() = default;
  virtual int Next() = 0;
  // A value 0..n-1 (n > 0): Next() modulo n.
  int Random(int n) { return Next() % n; }
};

// A deterministic 15-bit generator of our own (a 32-bit linear
// congruential state, bits 16..30 returned), so that the same seed gives
// the same pictures everywhere.
class SeededRandom final : public RandomSource {
 public:
  explicit SeededRandom(std::uint32_t seed = 1) : state_(seed) {}
  void Seed(std::uint32_t seed) { state_ = seed; }
  int Next() override {
    state_ = state_ * 214013u + 2531011u;
    return static_cast<int>((state_ >> 16) & 0x7FFFu);
  }

 private:
  std::uint32_t state_;
};

// Returns the given values in turn, then starts again from the first.
class ScriptedRandom final : public RandomSource {
 public:
  explicit ScriptedRandom(std::vector<int> values) : values_(std::move(values)) {}
  int Next() override {
    ++calls_;
    if (values_.empty()) return 0;
    const int v = values_[next_];
    next_ = (next_ + 1) % values_.size();
    return v;
  }
  // How many values have been asked for.
  [[nodiscard]] int Calls() const { return calls_; }

 private:
  std::vector<int> values_;
  std::size_t next_ = 0;
  int calls_ = 0;
};

struct TPathPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

constexpr int kMaxPathPoints = 256;
constexpr int kEaglePointCount = 51;
constexpr int kEagleStepsPerSegment = 50;
constexpr int kButterflyPointCount = 74;
constexpr int kButterflyStepsPerSegment = 30;
// The starting table holds seven eagles; the form has room for ten.
constexpr int kMaxEagles = 7;
constexpr int kButterflyCount = 3;

struct TEagle {
  TPathPoint Points[kMaxPathPoints];
  std::int32_t PointCount = 0;
  std::int32_t Segment = 0;
  std::int32_t StepsPerSegment = 0;
  std::int32_t Step = 0;
  float CoefX[4] = {};
  float CoefY[4] = {};
  std::atomic<float> PosX{0.0f};
  std::atomic<float> PosY{0.0f};
  float PrevX = 0.0f;
  float PrevY = 0.0f;
  std::atomic<std::int32_t> Heading{0};  // 0..23
  std::atomic<std::uint8_t> Side{0};     // 0 or 1
  bool Flapping = false;
  std::int32_t Pause = 0;
  std::int32_t PauseCount = 0;
  std::int32_t FlapStep = 0;
  std::atomic<std::int32_t> WingRow{0};  // 0, 1 or 2
};

struct TButterfly {
  TPathPoint Points[kMaxPathPoints];
  std::int32_t PointCount = 0;
  std::int32_t Segment = 0;
  std::int32_t StepsPerSegment = 0;
  std::int32_t Step = 0;
  float CoefX[4] = {};
  float CoefY[4] = {};
  std::atomic<float> PosX{0.0f};
  std::atomic<float> PosY{0.0f};
  float PrevX = 0.0f;
  float PrevY = 0.0f;
};

using EagleArray = std::array<std::unique_ptr<TEagle>, 10>;
using ButterflyArray = std::array<std::unique_ptr<TButterfly>, 10>;

// Creates min(max(numEagles, 0), 7) eagles in eagles[0..] (the other
// entries are emptied) and returns that number, which the form keeps as
// the count it steps and draws. Throws std::bad_alloc when out of memory.
int InitEagles(EagleArray& eagles, int numEagles, RandomSource& random);
// Creates the three butterflies; sets numButterflies to 3 and wingCounter
// to 0. Throws std::bad_alloc when out of memory.
void InitButterflies(ButterflyArray& butterflies, int& numButterflies, int& wingCounter);
// The same for a form whose wing phase is shared with the frame's thread.
void InitButterflies(ButterflyArray& butterflies, int& numButterflies, std::atomic<int>& wingCounter);

// The spline coefficients of segment `index` of the record's path.
void SetSegment(TEagle& eagle, int index);
void SetSegment(TButterfly& butterfly, int index);

// One tick of one creature.
void StepEagle(TEagle& eagle, RandomSource& random);
void StepButterfly(TButterfly& butterfly);

// The butterflies' shared wing phase after one tick: 0..15, then 0.
[[nodiscard]] constexpr int NextWingCounter(int wingCounter) { return wingCounter + 1 > 15 ? 0 : wingCounter + 1; }

// --- what the frame reads (any thread) -----------------------------------

[[nodiscard]] inline float DesignX(const TEagle& e) { return e.PosX.load(std::memory_order_relaxed); }
[[nodiscard]] inline float DesignY(const TEagle& e) { return e.PosY.load(std::memory_order_relaxed); }
[[nodiscard]] inline float DesignX(const TButterfly& b) { return b.PosX.load(std::memory_order_relaxed); }
[[nodiscard]] inline float DesignY(const TButterfly& b) { return b.PosY.load(std::memory_order_relaxed); }

// Picture of the eagle strip, 0..143: heading, side set, wing row.
[[nodiscard]] inline int EaglePicture(const TEagle& e) {
  return e.Heading.load(std::memory_order_relaxed) + 24 * e.Side.load(std::memory_order_relaxed) +
         48 * e.WingRow.load(std::memory_order_relaxed);
}

// Picture of butterfly strip k (0..2) for the shared wing phase: frames
// 0..14 are the wing-beat cycle; frame 15 is never shown.
[[nodiscard]] constexpr int ButterflyPicture(int wingCounter, int k) { return (wingCounter + k) % 15; }

// A design coordinate on a screen `screen` pixels across for a design
// extent of `design` (800 wide, 600 high): cut toward zero, then
// screen * value / design with integer division.
[[nodiscard]] inline int DesignToScreen(float value, int screen, int design) {
  return screen * static_cast<int>(value) / design;
}

}  // namespace sandloop
