#pragma once
// The local date and time as the program reads it. Components that show or
// compute with the time of day take a LocalClock, so that tests and tools
// can fix the moment; the program passes SystemClock().
namespace sandloop {

struct LocalTime {
  int year = 2000;   // e.g. 2004
  int month = 1;     // 1..12
  int day = 1;       // 1..31
  int dayOfWeek = 6; // 0 = Sunday
  int hour = 0;      // 0..23
  int minute = 0;
  int second = 0;
  int milliseconds = 0;
};

class LocalClock {
 public:
  virtual ~LocalClock() = default;
  [[nodiscard]] virtual LocalTime Now() const = 0;
};

// The computer's own local time.
const LocalClock& SystemClock();

// A clock that always reads the time it was given.
class FixedClock final : public LocalClock {
 public:
  explicit FixedClock(const LocalTime& t) : t_(t) {}
  void Set(const LocalTime& t) { t_ = t; }
  [[nodiscard]] LocalTime Now() const override { return t_; }

 private:
  LocalTime t_;
};

}  // namespace sandloop
