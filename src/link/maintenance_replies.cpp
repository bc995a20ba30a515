#include "link/maintenance_replies.hpp"

#include "app/port_selection.hpp"
#include "app/startup.hpp"
#include "app/station.hpp"
#include "maintenance/readers.hpp"

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
    // The controller's arithmetic is 16-bit: a pair of 128 or more wraps into negatives.
    const auto number =
        static_cast<int16_t>(static_cast<uint16_t>(st.VersionBytes[0] * 256 + st.VersionBytes[1]));
    st.VersionNumber = Fixed{number} * kFixedOne;
    const std::string digits = std::to_string(number);
    st.StampVersion =
        digits.substr(0, 1) + "." + digits.substr(digits.size() >= 2 ? digits.size() - 2 : 0);
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
            for (int i = 0; i < 3; ++i)
                u.Activation[i].enabled = true;
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
