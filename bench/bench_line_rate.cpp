// The real orbek-station on a pseudo-terminal under three loads: the port open with no traffic,
// a full 19200-baud line of phase-4 measurement frames (106.7 frames/s, one write each) and the
// same characters one write each (1,920 writes/s). Prints the station's share of one core from
// /proc/PID/stat and its wake-ups (voluntary context switches of all its threads) per second,
// with `cat` and, when installed, `cutecom` reading the same stream as references (cutecom on its
// own Xvfb, its port opened with xdotool; all three programs are needed for it). With
// --telemetry the station also publishes: off, to a local mosquitto (broker), or to a loopback
// socket that takes the connection and never answers (hung); each given is measured.
//
//   bench_line_rate [--seconds N] [--runs N] [--loads idle,frames,chars] [--station PATH]
//                   [--platform offscreen|xcb] [--telemetry off,broker,hung]
//
// Each run starts a fresh station in a temporary application folder; figures are medians.
#include "bench_broker.hpp"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Options {
    double seconds = 60;
    int runs = 3;
    std::vector<std::string> loads{"idle", "frames", "chars"};
    std::string station;
    std::string platform = "offscreen";
    std::vector<std::string> telemetry{"off"};
};

// One pseudo-terminal: the master end held here, the slave's name for the reader.
struct Pty {
    int master = -1;
    std::string slave;
    Pty() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
            std::perror("pseudo-terminal");
            std::exit(1);
        }
        slave = ::ptsname(master);
    }
    ~Pty() { ::close(master); }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;
    // Whatever the reader sent back is read and dropped, so its writes never block.
    void drain() const {
        char buffer[256];
        while (::read(master, buffer, sizeof buffer) > 0) {
        }
    }
    void write(const char* data, std::size_t size) const {
        while (size > 0) {
            const ssize_t n = ::write(master, data, size);
            if (n <= 0) return; // a full buffer: the reader is behind, the line drops it
            data += n;
            size -= static_cast<std::size_t>(n);
        }
    }
};

pid_t spawn(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv,
            const std::string& stdinPath = "/dev/null", const fs::path& cwd = {}) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        env.emplace_back(*e);
    for (const auto& e : extraEnv) {
        const auto key = e.substr(0, e.find('=') + 1);
        std::erase_if(env, [&](const std::string& x) { return x.rfind(key, 0) == 0; });
        env.push_back(e);
    }
    std::vector<char*> argv, envp;
    std::vector<std::string> copy = args;
    for (auto& a : copy)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, stdinPath.c_str(), O_RDONLY | O_NOCTTY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    pid_t pid = -1;
    if (::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

void stop(pid_t pid) {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    for (int i = 0; i < 50; ++i) {
        if (::waitpid(pid, nullptr, WNOHANG) == pid) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

// CPU ticks (user + system, all threads) and voluntary context switches of all threads.
struct Usage {
    double cpuSeconds = 0;
    long wakeUps = 0;
};

std::optional<Usage> usageOf(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    const auto close = text.rfind(')');
    if (close == std::string::npos) return std::nullopt;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    // Fields after the name: state is field 3, utime 14, stime 15.
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) utime = std::stoull(field);
        if (i == 15) stime = std::stoull(field);
    }
    Usage usage;
    usage.cpuSeconds =
        static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
    std::error_code ec;
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
        std::ifstream status(task.path() / "status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
                usage.wakeUps += std::stol(line.substr(line.find(':') + 1));
    }
    return usage;
}

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

double median(std::vector<double> v) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

void sleepUntil(Clock::time_point t) {
    std::this_thread::sleep_until(t);
}

bool onPath(const std::string& program) {
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

// The X server cutecom draws on (it opens its port only on a click or Alt+O); its display name.
struct Xvfb {
    pid_t pid = -1;
    std::string display;
    Xvfb() {
        if (!onPath("cutecom") || !onPath("Xvfb") || !onPath("xdotool")) return;
        int fds[2];
        if (::pipe(fds) != 0) return;
        pid = spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1024x768x24",
                     "-nolisten", "tcp"},
                    {});
        ::close(fds[1]);
        char number[16] = {};
        if (::read(fds[0], number, sizeof number - 1) > 0)
            display = ":" + std::to_string(std::atoi(number));
        ::close(fds[0]);
    }
    ~Xvfb() { stop(pid); }
};

// cutecom on the slave named in its settings, its port opened by its own Alt+O.
pid_t startCutecom(const Xvfb& x, const fs::path& folder, const std::string& device) {
    if (x.display.empty()) return -1;
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
                const bench::Broker& broker) {
    fs::remove_all(folder);
    fs::create_directories(folder / "config");
    Pty station, cat, cutecom;
    {
        std::ofstream status(folder / "status.ini", std::ios::binary);
        status << "2\r\n";
    }
    fs::create_symlink(station.slave, folder / "com2");
    const std::vector<std::string> env{"QT_QPA_PLATFORM=" + o.platform,
                                       "XDG_CONFIG_HOME=" + (folder / "config").string()};
    std::vector<std::string> args{o.station, "--base", folder.string()};
    if (broker.kind() != bench::Broker::Kind::None)
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
    f.wakeUps = static_cast<double>(s1->wakeUps - s0->wakeUps) / elapsed;
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
    const Xvfb x;
    for (const auto& mode : o.telemetry)
        for (const auto& load : o.loads) {
            const bench::Broker broker(bench::Broker::parse(mode));
            std::vector<double> station, wake, cat, cutecom;
            for (int r = 0; r < o.runs; ++r) {
                const Figures f = runOnce(o, x, load, folder, broker);
                station.push_back(f.station);
                wake.push_back(f.wakeUps);
                if (f.cat >= 0) cat.push_back(f.cat);
                if (f.cutecom >= 0) cutecom.push_back(f.cutecom);
                std::fprintf(stderr, "  %s run %d: station %.2f %%, %.0f wake-ups/s\n",
                             load.c_str(), r + 1, f.station, f.wakeUps);
            }
            std::printf("%-10s %-8s %14s %12.0f %10s %10s\n", mode.c_str(), load.c_str(),
                        percent(median(station)).c_str(), median(wake),
                        percent(median(cat)).c_str(), percent(median(cutecom)).c_str());
            std::fflush(stdout);
        }
    return 0;
}
