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

DateTime utcNow() {
    const auto since = std::chrono::system_clock::now().time_since_epoch();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
    const std::time_t t = static_cast<std::time_t>(ms / 1000);
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &t);
#else
    gmtime_r(&t, &utc);
#endif
    return {utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday,     utc.tm_hour,
            utc.tm_min,         utc.tm_sec,     utc.tm_wday + 1, static_cast<int>(ms % 1000)};
}

DateTime SystemClock::now() const {
    const auto since = std::chrono::system_clock::now().time_since_epoch();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
    const std::time_t t = static_cast<std::time_t>(ms / 1000);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &t);
#else
    localtime_r(&t, &local);
#endif
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,     local.tm_hour,
            local.tm_min,         local.tm_sec,     local.tm_wday + 1, static_cast<int>(ms % 1000)};
}

} // namespace orbek
