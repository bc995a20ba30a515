#include "mqtt/mqtt_publisher.hpp"

#include <mosquitto.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <poll.h>
#include <unistd.h>

namespace orbek::mqtt {

using telemetry::Message;
using Clock = std::chrono::steady_clock;

namespace {

// Messages handed to the library and not yet acknowledged, at most: the rest wait in the queue,
// where the limits hold.
constexpr std::size_t kInFlight = 100;

int64_t msSince(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

std::string describe(int rc) {
    if (rc == MOSQ_ERR_ERRNO) return std::strerror(errno);
    if (rc == MOSQ_ERR_EAI) return "the broker's name could not be resolved";
    return mosquitto_strerror(rc);
}

} // namespace

struct MqttPublisher::Shared {
    explicit Shared(Options o) : options(std::move(o)) {}
    ~Shared() {
        for (int fd : wake)
            if (fd >= 0) ::close(fd);
    }
    Shared(const Shared&) = delete;
    Shared& operator=(const Shared&) = delete;

    const Options options;
    mutable std::mutex mutex;
    std::condition_variable settled;
    telemetry::OutgoingQueue queue;
    telemetry::PublisherStatus status{false, 0, 0, {}};
    bool finishing = false;
    bool abandon = false;
    bool done = false;
    int wake[2] = {-1, -1};

    // The worker's own, for the present connection.
    std::map<int, Message> inFlight; // by message id, in the order sent
    bool answered = false;           // the broker took the connection
    std::string refusal;             // why it refused it

    void wakeUp() const {
        if (wake[1] < 0) return;
        const auto written = ::write(wake[1], "w", 1); // a full pipe wakes it as well
        (void)written;
    }
    void drainWake() const {
        char buffer[64];
        while (::read(wake[0], buffer, sizeof buffer) > 0) {
        }
    }
    bool stopNow() {
        std::lock_guard lock(mutex);
        return abandon;
    }

    void run();
    bool session(mosquitto* mosq);
    mosquitto* connection();
    void waitFor(int64_t ms);
    void lost(const std::string& why);
};

namespace {

void onConnect(mosquitto*, void* obj, int rc) {
    auto* s = static_cast<MqttPublisher::Shared*>(obj);
    std::lock_guard lock(s->mutex);
    if (rc != 0) {
        s->refusal = mosquitto_connack_string(rc);
        return;
    }
    s->answered = true;
    s->status.connected = true;
    s->status.error.clear();
    // A broker that restarted may have lost them.
    s->queue.resendRetained();
}

void onPublish(mosquitto*, void* obj, int mid) {
    auto* s = static_cast<MqttPublisher::Shared*>(obj);
    std::lock_guard lock(s->mutex);
    if (s->inFlight.erase(mid)) ++s->status.sent;
    s->settled.notify_all();
}

} // namespace

void MqttPublisher::Shared::lost(const std::string& why) {
    std::lock_guard lock(mutex);
    status.connected = false;
    status.error = why;
    // What the broker did not acknowledge goes again, in its order, with the next connection.
    for (auto it = inFlight.rbegin(); it != inFlight.rend(); ++it)
        queue.giveBack(std::move(it->second));
    inFlight.clear();
    settled.notify_all();
}

void MqttPublisher::Shared::waitFor(int64_t ms) {
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    while (!stopNow()) {
        const int64_t left = -msSince(until);
        if (left <= 0) return;
        pollfd p{wake[0], POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(std::min<int64_t>(left, 1000))) > 0) drainWake();
        std::lock_guard lock(mutex);
        // Finishing without a broker: nothing is gained by waiting longer.
        if (finishing && !status.connected) return;
    }
}

mosquitto* MqttPublisher::Shared::connection() {
    mosquitto* mosq = mosquitto_new(options.clientId.c_str(), true, this);
    if (!mosq) return nullptr;
    mosquitto_int_option(mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_will_set(mosq, options.willTopic.c_str(), 7, "offline", 1, true);
    if (!options.user.empty())
        mosquitto_username_pw_set(mosq, options.user.c_str(),
                                  options.password.empty() ? nullptr : options.password.c_str());
    if (options.tls) {
        const char* ca = options.caFile.empty() ? nullptr : options.caFile.c_str();
        mosquitto_tls_set(mosq, ca, ca ? nullptr : "/etc/ssl/certs",
                          options.certFile.empty() ? nullptr : options.certFile.c_str(),
                          options.keyFile.empty() ? nullptr : options.keyFile.c_str(), nullptr);
    }
    mosquitto_connect_callback_set(mosq, onConnect);
    mosquitto_publish_callback_set(mosq, onPublish);
    return mosq;
}

// One connection, from the attempt to its end; true when it ended because the station finished.
bool MqttPublisher::Shared::session(mosquitto* mosq) {
    {
        std::lock_guard lock(mutex);
        answered = false;
        refusal.clear();
    }
    // The name lookup and the TCP connect's start: on this thread, never the station's.
    int rc = mosquitto_connect_async(mosq, options.host.c_str(), options.port, options.keepAliveS);
    if (rc != MOSQ_ERR_SUCCESS) {
        lost(describe(rc));
        return false;
    }
    const auto began = Clock::now();
    bool disconnecting = false;
    for (;;) {
        bool connected = false;
        bool finish = false;
        {
            std::lock_guard lock(mutex);
            if (abandon) return true;
            connected = status.connected;
            finish = finishing;
            if (!refusal.empty()) {
                status.connected = false;
                status.error = refusal;
            }
        }
        if (!refusal.empty()) {
            lost(refusal);
            return false;
        }
        if (!connected && msSince(began) > options.answerTimeoutMs) {
            lost("no answer from the broker");
            return false;
        }
        // Hand the library what waits, as far as the in-flight limit goes.
        while (connected && !disconnecting) {
            Message m;
            {
                std::lock_guard lock(mutex);
                if (inFlight.size() >= kInFlight) break;
                auto next = queue.take();
                if (!next) break;
                m = std::move(*next);
            }
            int mid = 0;
            rc = mosquitto_publish(mosq, &mid, m.topic.c_str(), static_cast<int>(m.payload.size()),
                                   m.payload.data(), 1, m.retained);
            std::lock_guard lock(mutex);
            if (rc != MOSQ_ERR_SUCCESS) {
                queue.giveBack(std::move(m));
                break;
            }
            inFlight.emplace(mid, std::move(m));
        }
        if (finish && connected && !disconnecting) {
            {
                std::lock_guard lock(mutex);
                disconnecting = queue.empty() && inFlight.empty();
            }
            // Cleanly: the broker keeps its last will to itself.
            if (disconnecting) mosquitto_disconnect(mosq);
        }
        if (disconnecting && !mosquitto_want_write(mosq)) return true;

        const int sock = mosquitto_socket(mosq);
        if (sock < 0) {
            lost(disconnecting ? std::string() : "connection lost");
            return disconnecting;
        }
        pollfd p[2] = {
            {sock, static_cast<short>(POLLIN | (mosquitto_want_write(mosq) ? POLLOUT : 0)), 0},
            {wake[0], POLLIN, 0}};
        int timeout = 1000;
        if (!connected)
            timeout = static_cast<int>(
                std::clamp<int64_t>(options.answerTimeoutMs - msSince(began) + 1, 1, 1000));
        ::poll(p, 2, timeout);
        if (p[1].revents & POLLIN) drainWake();
        rc = MOSQ_ERR_SUCCESS;
        if (p[0].revents & (POLLIN | POLLERR | POLLHUP)) rc = mosquitto_loop_read(mosq, 1);
        if (rc == MOSQ_ERR_SUCCESS && (p[0].revents & POLLOUT)) rc = mosquitto_loop_write(mosq, 1);
        if (rc == MOSQ_ERR_SUCCESS) rc = mosquitto_loop_misc(mosq);
        if (rc != MOSQ_ERR_SUCCESS) {
            std::string why;
            {
                std::lock_guard lock(mutex);
                why = !refusal.empty()   ? refusal
                      : status.connected ? "connection lost: " + describe(rc)
                                         : describe(rc);
            }
            if (rc == MOSQ_ERR_ERRNO && errno == 0) why = "connection lost";
            lost(why);
            return disconnecting;
        }
    }
}

void MqttPublisher::Shared::run() {
    int64_t retry = options.firstRetryMs;
    while (!stopNow()) {
        mosquitto* mosq = connection();
        if (!mosq) {
            lost("the MQTT library could not start a client");
            waitFor(options.lastRetryMs);
            continue;
        }
        const auto began = Clock::now();
        const bool ended = session(mosq);
        mosquitto_destroy(mosq);
        bool wasUp = false;
        {
            std::lock_guard lock(mutex);
            wasUp = answered;
            if (ended || (finishing && !status.connected)) break;
        }
        // A connection that held a while starts the back-off again.
        if (wasUp && msSince(began) > options.firstRetryMs) retry = options.firstRetryMs;
        waitFor(retry);
        retry = std::min<int64_t>(retry * 2, options.lastRetryMs);
    }
    std::lock_guard lock(mutex);
    status.connected = false;
    done = true;
    settled.notify_all();
}

MqttPublisher::MqttPublisher(Options options)
    : shared_(std::make_shared<Shared>(std::move(options))) {
    static std::once_flag library;
    std::call_once(library, [] { mosquitto_lib_init(); });
    if (::pipe(shared_->wake) == 0)
        for (int fd : shared_->wake)
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    worker_ = std::thread([shared = shared_] { shared->run(); });
}

MqttPublisher::~MqttPublisher() {
    finish(0);
}

void MqttPublisher::publish(Message message) {
    {
        std::lock_guard lock(shared_->mutex);
        if (shared_->finishing && shared_->done) return;
        shared_->queue.push(std::move(message));
        shared_->status.dropped = shared_->queue.dropped();
    }
    shared_->wakeUp();
}

telemetry::PublisherStatus MqttPublisher::status() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->status;
}

void MqttPublisher::finish(int waitMs) {
    if (!worker_.joinable()) return;
    std::unique_lock lock(shared_->mutex);
    shared_->finishing = true;
    shared_->wakeUp();
    shared_->settled.wait_for(lock, std::chrono::milliseconds(waitMs),
                              [this] { return shared_->done; });
    shared_->abandon = true;
    const bool done = shared_->done;
    lock.unlock();
    shared_->wakeUp();
    // A thread stuck in a name lookup holds only the shared part, which it keeps alive.
    if (done)
        worker_.join();
    else
        worker_.detach();
}

} // namespace orbek::mqtt
