// The data logger dialog `DataLogger`: four numbered steps (file type, separator and file;
// columns; interval; START), the set-up kept in TypeFile.ini, and the main window's menu entry
// that opens it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace orbek {
class Station;
}

namespace orbek::logging {

// The eleven interval buttons: caption, minutes, and the text the main window shows.
struct Interval {
    const char* caption;
    int minutes;
    const char* text;
};
extern const std::array<Interval, 11> kIntervals;

// TypeFile.ini: the file type, the sixteen boxes, the log file path and the eleven interval
// buttons, one per line.
struct TypeFile {
    uint8_t type = 0;
    std::array<uint8_t, 16> checks{};
    std::string path;
    std::array<uint8_t, 11> intervals{};
};
std::vector<std::string> typeFileLines(const TypeFile& file);
// Reads TypeFile.ini; what it lacks or cannot be read is the default, and the event list
// says so.
TypeFile readTypeFile(Station& s);
void writeTypeFile(Station& s);

// "Create Data Logger": the dialog, modal.
void mnufichierdatalogger_Click(Station& s);

// The dialog's handlers.
void DataLogger_Load(Station& s);
void DataLogger_Timer1_Tick(Station& s);
void DataLogger_Timer12_Tick(Station& s);
void Option1_Click(Station& s, int index);
void Option2_Click(Station& s, int index);
void Check1_Click(Station& s, int index);
void Sel_Click(Station& s, int index);
void EffaceBouton(Station& s);
void ActSelClic(Station& s);
void Command1_Click(Station& s);
void EErase_Click(Station& s);
void EAppend_Click(Station& s);
void Activation_Click(Station& s);

// Connects the dialog, the writer and the two menu entries.
void wire(Station& s);

} // namespace orbek::logging
