// The station's look over the desktop's own style: the parts of a control that are not text (the
// box of a check box, the ring of a radio button, a slider's ticks and handle, the edge of a
// button or a text box) stand out from what is around them at 3 : 1 or better in a light and a
// dark palette, and the keyboard focus shows as a ring on buttons and sliders in a colour that
// stands out from them.
#pragma once

#include <QProxyStyle>

namespace orbek::qt {

class StationStyle : public QProxyStyle {
    Q_OBJECT
  public:
    // Over the style named `base` ("fusion", "windows"...).
    explicit StationStyle(const QString& base);

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget = nullptr) const override;
};

// Makes the station's style the application's, over the style in use; once.
void useStationStyle();

// The colour of the edges of controls on a window of `palette`: half way between its face and its
// text, moved as far as standing out from the face needs.
QColor edgeColour(const QPalette& palette);

// The focus ring's colour on `back`: the palette's highlight, moved as far as standing out needs.
QColor focusColour(const QPalette& palette, const QColor& back);

} // namespace orbek::qt
