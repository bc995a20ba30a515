#include "app/start_window.hpp"

#include "app/controls.hpp"

#include <array>
#include <cstdio>

namespace orbek {

using namespace design;

namespace {

std::string portCaption(int n) {
    char text[16];
    std::snprintf(text, sizeof text, "COM %2d", n);
    return text;
}

Control disabled(Control c) {
    c.enabled = false;
    return c;
}

Control hidden(Control c) {
    c.visible = false;
    return c;
}

Control cell(int r, int g, int b) {
    return coloured(label("", "0"), colour::rgb(r, g, b), colour::black);
}

} // namespace

StartWindow::StartWindow(Scheduler& scheduler)
    : WindowModel(scheduler, "Start"), Startbouton(add(button("Startbouton", "START"))),
      Stopbouton(add(button("Stopbouton", "STOP", false))), Label22(add(label("Label22", "-----"))),
      Label8(add(label("Label8", "800 "))), Label56(add(label("Label56", " Set Power = "))),
      Command7(add(button("Command7", "Activate light output"))),
      StartHalogen(add(button("StartHalogen", "Start Halogen"))),
      StopHalogen(add(button("StopHalogen", "Stop Halogen", false))),
      Label1(add(label("Label1", "Lamp Plasma Control ................."))),
      Label3(add(label("Label3", "Light Flux Control ......................."))),
      Label16(add(label("Label16", "Light Intensity ........................."))),
      Label14(add(label("Label14", "IR Light Intensity ......................."))),
      Label15(add(label("Label15", "Relative Humidity at Samples ...."))),
      Label37(add(label("Label37", "Samples Holder Temperature ...."))),
      Label10(add(label("Label10", "Magnetron Anode Temperature"))),
      Label44(add(label("Label44", "Data-Logger (Writing)"))),
      Label9(add(label("Label9", "Setup Battery Voltage ..............."))),
      Label4(add(label("Label4", "Power Supply Processor ..........."))),
      Label18(add(label("Label18", ".....[AU]"))), Label20(add(label("Label20", ".......[%]"))),
      Label25(add(label("Label25", "..[W/m2]"))),
      Label24(add(label("Label24", ".............[%]"))),
      Label26(add(label("Label26", ".......[%]"))), Label27(add(label("Label27", "..[°C/F]"))),
      Label28(add(label("Label28", "....[°C/F]"))), Label23(add(label("Label23", "....[+3V]"))),
      Label21(add(label("Label21", "...[+5V]"))), Label17(add(label("Label17", " Spare channel"))),
      Picture6(add(picture("Picture6", colour::white))),
      Line15(add(control(ControlKind::Line, "Line15", {}))),
      Line17(add(control(ControlKind::Line, "Line17", {}, false))),
      Picture7(add(picture("Picture7", colour::black))),
      Picture5(add(picture("Picture5", colour::black))),
      Label19(add(label("Label19", "1 min  --->"))),
      Check1(add(control(ControlKind::CheckBox, "Check1", "TB-Reset"))),
      EffScreenGraph(add(button("EffScreenGraph", "Clear"))), List1(add(listBox("List1", false))),
      List2(add(listBox("List2", false))), Log(add(button("Log", "Log"))),
      Oscillo(add(button("Oscillo", "Plotter"))),
      Label11(add(coloured(label("Label11", "No communication with machine !", false),
                           colour::buttonFace, colour::red))),
      Label12(add(
          coloured(label("Label12", "System not ready", false), colour::buttonFace, colour::red))),
      Picture8(add(picture("Picture8", colour::buttonFace, false))),
      Label30(add(label("Label30", "Password :"))), Text1(add(textBox("Text1"))),
      OkStart(add(button("OkStart", "OK"))),
      AnnulerStart(add(button("AnnulerStart", "Cancel", false))),
      Label29(add(coloured(label("Label29", ""), colour::black, colour::yellow))),
      mnfichier(add(menu("mnfichier", "File"))),
      // The service menus are hidden from the first paint on: every start is at operator level,
      // and a box of the start (a port that will not open) comes before any word is asked.
      mnuPEMUser(add(hidden(menu("mnuPEMUser", "Start in OPERATOR Mode", "mnfichier")))),
      mnuPESERVICE(add(menu("mnuPESERVICE", "Start in SERVICE Mode", "mnfichier"))),
      mnuEnregistrer(add(hidden(menu("mnuEnregistrer", "Record session...", "mnfichier")))),
      ligne2(add(separator("ligne2", "mnfichier"))),
      mnquitter(add(menu("mnquitter", "Quit", "mnfichier"))),
      mnPCom(add(hidden(menu("mnPCom", "Port COM")))),
      mnufonctions(add(hidden(menu("mnufonctions", "Functions")))),
      mnuparametres(add(menu("mnuparametres", "Stamp Parameters", "mnufonctions"))),
      mnutestscompos(add(menu("mnutestscompos", "Motor + Fan(s) Tests", "mnufonctions"))),
      mnuusures(add(menu("mnuusures", "Hardware Uptime", "mnufonctions"))),
      // Freeze only in phase 4; the two RAM views have no command.
      mnuFreeze(add(disabled(menu("mnuFreeze", "Freeze", "mnufonctions")))),
      mnuVRamCpuStamp(
          add(disabled(menu("mnuVRamCpuStamp", "RAM CPU --> Stamp content", "mnufonctions")))),
      mnuVRamDs1307(
          add(disabled(menu("mnuVRamDs1307", "Ram DS1307 --> Stamp content", "mnufonctions")))),
      mnulg2(add(separator("mnulg2", "mnufonctions"))),
      mnuAdressesoft(add(menu("mnuAdressesoft", "Software Address ", "mnufonctions"))),
      mnuTelemetry(add(menu("mnuTelemetry", "Telemetry...", "mnufonctions"))),
      // Enabled once a correct access word has been given.
      mnuDatalogger(add(disabled(menu("mnuDatalogger", "Data Logger")))),
      mnufichierdatalogger(
          add(menu("mnufichierdatalogger", "Create Data Logger", "mnuDatalogger"))),
      mnuDataloggerOFF(add(menu("mnuDataloggerOFF", "Data Logger OFF", "mnuDatalogger"))),
      mnuCode(add(hidden(menu("mnuCode", "Codes")))),
      mnucodeserreurs(add(menu("mnucodeserreurs", "Errors Codes", "mnuCode"))),
      mnuCodeDialogue(add(menu("mnuCodeDialogue", "Communication Codes", "mnuCode"))),
      Timer1(addTimer("Timer1", 2000, false)), Timer2(addTimer("Timer2", 1000, false)),
      Timer3(addTimer("Timer3", 0, false)), Timer4(addTimer("Timer4", 200, true)),
      Timer5(addTimer("Timer5", 60000, true)), Timer6(addTimer("Timer6", 4000, false)),
      Timer7(addTimer("Timer7", 30, true)), Timer8(addTimer("Timer8", 1000, false)),
      Timer9(addTimer("Timer9", 500, false)), Timer10(addTimer("Timer10", 1000, false)),
      Timer11(addTimer("Timer11", 1000, false)), Timer12(addTimer("Timer12", 0, false)),
      Timer13(addTimer("Timer13", 30, false)), Timer14(addTimer("Timer14", 3000, false)),
      Timer15(addTimer("Timer15", 0, false)), Timer16(addTimer("Timer16", 500, false)),
      Timer17(addTimer("Timer17", 3000, false)), Timer18(addTimer("Timer18", 3000, false)),
      Timer19(addTimer("Timer19", 6000, false)), Timer20(addTimer("Timer20", 60000, false)),
      Timer21(addTimer("Timer21", 1000, false)), Timer22(addTimer("Timer22", 200, true)),
      Timer23(addTimer("Timer23", 1000, false)), Timer33(addTimer("Timer33", 0, true)),
      Timer34(addTimer("Timer34", 2000, false)) {
    caption = "ORBEK";
    width = 15360;
    height = 11520;

    Control slider = control(ControlKind::Slider, "", {});
    slider.min = kPowerMin;
    slider.max = kPowerMax;
    slider.value = 80;
    slider.left = 14400;
    slider.top = 5565;
    addElement(VScroll1, "VScroll1", 5, slider);

    // Value cells by row, in the colours of the quantities' traces.
    const std::array<Control, 11> cells{
        cell(255, 0, 255),   cell(128, 255, 128), cell(224, 224, 224), cell(224, 224, 224),
        cell(255, 255, 128), cell(255, 255, 255), cell(255, 255, 255), cell(255, 0, 0),
        cell(0, 0, 255),     cell(255, 255, 255), cell(128, 255, 255)};
    for (int i = 0; i <= 10; ++i)
        addElement(Label5, "Label5", i, cells[static_cast<std::size_t>(i)]);

    const std::array<const char*, 10> tags{"[LPC]", "[LFC]",     "..........", "..........",
                                           "[VIS]", "[IR]",      "[RH]",       "[SHT]",
                                           "[MAT]", ".........."};
    for (int i = 0; i <= 9; ++i)
        addElement(Label13, "Label13", i, label("", tags[static_cast<std::size_t>(i)]));

    addElement(Label2, "Label2", 0, label("", ""));

    const std::array<const char*, 10> scale{"0°C",  "25°C",  "30°C",  "50°C",  "70°C",
                                            "80°C", "100°C", "115°C", "120°C", "128°C"};
    for (int i = 0; i <= 9; ++i) {
        Control mark = label("", scale[static_cast<std::size_t>(i)]);
        // The limit marks.
        if (i == 4 || i == 8) mark.backColour = colour::red;
        addElement(Label6, "Label6", i, mark);
    }

    addElement(Label7, "Label7", 0, label("", "---"));

    for (int n = 1; n <= kPortCount; ++n)
        mncom.set(n, add(menu("mncom" + std::to_string(n), portCaption(n), "mnPCom")));
}

std::string StartWindow::stateText(const Control& c) const {
    if (&c == &StartHalogen)
        return c.backColour == colour::green ? "Halogen lamps on" : "Halogen lamps off";
    // The battery cell blinks while the supply is low.
    if (&c == &Label5[3]) return Timer8.enabled() ? "Supply low" : "";
    if (&c == &Label2[0])
        return c.backColour == colour::buttonFace ? "Data logger off" : "Data logger running";
    if (&c == &Label6[4] || &c == &Label6[8]) return "Temperature limit";
    return {};
}

} // namespace orbek
