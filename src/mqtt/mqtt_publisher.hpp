// The MQTT adapter of the telemetry Publisher seam, on libmosquitto. Everything that may wait
// (name resolution, the TCP connect, the TLS handshake, a broker that is slow, down or hung)
// happens on a thread of its own; publish() only queues (the latest of each retained topic,
// up to 1,000 events, the oldest dropped and counted) and wakes that thread. The thread
// reconnects by itself, 1 s after a failure doubling to 60 s, and sends every retained message
// again after each connect. The broker says "offline" as the last will when the station dies;
// finish() sends what waits and disconnects cleanly.
#pragma once

#include "telemetry/publisher.hpp"

#include <memory>
#include <string>
#include <thread>

namespace orbek::mqtt {

struct Options {
    std::string host;
    int port = 1883;
    bool tls = false;
    std::string clientId;
    std::string user;
    std::string password;
    std::string caFile; // empty with TLS: the system's certificates
    std::string certFile;
    std::string keyFile;
    std::string willTopic; // PREFIX/availability
    int keepAliveS = 30;
    int answerTimeoutMs = 10000; // a broker that takes the connection and does not answer
    int firstRetryMs = 1000;
    int lastRetryMs = 60000;
};

class MqttPublisher : public telemetry::Publisher {
  public:
    explicit MqttPublisher(Options options);
    ~MqttPublisher() override;
    MqttPublisher(const MqttPublisher&) = delete;
    MqttPublisher& operator=(const MqttPublisher&) = delete;

    void publish(telemetry::Message message) override;
    telemetry::PublisherStatus status() const override;
    // Waits at most `waitMs` for what is queued to reach the broker, then disconnects without the
    // last will. A thread that cannot end in time (a name lookup that hangs) is left to the
    // process's end.
    void finish(int waitMs);

    struct Shared;

  private:
    std::shared_ptr<Shared> shared_;
    std::thread worker_;
};

} // namespace orbek::mqtt
