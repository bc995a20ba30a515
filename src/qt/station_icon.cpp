#include "qt/station_icon.hpp"

namespace orbek::qt {

QIcon stationIcon() {
    QIcon icon;
    for (int size : {48, 256})
        icon.addFile(QStringLiteral(":/icons/org.orbek.station-%1.png").arg(size),
                     QSize(size, size));
    return icon;
}

} // namespace orbek::qt
