// Today's date and time of day, for log rows, the controller's clock and the alarm record.
#pragma once

#include <string>

namespace orbek {

struct DateTime {
    int year = 2000;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int weekday = 1; // 1 = Sunday .. 7 = Saturday
    int millisecond = 0;
};

// The short forms the station writes: "06/12/2026" and "09:05:30".
std::string shortDate(const DateTime& t);
std::string shortTime(const DateTime& t);

class WallClock {
  public:
    virtual ~WallClock() = default;
    virtual DateTime now() const = 0;
};

class SystemClock : public WallClock {
  public:
    DateTime now() const override;
};

// The date and time in UTC now (telemetry's times).
DateTime utcNow();

// A clock that shows what a test sets.
class FixedClock : public WallClock {
  public:
    explicit FixedClock(DateTime time = {}) : time_(time) {}
    DateTime now() const override { return time_; }
    void set(DateTime time) { time_ = time; }

  private:
    DateTime time_;
};

} // namespace orbek
