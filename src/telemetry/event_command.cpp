#include "telemetry/event_command.hpp"

#include "app/station.hpp"

namespace orbek::telemetry {

EventCommand::EventCommand(Station& station, ProcessRunner& runner, std::string program)
    : station_(station), runner_(runner), program_(std::move(program)),
      timeout_(station.scheduler, "EventCommandTimeout", kTimeoutMs,
               [this] {
                   timeout_.stop();
                   killed_ = true;
                   runner_.kill();
               }),
      self_(std::make_shared<EventCommand*>(this)) {}

EventCommand::~EventCommand() {
    *self_ = nullptr;
}

void EventCommand::publish(Message message) {
    if (message.kind != Message::Kind::Event) return;
    waiting_.push_back({message.event, std::move(message.payload)});
    if (waiting_.size() > kQueueLimit) {
        waiting_.pop_front();
        ++status_.dropped;
        if (!dropTold_)
            station_.addEvent("Telemetry: event command " + program_ + ": more than " +
                              std::to_string(kQueueLimit) + " events waiting, the oldest dropped");
        dropTold_ = true;
    }
    if (!running_) startNext();
}

void EventCommand::startNext() {
    if (running_ || waiting_.empty()) return;
    Job job = std::move(waiting_.front());
    waiting_.pop_front();
    if (waiting_.empty()) dropTold_ = false;
    running_ = true;
    killed_ = false;
    ++started_;
    timeout_.setInterval(kTimeoutMs);
    timeout_.start();
    std::weak_ptr<EventCommand*> self = self_;
    runner_.start(program_, {job.event}, job.input, [self, job](ProcessOutcome outcome) {
        if (const auto alive = self.lock(); alive && *alive) (*alive)->finished(job, outcome);
    });
}

void EventCommand::finished(const Job& job, ProcessOutcome outcome) {
    timeout_.stop();
    running_ = false;
    const std::string what = "Telemetry: event command " + program_ + " " + job.event;
    std::string told;
    if (killed_)
        told = what + " killed after " + std::to_string(kTimeoutMs / 1000) + " s";
    else if (outcome.kind == ProcessOutcome::Kind::NotStarted)
        told = what + " could not be started: " + outcome.why;
    else if (outcome.kind == ProcessOutcome::Kind::Crashed)
        told = what + " crashed" + (outcome.why.empty() ? "" : ": " + outcome.why);
    else if (outcome.status != 0)
        told = what + " ended with status " + std::to_string(outcome.status);
    if (told.empty()) {
        ++status_.sent;
    } else {
        ++failed_;
        status_.error = told.substr(11);
        station_.addEvent(told);
    }
    startNext();
}

std::string EventCommand::summary() const {
    return program_ + ": " + std::to_string(started_) + " started, " + std::to_string(failed_) +
           " failed" +
           (status_.dropped ? ", " + std::to_string(status_.dropped) + " dropped" : std::string());
}

} // namespace orbek::telemetry
