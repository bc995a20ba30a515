// The real serial adapter on a pseudo-terminal opened through the "com<n>" link of its
// application folder: why a port will not open, and the lock files of the serial-lock
// convention. The line's loss and return through the adapter: the live scenarios port_fate and
// stale_after_reopen.
#include "core/serial_devices.hpp"
#include "qt/qt_host.hpp"
#include "qt/qt_serial_port.hpp"
#include "support/child_program.hpp"
#include "support/file_bytes.hpp"
#include "support/qt_wait.hpp"
#include "support/temp_folder.hpp"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMessageBox>
#include <QSysInfo>
#include <QTimer>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace orbek {
namespace {

// The controller's end of a pseudo-terminal; the station's side is its slave.
class PtyMaster {
  public:
    PtyMaster() {
        fd_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (fd_ >= 0 && ::grantpt(fd_) == 0 && ::unlockpt(fd_) == 0) slave_ = ::ptsname(fd_);
    }
    ~PtyMaster() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool ok() const { return !slave_.empty(); }
    const std::string& slave() const { return slave_; }
    void write(const std::string& text) {
        ASSERT_EQ(::write(fd_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }

  private:
    int fd_ = -1;
    std::string slave_;
};

using test::waitFor;

// The station's port as COM 2, a link to a pseudo-terminal whose other end the test holds.
class SerialLine : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(master.ok());
        std::filesystem::create_symlink(master.slave(), folder.path() / "com2");
    }
    test::TempFolder folder;
    PtyMaster master;
    qt::QtSerialPort port{[this] { return folder.path(); }};
};

TEST_F(SerialLine, TheStationWakesOnceTheCharactersItWaitsForAreThere) {
    std::string frames;
    int wakes = 0;
    port.setEventHandler([&](CommEvent e) {
        if (e == CommEvent::Receive) frames += port.read(18);
    });
    port.afterEvent = [&] { ++wakes; };
    port.handOverAtOnce = true; // as the program has it
    ASSERT_TRUE(port.open(2)) << port.error();
    // A frame and the start of the next: seven characters are left waiting.
    master.write("000, 251, 045, S\r\n000, 2");
    ASSERT_TRUE(waitFor([&] { return frames.size() == 18; }));
    // The rest trickles in: no wake-up until the eleven characters it needs are there.
    master.write("50, 120, S");
    waitFor([] { return false; }, 200);
    EXPECT_EQ(frames.size(), 18u);
    master.write("\r\n");
    ASSERT_TRUE(waitFor([&] { return frames.size() == 36; }));
    EXPECT_EQ(frames.substr(18), "000, 250, 120, S\r\n");
    EXPECT_EQ(wakes, 2);
}

TEST_F(SerialLine, FramesHandedOverAtOnceKeepFlowingIntoABoxOneOfThemOpened) {
    qt::QtUiHost ui({});
    port.handOverAtOnce = true;
    ui.nesting = [&] { port.nesting(); };
    std::vector<std::string> frames;
    port.setEventHandler([&](CommEvent e) {
        if (e != CommEvent::Receive) return;
        frames.push_back(port.read(18));
        if (frames.size() == 1) ui.message({"T", "held", MsgIcon::None, MsgButtons::Ok});
    });
    ASSERT_TRUE(port.open(2)) << port.error();
    // Inside the box the first frame opened: two more frames, one at a time, then OK (or OK
    // after five seconds without them).
    const auto frame = [](int code) { return "000, " + std::to_string(code) + ", 001, S\r\n"; };
    QElapsedTimer waited;
    waited.start();
    std::size_t sent = 0;
    QTimer step;
    QObject::connect(&step, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || (frames.size() < 1 + sent && waited.elapsed() < 5000)) return;
        if (sent < 2 && waited.elapsed() < 5000)
            master.write(frame(249 - static_cast<int>(sent++)));
        else
            box->button(QMessageBox::Ok)->click();
    });
    step.start(10);
    master.write(frame(251));
    ASSERT_TRUE(waitFor([&] { return frames.size() == 3 && !QApplication::activeModalWidget(); }));
    EXPECT_EQ(frames, (std::vector<std::string>{frame(251), frame(249), frame(248)}));
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
