// Builders of design-time controls for the window models.
#pragma once

#include "core/window.hpp"

#include <string>

namespace orbek::design {

inline Control control(ControlKind kind, const std::string& name, const std::string& caption,
                       bool visible = true) {
    Control c;
    c.kind = kind;
    c.name = name;
    c.caption = caption;
    c.visible = visible;
    return c;
}

inline Control label(const std::string& name, const std::string& caption, bool visible = true) {
    return control(ControlKind::Label, name, caption, visible);
}

inline Control button(const std::string& name, const std::string& caption, bool visible = true) {
    return control(ControlKind::Button, name, caption, visible);
}

inline Control textBox(const std::string& name, const std::string& text = {}, bool visible = true) {
    Control c = control(ControlKind::TextBox, name, text, visible);
    c.backColour = colour::windowBackground;
    return c;
}

inline Control listBox(const std::string& name, bool visible = true) {
    Control c = control(ControlKind::ListBox, name, {}, visible);
    c.backColour = colour::white;
    return c;
}

inline Control picture(const std::string& name, uint32_t back, bool visible = true) {
    Control c = control(ControlKind::Picture, name, {}, visible);
    c.backColour = back;
    return c;
}

inline Control menu(const std::string& name, const std::string& caption,
                    const std::string& parent = {}) {
    Control c = control(ControlKind::Menu, name, caption);
    c.parent = parent;
    return c;
}

inline Control separator(const std::string& name, const std::string& parent) {
    Control c = control(ControlKind::Separator, name, "-");
    c.parent = parent;
    return c;
}

inline Control coloured(Control c, uint32_t back, uint32_t fore = colour::windowText) {
    c.backColour = back;
    c.foreColour = fore;
    return c;
}

} // namespace orbek::design
