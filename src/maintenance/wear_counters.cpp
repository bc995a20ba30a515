#include "maintenance/wear_counters.hpp"

#include "app/station.hpp"
#include "core/files.hpp"
#include "core/text.hpp"

#include <string>
#include <vector>

namespace orbek::maintenance {

namespace {

constexpr int kCounterLines = 3;    // Counter.ini: uptime slots 15, 16, 17
constexpr int kUptimeSlot = 15;     // first of the three uptime slots
constexpr uint8_t kMinuteTop = 240; // four hours of minutes, kept one minute before the carry
constexpr int kEraseTries = 15;     // the erase request gives up after the sixteenth tick

std::filesystem::path counterFile(Station& s) {
    return s.appFile("Counter.ini");
}

// Hours of the group whose minute slot is `first`: whole hours of the minutes plus four per block.
int groupHours(const StationState& st, int first) {
    const int minutes = st.WearBytes[static_cast<std::size_t>(first)];
    const int low = st.WearBytes[static_cast<std::size_t>(first + 1)];
    const int high = st.WearBytes[static_cast<std::size_t>(first + 2)];
    return minutes / 60 + 4 * (low + 256 * high);
}

// The minute slot runs 0..240; then the block count carries, and 240, 255, 255 wraps to zero.
void advanceUptime(StationState& st) {
    uint8_t& minutes = st.WearBytes[15];
    uint8_t& low = st.WearBytes[16];
    uint8_t& high = st.WearBytes[17];
    if (minutes < kMinuteTop) {
        ++minutes;
        return;
    }
    minutes = 0;
    if (low < 255) {
        ++low;
        return;
    }
    low = 0;
    high = high < 255 ? static_cast<uint8_t>(high + 1) : 0;
}

void saveUptime(Station& s, const std::vector<std::string>& lines) {
    UsuresWindow& u = *s.models().Usures;
    const auto path = counterFile(s);
    if (u.counterFileHeld) return;
    std::string why;
    if (files::writeLines(path, lines, &why)) {
        u.counterWriteReported = false;
    } else if (!u.counterWriteReported) {
        // Once a minute would flood the list; the next good write clears the mark.
        u.counterWriteReported = true;
        s.reportFileProblem(path, "written", why);
    }
}

// Timer4: the uptime counter from Counter.ini, before the first display pass of this load.
void readCounterFile(Station& s) {
    StationState& st = s.state;
    UsuresWindow& u = s.Usures();
    const auto path = counterFile(s);
    std::vector<std::string> fields;
    u.counterFileHeld = false;
    auto items = s.configItems(path);
    if (items) {
        fields = std::move(*items);
        if (fields.size() < kCounterLines)
            s.reportShortFile(path, "holds " + std::to_string(fields.size()) + " of " +
                                        std::to_string(kCounterLines) +
                                        " lines: the missing ones count as zero");
        for (std::size_t i = 0; i < fields.size() && i < kCounterLines; ++i)
            if (fields[i].find_first_not_of("01") != std::string::npos)
                s.reportShortFile(path, "line " + std::to_string(i + 1) +
                                            " is not a bit pattern: its other characters count "
                                            "as 0");
    } else if (files::exists(path)) {
        // Writing zeros over a count that is only unreadable for now would lose it.
        u.counterFileHeld = true;
        s.reportFileProblem(path, "read", "the uptime counter is not saved until it can be");
    }
    // A missing file is no fault: the counter starts at zero and the next pass creates it.
    for (int i = 0; i < kCounterLines; ++i) {
        const std::string field =
            static_cast<std::size_t>(i) < fields.size() ? fields[static_cast<std::size_t>(i)] : "";
        st.WearBytes[static_cast<std::size_t>(kUptimeSlot + i)] = patternByte(field);
    }
    u.Timer4.stop();
    st.CounterFileJustRead = 1;
    u.Timer2.start();
}

// Timer1: the erase buttons follow the run; the access codes come from SWord.inx.
void readAccessCodes(Station& s) {
    StationState& st = s.state;
    UsuresWindow& u = s.Usures();
    const bool stopped = eraseAllowed(s);
    for (int i = 0; i < 3; ++i) {
        u.Activation[i].enabled = stopped;
        u.Text1[i].enabled = stopped;
    }
    const auto path = s.paths.userFile("SWord.inx");
    const auto codes = s.configItems(path);
    std::size_t found = codes ? codes->size() : 0;
    for (std::size_t i = 0; i < 3; ++i) {
        st.EraseCodes[i] = i < found ? (*codes)[i] : std::string();
        // A counter without a code stays locked: an empty entry must not erase it.
        if (st.EraseCodes[i].empty()) u.Activation[static_cast<int>(i)].enabled = false;
    }
    if (!codes)
        s.reportFileProblem(path, "read", "the wear counters cannot be erased");
    else if (found < 3)
        s.reportShortFile(path, "holds " + std::to_string(found) +
                                    " of 3 access codes: the counters without one stay locked");
    u.Timer1.stop();
}

// Timer3: the erase request, once a second, until confirmed or given up.
void eraseRequestTick(Station& s) {
    StationState& st = s.state;
    s.sendOrder(199, st.EraseSelection);
    ++st.NoReplyCount;
    if (st.NoReplyCount <= kEraseTries) return;
    st.NoReplyCount = 0;
    s.Usures().Timer3.stop();
    s.ui.message({" Error !", "No Communication With Machine ! ", MsgIcon::None, MsgButtons::Ok});
}

} // namespace

bool eraseAllowed(const Station& s) {
    return s.state.LampPhase < 1 && s.state.RunStarted == 0;
}

std::string bitPattern(uint8_t value) {
    std::string bits;
    int rest = value;
    for (int weight = 128; weight >= 1; weight /= 2) {
        if (weight <= rest) {
            bits += '1';
            rest -= weight;
        } else {
            bits += '0';
        }
    }
    return bits;
}

uint8_t patternByte(const std::string& line) {
    const std::string padded = "00000000" + line;
    const std::string bits = padded.substr(padded.size() - 8);
    int value = 0;
    for (char c : bits)
        value = value * 2 + (c == '1' ? 1 : 0);
    return static_cast<uint8_t>(value);
}

void UsuresDisplayPass(Station& s) {
    StationState& st = s.state;
    UsuresWindow& u = s.Usures();
    if (st.LampPhase == 4) {
        u.Label4.backColour = colour::green;
        u.Label4.foreColour = colour::black;
    }
    u.Label32.caption = std::to_string(st.WearBytes[15]);
    u.Label33.caption = std::to_string(st.WearBytes[16]);
    u.Label34.caption = std::to_string(st.WearBytes[17]);
    // The burst that loads the window was already counted before Counter.ini was saved.
    if (!st.CounterFileJustRead) advanceUptime(st);
    u.Label27.caption = std::to_string(st.WearBytes[15]);
    u.Label28.caption = std::to_string(st.WearBytes[16]);
    u.Label29.caption = std::to_string(st.WearBytes[17]);
    st.CounterFileJustRead = 0;

    std::vector<std::string> lines;
    for (int n = 0; n <= 17; ++n) {
        const uint8_t value = st.WearBytes[static_cast<std::size_t>(n)];
        u.Label6[n].caption = bitPattern(value);
        u.Label15[n].caption = std::to_string(value);
        if (n % 5 == 2) u.Label5[n / 5].caption = std::to_string(groupHours(st, n - 2));
        if (n >= kUptimeSlot) lines.push_back(bitPattern(value));
    }
    saveUptime(s, lines);
    u.Timer2.stop();
}

void Activation_Click(Station& s, int index) {
    StationState& st = s.state;
    UsuresWindow& u = s.Usures();
    if (index < 0 || index > 2) return;
    const std::string& code = st.EraseCodes[static_cast<std::size_t>(index)];
    const bool match = !code.empty() && toUpper(u.Text1[index].caption) == toUpper(code);
    if (!match) {
        s.ui.message({"Password", "Error in Code !!! ", MsgIcon::Critical, MsgButtons::Ok});
        for (int i = 0; i < 3; ++i)
            u.Text1[i].caption.clear();
        u.setFocus(u.Text1[index].name);
        return;
    }
    st.EraseSelection = static_cast<uint8_t>(index + 1);
    st.NoReplyCount = 0;
    u.Timer3.start();
    for (int i = 0; i < 3; ++i)
        u.Activation[i].enabled = false;
    s.ui.message({"Password", "Code Correct ", MsgIcon::Information, MsgButtons::Ok});
    // The display reads zero at once; the stored bytes wait for the controller's next burst.
    const int first = 5 * index;
    for (int n = first; n <= first + 2; ++n) {
        u.Label6[n].caption = "00000000";
        u.Label15[n].caption = "0";
    }
    u.Label5[index].caption = "0";
    for (int i = 0; i < 3; ++i)
        u.Text1[i].caption.clear();
}

void ResetCompteurManuel_Click(Station& s) {
    StationState& st = s.state;
    UsuresWindow& u = s.Usures();
    // A deliberate reset replaces even a file that could not be read.
    u.counterFileHeld = false;
    u.counterWriteReported = false;
    saveUptime(s, std::vector<std::string>(kCounterLines, "00000000"));
    for (int n = kUptimeSlot; n <= 17; ++n) {
        st.WearBytes[static_cast<std::size_t>(n)] = 0;
        u.Label6[n].caption = "00000000";
        u.Label15[n].caption = "0";
    }
    u.Label5[3].caption = "0";
}

void wireWearCounters(Station& s) {
    UsuresWindow& u = *s.models().Usures;
    u.Timer1.setTick([&s] { readAccessCodes(s); });
    u.Timer2.setTick([&s] { UsuresDisplayPass(s); });
    u.Timer3.setTick([&s] { eraseRequestTick(s); });
    u.Timer4.setTick([&s] { readCounterFile(s); });
    for (int i = 0; i < 3; ++i)
        u.on(u.Activation[i].name, [&s, i] { Activation_Click(s, i); });
    u.on("ResetCompteurManuel", [&s] { ResetCompteurManuel_Click(s); });
    // The close box unloads the window; a later burst or the menu loads it again.
    u.on("Form_Unload", [&s] { s.models().Usures->unload(); });
    s.models().Start->on("mnuusures", [&s] { s.Usures().show(); });
}

} // namespace orbek::maintenance
