#include "core/clock.hpp"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace orbek {

std::string shortDate(const DateTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d", t.day, t.month, t.year);
    return text;
}

std::string shortTime(const DateTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    return text;
}

namespace {

// The present moment with its milliseconds, in UTC or in local time.
DateTime present(bool utc) {
    const auto since = std::chrono::system_clock::now().time_since_epoch();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
    const std::time_t t = static_cast<std::time_t>(ms / 1000);
    std::tm tm{};
#ifdef _WIN32
    if (utc)
        gmtime_s(&tm, &t);
    else
        localtime_s(&tm, &t);
#else
    if (utc)
        gmtime_r(&t, &tm);
    else
        localtime_r(&t, &tm);
#endif
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,     tm.tm_hour,
            tm.tm_min,         tm.tm_sec,     tm.tm_wday + 1, static_cast<int>(ms % 1000)};
}

} // namespace

DateTime utcNow() {
    return present(true);
}

DateTime SystemClock::now() const {
    return present(false);
}

} // namespace orbek
