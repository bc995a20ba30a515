#include "station/assembled_station.hpp"

#include "alarm/holder_alarm.hpp"
#include "app/shell.hpp"
#include "display/measurements.hpp"
#include "display/plot.hpp"
#include "link/catalogue.hpp"
#include "link/comm.hpp"
#include "logging/data_logger.hpp"
#include "maintenance/component_tests.hpp"
#include "maintenance/parameters.hpp"
#include "maintenance/wear_counters.hpp"
#include "run/freeze.hpp"
#include "run/power_halogen.hpp"
#include "run/start_stop.hpp"
#include "telemetry/telemetry.hpp"

namespace orbek {

AssembledStation::AssembledStation(Scheduler& scheduler_, SerialPort& port_, UiHost& ui_,
                                   WallClock& clock_, Paths paths_)
    : Station(scheduler_, port_, ui_, clock_, std::move(paths_)) {
    port.setEventHandler([this](CommEvent event) { link::MSComm1_OnComm(*this, event); });
    app::wireShell(*this);
    link::wireCodeDialogue(*this);
    link::wireTimers(*this);
    run::wire(*this);
    run::wirePowerHalogen(*this);
    run::wireFreeze(*this);
    display::wireMeasurements(*this);
    display::wirePlot(*this);
    logging::wire(*this);
    maintenance::wireWearCounters(*this);
    maintenance::wireComponentTests(*this);
    maintenance::wireParametres(*this);
    alarm::wireAlarm(*this);
    telemetry::wireWindow(*this);
}

} // namespace orbek
