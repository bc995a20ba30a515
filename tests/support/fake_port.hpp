#pragma once

#include "core/scheduler.hpp"
#include "core/serial_port.hpp"

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace orbek::test {

// A serial port in memory: what the station writes is kept, what a test delivers waits to be
// read and raises Receive once 18 characters wait, as the real line does.
class FakePort : public SerialPort {
  public:
    explicit FakePort(Scheduler& scheduler) : scheduler_(scheduler) {}

    std::set<int> openable{2}; // port numbers that open
    std::vector<int> openAttempts;

    bool open(int number) override {
        openAttempts.push_back(number);
        if (open_ || !openable.count(number)) return false;
        open_ = true;
        number_ = number;
        return true;
    }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    void write(const std::vector<uint8_t>& bytes) override {
        written.push_back({scheduler_.now(), bytes});
    }
    std::string read(std::size_t maxChars) override {
        const std::size_t n = std::min(maxChars, input_.size());
        std::string out = input_.substr(0, n);
        input_.erase(0, n);
        return out;
    }
    std::size_t waiting() const override { return input_.size(); }
    int number() const { return number_; }

    // Text arriving from the controller now.
    void deliver(const std::string& text) {
        input_ += text;
        raiseReceiveWhileWaiting();
    }
    // A frame (0, code, value) as the controller writes it.
    void deliverFrame(int code, int value) { deliver(frame(code, value)); }
    static std::string frame(int code, int value, int machine = 0) {
        char text[32];
        std::snprintf(text, sizeof text, "%03d, %03d, %03d, S\r\n", machine, code, value);
        return text;
    }
    void event(CommEvent e) { raise(e); }

    struct Write {
        int64_t time;
        std::vector<uint8_t> bytes;
    };
    std::vector<Write> written;

  private:
    Scheduler& scheduler_;
    bool open_ = false;
    int number_ = 0;
    std::string input_;
};

} // namespace orbek::test
