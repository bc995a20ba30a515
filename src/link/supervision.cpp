#include "link/supervision.hpp"

#include "app/station.hpp"

namespace orbek::link {

namespace {

constexpr int kWatchdogMs = 20000;
constexpr int kStartTries = 5; // the sixth unanswered request gives up
// The value cells Label5(i) that the link hides and shows.
constexpr int kValueCells[] = {0, 1, 4, 6, 7, 8, 9, 10};

void warningTick(Station& s) {
    s.Start().Label11.visible = true;
    s.Start().Label12.visible = true;
}

void startRequestTick(Station& s) {
    StationState& st = s.state;
    StartWindow& w = s.Start();
    if (st.RxFrame[1] == 253) {
        // The controller runs its cycle: the start was heard.
        w.Timer1.stop();
        w.Timer2.stop();
        return;
    }
    if (st.CycleReported) {
        // The cycle was reported before other frames came in; one of them may have asked for
        // the stop order (an overheat report), which must keep repeating.
        w.Timer1.stop();
        return;
    }
    if (s.port.isOpen()) {
        s.sendOrder(255, 1);
        w.Label7[0].backColour = colour::lightGreen;
        w.Timer6.stop();
        w.Label11.visible = false;
        w.Label12.visible = false;
        Activer_Valeurs(s);
    }
    ++st.NoReplyCount;
    if (st.NoReplyCount <= kStartTries) return;
    w.Label7[0].backColour = colour::red;
    w.Label7[0].caption = "Error...";
    s.addEvent("No communication with machine !");
    // Stopped before the box: its modal loop must not tick the request again.
    st.NoReplyCount = 0;
    w.Timer1.stop();
    if (st.Readings[7] >= st.Readings[17]) {
        s.ui.message({" Error !",
                      "No communication with machine ! \r\n                         Or\r\n"
                      "Magnetron Temperature too high ! \r\nCooling down, please wait... ",
                      MsgIcon::None, MsgButtons::Ok});
        s.Start().Startbouton.enabled = true;
    } else {
        s.ui.message(
            {" Error !", "No Communication with Machine ! ", MsgIcon::None, MsgButtons::Ok});
    }
}

} // namespace

void linkActive(Station& s) {
    StartWindow& w = s.Start();
    Control& status = w.Label7[0];
    if (s.telling()) s.tell({"link_back", {}});
    status.visible = true;
    status.backColour = colour::green;
    status.caption = "RS232 Activated...";
    w.Timer33.setInterval(kWatchdogMs);
    w.Timer6.stop();
    w.Label11.visible = false;
    w.Label12.visible = false;
    Activer_Valeurs(s);
}

void linkInterrupted(Station& s) {
    Control& status = s.Start().Label7[0];
    status.backColour = colour::red;
    status.caption = "RS232 Interrupted !   ";
    s.tell({"link_lost", {}});
    linkLost(s);
}

void linkLost(Station& s) {
    s.Start().Timer6.start();
    Effacer_Valeurs(s);
}

void Effacer_Valeurs(Station& s) {
    StartWindow& w = s.Start();
    for (int i : kValueCells)
        w.Label5[i].visible = false;
    w.Label2[0].visible = false;
}

void Activer_Valeurs(Station& s) {
    StartWindow& w = s.Start();
    for (int i : kValueCells)
        w.Label5[i].visible = (s.state.StaleValues & (1u << i)) == 0;
    w.Label2[0].visible = true;
}

void valuesOutdated(Station& s) {
    for (int i : kValueCells)
        s.state.StaleValues |= static_cast<uint16_t>(1u << i);
    s.state.StaleRun = 1;
}

void valueSet(Station& s, int cell) {
    s.state.StaleValues &= static_cast<uint16_t>(~(1u << cell));
    s.Start().Label5[cell].visible = true;
}

void wireTimers(Station& s) {
    StartWindow& w = s.Start();
    w.Timer33.setTick([&s] { linkInterrupted(s); });
    w.Timer6.setTick([&s] { warningTick(s); });
    w.Timer1.setTick([&s] { startRequestTick(s); });
}

} // namespace orbek::link
