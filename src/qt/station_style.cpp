#include "qt/station_style.hpp"

#include "qt/colours.hpp"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QSlider>
#include <QStyleOption>

#include <algorithm>

namespace orbek::qt {

namespace {

// A frame `width` pixels wide just inside `rect`, whole pixels, not smoothed.
void ring(QPainter* painter, const QRect& rect, int width, const QColor& colour) {
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    path.addRect(rect);
    path.addRect(rect.adjusted(width, width, -width, -width));
    painter->fillPath(path, colour);
}

bool keyboardFocus(const QStyleOption* option) {
    return (option->state & QStyle::State_HasFocus) &&
           (option->state & QStyle::State_KeyboardFocusChange);
}

} // namespace

QColor edgeColour(const QPalette& palette) {
    const QColor face = palette.color(QPalette::Window).toRgb();
    const QColor text = palette.color(QPalette::WindowText).toRgb();
    const QColor half((face.red() + text.red()) / 2, (face.green() + text.green()) / 2,
                      (face.blue() + text.blue()) / 2);
    return edgeColourOn(face, half);
}

QColor focusColour(const QPalette& palette, const QColor& back) {
    return edgeColourOn(back, palette.color(QPalette::Highlight));
}

StationStyle::StationStyle(const QString& base) : QProxyStyle(base) {}

void StationStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                 QPainter* painter, const QWidget* widget) const {
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    // A part of a control that cannot be used now keeps the desktop's greyed look.
    if (!(option->state & State_Enabled)) return;
    const QRect r = option->rect;
    switch (element) {
    case PE_IndicatorCheckBox:
        ring(painter, r, 1, edgeColour(option->palette));
        break;
    case PE_IndicatorRadioButton: {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setBrush(Qt::NoBrush);
        painter->setPen(QPen(edgeColour(option->palette), 1.5));
        painter->drawEllipse(QRectF(r).adjusted(1.0, 1.0, -1.0, -1.0));
        painter->restore();
        break;
    }
    case PE_FrameLineEdit:
        // A focused box keeps the desktop's focus colour.
        if (!(option->state & State_HasFocus)) ring(painter, r, 1, edgeColour(option->palette));
        break;
    case PE_PanelButtonCommand:
        ring(painter, r, 1, edgeColour(option->palette));
        // Inside the edge, on the button's own face, whatever colour the face has.
        if (keyboardFocus(option))
            ring(painter, r.adjusted(2, 2, -2, -2), 2,
                 focusColour(option->palette, option->palette.color(QPalette::Button)));
        break;
    default:
        break;
    }
}

void StationStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                      QPainter* painter, const QWidget* widget) const {
    const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (control != CC_Slider || !slider || !(option->state & State_Enabled))
        return QProxyStyle::drawComplexControl(control, option, painter, widget);

    // The groove and handle as the desktop draws them; ticks and edges in a colour that shows.
    QStyleOptionSlider bare = *slider;
    bare.subControls &= ~SC_SliderTickmarks;
    QProxyStyle::drawComplexControl(control, &bare, painter, widget);
    const QColor edge = edgeColour(option->palette);
    const bool horizontal = slider->orientation == Qt::Horizontal;
    if ((slider->subControls & SC_SliderTickmarks) && slider->tickPosition != QSlider::NoTicks) {
        const int length = proxy()->pixelMetric(PM_SliderLength, slider, widget);
        const int span = (horizontal ? slider->rect.width() : slider->rect.height()) - length;
        const int tick = proxy()->pixelMetric(PM_SliderTickmarkOffset, slider, widget);
        const int step =
            std::max(1, slider->tickInterval > 0 ? slider->tickInterval : slider->pageStep);
        painter->save();
        painter->setPen(edge);
        for (int v = slider->minimum;; v = std::min(v + step, slider->maximum)) {
            const int at = sliderPositionFromValue(slider->minimum, slider->maximum, v, span,
                                                   slider->upsideDown) +
                           length / 2;
            const QRect& r = slider->rect;
            if (slider->tickPosition & QSlider::TicksAbove) {
                if (horizontal)
                    painter->drawLine(at, r.top() + 1, at, r.top() + tick);
                else
                    painter->drawLine(r.left() + 1, at, r.left() + tick, at);
            }
            if (slider->tickPosition & QSlider::TicksBelow) {
                if (horizontal)
                    painter->drawLine(at, r.bottom() - 1, at, r.bottom() - tick);
                else
                    painter->drawLine(r.right() - 1, at, r.right() - tick, at);
            }
            if (v >= slider->maximum) break;
        }
        painter->restore();
    }
    const QRect handle = proxy()->subControlRect(CC_Slider, slider, SC_SliderHandle, widget);
    ring(painter, handle, 1, edge);
    if (keyboardFocus(option))
        ring(painter, handle.adjusted(-3, -3, 3, 3), 2,
             focusColour(option->palette, option->palette.color(QPalette::Window)));
}

void useStationStyle() {
    if (qobject_cast<StationStyle*>(QApplication::style())) return;
    QApplication::setStyle(new StationStyle(QApplication::style()->name()));
}

} // namespace orbek::qt
