#include "sim/simulated_port.hpp"

#include <algorithm>

namespace orbek::sim {

SimulatedPort::SimulatedPort(Scheduler& scheduler, SimOptions options)
    : controller_(scheduler, std::move(options),
                  [this](const std::string& text) { arrive(text); }) {}

bool SimulatedPort::open(int number) {
    if (open_) return false;
    open_ = true;
    number_ = number;
    input_.clear();
    return true;
}

void SimulatedPort::close() {
    open_ = false;
    input_.clear();
}

void SimulatedPort::write(const std::vector<uint8_t>& bytes) {
    if (!open_) return;
    controller_.receive(std::string(bytes.begin(), bytes.end()));
}

std::string SimulatedPort::read(std::size_t maxChars) {
    const std::size_t n = std::min(maxChars, input_.size());
    std::string out = input_.substr(0, n);
    input_.erase(0, n);
    return out;
}

std::string SimulatedPort::deviceName(int) const {
    return "simulated controller";
}

void SimulatedPort::arrive(const std::string& text) {
    if (!open_) return;
    input_ += text;
    raiseReceiveWhileWaiting();
}

} // namespace orbek::sim
