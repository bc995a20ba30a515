// Received text through the whole receive path (receiver, decode, link indicators, dispatcher,
// readings panel and thermometer bar) on one core: frames per CPU second, beside the goal of a
// million. The 19200-baud line carries at most about 107 frames a second.
#include "core/clock.hpp"
#include "core/scripted_ui_host.hpp"
#include "station/assembled_station.hpp"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

class BenchPort : public orbek::SerialPort {
  public:
    bool open(int) override { return open_ = true; }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    void write(const std::vector<uint8_t>&) override {}
    std::string read(std::size_t maxChars) override {
        const std::size_t n = std::min(maxChars, input_.size() - at_);
        std::string out = input_.substr(at_, n);
        at_ += n;
        return out;
    }
    std::size_t waiting() const override { return input_.size() - at_; }
    void deliver(const std::string& text) {
        input_ = text;
        at_ = 0;
        raiseReceiveWhileWaiting();
    }

  private:
    bool open_ = false;
    std::string input_;
    std::size_t at_ = 0;
};

std::string frames(int count, bool damaged) {
    // The measurement frames of phase 4, as they arrive once a second.
    const int codes[] = {251, 250, 249, 248, 247, 235, 234, 233, 232, 226};
    std::string text;
    char frame[32];
    for (int i = 0; i < count; ++i) {
        std::snprintf(frame, sizeof frame, "000, %03d, %03d, S\r\n", codes[i % 10], i % 120);
        text += frame;
        if (damaged && i % 50 == 7) text.pop_back(); // a lost byte now and then
    }
    return text;
}

void receive(benchmark::State& state, bool damaged) {
    orbek::Scheduler scheduler;
    orbek::ScriptedUiHost ui(scheduler);
    orbek::FixedClock clock;
    BenchPort port;
    orbek::AssembledStation station(scheduler, port, ui, clock, {});
    port.open(1);
    const int perBatch = 1000;
    const std::string text = frames(perBatch, damaged);
    for (auto _ : state) {
        port.deliver(text);
        benchmark::DoNotOptimize(station.state.RxFrame);
    }
    state.SetItemsProcessed(state.iterations() * perBatch);
    state.counters["frames/s"] = benchmark::Counter(
        static_cast<double>(state.iterations() * perBatch), benchmark::Counter::kIsRate);
}

void BM_ReceiveCleanStream(benchmark::State& state) {
    receive(state, false);
}
void BM_ReceiveWithLostBytes(benchmark::State& state) {
    receive(state, true);
}

// The console's report, and each benchmark's frames per CPU second kept for the goal.
class GoalReporter : public benchmark::ConsoleReporter {
  public:
    GoalReporter() : ConsoleReporter(OO_None) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto it = run.counters.find("frames/s");
            if (it != run.counters.end()) figures.push_back({run.benchmark_name(), it->second});
        }
    }
    std::vector<std::pair<std::string, double>> figures;
};

} // namespace

BENCHMARK(BM_ReceiveCleanStream);
BENCHMARK(BM_ReceiveWithLostBytes);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    GoalReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n");
    for (const auto& [name, perSecond] : reporter.figures) {
        char figure[32];
        std::snprintf(figure, sizeof figure, "%.2f M/s", perSecond / 1e6);
        std::printf("%-44s %14s   goal %-24s %s\n",
                    (name.substr(3) + ", frames per CPU s:").c_str(), figure, ">= 1.00 M/s",
                    perSecond >= 1e6 ? "met" : "MISSED");
    }
    return 0;
}
