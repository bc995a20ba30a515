// The whole station on virtual time, driven by the fuzzer's bytes read as scenario steps: frames
// from the controller clean and damaged, communication events, clicks on every named control
// and handler of every window, typed text, slider and check box values, answers to message
// boxes and file dialogs, the port's fate and the wall clock, with time passing between them;
// now and then configuration or user files that are no files or far too large before the start.
// Each input is played by the scenario player, so a finding is a scenario: run the target on
// it with ORBEK_FUZZ_PRINT=1 to print it, and keep it under tests/scenarios. An input plays at
// most kMaxTime of virtual time.
#include "core/clock.hpp"
#include "core/files.hpp"
#include "core/memory_port.hpp"
#include "core/scripted_ui_host.hpp"
#include "replay/replay.hpp"
#include "station/assembled_station.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

namespace {

constexpr int64_t kMaxTime = 2 * 60 * 1000;
constexpr std::size_t kMaxSteps = 400;

// What a scenario can reach, read once from a station's window models.
struct Targets {
    std::vector<std::string> clicks; // WINDOW.CONTROL with a click handler
    std::vector<std::string> events; // "WINDOW EVENT" for every other handler
    std::vector<std::string> texts;  // text boxes
    std::vector<std::string> values; // sliders
    std::vector<std::string> checks; // check boxes and option buttons
};

const Targets& targets() {
    static const Targets all = [] {
        Targets t;
        orbek::Scheduler scheduler;
        orbek::MemoryPort port(scheduler);
        orbek::ScriptedUiHost ui(scheduler);
        orbek::FixedClock clock;
        orbek::AssembledStation station(scheduler, port, ui, clock, {});
        for (const char* name :
             {"Start", "Parametres", "Usures", "TestsMV", "DataLogger", "Boitestop", "CodeDialogue",
              "Codeserreurs", "FenInfoHolder", "AlarmHolder"}) {
            orbek::WindowModel& w = *station.findWindow(name);
            for (const std::string& event : w.handlerNames()) {
                if (w.find(event))
                    t.clicks.push_back(std::string(name) + "." + event);
                else
                    t.events.push_back(std::string(name) + " " + event);
            }
            for (const orbek::Control& c : w.controls()) {
                const std::string target = std::string(name) + "." + c.name;
                if (c.kind == orbek::ControlKind::TextBox) t.texts.push_back(target);
                if (c.kind == orbek::ControlKind::Slider) t.values.push_back(target);
                if (c.kind == orbek::ControlKind::CheckBox || c.kind == orbek::ControlKind::Option)
                    t.checks.push_back(target);
            }
        }
        return t;
    }();
    return all;
}

class Bytes {
  public:
    Bytes(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return at_ >= size_; }
    uint8_t next() { return at_ < size_ ? data_[at_++] : 0; }
    uint16_t next16() { return static_cast<uint16_t>(next() | (next() << 8)); }
    template <class T> const T& pick(const std::vector<T>& from) {
        return from[next16() % from.size()];
    }

  private:
    const uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// Text for a scenario line: every byte escaped, so no byte can end the line or start a comment;
// never XON or XOFF, which a real line keeps for itself.
std::string escaped(const std::string& raw) {
    std::string out;
    char hex[8];
    for (unsigned char c : raw) {
        if (c == 0x11 || c == 0x13) c = '?';
        std::snprintf(hex, sizeof hex, "\\x%02x", c);
        out += hex;
    }
    return out;
}

std::string frameText(int code, int value) {
    char text[32];
    std::snprintf(text, sizeof text, "%03d, %03d, %03d, S\r\n", 0, code, value);
    return text;
}

// The controller's codes, the reply values that mean something (small ones) more often.
int code(Bytes& in) {
    return 194 + in.next() % 62;
}
int value(Bytes& in) {
    const uint8_t b = in.next();
    return b < 160 ? b % 8 : b;
}

std::string typedText(Bytes& in) {
    static const std::vector<std::string> words{"marigold",
                                                "juniper",
                                                "5821",
                                                "5822",
                                                "5823",
                                                "0",
                                                "-1",
                                                "65535",
                                                "1e9",
                                                "abc",
                                                "",
                                                "  12  ",
                                                "99999999999999999999",
                                                "3.5",
                                                "\"",
                                                ","};
    if (in.next() % 4) return in.pick(words);
    std::string raw;
    for (int n = in.next() % 24; n > 0; --n)
        raw += static_cast<char>(in.next());
    return raw;
}

std::string scenarioOf(Bytes& in) {
    const Targets& t = targets();
    std::string s = "0 start\n";
    int64_t time = 0;
    // The access word first, mostly one that lets the station go on.
    switch (in.next() % 4) {
    case 0:
        s += "150 type Start.Text1 marigold\n160 click Start.OkStart\n";
        break;
    case 1:
        s += "150 type Start.Text1 juniper\n160 click Start.OkStart\n";
        break;
    case 2:
        break; // the password box stays
    default:
        s += "150 type Start.Text1 " + escaped(typedText(in)) + "\n160 click Start.OkStart\n";
    }
    time = 200;
    static const int64_t waits[] = {0,    0,    1,    10,   100,   200,  500,
                                    1000, 2000, 3000, 6000, 20000, 61000};
    static const std::vector<int> comms{1,    3,    4,    5,    6,    7,    1001, 1002, 1003,
                                        1004, 1006, 1007, 1008, 1009, 1010, 1011, 1100};
    for (std::size_t steps = 0; !in.empty() && steps < kMaxSteps; ++steps) {
        const uint8_t op = in.next();
        time += waits[in.next() % std::size(waits)];
        if (time > kMaxTime) break;
        std::string step = std::to_string(time) + " ";
        switch (op % 16) {
        case 0:
        case 1:
        case 2: {
            const int c = code(in);
            step += "rx " + std::to_string(c) + " " + std::to_string(value(in));
            break;
        }
        case 3: { // a frame damaged: a byte lost, added or changed, or the marker wrong
            std::string f = frameText(code(in), value(in));
            const std::size_t at = in.next() % f.size();
            switch (in.next() % 4) {
            case 0:
                f.erase(at, 1);
                break;
            case 1:
                f.insert(at, 1, static_cast<char>(in.next()));
                break;
            case 2:
                f[at] = static_cast<char>(in.next());
                break;
            default:
                f[15] = static_cast<char>(in.next());
            }
            step += "bytes " + escaped(f);
            break;
        }
        case 4: { // noise
            std::string raw;
            for (int n = 1 + in.next() % 40; n > 0; --n)
                raw += static_cast<char>(in.next());
            step += "bytes " + escaped(raw);
            break;
        }
        case 5:
            step += "comm " + std::to_string(in.pick(comms));
            break;
        case 6:
        case 7:
        case 8:
            step += "click " + in.pick(t.clicks);
            break;
        case 9:
            step += "fire " + in.pick(t.events);
            break;
        case 10:
            step += "type " + in.pick(t.texts) + " " + escaped(typedText(in));
            break;
        case 11:
            step += "value " + in.pick(t.values) + " " +
                    std::to_string(static_cast<int16_t>(in.next16()) % 300);
            break;
        case 12:
            step += "check " + in.pick(t.checks) + " " + std::to_string(in.next() % 2);
            break;
        case 13: {
            static const std::vector<std::string> answers{"Ok", "Yes", "No"};
            static const std::vector<std::string> files{"file cancel",
                                                        "file Data/run.txt",
                                                        "file Data/run.csv",
                                                        "file Data",
                                                        "file missing/folder/run.txt",
                                                        "file /proc/orbek/run.txt",
                                                        "file Img/Start_0001.bmp"};
            step += "answer " + (in.next() % 3
                                     ? in.pick(answers) + " " + std::to_string(in.next() % 4 * 1500)
                                     : in.pick(files));
            break;
        }
        case 14: {
            static const std::vector<std::string> fates{"close", "open",   "unplug",
                                                        "plug",  "fail 2", "fail 3"};
            step += "port " + in.pick(fates);
            break;
        }
        default: { // the wall clock, often just before a new day or year
            char date[40];
            const int year = 1999 + in.next() % 120;
            if (in.next() % 4 == 0)
                std::snprintf(date, sizeof date, "clock %04d-12-31 23:59:%02d", year,
                              50 + in.next() % 10);
            else
                std::snprintf(date, sizeof date, "clock %04d-%02d-%02d %02d:%02d:%02d", year,
                              1 + in.next() % 12, 1 + in.next() % 28, in.next() % 24,
                              in.next() % 60, in.next() % 60);
            step += date;
        }
        }
        s += step + "\n";
    }
    return s;
}

// A configuration or user file made odd before the start: a pipe nobody writes, a link to a
// device that never ends, a file past the read limit, or the input's own bytes.
struct OddFile {
    std::string name;
    int kind;
    std::string bytes;
};

std::vector<OddFile> oddFiles(Bytes& in) {
    static const std::vector<std::string> names{
        "status.ini",       "NS.ini",       "LevelPW.ini",   "LevLgGraph.ini", "Counter.ini",
        "StartHalogen.ini", "TypeFile.ini", "DataCoeff.ini", "user/Name.inc",  "user/SWord.inx"};
    std::vector<OddFile> odd;
    if (in.next() % 4 != 0) return odd; // mostly a fresh folder
    for (int n = 1 + in.next() % 4; n > 0; --n) {
        OddFile f{in.pick(names), in.next() % 4, {}};
        for (int k = in.next() % 64; k > 0; --k)
            f.bytes += static_cast<char>(in.next());
        if (f.kind == 2)
            while (f.bytes.size() <= orbek::files::kConfigLimit)
                f.bytes += f.bytes.empty() ? std::string("0\r\n") : f.bytes;
        odd.push_back(std::move(f));
    }
    return odd;
}

void makeOdd(const OddFile& f, const std::filesystem::path& app) {
    const auto path = f.name.rfind("user/", 0) == 0 ? app.parent_path() / f.name : app / f.name;
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    std::filesystem::remove(path, ec);
    if (f.kind == 0)
        ::mkfifo(path.c_str(), 0600);
    else if (f.kind == 1)
        std::filesystem::create_symlink("/dev/zero", path, ec);
    else
        std::ofstream(path, std::ios::binary) << f.bytes;
}

const char* oddKind(int kind) {
    static const char* kinds[] = {"a named pipe", "a link to /dev/zero", "past the read limit",
                                  "the bytes of the input"};
    return kinds[kind];
}

// Output nobody reads.
class NullBuffer : public std::streambuf {
  protected:
    int overflow(int c) override { return c; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    Bytes in(data, size);
    const std::vector<OddFile> odd = oddFiles(in);
    const std::string text = scenarioOf(in);
    const bool print = std::getenv("ORBEK_FUZZ_PRINT") != nullptr;
    if (print) {
        for (const OddFile& f : odd)
            std::printf("# before the start, %s is %s\n", f.name.c_str(), oddKind(f.kind));
        std::fputs(text.c_str(), stdout);
        std::fflush(stdout);
    }

    // A fresh folder each time, in memory where the system has it, removed at the end.
    static const struct Folder {
        std::filesystem::path path =
            (std::filesystem::exists("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                 : std::filesystem::temp_directory_path()) /
            ("orbek-fuzz-station-" + std::to_string(::getpid()));
        ~Folder() {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
    } place;
    const std::filesystem::path& folder = place.path;
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    orbek::replay::Options options;
    options.appFolder = folder / "Station";
    options.userFolder = folder / "user";
    options.echoFrames = print;
    for (const OddFile& f : odd)
        makeOdd(f, options.appFolder);

    const orbek::replay::Scenario scenario = orbek::replay::parse(text);
    NullBuffer null;
    std::ostream out(print ? std::cout.rdbuf() : &null);
    out << std::unitbuf; // all of it out before a crash
    // Every step this target writes is one the player knows: a refusal is a fault of the target.
    if (!scenario.errors.empty() || !orbek::replay::run(scenario, options, out)) std::abort();
    return 0;
}
