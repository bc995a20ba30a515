#include "link/comm.hpp"

#include "app/port_selection.hpp"
#include "app/station.hpp"
#include "link/dispatcher.hpp"
#include "link/frame.hpp"
#include "link/supervision.hpp"

#include <algorithm>

namespace orbek::link {

namespace {

void onReceive(Station& s) {
    StationState& st = s.state;
    // Reads never take more than the rest of a frame, so a stream that lost its step falls
    // back onto the frame boundaries instead of carrying the shift along.
    st.RxText += s.port.read(kReplyLength - std::min(st.RxText.size(), kReplyLength - 1));
    Receiver& receiver = s.receiver;
    bool any = false;
    while (auto text = receiver.take(st.RxText)) {
        any = true;
        st.RxMarker = text->substr(kMarkerIndex, 1);
        const Reply reply = decodeReply(*text);
        st.RxFrame[0] = reply.fields[0];
        st.RxFrame[1] = reply.fields[1];
        st.RxFrame[2] = reply.fields[2];
        if (isLoggedByLink(st.RxFrame[1], st.RxFrame[2])) s.addEvent(receivedLine(reply.raw));
        linkActive(s);
        dispatch(s);
        if (s.ended()) return;
    }
    if (!any)
        st.RxMarker = st.RxText.size() > kMarkerIndex ? st.RxText.substr(kMarkerIndex, 1) : "";
    receiver.settle(st.RxText);
    s.port.setReceiveThreshold(kReplyLength - st.RxText.size());
}

} // namespace

std::string commEventLine(CommEvent event) {
    switch (event) {
    case CommEvent::Break:
        return "A break interrupt signal was received";
    case CommEvent::CtsTimeout:
        return "CTS (Clear to Send) signal timerout";
    case CommEvent::DsrTimeout:
        return "Reception signal timerout";
    case CommEvent::Frame:
        return "Frame error";
    case CommEvent::Overrun:
        return "Data was lost";
    case CommEvent::CdTimeout:
        return "Carrier timerout";
    case CommEvent::RxOver:
        return "Receive buffer overload";
    case CommEvent::RxParity:
        return "Parity error";
    case CommEvent::TxFull:
        return "Send buffer overload";
    case CommEvent::Dcb:
        return "DCB reception error";
    case CommEvent::CtsChanged:
        return "Change in pin CTS";
    case CommEvent::DsrChanged:
        return "Change in pin DSR (reception)";
    case CommEvent::CdChanged:
        return "Change in pin cd (carrier)";
    case CommEvent::Eof:
        return "The EOF type was received";
    case CommEvent::DeviceRemoved:
        return "Serial port device removed";
    case CommEvent::Send:
    case CommEvent::Receive:
    case CommEvent::Ring:
        return {};
    }
    return {};
}

void MSComm1_OnComm(Station& s, CommEvent event) {
    if (s.ended()) return;
    if (event == CommEvent::Receive) {
        onReceive(s);
    } else {
        const std::string line = commEventLine(event);
        if (!line.empty()) s.addEvent(line);
        switch (event) {
        case CommEvent::CtsTimeout:
        case CommEvent::DsrChanged:
        case CommEvent::CdChanged:
            linkLost(s);
            break;
        case CommEvent::DeviceRemoved:
            app::portLost(s);
            break;
        default:
            break;
        }
    }
    if (!s.ended()) afterEveryEvent(s);
}

} // namespace orbek::link
