#include "app/start_window.hpp"

#include <cstdio>

namespace orbek {

namespace {

Control label(const std::string& name, const std::string& caption, bool visible = true) {
    Control c;
    c.name = name;
    c.kind = ControlKind::Label;
    c.caption = caption;
    c.visible = visible;
    return c;
}

Control button(const std::string& name, const std::string& caption) {
    Control c = label(name, caption);
    c.kind = ControlKind::Button;
    return c;
}

Control menu(const std::string& name, const std::string& caption, const std::string& parent) {
    Control c = label(name, caption);
    c.kind = ControlKind::Menu;
    c.parent = parent;
    return c;
}

std::string portCaption(int n) {
    char text[16];
    std::snprintf(text, sizeof text, "COM %2d", n);
    return text;
}

} // namespace

StartWindow::StartWindow(Scheduler& scheduler)
    : WindowModel(scheduler, "Start"), Startbouton(add(button("Startbouton", "START"))),
      Stopbouton(add(button("Stopbouton", "STOP"))), Label22(add(label("Label22", ""))),
      Label44(add(label("Label44", "Data-Logger (Writing)", false))),
      Label11(add(label("Label11", "No communication with machine !", false))),
      Label12(add(label("Label12", "System not ready", false))), List2(add([] {
          Control c = label("List2", "");
          c.kind = ControlKind::ListBox;
          c.backColour = colour::white;
          return c;
      }())),
      mnPCom(add(menu("mnPCom", "Port COM", ""))),
      mnuDatalogger(add(menu("mnuDatalogger", "Data Logger", ""))),
      mnufichierdatalogger(
          add(menu("mnufichierdatalogger", "Create Data Logger", "mnuDatalogger"))),
      mnuDataloggerOFF(add(menu("mnuDataloggerOFF", "Data Logger OFF", "mnuDatalogger"))),
      Timer1(addTimer("Timer1", 2000, false)), Timer2(addTimer("Timer2", 1000, false)),
      Timer4(addTimer("Timer4", 200, true)), Timer5(addTimer("Timer5", 60000, true)),
      Timer6(addTimer("Timer6", 4000, false)), Timer7(addTimer("Timer7", 30, true)),
      Timer8(addTimer("Timer8", 1000, false)), Timer9(addTimer("Timer9", 500, false)),
      Timer10(addTimer("Timer10", 1000, false)), Timer11(addTimer("Timer11", 1000, false)),
      Timer13(addTimer("Timer13", 30, false)), Timer14(addTimer("Timer14", 3000, false)),
      Timer15(addTimer("Timer15", 0, false)), Timer16(addTimer("Timer16", 500, false)),
      Timer17(addTimer("Timer17", 3000, false)), Timer18(addTimer("Timer18", 3000, false)),
      Timer19(addTimer("Timer19", 6000, false)), Timer20(addTimer("Timer20", 60000, false)),
      Timer21(addTimer("Timer21", 1000, false)), Timer22(addTimer("Timer22", 200, true)),
      Timer23(addTimer("Timer23", 1000, false)), Timer33(addTimer("Timer33", 0, true)) {
    caption = "ORBEK";
    width = 15360;
    height = 11520;
    for (int i = 0; i <= 10; ++i)
        addElement(Label5, "Label5", i, label("", "0"));
    addElement(Label2, "Label2", 0, label("", ""));
    addElement(Label7, "Label7", 0, label("", "---"));
    for (int n = 1; n <= kPortCount; ++n)
        mncom.set(n, add(menu("mncom" + std::to_string(n), portCaption(n), "mnPCom")));
}

} // namespace orbek
