// The message catalogue: every message code of the controller link with its values, direction
// and meaning, and the reference list the "Communication Codes" window shows. One table, read
// by the receive dispatcher and by the window alike.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace orbek {
class Station;
}

namespace orbek::link {

// Message codes by meaning.
namespace code {
inline constexpr uint8_t Lamp = 255;          // out: 1 start, 2 stop
inline constexpr uint8_t Status = 254;        // in: 0 ready, 2 stopped, 3 test, 4 tests end, 6 hot
inline constexpr uint8_t Cycle = 253;         // in: cycle step; 1 running, 14 new plot screen
inline constexpr uint8_t Cooling = 252;       // in: seconds of cooling left, 60 first
inline constexpr uint8_t MagnetronTemp = 251; // in: degrees Celsius
inline constexpr uint8_t LightStart = 250;    // in: AD0
inline constexpr uint8_t LightControl = 249;  // in: AD1 (BPW34)
inline constexpr uint8_t Battery = 248;       // in: AD2
inline constexpr uint8_t Supply = 247;        // in: AD3, half the supply voltage
inline constexpr uint8_t LevelPulse = 246;    // in: lamp level pulse validated
inline constexpr uint8_t TestOrder = 245;     // out: component test (bank 7)
inline constexpr uint8_t SpeedTest = 244;     // out: 1 motor, 2 fans; in: results
inline constexpr uint8_t ReadClock = 243;     // out: read the DS1307 registers
inline constexpr uint8_t ClockRegister = 242; // in: one register value
inline constexpr uint8_t WriteRequest = 241;  // out: may the controller receive data?
inline constexpr uint8_t WriteAgreed = 240;   // in: it may
inline constexpr uint8_t ParamData = 239;     // out: one parameter byte
inline constexpr uint8_t LampPhase = 238;     // in: phase 1..4 reached
inline constexpr uint8_t Power = 237;         // out: power step
inline constexpr uint8_t PowerAck = 236;      // in: power order received
inline constexpr uint8_t ExtBoardAd0 = 235;   // in: external board AD0..AD3 = 235..232
inline constexpr uint8_t ExtBoardAd3 = 232;
inline constexpr uint8_t Halogen = 227;           // out: 0 off, 1 on; in: 2 received
inline constexpr uint8_t HolderTemp = 226;        // in: sample holder, degrees Celsius
inline constexpr uint8_t ClockWriteRequest = 224; // out
inline constexpr uint8_t ClockWriteAgreed = 223;  // in
inline constexpr uint8_t ClockData = 222;         // out: one clock register
inline constexpr uint8_t WearData = 220;          // out: 0 request; in: one wear byte
inline constexpr uint8_t EraseCounter = 199;      // out: 1 lamp, 2 halogen, 3 magnetron; in: 0
inline constexpr uint8_t Version = 198;           // in: one byte of the firmware version
inline constexpr uint8_t TriggerLevel = 197;      // in: detector trigger level reached
inline constexpr uint8_t Freeze = 195;            // out: 1
inline constexpr uint8_t FreezeReleased = 194;    // in: 1
} // namespace code

enum class Direction { Out, In };

// A value field that stands for any value ("x").
inline constexpr int kAnyValue = -1;

struct Message {
    uint8_t code;
    int value; // kAnyValue for any
    Direction direction;
    std::string_view meaning;
    // Orders only: the reply that ends their repetition (code 0: none; value may be any).
    uint8_t ackCode = 0;
    int ackValue = kAnyValue;
};

// Every message the station sends or acts on, orders first.
std::span<const Message> messages();

// The entry of a message; an entry for the exact value wins over one for any value.
const Message* findMessage(Direction direction, int code, int value);

// Whether the station knows the message at all (received frames outside the table are only
// logged by the link).
inline bool isKnown(Direction direction, int code, int value) {
    return findMessage(direction, code, value) != nullptr;
}

// The reference list of the "Communication Codes" window, blank lines included.
std::span<const std::string_view> codeListLines();

// Connects the window's load, its one-shot placement and its "Quit" button.
void wireCodeDialogue(Station& s);

} // namespace orbek::link
