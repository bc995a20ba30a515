// The station's windows other than `Start`. Each holds the controls and timers the shell
// reaches today; the subsystem that owns a window's behaviour completes its controls.
#pragma once

#include "core/window.hpp"

namespace orbek {

// Machine parameters and clock, detector coefficients and the temperature unit.
class ParametresWindow : public WindowModel {
  public:
    explicit ParametresWindow(Scheduler& scheduler);

    ControlArray Text1;  // machine parameters 0..15 (15 hidden)
    ControlArray Text2;  // detector coefficients 0..14 (0..7 shown)
    ControlArray Text15; // clock registers 0..8, hidden
    Control& Lecture;
    Control& Validerwrite;
    Control& Setup;
    Control& ResetAdr4;
    Control& ResetAdr5;
    Control& ResetAdr10;
    Control& ResetAdr11;
    Control& Degres;
    Control& Fharen;
    Control& Check1; // sample-holder alarm switch, shown at the service level
    Control& ProgressBar1;
    Control& Label2;
    Control& ProgressBar2;
    Control& Label51;
    Control& Label52;
    Control& Label53;

    Timer& Timer1;
    Timer& Timer2;
    Timer& Timer3;
    Timer& Timer4;
    Timer& Timer5;
    Timer& Timer6;
    Timer& Timer7;
    Timer& Timer8;
    Timer& Timer9;

    // The marked unit button.
    static constexpr uint32_t kUnitMarked = 0x80F280;
};

// Wear counters ("Hardware uptimes").
class UsuresWindow : public WindowModel {
  public:
    explicit UsuresWindow(Scheduler& scheduler);
    ControlArray Activation; // erase buttons of the three counters
    Control& Label4;         // counter-reading caption
    Timer& Timer1;
    Timer& Timer2;
    Timer& Timer3;
    Timer& Timer4;
};

// Component tests of the motor and fans.
class TestsMVWindow : public WindowModel {
  public:
    explicit TestsMVWindow(Scheduler& scheduler);
    Control& TestSpeedM;
    Control& TestSpeedV;
    Control& List3; // motor speed results
    Control& List4; // fan speed results
    Timer& Timer1;
    Timer& Timer5;
    Timer& Timer6;
};

// Data logger set-up.
class DataLoggerWindow : public WindowModel {
  public:
    explicit DataLoggerWindow(Scheduler& scheduler);
    Timer& Timer1;
    Timer& Timer12;
};

// The cooling wait box.
class BoitestopWindow : public WindowModel {
  public:
    explicit BoitestopWindow(Scheduler& scheduler);
    Control& Label4;
    Control& Label1;
    Control& Label2; // seconds left
    Control& Label3;
    Control& OKQuitte;
    Timer& Timer1;
    Timer& Timer2;
};

// The reference list of the link's message codes.
class CodeDialogueWindow : public WindowModel {
  public:
    explicit CodeDialogueWindow(Scheduler& scheduler);
    Control& Label1; // column headings
    Control& Label2;
    Control& Label3;
    Control& List1;
    Control& Command1;
    Timer& Timer1;
};

// The reference of the controller's error numbers: fifteen rows of code, component and fault.
class CodeserreursWindow : public WindowModel {
  public:
    explicit CodeserreursWindow(Scheduler& scheduler);
    ControlArray Label1; // code, "001".."009"
    ControlArray Label2; // component
    ControlArray Label3; // fault
    Control& CodeError;
    Timer& Timer1;

    static constexpr int kRows = 15;
};

// The sample-holder information shown while the mouse is over its cell.
class FenInfoHolderWindow : public WindowModel {
  public:
    explicit FenInfoHolderWindow(Scheduler& scheduler);
    Control& Label1; // alarm switch state
    Control& Label2;
    Control& Label3; // threshold
    Control& Label4; // offset
    Control& Label5;
    Control& Label6;
    Control& Label7;
    Control& Label8; // sensor value before the offset
    Control& Label9;
    Timer& Timer1;
};

// The warning shown when the sample holder got too hot.
class AlarmHolderWindow : public WindowModel {
  public:
    explicit AlarmHolderWindow(Scheduler& scheduler);
    Control& Label1;
    Control& Label3;
    Control& Label2;
    Control& Label4; // date and time of the alarm
    Control& OKAnnuler;
    Timer& Timer67;
};

} // namespace orbek
