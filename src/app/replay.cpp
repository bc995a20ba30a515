#include "app/replay.hpp"

#include "app/startup.hpp"
#include "app/station.hpp"
#include "core/clock.hpp"
#include "core/files.hpp"
#include "core/memory_port.hpp"
#include "core/scripted_ui_host.hpp"
#include "core/text.hpp"

#include <cctype>
#include <cstdio>
#include <iomanip>
#include <sstream>

namespace orbek::replay {

namespace {

std::string trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// "\r", "\n", "\t", "\\" and "\xNN" in scenario texts.
std::string unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 >= text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        if (c == 'r')
            out += '\r';
        else if (c == 'n')
            out += '\n';
        else if (c == 't')
            out += '\t';
        else if (c == 'x' && i + 2 < text.size() &&
                 std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
                 std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else
            out += c;
    }
    return out;
}

// Texts printed so that one printed line is one station line: controls shown escaped.
std::string printable(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\\')
            out += "\\\\";
        else if (c < 32 || c == 127) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else
            out += static_cast<char>(c);
    }
    return out;
}

const char* const kCommands[] = {"start", "frame", "rx",   "bytes",  "comm", "click", "type",
                                 "value", "check", "fire", "answer", "show", "file",  "end"};

bool known(const std::string& command) {
    for (const char* c : kCommands)
        if (command == c) return true;
    return false;
}

class Runner {
  public:
    Runner(const Options& options, std::ostream& out)
        : options_(options), out_(out), port_(scheduler_), ui_(scheduler_) {
        std::filesystem::create_directories(options.appFolder);
        std::filesystem::create_directories(options.userFolder);
        station_ = std::make_unique<Station>(scheduler_, port_, ui_, clock_,
                                             Paths{options.appFolder, options.userFolder});
        port_.onWrite = [this](const MemoryPort::Write& w) {
            std::ostringstream line;
            line << "TX";
            for (uint8_t b : w.bytes)
                line << ' ' << std::setw(3) << std::setfill('0') << static_cast<int>(b);
            print(line.str());
        };
        ui_.onMessage = [this](const ScriptedUiHost::Shown& shown) {
            flushEvents();
            print("BOX \"" + printable(shown.box.title) + "\" \"" + printable(shown.box.text) +
                  "\" -> " + answerName(shown.answer));
        };
    }

    bool play(const Scenario& scenario) {
        int64_t last = 0;
        for (const Step& step : scenario.steps) {
            last = std::max(last, step.time);
            if (step.command == "end") break;
            scheduler_.at(step.time, [this, step] { perform(step); });
        }
        int64_t endTime = last + 1000;
        for (const Step& step : scenario.steps)
            if (step.command == "end") endTime = step.time;
        while (!station_->ended()) {
            const int64_t due = scheduler_.nextDue();
            if (due < 0 || due > endTime) break;
            scheduler_.advanceTo(due);
            flushEvents();
        }
        if (!station_->ended()) scheduler_.advanceTo(endTime);
        flushEvents();
        print(station_->ended() ? "END station ended" : "END");
        return ok_;
    }

  private:
    static const char* answerName(MsgAnswer a) {
        return a == MsgAnswer::Yes ? "Yes" : a == MsgAnswer::No ? "No" : "Ok";
    }

    void print(const std::string& text) {
        out_ << std::setw(8) << std::setfill(' ') << scheduler_.now() << ' ' << text << '\n';
    }

    void flushEvents() {
        const auto& items = station_->Start().List2.items;
        if (items.size() < printedEvents_) printedEvents_ = 0; // the list was cleared
        for (; printedEvents_ < items.size(); ++printedEvents_)
            print("LIST " + printable(std::string(items[printedEvents_])));
    }

    void fail(const Step& step, const std::string& why) {
        print("ERROR line " + std::to_string(step.lineNumber) + ": " + why);
        ok_ = false;
    }

    // "Window.control" of a step; reports what is missing.
    bool target(const Step& step, const std::string& text, WindowModel*& w, Control*& c) {
        const auto dot = text.find('.');
        // A window alone is looked at as it is; reaching a control loads its window.
        w = station_->findWindow(dot == std::string::npos ? text : text.substr(0, dot));
        if (!w) {
            fail(step, "no window " + text.substr(0, dot));
            return false;
        }
        c = nullptr;
        if (dot == std::string::npos) return true;
        w->touch();
        c = w->find(text.substr(dot + 1));
        if (!c) {
            fail(step, "no control " + text);
            return false;
        }
        return true;
    }

    void perform(const Step& step) {
        flushEvents();
        std::istringstream args(step.argument);
        const std::string& a = step.argument;
        if (step.command == "start") {
            app::Form_Load(*station_);
        } else if (step.command == "frame") {
            std::string text = unescape(a);
            if (text.size() == 16) text += "\r\n";
            deliver(text);
        } else if (step.command == "rx") {
            int code = 0;
            int value = 0;
            if (!(args >> code >> value)) return fail(step, "rx needs a code and a value");
            deliver(MemoryPort::frame(code, value));
        } else if (step.command == "bytes") {
            deliver(unescape(a));
        } else if (step.command == "comm") {
            port_.event(static_cast<CommEvent>(std::atoi(a.c_str())));
        } else if (step.command == "click") {
            WindowModel* w = nullptr;
            Control* c = nullptr;
            if (!target(step, a, w, c) || !c) return;
            // A user can only click what is there to click.
            for (Control* k = c; k; k = k->parent.empty() ? nullptr : w->find(k->parent)) {
                if (!k->visible || !k->enabled)
                    return print("IGNORED " + a + (k->visible ? " is disabled" : " is hidden"));
            }
            if (!w->fire(c->name)) fail(step, "nothing handles " + a);
        } else if (step.command == "fire") {
            std::string name;
            std::string event;
            args >> name >> event;
            WindowModel* w = nullptr;
            Control* c = nullptr;
            if (!target(step, name, w, c)) return;
            if (!w->fire(event)) fail(step, "nothing handles " + name + " " + event);
        } else if (step.command == "type" || step.command == "value" || step.command == "check") {
            std::string name;
            args >> name;
            std::string rest;
            std::getline(args, rest);
            if (!rest.empty() && rest.front() == ' ') rest.erase(0, 1);
            WindowModel* w = nullptr;
            Control* c = nullptr;
            if (!target(step, name, w, c) || !c) return;
            if (step.command == "type")
                c->caption = unescape(rest);
            else if (step.command == "value")
                c->value = static_cast<int>(leadingNumber(rest));
            else
                c->checked = leadingNumber(rest) != 0;
            w->fire(c->name + ":Change");
            if (step.command == "check") w->fire(c->name);
        } else if (step.command == "answer") {
            std::string answer;
            int64_t after = 0;
            args >> answer >> after;
            ui_.reply(answer == "Yes"  ? MsgAnswer::Yes
                      : answer == "No" ? MsgAnswer::No
                                       : MsgAnswer::Ok,
                      after);
        } else if (step.command == "show") {
            WindowModel* w = nullptr;
            Control* c = nullptr;
            if (!target(step, trim(a), w, c)) return;
            if (!c) {
                print("SHOW " + w->name() + " state=" + stateName(*w) + " caption=\"" +
                      printable(w->caption) + "\"");
                return;
            }
            print("SHOW " + trim(a) + describe(*c));
        } else if (step.command == "file") {
            const auto path = std::filesystem::path(station_->state.BasePath) / trim(a);
            const auto lines = files::readLines(path);
            if (!lines) return print("FILE " + trim(a) + " (none)");
            print("FILE " + trim(a) + " (" + std::to_string(lines->size()) + " lines)");
            for (const auto& line : *lines)
                print("FILE | " + printable(line));
        }
        flushEvents();
    }

    void deliver(const std::string& text) {
        if (options_.echoFrames) print("RX " + printable(text));
        port_.deliver(text);
    }

    static std::string stateName(const WindowModel& w) {
        switch (w.state()) {
        case WindowModel::State::Unloaded:
            return "unloaded";
        case WindowModel::State::Hidden:
            return "hidden";
        case WindowModel::State::Shown:
            return "shown";
        case WindowModel::State::ShownModal:
            return "modal";
        }
        return "?";
    }

    static std::string describe(const Control& c) {
        char colours[64];
        std::snprintf(colours, sizeof colours, " back=%08X fore=%08X", c.backColour.get(),
                      c.foreColour.get());
        std::string text =
            " caption=\"" + printable(c.caption) + "\" visible=" + (c.visible ? "1" : "0") +
            " enabled=" + (c.enabled ? "1" : "0") + " checked=" + (c.checked ? "1" : "0") +
            " value=" + std::to_string(c.value) + colours;
        if (c.kind == ControlKind::ListBox) text += " items=" + std::to_string(c.items.size());
        return text;
    }

    const Options& options_;
    std::ostream& out_;
    Scheduler scheduler_;
    MemoryPort port_;
    ScriptedUiHost ui_;
    FixedClock clock_;
    std::unique_ptr<Station> station_;
    std::size_t printedEvents_ = 0;
    bool ok_ = true;
};

} // namespace

Scenario parse(const std::string& text) {
    Scenario scenario;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    int64_t previous = 0;
    while (std::getline(in, line)) {
        ++number;
        line = trim(line);
        if (line.empty() || line.front() == '#') continue;
        std::istringstream words(line);
        std::string time;
        Step step;
        step.lineNumber = number;
        words >> time >> step.command;
        const bool relative = !time.empty() && time.front() == '+';
        const std::string digits = relative ? time.substr(1) : time;
        // Up to about 30 years of milliseconds: a longer number is no time.
        if (digits.empty() || digits.size() > 12 ||
            digits.find_first_not_of("0123456789") != std::string::npos) {
            scenario.errors.push_back("line " + std::to_string(number) + ": no time in \"" + line +
                                      "\"");
            continue;
        }
        step.time = (relative ? previous : 0) + std::stoll(digits);
        if (!known(step.command)) {
            scenario.errors.push_back("line " + std::to_string(number) + ": unknown command \"" +
                                      step.command + "\"");
            continue;
        }
        if (step.time < previous) {
            scenario.errors.push_back("line " + std::to_string(number) + ": time goes backwards");
            continue;
        }
        std::getline(words, step.argument);
        if (!step.argument.empty() && step.argument.front() == ' ') step.argument.erase(0, 1);
        if (step.command != "frame" && step.command != "bytes" && step.command != "type")
            step.argument = trim(step.argument);
        previous = step.time;
        scenario.steps.push_back(step);
    }
    return scenario;
}

bool run(const Scenario& scenario, const Options& options, std::ostream& out) {
    if (!scenario.errors.empty()) {
        for (const auto& e : scenario.errors)
            out << "ERROR " << e << '\n';
        return false;
    }
    Runner runner(options, out);
    return runner.play(scenario);
}

} // namespace orbek::replay
