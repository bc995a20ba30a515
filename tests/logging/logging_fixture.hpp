// A started station with helpers that set up data logging through the dialog's own handlers.
#pragma once

#include "app/startup.hpp"
#include "support/file_bytes.hpp"
#include "support/station_fixture.hpp"

#include <filesystem>
#include <functional>
#include <vector>

namespace orbek::test {

struct LoggingFixture : StationFixture {
    // 4 December 2026, 09:15:00.
    static constexpr DateTime kMorning{2026, 12, 4, 9, 15, 0, 6};

    LoggingFixture() {
        app::Form_Load(s());
        scheduler.advanceBy(100); // the start-up timer creates the files
        clock.set(kMorning);
    }

    DataLoggerWindow& dialog() { return *s().models().DataLogger; }
    std::filesystem::path data(const std::string& name) { return s().appFile("Data") / name; }

    // Opens the dialog from the menu; `steps` runs inside it once its restore step has run.
    // The call returns when the window has closed.
    void inDialog(const std::function<void(DataLoggerWindow&)>& steps) {
        ui.onModal = [this, steps](WindowModel&) {
            scheduler.advanceBy(60);
            steps(dialog());
        };
        start().fire("mnufichierdatalogger");
        ui.onModal = nullptr;
    }
    void tick(DataLoggerWindow& d, int box, bool on) {
        d.Check1[box].checked = on;
        d.fire(element("Check1", box));
    }
    void chooseFile(DataLoggerWindow& d, const std::filesystem::path& path) {
        ui.nextFileName = path.string();
        d.fire("Command1");
    }

    struct SetUp {
        int type = 1;
        int separator = 1;
        std::vector<int> columns{0, 1, 2, 3, 4, 5, 6, 7};
        int interval = 0;
        std::string file = "run.csv";
    };
    // The four steps and START; returns the virtual time of START.
    int64_t startLogging(const SetUp& set) {
        int64_t started = -1;
        inDialog([&](DataLoggerWindow& d) {
            d.fire(element("Option1", set.type));
            d.fire(element("Option2", set.separator));
            for (int i = 0; i < DataLoggerWindow::kSensorBoxes; ++i)
                tick(d, i,
                     std::find(set.columns.begin(), set.columns.end(), i) != set.columns.end());
            chooseFile(d, data(set.file));
            d.fire(element("Sel", set.interval));
            d.fire("Activation");
            started = scheduler.now();
        });
        return started;
    }

    static std::string bytes(const std::filesystem::path& path) { return bytesOf(path); }
    static void write(const std::filesystem::path& path, const std::string& content) {
        writeBytes(path, content);
    }
    bool listed(const std::string& text) { return eventsWith(text) > 0; }
};

} // namespace orbek::test
