// Operator and service levels: the password box, the access words of Name.inc and the menus
// each level shows.
#pragma once

#include <string>
#include <vector>

namespace orbek {
class Station;
}

namespace orbek::app {

// Checks the typed word against Name.inc: level 0, level 1, or the end of the station (at the
// first box; a box asked for again keeps the level and says "Wrong access word").
void OkStart_Click(Station& s);
// "Start in SERVICE Mode": the password box again, which may be cancelled once a word was
// accepted.
void mnuPESERVICE_Click(Station& s);
// "Cancel" (or Escape) in a password box asked for again: closed, the level kept.
void AnnulerStart_Click(Station& s);
// "Start in OPERATOR Mode": back to level 0 without a word.
void mnuPEMUser_Click(Station& s);

// Shows the password box a third of the way into the window and puts the focus in its field.
void showPasswordBox(Station& s);
// Shows the menus of the level held in ServiceLevel.
void applyLevelMenus(Station& s);
// The two access words of Name.inc (operator, service); a word the file lacks is the one
// start-up would have written, and the event list says so.
std::vector<std::string> accessWords(Station& s);
void Timer13_Tick(Station& s);

} // namespace orbek::app
