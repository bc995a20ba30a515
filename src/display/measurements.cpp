#include "display/measurements.hpp"

#include "app/shell.hpp"
#include "app/station.hpp"
#include "core/text.hpp"
#include "display/plot.hpp"
#include "link/supervision.hpp"
#include "run/start_stop.hpp"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

namespace orbek::display {

namespace {

constexpr uint32_t kBatteryGrey = colour::rgb(224, 224, 224);
constexpr Rgb kBarCyan{0, 255, 255};
constexpr Rgb kBlack{0, 0, 0};

// The value of a scale factor of DataCoeff.ini: an empty one (nothing, or a box emptied in the
// parameter window) becomes "1" for good; one that is not a number leaves its row as it was and
// is reported once.
std::optional<double> coefficient(Station& s, std::size_t k) {
    Variant& c = s.state.Coefficients[k];
    if (c.isEmpty() || c.toText().find_first_not_of(" \t") == std::string::npos) {
        c = Variant("1");
        // A parameter window loaded meanwhile (a holder reading loads it) shows it when it opens
        // again, as one loaded later does; an open one keeps what the user is typing.
        ParametresWindow& p = *s.models().Parametres;
        Control& box = p.Text2[static_cast<int>(k)];
        if (p.loaded() && !p.shown() && box.caption->find_first_not_of(" \t") == std::string::npos)
            box.caption = "1";
    }
    const auto value = strictNumber(c.toText());
    bool& reported = s.coefficientReported[k];
    if (!value) {
        if (!reported)
            s.addEvent("DataCoeff.ini: coefficient " + std::to_string(k) + " (line " +
                       std::to_string(k + 1) + ") is not a number: \"" + c.toText() + "\"");
        reported = true;
        return std::nullopt;
    }
    reported = false;
    return value;
}

bool fahrenheit(Station& s) {
    return s.state.Coefficients[8].toNumber() != 0;
}

// value x coefficient k (/ divisor) into the cell, with one decimal; false when the
// coefficient leaves the cell as it was.
bool scaledCell(Station& s, Control& cell, int16_t x, std::size_t k, double divisor = 1.0) {
    const auto c = coefficient(s, k);
    if (!c) return false;
    const double scaled = x * *c / divisor;
    s.state.ScaledValue = scaled;
    cell.caption = fixedOneDecimal(scaled);
    return true;
}

void magnetronTemperature(Station& s, int16_t x) {
    StationState& st = s.state;
    StartWindow& w = s.Start();
    if (x >= 128) x = 127;
    st.RxFrame[2] = x;
    st.Readings[7] = x;
    drawThermometer(s, x);
    w.Timer6.stop();
    w.Label11.visible = false;
    w.Label12.visible = false;
    link::Activer_Valeurs(s);
    if (fahrenheit(s)) {
        const float f = static_cast<float>(x) * 9.0f / 5.0f + 32.0f;
        w.Label5[4].caption = plainSingle(f) + " F";
        st.MagnetronTempShown = toInt16(f);
    } else {
        w.Label5[4].caption = signedNumber(x) + "°C";
        st.MagnetronTempShown = x;
    }
    link::valueSet(s, 4);
    app::TableDegres(s);
    w.Stopbouton.enabled = true;
    if (x > 120) run::StopTemp(s);
}

void supplyHalfVoltage(Station& s, int16_t x) {
    StationState& st = s.state;
    StartWindow& w = s.Start();
    st.SupplyLevel = static_cast<int16_t>(2 * x);
    if (st.LampPhase >= 4) return;
    scaledCell(s, w.Label5[3], x, 3, 100.0);
    if (st.LampPhase > 0) {
        if (st.SupplyLevel < 150)
            w.Timer8.start();
        else
            w.Timer8.stop();
    }
}

} // namespace

void onMeasurement(Station& s, int16_t code, int16_t x) {
    StationState& st = s.state;
    StartWindow& w = s.Start();
    switch (code) {
    case 251:
        magnetronTemperature(s, x);
        break;
    case 246:
        if (x == 1) levelPulse(s);
        break;
    case 250:
        st.Readings[16] = x;
        st.ScaledValue = static_cast<double>(x);
        w.Label5[0].caption = plainNumber(x);
        link::valueSet(s, 0);
        break;
    case 249:
        st.Readings[0] = x;
        if (scaledCell(s, w.Label5[1], x, 1)) link::valueSet(s, 1);
        break;
    case 248:
        if (st.LampPhase < 4) scaledCell(s, w.Label5[2], x, 2, 100.0);
        break;
    case 247:
        supplyHalfVoltage(s, x);
        break;
    case 235:
        st.Readings[1] = x;
        if (scaledCell(s, w.Label5[6], x, 4)) link::valueSet(s, 6);
        break;
    case 234:
        st.Readings[2] = x;
        if (scaledCell(s, w.Label5[7], x, 6)) link::valueSet(s, 7);
        break;
    case 233:
        st.Readings[3] = x;
        if (scaledCell(s, w.Label5[8], x, 5)) link::valueSet(s, 8);
        break;
    case 232:
        st.Readings[4] = x;
        if (const auto c = coefficient(s, 7)) {
            st.ScaledValue = x * *c;
            w.Label5[9].caption = plainNumber(x * *c).substr(0, 6);
            link::valueSet(s, 9);
        }
        st.ExtBoardPresent = x == 255 ? 0 : 1;
        break;
    default:
        break;
    }
}

void onHolderTemperature(Station& s, int16_t x) {
    StationState& st = s.state;
    StartWindow& w = s.Start();
    if (x >= 129) x = 128;
    st.RxFrame[2] = x;
    st.Readings[6] = x;
    // The texts stay in Celsius whatever the display unit: the alarm and the log read them.
    const double offset = leadingNumber(s.Parametres().Text2[0].caption);
    const double corrected = x + offset;
    st.HolderTempRaw = plainNumber(x);
    st.HolderTempText = plainNumber(corrected);
    st.HolderTempLabel = st.HolderTempText + "°C";
    st.HolderTempShown = toInt16(leadingNumber(st.HolderTempText));
    if (fahrenheit(s)) {
        const float f = static_cast<float>(corrected) * 9.0f / 5.0f + 32.0f;
        w.Label5[10].caption = plainSingle(f) + " F";
    } else {
        w.Label5[10].caption = st.HolderTempLabel;
    }
    link::valueSet(s, 10);
}

void refreshExternalBoard(Station& s) {
    StartWindow& w = s.Start();
    const bool present = s.state.ExtBoardPresent == 1;
    for (Control* c : {&w.Label16, &w.Label14, &w.Label15, &w.Label37, &w.Label25, &w.Label24,
                       &w.Label26, &w.Label27, &w.Label5[6], &w.Label5[7], &w.Label5[8],
                       &w.Label5[10], &w.Label13[4], &w.Label13[5], &w.Label13[6], &w.Label13[7]})
        c->enabled = present;
    w.Line15.visible = present;
    w.Line17.visible = !present;
    if (!present) {
        for (int i : {6, 7, 8, 10})
            w.Label5[i].caption = "0";
        w.StartHalogen.visible = false;
        w.StopHalogen.visible = false;
    }
}

void drawThermometer(Station& s, int celsius) {
    PictureCanvas& bar = s.Start().Picture6Canvas;
    Station::BarDrawn& drawn = s.thermometerDrawn;
    if (drawn.revision != bar.revision()) {
        // Something else drew on the bar since: the whole picture again.
        bar.clear();
        bar.line(0, 0, 0, 300, kBlack);
        bar.line(0, 0, 7, 0, kBlack);
        bar.line(7, 0, 7, 300, kBlack);
        bar.box(1, 256, 6, 256 - 2 * celsius, kBarCyan, true);
    } else {
        // Only the rows between the old level and the new one change; each gets what the
        // whole drawing above leaves there, so the picture is the same.
        const auto inBar = [](int y, int level) {
            return y >= std::min(256, 256 - 2 * level) && y <= std::max(256, 256 - 2 * level);
        };
        const int from = std::max(0, std::min({256 - 2 * drawn.celsius, 256 - 2 * celsius, 256}));
        const int to =
            std::min(bar.height() - 1, std::max({256 - 2 * drawn.celsius, 256 - 2 * celsius, 256}));
        for (int y = from; y <= to; ++y) {
            const bool now = inBar(y, celsius);
            if (now == inBar(y, drawn.celsius)) continue;
            bar.box(1, y, 6, y, now ? kBarCyan : y == 0 ? kBlack : bar.background(), true);
        }
    }
    drawn = {celsius, bar.revision()};
}

void wireMeasurements(Station& s) {
    StartWindow& w = s.Start();
    // The battery cell flashes red for half a second every second while the supply is low.
    w.Timer8.setTick([&s] {
        s.Start().Label5[3].backColour = colour::rgb(255, 0, 0);
        s.Start().Timer9.start();
    });
    w.Timer9.setTick([&s] {
        s.Start().Label5[3].backColour = kBatteryGrey;
        s.Start().Timer9.stop();
    });
}

} // namespace orbek::display
