// Settings of the simulated controller and the faults it can be told to show.
//
// Durations are the machine's own at speed 1; `speed` divides the start cycle, the lamp phases,
// the cooling countdown, the freeze, the speed tests and the thermal and wear time of the
// machine. The reporting rhythm (presence pulse, readings) stays on the wall clock so that a
// fast machine does not flood the line.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace orbek::sim {

enum class FaultKind {
    Silence,      // the controller says nothing for `seconds`
    Noise,        // `amount` random bytes on the line between two frames
    DropByte,     // the next frame loses one character
    AddByte,      // the next frame carries one character too many
    WrongMarker,  // the next frame has `marker` in place of "S"
    NoAck,        // orders with code `amount` are ignored, for `seconds` (0: for good)
    MagnetronHot, // the magnetron runs away above its limit until the lamp is stopped
    MagnetronOk,
    HolderHot, // the sample holder heats far above its alarm level until the lamp is stopped
    HolderOk,
    BoardAbsent, // the external interface board answers 255 on its last input
    BoardPresent,
    LowSupply, // the supply sags below the warning level
    SupplyOk,
    Slow, // each order is handled `amount` ms after it arrived (0: at once again)
};

struct Fault {
    double atSeconds = 0; // from the start of the simulation, wall-clock seconds
    FaultKind kind = FaultKind::Silence;
    int amount = 0;
    double seconds = 0;
    char marker = 'X';
};

// The fifteen machine parameters as the controller leaves the factory.
inline constexpr std::array<uint8_t, 15> kDefaultParameters = {50, 20, 15, 10, 0,   0,  5, 50,
                                                               35, 70, 0,  0,  115, 30, 0};

struct SimOptions {
    double speed = 1.0;

    int cycleStepMs = 1000; // between two steps of the start cycle (253,x)
    int phase1Ms = 10000;   // magnetron filament heating
    int phase2Ms = 15000;   // lamp ignition
    int phase3Ms = 20000;   // lamp stabilising
    int coolingStepMs = 1000;
    int freezeMs = 5000;
    int testStepMs = 1000; // between two speed results

    int presencePulseMs = 3000; // idle presence pulse (254,5)
    int readingMs = 1000;       // one round of readings

    int firmwareVersion = 114; // sent as two bytes, high then low: "1.14"
    int power = 80;            // light power step until the station sets one (x 10 W)
    double ambient = 22;       // degrees Celsius
    unsigned seed = 1;

    std::array<uint8_t, 15> parameters = kDefaultParameters;
    // Seconds, minutes, hours, day of week, date, month, year (BCD), control.
    std::array<uint8_t, 8> clock = {0x00, 0x00, 0x12, 1, 0x01, 0x01, 0x26, 16};
    // Lamp, halogen and magnetron counters, five bytes each: minutes within the current
    // four-hour block, blocks low and high, starts low and high.
    std::array<uint8_t, 15> wear = {197, 130, 0, 41, 0, 12, 52, 0, 17, 0, 60, 124, 0, 43, 0};

    std::vector<Fault> faults;
};

} // namespace orbek::sim
