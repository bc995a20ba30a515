// orbek-sim on a pseudo-terminal and the station's real serial adapter: the program links its
// line as "com<n>" in an application folder, the adapter opens it as COM n, and one whole lamp
// run goes from start to ready at a high speed factor.
#include "core/serial_port.hpp"
#include "link/frame.hpp"
#include "qt/qt_serial_port.hpp"
#include "support/child_program.hpp"
#include "support/qt_wait.hpp"
#include "support/temp_folder.hpp"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace orbek {
namespace {

namespace fs = std::filesystem;

using test::waitFor;

TEST(SimPty, AStationSideClientRunsTheLampFromStartToReady) {
    test::TempFolder folder;
    test::ChildProgram sim("orbek-sim",
                           {"--base", folder.path().string(), "--port", "4", "--speed", "100"});
    ASSERT_TRUE(sim.started()) << "orbek-sim is built beside the tests";
    const fs::path link = folder.path() / "com4";
    ASSERT_TRUE(waitFor([&] { return fs::is_symlink(link); }, 5000));

    qt::QtSerialPort port([&] { return folder.path(); });
    ASSERT_TRUE(port.open(4)) << port.error();
    struct Got {
        int code, value;
    };
    std::vector<Got> frames;
    link::Receiver receiver;
    std::string buffer;
    port.setEventHandler([&](CommEvent event) {
        if (event != CommEvent::Receive) return;
        buffer += port.read(18);
        while (const auto frame = receiver.take(buffer)) {
            const auto reply = link::decodeReply(*frame);
            frames.push_back({reply.fields[1], reply.fields[2]});
        }
        receiver.settle(buffer);
    });
    const auto seen = [&](int code, int value) {
        return std::any_of(frames.begin(), frames.end(),
                           [&](const Got& f) { return f.code == code && f.value == value; });
    };
    const auto index = [&](int code, int value) {
        for (std::size_t i = 0; i < frames.size(); ++i)
            if (frames[i].code == code && frames[i].value == value) return static_cast<int>(i);
        return -1;
    };

    // As the station does: repeat each order until its answer comes.
    QElapsedTimer clock;
    clock.start();
    const auto repeatUntil = [&](uint8_t code, uint8_t value, const std::function<bool()>& done) {
        while (!done() && clock.elapsed() < 20000) {
            port.write({0, code, value});
            waitFor(done, 300);
        }
        return done();
    };
    ASSERT_TRUE(repeatUntil(255, 1, [&] {
        return std::any_of(frames.begin(), frames.end(),
                           [](const Got& f) { return f.code == 253; });
    }));
    ASSERT_TRUE(waitFor([&] { return seen(238, 4); }, 10000));
    ASSERT_TRUE(repeatUntil(255, 2, [&] { return seen(254, 2); }));
    ASSERT_TRUE(waitFor([&] { return seen(254, 0); }, 10000));

    int previous = index(253, 1);
    ASSERT_GE(previous, 0);
    for (const auto& [code, value] : std::vector<std::pair<int, int>>{
             {238, 1}, {238, 2}, {238, 3}, {238, 4}, {254, 2}, {252, 60}, {252, 0}, {254, 0}}) {
        const int at = index(code, value);
        EXPECT_GT(at, previous) << code << "," << value;
        previous = at;
    }
    int countdown = 61;
    for (const auto& f : frames)
        if (f.code == 252) {
            EXPECT_EQ(f.value, --countdown);
        }
    EXPECT_EQ(countdown, 0);

    port.close();
    EXPECT_EQ(sim.end(), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link))) << "the link goes with the simulator";
}

} // namespace
} // namespace orbek
