// What the station tells the outside: it listens to the events the subsystems tell and looks at
// the shared state and the window models after each of them and once a second, and turns what
// changed into messages for its publishers (the MQTT adapter, the memory publisher of the
// players, the command on events). Topics under the prefix:
//
//   PREFIX/availability   retained "online", "offline" at every normal end (the broker's last
//                         will says it when the station dies)
//   PREFIX/state          retained JSON, when it changed, at most once a second
//   PREFIX/event/NAME     JSON with the time and the event's details
//
// Nothing here waits for the network; with no Telemetry the station builds and calls nothing.
#pragma once

#include "core/clock.hpp"
#include "core/scheduler.hpp"
#include "telemetry/messages.hpp"
#include "telemetry/publisher.hpp"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace orbek {
class Station;
struct StationEvent;
} // namespace orbek

namespace orbek::telemetry {

class EventCommand;

struct Identity {
    std::string station;    // the station's name in the messages
    std::string prefix;     // of every topic
    bool discovery = false; // Home Assistant discovery configurations
    std::string broker;     // as the window and the event list name it; empty: none
};

class Telemetry {
  public:
    Telemetry(Station& station, Identity identity, std::function<DateTime()> utcNow);
    ~Telemetry();
    Telemetry(const Telemetry&) = delete;
    Telemetry& operator=(const Telemetry&) = delete;

    // `broker`: its connection is told in the event list and shown in the window.
    void addPublisher(Publisher& publisher, bool broker = false);
    void setEventCommand(EventCommand& command);
    // Availability, discovery, station_started and the first state; from then on the station's
    // events and changes are published.
    void start();
    // The end without the station's (a player that stops): "offline", nothing more.
    void stop();

    const Identity& identity() const { return identity_; }

  private:
    void onEvent(const StationEvent& event);
    void publishEvent(const std::string& name, Json details);
    void publish(Message message);
    void checkState();
    void tick();
    void tellConnection();
    void refreshWindow();

    Station& station_;
    Identity identity_;
    std::function<DateTime()> utcNow_;
    std::vector<Publisher*> publishers_;
    Publisher* broker_ = nullptr;
    EventCommand* command_ = nullptr;
    Timer timer_;
    bool started_ = false;
    bool finished_ = false;

    // The state last published, without its time, and when (virtual ms).
    std::string lastState_;
    int64_t lastStateAt_ = 0;
    bool statePublished_ = false;
    WearHours wear_;
    std::string discoveryKey_;

    // What the events already told: a run on, the link lost, an overheat in this run.
    bool runOn_ = false;
    bool linkLost_ = false;
    bool overheatTold_ = false;

    // The broker's connection as last told.
    bool downTold_ = false;
    bool connected_ = true;
    uint64_t droppedTold_ = 0;
    std::string since_;
};

// The "Telemetry..." entry of "Functions" and the window's Close; the window shows "Telemetry
// is off" until a Telemetry fills it.
void wireWindow(Station& s);

} // namespace orbek::telemetry
