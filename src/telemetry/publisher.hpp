// Where the station's telemetry messages go: a topic and a payload each, handed to a Publisher
// that never makes the caller wait. The MQTT adapter (src/mqtt/) is one; the memory publisher
// below serves the scenario players and tests; the command on events is another.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace orbek::telemetry {

struct Message {
    enum class Kind { Availability, State, Event, Discovery };
    Kind kind = Kind::Event;
    std::string topic;
    std::string payload;
    bool retained = false;
    std::string event; // the event's name ("run_ended") for Kind::Event
};

struct PublisherStatus {
    bool connected = true;
    uint64_t sent = 0;    // messages the broker took
    uint64_t dropped = 0; // events dropped because the queue was full
    std::string error;    // why the last connection failed or ended; empty when none did
};

class Publisher {
  public:
    virtual ~Publisher() = default;
    // Takes the message; never waits for the network.
    virtual void publish(Message message) = 0;
    virtual PublisherStatus status() const = 0;
};

// The messages waiting for the broker, in the order they came: of each retained topic only
// the latest counts, and at most `eventLimit` events are kept, the oldest dropped first and
// counted.
class OutgoingQueue {
  public:
    explicit OutgoingQueue(std::size_t eventLimit = 1000) : limit_(eventLimit) {}
    void push(Message message);
    std::optional<Message> take();
    // Puts a message taken but not sent back in front.
    void giveBack(Message message);
    // Every retained topic's latest message goes again first (after a reconnect: a broker that
    // restarted may have lost them).
    void resendRetained();
    bool empty() const { return waiting_.empty(); }
    std::size_t size() const { return waiting_.size(); }
    uint64_t dropped() const { return dropped_; }

  private:
    std::size_t limit_;
    std::size_t events_ = 0;
    std::deque<Message> waiting_;
    std::vector<std::string> retainedTopics_; // in the order first seen
    std::map<std::string, Message> retained_;
    uint64_t dropped_ = 0;
};

// Hands every message on at once while "connected"; while not, keeps them in an OutgoingQueue
// and hands them on when connected again. The scenario players print what it hands on.
class MemoryPublisher : public Publisher {
  public:
    std::function<void(const Message&)> onSend;
    void publish(Message message) override;
    PublisherStatus status() const override;
    // A broker that goes away (with why) and comes back.
    void setConnected(bool connected, const std::string& why = {});

  private:
    void flush();
    OutgoingQueue queue_;
    PublisherStatus status_;
};

} // namespace orbek::telemetry
