#include "run/freeze.hpp"

#include "app/station.hpp"

#include <string>

namespace orbek::run {

void mnuFreeze_Click(Station& s) {
    s.Start().Timer23.start();
}

void showWaitBox(Station& s) {
    // The countdown starts at 60; only the cooling frames move it (other readings during the
    // cooling are often 0 and must not close the box).
    s.state.CoolingSeconds = 60;
    s.ui.runModal(s.Boitestop());
}

void wireFreeze(Station& s) {
    StartWindow& w = s.Start();
    w.on("mnuFreeze", [&s] { mnuFreeze_Click(s); });
    w.Timer22.setTick([&s] { s.Start().mnuFreeze.enabled = s.state.LampPhase == 4; });
    w.Timer23.setTick([&s] {
        if (!s.port.isOpen()) return;
        s.sendOrder(195, 1);
        s.addEvent(" PC --> Stamp      Freeze activated");
    });

    BoitestopWindow& b = s.Boitestop();
    b.on("Form_Load", [&s] { s.Boitestop().Timer1.start(); });
    b.Timer2.setTick([&s] {
        BoitestopWindow& box = s.Boitestop();
        StartWindow& main = s.Start();
        box.left = main.left + main.width / 2 - box.width / 2;
        box.Timer2.stop();
    });
    b.Timer1.setTick([&s] {
        BoitestopWindow& box = s.Boitestop();
        box.Label2.caption = std::to_string(s.state.CoolingSeconds);
        if (s.state.CoolingSeconds == 0) {
            box.Timer1.stop();
            box.unload();
        }
    });
    b.on("OKQuitte", [&s] {
        s.Boitestop().Timer1.stop();
        s.Boitestop().unload();
    });
    // Wiring touched the box; it is not loaded until the cooling opens it.
    b.unload();
}

} // namespace orbek::run
