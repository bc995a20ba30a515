#include "run/power_halogen.hpp"

#include "app/startup.hpp"
#include "app/station.hpp"
#include "core/files.hpp"

#include <string>

namespace orbek::run {

namespace {

void sendPower(Station& s, bool showSetPower) {
    StationState& st = s.state;
    StartWindow& w = s.Start();
    st.PowerLevel = static_cast<int16_t>(w.VScroll1[5].value);
    st.Readings[5] = st.PowerLevel;
    const std::string watts = std::to_string(st.PowerLevel * 10);
    if (showSetPower) w.Label56.caption = " Set Power = " + watts + " Watts";
    s.addEvent(" PC --> Stamp     " + watts + " Watts");
    // The power order replaces a pending halogen order; a start or stop order being repeated
    // goes on (a power send must never cancel a stop).
    w.Timer11.stop();
    w.Timer10.start();
    const auto file = s.appFile("LevelPW.ini");
    std::string why;
    if (!files::writeLines(file, {std::to_string(st.PowerByte)}, &why))
        s.reportFileProblem(file, "written", why);
}

// The user's halogen choice: the order repeated until acknowledged, NS.ini and
// StartHalogen.ini.
void orderHalogen(Station& s, bool on) {
    s.Start().Timer11.start();
    s.state.HalogenCommand = on ? 1 : 0;
    s.state.HalogenActive = on ? 1 : 0;
    app::Sauv_NSINI(s);
    const auto file = s.appFile("StartHalogen.ini");
    std::string why;
    if (!files::writeLines(file, {on ? "1" : "0"}, &why)) s.reportFileProblem(file, "written", why);
}

void powerTick(Station& s) {
    if (s.state.LampPhase != 4 || !s.port.isOpen()) return;
    s.state.PowerLevel = static_cast<int16_t>(s.Start().VScroll1[5].value);
    s.sendOrder(237, static_cast<uint8_t>(s.state.PowerLevel));
}

void halogenTick(Station& s) {
    if (!s.port.isOpen()) return;
    StartWindow& w = s.Start();
    if (s.state.HalogenCommand == 1) {
        s.sendOrder(227, 1);
        s.addEvent(" PC --> Stamp      Halogen activated");
        w.StartHalogen.enabled = false;
        w.StopHalogen.visible = true;
    } else {
        w.StartHalogen.backColour = colour::lightGrey;
        s.sendOrder(227, 0);
        s.addEvent(" PC --> Stamp      Halogen desactivated");
        w.StartHalogen.visible = true;
        w.StopHalogen.visible = false;
    }
}

} // namespace

void placePowerLabel(Station& s, int value) {
    StartWindow& w = s.Start();
    w.Label8.caption = std::to_string(value * 10) + " ";
    w.Label8.top = 10170 - 33 * value;
    w.Label8.left = w.VScroll1[5].left - 380;
}

void VScroll1_Change(Station& s) {
    const int v = s.Start().VScroll1[5].value;
    s.state.PowerWatts = static_cast<int16_t>(v * 10);
    placePowerLabel(s, v);
}

void VScroll1_Scroll(Station& s) {
    s.state.PowerByte = static_cast<uint8_t>(s.Start().VScroll1[5].value);
    s.state.PowerWatts = static_cast<int16_t>(s.state.PowerByte * 10);
    placePowerLabel(s, s.state.PowerByte);
}

void Command7_Click(Station& s) {
    sendPower(s, true);
}
void Label56_Click(Station& s) {
    sendPower(s, false);
}

void StartHalogen_Click(Station& s) {
    StartWindow& w = s.Start();
    w.StartHalogen.backColour = colour::green;
    w.StartHalogen.enabled = false;
    w.StopHalogen.enabled = true;
    w.StopHalogen.visible = true;
    orderHalogen(s, true);
}

void StopHalogen_Click(Station& s) {
    StartWindow& w = s.Start();
    w.StartHalogen.enabled = true;
    w.StartHalogen.backColour = colour::lightGrey;
    orderHalogen(s, false);
}

void wirePowerHalogen(Station& s) {
    StartWindow& w = s.Start();
    w.on("VScroll1[5]:Change", [&s] { VScroll1_Change(s); });
    w.on("VScroll1[5]:Scroll", [&s] { VScroll1_Scroll(s); });
    w.on("Command7", [&s] { Command7_Click(s); });
    w.on("Label56", [&s] { Label56_Click(s); });
    w.on("StartHalogen", [&s] { StartHalogen_Click(s); });
    w.on("StopHalogen", [&s] { StopHalogen_Click(s); });
    w.Timer10.setTick([&s] { powerTick(s); });
    w.Timer11.setTick([&s] { halogenTick(s); });
    // The watch is armed once, 3 s after phase 4, when the alarm switch is ticked.
    w.Timer17.setTick([&s] {
        if (s.Parametres().Check1.checked) s.Start().Timer14.start();
        s.Start().Timer17.stop();
    });
    w.Timer19.setTick([&s] {
        if (s.Parametres().Check1.checked) s.Start().Timer17.start();
    });
}

} // namespace orbek::run
