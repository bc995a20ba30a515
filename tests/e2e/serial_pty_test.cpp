// The real serial adapter on a pseudo-terminal: the station's side opens the slave through the
// "com<n>" link of its application folder, the test plays the controller on the master.
#include "app/station.hpp"
#include "core/clock.hpp"
#include "core/scripted_ui_host.hpp"
#include "qt/qt_serial_port.hpp"
#include "support/qt_wait.hpp"
#include "support/temp_folder.hpp"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
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
        station = std::make_unique<Station>(scheduler, port, ui, clock,
                                            Paths{folder.path(), folder.path()});
        ASSERT_TRUE(port.open(5)) << port.error();
    }
    StationState& st() { return station->state; }
    const LineList& events() { return station->Start().List2.items; }
};

TEST_F(SerialPty, FramesFromTheLineArriveDecodedAndOrdersLeaveByteExact) {
    EXPECT_EQ(port.deviceName(5), master.slave());
    master.write("000, 253, 001, S\r\n");
    ASSERT_TRUE(waitFor([&] { return st().RxFrame[1] == 253; }));
    EXPECT_EQ(st().RxFrame[2], 1);
    ASSERT_FALSE(events().empty());
    EXPECT_EQ(events().back(), " Stamp --> PC      000    253    001    S");

    // Two frames in one write, then one split in two writes with a pause between.
    master.write("000, 251, 040, S\r\n000, 254, 004, S\r\n");
    ASSERT_TRUE(waitFor([&] { return st().RxFrame[1] == 254; }));
    master.write("000, 238, ");
    waitFor([] { return false; }, 50);
    master.write("004, S\r\n");
    ASSERT_TRUE(waitFor([&] { return st().RxFrame[1] == 238; }));
    EXPECT_EQ(st().RxFrame[2], 4);

    station->sendOrder(255, 1);
    station->sendOrder(237, 17); // XON and XOFF values are plain data
    station->sendOrder(237, 19);
    station->sendOrder(0, 0);
    EXPECT_EQ(master.read(12), std::string("\x00\xff\x01\x00\xed\x11\x00\xed\x13\x00\x00\x00", 12));
}

TEST_F(SerialPty, ALostByteCostsOneFrameOnTheRealLine) {
    master.write("000, 251, 001, S\r\n");
    master.write("000, 251, 02, S\r\n"); // one character lost
    master.write("000, 251, 003, S\r\n");
    master.write("000, 251, 004, S\r\n");
    EXPECT_TRUE(waitFor([&] { return st().RxFrame[2] == 4; }));
}

TEST_F(SerialPty, TheDeviceGoingAwayIsReportedAndThePortCloses) {
    master.write("000, 251, 001, S\r\n");
    ASSERT_TRUE(waitFor([&] { return st().RxFrame[2] == 1; }));
    master.close();
    ASSERT_TRUE(waitFor(
        [&] { return !events().empty() && events().back() == "Serial port device removed"; }));
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(station->Start().Label5[10].visible);
    // Orders after the loss are dropped quietly.
    station->sendOrder(255, 2);
}

TEST(SerialDevice, OpeningAMissingDeviceFailsWithAReason) {
    test::TempFolder folder;
    qt::QtSerialPort port{[&] { return folder.path(); }};
    std::filesystem::create_symlink(folder.path() / "nothing-here", folder.path() / "com7");
    EXPECT_FALSE(port.open(7));
    EXPECT_FALSE(port.error().empty());
    EXPECT_FALSE(port.isOpen());
}

} // namespace
} // namespace orbek
