// The station's icon from the program's own resources, so that every window carries it whether
// the station is installed or run from the build folder.
#pragma once

#include <QIcon>

namespace orbek::qt {

// The 48 and 256 pixel renderings of the icon installed under share/icons/hicolor.
QIcon stationIcon();

} // namespace orbek::qt
