#include "core/clock.hpp"

#include <ctime>

namespace orbek {

DateTime SystemClock::now() const {
    const std::time_t t = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &t);
#else
    localtime_r(&t, &local);
#endif
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,    local.tm_hour,
            local.tm_min,         local.tm_sec,     local.tm_wday + 1};
}

} // namespace orbek
