#include "qt/colours.hpp"

#include <QWidget>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace orbek::qt {

namespace {
constexpr uint32_t kSystem = 0x80000000u;
constexpr uint32_t kLightGreyFace = 0xE0E0E0u;
constexpr double kClearContrast = 7.0;
} // namespace

QColor modelColour(uint32_t colour, const QColor& system) {
    if (colour & kSystem) return system;
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                  static_cast<int>((colour >> 16) & 0xFF));
}

namespace {

double luminance(const QColor& c) {
    const auto linear = [](double v) {
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = c.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) +
           0.0722 * linear(rgb.blueF());
}

} // namespace

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

namespace {

// `wanted` when it stands out from `back` at `least`, else the first colour on the way from it
// to black or white (whichever stands out more) that reaches `aim`.
QColor movedFrom(const QColor& back, const QColor& wanted, double least, double aim) {
    if (contrastRatio(back, wanted) >= least) return wanted;
    // One of black and white always stands out (at 4.58 or better); the nearest colour towards
    // it keeps the designed shade where it can.
    const QColor end = contrastRatio(back, Qt::black) >= contrastRatio(back, Qt::white)
                           ? QColor(Qt::black)
                           : QColor(Qt::white);
    const QColor from = wanted.toRgb();
    for (int step = 1; step < 20; ++step) {
        const double t = step / 20.0;
        const auto mix = [t](int a, int b) { return qRound(a + (b - a) * t); };
        const QColor c(mix(from.red(), end.red()), mix(from.green(), end.green()),
                       mix(from.blue(), end.blue()));
        if (contrastRatio(back, c) >= aim) return c;
    }
    return end;
}

} // namespace

QColor textColourOn(const QColor& back, const QColor& wanted) {
    // Once moved, the text goes on to a clear contrast rather than the bare limit.
    return movedFrom(back, wanted, kReadableContrast, kClearContrast);
}

QColor edgeColourOn(const QColor& back, const QColor& wanted) {
    return movedFrom(back, wanted, kVisibleContrast + 0.5, kVisibleContrast + 1.0);
}

QPalette darkPalette() {
    QPalette p;
    const QColor window(0x2d, 0x2d, 0x30), text(0xe6, 0xe6, 0xe6), greyed(0x80, 0x80, 0x80);
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool off = group == QPalette::Disabled;
        p.setColor(group, QPalette::Window, window);
        p.setColor(group, QPalette::WindowText, off ? greyed : text);
        p.setColor(group, QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
        p.setColor(group, QPalette::AlternateBase, QColor(0x26, 0x26, 0x28));
        p.setColor(group, QPalette::Text, off ? greyed : text);
        p.setColor(group, QPalette::Button, QColor(0x3c, 0x3c, 0x40));
        p.setColor(group, QPalette::ButtonText, off ? greyed : text);
        p.setColor(group, QPalette::BrightText, Qt::white);
        p.setColor(group, QPalette::Highlight, QColor(0x3d, 0x7a, 0xd6));
        p.setColor(group, QPalette::HighlightedText, Qt::white);
        p.setColor(group, QPalette::ToolTipBase, window);
        p.setColor(group, QPalette::ToolTipText, text);
        p.setColor(group, QPalette::PlaceholderText, greyed);
        p.setColor(group, QPalette::Light, QColor(0x55, 0x55, 0x5a));
        p.setColor(group, QPalette::Midlight, QColor(0x48, 0x48, 0x4c));
        p.setColor(group, QPalette::Mid, QColor(0x30, 0x30, 0x33));
        p.setColor(group, QPalette::Dark, QColor(0x1a, 0x1a, 0x1c));
        p.setColor(group, QPalette::Shadow, Qt::black);
    }
    return p;
}

namespace {

QPalette::ColorRole backRole(ColourRole role) {
    return role == ColourRole::Button ? QPalette::Button : QPalette::Window;
}

QPalette::ColorRole textRole(ColourRole role) {
    return role == ColourRole::Button ? QPalette::ButtonText : QPalette::WindowText;
}

} // namespace

QPalette paletteWith(const QPalette& base, ColourRole role, const QColor& back,
                     const QColor& wanted) {
    QPalette p = base;
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        p.setColor(group, backRole(role), back);
    const QColor text = textColourOn(back, wanted);
    p.setColor(QPalette::Active, textRole(role), text);
    p.setColor(QPalette::Inactive, textRole(role), text);
    // Disabled text keeps the palette's own greyed shade, moved only as far as reading needs.
    QColor greyed = base.color(QPalette::Disabled, textRole(role));
    if (greyed == base.color(QPalette::Active, textRole(role))) greyed = text;
    p.setColor(QPalette::Disabled, textRole(role), textColourOn(back, greyed));
    return p;
}

void applyColours(QWidget* widget, const QPalette& base, bool baseFill, ColourRole role,
                  uint32_t back, uint32_t fore) {
    // A button's light grey is the design's plain face: the desktop's own face, light or dark.
    if (role == ColourRole::Button && back == kLightGreyFace) back = kSystem | 0x0F;
    using Key = std::tuple<qint64, int, uint32_t, uint32_t>;
    static std::map<Key, QPalette> palettes;
    const Key key{base.cacheKey(), static_cast<int>(role), back, fore};
    auto it = palettes.find(key);
    if (it == palettes.end())
        it =
            palettes
                .emplace(key, paletteWith(base, role, modelColour(back, base.color(backRole(role))),
                                          modelColour(fore, base.color(textRole(role)))))
                .first;
    // On the system face a label stays as the view made it (most are transparent).
    if (role == ColourRole::Window) widget->setAutoFillBackground(baseFill || !(back & kSystem));
    widget->setPalette(it->second);
}

} // namespace orbek::qt
