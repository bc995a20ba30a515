// A whole station on virtual time: fake serial port, scripted UI host, fixed clock and a
// temporary application folder. Tests deliver controller text and read what the station did.
#pragma once

#include "app/startup.hpp"
#include "app/station.hpp"
#include "core/clock.hpp"
#include "core/scripted_ui_host.hpp"
#include "support/fake_port.hpp"
#include "support/temp_folder.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace orbek::test {

struct StationFixture : ::testing::Test {
    TempFolder folder;
    Scheduler scheduler;
    FakePort port{scheduler};
    ScriptedUiHost ui{scheduler};
    FixedClock clock;
    std::unique_ptr<Station> station;

    StationFixture() { rebuild(); }

    // A new station on the same folder, as after a restart of the program.
    void rebuild() {
        station.reset();
        Paths paths{folder.path() / "Station", folder.path() / "user"};
        std::filesystem::create_directories(paths.appFolder);
        std::filesystem::create_directories(paths.userFolder);
        station = std::make_unique<Station>(scheduler, port, ui, clock, paths);
    }

    // The program's start: the main window's load, its start-up timer, and the access word
    // when one is given.
    void startUp(const std::string& word = {}) {
        app::Form_Load(*station);
        scheduler.advanceBy(100);
        if (!word.empty()) {
            start().Text1.caption = word;
            start().fire("OkStart");
        }
        port.written.clear();
    }

    // The orders written since the last call, as "code,value", leaving out the codes given.
    std::vector<std::string> sent(std::initializer_list<int> leaveOut = {}) {
        std::vector<std::string> out;
        for (const auto& w : port.written)
            if (std::find(leaveOut.begin(), leaveOut.end(), w.bytes[1]) == leaveOut.end())
                out.push_back(std::to_string(w.bytes[1]) + "," + std::to_string(w.bytes[2]));
        port.written.clear();
        return out;
    }

    Station& s() { return *station; }
    StationState& st() { return station->state; }
    StartWindow& start() { return station->Start(); }
    const LineList& events() { return station->Start().List2.items; }
    // How many event lines contain `text`.
    std::size_t eventsWith(const std::string& text) {
        return static_cast<std::size_t>(
            std::count_if(events().begin(), events().end(), [&](std::string_view line) {
                return line.find(text) != std::string::npos;
            }));
    }
    // The message boxes from the `from`th on, each as "title|text".
    std::vector<std::string> boxTexts(std::size_t from = 0) {
        std::vector<std::string> out;
        for (std::size_t i = from; i < ui.boxes().size(); ++i)
            out.push_back(box(i));
        return out;
    }
    // A message box as "title|text"; the last one by default.
    std::string box(std::size_t i = SIZE_MAX) {
        const auto& b = ui.boxes().at(i == SIZE_MAX ? ui.boxes().size() - 1 : i).box;
        return b.title + "|" + b.text;
    }
};

} // namespace orbek::test
