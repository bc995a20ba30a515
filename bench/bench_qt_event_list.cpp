// The event list at 1,000, 32,000 (where the station asks to clear it) and 1,000,000 lines: the
// time of one more line, from the line added to the main view rendered and painted, as p99 and
// maximum over a few hundred lines, and the resident memory. Offscreen; prints figures.
//
//   bench_qt_event_list [--samples N]
#include "app/station.hpp"
#include "core/clock.hpp"
#include "core/memory_port.hpp"
#include "core/scripted_ui_host.hpp"
#include "qt/start_view.hpp"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

double residentMb() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        long value = 0;
        if (key == "VmRSS:" && status >> value) return static_cast<double>(value) / 1024.0;
        status.ignore(1 << 16, '\n');
    }
    return -1;
}

// A received frame's line, as a run writes thousands of them.
std::string frameLine(long i) {
    char text[64];
    std::snprintf(text, sizeof text, " Stamp --> PC      000    %03ld    %03ld    S", 226 + i % 26,
                  i % 256);
    return text;
}

} // namespace

int main(int argc, char** argv) {
    int samples = 300;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--samples") == 0) samples = std::max(1, std::atoi(argv[++i]));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const auto folder = std::filesystem::temp_directory_path() / "orbek-bench-list";
    std::filesystem::create_directories(folder);
    orbek::Scheduler scheduler;
    orbek::MemoryPort port(scheduler);
    orbek::ScriptedUiHost ui(scheduler);
    orbek::FixedClock clock;
    orbek::Station station(scheduler, port, ui, clock, {folder, folder});
    orbek::qt::StartView view(station);
    view.show();
    station.Start().fire("Log");
    view.render();
    QApplication::processEvents();
    const double baseMb = residentMb();

    long added = 0;
    std::printf("event list: one more line, added to rendered and painted (offscreen)\n");
    std::printf("%10s %10s %10s %12s\n", "lines", "p99", "max", "resident");
    for (const long size : {1000L, 32000L, 1000000L}) {
        while (added < size - samples)
            station.addEvent(frameLine(added++));
        view.render();
        QApplication::processEvents();
        std::vector<double> us;
        QElapsedTimer t;
        for (int i = 0; i < samples; ++i) {
            t.start();
            station.addEvent(frameLine(added++));
            view.render();
            QApplication::processEvents();
            us.push_back(static_cast<double>(t.nsecsElapsed()) / 1e3);
        }
        std::sort(us.begin(), us.end());
        const double p99 = us[std::min(us.size() - 1, us.size() * 99 / 100)];
        std::printf("%10ld %7.0f us %7.0f us %9.1f MB\n", added, p99, us.back(), residentMb());
        std::fflush(stdout);
    }
    std::printf("resident before the lines: %.1f MB\n", baseMb);
    std::filesystem::remove_all(folder);
    return 0;
}
