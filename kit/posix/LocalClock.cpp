#include <chrono>
#include <ctime>

#include "kit/LocalClock.h"

namespace sandloop {

namespace {
class SystemLocalClock final : public LocalClock {
 public:
  LocalTime Now() const override {
    const auto now = std::chrono::system_clock::now();
    const std::time_t secs = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&secs, &tm);
    LocalTime t;
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.day = tm.tm_mday;
    t.dayOfWeek = tm.tm_wday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec;
    t.milliseconds = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
    return t;
  }
};
}  // namespace

const LocalClock& SystemClock() {
  static const SystemLocalClock clock;
  return clock;
}

}  // namespace sandloop
