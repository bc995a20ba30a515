// The main window `Start`: the station's only permanent window, its controls and its timers.
#pragma once

#include "core/window.hpp"

namespace orbek {

class StartWindow : public WindowModel {
  public:
    explicit StartWindow(Scheduler& scheduler);

    // Run buttons and phase
    Control& Startbouton;
    Control& Stopbouton;
    Control& Label22;

    // Readings panel values and the data-logger indicator
    ControlArray Label5;
    ControlArray Label2;
    Control& Label44;

    // Link state
    ControlArray Label7;
    Control& Label11;
    Control& Label12;

    // Event list and its view switch
    Control& List2;

    // Menus
    Control& mnPCom;
    ControlArray mncom; // mncom[1] .. mncom[14]
    Control& mnuDatalogger;
    Control& mnufichierdatalogger;
    Control& mnuDataloggerOFF;

    Timer& Timer1;
    Timer& Timer2;
    Timer& Timer4;
    Timer& Timer5;
    Timer& Timer6;
    Timer& Timer7;
    Timer& Timer8;
    Timer& Timer9;
    Timer& Timer10;
    Timer& Timer11;
    Timer& Timer13;
    Timer& Timer14;
    Timer& Timer15;
    Timer& Timer16;
    Timer& Timer17;
    Timer& Timer18;
    Timer& Timer19;
    Timer& Timer20;
    Timer& Timer21;
    Timer& Timer22;
    Timer& Timer23;
    Timer& Timer33;

    static constexpr int kPortCount = 14;
};

} // namespace orbek
