// A broker for the telemetry benchmarks: Debian's mosquitto on 127.0.0.1 at a free port with a
// temporary configuration, or a hung one (a loopback socket that accepts and never answers).
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace bench {

class Broker {
  public:
    enum class Kind { None, Mosquitto, Hung };

    explicit Broker(Kind kind) : kind_(kind) {
        if (kind == Kind::None) return;
        listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const int on = 1;
        ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        socklen_t size = sizeof a;
        if (::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &size) != 0) {
            std::perror("broker socket");
            std::exit(1);
        }
        port_ = ntohs(a.sin_port);
        if (kind == Kind::Hung) {
            // Takes every connection and never answers: the station waits for a CONNACK.
            ::listen(listen_, 64);
            acceptor_ = std::thread([this] {
                while (!stop_) {
                    const int fd = ::accept(listen_, nullptr, nullptr);
                    if (fd >= 0) accepted_.push_back(fd);
                }
            });
            return;
        }
        ::close(listen_);
        listen_ = -1;
        folder_ = std::filesystem::temp_directory_path() /
                  ("orbek-bench-broker-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
        const char* user = std::getenv("USER");
        std::ofstream(folder_ / "mosquitto.conf")
            << "listener " << port_ << " 127.0.0.1\nallow_anonymous true\npersistence false\n"
            << "max_queued_messages 100000\nlog_dest none\nuser " << (user ? user : "root") << "\n";
        pid_ = ::fork();
        if (pid_ == 0) {
            ::execlp("mosquitto", "mosquitto", "-c", (folder_ / "mosquitto.conf").c_str(), nullptr);
            ::execl("/usr/sbin/mosquitto", "mosquitto", "-c", (folder_ / "mosquitto.conf").c_str(),
                    nullptr);
            ::_exit(127);
        }
        // Ready once it takes a connection.
        for (int i = 0; i < 200; ++i) {
            const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in b = a;
            const bool up = ::connect(fd, reinterpret_cast<sockaddr*>(&b), sizeof b) == 0;
            ::close(fd);
            if (up) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        std::fprintf(stderr, "mosquitto did not start (is it installed?)\n");
        std::exit(1);
    }
    ~Broker() {
        stop_ = true;
        if (listen_ >= 0) ::shutdown(listen_, SHUT_RDWR);
        if (acceptor_.joinable()) acceptor_.join();
        if (listen_ >= 0) ::close(listen_);
        for (int fd : accepted_)
            ::close(fd);
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        if (!folder_.empty()) std::filesystem::remove_all(folder_);
    }
    Broker(const Broker&) = delete;
    Broker& operator=(const Broker&) = delete;

    Kind kind() const { return kind_; }
    int port() const { return port_; }
    std::string url() const { return "mqtt://127.0.0.1:" + std::to_string(port_); }

    static Kind parse(const std::string& name) {
        if (name == "broker") return Kind::Mosquitto;
        if (name == "hung") return Kind::Hung;
        if (name != "off") {
            std::fprintf(stderr, "telemetry is off, broker or hung, not '%s'\n", name.c_str());
            std::exit(2);
        }
        return Kind::None;
    }

  private:
    Kind kind_;
    int listen_ = -1;
    int port_ = 0;
    pid_t pid_ = -1;
    std::atomic<bool> stop_{false};
    std::thread acceptor_;
    std::vector<int> accepted_;
    std::filesystem::path folder_;
};

} // namespace bench
