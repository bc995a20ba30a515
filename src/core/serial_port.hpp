// The serial line to the controller as the station needs it: a numbered port opened with the
// station's fixed settings, byte-exact writes, reads of waiting characters, and communication
// events (data waiting, line errors, modem-pin changes, the device going away).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orbek {

// Event codes of the serial control; the station's event list names each one.
enum class CommEvent : int {
    Send = 1,
    Receive = 2,
    CtsChanged = 3,
    DsrChanged = 4,
    CdChanged = 5,
    Ring = 6,
    Eof = 7,
    Break = 1001,
    CtsTimeout = 1002,
    DsrTimeout = 1003,
    Frame = 1004,
    Overrun = 1006,
    CdTimeout = 1007,
    RxOver = 1008,
    RxParity = 1009,
    TxFull = 1010,
    Dcb = 1011,
    // Not a code of the original control: the device itself disappeared (USB adapter pulled).
    DeviceRemoved = 1100,
};

// The fixed line settings of the controller link.
struct LineSettings {
    int baud = 19200;
    char parity = 'n';
    int dataBits = 8;
    int stopBits = 1;
    bool xonXoff = true;
    bool rts = false;
    std::size_t receiveThreshold = 18; // a Receive event once this many characters wait
    std::size_t inputLength = 18;      // one read returns at most this many characters
};

class SerialPort {
  public:
    virtual ~SerialPort() = default;

    // Opens port `number` (1..14, other numbers are tried and normally fail) with the fixed
    // settings. False when it cannot be opened; `error` may say why.
    virtual bool open(int number) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Writes the bytes exactly as given, in one write.
    virtual void write(const std::vector<uint8_t>& bytes) = 0;
    // Returns at most `maxChars` waiting characters, each byte one character.
    virtual std::string read(std::size_t maxChars) = 0;
    virtual std::size_t waiting() const = 0;
    virtual std::string error() const { return {}; }
    // The device the port number stands for, for messages.
    virtual std::string deviceName(int number) const { return "COM" + std::to_string(number); }
    // True when a simulated controller is at the other end in place of the RS232 line: it opens
    // whatever port is saved, and the station names it instead of a COM port.
    virtual bool simulated() const { return false; }

    void setEventHandler(std::function<void(CommEvent)> handler) { handler_ = std::move(handler); }

    // Receive is raised once this many characters wait (18 for a whole frame; fewer while the
    // station waits for the rest of a frame it has begun).
    virtual void setReceiveThreshold(std::size_t count) { threshold_ = count == 0 ? 1 : count; }
    std::size_t receiveThreshold() const { return threshold_; }

  protected:
    void raise(CommEvent event) {
        if (handler_) handler_(event);
    }
    // Raises Receive while the threshold is met and each handler call consumed something.
    void raiseReceiveWhileWaiting() {
        std::size_t before = waiting();
        while (isOpen() && before >= threshold_ && handler_) {
            raise(CommEvent::Receive);
            const std::size_t after = waiting();
            if (after >= before) break;
            before = after;
        }
    }

  private:
    std::function<void(CommEvent)> handler_;
    std::size_t threshold_ = 18;
};

} // namespace orbek
