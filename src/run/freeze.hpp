// The freeze order of phase 4 and the wait box that counts the lamp's cooling down.
#pragma once

namespace orbek {
class Station;
}

namespace orbek::run {

void mnuFreeze_Click(Station& s);
// Opens the wait box modal; returns when it closes.
void showWaitBox(Station& s);

void wireFreeze(Station& s);

} // namespace orbek::run
