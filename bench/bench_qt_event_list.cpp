// The event list with a million lines: how long the main view takes to take in the lines and
// to render once they are there, and the memory the lines take. Offscreen; prints figures.
#include "app/station.hpp"
#include "core/clock.hpp"
#include "core/memory_port.hpp"
#include "core/scripted_ui_host.hpp"
#include "qt/start_view.hpp"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

long residentKb() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        long value = 0;
        if (key == "VmRSS:" && status >> value) return value;
        status.ignore(1 << 16, '\n');
    }
    return -1;
}

} // namespace

int main(int argc, char** argv) {
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

    const long before = residentKb();
    auto& items = station.Start().List2.items;
    // One more line per render, as during a run, with the list at the size where the station
    // asks to clear it.
    const auto perLineUs = [&](int renders) {
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < renders; ++i) {
            items.push_back(" PC --> Stamp      START");
            view.render();
            QApplication::processEvents();
        }
        return static_cast<double>(t.nsecsElapsed()) / 1e3 / renders;
    };
    items.assign(32000, " Stamp --> PC      000    253    001    S");
    view.render();
    const double atSaturationUs = perLineUs(200);
    items.clear();
    view.render();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 1000000; ++i)
        items.push_back(" Stamp --> PC      000    253    0" + std::to_string(10 + i % 90) +
                        "    S");
    const double fillMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    timer.restart();
    view.render();
    QApplication::processEvents();
    const double firstRenderMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;

    // A render with nothing new, for comparison.
    timer.restart();
    for (int i = 0; i < 100; ++i) {
        view.render();
        QApplication::processEvents();
    }
    const double idleRenderUs = static_cast<double>(timer.nsecsElapsed()) / 1e3 / 100;

    const double perRenderUs = perLineUs(50);
    std::printf("event list of %zu lines\n", items.size());
    std::printf("  adding a million lines to the model: %.1f ms\n", fillMs);
    std::printf("  first render with a million lines:   %.1f ms\n", firstRenderMs);
    std::printf("  render with nothing new:             %.1f us\n", idleRenderUs);
    std::printf("  render after each further line:      %.1f us\n", perRenderUs);
    std::printf("  (at 32000 lines, where the station asks to clear: %.1f us a line)\n",
                atSaturationUs);
    std::printf("  memory of the lines:                 %.1f MB\n",
                static_cast<double>(residentKb() - before) / 1024.0);
    std::filesystem::remove_all(folder);
    return 0;
}
