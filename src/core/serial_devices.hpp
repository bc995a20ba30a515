// Which device a port number opens. On Linux a link "com<n>" in the application folder names
// the device (a USB adapter, a pseudo-terminal of the simulator); else COM n is /dev/ttyS<n-1>.
// On Windows the port is COM<n> itself.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orbek {

std::string serialDeviceFor(int number, const std::filesystem::path& appFolder);

// The link "com<n>" in the application folder when there is one (a symbolic link, even a
// dangling one, or any other entry of that name); empty otherwise and on Windows.
std::filesystem::path portLink(int number, const std::filesystem::path& appFolder);

// What COM n opens: the device, the link that names it (empty for the fallback), and whether
// the device is there now.
struct PortDevice {
    int number = 0;
    std::string device;
    std::filesystem::path link;
    bool present = false;
};
std::vector<PortDevice> portDevices(const std::filesystem::path& appFolder, int count = 14);

// The text of `orbek-station --list-ports`: every COM number with its device, then the devices
// under `byId` (/dev/serial/by-id) that no number opens yet, each with the "ln -s" line that
// would map it to a free number.
std::string portListing(const std::filesystem::path& appFolder,
                        const std::filesystem::path& byId = "/dev/serial/by-id");

// The lock file of the serial-lock convention ("LCK..NAME" holding the number of the process
// that locked the device) where the serial port library looks for `device`'s lock: the first
// readable one of the usual lock folders that holds it or that the user may write.
struct DeviceLock {
    std::filesystem::path file;
    long pid = 0;       // 0 when the file holds no process number
    bool stale = false; // its process has ended, or is alive and does not have the device open
    std::string owner;  // the user the file belongs to
};
std::optional<DeviceLock> deviceLock(const std::string& device);
// Removes a stale lock (still naming the same process); false, and why, when the system does
// not let this user (a lock folder where only a file's owner may remove it).
bool removeStaleLock(const DeviceLock& lock, std::string* why);

} // namespace orbek
