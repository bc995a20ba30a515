// The real orbek-station on a pseudo-terminal under three loads: the port open with no traffic,
// a full 19200-baud line of phase-4 measurement frames (106.7 frames/s, one write each) and the
// same characters one write each (1,920 writes/s). Prints the station's share of one core from
// /proc/PID/stat and its wake-ups (voluntary context switches of all its threads) per second,
// with `cat` and, when installed, `cutecom` reading the same stream in the same minute as
// references (cutecom on its own Xvfb, its port opened with xdotool: `scripts/bootstrap bench`
// installs them), then each figure beside its goal. With --telemetry the station also
// publishes: off, to a local mosquitto (broker), or to a loopback socket that takes the
// connection and never answers (hung); each given is measured, the goals are the station's
// without telemetry.
//
//   bench_line_rate [--seconds N] [--runs N] [--loads idle,frames,chars] [--station PATH]
//                   [--platform offscreen|xcb] [--telemetry off,broker,hung]
//
// Each run starts a fresh station in a temporary application folder; figures are medians.
#include "bench_broker.hpp"
#include "bench_support.hpp"

#include <termios.h>

#include <cerrno>
#include <cstring>
#include <ctime>

namespace {

using namespace bench;
using Clock = std::chrono::steady_clock;

struct Options {
    double seconds = 60;
    int runs = 3;
    std::vector<std::string> loads{"idle", "frames", "chars"};
    std::string station;
    std::string platform = "offscreen";
    std::vector<std::string> telemetry{"off"};
};

// The stream of a phase-4 run: the phase frame, then the measurement frames in turn.
std::string frame(int code, int value) {
    char text[32];
    std::snprintf(text, sizeof text, "%03d, %03d, %03d, S\r\n", 0, code, value);
    return text;
}

std::vector<std::string> phase4Frames() {
    std::vector<std::string> frames;
    const int codes[] = {251, 250, 249, 248, 247, 235, 234, 233, 232, 226};
    for (int round = 0; round < 10; ++round)
        for (int code : codes)
            frames.push_back(frame(code, 40 + (round * 7 + code) % 60));
    return frames;
}

struct Figures {
    double station = 0, wakeUps = 0, cat = -1, cutecom = -1;
};

void sleepUntil(Clock::time_point t) {
    std::this_thread::sleep_until(t);
}

// cutecom on the slave named in its settings, its port opened by its own Alt+O.
pid_t startCutecom(const Xvfb& x, const fs::path& folder, const std::string& device) {
    if (x.display.empty() || !onPath("cutecom") || !onPath("xdotool")) return -1;
    const fs::path config = folder / "cutecom-config" / "CuteCom";
    fs::create_directories(config);
    std::ofstream conf(config / "CuteCom5.conf");
    conf << "[sessions]\n1\\name=Default\n1\\Device=" << device
         << "\n1\\BaudRate=19200\n1\\DataBits=8\n1\\Parity=0\n1\\StopBits=1\n"
            "1\\FlowControl=2\n1\\OpenMode=3\nsize=1\n";
    conf.close();
    const pid_t pid = spawn({"cutecom"}, {"XDG_CONFIG_HOME=" + (folder / "cutecom-config").string(),
                                          "DISPLAY=" + x.display, "QT_QPA_PLATFORM=xcb"});
    const std::string open = "DISPLAY=" + x.display +
                             " timeout 10 xdotool search --sync --onlyvisible --name CuteCom "
                             "windowfocus --sync key alt+o >/dev/null 2>&1";
    if (std::system(open.c_str()) != 0) std::fprintf(stderr, "cutecom did not open its port\n");
    return pid;
}

Figures runOnce(const Options& o, const Xvfb& x, const std::string& load, const fs::path& folder,
                const Broker& broker) {
    fs::remove_all(folder);
    fs::create_directories(folder / "config");
    Pty station, cat, cutecom;
    {
        std::ofstream status(folder / "status.ini", std::ios::binary);
        status << "2\r\n";
    }
    fs::create_symlink(station.slave, folder / "com2");
    std::vector<std::string> env{"QT_QPA_PLATFORM=" + o.platform,
                                 "XDG_CONFIG_HOME=" + (folder / "config").string()};
    if (o.platform == "xcb" && !x.display.empty()) env.push_back("DISPLAY=" + x.display);
    std::vector<std::string> args{o.station, "--base", folder.string()};
    if (broker.kind() != Broker::Kind::None)
        args.insert(args.end(), {"--mqtt", broker.url(), "--station-name", "bench"});
    const pid_t stationPid = spawn(args, env, "/dev/null", folder);
    // cat reads a raw line as a terminal program would.
    {
        const int fd = ::open(cat.slave.c_str(), O_RDWR | O_NOCTTY);
        termios t{};
        ::tcgetattr(fd, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(fd, TCSANOW, &t);
        ::close(fd);
    }
    const pid_t catPid = spawn({"cat"}, {}, cat.slave);
    const pid_t cutecomPid = startCutecom(x, folder, cutecom.slave);

    const bool feed = load != "idle";
    const bool perChar = load == "chars";
    const auto frames = phase4Frames();
    const std::string phase = frame(238, 4);
    const auto period =
        std::chrono::nanoseconds(perChar ? 1'000'000'000LL / 1920 : 1'000'000'000LL * 18 / 1920);
    const auto started = Clock::now();
    const auto feedFrom = started + std::chrono::seconds(3);
    const auto window = std::chrono::duration<double>(o.seconds);
    const auto measureFrom = started + std::chrono::seconds(6);
    const auto measureTo = measureFrom + std::chrono::duration_cast<Clock::duration>(window);

    std::optional<Usage> s0, c0, q0;
    std::string stream = phase;
    std::size_t next = 0, pos = 0;
    auto t = feedFrom;
    const Pty* sinks[] = {&station, &cat, &cutecom};
    while (true) {
        const auto now = Clock::now();
        if (!s0 && now >= measureFrom) {
            s0 = usageOf(stationPid);
            c0 = usageOf(catPid);
            if (cutecomPid > 0) q0 = usageOf(cutecomPid);
        }
        if (now >= measureTo) break;
        if (!feed || now < feedFrom) {
            for (const Pty* p : sinks)
                p->drain();
            sleepUntil(
                std::min(now + std::chrono::milliseconds(100), s0 ? measureTo : measureFrom));
            continue;
        }
        sleepUntil(t);
        t += period;
        if (pos >= stream.size()) {
            stream = frames[next++ % frames.size()];
            pos = 0;
        }
        const std::size_t n = perChar ? 1 : stream.size() - pos;
        for (const Pty* p : sinks) {
            p->write(stream.data() + pos, n);
            p->drain();
        }
        pos += n;
    }
    const auto s1 = usageOf(stationPid);
    const auto c1 = usageOf(catPid);
    const auto q1 = cutecomPid > 0 ? usageOf(cutecomPid) : std::nullopt;
    const double elapsed = std::chrono::duration<double>(Clock::now() - measureFrom).count();
    Figures f;
    if (!s0 || !s1) {
        std::fprintf(stderr, "the station ended early (%s)\n", o.station.c_str());
        std::exit(1);
    }
    f.station = 100.0 * (s1->cpuSeconds - s0->cpuSeconds) / elapsed;
    f.wakeUps = static_cast<double>(wakeUpsBetween(*s0, *s1)) / elapsed;
    if (c0 && c1) f.cat = 100.0 * (c1->cpuSeconds - c0->cpuSeconds) / elapsed;
    if (q0 && q1) f.cutecom = 100.0 * (q1->cpuSeconds - q0->cpuSeconds) / elapsed;
    stop(stationPid);
    stop(catPid);
    stop(cutecomPid);
    fs::remove_all(folder);
    return f;
}

std::string percent(double v) {
    if (v < 0) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f %%", v);
    return text;
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    o.station = (fs::canonical("/proc/self/exe").parent_path().parent_path() / "orbek-station");
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "%s needs a value\n", a.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--seconds")
            o.seconds = std::stod(value());
        else if (a == "--runs")
            o.runs = std::max(1, std::stoi(value()));
        else if (a == "--station")
            o.station = value();
        else if (a == "--platform")
            o.platform = value();
        else if (a == "--telemetry") {
            o.telemetry.clear();
            std::istringstream list(value());
            for (std::string mode; std::getline(list, mode, ',');)
                o.telemetry.push_back(mode);
        } else if (a == "--loads") {
            o.loads.clear();
            std::istringstream list(value());
            for (std::string load; std::getline(list, load, ',');)
                o.loads.push_back(load);
        } else {
            std::fprintf(stderr,
                         "usage: %s [--seconds N] [--runs N] [--loads idle,frames,chars] "
                         "[--station PATH] [--platform offscreen|xcb] "
                         "[--telemetry off,broker,hung]\n",
                         argv[0]);
            return 2;
        }
    }
    ::signal(SIGPIPE, SIG_IGN);
    const fs::path folder =
        fs::temp_directory_path() / ("orbek-line-rate-" + std::to_string(::getpid()));
    std::printf("orbek-station %s, QT_QPA_PLATFORM=%s, %d run(s) of %.0f s, medians\n",
                o.station.c_str(), o.platform.c_str(), o.runs, o.seconds);
    std::printf("%-10s %-8s %14s %12s %10s %10s\n", "telemetry", "load", "station", "wake-ups/s",
                "cat", "cutecom");
    // cutecom draws on its own X server, and so does the station with --platform xcb.
    const Xvfb x(onPath("cutecom") || o.platform == "xcb");
    struct Row {
        std::string load;
        double station, wake, ofCutecom;
    };
    std::vector<Row> rows;
    for (const auto& mode : o.telemetry)
        for (const auto& load : o.loads) {
            const Broker broker(Broker::parse(mode));
            std::vector<double> station, wake, cat, cutecom, ofCutecom;
            for (int r = 0; r < o.runs; ++r) {
                const Figures f = runOnce(o, x, load, folder, broker);
                station.push_back(f.station);
                wake.push_back(f.wakeUps);
                if (f.cat >= 0) cat.push_back(f.cat);
                if (f.cutecom >= 0) cutecom.push_back(f.cutecom);
                if (f.cutecom > 0) ofCutecom.push_back(f.station / f.cutecom);
                std::fprintf(stderr, "  %s run %d: station %.2f %%, %.0f wake-ups/s\n",
                             load.c_str(), r + 1, f.station, f.wakeUps);
            }
            std::printf("%-10s %-8s %14s %12.0f %10s %10s\n", mode.c_str(), load.c_str(),
                        percent(median(station)).c_str(), median(wake),
                        percent(median(cat)).c_str(), percent(median(cutecom)).c_str());
            std::fflush(stdout);
            if (mode == "off")
                rows.push_back({load, median(station), median(wake), median(ofCutecom)});
        }
    std::printf("\n");
    constexpr double kFramesPerSecond = 1920.0 / 18;
    for (const Row& r : rows) {
        if (r.load == "idle") {
            goalLine("idle, port open: CPU share", percent(r.station), "<= 0.30 %",
                     r.station <= 0.3);
            goalLine("idle, port open: wake-ups", formatted("%.1f /s", r.wake), "<= 20 /s",
                     r.wake <= 20);
        } else if (r.load == "frames") {
            goalLine("full line, 106.7 frames/s: CPU share", percent(r.station), "<= 1.20 %",
                     r.station <= 1.2);
            if (r.ofCutecom >= 0)
                goalLine("full line: beside cutecom, same minute",
                         formatted("%.2f of it", r.ofCutecom), "<= 0.50 of it", r.ofCutecom <= 0.5);
            else
                goalLine("full line: beside cutecom, same minute", "not measured",
                         "<= 0.50 of it (needs cutecom, Xvfb, xdotool)", false);
            goalLine("full line: wake-ups per frame", formatted("%.2f", r.wake / kFramesPerSecond),
                     "<= 1.5", r.wake / kFramesPerSecond <= 1.5);
        } else if (r.load == "chars") {
            goalLine("1,920 writes/s: CPU share", percent(r.station), "<= 3.00 %",
                     r.station <= 3.0);
        }
    }
    return 0;
}
