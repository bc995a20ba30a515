// Start to first paint: the real orbek-station started on an X server of its own (Xvfb), its
// port open on a pseudo-terminal, until its main window's first paint is on the screen (the
// station tells the moment with ORBEK_FIRST_PAINT=1 and ends). One warm-up start, then the
// median, the fastest and the slowest of the others, beside the goal.
//
//   bench_start_time [--runs N] [--station PATH] [--platform xcb|offscreen]
#include "bench_support.hpp"

#include <cstring>

namespace {

using namespace bench;

// Milliseconds from the start to the first paint, or -1 when the station told nothing.
double startOnce(const std::string& station, const fs::path& folder, const std::string& display,
                 const std::string& platform) {
    int fds[2];
    if (::pipe(fds) != 0) return -1;
    std::vector<std::string> env{"QT_QPA_PLATFORM=" + platform, "ORBEK_FIRST_PAINT=1",
                                 "XDG_CONFIG_HOME=" + (folder / "config").string()};
    if (!display.empty()) env.push_back("DISPLAY=" + display);
    const auto started = std::chrono::system_clock::now();
    const pid_t pid =
        spawn({station, "--base", (folder / "Station").string()}, env, "/dev/null", {}, fds[1]);
    ::close(fds[1]);
    std::string told;
    char buffer[256];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        told.append(buffer, static_cast<std::size_t>(n));
    ::close(fds[0]);
    ::waitpid(pid, nullptr, 0);
    const auto at = told.find("first paint at ");
    if (at == std::string::npos) return -1;
    const long long ns = std::atoll(told.c_str() + at + std::strlen("first paint at "));
    const long long from =
        std::chrono::duration_cast<std::chrono::nanoseconds>(started.time_since_epoch()).count();
    return static_cast<double>(ns - from) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    int runs = 15;
    std::string platform = "xcb";
    std::string station =
        (fs::canonical("/proc/self/exe").parent_path().parent_path() / "orbek-station").string();
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (a == "--station" && i + 1 < argc)
            station = argv[++i];
        else if (a == "--platform" && i + 1 < argc)
            platform = argv[++i];
        else {
            std::fprintf(stderr,
                         "usage: %s [--runs N] [--station PATH] [--platform xcb|offscreen]\n",
                         argv[0]);
            return 2;
        }
    }
    const Xvfb x(platform == "xcb");
    if (platform == "xcb" && x.display.empty()) {
        std::fprintf(stderr, "bench_start_time: no Xvfb (scripts/bootstrap installs it)\n");
        return 1;
    }
    const fs::path folder =
        fs::temp_directory_path() / ("orbek-start-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder / "Station");
    fs::create_directories(folder / "config");
    const Pty line;
    fs::create_symlink(line.slave, folder / "Station" / "com2");
    std::ofstream(folder / "Station" / "status.ini", std::ios::binary) << "2\r\n";

    std::printf("orbek-station %s, QT_QPA_PLATFORM=%s, %d start(s) after one to warm up\n",
                station.c_str(), platform.c_str(), runs);
    // The first start writes the configuration files, as only a first start does.
    startOnce(station, folder, x.display, platform);
    std::vector<double> times;
    for (int r = 0; r < runs; ++r) {
        const double ms = startOnce(station, folder, x.display, platform);
        if (ms < 0) {
            std::fprintf(stderr, "bench_start_time: the station told no first paint\n");
            return 1;
        }
        times.push_back(ms);
        line.drain();
    }
    fs::remove_all(folder);
    std::sort(times.begin(), times.end());
    std::printf("fastest %.1f ms, slowest %.1f ms\n\n", times.front(), times.back());
    const double m = median(times);
    goalLine("start to first paint, median", formatted("%.1f ms", m), "<= 60 ms", m <= 60);
    return 0;
}
