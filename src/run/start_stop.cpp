#include "run/start_stop.hpp"

#include "app/port_selection.hpp"
#include "app/startup.hpp"
#include "app/station.hpp"
#include "display/plot.hpp"
#include "maintenance/parameters.hpp"

namespace orbek::run {

namespace {

constexpr uint32_t kLightBlue = 0xFF8080;
constexpr uint32_t kGrey = 0x808080;

// The battery and supply rows, shown only before phase 4.
void showSupplyRows(Station& s, bool shown) {
    StartWindow& w = s.Start();
    for (Control* c : {&w.Label5[3], &w.Label5[2], &w.Label9, &w.Label4, &w.Label13[3], &w.Label23,
                       &w.Label13[2], &w.Label21})
        c->visible = shown;
}

// Every way of stopping: the start request and every other order end, the stop order repeats.
void stopOrders(Station& s) {
    StartWindow& w = s.Start();
    w.Timer1.stop();
    w.Timer2.start();
    w.Timer3.stop();
    w.Timer5.stop();
    maintenance::stopTransfers(s);
    for (Timer* t : {&w.Timer10, &w.Timer11, &w.Timer20, &w.Timer21})
        t->stop();
}

// The parts the Stop button and the automatic stop share, after their own first steps.
void stopSequence(Station& s, uint32_t wearLabelColour, bool automatic) {
    StartWindow& w = s.Start();
    UsuresWindow& u = s.Usures();
    u.Label4.backColour = wearLabelColour;
    u.Label4.foreColour = colour::white;
    w.Label22.caption = "STOP";
    stopOrders(s);
    s.Parametres().Lecture.enabled = true;
    w.VScroll1[5].enabled = false;
    w.Command7.enabled = false;
    StopTraces(s);
    for (int i : {0, 1, 8})
        w.Label5[i].caption = "0";
    s.state.RunInProgress = 0;
    // The data logger stops with the run; its row count and header stay for the next start.
    if (w.Timer15.enabled())
        s.tell(
            {"logger_stopped",
             {{"how", std::string("run stopped")}, {"rows", s.state.LogRowCounter / kFixedOne}}});
    w.Timer15.stop();
    w.Timer16.stop();
    w.Label2[0].backColour = colour::buttonFace;
    w.Label2[0].caption.clear();
    w.mnufichierdatalogger.checked = false;
    w.mnuDataloggerOFF.checked = true;
    w.StartHalogen.visible = false;
    w.StopHalogen.visible = false;
    if (automatic) {
        w.Timer8.stop();
        w.Timer9.stop();
    } else {
        showSupplyRows(s, false);
    }
    s.state.RunActive = 0;
    app::Sauv_NSINI(s);
}

void stopOrderTick(Station& s) {
    s.sendOrder(255, 2);
}

// The automatic stop of the sample-holder watch: the Stop sequence, leaving the Start button
// and the supply rows as they are.
void automaticStop(Station& s) {
    StartWindow& w = s.Start();
    s.tell({"run_ended", {{"how", std::string("automatic stop")}}});
    s.state.LampPhase = 0;
    s.addEvent(" PC --> Stamp      STOP");
    w.Label5[10].caption.clear();
    s.state.HolderTempRaw.clear();
    s.FenInfoHolder().Label8.caption.clear();
    w.Timer17.stop();
    w.Timer14.stop();
    stopSequence(s, kGrey, true);
    for (Timer* t : {&w.Timer17, &w.Timer14, &w.Timer18, &w.Timer19})
        t->stop();
}

void wearPollTick(Station& s) {
    s.state.WearIndex = 0;
    s.Start().Timer21.start();
}

void wearRequestTick(Station& s) {
    if (!s.port.isOpen()) return;
    s.state.WearIndex = 0;
    s.sendOrder(220, 0);
}

} // namespace

void Startbouton_Click(Station& s) {
    StationState& st = s.state;
    StartWindow& w = s.Start();
    st.RunStarted = 1;
    st.StateRestored = 0;
    app::DesactivePort(s);
    st.RunActive = 1;
    app::Sauv_NSINI(s);
    ParametresWindow& p = s.Parametres();
    p.Validerwrite.enabled = false;
    p.Lecture.enabled = false;
    w.Startbouton.enabled = false;
    w.Label22.caption = "START";
    // The read-back of the parameters starts at the first box, whatever a speed test counted.
    st.ReadRequestCount = 0;
    st.ReplyIndex = 0;
    p.Timer7.start();
    w.Timer1.start();
    w.Timer2.stop();
    w.Timer3.stop();
    st.NoReplyCount = 0;
    st.CycleReported = 0;
    st.LampPhase = 0;
    w.mnutestscompos.enabled = false;
    s.addEvent(" PC --> Stamp      START");
    display::clearPlot(s);
    st.PlotX = 0;
    st.LogHeaderWritten = 0;
    st.LogRowCounter = 0;
    st.PlotImageSaved = 0;
    w.StartHalogen.enabled = true;
    w.StartHalogen.backColour = colour::lightGrey;
    w.VScroll1[5].enabled = false;
    w.Command7.enabled = false;
    w.Stopbouton.visible = true;
    st.RunInProgress = 1;
    for (int i : {0, 1, 6, 7, 8, 10, 4})
        w.Label5[i].caption = "0";
    w.Label22.caption = "Phase 0";
    s.tell({"run_started", {{"how", std::string("Start")}}});
    UsuresWindow& u = s.Usures();
    for (int i = 0; i < 3; ++i)
        u.Activation[i].enabled = false;
    showSupplyRows(s, true);
}

void Stopbouton_Click(Station& s) {
    StartWindow& w = s.Start();
    s.tell({"run_ended", {{"how", std::string("Stop")}}});
    s.state.LampPhase = 0;
    w.Startbouton.visible = false;
    w.Label5[10].caption.clear();
    s.state.HolderTempRaw.clear();
    s.FenInfoHolder().Label8.caption.clear();
    w.Timer17.stop();
    w.Timer14.stop();
    s.addEvent(" PC --> Stamp      STOP");
    stopSequence(s, kLightBlue, false);
}

void StopTemp(Station& s) {
    s.tell({"run_ended", {{"how", std::string("temperature stop")}}});
    stopOrders(s);
    s.Start().mnutestscompos.enabled = true;
    s.addEvent(" PC --> Stamp      STOP");
}

void StopTraces(Station& s) {
    // Every trace but the magnetron temperature starts again from zero.
    for (Trace t : {TraceLPC, TraceLFC, TraceSHT, TraceVIS, TraceIR, TraceRH})
        s.state.PlotTraces[t][0] = 0;
}

void wire(Station& s) {
    StartWindow& w = s.Start();
    w.on("Startbouton", [&s] { Startbouton_Click(s); });
    w.on("Stopbouton", [&s] { Stopbouton_Click(s); });
    w.Timer2.setTick([&s] { stopOrderTick(s); });
    w.Timer18.setTick([&s] { automaticStop(s); });
    w.Timer20.setTick([&s] { wearPollTick(s); });
    w.Timer21.setTick([&s] { wearRequestTick(s); });
}

} // namespace orbek::run
