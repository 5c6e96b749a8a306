#include "scene/Creatures.h"

#include <cmath>

namespace sandloop {

namespace {

constexpr TPathPoint kEaglePath[kEaglePointCount] = {
    {66, 73},   {209, 39},  {222, 106}, {111, 123}, {156, 66},  {295, 120}, {177, 151}, {208, 65},  {305, 38},
    {401, 95},  {333, 136}, {307, 88},  {464, 46},  {543, 96},  {436, 144}, {397, 58},  {538, 43},  {601, 68},
    {558, 119}, {553, 149}, {639, 136}, {719, 106}, {763, 69},  {690, 62},  {622, 84},  {585, 119}, {535, 147},
    {465, 183}, {388, 142}, {446, 115}, {521, 168}, {396, 173}, {320, 112}, {262, 144}, {328, 174}, {383, 125},
    {282, 99},  {235, 131}, {280, 164}, {350, 123}, {285, 76},  {227, 87},  {174, 125}, {145, 169}, {213, 171},
    {166, 110}, {93, 153},  {29, 108},  {110, 71},  {88, 25},   {18, 42}};

// Leaves the screen at both sides and at the bottom.
constexpr TPathPoint kButterflyPath[kButterflyPointCount] = {
    {3, 365},    {82, 454},   {48, 486},   {3, 407},    {4, 459},    {37, 439},   {93, 482},   {149, 441},
    {160, 420},  {78, 409},   {12, 497},   {49, 544},   {120, 528},  {106, 502},  {50, 518},   {87, 540},
    {86, 519},   {125, 499},  {142, 474},  {85, 450},   {3, 557},    {2, 435},    {53, 412},   {90, 388},
    {81, 435},   {99, 419},   {17, 406},   {-156, 355}, {-65, 653},  {259, 654},  {573, 654},  {735, 653},
    {835, 651},  {800, 518},  {768, 449},  {694, 430},  {677, 506},  {721, 535},  {731, 476},  {694, 486},
    {695, 521},  {673, 553},  {640, 546},  {576, 539},  {721, 511},  {727, 495},  {665, 455},  {765, 571},
    {700, 592},  {598, 504},  {668, 420},  {696, 465},  {777, 497},  {770, 469},  {739, 490},  {708, 558},
    {641, 469},  {753, 536},  {805, 541},  {855, 655},  {855, 654},  {621, 655},  {389, 653},  {173, 653},
    {-77, 656},  {-109, 655}, {-165, 340}, {-146, 320}, {16, 385},   {102, 399},  {154, 390},  {121, 383},
    {64, 425},   {1, 386}};

constexpr int kEagleStart[kMaxEagles] = {1, 28, 44, 12, 32, 21, 12};
// Three further entries (21, 40, 56) belong to the table but are not used.
constexpr int kButterflyStart[6] = {20, 28, 60, 21, 40, 56};

// Heading h is the first whose bound the cosine is below; at or above the
// last bound the heading is 23. The bounds are doubles: the float cosine
// is compared after widening, so -0.5, 0 and 0.5 are exact.
constexpr double kHeadingBound[23] = {-0.95, -0.9, -0.8, -0.7, -0.6, -0.5, -0.4, -0.3, -0.2, -0.1, -0.05, 0.0,
                                      0.05,  0.1,  0.2,  0.3,  0.4,  0.5,  0.6,  0.7,  0.8,  0.9,  0.95};

// Wing row for each tick of a bout, FlapStep 0..19.
constexpr std::int32_t kWingRow[20] = {0, 1, 1, 1, 1, 1, 2, 2, 2, 2, 1, 1, 1, 1, 0, 0, 1, 1, 0, 0};

// Coefficients of one coordinate of the uniform cubic B-spline through
// four points, each formula in float and in the order written.
void Coefficients(float p0, float p1, float p2, float p3, float (&a)[4]) {
  a[3] = ((p1 - p2) * 3.0f - p0 + p3) / 6.0f;
  a[2] = (p0 - 2.0f * p1 + p2) * 0.5f;
  a[1] = (p2 - p0) * 0.5f;
  a[0] = (p0 + 4.0f * p1 + p2) / 6.0f;
}

template <class Record>
void SetSegmentOf(Record& r, int i) {
  const int n = r.PointCount;
  const TPathPoint& q0 = r.Points[i == 0 ? n - 1 : i - 1];
  const TPathPoint& q1 = r.Points[i];
  const TPathPoint& q2 = r.Points[(i + 1) % n];
  const TPathPoint& q3 = r.Points[(i + 2) % n];
  Coefficients(static_cast<float>(q0.x), static_cast<float>(q1.x), static_cast<float>(q2.x),
               static_cast<float>(q3.x), r.CoefX);
  Coefficients(static_cast<float>(q0.y), static_cast<float>(q1.y), static_cast<float>(q2.y),
               static_cast<float>(q3.y), r.CoefY);
}

inline float Horner(const float (&a)[4], float t) { return ((a[3] * t + a[2]) * t + a[1]) * t + a[0]; }

// The part both creatures share: the next tick along the path. Returns the
// new position, which is also published.
template <class Record>
void AdvancePath(Record& r, float& x, float& y) {
  ++r.Step;
  if (r.Step > r.StepsPerSegment) {
    ++r.Segment;
    if (r.Segment >= r.PointCount) r.Segment = 0;
    SetSegment(r, r.Segment);
    r.Step = 1;
  }
  const float t = static_cast<float>(r.Step) / static_cast<float>(r.StepsPerSegment);
  x = Horner(r.CoefX, t);
  y = Horner(r.CoefY, t);
  r.PosX.store(x, std::memory_order_relaxed);
  r.PosY.store(y, std::memory_order_relaxed);
}

inline void FlipSide(TEagle& e) {
  e.Side.store(static_cast<std::uint8_t>(e.Side.load(std::memory_order_relaxed) ^ 1u), std::memory_order_relaxed);
}

}  // namespace

int InitEagles(EagleArray& eagles, int numEagles, RandomSource& random) {
  const int count = numEagles < 0 ? 0 : numEagles > kMaxEagles ? kMaxEagles : numEagles;
  for (auto& e : eagles) e.reset();
  for (int i = 0; i < count; ++i) {
    auto e = std::make_unique<TEagle>();
    e->Pause = random.Random(300) + 50;
    e->PointCount = kEaglePointCount;
    for (int p = 0; p < kEaglePointCount; ++p) e->Points[p] = kEaglePath[p];
    e->Segment = kEagleStart[i];
    e->StepsPerSegment = kEagleStepsPerSegment;
    if (random.Random(100) > 50) e->Side.store(1, std::memory_order_relaxed);
    SetSegment(*e, e->Segment);
    eagles[i] = std::move(e);
  }
  return count;
}

void InitButterflies(ButterflyArray& butterflies, int& numButterflies, int& wingCounter) {
  wingCounter = 0;
  numButterflies = kButterflyCount;
  for (auto& b : butterflies) b.reset();
  for (int k = 0; k < kButterflyCount; ++k) {
    auto b = std::make_unique<TButterfly>();
    b->PointCount = kButterflyPointCount;
    for (int p = 0; p < kButterflyPointCount; ++p) b->Points[p] = kButterflyPath[p];
    b->Segment = kButterflyStart[k];
    b->StepsPerSegment = kButterflyStepsPerSegment;
    SetSegment(*b, b->Segment);
    butterflies[k] = std::move(b);
  }
}

void InitButterflies(ButterflyArray& butterflies, int& numButterflies, std::atomic<int>& wingCounter) {
  int w = 0;
  InitButterflies(butterflies, numButterflies, w);
  wingCounter.store(w, std::memory_order_relaxed);
}

void SetSegment(TEagle& eagle, int index) { SetSegmentOf(eagle, index); }
void SetSegment(TButterfly& butterfly, int index) { SetSegmentOf(butterfly, index); }

void StepButterfly(TButterfly& b) {
  float x, y;
  AdvancePath(b, x, y);
  b.PrevX = x;
  b.PrevY = y;
}

void StepEagle(TEagle& e, RandomSource& random) {
  float x, y;
  AdvancePath(e, x, y);

  // Heading from the cosine of the direction of flight against the x axis.
  // An eagle that has not measurably moved keeps its heading and side.
  const float dx = x - e.PrevX;
  const float dy = y - e.PrevY;
  const float length2 = dx * dx + dy * dy;
  if (length2 > 0.0f) {
    const float c = dx / std::sqrt(length2);
    int heading = 23;
    for (int h = 0; h < 23; ++h) {
      if (static_cast<double>(c) < kHeadingBound[h]) {
        heading = h;
        break;
      }
    }
    // Within 18.2 degrees of the horizontal the side alternates every tick.
    if (heading == 0 || heading == 23) FlipSide(e);
    e.Heading.store(heading, std::memory_order_relaxed);
  }

  // Wing beats: a bout of 20 ticks, then a glide of Pause + 1 ticks.
  if (e.Flapping) {
    ++e.FlapStep;
    if (e.FlapStep > 19) {
      e.Flapping = false;
      e.Pause = random.Random(50);
      e.PauseCount = 0;
      e.WingRow.store(0, std::memory_order_relaxed);
    } else {
      e.WingRow.store(kWingRow[e.FlapStep], std::memory_order_relaxed);
    }
  } else {
    ++e.PauseCount;
    if (e.PauseCount > e.Pause) {
      e.Flapping = true;
      e.FlapStep = 0;
    }
  }

  e.PrevX = x;
  e.PrevY = y;
}

}  // namespace sandloop
