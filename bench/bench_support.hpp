// What the benchmarks that run the real programs share: pseudo-terminals, child processes, an
// X server of their own, the CPU time and wake-ups of a process, and a figure printed beside
// its goal.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace bench {

namespace fs = std::filesystem;

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

// Starts `args` with `extraEnv` added to this environment; standard output and error go to
// /dev/null, or standard error to `errorPipe` when it is a descriptor.
inline pid_t spawn(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv,
                   const std::string& stdinPath = "/dev/null", const fs::path& cwd = {},
                   int errorPipe = -1) {
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
    if (errorPipe >= 0)
        posix_spawn_file_actions_adddup2(&actions, errorPipe, 2);
    else
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    pid_t pid = -1;
    if (::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

inline void stop(pid_t pid) {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    for (int i = 0; i < 50; ++i) {
        if (::waitpid(pid, nullptr, WNOHANG) == pid) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

inline bool onPath(const std::string& program) {
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

// An X server of the benchmark's own; its display name, empty when it could not start.
struct Xvfb {
    pid_t pid = -1;
    std::string display;
    explicit Xvfb(bool wanted = true) {
        if (!wanted || !onPath("Xvfb")) return;
        int fds[2];
        if (::pipe(fds) != 0) return;
        pid = spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1366x768x24",
                     "-nolisten", "tcp"},
                    {});
        ::close(fds[1]);
        char number[16] = {};
        if (::read(fds[0], number, sizeof number - 1) > 0)
            display = ":" + std::to_string(std::atoi(number));
        ::close(fds[0]);
    }
    ~Xvfb() { stop(pid); }
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;
};

// CPU time (user and system, all threads) and wake-ups (voluntary context switches, per
// thread) of a process so far.
struct Usage {
    double cpuSeconds = 0;
    std::map<std::string, long> wakeUps; // by thread id
};

// Wake-ups between two looks: per thread, so a pool thread that ends between them does not
// take its earlier wake-ups off the count (a thread that began in between counts from zero).
inline long wakeUpsBetween(const Usage& from, const Usage& to) {
    long n = 0;
    for (const auto& [tid, count] : to.wakeUps) {
        const auto before = from.wakeUps.find(tid);
        n += count - (before == from.wakeUps.end() ? 0 : before->second);
    }
    return n;
}

inline std::optional<Usage> usageOf(pid_t pid) {
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
                usage.wakeUps[task.path().filename()] = std::stol(line.substr(line.find(':') + 1));
    }
    return usage;
}

inline double median(std::vector<double> v) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// "<what>: <figure> (goal <goal>) met" or "... MISSED": every benchmark ends with these lines.
inline void goalLine(const std::string& what, const std::string& figure, const std::string& goal,
                     bool met) {
    std::printf("%-44s %14s   goal %-24s %s\n", (what + ":").c_str(), figure.c_str(), goal.c_str(),
                met ? "met" : "MISSED");
    std::fflush(stdout);
}

inline std::string formatted(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

} // namespace bench
