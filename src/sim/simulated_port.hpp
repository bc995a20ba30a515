// A serial port with the simulated controller at its other end, on the station's virtual time:
// no device, no thread, nothing real to wait for.
//
//   orbek::sim::SimulatedPort port(scheduler, options);   // options: orbek::sim::SimOptions
//   orbek::AssembledStation station(scheduler, port, ui, clock, paths);
//
// - open(n) succeeds for any port number while the port is closed; close() ends it. The
//   controller runs from construction on, whether the port is open or not; what it says
//   while the port is closed is lost, as on an unplugged line.
// - write(bytes) hands the station's orders to the controller.
// - The controller's characters arrive when the Scheduler reaches the time they have taken
//   on the line (about 10 ms a frame); they wait to be read, and Receive is raised once 18 or
//   more wait (and again while each handler call takes some).
// - read(n) returns at most n waiting characters; waiting() says how many wait.
// - controller() reaches the model: its state, and apply() for a fault on demand.
// The Scheduler must outlive the port.
#pragma once

#include "core/scheduler.hpp"
#include "core/serial_port.hpp"
#include "sim/controller.hpp"
#include "sim/options.hpp"

#include <string>
#include <vector>

namespace orbek::sim {

class SimulatedPort : public SerialPort {
  public:
    SimulatedPort(Scheduler& scheduler, SimOptions options = {});

    bool open(int number) override;
    void close() override;
    bool isOpen() const override { return open_; }
    void write(const std::vector<uint8_t>& bytes) override;
    std::string read(std::size_t maxChars) override;
    std::size_t waiting() const override { return input_.size(); }
    std::string deviceName(int number) const override;
    bool simulated() const override { return true; }

    int number() const { return number_; }
    Controller& controller() { return controller_; }

  private:
    void arrive(const std::string& text);

    bool open_ = false;
    int number_ = 0;
    std::string input_;
    Controller controller_;
};

} // namespace orbek::sim
