#include "qt/colours.hpp"

#include <QWidget>

#include <map>
#include <tuple>

namespace orbek::qt {

namespace {
constexpr uint32_t kSystem = 0x80000000u;
}

QColor modelColour(uint32_t colour, const QColor& system) {
    if (colour & kSystem) return system;
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                  static_cast<int>((colour >> 16) & 0xFF));
}

QColor textColourOn(const QColor& /*back*/, const QColor& wanted) {
    return wanted;
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
    p.setColor(backRole(role), back);
    p.setColor(textRole(role), textColourOn(back, wanted));
    return p;
}

void applyColours(QWidget* widget, const QPalette& base, bool baseFill, ColourRole role,
                  uint32_t back, uint32_t fore) {
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
