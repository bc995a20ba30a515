#include "replay/player.hpp"

#include "app/startup.hpp"
#include "core/files.hpp"
#include "core/text.hpp"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iterator>
#include <sstream>

namespace orbek::replay {

namespace {

std::string stateName(const WindowModel& w) {
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

std::string describe(const Control& c) {
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

// FNV-1a, 64 bits: enough to tell two versions of a file apart in a recorded output.
uint64_t fnv1a(const std::string& bytes) {
    uint64_t hash = 0xcbf29ce484222325ULL;
    for (unsigned char b : bytes) {
        hash ^= b;
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

uint32_t little(const std::string& bytes, std::size_t at, int size) {
    uint32_t v = 0;
    for (int i = size - 1; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return v;
}

} // namespace

// Prints each message as the station hands it on, then hands it to the real broker.
class Player::Printing : public telemetry::Publisher {
  public:
    Printing(Player& player, telemetry::Publisher& inner) : player_(player), inner_(inner) {}
    void publish(telemetry::Message m) override {
        player_.printMessage(m);
        inner_.publish(std::move(m));
    }
    telemetry::PublisherStatus status() const override { return inner_.status(); }

  private:
    Player& player_;
    telemetry::Publisher& inner_;
};

Player::Player(const Options& options, std::ostream& out)
    : options_(options), clock_([this] { return scheduler().now(); }), out_(out) {
    memory_.onSend = [this](const telemetry::Message& m) { printMessage(m); };
}

Player::~Player() = default;

void Player::printMessage(const telemetry::Message& m) {
    print("PUB " + printable(m.topic) + (m.retained ? " (retained) " : " ") + printable(m.payload));
}

void Player::telemetryStep(const Step& step) {
    std::istringstream args(step.argument);
    std::string what;
    std::string word;
    args >> what;
    if (what == "on") {
        if (telemetry_) return fail(step, "telemetry is on already");
        telemetry::Identity id;
        id.station = "station";
        while (args >> word) {
            if (word == "homeassistant")
                id.discovery = true;
            else
                id.station = word;
        }
        id.prefix = "orbek/" + id.station;
        id.broker = options_.mqtt.empty() ? "BROKER" : options_.mqtt;
        telemetry_ =
            std::make_unique<telemetry::Telemetry>(station(), id, [this] { return clock_.now(); });
        if (telemetry::Publisher* real = broker(id)) {
            printing_ = std::make_unique<Printing>(*this, *real);
            telemetry_->addPublisher(*printing_, true);
        } else {
            telemetry_->addPublisher(memory_, true);
        }
        telemetry_->start();
    } else if (what == "broker" && options_.mqtt.empty()) {
        args >> word;
        std::string why;
        std::getline(args, why);
        if (word != "lost" && word != "back") return fail(step, "telemetry broker lost|back");
        memory_.setConnected(word == "back", trim(why));
    } else {
        fail(step, options_.mqtt.empty()
                       ? "telemetry on [NAME] [homeassistant], telemetry broker lost|back"
                       : "telemetry on [NAME] [homeassistant] (a real broker stays)");
    }
}

MsgAnswer Player::answerOf(const std::string& word) {
    return word == "Yes" ? MsgAnswer::Yes : word == "No" ? MsgAnswer::No : MsgAnswer::Ok;
}

void Player::attach() {
    attached_ = &station();
    station().onEvent = [this](const std::string& line) { print("LIST " + printable(line)); };
}

std::string Player::stable(const std::string& text) const {
    // The folders are fresh temporary ones in most runs, and the broker one of the test's.
    std::string out = withBase(text, attached_ ? attached_->state.BasePath : std::string(),
                               pathText(options_.userFolder));
    if (!options_.mqtt.empty())
        for (auto at = out.find(options_.mqtt); at != std::string::npos;
             at = out.find(options_.mqtt, at))
            out.replace(at, options_.mqtt.size(), "BROKER");
    return out;
}

void Player::print(const std::string& text) {
    print(text, scheduler().now());
}

void Player::print(const std::string& text, int64_t time) {
    if (finished_) return;
    out_ << std::setw(8) << std::setfill(' ') << time << ' ' << stable(text) << '\n';
}

void Player::printBox(const std::string& title, const std::string& text, MsgAnswer answer) {
    print("BOX \"" + printable(title) + "\" \"" + printable(text) + "\" -> " +
          (answer == MsgAnswer::Yes  ? "Yes"
           : answer == MsgAnswer::No ? "No"
                                     : "Ok"));
}

void Player::printFileDialog(const std::string& title, const std::optional<std::string>& path) {
    print("DIALOG \"" + printable(title) + "\" -> " + (path ? printable(*path) : "cancel"));
}

std::string Player::filePath(const std::string& name) const {
    const std::filesystem::path path(name);
    return pathText(path.is_absolute() ? path : pathFromText(attached_->state.BasePath) / path);
}

void Player::fail(const Step& step, const std::string& why) {
    print("ERROR line " + std::to_string(step.lineNumber) + ": " + why);
    ok_ = false;
}

bool Player::play(const Scenario& scenario) {
    int64_t last = 0;
    for (const Step& step : scenario.steps) {
        last = std::max(last, step.time);
        if (step.command == "end") break;
        scheduler().at(step.time, [this, step] {
            perform(step);
            stepDone();
        });
    }
    int64_t endTime = last + 1000;
    for (const Step& step : scenario.steps)
        if (step.command == "end") endTime = step.time;
    runUntil(endTime);
    if (!station().ended()) scheduler().advanceTo(std::max(endTime, scheduler().now()));
    print(station().ended() ? "END station ended" : "END");
    finished_ = true;
    return ok_;
}

bool Player::target(const Step& step, const std::string& text, WindowModel*& w, Control*& c) {
    const auto dot = text.find('.');
    // A window alone is looked at as it is; reaching a control loads its window.
    w = station().findWindow(dot == std::string::npos ? text : text.substr(0, dot));
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

void Player::type(WindowModel& window, Control& control, const std::string& text) {
    control.caption = text;
    window.fire(control.name + ":Change");
}

void Player::perform(const Step& step) {
    if (finished_) return;
    std::istringstream args(step.argument);
    const std::string& a = step.argument;
    if (step.command == "start") {
        app::Form_Load(station());
    } else if (step.command == "frame" || step.command == "rx" || step.command == "bytes") {
        std::string text = unescape(a);
        if (step.command == "frame" && text.size() == 16) text += "\r\n";
        if (step.command == "rx") {
            int code = 0;
            int value = 0;
            if (!(args >> code >> value)) return fail(step, "rx needs a code and a value");
            char frame[40];
            std::snprintf(frame, sizeof frame, "%03d, %03d, %03d, S\r\n", 0, code, value);
            text = frame;
        }
        if (options_.echoFrames) print("RX " + printable(text));
        deliver(text);
    } else if (step.command == "comm") {
        commEvent(static_cast<CommEvent>(std::atoi(a.c_str())));
    } else if (step.command == "click") {
        WindowModel* w = nullptr;
        Control* c = nullptr;
        if (!target(step, a, w, c) || !c) return;
        // A user can only click what is there to click.
        for (Control* k = c; k; k = k->parent.empty() ? nullptr : w->find(k->parent)) {
            if (!k->visible || !k->enabled)
                return print("IGNORED " + a + (k->visible ? " is disabled" : " is hidden"));
        }
        if (!w->handles(c->name)) return fail(step, "nothing handles " + a);
        click(*w, *c);
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
        if (step.command == "type") return type(*w, *c, unescape(rest));
        // A slider's value comes with its Change event, or the one named after it (Scroll).
        std::istringstream words(rest);
        std::string number;
        std::string event = "Change";
        words >> number >> event;
        if (step.command == "value")
            c->value = static_cast<int>(leadingNumber(number));
        else
            c->checked = leadingNumber(number) != 0;
        w->fire(c->name + ":" + (step.command == "value" ? event : "Change"));
        if (step.command == "check") w->fire(c->name);
    } else if (step.command == "answer") {
        std::string what;
        args >> what;
        if (what == "file") {
            std::string rest;
            std::getline(args, rest);
            rest = trim(rest);
            // A last word of digits after the path is the time the dialog stays open.
            int64_t openMs = 0;
            const auto blank = rest.rfind(' ');
            if (blank != std::string::npos && blank + 1 < rest.size() &&
                rest.find_first_not_of("0123456789", blank + 1) == std::string::npos) {
                openMs = std::atoll(rest.c_str() + blank + 1);
                rest = trim(rest.substr(0, blank));
            }
            if (rest.empty()) return fail(step, "answer file needs a path or cancel");
            answerFile(rest == "cancel" ? std::nullopt : std::optional<std::string>(filePath(rest)),
                       openMs);
            return;
        }
        int64_t after = 0;
        args >> after;
        answerNext(answerOf(what), after);
    } else if (step.command == "show") {
        show(step);
    } else if (step.command == "file") {
        file(trim(a));
    } else if (step.command == "clock") {
        DateTime t;
        int ms = 0;
        parseDateTime(a, t, &ms);
        clock_.set(t, ms);
    } else if (step.command == "telemetry") {
        telemetryStep(step);
    } else if (step.command == "port") {
        std::string what;
        int number = 0;
        args >> what >> number;
        std::string why;
        if (!port(what, number, why)) fail(step, why);
    }
}

void Player::show(const Step& step) {
    WindowModel* w = nullptr;
    Control* c = nullptr;
    const std::string name = trim(step.argument);
    if (!target(step, name, w, c)) return;
    if (!c) {
        print("SHOW " + w->name() + " state=" + stateName(*w) + " caption=\"" +
              printable(w->caption) + "\"");
        if (const std::string why = offScreen(*w); !why.empty()) fail(step, why);
        return;
    }
    print("SHOW " + name + describe(*c));
    for (std::string_view item : c->items)
        print("SHOW | " + printable(std::string(item)));
}

void Player::file(const std::string& name) {
    // A folder or a device in the file's place is told, not read.
    std::error_code ec;
    const auto status = std::filesystem::status(pathFromText(filePath(name)), ec);
    if (std::filesystem::is_directory(status)) return print("FILE " + name + " (folder)");
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        return print("FILE " + name + " (not a file)");
    std::ifstream in(filePath(name), std::ios::binary);
    if (!in) return print("FILE " + name + " (none)");
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const bool bitmap = bytes.size() >= 30 && bytes[0] == 'B' && bytes[1] == 'M';
    if (bitmap || bytes.find('\0') != std::string::npos) {
        char hash[32];
        std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(fnv1a(bytes)));
        std::string line =
            "FILE " + name + " (" + std::to_string(bytes.size()) + " bytes, fnv1a " + hash;
        if (bitmap)
            line += ", bitmap " + std::to_string(little(bytes, 18, 4)) + "x" +
                    std::to_string(little(bytes, 22, 4)) + " " +
                    std::to_string(little(bytes, 28, 2)) + " bits";
        return print(line + ")");
    }
    const auto lines = files::readLines(filePath(name));
    if (!lines) return print("FILE " + name + " (none)");
    print("FILE " + name + " (" + std::to_string(lines->size()) + " lines)");
    for (const auto& line : *lines)
        print("FILE | " + printable(line));
}

} // namespace orbek::replay
