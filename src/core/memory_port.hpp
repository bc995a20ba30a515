// A serial port in memory, on virtual time: what the station writes is kept with its time,
// what is delivered waits to be read and raises Receive once enough characters wait, as the
// real line does. Used by tests and by the scenario runner.
#pragma once

#include "core/scheduler.hpp"
#include "core/serial_port.hpp"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace orbek {

class MemoryPort : public SerialPort {
  public:
    explicit MemoryPort(Scheduler& scheduler) : scheduler_(scheduler) {}

    // Every port number opens, or only those in `openable`.
    bool openAny = true;
    std::set<int> openable;
    std::vector<int> openAttempts;
    // Why a port outside `openable` does not open.
    OpenError refusal{OpenFailure::NoDevice, "No such file or directory"};

    struct Write {
        int64_t time;
        std::vector<uint8_t> bytes;
    };
    std::vector<Write> written;
    std::function<void(const Write&)> onWrite;

    bool open(int number) override {
        openAttempts.push_back(number);
        lastError_ = {};
        if (open_) return false;
        if (!openAny && !openable.count(number)) {
            lastError_ = refusal;
            return false;
        }
        open_ = true;
        number_ = number;
        return true;
    }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    OpenError lastError() const override { return lastError_; }
    bool devicePresent(int number) const override {
        return openAny || openable.count(number) || refusal.kind != OpenFailure::NoDevice;
    }
    void write(const std::vector<uint8_t>& bytes) override {
        written.push_back({scheduler_.now(), bytes});
        if (onWrite) onWrite(written.back());
    }
    std::string read(std::size_t maxChars) override {
        const std::size_t n = std::min(maxChars, input_.size());
        std::string out = input_.substr(0, n);
        input_.erase(0, n);
        return out;
    }
    std::size_t waiting() const override { return input_.size(); }
    int number() const { return number_; }

    // Text arriving from the controller now; nothing arrives on a closed port.
    void deliver(const std::string& text) {
        if (!open_) return;
        input_ += text;
        raiseReceiveWhileWaiting();
    }
    void deliverFrame(int code, int value) { deliver(frame(code, value)); }
    void event(CommEvent e) { raise(e); }

    // The frame (machine, code, value) as the controller writes it.
    static std::string frame(int code, int value, int machine = 0) {
        char text[40];
        std::snprintf(text, sizeof text, "%03d, %03d, %03d, S\r\n", machine, code, value);
        return text;
    }

  private:
    Scheduler& scheduler_;
    bool open_ = false;
    int number_ = 0;
    OpenError lastError_;
    std::string input_;
};

} // namespace orbek
