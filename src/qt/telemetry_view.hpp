// The view of the telemetry window: read-only rows (broker, topics, connection, counts, last
// error, event command) and Close.
#pragma once

#include "qt/code_views.hpp"

namespace orbek::qt {

class TelemetryView : public ModelDialog {
    Q_OBJECT
  public:
    TelemetryView(Station& station, QWidget* parent);
};

} // namespace orbek::qt
