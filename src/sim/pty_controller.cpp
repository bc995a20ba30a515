#include "sim/pty_controller.hpp"

#ifndef _WIN32

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace orbek::sim {

namespace fs = std::filesystem;

namespace {

constexpr int kIdleWaitMs = 20; // between looks at a line nobody listens to
constexpr int kMaxWaitMs = 50;

std::string systemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

bool fail(std::string* error, std::string text) {
    if (error) *error = std::move(text);
    return false;
}

} // namespace

PtyController::PtyController(SimOptions options)
    : controller_(scheduler_, std::move(options),
                  [this](const std::string& text) { write(text); }) {}

PtyController::~PtyController() {
    unlink();
    if (master_ >= 0) ::close(master_);
}

bool PtyController::open(std::string* error) {
    if (master_ >= 0) return true;
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0) return fail(error, systemError("cannot make a pseudo-terminal"));
    const char* name = nullptr;
    if (::grantpt(fd) != 0 || ::unlockpt(fd) != 0 || !(name = ::ptsname(fd))) {
        const auto why = systemError("cannot unlock the pseudo-terminal");
        ::close(fd);
        return fail(error, why);
    }
    const std::string slave = name;
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);

    // Raw from the start, at the station's speed, for a program that does not set the line up.
    const int s = ::open(slave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (s < 0) {
        const auto why = systemError("cannot open " + slave);
        ::close(fd);
        return fail(error, why);
    }
    termios t{};
    if (::tcgetattr(s, &t) == 0) {
        ::cfmakeraw(&t);
        ::cfsetispeed(&t, B19200);
        ::cfsetospeed(&t, B19200);
        ::tcsetattr(s, TCSANOW, &t);
    }
    ::close(s);

    master_ = fd;
    device_ = slave;
    return true;
}

bool PtyController::link(const fs::path& folder, int port, std::string* error) {
    if (master_ < 0) return fail(error, "no pseudo-terminal to link");
    if (port < 1 || port > 14) return fail(error, "the port number must be 1 to 14");
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder, ec))
        return fail(error, "cannot use the folder " + folder.string() + ": " +
                               (ec ? ec.message() : std::string("not a folder")));
    const fs::path target = folder / ("com" + std::to_string(port));
    const auto status = fs::symlink_status(target, ec);
    if (fs::exists(status) && !fs::is_symlink(status))
        return fail(error, target.string() + " exists and is not a link; it is left alone");

    // Made beside it and renamed over it, so the station never sees a half-made link.
    const fs::path temporary =
        folder / (".com" + std::to_string(port) + ".orbek-sim-" + std::to_string(::getpid()));
    fs::remove(temporary, ec);
    fs::create_symlink(device_, temporary, ec);
    if (ec) return fail(error, "cannot create a link in " + folder.string() + ": " + ec.message());
    fs::rename(temporary, target, ec);
    if (ec) {
        const auto why = ec.message();
        fs::remove(temporary, ec);
        return fail(error, "cannot create " + target.string() + ": " + why);
    }
    link_ = target;
    return true;
}

void PtyController::unlink() {
    if (link_.empty()) return;
    std::error_code ec;
    if (fs::is_symlink(link_, ec) && fs::read_symlink(link_, ec) == fs::path(device_))
        fs::remove(link_, ec);
    link_.clear();
}

bool PtyController::listened() const {
    if (master_ < 0) return false;
    pollfd p{master_, POLLOUT, 0};
    return ::poll(&p, 1, 0) >= 0 && !(p.revents & (POLLHUP | POLLERR | POLLNVAL));
}

void PtyController::write(const std::string& text) {
    if (!listened()) return; // nobody on the line: the frame is lost, not kept for later
    std::size_t done = 0;
    while (done < text.size()) {
        const auto n = ::write(master_, text.data() + done, text.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return; // the station does not read: what does not fit is lost
        }
    }
}

void PtyController::run(const std::atomic<bool>& stop, double seconds) {
    if (master_ < 0) return;
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const int64_t base = scheduler_.now();
    char buffer[256];
    while (!stop.load()) {
        const int64_t elapsed =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        if (seconds > 0 && elapsed >= static_cast<int64_t>(seconds * 1000)) break;
        scheduler_.advanceTo(base + elapsed);

        const int64_t due = scheduler_.nextDue();
        const int wait =
            due < 0 ? kMaxWaitMs
                    : static_cast<int>(std::clamp<int64_t>(due - scheduler_.now(), 0, kMaxWaitMs));
        pollfd p{master_, POLLIN, 0};
        const int r = ::poll(&p, 1, wait);
        if (r <= 0) continue; // time passed, or a signal
        if (p.revents & POLLIN) {
            const auto n = ::read(master_, buffer, sizeof buffer);
            if (n > 0) {
                controller_.receive(std::string_view(buffer, static_cast<std::size_t>(n)));
                continue;
            }
        }
        if (p.revents & (POLLHUP | POLLERR | POLLNVAL) || !(p.revents & POLLIN)) {
            // Nobody has the line open: look again a little later.
            std::this_thread::sleep_for(
                std::chrono::milliseconds(std::clamp(wait, 1, kIdleWaitMs)));
        }
    }
}

} // namespace orbek::sim

#endif
