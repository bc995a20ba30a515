// From a frame written on the line to the station's models updated: the station as the program
// wires it (real Qt loop, serial adapter, driver of virtual time, main view offscreen) reads a
// pseudo-terminal that a writer thread feeds with a full line of phase-4 measurement frames
// (106.7 frames/s). Prints the median, p99 and maximum delay, and the p99 beside its goal (on an
// otherwise idle machine). With --telemetry the station publishes as the program does, to a
// local mosquitto (broker) or to a loopback socket that takes the connection and never answers
// (hung).
//
//   bench_qt_frame_latency [--seconds N] [--telemetry off|broker|hung]
#include "bench_broker.hpp"

#include "app/startup.hpp"
#include "core/clock.hpp"
#include "mqtt/mqtt_publisher.hpp"
#include "qt/qt_host.hpp"
#include "qt/qt_serial_port.hpp"
#include "qt/start_view.hpp"
#include "station/assembled_station.hpp"
#include "telemetry/telemetry.hpp"

#include <QApplication>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kFrame = 18;

int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

// The real adapter, timed: after each communication event the station handled, every frame
// whose last character had been read by then counts as taken into the models.
class TimedPort : public orbek::SerialPort {
  public:
    TimedPort(orbek::SerialPort& inner, const std::vector<std::atomic<int64_t>>& written)
        : inner_(inner), written_(written) {
        inner_.setEventHandler([this](orbek::CommEvent e) {
            inner_.setReceiveThreshold(receiveThreshold());
            raise(e);
            inner_.setReceiveThreshold(receiveThreshold());
            const int64_t now = nowNs();
            for (; taken_ < bytesRead_ / kFrame && taken_ < written_.size(); ++taken_)
                delays.push_back(static_cast<double>(now - written_[taken_].load()) / 1e3);
        });
    }
    bool open(int number) override { return inner_.open(number); }
    void close() override { inner_.close(); }
    bool isOpen() const override { return inner_.isOpen(); }
    void write(const std::vector<uint8_t>& bytes) override { inner_.write(bytes); }
    std::string read(std::size_t maxChars) override {
        std::string text = inner_.read(maxChars);
        bytesRead_ += text.size();
        return text;
    }
    std::size_t waiting() const override { return inner_.waiting(); }
    std::string deviceName(int number) const override { return inner_.deviceName(number); }

    std::vector<double> delays; // microseconds
  private:
    orbek::SerialPort& inner_;
    const std::vector<std::atomic<int64_t>>& written_;
    std::size_t bytesRead_ = 0;
    std::size_t taken_ = 0;
};

std::string frame(int code, int value) {
    char text[32];
    std::snprintf(text, sizeof text, "%03d, %03d, %03d, S\r\n", 0, code, value);
    return text;
}

} // namespace

int main(int argc, char** argv) {
    double seconds = 20;
    std::string mode = "off";
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--seconds") == 0)
            seconds = std::atof(argv[++i]);
        else if (std::strcmp(argv[i], "--telemetry") == 0)
            mode = argv[++i];
    const bench::Broker broker(bench::Broker::parse(mode));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    namespace fs = std::filesystem;
    const fs::path folder =
        fs::temp_directory_path() / ("orbek-latency-" + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder / "config");
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return 1;
    fs::create_symlink(::ptsname(master), folder / "com2");
    std::ofstream(folder / "status.ini", std::ios::binary) << "2\r\n";

    const auto frames = static_cast<std::size_t>(seconds * 1920 / kFrame);
    std::vector<std::atomic<int64_t>> written(frames + 1);

    orbek::Scheduler scheduler;
    orbek::SystemClock clock;
    std::unique_ptr<orbek::qt::StartView> view;
    orbek::qt::QtUiHost ui([&view]() -> QWidget* { return view.get(); });
    orbek::qt::QtSerialPort serial([&] { return folder; });
    TimedPort port(serial, written);
    orbek::Paths paths;
    paths.appFolder = folder;
    paths.userFolder = folder / "config";
    orbek::AssembledStation station(scheduler, port, ui, clock, paths);
    view = std::make_unique<orbek::qt::StartView>(station);
    ui.render = [&view] { view->requestRender(); };
    const auto renderSoon = [&view] { view->renderSoon(); };
    serial.afterEvent = renderSoon;
    orbek::qt::SchedulerDriver driver(scheduler);
    driver.afterAdvance = renderSoon;
    view->show();
    orbek::app::Form_Load(station);
    std::unique_ptr<orbek::mqtt::MqttPublisher> publisher;
    std::unique_ptr<orbek::telemetry::Telemetry> telemetry;
    if (broker.kind() != bench::Broker::Kind::None) {
        orbek::mqtt::Options o;
        o.host = "127.0.0.1";
        o.port = broker.port();
        o.clientId = "orbek-bench-latency";
        o.willTopic = "orbek/bench/availability";
        publisher = std::make_unique<orbek::mqtt::MqttPublisher>(o);
        telemetry = std::make_unique<orbek::telemetry::Telemetry>(
            station, orbek::telemetry::Identity{"bench", "orbek/bench", false, broker.url()},
            &orbek::utcNow);
        telemetry->addPublisher(*publisher, true);
        telemetry->start();
    }
    ui.render();
    driver.start();

    // The writer starts once the start-up has settled and ends the loop when it is done.
    std::thread writer([&] {
        std::this_thread::sleep_for(std::chrono::seconds(2));
        const std::string phase = frame(238, 4);
        [[maybe_unused]] auto n = ::write(master, phase.data(), phase.size());
        const int codes[] = {251, 250, 249, 248, 247, 235, 234, 233, 232, 226};
        const auto period = std::chrono::nanoseconds(1'000'000'000LL * kFrame / 1920);
        auto t = Clock::now() + period;
        char sink[256];
        for (std::size_t i = 1; i <= frames; ++i) {
            std::this_thread::sleep_until(t);
            t += period;
            const std::string f = frame(codes[i % 10], static_cast<int>(40 + i % 60));
            written[i].store(nowNs());
            n = ::write(master, f.data(), f.size());
            while (::read(master, sink, sizeof sink) > 0) {
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        QMetaObject::invokeMethod(&application, &QApplication::quit, Qt::QueuedConnection);
    });
    written[0].store(nowNs());
    application.exec();
    writer.join();
    const auto status = publisher ? publisher->status() : orbek::telemetry::PublisherStatus{};
    telemetry.reset();
    if (publisher) publisher->finish(1000);
    view.reset();
    ::close(master);
    fs::remove_all(folder);

    // The phase frame's delay includes the writer's start; it is left out.
    std::vector<double> d(port.delays.begin() + std::min<std::size_t>(1, port.delays.size()),
                          port.delays.end());
    if (d.empty()) {
        std::fprintf(stderr, "no frame reached the station\n");
        return 1;
    }
    std::sort(d.begin(), d.end());
    const double p99 = d[std::min(d.size() - 1, d.size() * 99 / 100)];
    std::printf("telemetry %s: frame written to models updated, %zu of %zu frames: median %.0f us, "
                "p99 %.0f us, max %.0f us\n",
                mode.c_str(), d.size(), frames, d[d.size() / 2], p99, d.back());
    if (publisher)
        std::printf("  messages sent %llu, connected %s%s%s\n",
                    static_cast<unsigned long long>(status.sent), status.connected ? "yes" : "no",
                    status.error.empty() ? "" : ", ", status.error.c_str());
    char figure[32];
    std::snprintf(figure, sizeof figure, "%.3f ms", p99 / 1000);
    std::printf("\n%-44s %14s   goal %-24s %s\n", "frame written to models updated, p99:", figure,
                "<= 0.5 ms (idle machine)", p99 <= 500 ? "met" : "MISSED");
    return 0;
}
