#include "qt/qt_serial_port.hpp"

#include "core/serial_devices.hpp"

#include <QElapsedTimer>
#include <QSerialPortInfo>
#include <QSocketNotifier>

#include <fstream>

#ifndef _WIN32
#include <cerrno>
#include <cstring>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef __linux__
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <termios.h>
#endif

namespace orbek::qt {

namespace {

#ifdef __linux__
bool readCounters(int fd, serial_icounter_struct& counters) {
    return fd >= 0 && ::ioctl(fd, TIOCGICOUNT, &counters) == 0;
}
#endif

// The first process found with the device open, as "name (process N)"; empty when none
// can be seen (another user's processes are hidden from all but root).
std::string holderOf(const std::string& device) {
#ifdef __linux__
    std::error_code ec;
    const auto target = std::filesystem::canonical(device, ec);
    if (ec) return {};
    for (const auto& process : std::filesystem::directory_iterator("/proc", ec)) {
        const std::string pid = process.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        std::error_code fdError;
        for (const auto& fd : std::filesystem::directory_iterator(process.path() / "fd", fdError)) {
            std::error_code linkError;
            if (std::filesystem::read_symlink(fd.path(), linkError) != target) continue;
            std::ifstream comm(process.path() / "comm");
            std::string name;
            std::getline(comm, name);
            return (name.empty() ? std::string("process ") : name + " (process ") + pid +
                   (name.empty() ? "" : ")");
        }
    }
#else
    (void)device;
#endif
    return {};
}

// QSerialPort says "permission" both for a device the user may not use and for one another
// program holds (its lock file, an exclusive open, EBUSY); the device's own access tells them
// apart.
OpenError whyNotOpen(QSerialPort::SerialPortError code, const std::string& reason,
                     const std::string& device) {
    switch (code) {
    case QSerialPort::DeviceNotFoundError:
        return {OpenFailure::NoDevice, reason};
    case QSerialPort::PermissionError: {
#ifdef _WIN32
        (void)device;
        return {OpenFailure::InUse, reason};
#else
        if (::access(device.c_str(), R_OK | W_OK) == 0 || errno != EACCES)
            return {OpenFailure::InUse, reason, {}, holderOf(device)};
        // Said as the device's own refusal: Qt may have tripped over its lock file first. The
        // device is named as it is, past every link, with what decides who may use it.
        OpenError error{OpenFailure::NoPermission, std::strerror(EACCES)};
        std::error_code ec;
        const auto real = std::filesystem::canonical(device, ec);
        error.device = ec ? device : real.string();
        struct stat info {};
        if (::stat(device.c_str(), &info) != 0) return error;
        error.mode = info.st_mode & 07777;
        const struct passwd* owner = ::getpwuid(info.st_uid);
        error.owner = owner ? owner->pw_name : std::to_string(info.st_uid);
        const struct group* g = ::getgrgid(info.st_gid);
        error.deviceGroup = g ? g->gr_name : std::to_string(info.st_gid);
        // Joining the group helps only when it may read and write, and root's is no user's.
        if (info.st_gid != 0 && (info.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP))
            error.group = error.deviceGroup;
        return error;
#endif
    }
    default:
        return {OpenFailure::Other, reason};
    }
}

} // namespace

QtSerialPort::QtSerialPort(std::function<std::filesystem::path()> appFolder, QObject* parent)
    : QObject(parent), appFolder_(std::move(appFolder)) {
    connect(&port_, &QSerialPort::readyRead, this, &QtSerialPort::onReadyRead);
    connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialPort::onError);
    poller_.setInterval(kPollMs);
    connect(&poller_, &QTimer::timeout, this, &QtSerialPort::poll);
}

QtSerialPort::~QtSerialPort() {
    port_.close();
}

std::string QtSerialPort::deviceName(int number) const {
    return serialDeviceFor(number, appFolder_ ? appFolder_() : std::filesystem::path());
}

bool QtSerialPort::devicePresent(int number) const {
#ifdef _WIN32
    const QString name = QString::fromStdString(deviceName(number));
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        if (info.portName().compare(name, Qt::CaseInsensitive) == 0) return true;
    return false;
#else
    std::error_code ec;
    return std::filesystem::exists(deviceName(number), ec);
#endif
}

bool QtSerialPort::open(int number) {
    if (port_.isOpen()) return false;
    const auto folder = appFolder_ ? appFolder_() : std::filesystem::path();
    if (!openDevice(serialDeviceFor(number, folder))) return false;
    openedNumber_ = number;
    openedLink_ = portLink(number, folder);
    return true;
}

bool QtSerialPort::reopen(int number) {
    if (number != openedNumber_ || openedLink_.empty()) return open(number);
    if (port_.isOpen()) return false;
    // Through the same link only: while it is gone, COM n is not some other device.
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(openedLink_, ec))) {
        error_ = {OpenFailure::NoDevice, openedLink_.string() + " is gone"};
        return false;
    }
    return openDevice(serialDeviceFor(number, openedLink_.parent_path()));
}

bool QtSerialPort::openDevice(const std::string& device) {
    error_ = {};
    device_ = device;
    port_.setPortName(QString::fromStdString(device_));
    port_.setBaudRate(settings_.baud);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::SoftwareControl);
    if (!tryOpen()) {
        // A lock that no program holds any more (its process ended, or does not have the
        // device open) is taken away, as the serial-lock convention allows, and the port tried
        // once more.
        if (error_.kind != OpenFailure::InUse || !error_.holder.empty()) return false;
        const auto lock = deviceLock(device_);
        if (!lock || !lock->stale) return false;
        std::string why;
        if (!removeStaleLock(*lock, &why)) {
            error_.staleLock = lock->file.string();
            error_.lockPid = lock->pid;
            error_.owner = lock->owner;
            return false;
        }
        if (!tryOpen()) return false;
    }
    // RTS off; a device without modem lines (a pseudo-terminal) simply has none to set.
    port_.setRequestToSend(false);
    port_.clearError();
    pins_ = port_.pinoutSignals();
    pinsReadable_ = port_.error() == QSerialPort::NoError;
    port_.clearError();
#ifdef __linux__
    serial_icounter_struct c{};
    countersReadable_ = readCounters(static_cast<int>(port_.handle()), c);
    counters_ = {c.frame, c.overrun, c.parity, c.brk, c.buf_overrun};
#endif
    overloaded_ = false;
    gone_ = false;
    wakeCount_ = 0;
    updateWakeCount();
    // A pseudo-terminal has neither pins nor counters: nothing to look at, no timer.
    if (pinsReadable_ || countersReadable_) poller_.start();
    return true;
}

bool QtSerialPort::tryOpen() {
    if (port_.open(QIODevice::ReadWrite)) return true;
    error_ = whyNotOpen(port_.error(), port_.errorString().toStdString(), device_);
    port_.clearError();
    return false;
}

void QtSerialPort::close() {
    poller_.stop();
    dropWatch();
    if (port_.isOpen()) port_.close();
}

void QtSerialPort::dropWatch() {
    if (!watch_) return;
    watch_->setEnabled(false);
    watch_->deleteLater();
    watch_ = nullptr;
}

bool QtSerialPort::isOpen() const {
    return port_.isOpen();
}

void QtSerialPort::write(const std::vector<uint8_t>& bytes) {
    // Orders to a device already gone reach nobody, as on a closed port.
    if (!port_.isOpen() || gone_) return;
    port_.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    port_.flush();
    if (onWrite) onWrite(bytes);
}

std::string QtSerialPort::read(std::size_t maxChars) {
    if (!port_.isOpen()) return {};
    const QByteArray data = port_.read(static_cast<qint64>(maxChars));
    taken_ += static_cast<uint64_t>(data.size());
    return std::string(data.constData(), static_cast<std::size_t>(data.size()));
}

std::size_t QtSerialPort::waiting() const {
    return port_.isOpen() ? static_cast<std::size_t>(port_.bytesAvailable()) : 0;
}

void QtSerialPort::setReceiveThreshold(std::size_t count) {
    SerialPort::setReceiveThreshold(count);
    updateWakeCount();
}

void QtSerialPort::updateWakeCount() {
#ifdef __linux__
    // In raw mode with no time-out, a Linux terminal reports itself readable only once VMIN
    // characters wait; what QSerialPort has already read counts towards the threshold.
    if (!port_.isOpen() || gone_) return;
    const std::size_t held = waiting();
    const std::size_t wanted =
        pulling_ || held >= receiveThreshold() ? 1 : receiveThreshold() - held;
    const int count = static_cast<int>(std::min<std::size_t>(wanted, 255));
    if (count == wakeCount_) return;
    const int fd = static_cast<int>(port_.handle());
    termios line{};
    if (fd < 0 || ::tcgetattr(fd, &line) != 0) return;
    line.c_cc[VMIN] = static_cast<cc_t>(count);
    line.c_cc[VTIME] = 0;
    if (::tcsetattr(fd, TCSANOW, &line) == 0) wakeCount_ = count;
#endif
}

void QtSerialPort::onReadyRead() {
    if (deliveryQueued_) return;
    if (handOverAtOnce && !pulling_ && inside_ == 0) {
        // At once, on this wake-up. QSerialPort tells no more while this runs: should a handler
        // open a modal box (`nesting`), what arrives meanwhile is watched for here.
        ++inside_;
        deliver();
        if (--inside_ == 0 && watch_) watch_->setEnabled(false);
        return;
    }
    // Later, from the event loop: a handler that opens a modal box then lets QSerialPort read
    // on and signal again, and the next delivery runs inside that box's loop, in order, each
    // frame once.
    queueDelivery();
}

void QtSerialPort::queueDelivery() {
    if (deliveryQueued_) return;
    deliveryQueued_ = true;
    QMetaObject::invokeMethod(this, &QtSerialPort::deliver, Qt::QueuedConnection);
}

void QtSerialPort::nesting() {
    if (inside_ == 0 || !port_.isOpen()) return;
    if (!watch_) {
        watch_ = new QSocketNotifier(port_.handle(), QSocketNotifier::Read, this);
        // Queued: QSerialPort takes the characters on the same turn of the loop.
        connect(watch_, &QSocketNotifier::activated, this, &QtSerialPort::queueDelivery);
    }
    watch_->setEnabled(true);
}

void QtSerialPort::deliver() {
    deliveryQueued_ = false;
    if (!port_.isOpen()) return;
    if (port_.bytesAvailable() > kReceiveBuffer) {
        // What the receive buffer of the line could not hold is lost, and said so once.
        const qint64 lost = port_.bytesAvailable() - kReceiveBuffer;
        taken_ += static_cast<uint64_t>(port_.read(lost).size());
        if (!overloaded_) {
            overloaded_ = true;
            raise(CommEvent::RxOver);
        }
    } else {
        overloaded_ = false;
    }
    raiseReceiveWhileWaiting();
    updateWakeCount();
    if (afterEvent) afterEvent();
}

uint64_t QtSerialPort::arrived() const {
    return taken_ + static_cast<uint64_t>(port_.isOpen() ? port_.bytesAvailable() : 0);
}

bool QtSerialPort::pull(uint64_t arrivedBefore, std::size_t count, int waitMs) {
    QElapsedTimer clock;
    clock.start();
    // Every character wakes the wait, however few the player wrote.
    pulling_ = true;
    updateWakeCount();
    while (port_.isOpen() && arrived() < arrivedBefore + count) {
        const qint64 left = waitMs - clock.elapsed();
        if (left <= 0 || !port_.waitForReadyRead(static_cast<int>(left))) break;
    }
    pulling_ = false;
    const bool all = arrived() >= arrivedBefore + count;
    deliver();
    return all;
}

void QtSerialPort::raiseEvent(CommEvent event) {
    raise(event);
    if (afterEvent) afterEvent();
}

void QtSerialPort::onError(QSerialPort::SerialPortError error) {
    switch (error) {
    case QSerialPort::NoError:
    case QSerialPort::UnsupportedOperationError:
    case QSerialPort::TimeoutError:
        return;
    case QSerialPort::ResourceError:
    case QSerialPort::DeviceNotFoundError:
    case QSerialPort::PermissionError:
        if (port_.isOpen()) lost();
        return;
    case QSerialPort::ReadError:
        // A device that went away hangs its line up: reads find nothing, ever again.
        if (port_.isOpen() && hungUp()) {
            lost();
            return;
        }
        [[fallthrough]];
    case QSerialPort::WriteError:
    case QSerialPort::NotOpenError:
    case QSerialPort::OpenError:
    case QSerialPort::UnknownError:
        error_ = {OpenFailure::Other, port_.errorString().toStdString()};
        port_.clearError();
        return;
    }
}

void QtSerialPort::lost() {
    // Told once, however many errors the dead device raises meanwhile.
    if (gone_) return;
    gone_ = true;
    error_ = {OpenFailure::NoDevice, port_.errorString().toStdString()};
    poller_.stop();
    dropWatch();
    // Closing later: the error may come from inside a QSerialPort call.
    QTimer::singleShot(0, this, [this] {
        if (!port_.isOpen()) return;
        port_.close();
        raiseEvent(CommEvent::DeviceRemoved);
    });
}

void QtSerialPort::poll() {
    if (!port_.isOpen()) return;
#ifdef __linux__
    if (countersReadable_) {
        serial_icounter_struct c{};
        if (readCounters(static_cast<int>(port_.handle()), c)) {
            const Counters now{c.frame, c.overrun, c.parity, c.brk, c.buf_overrun};
            if (now.brk != counters_.brk) raiseEvent(CommEvent::Break);
            if (now.frame != counters_.frame) raiseEvent(CommEvent::Frame);
            if (now.parity != counters_.parity) raiseEvent(CommEvent::RxParity);
            if (now.overrun != counters_.overrun) raiseEvent(CommEvent::Overrun);
            if (now.bufOverrun != counters_.bufOverrun) raiseEvent(CommEvent::RxOver);
            counters_ = now;
        }
    }
#endif
    if (pinsReadable_) {
        const auto pins = port_.pinoutSignals();
        if (port_.error() != QSerialPort::NoError) {
            port_.clearError();
            return;
        }
        const auto changed = pins ^ pins_;
        pins_ = pins;
        if (changed & QSerialPort::ClearToSendSignal) raiseEvent(CommEvent::CtsChanged);
        if (changed & QSerialPort::DataSetReadySignal) raiseEvent(CommEvent::DsrChanged);
        if (changed & QSerialPort::DataCarrierDetectSignal) raiseEvent(CommEvent::CdChanged);
    }
}

bool QtSerialPort::hungUp() const {
#ifndef _WIN32
    pollfd line{static_cast<int>(port_.handle()), POLLIN, 0};
    if (line.fd >= 0 && ::poll(&line, 1, 0) == 1 && (line.revents & (POLLHUP | POLLERR)))
        return true;
    // The device's node gone is as good a sign.
    std::error_code ec;
    return !device_.empty() && device_.front() == '/' && !std::filesystem::exists(device_, ec);
#else
    return false;
#endif
}

} // namespace orbek::qt
