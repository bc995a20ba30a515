#include "sim/controller.hpp"

#include "sim/scenario.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace orbek::sim {

namespace {

// Steps of the start cycle before the lamp phases; the fast-fan and analogue-relay steps are
// switched off in this machine.
constexpr int kCycle[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 15, 17, 18};
constexpr std::size_t kCycleLength = sizeof kCycle / sizeof kCycle[0];

// Speeds the speed test measures, in the order it reports them: V1 slow and fast, V2 slow and
// fast, motor slow and fast (revolutions per minute).
constexpr int kNominalSpeeds[] = {1320, 2700, 1380, 2700, 1140, 3300};

constexpr int kCoolingSeconds = 60;
constexpr int kPhysicsMs = 250;
constexpr int64_t kOrderGapMs = 100; // an order whose bytes straggle longer is dropped
constexpr int kLineBaud = 19200;

int64_t lineMs(std::size_t characters) {
    // Ten bits per character on the line.
    return static_cast<int64_t>((characters * 10 * 1000 + kLineBaud - 1) / kLineBaud);
}

double approach(double value, double target, double tauSeconds, double dtSeconds) {
    return target + (value - target) * std::exp(-dtSeconds / tauSeconds);
}

int byteOf(double value) {
    return static_cast<int>(std::clamp(std::lround(value), 0L, 255L));
}

std::string printable(const std::string& text) {
    std::string out;
    for (const unsigned char c : text) {
        if (c == '\r' || c == '\n') continue;
        if (c >= 32 && c < 127) {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

} // namespace

std::string replyFrame(int code, int value, char marker) {
    char text[32];
    std::snprintf(text, sizeof text, "%03d, %03d, %03d, %c\r\n", 0, std::clamp(code, 0, 999),
                  std::clamp(value, 0, 999), marker);
    return text;
}

Controller::Controller(Scheduler& scheduler, SimOptions options, Output output)
    : scheduler_(scheduler), options_(std::move(options)), output_(std::move(output)),
      random_(options_.seed), pulseTimer_(scheduler, "SimPresence", options_.presencePulseMs,
                                          [this] {
                                              if (stage_ == Stage::Idle) send(254, 5);
                                          }),
      readingTimer_(scheduler, "SimReadings", options_.readingMs, [this] { readings(); }),
      physicsTimer_(scheduler, "SimPhysics", kPhysicsMs, [this] { physics(); }),
      power_(options_.power), magnetron_(options_.ambient), holder_(options_.ambient),
      parameters_(options_.parameters), clock_(options_.clock) {
    if (!(options_.speed > 0)) options_.speed = 1;
    for (std::size_t i = 0; i < wear_.size(); ++i) {
        const auto* b = &options_.wear[i * 5];
        wear_[i].minutes = b[0];
        wear_[i].blocks = b[1] + 256 * b[2];
        wear_[i].starts = b[3] + 256 * b[4];
    }
    pulseTimer_.start();
    readingTimer_.start();
    physicsTimer_.start();
    for (const auto& fault : options_.faults) {
        if (fault.atSeconds <= 0)
            apply(fault);
        else
            later(std::llround(fault.atSeconds * 1000), [this, fault] { apply(fault); });
    }
}

Controller::~Controller() = default;

int Controller::lampPhase() const {
    switch (stage_) {
    case Stage::Phase1:
        return 1;
    case Stage::Phase2:
        return 2;
    case Stage::Phase3:
        return 3;
    case Stage::Phase4:
        return 4;
    default:
        return 0;
    }
}

std::array<uint8_t, 15> Controller::wearBytes() const {
    std::array<uint8_t, 15> bytes{};
    for (std::size_t i = 0; i < wear_.size(); ++i) {
        const auto& c = wear_[i];
        bytes[i * 5 + 0] = static_cast<uint8_t>(c.minutes);
        bytes[i * 5 + 1] = static_cast<uint8_t>(c.blocks & 0xFF);
        bytes[i * 5 + 2] = static_cast<uint8_t>((c.blocks >> 8) & 0xFF);
        bytes[i * 5 + 3] = static_cast<uint8_t>(c.starts & 0xFF);
        bytes[i * 5 + 4] = static_cast<uint8_t>((c.starts >> 8) & 0xFF);
    }
    return bytes;
}

void Controller::later(int64_t ms, std::function<void()> call) {
    std::weak_ptr<char> alive = life_;
    scheduler_.after(std::max<int64_t>(0, ms), [alive, call = std::move(call)] {
        if (!alive.expired()) call();
    });
}

int64_t Controller::machineMs(int ms) const {
    // A factor near 0 is a machine that barely moves: its waits end at a year, not overflow.
    constexpr double kYearMs = 365.0 * 24 * 3600 * 1000;
    return std::max<int64_t>(1, std::llround(std::min(ms / options_.speed, kYearMs)));
}

int Controller::jitter() {
    return static_cast<int>(random_() % 3) - 1;
}

void Controller::receive(std::string_view bytes) {
    for (const char c : bytes) {
        const auto b = static_cast<uint8_t>(c);
        if (!order_.empty() && scheduler_.now() - orderStarted_ > kOrderGapMs) order_.clear();
        if (order_.empty()) {
            // An order starts with the machine number 0; anything else is line noise.
            if (b != 0) continue;
            order_.push_back('\0');
            orderStarted_ = scheduler_.now();
            continue;
        }
        if (order_.size() == 1) {
            if (b == 0) {
                orderStarted_ = scheduler_.now(); // no code is 0: this is a new order's start
                continue;
            }
            order_.push_back(c);
            continue;
        }
        const auto code = static_cast<uint8_t>(order_[1]);
        order_.clear();
        if (trace_) trace_("<- 0," + std::to_string(code) + "," + std::to_string(b));
        if (slowMs_ > 0)
            later(slowMs_, [this, code, b] { handle(code, b); });
        else
            handle(code, b);
    }
}

void Controller::handle(uint8_t code, uint8_t value) {
    const int64_t until = noAckUntil_[code];
    if (until == -1 || (until > 0 && scheduler_.now() < until)) return;
    // While it counts the cooling down the controller listens only for the stop order.
    if (stage_ == Stage::Cooling && code != 255) return;

    switch (code) {
    case 255:
        if (value == 1) start();
        if (value == 2) stop();
        break;
    case 237:
        power_ = value;
        send(236, 1);
        break;
    case 227:
        if (stage_ != Stage::Phase4 || value > 1) break;
        if (value == 1 && !halogen_) ++wear_[1].starts;
        halogen_ = value == 1;
        send(227, 2);
        break;
    case 220:
        if (value != 0 || scheduler_.now() < wearBurstEnd_) break;
        for (const auto byte : wearBytes())
            send(220, byte);
        wearBurstEnd_ = lineFree_;
        break;
    case 199:
        if (value < 1 || value > 3) break;
        wear_[value - 1] = Counter{};
        send(199, 0);
        break;
    case 198:
        if (value != 0) break;
        send(198, (options_.firmwareVersion >> 8) & 0xFF);
        send(198, options_.firmwareVersion & 0xFF);
        break;
    case 195:
        if (value != 1 || freezing_) break;
        freezing_ = true;
        later(machineMs(options_.freezeMs), [this, e = epoch_] {
            if (e != epoch_ || !freezing_) return;
            freezing_ = false;
            send(194, 1);
        });
        break;
    case 245:
        if (stage_ != Stage::Idle) break;
        switch (value) {
        case 1:
        case 2:
        case 3:
            motor_ = value == 3 ? 0 : value;
            break;
        case 4:
        case 5:
        case 6:
            fans_ = value == 6 ? 0 : value - 3;
            break;
        case 10:
        case 11:
            break; // display back light: nothing the station sees
        default:
            return;
        }
        send(254, 0);
        break;
    case 244:
        if (stage_ != Stage::Idle || (value != 1 && value != 2)) break;
        if (testing_) {
            send(254, 3); // the order again: its acknowledgement was not seen
            break;
        }
        testing_ = true;
        send(254, 3);
        later(machineMs(options_.testStepMs), [this, e = ++testEpoch_] { speedResult(0, e); });
        break;
    case 243:
        if (value != 1 || scheduler_.now() < parameterBurstEnd_) break;
        for (const auto p : parameters_)
            send(242, p);
        parameterBurstEnd_ = lineFree_;
        break;
    case 241:
        if (value != 1) break;
        send(240, 1);
        parameterWrite_ = 0;
        clockWrite_ = -1;
        break;
    case 239:
        if (parameterWrite_ < 0) break;
        parameters_[static_cast<std::size_t>(parameterWrite_++)] = value;
        if (parameterWrite_ >= static_cast<int>(parameters_.size())) parameterWrite_ = -1;
        break;
    case 224:
        if (value != 1) break;
        send(223, 1);
        clockWrite_ = 0;
        parameterWrite_ = -1;
        break;
    case 222:
        if (clockWrite_ < 0) break;
        clock_[static_cast<std::size_t>(clockWrite_++)] = value;
        if (clockWrite_ >= static_cast<int>(clock_.size())) clockWrite_ = -1;
        break;
    default:
        break; // not an order of this controller
    }
}

void Controller::start() {
    if (stage_ == Stage::Cooling) return;
    if (stage_ != Stage::Idle) {
        send(253, lastStep_); // a repeated start: say again where the cycle is
        return;
    }
    // A magnetron still above its restart temperature is not started again.
    if (magnetron_ >= parameters_[8]) return;
    ++epoch_;
    stage_ = Stage::Starting;
    ++wear_[0].starts;
    ++wear_[2].starts;
    cycleStep(0);
}

void Controller::cycleStep(std::size_t index) {
    lastStep_ = kCycle[index];
    if (lastStep_ == 1) motor_ = 1;
    if (lastStep_ == 4) fans_ = 1;
    if (lastStep_ == 8) motor_ = 2;
    send(253, lastStep_);
    if (index == 0) {
        send(198, (options_.firmwareVersion >> 8) & 0xFF);
        send(198, options_.firmwareVersion & 0xFF);
    }
    later(machineMs(options_.cycleStepMs), [this, index, e = epoch_] {
        if (e != epoch_) return;
        if (index + 1 < kCycleLength)
            cycleStep(index + 1);
        else
            enterPhase(Stage::Phase1);
    });
}

void Controller::enterPhase(Stage phase) {
    stage_ = phase;
    const int n = lampPhase();
    lastStep_ = 18 + n;
    send(253, lastStep_);
    send(238, n);
    if (phase == Stage::Phase4) return;
    const int ms[] = {0, options_.phase1Ms, options_.phase2Ms, options_.phase3Ms};
    const Stage next = phase == Stage::Phase1   ? Stage::Phase2
                       : phase == Stage::Phase2 ? Stage::Phase3
                                                : Stage::Phase4;
    later(machineMs(ms[n]), [this, next, e = epoch_] {
        if (e == epoch_) enterPhase(next);
    });
}

void Controller::stop() {
    if (stage_ == Stage::Cooling) {
        send(254, 2); // the stop again: its confirmation was not seen
        return;
    }
    magnetronHot_ = false;
    holderHot_ = false;
    freezing_ = false;
    if (stage_ == Stage::Idle) {
        send(254, 2);
        send(254, 0);
        return;
    }
    ++epoch_;
    stage_ = Stage::Cooling;
    halogen_ = false;
    motor_ = 2;
    fans_ = 2;
    parameters_[4] = static_cast<uint8_t>(std::min(255, parameters_[4] + 1));
    send(254, 2);
    countdown(kCoolingSeconds);
}

void Controller::countdown(int seconds) {
    send(252, seconds);
    later(machineMs(options_.coolingStepMs), [this, seconds, e = epoch_] {
        if (e != epoch_) return;
        if (seconds > 0) {
            countdown(seconds - 1);
            return;
        }
        stage_ = Stage::Idle;
        motor_ = 0;
        fans_ = 0;
        send(254, 0);
    });
}

void Controller::speedResult(int k, unsigned epoch) {
    if (epoch != testEpoch_) return;
    if (k == 6) {
        testing_ = false;
        send(254, 4);
        return;
    }
    send(244, kNominalSpeeds[k] / 60 + 8 + jitter());
    later(machineMs(options_.testStepMs), [this, k, epoch] { speedResult(k + 1, epoch); });
}

void Controller::readings() {
    const bool lampOn = stage_ >= Stage::Phase1 && stage_ <= Stage::Phase4;
    if (stage_ == Stage::Starting || stage_ == Stage::Cooling) return; // busy with its cycle
    send(251, byteOf(magnetron_ + jitter()));
    if (lampOn) {
        send(250, byteOf(light_ * 170 + (light_ > 0.05 ? jitter() : 0)));
        send(249, byteOf(light_ * power_ * 1.6));
    }
    send(248, 75 + jitter());
    send(247, (lowSupply_ ? 62 : 125) + jitter());
    if (stage_ != Stage::Phase4) return;
    if (board_) {
        send(235, byteOf(light_ * power_ * 1.2 + jitter()));
        send(234, byteOf(light_ * power_ * 0.4 + (holder_ - options_.ambient) * 0.5));
        send(233, 45 + jitter());
        send(232, std::min(254, 100 + jitter()));
    } else {
        send(235, 0);
        send(234, 0);
        send(233, 0);
        send(232, 255);
    }
    send(226, byteOf(holder_));
    if (random_() % 15 == 0) send(246, 1);
    if (random_() % 25 == 0) send(197, 1);
}

void Controller::physics() {
    const double dtMs = kPhysicsMs * options_.speed;
    const double dt = dtMs / 1000;
    const bool magnetronOn = stage_ >= Stage::Phase1 && stage_ <= Stage::Phase4;
    const int drive = stage_ == Stage::Phase4 ? power_ : parameters_[7];

    if (magnetronHot_)
        magnetron_ = approach(magnetron_, 135, 25, dt);
    else if (magnetronOn)
        magnetron_ = approach(magnetron_, 40 + drive * 0.45, 90, dt);
    else
        magnetron_ = approach(magnetron_, options_.ambient, stage_ == Stage::Cooling ? 20 : 60, dt);

    if (holderHot_)
        holder_ = approach(holder_, 95, 30, dt);
    else if (stage_ == Stage::Phase4)
        holder_ =
            approach(holder_, options_.ambient + 8 + power_ * 0.12 + (halogen_ ? 12 : 0), 120, dt);
    else
        holder_ = approach(holder_, options_.ambient, 180, dt);

    const double lightTarget = stage_ == Stage::Phase4   ? 1.0
                               : stage_ == Stage::Phase3 ? 0.85
                               : stage_ == Stage::Phase2 ? 0.35
                                                         : 0.0;
    light_ = approach(light_, lightTarget, 4, dt);

    if (magnetronOn) advanceWear(wear_[2], dtMs);
    if (stage_ >= Stage::Phase2 && stage_ <= Stage::Phase4) advanceWear(wear_[0], dtMs);
    if (halogen_ && stage_ == Stage::Phase4) advanceWear(wear_[1], dtMs);

    const int limit = parameters_[12];
    if (magnetron_ > limit && !overheatReported_ && stage_ != Stage::Cooling) {
        overheatReported_ = true;
        send(254, 6);
    } else if (magnetron_ < limit - 5) {
        overheatReported_ = false;
    }
}

void Controller::advanceWear(Counter& counter, double ms) {
    counter.ms += ms;
    while (counter.ms >= 60000) {
        counter.ms -= 60000;
        if (++counter.minutes >= 240) {
            counter.minutes = 0;
            counter.blocks = (counter.blocks + 1) & 0xFFFF;
        }
    }
}

void Controller::send(int code, int value) {
    std::string text = replyFrame(code, value);
    if (!markerNext_.empty()) {
        text[15] = markerNext_.front();
        markerNext_.erase(0, 1);
    }
    if (dropNext_ > 0) {
        --dropNext_;
        text.erase(random_() % text.size(), 1);
    }
    if (addNext_ > 0) {
        --addNext_;
        text.insert(random_() % (text.size() + 1), 1, static_cast<char>('0' + random_() % 10));
    }
    put(std::move(text));
}

void Controller::put(std::string text) {
    const int64_t now = scheduler_.now();
    if (now < silentUntil_) return;
    lineFree_ = std::max(now, lineFree_) + lineMs(text.size());
    later(lineFree_ - now, [this, text = std::move(text)] {
        if (trace_) trace_("-> " + printable(text));
        if (output_) output_(text);
    });
}

void Controller::apply(const Fault& fault) {
    const int64_t now = scheduler_.now();
    if (trace_) trace_("fault " + faultName(fault.kind));
    switch (fault.kind) {
    case FaultKind::Silence:
        silentUntil_ = now + std::llround(fault.seconds * 1000);
        break;
    case FaultKind::Noise: {
        std::string noise;
        while (noise.size() < static_cast<std::size_t>(fault.amount)) {
            const auto b = static_cast<char>(random_() % 256);
            // Flow-control characters would stop the station's own sending on this line.
            if (b != '\x11' && b != '\x13') noise += b;
        }
        put(std::move(noise));
        break;
    }
    case FaultKind::DropByte:
        ++dropNext_;
        break;
    case FaultKind::AddByte:
        ++addNext_;
        break;
    case FaultKind::WrongMarker:
        markerNext_ += fault.marker;
        break;
    case FaultKind::NoAck:
        noAckUntil_[static_cast<uint8_t>(fault.amount)] =
            fault.seconds > 0 ? std::max<int64_t>(1, now + std::llround(fault.seconds * 1000)) : -1;
        break;
    case FaultKind::MagnetronHot:
        magnetronHot_ = true;
        break;
    case FaultKind::MagnetronOk:
        magnetronHot_ = false;
        break;
    case FaultKind::HolderHot:
        holderHot_ = true;
        break;
    case FaultKind::HolderOk:
        holderHot_ = false;
        break;
    case FaultKind::BoardAbsent:
        board_ = false;
        break;
    case FaultKind::BoardPresent:
        board_ = true;
        break;
    case FaultKind::LowSupply:
        lowSupply_ = true;
        break;
    case FaultKind::SupplyOk:
        lowSupply_ = false;
        break;
    case FaultKind::Slow:
        slowMs_ = fault.amount;
        break;
    }
}

} // namespace orbek::sim
