#include "app/port_selection.hpp"

#include "app/station.hpp"
#include "core/files.hpp"
#include "core/text.hpp"
#include "link/comm.hpp"

namespace orbek::app {

void port(Station& s) {
    StartWindow& w = s.Start();
    for (int n = 1; n <= StartWindow::kPortCount; ++n)
        w.mncom[n].checked = false;
}

void ActivePort(Station& s) {
    StartWindow& w = s.Start();
    for (int n = 1; n <= StartWindow::kPortCount; ++n)
        w.mncom[n].enabled = true;
}

void DesactivePort(Station& s) {
    StartWindow& w = s.Start();
    for (int n = 1; n <= StartWindow::kPortCount; ++n)
        w.mncom[n].enabled = false;
}

void mncom_Click(Station& s, int number) {
    port(s);
    s.Start().mncom[number].checked = true;
    s.state.ComPortNumber = static_cast<int16_t>(number);
    SauveComX(s);
}

void SauveComX(Station& s) {
    StationState& st = s.state;
    st.ComPortText = std::to_string(st.ComPortNumber);
    const auto file = s.appFile("status.ini");
    std::string why;
    if (!files::writeLines(file, {st.ComPortText}, &why)) {
        // The station keeps running on its present port rather than claim a saved choice.
        s.reportFileProblem(file, "written", why);
        s.ui.message({" Error !",
                      "The port choice could not be saved.\r\n" + pathText(file) + ": " + why,
                      MsgIcon::Critical, MsgButtons::Ok});
        return;
    }
    if (s.port.simulated()) {
        // Closing would gain nothing: the running station stays on the simulated controller.
        s.ui.message({" Info",
                      "Save Confirmed Selections \r\nCOM " + st.ComPortText +
                          " opens at the next start on the real line (without --simulate).\r\n"
                          "The simulated controller stays in use until then.",
                      MsgIcon::Information, MsgButtons::Ok});
        return;
    }
    s.ui.message({"ORBEK", "Save Confirmed Selections \r\nRe-Start Program ", MsgIcon::Information,
                  MsgButtons::Ok});
    s.endProgram();
}

void Lecture_MSCOM(Station& s) {
    StationState& st = s.state;
    const auto file = s.appFile("status.ini");
    const bool simulated = s.port.simulated();
    const auto first = files::readFirstLine(file);
    // The simulated controller needs no saved port; a missing file is then no problem.
    if (!first && !files::exists(file) && !simulated)
        s.reportFileProblem(file, "read", "no such file");
    st.ComPortLine = first.value_or("");
    st.ComPortNumber = toInt16(leadingNumber(st.ComPortLine));
    st.ComPortText = first.value_or("");

    port(s);
    StartWindow& w = s.Start();
    const double wanted = leadingNumber(st.ComPortText);
    for (int n = 1; n <= StartWindow::kPortCount; ++n) {
        if (wanted == n) {
            w.mncom[n].checked = true;
            st.ComPortNumber = static_cast<int16_t>(n);
            break;
        }
    }
    if (st.ComPortNumber == 0 && !simulated) return;

    // A second call while the port is open repeats the display only.
    if (!s.port.isOpen() && !s.port.open(st.ComPortNumber)) {
        const std::string why = s.port.error();
        s.addEvent("COM " + std::to_string(st.ComPortNumber) + " (" +
                   s.port.deviceName(st.ComPortNumber) + ") could not be opened" +
                   (why.empty() ? std::string() : ": " + why));
    }

    if (s.port.isOpen()) {
        w.Startbouton.backColour = colour::lightGrey;
        w.Startbouton.visible = true;
        w.Label7[0].backColour = colour::lightGreen;
        w.Label7[0].caption = "Activated";
        w.mnufichierdatalogger.checked = false;
        w.mnuDataloggerOFF.checked = true;
        w.Timer6.stop();
        w.Label11.visible = false;
        w.Label12.visible = false;
        link::Activer_Valeurs(s);
    } else {
        w.Label7[0].backColour = colour::red;
        w.Label7[0].caption = "Error! Select COM Port ";
        w.Timer6.start();
    }
}

std::string portCaption(const Station& s) {
    if (s.port.isOpen())
        return s.port.simulated() ? "     Simulated controller is activated   "
                                  : "     Port RS232 port is activated   ";
    if (s.state.ComPortNumber == 0) return "     No RS232 port chosen   ";
    return "     Port COM " + std::to_string(s.state.ComPortNumber) + " is not open   ";
}

void setMainCaption(Station& s) {
    const StationState& st = s.state;
    // "x.xxx" until the controller has told its version.
    s.Start().caption = "ORBEK V: " + st.SoftwareVersion + "h / BS2p24 - V: " +
                        (st.StampVersion.empty() ? std::string("x.xxx") : st.StampVersion) +
                        portCaption(s) + st.BasePath;
}

} // namespace orbek::app
