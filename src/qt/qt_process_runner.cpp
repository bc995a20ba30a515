#include "qt/qt_process_runner.hpp"

#include <QProcess>
#include <QTimer>

namespace orbek::qt {

QtProcessRunner::QtProcessRunner(QObject* parent) : QObject(parent) {}

QtProcessRunner::~QtProcessRunner() {
    if (process_) {
        process_->disconnect();
        process_->kill();
        process_->waitForFinished(1000);
    }
}

void QtProcessRunner::start(const std::string& program, const std::vector<std::string>& arguments,
                            const std::string& input,
                            std::function<void(telemetry::ProcessOutcome)> done) {
    auto* process = new QProcess(this);
    process_ = process;
    QStringList args;
    for (const std::string& a : arguments)
        args << QString::fromStdString(a);
    // Its output goes where the station's goes; it reads the event from its standard input.
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    const auto finish = [this, process, done](telemetry::ProcessOutcome outcome) {
        if (process_ == process) process_ = nullptr;
        process->disconnect();
        process->deleteLater();
        // Never from inside start(): the caller's state is settled first.
        QTimer::singleShot(0, this, [done, outcome] { done(outcome); });
    };
    connect(process, &QProcess::finished, this,
            [process, finish](int code, QProcess::ExitStatus status) {
                telemetry::ProcessOutcome o;
                o.kind = status == QProcess::NormalExit ? telemetry::ProcessOutcome::Kind::Exited
                                                        : telemetry::ProcessOutcome::Kind::Crashed;
                o.status = code;
                o.why = status == QProcess::NormalExit ? "" : process->errorString().toStdString();
                finish(o);
            });
    connect(process, &QProcess::errorOccurred, this, [process, finish](QProcess::ProcessError e) {
        if (e != QProcess::FailedToStart) return;
        finish(
            {telemetry::ProcessOutcome::Kind::NotStarted, 0, process->errorString().toStdString()});
    });
    connect(process, &QProcess::started, this, [process, input] {
        process->write(input.data(), static_cast<qint64>(input.size()));
        process->closeWriteChannel();
    });
    process->start(QString::fromStdString(program), args, QIODevice::ReadWrite);
}

void QtProcessRunner::kill() {
    if (process_) process_->kill();
}

bool QtProcessRunner::waitForIdle(int ms) {
    if (!process_) return true;
    return process_->waitForFinished(ms);
}

} // namespace orbek::qt
