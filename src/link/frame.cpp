#include "link/frame.hpp"

#include "core/text.hpp"

namespace orbek::link {

std::array<uint8_t, 3> encodeOrder(uint8_t code, uint8_t value) {
    return {0, code, value};
}

Reply decodeReply(std::string_view text) {
    Reply reply;
    reply.raw = std::string(text.substr(0, kReplyLength));
    const auto field = [&](std::size_t at) {
        return at < text.size() ? toInt16(leadingNumber(text.substr(at, 3))) : int16_t{0};
    };
    reply.fields = {field(0), field(5), field(10)};
    return reply;
}

std::string receivedLine(std::string_view raw) {
    const auto part = [&](std::size_t at, std::size_t n) {
        return at < raw.size() ? std::string(raw.substr(at, n)) : std::string();
    };
    return " Stamp --> PC      " + part(0, 3) + "    " + part(5, 3) + "    " + part(10, 3) +
           "    " + part(kMarkerIndex, 1);
}

bool isLoggedByLink(int16_t code, int16_t value) {
    return code == 253 || (code == 254 && value < 5) || code == 255;
}

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// A field as the line has always been read: digits, blanks, a sign or a point. Letters,
// control bytes and other noise make the text no frame, aligned or not.
bool mayBeField(const std::string& buffer, std::size_t at) {
    for (std::size_t k = 0; k < 3; ++k) {
        const char c = buffer[at + k];
        if (!isDigit(c) && c != ' ' && c != '+' && c != '-' && c != '.') return false;
    }
    return true;
}

bool mayBeFrame(const std::string& buffer, std::size_t at) {
    return buffer[at + kMarkerIndex] == 'S' && mayBeField(buffer, at) &&
           mayBeField(buffer, at + 5) && mayBeField(buffer, at + 10);
}

// Searching after damage, the marker and three fields can line up by chance in noise: a
// candidate counts only if a controller could have sent it (machine 0 or 1, a code of the
// catalogue), so it never takes the bytes of a clean frame that follows.
bool couldBeSent(const std::string& buffer, std::size_t at) {
    const auto fields = decodeReply(std::string_view(buffer).substr(at, kReplyLength)).fields;
    return (fields[0] == 0 || fields[0] == 1) && fields[1] >= kFirstCode && fields[1] <= kLastCode;
}

} // namespace

std::optional<std::string> Receiver::take(std::string& buffer) {
    // The ordinary case: the buffer starts with a frame, taken as it stands.
    if (aligned_ && buffer.size() > kMarkerIndex && mayBeFrame(buffer, 0)) {
        const std::size_t n = std::min(buffer.size(), kReplyLength);
        std::string frame = buffer.substr(0, n);
        buffer.erase(0, n);
        return frame;
    }
    for (std::size_t at = aligned_ ? 1 : 0; at + kReplyLength <= buffer.size(); ++at) {
        if (mayBeFrame(buffer, at) && couldBeSent(buffer, at)) {
            std::string frame = buffer.substr(at, kReplyLength);
            buffer.erase(0, at + kReplyLength);
            aligned_ = true;
            return frame;
        }
    }
    return std::nullopt;
}

void Receiver::settle(std::string& buffer) {
    if (buffer.empty()) {
        aligned_ = true;
        return;
    }
    // A frame not yet complete starts within the last 17 characters; anything before is lost.
    if (buffer.size() >= kReplyLength) buffer.erase(0, buffer.size() - (kReplyLength - 1));
    aligned_ = false;
}

} // namespace orbek::link
