// A lab, simulated: N assembled stations (default 50), each on the simulated controller and its
// own virtual time, each running a whole run at high speed (the word, Start, the phases, a
// minute in phase 4, Stop, the cooling, the ready answer, Quit) as fast as the processor lets
// it, each publishing through its own MQTT adapter to one local mosquitto. A subscriber takes
// everything; at the end every event each station published must have arrived once and in
// order. Prints messages a second and the processor time per station.
//
//   bench_lab_telemetry [--stations N] [--phase4 SECONDS]
#include "bench_broker.hpp"

#include "app/shutdown.hpp"
#include "app/startup.hpp"
#include "core/clock.hpp"
#include "core/scripted_ui_host.hpp"
#include "mqtt/mqtt_publisher.hpp"
#include "sim/simulated_port.hpp"
#include "station/assembled_station.hpp"
#include "telemetry/telemetry.hpp"

#include <mosquitto.h>
#include <sys/resource.h>

#include <cstring>
#include <map>
#include <memory>
#include <mutex>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using orbek::telemetry::Message;

// What a station handed to its adapter, kept to compare with what arrived.
class Recording : public orbek::telemetry::Publisher {
  public:
    explicit Recording(orbek::telemetry::Publisher& inner) : inner_(inner) {}
    void publish(Message m) override {
        if (m.kind == Message::Kind::Event) events.push_back(m.topic + " " + m.payload);
        ++count;
        inner_.publish(std::move(m));
    }
    orbek::telemetry::PublisherStatus status() const override { return inner_.status(); }
    std::vector<std::string> events;
    std::size_t count = 0;

  private:
    orbek::telemetry::Publisher& inner_;
};

struct LabStation {
    orbek::Scheduler scheduler;
    orbek::sim::SimulatedPort port;
    orbek::ScriptedUiHost ui{scheduler};
    orbek::FixedClock clock;
    std::unique_ptr<orbek::Station> station;
    std::unique_ptr<orbek::mqtt::MqttPublisher> adapter;
    std::unique_ptr<Recording> recording;
    std::unique_ptr<orbek::telemetry::Telemetry> telemetry;

    LabStation(int n, const fs::path& folder, int brokerPort, const orbek::sim::SimOptions& sim)
        : port(scheduler, sim) {
        const std::string name = "lab-" + std::to_string(n);
        orbek::Paths paths{folder / name, folder / name / "user"};
        fs::create_directories(paths.userFolder);
        station = std::make_unique<orbek::AssembledStation>(scheduler, port, ui, clock, paths);
        orbek::mqtt::Options o;
        o.host = "127.0.0.1";
        o.port = brokerPort;
        o.clientId = "orbek-" + name;
        o.willTopic = "orbek/" + name + "/availability";
        adapter = std::make_unique<orbek::mqtt::MqttPublisher>(o);
        recording = std::make_unique<Recording>(*adapter);
        telemetry = std::make_unique<orbek::telemetry::Telemetry>(
            *station, orbek::telemetry::Identity{name, "orbek/" + name, false, "lab"}, [this] {
                // The station's own virtual time, as a date: unique within its run.
                orbek::DateTime t;
                const int64_t ms = scheduler.now();
                t.hour = static_cast<int>(ms / 3600000);
                t.minute = static_cast<int>(ms / 60000 % 60);
                t.second = static_cast<int>(ms / 1000 % 60);
                t.millisecond = static_cast<int>(ms % 1000);
                return t;
            });
        telemetry->addPublisher(*recording, true);
    }
};

// Everything the broker passes on, by station.
struct Subscriber {
    std::mutex mutex;
    std::map<std::string, std::vector<std::string>> events;
    std::size_t messages = 0;
    std::map<std::string, bool> quit;
};

void onMessage(mosquitto*, void* obj, const mosquitto_message* m) {
    auto* s = static_cast<Subscriber*>(obj);
    const std::string topic = m->topic;
    const std::string payload(static_cast<const char*>(m->payload),
                              static_cast<std::size_t>(m->payloadlen));
    std::lock_guard lock(s->mutex);
    ++s->messages;
    const auto event = topic.find("/event/");
    if (event == std::string::npos) return;
    const std::string station = topic.substr(6, event - 6);
    s->events[station].push_back(topic + " " + payload);
    if (topic.ends_with("/station_quit")) s->quit[station] = true;
}

double cpuSeconds() {
    rusage r{};
    ::getrusage(RUSAGE_SELF, &r);
    return static_cast<double>(r.ru_utime.tv_sec + r.ru_stime.tv_sec) +
           static_cast<double>(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    int stations = 50;
    int phase4 = 60;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--stations") == 0)
            stations = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--phase4") == 0)
            phase4 = std::max(1, std::atoi(argv[i + 1]));
    }
    const bench::Broker broker(bench::Broker::Kind::Mosquitto);
    mosquitto_lib_init();
    Subscriber received;
    mosquitto* sub = mosquitto_new("orbek-lab-subscriber", true, &received);
    mosquitto_message_callback_set(sub, onMessage);
    if (mosquitto_connect(sub, "127.0.0.1", broker.port(), 60) != MOSQ_ERR_SUCCESS ||
        mosquitto_subscribe(sub, nullptr, "orbek/#", 1) != MOSQ_ERR_SUCCESS ||
        mosquitto_loop_start(sub) != MOSQ_ERR_SUCCESS) {
        std::fprintf(stderr, "the subscriber could not start\n");
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // its SUBSCRIBE reaches the broker

    const fs::path folder = fs::temp_directory_path() / ("orbek-lab-" + std::to_string(::getpid()));
    orbek::sim::SimOptions sim;
    sim.speed = 20;
    std::vector<std::unique_ptr<LabStation>> lab;
    for (int n = 0; n < stations; ++n)
        lab.push_back(std::make_unique<LabStation>(n, folder, broker.port(), sim));

    // One run, the same for each: virtual times of its steps.
    const int64_t stopAt = 6000 + phase4 * 1000LL;
    const int64_t quitAt = stopAt + 20000;
    const double cpu0 = cpuSeconds();
    const auto wall0 = Clock::now();
    for (auto& s : lab) {
        orbek::app::Form_Load(*s->station);
        s->telemetry->start();
    }
    for (int64_t t = 100; t <= quitAt; t += 100) {
        for (auto& s : lab) {
            orbek::Station& st = *s->station;
            s->scheduler.advanceTo(t);
            if (t == 300) {
                st.Start().Text1.caption = "marigold";
                st.Start().fire("OkStart");
            } else if (t == 2000) {
                st.Start().fire("Startbouton");
            } else if (t == stopAt) {
                st.Start().fire("Stopbouton");
            } else if (t == quitAt) {
                orbek::app::QuittFinal(st);
            }
        }
    }
    const double drivenS = std::chrono::duration<double>(Clock::now() - wall0).count();
    // Each adapter sends what waits and disconnects.
    for (auto& s : lab)
        s->adapter->finish(20000);
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    for (;;) {
        {
            std::lock_guard lock(received.mutex);
            if (received.quit.size() == lab.size()) break;
        }
        if (Clock::now() > deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const double wallS = std::chrono::duration<double>(Clock::now() - wall0).count();
    const double cpuS = cpuSeconds() - cpu0;
    mosquitto_disconnect(sub);
    mosquitto_loop_stop(sub, false);

    std::size_t published = 0, events = 0, failures = 0;
    std::lock_guard lock(received.mutex);
    for (int n = 0; n < stations; ++n) {
        const std::string name = "lab-" + std::to_string(n);
        const auto& sent = lab[static_cast<std::size_t>(n)]->recording->events;
        published += lab[static_cast<std::size_t>(n)]->recording->count;
        events += sent.size();
        if (received.events[name] != sent) {
            ++failures;
            std::fprintf(stderr, "%s: %zu events published, %zu arrived, not the same in order\n",
                         name.c_str(), sent.size(), received.events[name].size());
        }
    }
    std::printf("%d stations, each a run of %lld virtual s (%d s in phase 4): driven in %.2f s, "
                "all delivered in %.2f s\n",
                stations, static_cast<long long>(quitAt / 1000), phase4, drivenS, wallS);
    std::printf("messages: %zu published (%zu events), %zu received, %.0f a second\n", published,
                events, received.messages, static_cast<double>(received.messages) / wallS);
    std::printf("processor: %.3f s per station (%.2f %% of a core per station over the run)\n",
                cpuS / stations, 100.0 * cpuS / stations / wallS);
    std::printf("every event arrived once and in order: %s\n", failures == 0 ? "yes" : "NO");
    mosquitto_destroy(sub);
    lab.clear();
    fs::remove_all(folder);
    return failures == 0 ? 0 : 1;
}
