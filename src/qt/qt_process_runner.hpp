// The command on events through QProcess: the program itself, no shell, its argument and its
// standard input as given.
#pragma once

#include "telemetry/event_command.hpp"

#include <QObject>

#include <memory>

class QProcess;

namespace orbek::qt {

class QtProcessRunner : public QObject, public telemetry::ProcessRunner {
    Q_OBJECT
  public:
    explicit QtProcessRunner(QObject* parent = nullptr);
    ~QtProcessRunner() override;
    void start(const std::string& program, const std::vector<std::string>& arguments,
               const std::string& input,
               std::function<void(telemetry::ProcessOutcome)> done) override;
    void kill() override;
    // Waits at most `ms` for the program running now; true when none runs.
    bool waitForIdle(int ms);

  private:
    QProcess* process_ = nullptr;
};

} // namespace orbek::qt
