// The station's windows other than `Start`. Each holds the controls and timers the shell
// reaches today; the subsystem that owns a window's behaviour completes its controls.
#pragma once

#include "core/window.hpp"

namespace orbek {

// Machine parameters and clock, detector coefficients and the temperature unit.
class ParametresWindow : public WindowModel {
  public:
    explicit ParametresWindow(Scheduler& scheduler);
    std::string stateText(const Control& control) const override;

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

    ControlArray Label1; // parameter row names 0..14
    ControlArray Label3; // coefficient row names 0..7
    ControlArray Label5; // unit notes of parameters 7 and 9

    // A write of this window is under way; a permission without one sends nothing.
    bool writing = false;
    // The write holds the main window's receive watchdog off.
    bool watchdogHeld = false;
    // An unreadable NS.ini already in the event list.
    bool runStateReported = false;

  protected:
    // The closing steps run while the controls still hold what the user left in them.
    void onUnload() override { fire("Form_Unload"); }
};

// Wear counters ("Hardware uptimes").
class UsuresWindow : public WindowModel {
  public:
    explicit UsuresWindow(Scheduler& scheduler);
    std::string stateText(const Control& control) const override;
    ControlArray Activation; // erase buttons of the three counters
    Control& Label4;         // counter-reading caption
    ControlArray Text1;      // access codes of the three counters
    Control& ResetCompteurManuel;
    ControlArray Label6;  // bit patterns of the wear slots 0..17
    ControlArray Label15; // decimal values of the wear slots 0..17
    ControlArray Label5;  // hours: lamp, halogen lamps, magnetron, station uptime
    Control& Label1;
    Control& Label2;
    Control& Label3;
    Control& Label10;
    Control& Label11;
    Control& Label12;
    // Hidden copies of the uptime bytes before (32..34) and after (27..29) an advance.
    Control& Label32;
    Control& Label33;
    Control& Label34;
    Control& Label27;
    Control& Label28;
    Control& Label29;
    Timer& Timer1;
    Timer& Timer2;
    Timer& Timer3;
    Timer& Timer4;

    // Counter.ini exists but could not be read at the last load: the display passes leave it
    // alone rather than replace the stored count with one started from zero.
    bool counterFileHeld = false;
    // A failed write of Counter.ini already in the event list; cleared by the next good write.
    bool counterWriteReported = false;
};

// Component tests of the motor and fans.
class TestsMVWindow : public WindowModel {
  public:
    explicit TestsMVWindow(Scheduler& scheduler);
    std::string stateText(const Control& control) const override;
    Control& MoteurOnFast;
    Control& MoteurOff;
    Control& VentilOnFast;
    Control& VentilOff;
    Control& TestSpeedM;
    Control& TestSpeedV;
    Control& List3;  // motor speed results
    Control& List4;  // fan speed results
    Control& Image2; // illustration of the motor and fans
    Timer& Timer1;
    Timer& Timer5;
    Timer& Timer6;
};

// Data logger set-up, in four numbered steps.
class DataLoggerWindow : public WindowModel {
  public:
    explicit DataLoggerWindow(Scheduler& scheduler);
    std::string stateText(const Control& control) const override;

    // Step 1: file type, separator, log file
    Control& Label1;
    Control& Frame1;
    ControlArray Option1; // 0..3, file types
    Control& Frame2;
    ControlArray Option2; // 0 comma, 1 semicolon
    Control& Command1;
    Control& Label7;   // the chosen path
    Control& List1;    // files already in the data folder; `value` is the selected entry, -1 none
    Control& Picture1; // "This file exists already" with its two buttons
    Control& Label42;
    Control& EErase;
    Control& EAppend;

    // Step 2: the log columns
    Control& Label2;
    Control& Label5;
    ControlArray Check1;  // 0..15
    ControlArray Label11; // quantity beside each box
    ControlArray Label12; // its unit

    // Step 3: the interval
    Control& Label3;
    Control& Label8;
    ControlArray Sel; // 0..10
    Control& Label6;
    Control& Label10;
    Control& Label9; // the chosen interval

    // Step 4
    Control& Label4;
    Control& Activation;

    Timer& Timer1;
    Timer& Timer12;

    static constexpr int kFileTypes = 4;
    static constexpr int kSensorBoxes = 16;
    static constexpr int kIntervals = 11;
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

// What the station tells the outside (telemetry): the broker, the connection and the counts.
// Read-only: nothing in it changes the configuration.
class TelemetryWindow : public WindowModel {
  public:
    explicit TelemetryWindow(Scheduler& scheduler);
    ControlArray Label1; // row captions 0..6
    Control& Broker;
    Control& Topics;
    Control& Connection;
    Control& Sent;
    Control& Dropped;
    Control& LastError;
    Control& EventCommand;
    Control& Close;

    static constexpr int kRows = 7;
};

} // namespace orbek
