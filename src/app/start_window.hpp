// The main window `Start`: the station's only permanent window, its controls, its menus, its
// picture areas and its timers.
#pragma once

#include "core/canvas.hpp"
#include "core/window.hpp"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>

namespace orbek {

// A picture area that stamps its changes (see Changes) and keeps the part of it they touched,
// so a view redraws only what changed.
class PictureCanvas : public RasterCanvas {
  public:
    // Pixels from (left, top) to (right, bottom), both included; empty when right < left.
    struct Area {
        int left = 0, top = 0, right = -1, bottom = -1;
        bool empty() const { return right < left || bottom < top; }
        bool operator==(const Area&) const = default;
    };

    using RasterCanvas::RasterCanvas;
    uint64_t revision() const { return revision_; }
    // The part drawn on since the last call (the whole picture before the first).
    Area takeChanged() { return std::exchange(changed_, Area{}); }

    void clear() override {
        touch(0, 0, width() - 1, height() - 1);
        RasterCanvas::clear();
    }
    void line(int x1, int y1, int x2, int y2, Rgb colour) override {
        touch(x1, y1, x2, y2);
        RasterCanvas::line(x1, y1, x2, y2, colour);
    }
    void box(int x1, int y1, int x2, int y2, Rgb colour, bool filled) override {
        touch(x1, y1, x2, y2);
        RasterCanvas::box(x1, y1, x2, y2, colour, filled);
    }
    void point(int x, int y, Rgb colour) override {
        touch(x, y, x, y);
        RasterCanvas::point(x, y, colour);
    }
    void text(int x, int y, const std::string& text, Rgb colour) override {
        touch(x, y, x + 6 * static_cast<int>(text.size()), y + 10);
        RasterCanvas::text(x, y, text, colour);
    }

  private:
    void touch(int x1, int y1, int x2, int y2) {
        revision_ = Changes::next();
        const int left = std::max(0, std::min(x1, x2));
        const int top = std::max(0, std::min(y1, y2));
        const int right = std::min(width() - 1, std::max(x1, x2));
        const int bottom = std::min(height() - 1, std::max(y1, y2));
        if (right < left || bottom < top) return;
        if (changed_.empty()) {
            changed_ = {left, top, right, bottom};
            return;
        }
        changed_ = {std::min(changed_.left, left), std::min(changed_.top, top),
                    std::max(changed_.right, right), std::max(changed_.bottom, bottom)};
    }

    uint64_t revision_ = 0;
    Area changed_{0, 0, width() - 1, height() - 1};
};

class StartWindow : public WindowModel {
  public:
    explicit StartWindow(Scheduler& scheduler);
    std::string stateText(const Control& control) const override;
    uint64_t stateTextsRevision() const override { return Timer8.switches(); }

    // Run buttons and phase
    Control& Startbouton;
    Control& Stopbouton;
    Control& Label22;

    // Light power
    ControlArray VScroll1; // element 5 only
    Control& Label8;
    Control& Label56;
    Control& Command7;

    // Halogen lamps
    Control& StartHalogen;
    Control& StopHalogen;

    // Readings panel: value cells, tags, row captions, units
    ControlArray Label5;  // 0..10
    ControlArray Label13; // 0..9
    Control& Label1;      // lamp plasma control
    Control& Label3;      // light flux control
    Control& Label16;     // light intensity
    Control& Label14;     // infrared light intensity
    Control& Label15;     // relative humidity at the samples
    Control& Label37;     // sample holder temperature
    Control& Label10;     // magnetron anode temperature
    Control& Label44;     // data logger row
    Control& Label9;      // setup battery voltage
    Control& Label4;      // processor power supply
    Control& Label18;
    Control& Label20;
    Control& Label25;
    Control& Label24;
    Control& Label26;
    Control& Label27;
    Control& Label28;
    Control& Label23;
    Control& Label21;
    Control& Label17;    // spare channel, outside the visible panel
    ControlArray Label2; // data logger state cell

    // Thermometer bar and its scale
    Control& Picture6;
    ControlArray Label6; // 0..9
    Control& Line15;     // 120 degree mark
    Control& Line17;     // 70 degree mark

    // Plot
    Control& Picture7; // scale strip
    Control& Picture5; // plot area
    Control& Label19;
    Control& Check1;
    Control& EffScreenGraph;
    Control& List1; // hidden scratch list

    // Event list and its view switch
    Control& List2;
    Control& Log;
    Control& Oscillo;

    // Link state
    ControlArray Label7;
    Control& Label11;
    Control& Label12;

    // Password box
    Control& Picture8;
    Control& Label30;
    Control& Text1;
    Control& OkStart;
    Control& AnnulerStart; // "Cancel": shown for a box asked for again from the File menu

    // Maker
    Control& Label29;

    // Menus, in the order of the menu bar
    Control& mnfichier;
    Control& mnuPEMUser;
    Control& mnuPESERVICE;
    Control& mnuEnregistrer; // "Record session...": the session as a scenario (service level)
    Control& ligne2;
    Control& mnquitter;
    Control& mnPCom;
    ControlArray mncom; // mncom[1] .. mncom[14]
    Control& mnufonctions;
    Control& mnuparametres;
    Control& mnutestscompos;
    Control& mnuusures;
    Control& mnuFreeze;
    Control& mnuVRamCpuStamp;
    Control& mnuVRamDs1307;
    Control& mnulg2;
    Control& mnuAdressesoft;
    Control& mnuTelemetry; // "Telemetry...": what the station tells the outside
    Control& mnuDatalogger;
    Control& mnufichierdatalogger;
    Control& mnuDataloggerOFF;
    Control& mnuCode;
    Control& mnucodeserreurs;
    Control& mnuCodeDialogue;

    Timer& Timer1;
    Timer& Timer2;
    Timer& Timer3;
    Timer& Timer4;
    Timer& Timer5;
    Timer& Timer6;
    Timer& Timer7;
    Timer& Timer8;
    Timer& Timer9;
    Timer& Timer10;
    Timer& Timer11;
    Timer& Timer12;
    Timer& Timer13;
    Timer& Timer14;
    Timer& Timer15;
    Timer& Timer16;
    Timer& Timer17;
    Timer& Timer18;
    Timer& Timer19;
    Timer& Timer20;
    Timer& Timer21;
    Timer& Timer22;
    Timer& Timer23;
    Timer& Timer33;
    Timer& Timer34; // reopens the port every 2 s after its device went away

    // Drawing surfaces of the picture areas, in pixels.
    PictureCanvas Picture5Canvas{kPlotWidth, kPlotHeight, Rgb{0, 0, 0}};
    PictureCanvas Picture6Canvas{kBarWidth, kBarHeight, Rgb{255, 255, 255}};
    PictureCanvas Picture7Canvas{kScaleWidth, kPlotHeight, Rgb{0, 0, 0}};

    // A word was accepted once: the password box asked for again may be cancelled, and a wrong
    // word there no longer ends the station.
    bool wordAccepted = false;

    static constexpr int kPortCount = 14;
    static constexpr int kPlotWidth = 333;
    static constexpr int kPlotHeight = 281;
    static constexpr int kScaleWidth = 17;
    static constexpr int kBarWidth = 8;
    static constexpr int kBarHeight = 301;
    // The password box, in twips.
    static constexpr int kPasswordBoxWidth = 3840;
    static constexpr int kPasswordBoxHeight = 1560;
    // Slider range: 18 to 130 steps of 10 W.
    static constexpr int kPowerMin = 18;
    static constexpr int kPowerMax = 130;
};

} // namespace orbek
