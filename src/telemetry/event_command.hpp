// The command on events: for each telemetry event the station starts a program of the user's
// (no shell) with the event's name as its argument and the event's JSON on its standard input;
// one at a time, at most 100 waiting (the oldest dropped first), each killed after 30 s. A
// failure is told in the event list. The program is started through a ProcessRunner: QProcess
// in the program, a fake in tests.
#pragma once

#include "core/scheduler.hpp"
#include "telemetry/publisher.hpp"

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orbek {
class Station;
}

namespace orbek::telemetry {

struct ProcessOutcome {
    enum class Kind { Exited, Crashed, NotStarted };
    Kind kind = Kind::Exited;
    int status = 0;  // the exit status when it exited
    std::string why; // why it did not start or crashed
};

class ProcessRunner {
  public:
    virtual ~ProcessRunner() = default;
    // Starts `program` with `arguments` and `input` on its standard input; `done` is called
    // once, later (never from inside start), with how it ended.
    virtual void start(const std::string& program, const std::vector<std::string>& arguments,
                       const std::string& input, std::function<void(ProcessOutcome)> done) = 0;
    // Kills the program started last; its `done` still follows.
    virtual void kill() = 0;
};

class EventCommand : public Publisher {
  public:
    static constexpr std::size_t kQueueLimit = 100;
    static constexpr int kTimeoutMs = 30000;

    EventCommand(Station& station, ProcessRunner& runner, std::string program);
    ~EventCommand() override;

    void publish(Message message) override;
    PublisherStatus status() const override { return status_; }

    const std::string& program() const { return program_; }
    // "3 started, 1 failed" for the telemetry window.
    std::string summary() const;
    bool idle() const { return !running_ && waiting_.empty(); }

  private:
    struct Job {
        std::string event;
        std::string input;
    };
    void startNext();
    void finished(const Job& job, ProcessOutcome outcome);

    Station& station_;
    ProcessRunner& runner_;
    std::string program_;
    std::deque<Job> waiting_;
    bool running_ = false;
    bool killed_ = false;
    bool dropTold_ = false;
    uint64_t started_ = 0;
    uint64_t failed_ = 0;
    PublisherStatus status_;
    Timer timeout_;
    // Outlives nothing it points to: cleared when the command goes.
    std::shared_ptr<EventCommand*> self_;
};

} // namespace orbek::telemetry
