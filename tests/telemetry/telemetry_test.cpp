// Telemetry's limits on virtual time: the command on events (one at a time, 100 waiting, 30 s)
// and the broker's queue (1,000 events, the latest state). Message contents are checked by the
// telemetry scenarios, the real broker by tests/e2e/telemetry_broker.sh.
#include "support/station_fixture.hpp"
#include "telemetry/event_command.hpp"
#include "telemetry/settings.hpp"

namespace orbek {
namespace {

using telemetry::Message;
using telemetry::ProcessOutcome;

struct FakeRunner : telemetry::ProcessRunner {
    struct Run {
        std::string program;
        std::vector<std::string> arguments;
        std::string input;
        std::function<void(ProcessOutcome)> done;
    };
    std::vector<Run> runs;
    int kills = 0;
    void start(const std::string& program, const std::vector<std::string>& arguments,
               const std::string& input, std::function<void(ProcessOutcome)> done) override {
        runs.push_back({program, arguments, input, std::move(done)});
    }
    void kill() override { ++kills; }
};

Message event(const std::string& name) {
    return {Message::Kind::Event, "orbek/s/event/" + name, "{\"n\":\"" + name + "\"}", false, name};
}

struct EventCommandTest : test::StationFixture {
    FakeRunner runner;
    telemetry::EventCommand command{*station, runner, "notify"};
    std::vector<std::string> list() { return station->Start().List2.items.lines(); }
};

TEST_F(EventCommandTest, OneAtATimeAHundredWaitingEachKilledAfterThirtySeconds) {
    startUp();
    command.publish({Message::Kind::State, "orbek/s/state", "{}", true, {}});
    command.publish(event("run_started"));
    for (int i = 0; i < 102; ++i)
        command.publish(event("e" + std::to_string(i)));
    // Only events, one running: the first with its name and JSON; two of the rest dropped.
    ASSERT_EQ(runner.runs.size(), 1u);
    EXPECT_EQ(runner.runs[0].program, "notify");
    EXPECT_EQ(runner.runs[0].arguments, std::vector<std::string>{"run_started"});
    EXPECT_EQ(runner.runs[0].input, "{\"n\":\"run_started\"}");
    EXPECT_EQ(command.status().dropped, 2u);
    const auto told = list();
    EXPECT_EQ(std::count_if(told.begin(), told.end(),
                            [](const std::string& l) { return l.find("dropped") != l.npos; }),
              1);

    runner.runs[0].done({ProcessOutcome::Kind::Exited, 0, {}});
    ASSERT_EQ(runner.runs.size(), 2u);
    EXPECT_EQ(runner.runs[1].arguments[0], "e2"); // e0 and e1 were the oldest
    scheduler.advanceBy(29999);
    EXPECT_EQ(runner.kills, 0);
    scheduler.advanceBy(1);
    EXPECT_EQ(runner.kills, 1);
    EXPECT_EQ(runner.runs.size(), 2u); // the next waits for the killed one's end
    runner.runs[1].done({ProcessOutcome::Kind::Crashed, 9, "killed"});
    EXPECT_EQ(list().back(), "Telemetry: event command notify e2 killed after 30 s");
    runner.runs[2].done({ProcessOutcome::Kind::Exited, 3, {}});
    EXPECT_EQ(list().back(), "Telemetry: event command notify e3 ended with status 3");
    runner.runs[3].done({ProcessOutcome::Kind::NotStarted, 0, "No such file or directory"});
    EXPECT_EQ(list().back(),
              "Telemetry: event command notify e4 could not be started: No such file or directory");
    EXPECT_EQ(command.summary(), "notify: 5 started, 3 failed, 2 dropped");
}

TEST(OutgoingQueue, KeepsTheLatestOfEachRetainedTopicAndAThousandEventsOldestDroppedFirst) {
    telemetry::OutgoingQueue queue;
    queue.push({Message::Kind::Availability, "a", "online", true, {}});
    for (int i = 0; i < 1002; ++i) {
        queue.push(event(std::to_string(i)));
        queue.push({Message::Kind::State, "s", std::to_string(i), true, {}});
    }
    EXPECT_EQ(queue.dropped(), 2u);
    EXPECT_EQ(queue.size(), 1002u); // online, 1000 events, the last state
    EXPECT_EQ(queue.take()->payload, "online");
    EXPECT_EQ(queue.take()->event, "2");
    // After a reconnect every retained topic goes first again, each once.
    queue.resendRetained();
    EXPECT_EQ(queue.take()->payload, "online");
    EXPECT_EQ(queue.take()->event, "3");
    EXPECT_EQ(queue.size(), 999u);
}

TEST(TelemetrySettings, BrokerUrls) {
    const auto v6 = telemetry::parseUrl("mqtts://[::1]");
    ASSERT_TRUE(v6);
    EXPECT_EQ(v6->text(), "mqtts://[::1]:8883");
    EXPECT_EQ(telemetry::parseUrl("mqtt://lab.example:1884/")->text(), "mqtt://lab.example:1884");
    for (const char* bad : {"mqtt://", "http://h", "mqtt://u:p@h", "mqtt://h:0",
                            "mqtt://h:", "mqtt://::1", "mqtt://h/x", "mqtt://[::1"})
        EXPECT_FALSE(telemetry::parseUrl(bad)) << bad;
}

} // namespace
} // namespace orbek
