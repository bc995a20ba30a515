// Window models: every control of a window as plain data under its name, the window's timers,
// and its life cycle. Views render these; behaviour code changes them; tests read them.
#pragma once

#include "core/line_list.hpp"
#include "core/scheduler.hpp"
#include "core/tracked.hpp"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace orbek {

// Colours are 00BBGGRR values, as the station's design gives them.
namespace colour {
inline constexpr uint32_t black = 0x000000;
inline constexpr uint32_t white = 0xFFFFFF;
inline constexpr uint32_t red = 0x0000FF;
inline constexpr uint32_t green = 0x00FF00;
inline constexpr uint32_t lightGreen = 0x80FF80;
inline constexpr uint32_t lightGrey = 0xE0E0E0;
inline constexpr uint32_t yellow = 0x00FFFF;
// The system's button face; views draw it in the platform's own colour.
inline constexpr uint32_t buttonFace = 0x8000000F;
inline constexpr uint32_t windowBackground = 0x80000005;
inline constexpr uint32_t windowText = 0x80000008;
inline constexpr uint32_t rgb(int r, int g, int b) {
    return static_cast<uint32_t>(r) | (static_cast<uint32_t>(g) << 8) |
           (static_cast<uint32_t>(b) << 16);
}
} // namespace colour

enum class ControlKind {
    Label,
    Button,
    TextBox,
    CheckBox,
    Option,
    ListBox,
    Slider,
    Progress,
    Picture,
    Menu,
    Separator,
    Line,
    Frame,
};

// A control's state. Each property stamps its changes (see Changes), so a view draws a control
// again only when it changed since the view last drew it.
struct Control {
    std::string name; // "Startbouton", "Label5[10]", "mncom3"
    ControlKind kind = ControlKind::Label;
    Tracked<std::string> caption; // caption of a label, button or menu; text of a text box
    Tracked<bool> visible{true};
    Tracked<bool> enabled{true};
    Tracked<bool> checked{false}; // check box, option button, ticked menu entry
    Tracked<uint32_t> backColour{colour::buttonFace};
    Tracked<uint32_t> foreColour{colour::windowText};
    Tracked<int> value{0}; // slider, progress bar; chosen row of a list box
    Tracked<int> min{0};
    Tracked<int> max{0};
    Tracked<int> left{0}; // twips, for the few controls that behaviour moves
    Tracked<int> top{0};
    std::string parent; // menu entries: the menu they belong to
    LineList items;     // list boxes

    // The stamp of the control's latest change.
    uint64_t changedAt() const {
        return std::max({caption.changedAt(), visible.changedAt(), enabled.changedAt(),
                         checked.changedAt(), backColour.changedAt(), foreColour.changedAt(),
                         value.changedAt(), min.changedAt(), max.changedAt(), left.changedAt(),
                         top.changedAt(), items.changedAt()});
    }
};

// Elements of a control array, reached by index as the design numbers them.
class ControlArray {
  public:
    Control& operator[](int index) const { return *elements_.at(static_cast<std::size_t>(index)); }
    void set(int index, Control& control) {
        if (elements_.size() <= static_cast<std::size_t>(index))
            elements_.resize(static_cast<std::size_t>(index) + 1, nullptr);
        elements_[static_cast<std::size_t>(index)] = &control;
    }
    bool has(int index) const {
        return index >= 0 && static_cast<std::size_t>(index) < elements_.size() &&
               elements_[static_cast<std::size_t>(index)];
    }

  private:
    std::vector<Control*> elements_;
};

class WindowModel {
  public:
    enum class State { Unloaded, Hidden, Shown, ShownModal };

    WindowModel(Scheduler& scheduler, std::string name);
    virtual ~WindowModel() = default;
    WindowModel(const WindowModel&) = delete;
    WindowModel& operator=(const WindowModel&) = delete;

    const std::string& name() const { return name_; }
    State state() const { return state_; }
    bool loaded() const { return state_ != State::Unloaded; }
    bool shown() const { return state_ == State::Shown || state_ == State::ShownModal; }
    bool modal() const { return state_ == State::ShownModal; }

    // Loading happens on touch: any behaviour that reaches a control of an unloaded window
    // first loads it hidden, which starts the timers the design enables at load.
    WindowModel& touch();
    void show();
    void showModal(); // the host's modal loop runs until the window leaves this state
    void hide();
    void unload();
    // True while unload() runs the window's closing steps.
    bool unloading() const { return unloading_; }

    Tracked<std::string> caption;
    Tracked<int> width{0};  // twips
    Tracked<int> height{0}; // twips
    Tracked<int> left{0};
    Tracked<int> top{0};

    Control& ctl(const std::string& name);
    Control* find(const std::string& name);
    Timer& timer(const std::string& name);
    Timer* findTimer(const std::string& name);
    const std::deque<Control>& controls() const { return controls_; }
    std::vector<Timer*> timers() const;

    // The control that should have the keyboard focus; a view moves the focus there whenever
    // `focusRequest` changes.
    std::string focusControl;
    uint64_t focusRequest = 0;
    void setFocus(const std::string& control) {
        focusControl = control;
        ++focusRequest;
        Changes::next();
    }

    // What a control tells by its colour alone (lamps on, the chosen button, a blinking cell), in
    // words a screen reader speaks; empty where the colour adds nothing to the text.
    virtual std::string stateText(const Control& /*control*/) const { return {}; }
    // Changes whenever a state text may have changed for a reason other than its control's
    // own properties (a timer started or stopped).
    virtual uint64_t stateTextsRevision() const { return 0; }

    // Called after every change of the life cycle, for views.
    std::function<void(WindowModel&)> onStateChanged;

    // The window's event handlers by name: a control's name for its click ("Startbouton",
    // "mnquitter"), "<control>:<event>" for other events ("VScroll1[5]:Scroll"), "Form_Load"
    // (run after every load). Views fire them; each subsystem connects the ones it owns.
    void on(const std::string& event, std::function<void()> handler);
    // Runs the handler; false when none is connected.
    bool fire(const std::string& event);
    // Told before and after every event fired, handled or not (`done` false, then true): where
    // the user's input reaches the model (a check box the station only reads too), for a
    // session recorder.
    std::function<void(WindowModel&, const std::string& event, bool done)> onFire;
    bool handles(const std::string& event) const { return handlers_.count(event) > 0; }
    // Every connected handler's name, sorted (for tools that try them all).
    std::vector<std::string> handlerNames() const;

  protected:
    Control& add(Control control);
    // Element `index` of a control array: "Label5[3]".
    Control& addElement(ControlArray& array, const std::string& arrayName, int index,
                        Control control);
    Timer& addTimer(const std::string& name, int intervalMs, bool enabledAtLoad,
                    std::function<void()> tick = {});
    virtual void onLoad() {}
    virtual void onUnload() {}

  private:
    struct TimerSlot {
        std::unique_ptr<Timer> timer;
        int designInterval;
        bool enabledAtLoad;
    };
    void setState(State state);

    Scheduler& scheduler_;
    std::string name_;
    State state_ = State::Unloaded;
    bool unloading_ = false;
    std::deque<Control> controls_;
    std::unordered_map<std::string, Control*> index_;
    std::vector<Control> design_;
    std::vector<TimerSlot> timers_;
    std::string designCaption_;
    std::unordered_map<std::string, std::function<void()>> handlers_;
};

std::string element(const std::string& array, int index);

} // namespace orbek
