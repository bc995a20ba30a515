// The two frame formats of the controller link, and the receiver that finds reply frames in
// the received text.
//
// Order, station to controller: three raw bytes (machine 0, code, value), no terminator.
// Reply, controller to station: 18 characters, three 3-character decimal fields at positions
// 1-3, 6-8 and 11-13, the marker "S" at position 16, separators and line end not examined.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orbek::link {

inline constexpr std::size_t kReplyLength = 18;
inline constexpr std::size_t kMarkerIndex = 15; // 0-based position of the marker "S"
inline constexpr int16_t kFirstCode = 194;      // the message codes of the catalogue
inline constexpr int16_t kLastCode = 255;

std::array<uint8_t, 3> encodeOrder(uint8_t code, uint8_t value);

struct Reply {
    std::array<int16_t, 3> fields{}; // machine, code, value
    std::string raw;                 // the characters as received, 16 to 18 of them
};

// Decodes a text whose marker has been checked: each field by the lenient numeric reading.
Reply decodeReply(std::string_view text);

// The event-list line of a received frame: the raw fields and the marker, four blanks apart.
std::string receivedLine(std::string_view raw);

// Frames the link logs itself: every 253, 254 with a value below 5, every 255.
bool isLoggedByLink(int16_t code, int16_t value);

// Finds frames in the received text. A clean stream of 18-character frames is taken exactly
// as it arrives; text whose fields hold characters no number has (noise) is no frame. When a byte
// was lost, added or garbled, the receiver keeps what it read and looks for the next text with
// the marker at its 16th character and fields a clean stream accepts, holding a frame a
// controller could send, so a damaged byte costs only the frames it touched.
class Receiver {
  public:
    // Takes the next frame out of `buffer`, if one is there.
    std::optional<std::string> take(std::string& buffer);
    // After the frames of one receive event are taken: drops what can no longer start a frame.
    void settle(std::string& buffer);

  private:
    bool aligned_ = true; // the buffer starts where a frame starts
};

} // namespace orbek::link
