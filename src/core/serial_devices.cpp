#include "core/serial_devices.hpp"

#include "core/files.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#ifndef _WIN32
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace orbek {

std::string serialDeviceFor(int number, const std::filesystem::path& appFolder) {
#ifdef _WIN32
    (void)appFolder;
    return "COM" + std::to_string(number);
#else
    std::error_code ec;
    const auto link = portLink(number, appFolder);
    if (link.empty()) return "/dev/ttyS" + std::to_string(number - 1);
    if (std::filesystem::is_symlink(link, ec)) {
        auto target = std::filesystem::read_symlink(link, ec);
        if (!ec) return (target.is_relative() ? appFolder / target : target).string();
    }
    return link.string();
#endif
}

std::filesystem::path portLink(int number, const std::filesystem::path& appFolder) {
#ifdef _WIN32
    (void)number;
    (void)appFolder;
    return {};
#else
    if (appFolder.empty()) return {};
    std::error_code ec;
    const auto link = appFolder / ("com" + std::to_string(number));
    return std::filesystem::exists(std::filesystem::symlink_status(link, ec))
               ? link
               : std::filesystem::path();
#endif
}

namespace {

std::filesystem::path canonicalOf(const std::filesystem::path& path) {
    std::error_code ec;
    auto canonical = std::filesystem::canonical(path, ec);
    return ec ? std::filesystem::path() : canonical;
}

} // namespace

std::vector<PortDevice> portDevices(const std::filesystem::path& appFolder, int count) {
    std::vector<PortDevice> ports;
    for (int n = 1; n <= count; ++n) {
        PortDevice p{n, serialDeviceFor(n, appFolder), portLink(n, appFolder), false};
#ifdef _WIN32
        p.present = true; // Windows names its ports itself; the adapter asks it
#else
        std::error_code ec;
        p.present = std::filesystem::exists(p.device, ec);
#endif
        ports.push_back(std::move(p));
    }
    return ports;
}

std::string portListing(const std::filesystem::path& appFolder, const std::filesystem::path& byId) {
    const auto ports = portDevices(appFolder);
    std::string text = "Application folder: " + appFolder.string() + "\n";
    std::size_t width = 0;
    for (const auto& p : ports)
        width = std::max(width, p.device.size());
    for (const auto& p : ports) {
        char number[16];
        std::snprintf(number, sizeof number, "COM %2d  ", p.number);
        std::string line = number + p.device;
        if (!p.link.empty() || !p.present) line.resize(8 + width + 2, ' ');
        if (!p.link.empty()) line += "(link " + p.link.filename().string() + ")";
        if (!p.present) line += p.link.empty() ? "missing" : " missing";
        text += line + "\n";
    }

    std::error_code ec;
    std::vector<std::filesystem::path> unmapped;
    for (const auto& entry : std::filesystem::directory_iterator(byId, ec)) {
        const auto target = canonicalOf(entry.path());
        const bool mapped = std::any_of(ports.begin(), ports.end(), [&](const PortDevice& p) {
            return p.present && canonicalOf(p.device) == target;
        });
        if (!target.empty() && !mapped) unmapped.push_back(entry.path());
    }
    std::sort(unmapped.begin(), unmapped.end());
    if (unmapped.empty()) {
        text += "\nNo device under " + byId.string() + " waits for a COM number.\n";
        return text;
    }
    text += "\nDevices under " + byId.string() + " that no COM number opens yet:\n";
    // Numbers without a link whose own device is missing first, then any without a link.
    std::vector<int> free;
    for (bool needMissing : {true, false})
        for (const auto& p : ports)
            if (p.link.empty() && (!needMissing || !p.present) &&
                std::find(free.begin(), free.end(), p.number) == free.end())
                free.push_back(p.number);
    std::size_t next = 0;
    for (const auto& device : unmapped) {
        text += "  " + device.filename().string() + " (" + canonicalOf(device).string() + ")\n";
        if (next < free.size())
            text += "    ln -s " + device.string() + " " +
                    (appFolder / ("com" + std::to_string(free[next++]))).string() + "\n";
        else
            text += "    every COM number is linked already\n";
    }
    return text;
}

#ifndef _WIN32
namespace {

// Whether process `pid` has the device open; true when that cannot be seen (the processes of
// other users are hidden from all but root).
bool holdsDevice(long pid, const std::string& device) {
    std::error_code ec;
    const auto target = std::filesystem::canonical(device, ec);
    if (ec) return true;
    std::filesystem::directory_iterator fds("/proc/" + std::to_string(pid) + "/fd", ec);
    if (ec) return true;
    for (; !ec && fds != std::filesystem::directory_iterator(); fds.increment(ec)) {
        std::error_code linkError;
        if (std::filesystem::read_symlink(fds->path(), linkError) == target) return true;
    }
    return static_cast<bool>(ec);
}

// The process number a lock file holds: ten characters, blank-padded, or the first line of
// the serial port library's own form. 0 when there is none.
long lockPid(const std::filesystem::path& file) {
    const auto line = files::readFirstLine(file, 256);
    if (!line) return 0;
    const std::size_t first = line->find_first_not_of(' ');
    if (first == std::string::npos || line->size() - first > 9) return 0;
    long pid = 0;
    for (std::size_t i = first; i < line->size(); ++i) {
        if ((*line)[i] < '0' || (*line)[i] > '9') return 0;
        pid = pid * 10 + ((*line)[i] - '0');
    }
    return pid;
}

} // namespace
#endif

std::optional<DeviceLock> deviceLock(const std::string& device) {
#ifdef _WIN32
    (void)device;
    return std::nullopt;
#else
    std::string name = device.rfind("/dev/", 0) == 0 ? device.substr(5) : device;
    std::replace(name.begin(), name.end(), '/', '_');
    for (const char* folder : {"/var/lock", "/etc/locks", "/var/spool/locks", "/var/spool/uucp",
                               "/tmp", "/var/tmp", "/var/lock/lockdev", "/run/lock"}) {
        if (::access(folder, R_OK) != 0) continue;
        const std::filesystem::path file = std::filesystem::path(folder) / ("LCK.." + name);
        struct stat info {};
        if (::stat(file.c_str(), &info) != 0) {
            if (::access(folder, W_OK) == 0) return std::nullopt;
            continue;
        }
        DeviceLock lock{file, lockPid(file), false, std::to_string(info.st_uid)};
        if (const passwd* user = ::getpwuid(info.st_uid)) lock.owner = user->pw_name;
        if (lock.pid > 0)
            lock.stale = (::kill(static_cast<pid_t>(lock.pid), 0) != 0 && errno == ESRCH) ||
                         !holdsDevice(lock.pid, device);
        return lock;
    }
    return std::nullopt;
#endif
}

bool removeStaleLock(const DeviceLock& lock, std::string* why) {
#ifdef _WIN32
    (void)lock;
    if (why) *why = "no lock files here";
    return false;
#else
    // Another program may have taken the device since: then its lock is its own.
    if (!lock.stale || lockPid(lock.file) != lock.pid) {
        if (why) *why = "the lock has changed";
        return false;
    }
    if (::unlink(lock.file.c_str()) == 0 || errno == ENOENT) return true;
    if (why) *why = std::strerror(errno);
    return false;
#endif
}

} // namespace orbek
