// The real serial adapter on a pseudo-terminal: the station's side opens the slave through the
// "com<n>" link of its application folder, the test plays the controller on the master.
#include "app/port_selection.hpp"
#include "core/clock.hpp"
#include "core/scripted_ui_host.hpp"
#include "core/serial_devices.hpp"
#include "qt/qt_serial_port.hpp"
#include "station/assembled_station.hpp"
#include "support/child_program.hpp"
#include "support/file_bytes.hpp"
#include "support/qt_wait.hpp"
#include "support/temp_folder.hpp"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSysInfo>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <functional>

namespace orbek {
namespace {

class PtyMaster {
  public:
    PtyMaster() {
        fd_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (fd_ < 0 || ::grantpt(fd_) != 0 || ::unlockpt(fd_) != 0) return;
        slave_ = ::ptsname(fd_);
        termios t{};
        ::tcgetattr(fd_, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(fd_, TCSANOW, &t);
    }
    ~PtyMaster() { close(); }
    void close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    bool ok() const { return fd_ >= 0 && !slave_.empty(); }
    const std::string& slave() const { return slave_; }
    void write(const std::string& text) {
        ASSERT_EQ(::write(fd_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    // Reads exactly `n` bytes, running the Qt event loop meanwhile, or what came within 3 s.
    std::string read(std::size_t n) {
        std::string got;
        QElapsedTimer clock;
        clock.start();
        while (got.size() < n && clock.elapsed() < 3000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 10) > 0 && (p.revents & POLLIN)) {
                char buffer[64];
                const auto r = ::read(fd_, buffer, std::min(sizeof buffer, n - got.size()));
                if (r > 0) got.append(buffer, static_cast<std::size_t>(r));
            }
        }
        return got;
    }

  private:
    int fd_ = -1;
    std::string slave_;
};

using test::waitFor;

struct SerialPty : ::testing::Test {
    test::TempFolder folder;
    PtyMaster master;
    Scheduler scheduler;
    ScriptedUiHost ui{scheduler};
    FixedClock clock;
    qt::QtSerialPort port{[this] { return folder.path(); }};
    std::unique_ptr<Station> station;

    void SetUp() override {
        ASSERT_TRUE(master.ok());
        std::filesystem::create_symlink(master.slave(), folder.path() / "com5");
        station = std::make_unique<AssembledStation>(scheduler, port, ui, clock,
                                                     Paths{folder.path(), folder.path()});
        ASSERT_TRUE(port.open(5)) << port.error();
    }
    StationState& st() { return station->state; }
    const LineList& events() { return station->Start().List2.items; }
};

TEST_F(SerialPty, TheOtherEndKilledAndRestartedOnTheSameLinkComesBackByItself) {
    test::writeBytes(folder.path() / "status.ini", "5\r\n");
    app::Lecture_MSCOM(*station);
    master.write("000, 251, 001, S\r\n");
    ASSERT_TRUE(waitFor([&] { return st().RxFrame[2] == 1; }));
    StartWindow& w = station->Start();

    master.close();
    ASSERT_TRUE(waitFor([&] { return !port.isOpen(); }));
    EXPECT_EQ(events().back(), "Serial port device removed");
    EXPECT_EQ(w.Label7[0].caption, "RS232 Interrupted !   ");
    EXPECT_FALSE(w.Label5[10].visible);
    station->sendOrder(255, 2); // dropped quietly
    scheduler.advanceBy(2000);
    EXPECT_FALSE(port.isOpen());

    // The other end starts again on a new device under the same link.
    PtyMaster again;
    ASSERT_TRUE(again.ok());
    std::filesystem::remove(folder.path() / "com5");
    std::filesystem::create_symlink(again.slave(), folder.path() / "com5");
    scheduler.advanceBy(2000);
    ASSERT_TRUE(port.isOpen()) << port.error();
    EXPECT_EQ(events().back(), "COM 5 (" + again.slave() + ") opened again");
    again.write("000, 251, 002, S\r\n");
    ASSERT_TRUE(waitFor([&] { return st().RxFrame[2] == 2; }));
    EXPECT_EQ(w.Label7[0].caption, "RS232 Activated...");
    EXPECT_TRUE(w.Label5[4].visible); // the value this frame set, not those older than the loss
    EXPECT_FALSE(w.Label5[10].visible);
    station->sendOrder(255, 2);
    EXPECT_EQ(again.read(3), std::string("\x00\xff\x02", 3));
}

TEST(SerialDevice, APortThatWillNotOpenSaysWhy) {
    test::TempFolder folder;
    qt::QtSerialPort port{[&] { return folder.path(); }};
    std::filesystem::create_symlink(folder.path() / "nothing-here", folder.path() / "com7");
    EXPECT_FALSE(port.open(7));
    EXPECT_EQ(port.lastError().kind, OpenFailure::NoDevice);
    EXPECT_FALSE(port.devicePresent(7));

    // Held by another program: its lock stands in the way.
    PtyMaster master;
    ASSERT_TRUE(master.ok());
    std::filesystem::create_symlink(master.slave(), folder.path() / "com8");
    qt::QtSerialPort holder{[&] { return folder.path(); }};
    ASSERT_TRUE(holder.open(8)) << holder.error();
    EXPECT_FALSE(port.open(8));
    EXPECT_EQ(port.lastError().kind, OpenFailure::InUse) << port.error();
    EXPECT_EQ(port.lastError().holder,
              "orbek_qt_tests (process " + std::to_string(::getpid()) + ")");
    holder.close();

    // Another user (only root can take that part): outside the device's group, which may use
    // it, then a device only its owner may use, reached through two links and named itself.
    if (::geteuid() != 0) return;
    const struct group* dialout = ::getgrnam("dialout");
    ASSERT_NE(dialout, nullptr);
    ASSERT_EQ(::chown(master.slave().c_str(), 0, dialout->gr_gid), 0);
    std::filesystem::create_symlink(master.slave(), folder.path() / "by-id");
    std::filesystem::create_symlink(folder.path() / "by-id", folder.path() / "com9");
    const auto asAnotherUser = [&](const std::function<int(qt::QtSerialPort&)>& steps) {
        const pid_t child = ::fork();
        if (child == 0) {
            if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(100);
            qt::QtSerialPort outsider{[&] { return folder.path(); }};
            ::_exit(steps(outsider));
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    ASSERT_EQ(::chmod(master.slave().c_str(), 0660), 0);
    EXPECT_EQ(asAnotherUser([](qt::QtSerialPort& p) {
                  return p.open(8)                                         ? 1
                         : p.lastError().kind != OpenFailure::NoPermission ? 2
                         : p.lastError().group != "dialout"                ? 3
                                                                           : 0;
              }),
              0);
    ASSERT_EQ(::chmod(master.slave().c_str(), 0600), 0);
    EXPECT_EQ(asAnotherUser([&](qt::QtSerialPort& p) {
                  const OpenError e = p.open(9) ? OpenError{} : p.lastError();
                  return e.kind != OpenFailure::NoPermission                                 ? 1
                         : !e.group.empty()                                                  ? 2
                         : e.device != master.slave()                                        ? 3
                         : e.owner != "root" || e.deviceGroup != "dialout" || e.mode != 0600 ? 4
                                                                                             : 0;
              }),
              0);
}

TEST(SerialLock, AStationEndedByTheSystemLeavesNoLockAndALockNoProgramHoldsIsTakenAway) {
    test::TempFolder folder;
    PtyMaster master;
    ASSERT_TRUE(master.ok());
    const auto base = folder.path() / "Station";
    std::filesystem::create_directories(base);
    std::filesystem::create_symlink(master.slave(), base / "com2");
    test::writeBytes(base / "status.ini", "2\r\n");
    const auto lockPid = [&] {
        const auto lock = deviceLock(master.slave());
        return lock ? lock->pid : 0L;
    };

    // Ended at logout, the station closes its port as by Quit, and its lock goes with it.
    test::ChildProgram station("orbek-station", {"--base", base.string()});
    ASSERT_TRUE(waitFor([&] { return lockPid() == station.pid(); }, 20000));
    const std::filesystem::path file = deviceLock(master.slave())->file;
    EXPECT_EQ(station.end(), 0);
    EXPECT_FALSE(std::filesystem::exists(file));

    // A lock whose process lives but has not the device open (this test, as a station of the
    // same name on another port would be), which the library itself takes for a live one.
    test::writeBytes(
        file, std::to_string(::getpid()) + "\n" +
                  QFileInfo(QCoreApplication::applicationFilePath()).fileName().toStdString() +
                  "\n" + QSysInfo::machineHostName().toStdString() + "\n" +
                  QSysInfo::machineUniqueId().toStdString() + "\n" +
                  QSysInfo::bootUniqueId().toStdString() + "\n");
    qt::QtSerialPort port{[&] { return base; }};
    EXPECT_TRUE(port.open(2)) << port.error();
    port.close();
    EXPECT_FALSE(std::filesystem::exists(file));

    // Left by a process that has ended, in a lock folder where only a file's owner may remove
    // it: another user is told which file, whose, and how it goes (only root takes this part).
    if (::geteuid() != 0 || (std::filesystem::status(file.parent_path()).permissions() &
                             std::filesystem::perms::sticky_bit) == std::filesystem::perms::none)
        return;
    const pid_t ended = ::fork();
    if (ended == 0) ::_exit(0);
    ::waitpid(ended, nullptr, 0);
    test::writeBytes(file, "     " + std::to_string(ended) + "\n");
    ASSERT_EQ(::chmod(master.slave().c_str(), 0666), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(100);
        qt::QtSerialPort outsider{[&] { return base; }};
        const OpenError e = outsider.open(2) ? OpenError{} : outsider.lastError();
        ::_exit(e.kind == OpenFailure::InUse && e.staleLock == file.string() &&
                        e.lockPid == ended && e.owner == "root"
                    ? 0
                    : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    std::filesystem::remove(file);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

} // namespace
} // namespace orbek
