// The serial line to the controller as the station needs it: a numbered port opened with the
// station's fixed settings, byte-exact writes, reads of waiting characters, and communication
// events (data waiting, line errors, modem-pin changes, the device going away).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
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
    // Not a code of the original control: the device itself disappeared (USB adapter pulled);
    // the port is already closed when this is raised.
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

// Why a port could not be opened, as far as the platform tells.
enum class OpenFailure {
    None,
    NoDevice,     // nothing at that name (adapter unplugged, no such port)
    NoPermission, // the device is there but the user may not use it
    InUse,        // another program holds it (a lock file, an exclusive open)
    Other,
};

struct OpenError {
    OpenError() = default;
    OpenError(OpenFailure kind_, std::string reason_, std::string group_ = {},
              std::string holder_ = {})
        : kind(kind_), reason(std::move(reason_)), group(std::move(group_)),
          holder(std::move(holder_)) {}

    OpenFailure kind = OpenFailure::None;
    std::string reason; // the system's own words
    std::string group;  // NoPermission: a group to join that may read and write the device
    std::string holder; // InUse: the program that has it open ("minicom (process 812)"), if known
    // NoPermission: the device itself (every link followed), its owner, group and mode.
    std::string device;
    std::string deviceGroup;
    unsigned mode = 0;
    // InUse: a lock file that no program holds any more but this user may not remove, and the
    // process it names.
    std::string staleLock;
    long lockPid = 0;
    // The owner of the device (NoPermission) or of the stale lock file (InUse).
    std::string owner;
};

class SerialPort {
  public:
    virtual ~SerialPort() = default;

    // Opens port `number` (1..14, other numbers are tried and normally fail) with the fixed
    // settings. False when it cannot be opened; `lastError` says why.
    virtual bool open(int number) = 0;
    // Opens again the device that port `number` opened last, found the same way (through the
    // same link, not a fallback the link used to hide), after that device went away.
    virtual bool reopen(int number) { return open(number); }
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Writes the bytes exactly as given, in one write.
    virtual void write(const std::vector<uint8_t>& bytes) = 0;
    // Returns at most `maxChars` waiting characters, each byte one character.
    virtual std::string read(std::size_t maxChars) = 0;
    virtual std::size_t waiting() const = 0;
    // Why the last open failed.
    virtual OpenError lastError() const { return {}; }
    std::string error() const { return lastError().reason; }
    // The device the port number stands for, for messages.
    virtual std::string deviceName(int number) const { return "COM" + std::to_string(number); }
    // Whether that device is there now (it may still fail to open).
    virtual bool devicePresent(int number) const {
        (void)number;
        return true;
    }
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
