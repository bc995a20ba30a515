#include "app/port_selection.hpp"

#include "app/station.hpp"
#include "core/files.hpp"
#include "core/text.hpp"
#include "link/comm.hpp"
#include "link/supervision.hpp"

#include <cstdio>

namespace orbek::app {

namespace {

std::string portName(Station& s, int number) {
    return "COM " + std::to_string(number) + " (" + s.port.deviceName(number) + ")";
}

// The event-list line, and for a device that is there but cannot be opened a box, once for
// each new reason.
void tellOpenFailure(Station& s, int number) {
    const OpenError error = s.port.lastError();
    const std::string told = std::to_string(number) + "|" + error.reason;
    // Start-up looks at the port twice: a failure already listed is not listed again until the
    // port has been open.
    if (s.portWatch.listed != told)
        s.addEvent(portName(s, number) + " could not be opened" +
                   (error.reason.empty() ? std::string() : ": " + error.reason));
    s.portWatch.listed = told;
    if (error.kind == OpenFailure::NoDevice || error.kind == OpenFailure::None) return;
    if (s.portWatch.boxed == told) return;
    s.portWatch.boxed = told;
    s.ui.message({" Error !", openFailureText(number, s.port.deviceName(number), error),
                  MsgIcon::Critical, MsgButtons::Ok});
}

} // namespace

std::string openFailureText(int number, const std::string& device, const OpenError& error) {
    std::string text = "COM " + std::to_string(number) + " could not be opened.\r\nDevice: " +
                       (error.device.empty() ? device : error.device);
    if (!error.owner.empty() && error.kind == OpenFailure::NoPermission) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", error.mode);
        text += " (owner " + error.owner + ", group " + error.deviceGroup + ", mode " + mode + ")";
    }
    text += "\r\nReason: " + error.reason;
    switch (error.kind) {
    case OpenFailure::NoPermission:
        if (!error.group.empty() || error.owner.empty()) {
            text += "\r\n\r\nAdd your user to the " +
                    (error.group.empty() ? std::string("dialout") : error.group) +
                    " group, then log in again.";
        } else {
            // Its group may not use it, or is root's: joining a group does not help.
            const std::string name = pathFromText(error.device).filename().string();
            text += "\r\n\r\nAsk the administrator to give the device to the dialout group with "
                    "read and write for the group, for instance with the udev rule\r\n"
                    "    KERNEL==\"" +
                    name +
                    "\", GROUP=\"dialout\", MODE=\"0660\"\r\nthen add your user to the "
                    "dialout group and log in again.";
        }
        break;
    case OpenFailure::InUse:
        if (!error.staleLock.empty())
            text += "\r\n\r\nNo program has the device open, but the lock file " + error.staleLock +
                    " of process " + std::to_string(error.lockPid) +
                    ", which no longer holds it, stands in the way. Only " + error.owner +
                    " or the administrator may remove it:\r\n    sudo rm " + error.staleLock +
                    "\r\nthen start the station again.";
        else
            text += "\r\n\r\n" +
                    (error.holder.empty() ? std::string("Another program is using this device.")
                                          : "The device is in use by " + error.holder + ".") +
                    " Close that program, then start the station again.";
        break;
    default:
        break;
    }
    return text;
}

void showPortDevices(Station& s) {
    if (s.port.simulated()) return;
    StartWindow& w = s.Start();
    for (int n = 1; n <= StartWindow::kPortCount; ++n) {
        Control& entry = w.mncom[n];
        const std::string design = entry.caption.substr(0, entry.caption.find('\t'));
        entry.caption =
            design + "\t" + s.port.deviceName(n) + (s.port.devicePresent(n) ? "" : "  (missing)");
    }
}

void portLost(Station& s) {
    if (s.port.isOpen()) s.port.close();
    link::linkInterrupted(s);
    // Whatever the controller did meanwhile, the values and the run shown are from before.
    link::valuesOutdated(s);
    // A frame cut short by the loss is not carried over into the next line.
    s.state.RxText.clear();
    s.receiver = link::Receiver();
    s.port.setReceiveThreshold(link::kReplyLength);
    s.portWatch.reopening.clear();
    if (s.portWatch.opened != 0) s.Start().Timer34.start();
    setMainCaption(s);
    showPortDevices(s);
    s.tell({"port_lost", {{"port", "COM " + std::to_string(s.portWatch.opened)}}});
}

void Timer34_Tick(Station& s) {
    StartWindow& w = s.Start();
    const int number = s.portWatch.opened;
    if (s.port.isOpen()) {
        w.Timer34.stop();
        return;
    }
    if (!s.port.reopen(number)) {
        // While the device is away every try fails alike; any other reason is told once.
        const OpenError error = s.port.lastError();
        const std::string reason = error.kind == OpenFailure::NoDevice ? "" : error.reason;
        if (reason != s.portWatch.reopening && !reason.empty())
            s.addEvent(portName(s, number) + " could not be opened again: " + reason);
        s.portWatch.reopening = reason;
        return;
    }
    w.Timer34.stop();
    s.addEvent(portName(s, number) + " opened again");
    s.tell({"port_back", {{"port", "COM " + std::to_string(number)}}});
    setMainCaption(s);
    showPortDevices(s);
}

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
    const auto lines = s.configLines(file);
    const auto first =
        lines && !lines->empty() ? std::optional(lines->front()) : std::optional<std::string>();
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
    showPortDevices(s);
    if (st.ComPortNumber == 0 && !simulated) return;

    // A second call while the port is open repeats the display only.
    if (!s.port.isOpen() && !s.port.open(st.ComPortNumber)) tellOpenFailure(s, st.ComPortNumber);

    if (s.port.isOpen()) {
        s.portWatch.opened = st.ComPortNumber;
        s.portWatch.listed.clear();
        w.Timer34.stop();
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
