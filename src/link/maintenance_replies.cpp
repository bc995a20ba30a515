#include "link/maintenance_replies.hpp"

#include "app/port_selection.hpp"
#include "app/startup.hpp"
#include "app/station.hpp"
#include "maintenance/readers.hpp"
#include "maintenance/wear_counters.hpp"

#include <string>

namespace orbek::link {

namespace {

void firmwareVersion(Station& s, int16_t x) {
    StationState& st = s.state;
    if (st.VersionByteCount == 1) {
        st.VersionBytes[1] = x;
        st.VersionByteCount = 2;
    } else if (st.VersionByteCount == 0) {
        st.VersionBytes[0] = x;
        st.VersionByteCount = 1;
    }
    if (st.VersionByteCount <= 1) return;
    // Two bytes make one unsigned 16-bit number, shown in hundredths: 114 is "1.14", 5 is
    // "0.05", 65535 is "655.35".
    const auto number = static_cast<uint16_t>(st.VersionBytes[0] * 256 + st.VersionBytes[1]);
    st.VersionNumber = Fixed{number} * kFixedOne;
    const int hundredths = number % 100;
    st.StampVersion =
        std::to_string(number / 100) + (hundredths < 10 ? ".0" : ".") + std::to_string(hundredths);
    st.VersionByteCount = 0;
    st.SavedStampVersion = st.StampVersion;
    app::Sauv_NSINI(s);
    app::setMainCaption(s);
}

} // namespace

void onTransferReply(Station& s, int16_t code, int16_t value) {
    switch (code) {
    case 244:
        maintenance::LectureVitesse(s);
        break;
    case 242:
        s.Parametres().Timer7.stop();
        maintenance::LectureRegistresDS1307(s);
        break;
    case 240:
        if (value == 1) {
            s.addEvent(" Stamp --> PC  (0,240,1) received");
            s.Parametres().Timer8.stop();
            s.Parametres().Timer9.start();
        }
        break;
    case 223:
        if (value == 1) {
            s.addEvent(" Stamp --> PC  (0,223,1) received");
            s.Parametres().Timer4.stop();
            s.Parametres().Timer5.start();
        }
        break;
    default:
        break;
    }
}

void onMaintenanceReply(Station& s, int16_t code, int16_t value) {
    switch (code) {
    case 220:
        s.Start().Timer21.stop();
        maintenance::LectureDataUsures(s);
        break;
    case 199:
        if (value == 0) {
            UsuresWindow& u = s.Usures();
            u.Timer3.stop();
            s.addEvent("Comfirmation Stamp --> Usures mat.");
            // A confirmation that comes after Start leaves the buttons locked for the run.
            for (int i = 0; i < 3; ++i)
                u.Activation[i].enabled = maintenance::eraseAllowed(s);
        }
        break;
    case 198:
        firmwareVersion(s, value);
        break;
    default:
        break;
    }
}

} // namespace orbek::link
