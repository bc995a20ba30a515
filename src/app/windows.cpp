#include "app/windows.hpp"

#include "app/controls.hpp"

#include <array>

namespace orbek {

using namespace design;

namespace {

// A control that stands inside a frame or panel: hidden or disabled with it.
Control inside(Control c, const std::string& container) {
    c.parent = container;
    return c;
}

Control hidden(Control c) {
    c.visible = false;
    return c;
}

Control progress(const std::string& name, int max) {
    Control c = control(ControlKind::Progress, name, {});
    c.max = max;
    return c;
}

} // namespace

ParametresWindow::ParametresWindow(Scheduler& scheduler)
    : WindowModel(scheduler, "Parametres"),
      Lecture(add(button("Lecture", "Parameter Read from Stamp"))),
      // Writing waits for a complete read or the factory values.
      Validerwrite(add([] {
          Control c = button("Validerwrite", "Send Data to Stamp");
          c.enabled = false;
          return c;
      }())),
      Setup(add(button("Setup", "Default Settings"))), ResetAdr4(add(button("ResetAdr4", "Reset"))),
      ResetAdr5(add(button("ResetAdr5", "Reset"))), ResetAdr10(add(button("ResetAdr10", "Reset"))),
      ResetAdr11(add(button("ResetAdr11", "Reset"))), Degres(add(button("Degres", "°C"))),
      Fharen(add(button("Fharen", "F"))),
      Check1(add(control(ControlKind::CheckBox, "Check1", "Disabling alarm SHT (OFF)", false))),
      // The transfer progress shows only while a write runs.
      ProgressBar1(add(hidden(progress("ProgressBar1", 150)))),
      Label2(add(label("Label2", "", false))),
      ProgressBar2(add(hidden(progress("ProgressBar2", 80)))),
      Label51(add(label("Label51", "", false))),
      Label52(add(coloured(label("Label52", ""), colour::black, colour::green))),
      Label53(add(coloured(label("Label53", ""), colour::black, colour::green))),
      // The load sequence is one-shot; the parameters subsystem gives it its work.
      Timer1(addTimer("Timer1", 20, true, [this] { this->Timer1.stop(); })),
      Timer2(addTimer("Timer2", 1000, true)), Timer3(addTimer("Timer3", 20, true)),
      Timer4(addTimer("Timer4", 1000, false)), Timer5(addTimer("Timer5", 1000, false)),
      Timer6(addTimer("Timer6", 200, false)), Timer7(addTimer("Timer7", 500, false)),
      Timer8(addTimer("Timer8", 1000, false)), Timer9(addTimer("Timer9", 1000, false)) {
    caption = "  ORBEK parameters";
    width = 11000;
    height = 9000;
    for (int i = 0; i <= 15; ++i)
        addElement(Text1, "Text1", i, textBox("", "", i < 14));
    for (int i = 0; i <= 14; ++i)
        addElement(Text2, "Text2", i, textBox("", "", i <= 7));
    for (int i = 0; i <= 8; ++i)
        addElement(Text15, "Text15", i, textBox("", "", false));
    // Row names run on in dots up to their boxes.
    const auto dotted = [](std::string name) {
        name += ' ';
        while (name.size() < 46)
            name += '.';
        return name;
    };
    static const char* const kRows[] = {"Generator Start Delay [s]",
                                        "Ramp-up Time [s]",
                                        "Lamp Start Time [s]",
                                        "Max Start Numbers",
                                        "Lamp Stop Counter",
                                        "Failed Start Counter",
                                        "Integration Parameter",
                                        "Magnetron Start Power [W]",
                                        "Deactivation Mag. Temperature [°C/F]",
                                        "LP Start Level [W]",
                                        "Read Error Codes",
                                        "Read Lamp Level",
                                        "Max Magnetron Temp.  [°C/F]",
                                        "Phase 4  Light Level Detector"};
    for (int i = 0; i <= 13; ++i)
        addElement(Label1, "Label1", i, label("", dotted(kRows[i])));
    static const char* const kCoefficientRows[] = {
        "[SHT] Temp. Correction Offset", "[LFC] Light Flux Control, [%]",
        "Power Supply Processor, [+5V]", "Setup Battery Voltage, [+3V]",
        "[VIS] Light Intensity [W/m2]",  "[RH] Relative Humidity at Samples, [%]",
        "[IR] IR Light Intensity, [%]",  "[SHT] Samples Holder Temperature Alarm, [°C/F]"};
    add(label("Label4", "Detectors Coefficients - Adjustements "));
    for (int i = 0; i <= 7; ++i)
        addElement(Label3, "Label3", i, label("", dotted(kCoefficientRows[i])));
    for (int i : {7, 9})
        addElement(Label5, "Label5", i, label("", "Coeff. x 10"));
}

UsuresWindow::UsuresWindow(Scheduler& scheduler)
    : WindowModel(scheduler, "Usures"),
      Label4(add(coloured(
          label("Label4", "Read Counters (3)    [Stamp]                   (active in phase = 4)"),
          colour::rgb(128, 128, 255), colour::white))),
      ResetCompteurManuel(add(button("ResetCompteurManuel", "Reset Uptime Counter   [Hdd]"))),
      Label1(add(label("Label1", "Step 1"))),
      Label2(add(label("Label2", "Password --> For resetting the counters (active in phase = 0)"))),
      Label3(add(label("Label3", "Step 2"))), Label10(add(label("Label10", "S-Lamp"))),
      Label11(add(label("Label11", "H-Lamp"))), Label12(add(label("Label12", "Magnetron"))),
      Label32(add(label("Label32", "", false))), Label33(add(label("Label33", "", false))),
      Label34(add(label("Label34", "", false))), Label27(add(label("Label27", "", false))),
      Label28(add(label("Label28", "", false))), Label29(add(label("Label29", "", false))),
      Timer1(addTimer("Timer1", 200, true)), Timer2(addTimer("Timer2", 100, false)),
      Timer3(addTimer("Timer3", 1000, false)), Timer4(addTimer("Timer4", 100, true)) {
    caption = "   Hardware uptimes in hours ";
    width = 9000;
    height = 7200;
    static const char* const kErase[] = {"Counter S-Lamp", "Counter H-Lamp", "Counter Magnetron"};
    for (int i = 0; i < 3; ++i) {
        addElement(Activation, "Activation", i, button("", kErase[i]));
        addElement(Text1, "Text1", i, textBox(""));
    }
    // Slots 3, 4, 8, 9, 13 and 14 are kept but not shown.
    for (int n = 0; n <= 17; ++n) {
        const bool shown = n % 5 <= 2;
        addElement(Label6, "Label6", n, label("", "00000000", shown));
        addElement(Label15, "Label15", n, label("", "0", shown));
    }
    for (int i = 0; i <= 3; ++i)
        addElement(Label5, "Label5", i, coloured(label("", "0"), colour::black, colour::green));
    for (const char* unit : {"Label7", "Label8", "Label9", "Label14"})
        add(label(unit, "Hours"));
}

TestsMVWindow::TestsMVWindow(Scheduler& scheduler)
    : WindowModel(scheduler, "TestsMV"), MoteurOnFast(add(button("MoteurOnFast", "Motor On_Fast"))),
      MoteurOff(add(button("MoteurOff", "Motor OFF"))),
      VentilOnFast(add(button("VentilOnFast", "Fan On_Fast"))),
      VentilOff(add(button("VentilOff", "Fan OFF"))),
      TestSpeedM(add(button("TestSpeedM", "Test Speed (M)"))),
      TestSpeedV(add(button("TestSpeedV", "Test Speed (F)"))), List3(add(listBox("List3"))),
      List4(add(listBox("List4"))), Image2(add(picture("Image2", colour::white))),
      Timer1(addTimer("Timer1", 20, true)), Timer5(addTimer("Timer5", 1000, false)),
      Timer6(addTimer("Timer6", 1000, false)) {
    caption = "  M or V1 (V2) Tests ";
    width = 6600;
    height = 5400;
}

DataLoggerWindow::DataLoggerWindow(Scheduler& scheduler)
    : WindowModel(scheduler, "DataLogger"), Label1(add(label("Label1", "Step 1"))),
      Frame1(add(control(ControlKind::Frame, "Frame1", " File Type "))),
      Frame2(add(control(ControlKind::Frame, "Frame2", " Separator "))),
      Command1(add(button("Command1", "Create data logging file"))),
      Label7(add(label("Label7", ""))), List1(add(listBox("List1"))),
      Picture1(add(picture("Picture1", colour::buttonFace, false))),
      Label42(add(inside(label("Label42", " This file exists already"), "Picture1"))),
      EErase(add(inside(button("EErase", "Overwrite file"), "Picture1"))),
      EAppend(add(inside(button("EAppend", "Append to file"), "Picture1"))),
      Label2(add(label("Label2", "Step 2"))), Label5(add(label("Label5", "Sensor selection"))),
      Label3(add(label("Label3", "Step 3"))),
      Label8(add(label("Label8", "Select time interval between measurements"))),
      Label6(add(label("Label6", "Minute(s)"))), Label10(add(label("Label10", "Hours"))),
      Label9(add(label("Label9", "---"))), Label4(add(label("Label4", "Step 4"))),
      Activation(add(button("Activation", "Press to START"))), Timer1(addTimer("Timer1", 50, true)),
      Timer12(addTimer("Timer12", 1000, false)) {
    caption = "  Data-Logger :";
    width = 9600;
    height = 8400;
    List1.value = -1;
    static const char* const kTypes[kFileTypes] = {"ASCII    (raw data)", "CSV      (raw data)",
                                                   "ASCII    (phys. units)",
                                                   "CSV      (phys. units)"};
    for (int i = 0; i < kFileTypes; ++i)
        addElement(Option1, "Option1", i,
                   inside(control(ControlKind::Option, "", kTypes[i]), "Frame1"));
    addElement(Option2, "Option2", 0,
               inside(control(ControlKind::Option, "", " ( , )  "), "Frame2"));
    addElement(Option2, "Option2", 1,
               inside(control(ControlKind::Option, "", " ( ; )  "), "Frame2"));

    struct Box {
        const char* tag;
        const char* quantity;
        const char* unit;
    };
    static const Box kBoxes[kSensorBoxes] = {
        {"[LPC] ", "Lamp Plasma Control", "[AU]"},
        {"[LFC]", "Light Flux Control", "[%]"},
        {"[VIS]    ", "Light Intensity", "[W/m2]"},
        {"[IR]       ", "IR Light Intensity", "[%]"},
        {"[RH]     ", "Relative Humidity at Samples", "[%]"},
        {"[LOS]   ", "Light Output Setting", "[W]"},
        {"[SHT]   ", "Samples Holder Temperature", "[°C/F]"},
        {"[MAT]  ", "Magnetron Anode Temperature", "[°C/F]"},
        {"", "S-Lamp Burning Time", "[H]"},
        {"", "H-Lamp Burning Time", "[H]"},
        {"", "Magnetron Operating Time", "[H]"},
        {"", "Spare Channel", ""},
        {"", "Spare Channel", ""},
        {"", "Spare Channel", ""},
        {"", "Spare Channel", ""},
        {"", "Spare Channel", ""},
    };
    for (int i = 0; i < kSensorBoxes; ++i) {
        addElement(Check1, "Check1", i, control(ControlKind::CheckBox, "", kBoxes[i].tag));
        addElement(Label11, "Label11", i, label("", kBoxes[i].quantity));
        addElement(Label12, "Label12", i, label("", kBoxes[i].unit));
    }

    static const char* const kIntervalCaptions[kIntervals] = {"1", "2", "5", "10", "20", "30",
                                                              "1", "2", "3", "4",  "5"};
    for (int i = 0; i < kIntervals; ++i) {
        Control sel = button("", kIntervalCaptions[i]);
        sel.left = 1560 + 480 * i;
        addElement(Sel, "Sel", i, sel);
    }
}

BoitestopWindow::BoitestopWindow(Scheduler& scheduler)
    : WindowModel(scheduler, "Boitestop"), Label4(add(label("Label4", "Lamp not started ..."))),
      Label1(add(label("Label1", "Please wait "))), Label2(add(label("Label2", ""))),
      Label3(add(label("Label3", "seconds"))), OKQuitte(add(button("OKQuitte", "OK"))),
      Timer1(addTimer("Timer1", 1000, false)), Timer2(addTimer("Timer2", 20, true)) {
    caption = "  Wait For Cooling Down";
    width = 4800;
    height = 2400;
}

FenInfoHolderWindow::FenInfoHolderWindow(Scheduler& scheduler)
    : WindowModel(scheduler, "FenInfoHolder"), Label1(add(label("Label1", ""))),
      Label2(add(label("Label2", "Offset value .........................."))),
      Label3(add(label("Label3", ""))), Label4(add(label("Label4", ""))),
      Label5(add(label("Label5", "°C"))), Label6(add(label("Label6", "°C"))),
      Label7(add(label("Label7", "Temp. Sensor ......................."))),
      Label8(add(label("Label8", ""))), Label9(add(label("Label9", "°C"))),
      Timer1(addTimer("Timer1", 200, false)) {
    caption = "  Info";
}

CodeDialogueWindow::CodeDialogueWindow(Scheduler& scheduler)
    : WindowModel(scheduler, "CodeDialogue"), Label1(add(label("Label1", "Machine ID Code"))),
      Label2(add(label("Label2", "Function Code"))),
      Label3(add(label("Label3", "Action Code (In/Out)"))), List1(add(listBox("List1"))),
      Command1(add(button("Command1", "Quit"))), Timer1(addTimer("Timer1", 20, true)) {
    caption = " Communication Codes between PC and Stamp";
    width = 9600;
    height = 7800;
}

CodeserreursWindow::CodeserreursWindow(Scheduler& scheduler)
    : WindowModel(scheduler, "Codeserreurs"), CodeError(add(button("CodeError", "Quit"))),
      Timer1(addTimer("Timer1", 20, true)) {
    caption = "  Error Codes (Stamp To PC)";
    width = 7800;
    height = 6600;
    struct Row {
        const char* code;
        const char* component;
        const char* fault;
    };
    static constexpr std::array<Row, 9> kRowsFilled{{
        {"001", "Motor Speed Slow ", ": too low"},
        {"002", "Motor Speed Fast", ": too low"},
        {"003", "Fan V1 Speed Slow", ": too low"},
        {"004", "Fan V1 Speed Fast", ": too low"},
        {"005", "Fan V2 Speed Slow", ": too low"},
        {"006", "Fan V2 Speed Fast", ": too low"},
        {"007", "Magnetron Temperature", ": too high   (parameter)"},
        {"008", "Magnetron Temperature ", ": overflow  (sensor limit)"},
        {"009", "Light Flow Error", ": low luminosity  (LFC)"},
    }};
    // Rows below the nine filled ones are reserved and stay empty.
    for (int i = 0; i < kRows; ++i) {
        const bool filled = i < static_cast<int>(kRowsFilled.size());
        const Row row = filled ? kRowsFilled[static_cast<std::size_t>(i)] : Row{"", "", ""};
        addElement(Label1, "Label1", i, label("", row.code));
        addElement(Label2, "Label2", i, label("", row.component));
        addElement(Label3, "Label3", i, label("", row.fault));
    }
}

AlarmHolderWindow::AlarmHolderWindow(Scheduler& scheduler)
    : WindowModel(scheduler, "AlarmHolder"), Label1(add(label("Label1", "SHT Alarm : "))),
      Label3(add(label("Label3", "Temperature too high"))),
      Label2(add(label("Label2", "System Halted"))), Label4(add(label("Label4", ""))),
      OKAnnuler(add(button("OKAnnuler", "OK"))), Timer67(addTimer("Timer67", 100, true)) {
    caption = "  Warning !";
    width = 4800;
    height = 2600;
}

TelemetryWindow::TelemetryWindow(Scheduler& scheduler)
    : WindowModel(scheduler, "Telemetry"), Broker(add(label("Broker", "Telemetry is off"))),
      Topics(add(label("Topics", "-"))), Connection(add(label("Connection", "-"))),
      Sent(add(label("Sent", "0"))), Dropped(add(label("Dropped", "0"))),
      LastError(add(label("LastError", "-"))), EventCommand(add(label("EventCommand", "-"))),
      Close(add(button("Close", "Close"))) {
    caption = "  Telemetry";
    width = 6600;
    height = 3600;
    static constexpr std::array<const char*, kRows> kCaptions{
        "Broker",         "Topics",     "Connection",   "Messages sent",
        "Events dropped", "Last error", "Event command"};
    for (int i = 0; i < kRows; ++i)
        addElement(Label1, "Label1", i, label("", kCaptions[static_cast<std::size_t>(i)]));
}

std::string ParametresWindow::stateText(const Control& c) const {
    if (&c == &Degres || &c == &Fharen) return c.backColour == kUnitMarked ? "Unit in use" : "";
    return {};
}

std::string UsuresWindow::stateText(const Control& c) const {
    if (&c != &Label4 || c.backColour == colour::buttonFace) return {};
    // Green while the lamp runs in phase 4; blue after a stop, grey after an automatic stop.
    return c.backColour == colour::green ? "Reading the counters" : "Not reading: the lamp stopped";
}

std::string TestsMVWindow::stateText(const Control& c) const {
    for (const Control* b :
         {&MoteurOnFast, &MoteurOff, &VentilOnFast, &VentilOff, &TestSpeedM, &TestSpeedV})
        if (&c == b) return c.backColour == colour::buttonFace ? "" : "Pressed";
    return {};
}

std::string DataLoggerWindow::stateText(const Control& c) const {
    if (&c == &Activation) {
        if (c.backColour == colour::lightGreen) return "Logging";
        return c.backColour == colour::buttonFace ? "" : "Steps 1 to 3 incomplete";
    }
    for (int i = 0; i < kIntervals; ++i)
        if (&c == &Sel[i]) return c.backColour == colour::lightGreen ? "Chosen" : "";
    return {};
}

} // namespace orbek
