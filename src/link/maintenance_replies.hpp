// The receive side of the maintenance handshakes and the controller's firmware version.
#pragma once

#include <cstdint>

namespace orbek {
class Station;
}

namespace orbek::link {

// Codes 244, 242, 240 and 223: the transfers of the parameter and test windows.
void onTransferReply(Station& s, int16_t code, int16_t value);
// Codes 220, 199 and 198: wear bytes, counter erased, firmware version.
void onMaintenanceReply(Station& s, int16_t code, int16_t value);

} // namespace orbek::link
