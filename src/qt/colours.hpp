// The one place where the window models' colours become widget colours: a control's back and
// text colour (00BBGGRR, or a system colour) become a palette, and the text colour shown on a back
// colour is chosen here.
#pragma once

#include <QColor>
#include <QPalette>

#include <cstdint>

class QWidget;

namespace orbek::qt {

// A 00BBGGRR colour of the design; a system colour (high bit set) gives `system`.
QColor modelColour(uint32_t colour, const QColor& system);

// How well text of one colour reads on the other: 1 (none) to 21 (black on white), from the
// relative luminance of the two sRGB colours.
double contrastRatio(const QColor& a, const QColor& b);

// Text on a back colour reads at this contrast or better.
inline constexpr double kReadableContrast = 4.5;

// The text colour shown on `back` for a control whose own text colour is `wanted`: `wanted` when
// it reads there, else the colour nearest to it on the way to black or white that does.
QColor textColourOn(const QColor& back, const QColor& wanted);

// What is not text (a check box's box, a slider's ticks, a button's edge, the focus ring) stands
// out from what is beside it at this contrast or better.
inline constexpr double kVisibleContrast = 3.0;

// The colour of such a part on `back`: `wanted` when it stands out there, else the colour nearest
// to it on the way to black or white that does, with a little to spare for smoothed edges.
QColor edgeColourOn(const QColor& back, const QColor& wanted);

// A dark desktop palette, for pictures and checks of the station on a dark desktop.
QPalette darkPalette();

// Which colour roles of a widget show the control's back and text colours.
enum class ColourRole {
    Window, // labels and frames: a system back colour leaves them transparent
    Button, // push buttons
};

// `base` with `back` behind text of `wanted` colour (through textColourOn) in the roles of `role`,
// enabled and disabled (the disabled text keeps its own shade where it reads): also the view's own
// fixed looks take their colours here.
QPalette paletteWith(const QPalette& base, ColourRole role, const QColor& back,
                     const QColor& wanted);

// Shows `back` behind `fore` on `widget`, whose palette without the model's colours is `base`;
// a label on a system back colour fills its background only when `baseFill` says so.
// The palettes are made once per base palette and colour pair and kept.
void applyColours(QWidget* widget, const QPalette& base, bool baseFill, ColourRole role,
                  uint32_t back, uint32_t fore);

} // namespace orbek::qt
