// Start-up of the station: the main window's load (folder, port file, port) and the one-shot
// start-up timer that creates the configuration files and loads the settings.
#pragma once

namespace orbek {
class Station;
}

namespace orbek::app {

// Stage 1, the main window's load handler.
void Form_Load(Station& s);

} // namespace orbek::app
