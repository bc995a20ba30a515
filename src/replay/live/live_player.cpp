#include "replay/live/live_player.hpp"

#include "app/port_selection.hpp"
#include "core/forwarding_port.hpp"
#include "link/comm.hpp"
#include "mqtt/mqtt_publisher.hpp"
#include "qt/qt_host.hpp"
#include "qt/qt_serial_port.hpp"
#include "qt/start_view.hpp"
#include "replay/player.hpp"
#include "station/assembled_station.hpp"
#include "telemetry/settings.hpp"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSocketNotifier>

#include <cstdlib>
#include <deque>
#include <fcntl.h>
#include <iostream>
#include <set>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace orbek::replay::live {

namespace {

constexpr int kPortCount = 14;
constexpr int kLineWaitMs = 2000;

// The controller's end of a pseudo-terminal.
class Pty {
  public:
    bool open() {
        fd_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd_ < 0 || ::grantpt(fd_) != 0 || ::unlockpt(fd_) != 0) return false;
        slave_ = ::ptsname(fd_);
        termios t{};
        ::tcgetattr(fd_, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(fd_, TCSANOW, &t);
        return true;
    }
    void close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    ~Pty() { close(); }
    int fd() const { return fd_; }
    const std::string& slave() const { return slave_; }
    bool write(const std::string& text) const {
        std::size_t done = 0;
        while (done < text.size()) {
            const auto n = ::write(fd_, text.data() + done, text.size() - done);
            if (n < 0) return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

  private:
    int fd_ = -1;
    std::string slave_;
};

// The line as the station sees it: the adapter's, or named the built-in simulated controller
// after `port simulated`.
class StationLine : public ForwardingPort {
  public:
    using ForwardingPort::ForwardingPort;
    bool simulatedLine = false;
    bool simulated() const override { return simulatedLine; }
    // The simulated controller opens whatever port is saved, none (0) too.
    bool open(int number) override { return ForwardingPort::open(portOf(number)); }
    bool reopen(int number) override { return ForwardingPort::reopen(portOf(number)); }
    int portOf(int number) const {
        return simulatedLine && (number < 1 || number > kPortCount) ? 1 : number;
    }
    std::string deviceName(int number) const override {
        return simulatedLine ? "simulated controller" : ForwardingPort::deviceName(number);
    }
};

// Runs `call` at `time`, after whatever else falls due in that millisecond, as a box waited on
// virtual time returns only once all of it has run.
void atEndOf(Scheduler& scheduler, int64_t time, std::function<void()> call) {
    scheduler.at(time, [&scheduler, time, call = std::move(call)] { scheduler.at(time, call); });
}

class LivePlayer;

// Sees boxes, dialogs and windows appear, as a person at the screen does.
class Watcher : public QObject {
  public:
    explicit Watcher(LivePlayer& player) : player_(player) {}
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    LivePlayer& player_;
};

class LivePlayer : public Player {
  public:
    LivePlayer(const Options& options, std::ostream& out, std::filesystem::path cleanup,
               std::function<int(int)> conclude)
        : Player(options, out), cleanup_(std::move(cleanup)), conclude_(std::move(conclude)),
          port_([this] { return std::filesystem::path(options_.appFolder); }),
          ui_([this]() -> QWidget* { return view_.get(); }), driver_(scheduler_), watcher_(*this) {
        std::filesystem::create_directories(options.appFolder);
        std::filesystem::create_directories(options.userFolder);
        plug();
        station_ = std::make_unique<AssembledStation>(scheduler_, line_, ui_, clock_,
                                                      Paths{options.appFolder, options.userFolder});
        attach();
        view_ = std::make_unique<qt::StartView>(*station_);
        ui_.render = [this] {
            if (view_) view_->render();
        };
        ui_.showWindow = [this](WindowModel& window, bool) {
            if (view_) view_->bringForward(window.name());
        };
        ui_.scheduler = &scheduler_;
        port_.afterEvent = ui_.render;
        // Frames handed over as the program hands them: on the wake-up that brought them.
        port_.handOverAtOnce = true;
        ui_.nesting = [this] { port_.nesting(); };
        // Each order is printed when it is read from the line, at the time it was written.
        port_.onWrite = [this](const std::vector<uint8_t>& bytes) {
            for (std::size_t i = 0; i < bytes.size(); i += 3)
                writeTimes_.push_back(scheduler_.now());
        };
        driver_.afterAdvance = ui_.render;
        driver_.setSpeed(options.speed);
        qApp->installEventFilter(&watcher_);
        view_->show();
    }

    void boxShown(QMessageBox& box) {
        if (box.property("orbekSeen").toBool()) return;
        box.setProperty("orbekSeen", true);
        Reply reply{box.button(QMessageBox::Yes) ? MsgAnswer::No : MsgAnswer::Ok, 0};
        if (!replies_.empty()) {
            reply = replies_.front();
            replies_.pop_front();
        }
        std::string text = box.text().toStdString();
        for (auto at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 2))
            text.replace(at, 1, "\r\n");
        // The box opened at the time of the handler that opened it; the answer comes after
        // that, before the station's own timers that fall due later.
        const int64_t opened = scheduler_.ranTo();
        print("BOX \"" + printable(box.windowTitle().toStdString()) + "\" \"" + printable(text) +
                  "\" -> " +
                  (reply.answer == MsgAnswer::Yes  ? "Yes"
                   : reply.answer == MsgAnswer::No ? "No"
                                                   : "Ok"),
              opened);
        const char* name = reply.answer == MsgAnswer::Yes  ? "Yes"
                           : reply.answer == MsgAnswer::No ? "No"
                                                           : "Ok";
        QPointer<QMessageBox> target(&box);
        const auto answer = [this, target, name] {
            // The button as a person finds it on the box, by its name.
            if (!target) return;
            if (auto* button = target->findChild<QAbstractButton*>(name)) button->click();
            scheduler_.yieldToHost();
        };
        if (reply.afterMs > 0)
            atEndOf(scheduler_, opened + reply.afterMs, answer);
        else
            scheduler_.at(opened, answer);
    }

    void fileDialogShown(QFileDialog& dialog) {
        if (dialog.property("orbekSeen").toBool()) return;
        dialog.setProperty("orbekSeen", true);
        FileReply reply;
        if (!files_.empty()) {
            reply = files_.front();
            files_.pop_front();
        }
        printFileDialog(dialog.windowTitle().toStdString(), reply.path);
        QPointer<QFileDialog> target(&dialog);
        const auto answer = [this, target, path = reply.path] {
            if (!target) return;
            scheduler_.yieldToHost();
            if (!path) return target->reject();
            // The whole path typed into the name box as a person may do (selectFile leaves a
            // name box that has the focus as it is), so a folder that does not exist is
            // answered as typed too.
            const QString chosen = QString::fromStdString(*path);
            target->selectFile(chosen);
            if (auto* name = target->findChild<QLineEdit*>("fileNameEdit")) name->setText(chosen);
            QMetaObject::invokeMethod(target.data(), "accept");
        };
        if (reply.openMs > 0)
            atEndOf(scheduler_, scheduler_.ranTo() + reply.openMs, answer);
        else
            scheduler_.at(scheduler_.ranTo(), answer);
    }

    void windowShown(QDialog& dialog) {
        WindowModel* window = station_->findWindow(dialog.objectName().toStdString());
        if (window && window->modal()) print("MODAL " + window->name());
    }

    int start(const Scenario& scenario) {
        // The first box of each kind loads its icon and style; done before the clock starts,
        // that time does not count against the scenario's.
        for (auto icon : {QMessageBox::Information, QMessageBox::Warning, QMessageBox::Critical,
                          QMessageBox::Question, QMessageBox::NoIcon}) {
            QMessageBox warm(icon, "warm", "warm", QMessageBox::Ok | QMessageBox::Yes, view_.get());
            warm.ensurePolished();
            warm.adjustSize();
        }
        QApplication::processEvents();
        driver_.start();
        const bool ok = play(scenario);
        return finish(ok);
    }

  protected:
    Scheduler& scheduler() override { return scheduler_; }
    Station& station() override { return *station_; }

    void deliver(const std::string& text) override {
        // Nothing reaches a closed port, as on the virtual line.
        if (!port_.isOpen()) return;
        std::size_t count = 0;
        for (char c : text)
            if (c != '\x11' && c != '\x13') ++count; // taken by the line's XON/XOFF
        const uint64_t before = port_.arrived();
        if (!pty_.write(text) || !port_.pull(before, count, kLineWaitMs)) {
            print("ERROR the line did not carry " + printable(text));
            ok_ = false;
        }
    }

    void commEvent(CommEvent event) override {
        // A pseudo-terminal has no line errors or modem pins: the event goes to the station's
        // handler as the adapter would raise it.
        link::MSComm1_OnComm(*station_, event);
        ui_.render();
    }

    void click(WindowModel& window, Control& control) override {
        // A click that closes a modal window lets its loop return before anything else runs.
        struct YieldAfter {
            Scheduler& scheduler;
            ~YieldAfter() { scheduler.yieldToHost(); }
        } yieldAfter{scheduler_};
        view_->render();
        const QString name = QString::fromStdString(control.name);
        if (window.name() == "Start") {
            if (QAction* action = view_->actionOf(control.name); action && !action->isCheckable()) {
                // A menu title drops its menu down (and a person closes it again).
                if (QMenu* menu = action->menu()) {
                    emit menu->aboutToShow();
                } else {
                    action->trigger();
                }
                return;
            }
            if (auto* button = qobject_cast<QPushButton*>(view_->widgetOf(control.name))) {
                button->click();
                return;
            }
        } else if (auto* dialog = view_->findChild<QDialog*>(QString::fromStdString(window.name()),
                                                             Qt::FindDirectChildrenOnly)) {
            if (auto* button = dialog->findChild<QPushButton*>(name);
                button && !button->isCheckable()) {
                button->click();
                return;
            }
        }
        // Controls drawn otherwise (labels, check boxes, option buttons) take the click as the
        // model's handler.
        window.fire(control.name);
        view_->render();
    }

    void type(WindowModel& window, Control& control, const std::string& text) override {
        view_->render();
        QLineEdit* edit = nullptr;
        if (window.name() == "Start")
            edit = qobject_cast<QLineEdit*>(view_->widgetOf(control.name));
        else if (auto* dialog = view_->findChild<QDialog*>(QString::fromStdString(window.name()),
                                                           Qt::FindDirectChildrenOnly))
            edit = dialog->findChild<QLineEdit*>(QString::fromStdString(control.name));
        if (edit) {
            edit->selectAll();
            edit->insert(QString::fromStdString(text));
        } else {
            Player::type(window, control, text);
        }
        view_->render();
    }

    std::string offScreen(WindowModel& window) override {
        QWidget* view = window.name() == "Start"
                            ? static_cast<QWidget*>(view_.get())
                            : view_->findChild<QDialog*>(QString::fromStdString(window.name()),
                                                         Qt::FindDirectChildrenOnly);
        if (!view) return {};
        if (window.shown() && !view->isVisible()) return window.name() + " is not on screen";
        if (!window.shown() && view->isVisible()) return window.name() + " is still on screen";
        return {};
    }

    void answerNext(MsgAnswer answer, int64_t afterMs) override {
        replies_.push_back({answer, afterMs});
    }
    void answerFile(std::optional<std::string> path, int64_t openMs) override {
        files_.push_back({std::move(path), openMs});
    }

    bool port(const std::string& what, int number, std::string& why) override {
        if (what == "close") {
            port_.close();
        } else if (what == "open") {
            app::Lecture_MSCOM(*station_);
        } else if (what == "unplug") {
            readOrders();
            pty_.close();
            notifier_.reset();
            // The adapter finds the device gone on its next look at the line; what was written
            // and not read by then went nowhere.
            port_.pull(port_.arrived(), 1, 200);
            writeTimes_.clear();
        } else if (what == "plug") {
            plug();
        } else if (what == "fail" && number >= 1 && number <= kPortCount) {
            failing_.insert(number);
            link(number);
        } else if (what == "simulated") {
            line_.simulatedLine = true;
        } else {
            why = "port needs close, open, unplug, plug, fail N (1 to 14) or simulated";
            return false;
        }
        return true;
    }

    void runUntil(int64_t endTime) override {
        endTime_ = endTime;
        scheduler_.at(endTime, [this] { std::_Exit(finish(ok_)); });
        QApplication::exec();
    }

    void stepDone() override { ui_.render(); }

    telemetry::Publisher* broker(const telemetry::Identity& id) override {
        const auto url = telemetry::parseUrl(options_.mqtt);
        if (!url) return nullptr;
        mqtt::Options o;
        o.host = url->host;
        o.port = url->port;
        o.tls = url->tls;
        o.clientId = "orbek-replay-" + id.station + "-" + std::to_string(::getpid());
        o.willTopic = id.prefix + "/availability";
        mqtt_ = std::make_unique<mqtt::MqttPublisher>(o);
        return mqtt_.get();
    }

    std::string stable(const std::string& text) const override {
        std::string out = Player::stable(text);
        for (const std::string& device : devices_)
            for (auto at = out.find(device); at != std::string::npos; at = out.find(device, at))
                out.replace(at, device.size(), "LINE");
        return out;
    }

  private:
    struct Reply {
        MsgAnswer answer;
        int64_t afterMs;
    };
    struct FileReply {
        std::optional<std::string> path;
        int64_t openMs = 0;
    };

    // A new line: every port number reaches it, save those made to fail.
    void plug() {
        pty_.close();
        if (!pty_.open()) {
            std::cerr << "orbek-replay: no pseudo-terminal\n";
            std::_Exit(2);
        }
        devices_.push_back(pty_.slave());
        for (int n = 1; n <= kPortCount; ++n)
            link(n);
        notifier_ = std::make_unique<QSocketNotifier>(pty_.fd(), QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { readOrders(); });
    }

    void link(int number) {
        const auto path = options_.appFolder / ("com" + std::to_string(number));
        std::error_code ec;
        std::filesystem::remove(path, ec);
        std::filesystem::create_symlink(failing_.count(number)
                                            ? options_.appFolder / "absent" /
                                                  ("com" + std::to_string(number))
                                            : std::filesystem::path(pty_.slave()),
                                        path, ec);
    }

    // What the station wrote: its orders are three bytes each.
    void readOrders() {
        char buffer[256];
        for (;;) {
            const auto n = ::read(pty_.fd(), buffer, sizeof buffer);
            if (n <= 0) break;
            orders_.append(buffer, static_cast<std::size_t>(n));
        }
        while (orders_.size() >= 3) {
            std::string text = "TX";
            char byte[8];
            for (int i = 0; i < 3; ++i) {
                std::snprintf(byte, sizeof byte, " %03d",
                              static_cast<unsigned char>(orders_[static_cast<std::size_t>(i)]));
                text += byte;
            }
            orders_.erase(0, 3);
            int64_t written = scheduler_.now();
            if (!writeTimes_.empty()) {
                written = writeTimes_.front();
                writeTimes_.pop_front();
            }
            print(text, written);
        }
    }

    int finish(bool ok) {
        if (!finished_) {
            if (!station_->ended()) scheduler_.advanceTo(std::max(endTime_, scheduler_.now()));
            readOrders();
            print(station_->ended() ? "END station ended" : "END");
            finished_ = true;
        }
        // What the station published reaches the broker before the process ends.
        if (mqtt_) mqtt_->finish(3000);
        if (!cleanup_.empty()) {
            std::error_code ec;
            std::filesystem::remove_all(cleanup_, ec);
        }
        const int status = conclude_ ? conclude_(ok ? 0 : 1) : ok ? 0 : 1;
        std::cout.flush();
        std::cerr.flush();
        return status;
    }

    std::filesystem::path cleanup_;
    std::function<int(int)> conclude_;
    std::unique_ptr<mqtt::MqttPublisher> mqtt_;
    Scheduler scheduler_;
    Pty pty_;
    std::unique_ptr<QSocketNotifier> notifier_;
    qt::QtSerialPort port_;
    StationLine line_{port_};
    qt::QtUiHost ui_;
    std::unique_ptr<Station> station_;
    std::unique_ptr<qt::StartView> view_;
    qt::SchedulerDriver driver_;
    Watcher watcher_;
    std::deque<Reply> replies_;
    std::deque<FileReply> files_;
    std::set<int> failing_;
    std::vector<std::string> devices_;
    std::string orders_;
    std::deque<int64_t> writeTimes_;
    int64_t endTime_ = 0;
};

bool Watcher::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show) {
        if (auto* box = qobject_cast<QMessageBox*>(watched);
            box && box->objectName() == "MessageBox")
            player_.boxShown(*box);
        else if (auto* files = qobject_cast<QFileDialog*>(watched))
            player_.fileDialogShown(*files);
        else if (auto* dialog = qobject_cast<QDialog*>(watched))
            player_.windowShown(*dialog);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace

int run(const Scenario& scenario, const Options& options, std::ostream& out,
        const std::filesystem::path& cleanup, std::function<int(int)> conclude) {
    if (!scenario.errors.empty()) {
        for (const auto& e : scenario.errors)
            out << "ERROR " << e << '\n';
        return 1;
    }
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    LivePlayer player(options, out, cleanup, std::move(conclude));
    return player.start(scenario);
}

} // namespace orbek::replay::live
