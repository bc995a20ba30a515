// Which device a port number opens. On Linux a link "com<n>" in the application folder names
// the device (a USB adapter, a pseudo-terminal of the simulator); else COM n is /dev/ttyS<n-1>.
// On Windows the port is COM<n> itself.
#pragma once

#include <filesystem>
#include <string>

namespace orbek {

std::string serialDeviceFor(int number, const std::filesystem::path& appFolder);

} // namespace orbek
