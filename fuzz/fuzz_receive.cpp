// Arbitrary bytes from the line, in arbitrary read sizes, through the receive path: nothing may
// crash, and every frame taken must have its marker at the 16th character.
#include "link/frame.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    orbek::link::Receiver receiver;
    std::string buffer;
    std::size_t at = 0;
    while (at < size) {
        // The first byte of each chunk chooses how many of the following bytes one read brings.
        const std::size_t chunk = 1 + data[at] % 40;
        ++at;
        const std::size_t n = std::min(chunk, size - at);
        buffer.append(reinterpret_cast<const char*>(data + at), n);
        at += n;
        while (auto frame = receiver.take(buffer)) {
            if (frame->size() <= orbek::link::kMarkerIndex ||
                (*frame)[orbek::link::kMarkerIndex] != 'S')
                std::abort();
            const auto reply = orbek::link::decodeReply(*frame);
            (void)orbek::link::receivedLine(reply.raw);
        }
        receiver.settle(buffer);
        if (buffer.size() >= orbek::link::kReplyLength) std::abort();
    }
    return 0;
}
