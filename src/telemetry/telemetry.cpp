#include "telemetry/telemetry.hpp"

#include "app/station.hpp"
#include "telemetry/event_command.hpp"

#include <variant>

namespace orbek::telemetry {

namespace {
constexpr int kStateEveryMs = 1000;
} // namespace

Telemetry::Telemetry(Station& station, Identity identity, std::function<DateTime()> utcNow)
    : station_(station), identity_(std::move(identity)), utcNow_(std::move(utcNow)),
      timer_(station.scheduler, "TelemetryTimer", kStateEveryMs, [this] { tick(); }) {}

Telemetry::~Telemetry() {
    if (!started_) return;
    station_.onStationEvent = {};
    station_.models().Telemetry->on("Form_Load", {});
}

void Telemetry::addPublisher(Publisher& publisher, bool broker) {
    publishers_.push_back(&publisher);
    if (broker) broker_ = &publisher;
}

void Telemetry::setEventCommand(EventCommand& command) {
    command_ = &command;
    addPublisher(command);
}

void Telemetry::start() {
    if (started_) return;
    started_ = true;
    station_.onStationEvent = [this](const StationEvent& e) { onEvent(e); };
    station_.models().Telemetry->on("Form_Load", [this] { refreshWindow(); });
    since_ = shortDate(station_.clock.now()) + " " + shortTime(station_.clock.now());
    publish({Message::Kind::Availability, identity_.prefix + "/availability", "online", true, {}});
    publishEvent("station_started", Json::object());
    checkState();
    timer_.start();
}

void Telemetry::stop() {
    if (!started_ || finished_) return;
    finished_ = true;
    timer_.stop();
    publish({Message::Kind::Availability, identity_.prefix + "/availability", "offline", true, {}});
}

void Telemetry::onEvent(const StationEvent& e) {
    if (finished_) return;
    const std::string& name = e.name;
    // Each is told once where the subsystems may say it again (a frame after every frame, a
    // temperature stop at every hot reading, the ready answer after every stop).
    if (name == "run_started") {
        runOn_ = true;
        overheatTold_ = false;
    } else if (name == "run_ended") {
        if (!runOn_) return;
        runOn_ = false;
    } else if (name == "link_lost" || name == "link_back") {
        if (linkLost_ == (name == "link_lost")) return;
        linkLost_ = !linkLost_;
    } else if (name == "wear_counters_read") {
        // Not an event of its own: the state carries the hours.
        wear_.read = true;
        return;
    } else if (name == "overheat") {
        if (overheatTold_) return;
        overheatTold_ = true;
    }
    Json details = Json::object();
    for (const auto& [key, value] : e.details)
        std::visit([&, k = key](const auto& v) { details[k] = v; }, value);
    if (details.contains("file")) details["file"] = shownFile(station_, details["file"]);
    publishEvent(name, std::move(details));
    if (name == "station_quit") return stop();
    checkState();
}

void Telemetry::publishEvent(const std::string& name, Json details) {
    Json j;
    j["time"] = isoTime(utcNow_());
    j["station"] = identity_.station;
    for (auto& [key, value] : details.items())
        j[key] = std::move(value);
    publish({Message::Kind::Event, identity_.prefix + "/event/" + name, dumped(j), false, name});
}

void Telemetry::publish(Message message) {
    for (std::size_t i = 0; i < publishers_.size(); ++i)
        publishers_[i]->publish(i + 1 < publishers_.size() ? message : std::move(message));
}

void Telemetry::checkState() {
    if (finished_ || station_.ended()) return;
    if (identity_.discovery) {
        // Rebuilt only when what they hold can change: the temperature unit.
        const std::string key = temperatureUnit(station_);
        if (key != discoveryKey_) {
            discoveryKey_ = key;
            for (auto& [topic, payload] :
                 discoveryConfigs(station_, identity_.station, identity_.prefix))
                publish({Message::Kind::Discovery, topic, payload, true, {}});
        }
    }
    std::string body = dumped(stateOf(station_, identity_.station, wear_));
    if (body == lastState_) return;
    const int64_t now = station_.scheduler.now();
    // At most one a second: the timer comes back to it a second after the last one.
    if (statePublished_ && now - lastStateAt_ < kStateEveryMs) return;
    publish({Message::Kind::State,
             identity_.prefix + "/state",
             "{\"time\":\"" + isoTime(utcNow_()) + "\"," + body.substr(1),
             true,
             {}});
    lastState_ = std::move(body);
    lastStateAt_ = now;
    statePublished_ = true;
    timer_.setInterval(kStateEveryMs);
}

void Telemetry::tick() {
    if (finished_) return;
    checkState();
    tellConnection();
    if (station_.models().Telemetry->loaded()) refreshWindow();
}

void Telemetry::tellConnection() {
    if (!broker_) return;
    const PublisherStatus st = broker_->status();
    if (st.connected != connected_) {
        connected_ = st.connected;
        since_ = shortDate(station_.clock.now()) + " " + shortTime(station_.clock.now());
    }
    const std::string dropped =
        std::to_string(st.dropped - droppedTold_) + " events dropped (the queue keeps 1000)";
    if (!st.connected && !st.error.empty() && !downTold_) {
        downTold_ = true;
        station_.addEvent("Telemetry: " + identity_.broker + ": " + st.error);
    } else if (st.connected && downTold_) {
        downTold_ = false;
        station_.addEvent("Telemetry: " + identity_.broker + " connected again" +
                          (st.dropped > droppedTold_ ? "; " + dropped : std::string()));
        droppedTold_ = st.dropped;
    } else if (st.connected && st.dropped > droppedTold_) {
        station_.addEvent("Telemetry: " + identity_.broker + ": " + dropped);
        droppedTold_ = st.dropped;
    }
}

void Telemetry::refreshWindow() {
    TelemetryWindow& w = *station_.models().Telemetry;
    w.Broker.caption = broker_ ? identity_.broker : std::string("none (event command only)");
    w.Topics.caption = identity_.prefix + "/#";
    if (broker_) {
        const PublisherStatus st = broker_->status();
        w.Connection.caption =
            (st.connected ? "connected since " : "not connected since ") + since_;
        w.Sent.caption = std::to_string(st.sent);
        w.Dropped.caption = std::to_string(st.dropped);
        w.LastError.caption = st.error.empty() ? "-" : st.error;
    }
    if (command_) w.EventCommand.caption = command_->summary();
}

void wireWindow(Station& s) {
    s.models().Start->on("mnuTelemetry", [&s] { s.Telemetry().show(); });
    TelemetryWindow& w = *s.models().Telemetry;
    w.on("Close", [&s] { s.models().Telemetry->unload(); });
}

} // namespace orbek::telemetry
