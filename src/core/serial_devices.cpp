#include "core/serial_devices.hpp"

#include <system_error>

namespace orbek {

std::string serialDeviceFor(int number, const std::filesystem::path& appFolder) {
#ifdef _WIN32
    (void)appFolder;
    return "COM" + std::to_string(number);
#else
    std::error_code ec;
    const auto link = appFolder / ("com" + std::to_string(number));
    if (!appFolder.empty() && std::filesystem::is_symlink(link, ec)) {
        auto target = std::filesystem::read_symlink(link, ec);
        if (!ec) {
            if (target.is_relative()) target = appFolder / target;
            return target.string();
        }
    }
    if (!appFolder.empty() && std::filesystem::exists(link, ec)) return link.string();
    return "/dev/ttyS" + std::to_string(number - 1);
#endif
}

} // namespace orbek
