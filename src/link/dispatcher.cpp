#include "link/dispatcher.hpp"

#include "app/port_selection.hpp"
#include "app/startup.hpp"
#include "app/station.hpp"
#include "core/text.hpp"
#include "display/measurements.hpp"
#include "display/plot.hpp"
#include "link/maintenance_replies.hpp"
#include "link/supervision.hpp"
#include "run/freeze.hpp"
#include "run/power_halogen.hpp"
#include "run/start_stop.hpp"

#include <string>

namespace orbek::link {

namespace {

// What the restore does when LevelPW.ini holds no power the slider can take.
constexpr const char* kSliderKept = "the slider keeps its value";

// Sets the power slider as a program does; out of its range the slider refuses the value.
bool setSlider(Station& s, int value) {
    Control& slider = s.Start().VScroll1[5];
    if (value < slider.min || value > slider.max) return false;
    slider.value = value;
    run::VScroll1_Change(s);
    return true;
}

void hideSupplyRows(Station& s) {
    StartWindow& w = s.Start();
    for (Control* c : {&w.Label5[3], &w.Label5[2], &w.Label9, &w.Label4, &w.Label13[3], &w.Label23,
                       &w.Label13[2], &w.Label21})
        c->visible = false;
}

// The lamp is off, whatever stopped it (Stop, a temperature stop, the overheat report): the run
// is over as after Stop, so nothing of phase 4 (Freeze, the sample-holder watch, the wear poll)
// acts on the idle machine.
void endStoppedRun(Station& s) {
    StationState& st = s.state;
    StartWindow& w = s.Start();
    if (st.LampPhase != 0) {
        st.LampPhase = 0;
        w.Label22.caption = "STOP";
    }
    for (Timer* t : {&w.Timer17, &w.Timer14, &w.Timer20, &w.Timer21})
        t->stop();
    if (st.RunActive == 1) {
        st.RunActive = 0;
        app::Sauv_NSINI(s);
    }
}

// Block 1: the controller is present with the lamp off.
void readyState(Station& s) {
    StartWindow& w = s.Start();
    s.TestsMV().Timer5.stop();
    w.Startbouton.enabled = true;
    w.Startbouton.backColour = colour::lightGrey;
    w.Startbouton.visible = true;
    w.StopHalogen.visible = false;
    w.Timer1.stop();
    w.Timer2.stop();
    w.Timer23.stop();
    endStoppedRun(s);
    run::StopTraces(s);
    for (int i = 0; i < 3; ++i)
        s.Usures().Activation[i].enabled = true;
    for (int i : {0, 1, 6, 7, 8, 10, 4}) {
        w.Label5[i].caption = "0";
        valueSet(s, i);
    }
    s.state.StaleRun = 0;
    w.StartHalogen.visible = false;
    for (int slot : {7, 6, 1, 2})
        s.state.Readings[static_cast<std::size_t>(slot)] = 0;
    w.mnutestscompos.enabled = true;
    s.Parametres().Lecture.enabled = true;
    w.Stopbouton.visible = false;
    app::ActivePort(s);
    s.tell({"run_ended", {{"how", std::string("ready report")}}});
    s.ui.message({" Info",
                  s.port.simulated()
                      ? "Simulated Controller Communication Activated \r\nLP Shutdown Confirmed. "
                        "\r\nSimulated controller in use."
                      : "RS232 Communication Activated \r\nLP Shutdown Confirmed. \r\nCOM " +
                            std::to_string(s.state.ComPortNumber) + " Open.",
                  MsgIcon::Information, MsgButtons::Ok});
    s.state.RunStarted = 0;
    s.state.RunInProgress = 0;
    hideSupplyRows(s);
}

// Block 2, first frame in phase 4 since the last start: the run state of NS.ini comes back.
void restoreRunState(Station& s) {
    StationState& st = s.state;
    StartWindow& w = s.Start();
    app::Read_NSINI(s);
    if (st.RunActive == 1) {
        app::DesactivePort(s);
        w.mnutestscompos.enabled = false;
    } else {
        app::ActivePort(s);
        w.mnutestscompos.enabled = true;
    }
    if (st.HalogenActive == 1) {
        st.HalogenCommand = 1;
        w.StartHalogen.enabled = true;
        w.StopHalogen.enabled = true;
        w.StopHalogen.visible = true;
        w.StartHalogen.backColour = colour::green;
    } else {
        st.HalogenCommand = 0;
        w.StartHalogen.backColour = colour::lightGrey;
        w.StopHalogen.enabled = false;
    }
    st.StampVersion = st.SavedStampVersion;
    app::setMainCaption(s);
    s.Parametres().Lecture.enabled = false;
    // The power of the last run is sent again; without a usable one, the slider's own value.
    if (const auto power = app::savedPowerStep(s, kSliderKept)) setSlider(s, *power);
    const int slider = w.VScroll1[5].value;
    st.PowerByte = static_cast<uint8_t>(slider);
    st.Readings[5] = static_cast<int16_t>(slider);
    w.Label56.caption = " Set Power = " + std::to_string(slider * 10) + " Watts";
    st.PowerWatts = static_cast<int16_t>(slider * 10);
    run::placePowerLabel(s, slider);
    s.addEvent(" PC --> Stamp     " + std::to_string(slider * 10) + " Watts");
    w.Timer10.start();
    w.Startbouton.visible = false;
    st.StateRestored = 1;
}

// Block 13: the lamp reports the phase it reached.
void lampPhase(Station& s, int16_t v) {
    StationState& st = s.state;
    StartWindow& w = s.Start();
    if (v >= 1 && v <= 4) {
        if (st.LampPhase != v)
            s.tell({"phase_changed",
                    {{"phase", int64_t{v}}, {"phase_text", "Phase " + std::to_string(v)}}});
        st.LampPhase = v;
        w.Label22.caption = "Phase " + std::to_string(v);
    }
    if (v == 1) {
        const auto& text = s.Parametres().Text1[7].caption;
        setSlider(s, toInt16(leadingNumber(text)));
    } else if (v == 4) {
        w.Startbouton.visible = false;
        w.VScroll1[5].enabled = true;
        w.Command7.enabled = true;
        st.WearIndex = 0;
        w.Timer20.start();
        w.StartHalogen.visible = true;
        for (Control* c : {&w.Label9, &w.Label4, &w.Label5[3], &w.Label5[2]})
            c->visible = false;
        w.Timer17.start();
    }
    display::phaseMark(s);
}

// Block 16: the first sample-holder frame since start-up finds the machine running.
void adoptRunningMachine(Station& s) {
    StationState& st = s.state;
    StartWindow& w = s.Start();
    // A run this station did not start: the machine was running when it came up.
    if (st.RunInProgress == 0) s.tell({"run_started", {{"how", std::string("found running")}}});
    st.LampPhase = 4;
    w.VScroll1[5].enabled = true;
    w.Command7.enabled = true;
    w.Startbouton.visible = false;
    w.Stopbouton.visible = true;
    w.StartHalogen.visible = true;
    st.RunInProgress = 1;
    w.Label22.caption = "Phase 4";
    display::readLevelLines(s);
    display::drawLevelLines(s);
    if (const auto power = app::savedPowerStep(s, kSliderKept)) {
        setSlider(s, *power);
        st.Readings[5] = static_cast<int16_t>(*power);
    }
    st.HolderFrameSeen = 1;
    for (Control* c : {&w.Label9, &w.Label4, &w.Label23, &w.Label21, &w.Label13[2], &w.Label13[3]})
        c->visible = false;
}

} // namespace

void dispatch(Station& s) {
    // The frame that came in: a modal box below lets later frames through, and the rest of the
    // sequence must still test this one, not whatever arrived meanwhile.
    const int16_t machine = s.state.RxFrame[0];
    const int16_t code = s.state.RxFrame[1];
    const int16_t value = s.state.RxFrame[2];
    // Every test but the phase-4 one is for machine 0, the station's only machine.
    const bool ours = machine == 0;
    const auto is = [&](int c, int v) { return ours && code == c && value == v; };
    const auto any = [&](int c) { return ours && code == c; };

    if (any(252)) s.state.CoolingSeconds = value;
    if (any(253)) s.state.CycleReported = 1;

    // After a loss of the device, the run shown is only what was known before: a controller
    // that tells it is idle ends it as the ready report does (unless a start is being asked
    // for now), and one that shows a lamp on confirms it.
    StationState& st = s.state;
    const bool runShown =
        (st.LampPhase != 0 || st.RunInProgress != 0) && !s.Start().Timer1.enabled();
    if (is(254, 0) || (is(254, 5) && st.StaleRun != 0 && runShown)) readyState(s);
    if (ours && (is(254, 5) || code == 238 || code == 253 || code == 252 || code == 250 ||
                 code == 249 || code == 226))
        st.StaleRun = 0;
    if (s.state.LampPhase == 4) {
        if (s.state.StateRestored == 0) restoreRunState(s);
        hideSupplyRows(s);
    }
    if (is(194, 1)) {
        s.Start().Timer23.stop();
        s.addEvent(" Stamp --> PC      Freeze deactivated");
    }
    if (is(254, 6)) {
        if (s.telling()) {
            s.tell(
                {"overheat",
                 {{"magnetron_temperature", int64_t{s.state.MagnetronTempShown}},
                  {"unit", std::string(s.state.Coefficients[8].toNumber() != 0 ? "°F" : "°C")}}});
            s.tell({"run_ended", {{"how", std::string("overheat report")}}});
        }
        s.Start().Timer2.start();
        s.ui.message({" Caution !", "Magnetron Temperature too high ! \r\nSystem Halt....  ",
                      MsgIcon::Critical, MsgButtons::Ok});
    }
    if (is(253, 1)) s.Start().Stopbouton.visible = true;
    if (is(236, 1)) s.Start().Timer10.stop();
    if (is(254, 3)) {
        s.TestsMV().Timer6.stop();
        Activer_Valeurs(s);
    }
    if (is(254, 4)) {
        s.TestsMV().TestSpeedM.backColour = colour::buttonFace;
        s.TestsMV().TestSpeedV.backColour = colour::buttonFace;
        // A speed test locked the run buttons; with no run on, the station is ready again.
        if (s.state.RunStarted == 0 && s.state.RunInProgress == 0) {
            s.Start().Startbouton.enabled = true;
            s.Start().Stopbouton.enabled = true;
        }
    }
    if (is(254, 2)) {
        s.Start().Timer1.stop();
        s.Start().Timer2.stop();
        s.TestsMV().Timer5.stop();
    }
    if (is(252, 60)) run::showWaitBox(s);
    if (ours) {
        display::onMeasurement(s, code, value);
        onTransferReply(s, code, value);
    }
    if (any(238)) lampPhase(s, value);
    if (is(253, 14)) {
        s.state.PlotX = 0;
        display::clearPlot(s);
        display::drawLevelLines(s);
        // Levels not yet read would write zeros over the stored ones.
        if (s.state.PlotLevelsRead) display::writeLevelLines(s);
    }
    if (is(227, 2)) s.Start().Timer11.stop();
    if (any(226)) {
        display::onHolderTemperature(s, value);
        if (s.state.HolderFrameSeen == 0) adoptRunningMachine(s);
    }
    if (ours) onMaintenanceReply(s, code, value);
    if (is(197, 1)) display::levelPulse(s);
}

void afterEveryEvent(Station& s) {
    display::refreshExternalBoard(s);
}

} // namespace orbek::link
