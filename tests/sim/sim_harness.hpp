// The controller model on virtual time, with every chunk it puts on the line kept in order.
#pragma once

#include "core/scheduler.hpp"
#include "sim/controller.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace orbek::sim::test {

struct Frame {
    int64_t time;
    int code;
    int value;
};

class Line {
  public:
    explicit Line(SimOptions options = {})
        : controller(scheduler, std::move(options), [this](const std::string& text) {
              chunks.push_back({scheduler.now(), text});
          }) {}

    Scheduler scheduler;
    struct Chunk {
        int64_t time;
        std::string text;
    };
    std::vector<Chunk> chunks;
    Controller controller;

    void order(int code, int value) {
        controller.receive(std::string{'\0', static_cast<char>(code), static_cast<char>(value)});
    }
    void run(int64_t ms) { scheduler.advanceBy(ms); }
    // The frames sent within the next `ms`.
    std::vector<Frame> listen(int64_t ms) {
        const auto at = mark();
        run(ms);
        return frames(at);
    }
    // The order, then the frames sent within `ms`.
    std::vector<Frame> ask(int code, int value, int64_t ms = 200) {
        const auto at = mark();
        order(code, value);
        run(ms);
        return frames(at);
    }

    // A well-formed frame's code and value.
    static std::optional<std::pair<int, int>> decode(const std::string& text) {
        if (text.size() != 18 || text[15] != 'S' || text.substr(16) != "\r\n") return std::nullopt;
        return std::pair{std::stoi(text.substr(5, 3)), std::stoi(text.substr(10, 3))};
    }

    // Frames sent since chunk `from`; a damaged chunk fails the test.
    std::vector<Frame> frames(std::size_t from = 0) const {
        std::vector<Frame> out;
        for (std::size_t i = from; i < chunks.size(); ++i) {
            const auto f = decode(chunks[i].text);
            EXPECT_TRUE(f) << "not a frame: " << chunks[i].text;
            if (f) out.push_back({chunks[i].time, f->first, f->second});
        }
        return out;
    }
    std::size_t mark() const { return chunks.size(); }

    // Runs until a frame (code, value) comes, at most `limitMs`; its time, or -1.
    int64_t runUntil(int code, int value, int64_t limitMs) {
        const int64_t end = scheduler.now() + limitMs;
        std::size_t seen = chunks.size();
        while (scheduler.now() < end) {
            run(10);
            for (; seen < chunks.size(); ++seen) {
                const auto f = decode(chunks[seen].text);
                if (f && f->first == code && (value < 0 || f->second == value))
                    return chunks[seen].time;
            }
        }
        return -1;
    }
};

inline std::vector<Frame> only(const std::vector<Frame>& frames, int code) {
    std::vector<Frame> out;
    for (const auto& f : frames)
        if (f.code == code) out.push_back(f);
    return out;
}

inline bool has(const std::vector<Frame>& frames, int code, int value = -1) {
    for (const auto& f : frames)
        if (f.code == code && (value < 0 || f.value == value)) return true;
    return false;
}

} // namespace orbek::sim::test
