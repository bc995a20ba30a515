#include "app/shutdown.hpp"

#include "app/station.hpp"

namespace orbek::app {

void mnquitter_Click(Station& s) {
    const MsgAnswer answer = s.ui.message(
        {" Caution !", "Are You Sure To Quit ?", MsgIcon::Question, MsgButtons::YesNo});
    if (answer == MsgAnswer::Yes) QuittFinal(s);
}

void QuittFinal(Station& s) {
    if (s.ended()) return;
    if (s.port.isOpen()) s.port.close();

    // The models are reached without loading: a window never opened has nothing to stop.
    Station::Windows& m = s.models();
    StartWindow& w = *m.Start;
    for (Timer* t : {&w.Timer1, &w.Timer2, &w.Timer3, &w.Timer4, &w.Timer5, &w.Timer6, &w.Timer7,
                     &w.Timer8, &w.Timer9, &w.Timer10, &w.Timer11, &w.Timer12, &w.Timer15,
                     &w.Timer16, &w.Timer20, &w.Timer21, &w.Timer33, &w.Timer34})
        t->stop();
    for (Timer* t : {&m.TestsMV->Timer1, &m.TestsMV->Timer5, &m.TestsMV->Timer6, &m.Usures->Timer1,
                     &m.Usures->Timer2, &m.Usures->Timer3, &m.Usures->Timer4, &m.DataLogger->Timer1,
                     &m.DataLogger->Timer12, &m.Codeserreurs->Timer1, &m.CodeDialogue->Timer1,
                     &m.Boitestop->Timer1, &m.Boitestop->Timer2})
        t->stop();

    for (WindowModel* window : std::initializer_list<WindowModel*>{
             m.Telemetry.get(), m.Boitestop.get(), m.CodeDialogue.get(), m.Codeserreurs.get(),
             m.TestsMV.get(), m.DataLogger.get(), m.Usures.get(), m.Parametres.get(),
             m.Start.get()})
        window->unload();
    s.endProgram();
}

} // namespace orbek::app
