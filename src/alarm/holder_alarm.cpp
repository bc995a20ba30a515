#include "alarm/holder_alarm.hpp"

#include "app/station.hpp"
#include "core/files.hpp"
#include "core/text.hpp"
#include "run/power_halogen.hpp"

namespace orbek::alarm {

namespace {

constexpr uint32_t kOrange = colour::rgb(255, 142, 0);

void raiseAlarm(Station& s) {
    if (s.telling())
        s.tell({"holder_alarm",
                {{"state", std::string("raised")},
                 {"temperature", int64_t{s.state.HolderTempShown}},
                 {"threshold",
                  static_cast<int64_t>(leadingNumber(s.Parametres().Text2[7].caption))}}});
    // Halogen lamps off, as the Stop Halogen button would, then the automatic stop in 3 s.
    run::StopHalogen_Click(s);
    s.Start().Timer18.start();
    // One alarm per run: the automatic stop follows in 3 s whether or not the warning is
    // acknowledged first, and no second warning or record may come before it.
    s.Start().Timer14.stop();
    s.ui.runModal(s.AlarmHolder());
}

// The first tick after the warning opens: its time, and one line in the record.
void recordAlarm(Station& s) {
    AlarmHolderWindow& w = s.AlarmHolder();
    const DateTime now = s.clock.now();
    const std::string when = shortDate(now) + " / " + shortTime(now);
    w.Label4.caption = when;
    const auto file = s.appFile("SHTAlarm.txt");
    std::string why;
    if (!files::appendLines(file, {when + "  SHT Alarm activated"}, &why))
        s.reportFileProblem(file, "written", why);
    w.Timer67.stop();
}

void showInfo(Station& s) {
    FenInfoHolderWindow& info = s.FenInfoHolder();
    const StartWindow& main = s.Start();
    info.left = main.left + 1100;
    info.top = main.top + 3500;
    info.show();
    info.Timer1.start();
}

void hideInfo(Station& s) {
    FenInfoHolderWindow& info = *s.models().FenInfoHolder;
    if (!info.loaded()) return;
    info.Timer1.stop();
    info.unload();
}

void refreshInfo(Station& s) {
    FenInfoHolderWindow& info = s.FenInfoHolder();
    ParametresWindow& p = s.Parametres();
    const bool celsius = s.state.Coefficients[8].toNumber() == 0;
    for (Control* c : {&info.Label5, &info.Label6, &info.Label9})
        c->caption = celsius ? "°C" : " F";
    info.Label3.caption = p.Text2[7].caption;
    info.Label4.caption = p.Text2[0].caption;
    // The sensor sends Celsius; beside " F" it shows converted, as the readings panel does.
    const std::string& raw = s.state.HolderTempRaw;
    info.Label8.caption =
        celsius || raw.empty()
            ? raw
            : plainSingle(static_cast<float>(leadingNumber(raw)) * 9.0f / 5.0f + 32.0f);
    const bool on = p.Check1.checked;
    info.Label1.caption = on ? "SHT Alarm enabled (ON)" : "SHT Alarm disabled (OFF)";
    info.Label1.backColour = on ? colour::green : kOrange;
}

} // namespace

void alarmTest(Station& s) {
    ParametresWindow& p = s.Parametres();
    const double threshold = leadingNumber(p.Text2[7].caption);
    if (p.Check1.checked && s.state.LampPhase == 4 &&
        leadingNumber(s.state.HolderTempText) > threshold)
        raiseAlarm(s);
}

void wireAlarm(Station& s) {
    StartWindow& w = *s.models().Start;
    w.Timer14.setTick([&s] { alarmTest(s); });
    w.on("Label5[10]:MouseMove", [&s] { showInfo(s); });
    w.on("Form_MouseMove", [&s] { hideInfo(s); });

    AlarmHolderWindow& alarm = *s.models().AlarmHolder;
    alarm.Timer67.setTick([&s] { recordAlarm(s); });
    alarm.on("OKAnnuler", [&s] {
        // A warning closed at once still leaves its line in the record.
        AlarmHolderWindow& w = *s.models().AlarmHolder;
        s.tell({"holder_alarm", {{"state", std::string("acknowledged")}}});
        if (w.Timer67.enabled()) recordAlarm(s);
        w.unload();
    });

    s.models().FenInfoHolder->Timer1.setTick([&s] { refreshInfo(s); });
}

} // namespace orbek::alarm
