// The controller line on a real serial device through QSerialPort, with the station's fixed
// settings, its receive threshold of 18 characters, and the line errors, modem-pin changes and
// device loss turned into communication events.
//
// The program wakes only when there is something to do: on Linux the line's own minimum count
// (VMIN) holds the wake-up until the characters the station waits for are there, so a frame is
// one wake-up however it trickles in and every frame waiting is handled in that one; the line
// errors and modem pins are looked at only on a device that has them (not on a
// pseudo-terminal), and a device that goes away says so itself (a hang-up).
#pragma once

#include "core/serial_port.hpp"

#include <QObject>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTimer>

#include <filesystem>
#include <functional>

namespace orbek::qt {

class QtSerialPort : public QObject, public SerialPort {
    Q_OBJECT
  public:
    // `appFolder` gives the folder that may hold the "com<n>" links, at the time of opening.
    explicit QtSerialPort(std::function<std::filesystem::path()> appFolder,
                          QObject* parent = nullptr);
    ~QtSerialPort() override;

    bool open(int number) override;
    bool reopen(int number) override;
    void close() override;
    bool isOpen() const override;
    void write(const std::vector<uint8_t>& bytes) override;
    std::string read(std::size_t maxChars) override;
    std::size_t waiting() const override;
    OpenError lastError() const override { return error_; }
    std::string deviceName(int number) const override;
    bool devicePresent(int number) const override;
    void setReceiveThreshold(std::size_t count) override;

    // Told of every write, as it is made (a player stamps the orders it reads from the line).
    std::function<void(const std::vector<uint8_t>&)> onWrite;
    // Called after every communication event handed to the station (the views render).
    std::function<void()> afterEvent;
    // Characters are handed to the station on the wake-up that brought them, not on the next
    // turn of the loop; the host must then call `nesting` before every modal loop it runs.
    bool handOverAtOnce = false;
    // A modal loop is about to run, perhaps from a handler of this port's.
    void nesting();

    // Waits up to `waitMs` for `count` more characters than `arrived()` gave before, then
    // hands what came to the station at once. For a player that writes the other end of a
    // pseudo-terminal and wants the line to take no time; false when they did not all come.
    bool pull(uint64_t arrivedBefore, std::size_t count, int waitMs);
    // Characters received since the port was created: taken by the station or waiting.
    uint64_t arrived() const;

    // How often the modem pins and line-error counters are looked at, on a device that has them.
    static constexpr int kPollMs = 100;
    // The receive buffer of the original control; more waiting is an overload.
    static constexpr qint64 kReceiveBuffer = 1024;

  private:
    bool openDevice(const std::string& device);
    // One open of the device with the line settings set; error_ says why it failed.
    bool tryOpen();
    void onReadyRead();
    void deliver();
    void raiseEvent(CommEvent event);
    void onError(QSerialPort::SerialPortError error);
    void poll();
    void lost();
    void queueDelivery();
    void dropWatch();
    // True when the device has hung the line up (gone away).
    bool hungUp() const;
    // The count of characters the line waits for before it wakes the program.
    void updateWakeCount();

    std::function<std::filesystem::path()> appFolder_;
    QSerialPort port_;
    QTimer poller_;
    OpenError error_;
    std::string device_;
    // How the last port opened was found: its number and its "com<n>" link, if any.
    int openedNumber_ = 0;
    std::filesystem::path openedLink_;
    LineSettings settings_;
    bool pinsReadable_ = false;
    QSerialPort::PinoutSignals pins_;
    bool countersReadable_ = false;
    struct Counters {
        int frame = 0, overrun = 0, parity = 0, brk = 0, bufOverrun = 0;
    } counters_;
    bool overloaded_ = false;
    bool gone_ = false; // the device went away; the port closes at the next turn of the loop
    bool deliveryQueued_ = false;
    int inside_ = 0;                   // deliveries running from QSerialPort's signal
    QSocketNotifier* watch_ = nullptr; // the line, while such a delivery holds a modal loop
    bool pulling_ = false;             // a player waits for single characters
    int wakeCount_ = 0;                // the line's minimum count as last set (0: not known)
    uint64_t taken_ = 0;
};

} // namespace orbek::qt
