// A serial port that hands everything to another one: the base of ports that stand between the
// station and its line (a recorder, a line that names itself otherwise). Events of the line
// reach the station through `forward`, and the station's receive threshold reaches the line.
#pragma once

#include "core/serial_port.hpp"

namespace orbek {

class ForwardingPort : public SerialPort {
  public:
    explicit ForwardingPort(SerialPort& line) : line_(line) {
        line_.setEventHandler([this](CommEvent event) { forward(event); });
    }
    ~ForwardingPort() override { line_.setEventHandler({}); }
    ForwardingPort(const ForwardingPort&) = delete;
    ForwardingPort& operator=(const ForwardingPort&) = delete;

    bool open(int number) override { return line_.open(number); }
    bool reopen(int number) override { return line_.reopen(number); }
    void close() override { line_.close(); }
    bool isOpen() const override { return line_.isOpen(); }
    void write(const std::vector<uint8_t>& bytes) override { line_.write(bytes); }
    std::string read(std::size_t maxChars) override { return line_.read(maxChars); }
    std::size_t waiting() const override { return line_.waiting(); }
    OpenError lastError() const override { return line_.lastError(); }
    std::string deviceName(int number) const override { return line_.deviceName(number); }
    bool devicePresent(int number) const override { return line_.devicePresent(number); }
    bool simulated() const override { return line_.simulated(); }
    void setReceiveThreshold(std::size_t count) override {
        SerialPort::setReceiveThreshold(count);
        line_.setReceiveThreshold(count);
    }

    SerialPort& line() { return line_; }

  protected:
    // An event of the line, for the station's handler.
    virtual void forward(CommEvent event) { raise(event); }

  private:
    SerialPort& line_;
};

} // namespace orbek
