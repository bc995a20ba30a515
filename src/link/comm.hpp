// The serial control's event handler: reception of reply frames and every other
// communication event, and the link indicators that valid frames refresh.
#pragma once

#include "core/serial_port.hpp"
#include "link/supervision.hpp"

#include <string>

namespace orbek {
class Station;
}

namespace orbek::link {

// Every communication event of the port lands here.
void MSComm1_OnComm(Station& s, CommEvent event);

// The event-list line of a communication event other than reception; empty for none.
std::string commEventLine(CommEvent event);

} // namespace orbek::link
