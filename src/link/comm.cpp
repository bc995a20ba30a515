#include "link/comm.hpp"

#include "app/station.hpp"
#include "link/dispatcher.hpp"
#include "link/frame.hpp"

#include <algorithm>

namespace orbek::link {

namespace {

// Shared by the ticks and the receive path: live values hidden, warning labels after 4 s.
void showLinkLost(Station& s) {
    s.Start().Timer6.start();
    Effacer_Valeurs(s);
}

void refreshLinkIndicators(Station& s) {
    StartWindow& w = s.Start();
    Control& status = w.Label7[0];
    status.visible = true;
    status.backColour = colour::green;
    status.caption = "RS232 Activated...";
    w.Timer33.setInterval(20000);
    w.Timer6.stop();
    w.Label11.visible = false;
    w.Label12.visible = false;
    Activer_Valeurs(s);
}

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
        refreshLinkIndicators(s);
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
        case CommEvent::DeviceRemoved:
            showLinkLost(s);
            break;
        default:
            break;
        }
    }
    if (!s.ended()) afterEveryEvent(s);
}

void Effacer_Valeurs(Station& s) {
    StartWindow& w = s.Start();
    for (int i : {0, 1, 4, 6, 7, 8, 9, 10})
        w.Label5[i].visible = false;
    w.Label2[0].visible = false;
}

void Activer_Valeurs(Station& s) {
    StartWindow& w = s.Start();
    for (int i : {0, 1, 4, 6, 7, 8, 9, 10})
        w.Label5[i].visible = true;
    w.Label2[0].visible = true;
}

void wireTimers(Station& s) {
    StartWindow& w = s.Start();
    // Link watchdog: 20 s without a valid frame, repeated every 20 s until one arrives.
    w.Timer33.setTick([&s] {
        Control& status = s.Start().Label7[0];
        status.backColour = colour::red;
        status.caption = "RS232 Interrupted !   ";
        showLinkLost(s);
    });
    w.Timer6.setTick([&s] {
        s.Start().Label11.visible = true;
        s.Start().Label12.visible = true;
    });
}

} // namespace orbek::link
