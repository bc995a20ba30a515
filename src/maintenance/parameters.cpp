#include "maintenance/parameters.hpp"

#include "app/startup.hpp"
#include "app/station.hpp"
#include "core/files.hpp"
#include "core/text.hpp"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

namespace orbek::maintenance {

namespace {

constexpr int kMaxRequests = 16; // requests after the first: seventeen in all
constexpr int kResetRows[] = {4, 5, 10, 11};
constexpr int kCoefficientCount = 15;

const char* const kPortClosed = "Please Close This Window And \r\nStart RS232 Communication !";
const char* const kPortLost = "Please Close This Window And \r\nActivate The RS232 Communication !";
const char* const kBusy = "Stamp Is Busy, Or There Is a Communication Problem !";

Control& resetButton(ParametresWindow& p, int row) {
    switch (row) {
    case 4:
        return p.ResetAdr4;
    case 5:
        return p.ResetAdr5;
    case 10:
        return p.ResetAdr10;
    default:
        return p.ResetAdr11;
    }
}

void setResetButtons(ParametresWindow& p, bool enabled) {
    for (int row : kResetRows)
        resetButton(p, row).enabled = enabled;
}

void setParameterBoxes(ParametresWindow& p, bool enabled) {
    for (int i = 0; i <= kParameterCount; ++i)
        p.Text1[i].enabled = enabled;
}

// A parameter box as the byte it sends: blank is 0, otherwise a whole number 0..255.
std::optional<uint8_t> parameterByte(const std::string& text) {
    const bool blank = text.find_first_not_of(" \t") == std::string::npos;
    if (blank) return 0;
    const auto number = strictNumber(text);
    if (!number || *number < 0 || *number > 255 || std::floor(*number) != *number)
        return std::nullopt;
    return static_cast<uint8_t>(*number);
}

std::string twoDigits(int n) {
    return (n >= 0 && n < 10 ? "0" : "") + std::to_string(n);
}

int bcd(int n) {
    n %= 100;
    return (n / 10) * 16 + n % 10;
}

void closeMessage(Station& s, const char* text) {
    s.ui.message({" Error !", text, MsgIcon::Critical, MsgButtons::Ok});
}

// The write is over (finished, refused or cut): the receive watchdog runs again, the progress
// is hidden and the buttons come back; Validerwrite only when there is something to send.
void endWrite(Station& s, bool writeAgain) {
    ParametresWindow& p = s.Parametres();
    for (Timer* t : {&p.Timer4, &p.Timer5, &p.Timer8, &p.Timer9})
        t->stop();
    s.state.ParamSendIndex = 0;
    s.state.ClockSendIndex = 0;
    if (p.watchdogHeld) s.Start().Timer33.start();
    p.watchdogHeld = false;
    p.writing = false;
    for (Control* c : {&p.Label2, &p.ProgressBar1, &p.Label51, &p.ProgressBar2})
        c->visible = false;
    setResetButtons(p, true);
    if (s.state.RunStarted == 0) setParameterBoxes(p, true);
    p.Validerwrite.enabled = writeAgain;
    p.Lecture.enabled = s.state.RunStarted == 0 && s.state.RunActive != 1;
}

// The port closed in the middle of a transfer: nothing more goes out.
void cutWrite(Station& s, const std::string& what) {
    s.addEvent("Transfer to Stamp stopped (" + what + "): the RS232 port is closed");
    endWrite(s, true);
    closeMessage(s, kPortLost);
}

// An entry outside 0..70 gives way to the value in use: an emptied box would be saved and read
// back as 0 (an alarm threshold of 0 degrees).
void checkCoefficient(Station& s, int index, const char* message) {
    Control& box = s.Parametres().Text2[index];
    const double value = leadingNumber(box.caption);
    if (value >= 0 && value <= 70) return;
    s.ui.message({" Caution !", message, MsgIcon::Exclamation, MsgButtons::Ok});
    s.Parametres().Text2[index].caption =
        s.state.Coefficients[static_cast<std::size_t>(index)].toText();
}

void markUnit(ParametresWindow& p, bool celsius) {
    p.Degres.backColour = celsius ? ParametresWindow::kUnitMarked : colour::buttonFace;
    p.Fharen.backColour = celsius ? colour::buttonFace : ParametresWindow::kUnitMarked;
}

// Timer1, once after every load.
void loadSequence(Station& s) {
    ParametresWindow& p = s.Parametres();
    const auto& coefficients = s.state.Coefficients;
    for (int i = 0; i < kCoefficientCount; ++i)
        p.Text2[i].caption = coefficients[static_cast<std::size_t>(i)].toText();
    markUnit(p, coefficients[8].toNumber() == 0);
    for (int k = 0; k <= 6; ++k)
        p.Text15[k].caption = "0";
    p.Text15[7].caption = "16";
    const bool alarmOn = toInt16(leadingNumber(p.Text2[9].caption)) != 0;
    if (p.Check1.checked != alarmOn) {
        p.Check1.checked = alarmOn;
        Check1_Click(s);
    }
    p.Timer2.start();
    p.Timer1.stop();
}

// Timer2: reading and editing follow the run state, every second.
void controlLock(Station& s) {
    StationState& st = s.state;
    ParametresWindow& p = s.Parametres();
    if (st.RunStarted == 0) {
        // A read or an edit during a write would mix into the values being sent.
        const bool free = !p.writing;
        p.Lecture.enabled = free;
        setResetButtons(p, free);
        setParameterBoxes(p, free);
    } else {
        p.Lecture.enabled = false;
        p.Validerwrite.enabled = false;
        setResetButtons(p, false);
        setParameterBoxes(p, false);
    }
    // The run state as NS.ini holds it; an unreadable file keeps what the station knows.
    const auto path = s.appFile("NS.ini");
    const auto items = s.configItems(path);
    if (!items || items->size() < 4) {
        if (!p.runStateReported)
            s.reportFileProblem(path, "read", "the run state in memory is kept");
        p.runStateReported = true;
    } else {
        p.runStateReported = false;
        app::Read_NSINI(s);
    }
    if (st.RunActive == 1) p.Lecture.enabled = false;
}

// Timer3: the PC clock shown and kept in the clock registers.
void clockTick(Station& s) {
    ParametresWindow& p = s.Parametres();
    const DateTime t = s.clock.now();
    p.Label52.caption = twoDigits(t.hour) + ":" + twoDigits(t.minute) + ":" + twoDigits(t.second);
    p.Label53.caption = twoDigits(t.day) + "/" + twoDigits(t.month) + "/" + std::to_string(t.year);
    const auto registers = clockRegisters(t);
    for (int k : {0, 1, 2, 4, 5, 6})
        p.Text15[k].caption = std::to_string(registers[static_cast<std::size_t>(k)]);
}

// Timer7: the read request.
void readRequestTick(Station& s) {
    if (!s.port.isOpen()) return;
    StationState& st = s.state;
    s.sendOrder(243, 1);
    if (st.ReadRequestCount < kMaxRequests)
        ++st.ReadRequestCount;
    else
        s.Parametres().Timer7.stop();
}

// Timer8 and Timer4: the permission requests of the two halves of a write.
void writeRequestTick(Station& s, Timer& timer, uint8_t code, const char* busyTitle) {
    if (!s.port.isOpen()) return;
    StationState& st = s.state;
    if (st.WriteRequestCount < kMaxRequests) {
        s.sendOrder(code, 1);
        ++st.WriteRequestCount;
        return;
    }
    timer.stop();
    endWrite(s, true);
    s.ui.message({busyTitle, kBusy, MsgIcon::Exclamation, MsgButtons::Ok});
}

// Timer9: one parameter a second, then the clock handshake.
void parameterSendTick(Station& s) {
    StationState& st = s.state;
    ParametresWindow& p = s.Parametres();
    if (!p.writing) {
        // A permission that no write of this window asked for: nothing is sent.
        p.Timer9.stop();
        return;
    }
    p.Label2.caption = std::to_string(st.ParamSendIndex) + "/15";
    if (st.ParamSendIndex < kParameterCount) {
        if (!s.port.isOpen()) return cutWrite(s, "parameters");
        Control& box = p.Text1[st.ParamSendIndex];
        if (box.caption.empty()) box.caption = "0";
        const auto value = parameterByte(box.caption);
        if (!value) {
            s.addEvent("Transfer to Stamp stopped: parameter " + std::to_string(st.ParamSendIndex) +
                       " is not a number from 0 to 255");
            endWrite(s, true);
            return;
        }
        st.SendValue = *value;
        p.ProgressBar1.visible = true;
        p.Label2.visible = true;
        s.sendOrder(239, *value);
        s.addEvent("Send PC --> Stamp  " + signedNumber(st.SendValue));
        p.ProgressBar1.value = std::min<int>(p.ProgressBar1.max, p.ProgressBar1.value + 10);
        ++st.ParamSendIndex;
        return;
    }
    st.ParamSendIndex = 0;
    for (Timer* t : {&p.Timer7, &p.Timer8, &p.Timer9})
        t->stop();
    setResetButtons(p, true);
    if (!s.port.isOpen()) return cutWrite(s, "clock");
    p.ProgressBar2.value = 0;
    if (p.Text15[0].caption.empty()) {
        endWrite(s, true);
        s.ui.message({" Caution !", "There Is No DATA To Save !", MsgIcon::None, MsgButtons::Ok});
        return;
    }
    st.ClockSendIndex = 0;
    p.Timer4.start();
}

// Timer5: one clock register a second, each from the clock of its own moment.
void clockSendTick(Station& s) {
    StationState& st = s.state;
    ParametresWindow& p = s.Parametres();
    if (!p.writing) {
        p.Timer5.stop();
        return;
    }
    p.Label51.caption = std::to_string(st.ClockSendIndex) + "/8";
    if (st.ClockSendIndex < kClockRegisterCount) {
        if (!s.port.isOpen()) return cutWrite(s, "clock");
        Control& box = p.Text15[st.ClockSendIndex];
        if (box.caption.empty()) box.caption = "0";
        const uint8_t value = parameterByte(box.caption).value_or(0);
        st.SendValue = value;
        p.ProgressBar2.visible = true;
        p.Label51.visible = true;
        s.sendOrder(222, value);
        s.addEvent("Send PC --> Stamp   adr=" + signedNumber(st.ClockSendIndex) +
                   "   DATA= " + signedNumber(value));
        p.ProgressBar2.value = std::min<int>(p.ProgressBar2.max, p.ProgressBar2.value + 10);
        ++st.ClockSendIndex;
        return;
    }
    st.ClockSendIndex = 0;
    p.Label51.caption = "8/8";
    endWrite(s, true);
    s.ui.message({" Info", "Transfer Completed...", MsgIcon::Information, MsgButtons::Ok});
}

void entryCheck(Station& s) {
    s.Parametres().Timer6.stop();
    checkCoefficient(s, 7, "Entry from 0 - 70 °C");
    checkCoefficient(s, 0, "Entry from 0 - 70C");
}

} // namespace

const std::string& parameterHint(int index) {
    static const std::array<std::string, kParameterCount> hints{"8 < 10 < 20 [s]",
                                                                "10 < 12 < 30 [s]",
                                                                "15 < 20 < 25 [s]",
                                                                "1 < 10 < 255",
                                                                "",
                                                                "",
                                                                "0 < 5 < 20 [s]",
                                                                "20 < 50 < 130",
                                                                "20 < 30 < 70 [°C]",
                                                                "50  70  130",
                                                                "Return code error",
                                                                "Return Level",
                                                                "Return Level",
                                                                "Return Level",
                                                                ""};
    static const std::string none;
    return index >= 0 && index < kParameterCount ? hints[static_cast<std::size_t>(index)] : none;
}

int parameterDefault(int index) {
    static constexpr std::array<int, kParameterCount> defaults{50, 20, 15, 10, 0,   0,  5, 50,
                                                               35, 70, 0,  0,  115, 30, 0};
    return index >= 0 && index < kParameterCount ? defaults[static_cast<std::size_t>(index)] : 0;
}

std::array<int, kClockRegisterCount> clockRegisters(const DateTime& t) {
    return {bcd(t.second), bcd(t.minute), bcd(t.hour), 0,
            bcd(t.day),    bcd(t.month),  bcd(t.year), 16};
}

void Lecture_Click(Station& s) {
    StationState& st = s.state;
    if (!s.port.isOpen()) {
        closeMessage(s, kPortClosed);
        return;
    }
    ParametresWindow& p = s.Parametres();
    // The controller takes one exchange at a time: a read waits for the write to end.
    if (p.writing) return;
    for (int i = 0; i < kParameterCount; ++i)
        p.Text1[i].caption.clear();
    p.ProgressBar1.visible = false;
    p.Label2.visible = false;
    p.Timer8.stop();
    st.ParamSendIndex = 0;
    st.ReplyIndex = 0;
    st.ReadRequestCount = 0;
    p.Timer7.start();
    p.Lecture.enabled = false;
}

void Validerwrite_Click(Station& s) {
    StationState& st = s.state;
    if (!s.port.isOpen()) {
        closeMessage(s, kPortClosed);
        return;
    }
    ParametresWindow& p = s.Parametres();
    if (p.writing || st.RunStarted != 0) return;
    // Every value must fit the one byte it travels in; nothing is sent otherwise.
    for (int i = 0; i < kParameterCount; ++i) {
        if (parameterByte(p.Text1[i].caption)) continue;
        s.ui.message({" Caution !",
                      "Parameter " + std::to_string(i) + " = \"" + p.Text1[i].caption +
                          "\" : enter a whole number from 0 to 255 !",
                      MsgIcon::Exclamation, MsgButtons::Ok});
        return;
    }
    p.Lecture.enabled = false;
    p.ProgressBar1.value = 0;
    p.Validerwrite.enabled = false;
    setResetButtons(p, false);
    p.Timer7.stop();
    StartWindow& w = s.Start();
    // The receive watchdog would take the silence of a transfer for a lost link.
    p.watchdogHeld = true;
    w.Timer33.stop();
    if (p.Text1[0].caption.empty()) {
        // Nothing was read: the watchdog runs again, the write stays locked until a read or
        // "Default Settings" gives it values.
        endWrite(s, false);
        s.ui.message({" Caution !", "There Is Not DATA To Save !", MsgIcon::None, MsgButtons::Ok});
        return;
    }
    p.writing = true;
    setParameterBoxes(p, false);
    st.ParamSendIndex = 0;
    st.WriteRequestCount = 0;
    p.Timer8.start();
}

void stopTransfers(Station& s) {
    ParametresWindow& p = s.Parametres();
    for (Timer* t : {&p.Timer7, &p.Timer8, &p.Timer9})
        t->stop();
    if (!p.writing) return;
    s.addEvent("Transfer to Stamp stopped: the machine was stopped");
    endWrite(s, true);
}

void Setup_Click(Station& s) {
    ParametresWindow& p = s.Parametres();
    if (p.writing || s.state.RunStarted != 0) return;
    for (int i = 0; i < kParameterCount; ++i)
        p.Text1[i].caption = std::to_string(parameterDefault(i));
    p.Validerwrite.enabled = true;
}

void ResetAdr_Click(Station& s, int index) {
    ParametresWindow& p = s.Parametres();
    if (p.writing) return;
    p.Text1[index].caption = "0";
}

void Degres_Click(Station& s) {
    ParametresWindow& p = s.Parametres();
    markUnit(p, true);
    p.Text2[8].caption = "0";
}

void Fharen_Click(Station& s) {
    ParametresWindow& p = s.Parametres();
    markUnit(p, false);
    p.Text2[8].caption = "1";
}

void Check1_Click(Station& s) {
    Control& check = s.Parametres().Check1;
    check.caption = check.checked ? "SHT Alarm enabled (ON)" : "SHT Alarm disabled (OFF)";
}

void Form_Unload(Station& s) {
    // Reached without loading: this runs while the window unloads.
    ParametresWindow& p = *s.models().Parametres;
    StationState& st = s.state;
    for (Timer* t : {&p.Timer2, &p.Timer3, &p.Timer6, &p.Timer7, &p.Timer8})
        t->stop();
    p.Validerwrite.enabled = false;
    // A write cut by the closing hands the receive watchdog back.
    if (p.watchdogHeld && s.models().Start->loaded()) s.models().Start->Timer33.start();
    p.watchdogHeld = false;
    p.writing = false;
    p.Text2[9].caption = p.Check1.checked ? "1" : "0";
    bool changed = false;
    for (int i = 0; i < kCoefficientCount; ++i)
        changed =
            changed || p.Text2[i].caption != st.Coefficients[static_cast<std::size_t>(i)].toText();
    if (changed) {
        std::vector<std::string> lines;
        for (int i = 0; i < kCoefficientCount; ++i) {
            st.Coefficients[static_cast<std::size_t>(i)] = Variant(p.Text2[i].caption);
            lines.push_back(p.Text2[i].caption);
        }
        const auto path = s.appFile("DataCoeff.ini");
        std::string why;
        if (!files::writeLines(path, lines, &why)) {
            s.reportFileProblem(path, "written", why);
            s.ui.message({" Error !",
                          "The coefficients could not be saved in DataCoeff.ini:\r\n" + why +
                              "\r\nThey stay in use until the station is closed.",
                          MsgIcon::Critical, MsgButtons::Ok});
        }
    }
    if (p.Check1.checked && s.models().Start->loaded()) s.models().Start->Timer19.start();
}

void wireParametres(Station& s) {
    ParametresWindow& p = *s.models().Parametres;
    p.Timer1.setTick([&s] { loadSequence(s); });
    p.Timer2.setTick([&s] { controlLock(s); });
    p.Timer3.setTick([&s] { clockTick(s); });
    // The clock is for the eye and for the clock registers a write sends: while the window is
    // hidden and no clock write runs, nothing reads it, and it stops waking the station.
    p.Timer3.setWanted([&p] { return p.shown() || p.Timer4.enabled() || p.Timer5.enabled(); });
    p.Timer4.setTick([&s, &p] { writeRequestTick(s, p.Timer4, 224, " Caution !"); });
    p.Timer5.setTick([&s] { clockSendTick(s); });
    p.Timer6.setTick([&s] { entryCheck(s); });
    p.Timer7.setTick([&s] { readRequestTick(s); });
    p.Timer8.setTick([&s, &p] { writeRequestTick(s, p.Timer8, 241, " Attention !"); });
    p.Timer9.setTick([&s] { parameterSendTick(s); });

    p.on("Lecture", [&s] { Lecture_Click(s); });
    p.on("Validerwrite", [&s] { Validerwrite_Click(s); });
    p.on("Setup", [&s] { Setup_Click(s); });
    for (int row : kResetRows)
        p.on("ResetAdr" + std::to_string(row), [&s, row] { ResetAdr_Click(s, row); });
    p.on("Degres", [&s] { Degres_Click(s); });
    p.on("Fharen", [&s] { Fharen_Click(s); });
    p.on("Check1", [&s] { Check1_Click(s); });
    for (int i = 0; i < kCoefficientCount; ++i)
        p.on(element("Text2", i) + ":Change", [&p] { p.Timer6.start(); });
    p.on("Form_Unload", [&s] { Form_Unload(s); });
    // The close box: the window unloads, which runs its closing steps.
    p.on("Form_QueryUnload", [&p] { p.unload(); });

    s.models().Start->on("mnuparametres", [&s] { s.Parametres().show(); });
}

} // namespace orbek::maintenance
