#include "app/shell.hpp"

#include "app/port_selection.hpp"
#include "app/shutdown.hpp"
#include "app/startup.hpp"
#include "app/station.hpp"
#include "app/user_levels.hpp"

#include <array>

namespace orbek::app {

namespace {

// Centres a window horizontally on the main window, once.
void centreOnMain(Station& s, WindowModel& window, Timer& placement) {
    const StartWindow& main = *s.models().Start;
    window.left = main.left + main.width / 2 - window.width / 2;
    placement.stop();
}

} // namespace

void Log_Click(Station& s) {
    StartWindow& w = s.Start();
    s.state.EventListShown = 1;
    w.Picture5.visible = false;
    w.Picture7.visible = false;
    w.List2.visible = true;
}

void Oscillo_Click(Station& s) {
    StartWindow& w = s.Start();
    s.state.EventListShown = 0;
    w.Picture5.visible = true;
    w.Picture7.visible = true;
    w.List2.visible = false;
}

void EffScreenGraph_Click(Station& s) {
    StartWindow& w = s.Start();
    if (s.state.EventListShown != 0) {
        w.List2.items.clear();
        return;
    }
    // The plotter connects its own clearing; until then the picture is wiped.
    if (!w.fire("EffScreenGraph:Plot")) w.Picture5Canvas.clear();
}

void Timer5_Tick(Station& s) {
    StartWindow& w = s.Start();
    if (w.List2.items.size() <= kListSaturation) return;
    const MsgAnswer answer =
        s.ui.message({" Caution !", "The List Is Satured, Please Clear The List", MsgIcon::Question,
                      MsgButtons::YesNo});
    if (answer == MsgAnswer::Yes) s.Start().List2.items.clear();
}

void mnuAdressesoft_Click(Station& s) {
    s.ui.message(
        {"  ", "Software Address = " + s.state.BasePath, MsgIcon::Information, MsgButtons::Ok});
}

void setScaleLabels(Station& s) {
    static constexpr std::array<const char*, 10> kCelsius{
        "0°C", "25°C", "30°C", "50°C", "70°C", "80°C", "100°C", "115°C", "120°C", "128°C"};
    static constexpr std::array<const char*, 10> kFahrenheit{
        "32 F", "77 F", "86 F", "122 F", "158 F", "176 F", "212 F", "239 F", "248 F", "262 F"};
    const bool celsius = s.state.Coefficients[8].toNumber() == 0;
    StartWindow& w = s.Start();
    for (int i = 0; i <= 9; ++i)
        w.Label6[i].caption = (celsius ? kCelsius : kFahrenheit)[static_cast<std::size_t>(i)];
}

void TableDegres(Station& s) {
    setScaleLabels(s);
    // The limit mark stands at 120 degrees with the external board, at 70 without.
    StartWindow& w = s.Start();
    const bool board = s.state.ExtBoardPresent != 0;
    w.Label6[4].visible = !board;
    w.Label6[8].visible = board;
}

void CodeError_Click(Station& s) {
    s.models().Codeserreurs->unload();
}

void wireShell(Station& s) {
    StartWindow& w = *s.models().Start;
    w.Timer5.setTick([&s] { Timer5_Tick(s); });
    w.Timer13.setTick([&s] { Timer13_Tick(s); });

    w.on("Log", [&s] { Log_Click(s); });
    w.on("Oscillo", [&s] { Oscillo_Click(s); });
    w.on("EffScreenGraph", [&s] { EffScreenGraph_Click(s); });
    w.on("OkStart", [&s] { OkStart_Click(s); });
    w.on("AnnulerStart", [&s] { AnnulerStart_Click(s); });
    w.on("mnuPEMUser", [&s] { mnuPEMUser_Click(s); });
    w.on("mnuPESERVICE", [&s] { mnuPESERVICE_Click(s); });
    w.on("mnquitter", [&s] { mnquitter_Click(s); });
    w.on("mnPCom", [&s] { showPortDevices(s); });
    for (int n = 1; n <= StartWindow::kPortCount; ++n)
        w.on("mncom" + std::to_string(n), [&s, n] { mncom_Click(s, n); });
    w.Timer34.setTick([&s] { Timer34_Tick(s); });
    w.on("mnuAdressesoft", [&s] { mnuAdressesoft_Click(s); });
    w.on("mnucodeserreurs", [&s] { s.Codeserreurs().show(); });
    w.on("mnuCodeDialogue", [&s] { s.CodeDialogue().show(); });

    CodeserreursWindow& codes = *s.models().Codeserreurs;
    codes.Timer1.setTick([&s, &codes] { centreOnMain(s, codes, codes.Timer1); });
    codes.on("CodeError", [&s] { CodeError_Click(s); });
}

} // namespace orbek::app
