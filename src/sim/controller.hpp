// The simulated machine controller. It reads three-byte orders (0, code, value) and answers
// with 18-character frames "000, 253, 001, S" + CR LF, as the machine's controller does:
//
//   idle        presence pulse 254,5 and readings 251, 248, 247; 255,1 starts the cycle
//   start       253,1, the firmware version 198,high and 198,low, then the cycle steps 253,x
//               (nothing else while they run), then 253,19..22 each followed by 238,1..238,4
//   phases 1-3  readings 251 to 247
//   phase 4     readings 251 to 247, 235 to 232 and 226, now and then 246,1 and 197,1
//   255,2       254,2, the countdown 252,60 .. 252,0, then 254,0 (only 252 frames meanwhile)
//
// and the maintenance handshakes 237/236, 227, 220, 199, 198, 195/194, 245, 244, 243/242,
// 241/240 + 239, 224/223 + 222. Every frame takes its time on the line and goes out through
// the Scheduler, so a reply never reaches the station inside its own write.
#pragma once

#include "core/scheduler.hpp"
#include "sim/options.hpp"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <string_view>

namespace orbek::sim {

enum class Stage { Idle, Starting, Phase1, Phase2, Phase3, Phase4, Cooling };

// The 18 characters of one reply frame.
std::string replyFrame(int code, int value, char marker = 'S');

class Controller {
  public:
    using Output = std::function<void(const std::string&)>;

    // `output` receives the characters the controller puts on the line, when they have been
    // sent. The timed faults of `options` are counted from now.
    Controller(Scheduler& scheduler, SimOptions options, Output output);
    ~Controller();
    Controller(const Controller&) = delete;
    Controller& operator=(const Controller&) = delete;

    // Bytes from the station, in any pieces.
    void receive(std::string_view bytes);

    // Shows a fault now.
    void apply(const Fault& fault);

    // One line per order read and per frame sent, for a verbose front end.
    void setTrace(std::function<void(const std::string&)> trace) { trace_ = std::move(trace); }

    Stage stage() const { return stage_; }
    int lampPhase() const;
    double magnetronTemperature() const { return magnetron_; }
    double holderTemperature() const { return holder_; }
    int power() const { return power_; }
    bool halogenOn() const { return halogen_; }
    int motor() const { return motor_; } // 0 off, 1 slow, 2 fast
    int fans() const { return fans_; }
    bool extBoardPresent() const { return board_; }
    const std::array<uint8_t, 15>& parameters() const { return parameters_; }
    const std::array<uint8_t, 8>& clockRegisters() const { return clock_; }
    std::array<uint8_t, 15> wearBytes() const;

  private:
    struct Counter {
        int minutes = 0; // within the current four-hour block
        int blocks = 0;
        int starts = 0;
        double ms = 0; // machine time not yet counted as a minute
    };

    void handle(uint8_t code, uint8_t value);
    void send(int code, int value);
    void put(std::string text);
    void later(int64_t ms, std::function<void()> call);
    int64_t machineMs(int ms) const;
    int jitter();

    void start();
    void cycleStep(std::size_t index);
    void enterPhase(Stage phase);
    void stop();
    void countdown(int seconds);
    void speedResult(int k, unsigned epoch);
    void readings();
    void physics();
    void advanceWear(Counter& counter, double ms);

    Scheduler& scheduler_;
    SimOptions options_;
    Output output_;
    std::function<void(const std::string&)> trace_;
    std::shared_ptr<char> life_ = std::make_shared<char>();
    std::mt19937 random_;

    Timer pulseTimer_;
    Timer readingTimer_;
    Timer physicsTimer_;

    // Orders being read.
    std::string order_;
    int64_t orderStarted_ = 0;

    Stage stage_ = Stage::Idle;
    unsigned epoch_ = 0; // a stop or a new start cancels what the old cycle had planned
    int lastStep_ = 0;
    int power_;
    bool halogen_ = false;
    int motor_ = 0;
    int fans_ = 0;
    bool freezing_ = false;
    bool testing_ = false;
    unsigned testEpoch_ = 0;
    int64_t wearBurstEnd_ = -1;
    int64_t parameterBurstEnd_ = -1;
    int parameterWrite_ = -1; // next 239 index, -1 when not receiving
    int clockWrite_ = -1;     // next 222 index, -1 when not receiving

    double magnetron_;
    double holder_;
    double light_ = 0; // 0 dark .. 1 lamp at full output
    bool overheatReported_ = false;
    std::array<Counter, 3> wear_{}; // lamp, halogen, magnetron

    std::array<uint8_t, 15> parameters_;
    std::array<uint8_t, 8> clock_;

    // Faults.
    int64_t silentUntil_ = -1;
    int dropNext_ = 0;
    int addNext_ = 0;
    std::string markerNext_;
    std::array<int64_t, 256> noAckUntil_{}; // 0: answered; -1: never; else until that time
    bool magnetronHot_ = false;
    bool holderHot_ = false;
    bool board_ = true;
    bool lowSupply_ = false;
    int slowMs_ = 0;

    int64_t lineFree_ = 0;
};

} // namespace orbek::sim
