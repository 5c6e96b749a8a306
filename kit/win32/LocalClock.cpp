#include <windows.h>

#include "kit/LocalClock.h"

namespace sandloop {

namespace {
class SystemLocalClock final : public LocalClock {
 public:
  LocalTime Now() const override {
    SYSTEMTIME st{};
    GetLocalTime(&st);
    LocalTime t;
    t.year = st.wYear;
    t.month = st.wMonth;
    t.day = st.wDay;
    t.dayOfWeek = st.wDayOfWeek;
    t.hour = st.wHour;
    t.minute = st.wMinute;
    t.second = st.wSecond;
    t.milliseconds = st.wMilliseconds;
    return t;
  }
};
}  // namespace

const LocalClock& SystemClock() {
  static const SystemLocalClock clock;
  return clock;
}

}  // namespace sandloop
