#include "core/window.hpp"

#include <algorithm>
#include <stdexcept>

namespace orbek {

std::string element(const std::string& array, int index) {
    return array + "[" + std::to_string(index) + "]";
}

WindowModel::WindowModel(Scheduler& scheduler, std::string name)
    : scheduler_(scheduler), name_(std::move(name)) {}

Control& WindowModel::add(Control control) {
    if (index_.count(control.name))
        throw std::logic_error(name_ + " has two controls named " + control.name);
    design_.push_back(control);
    controls_.push_back(std::move(control));
    index_[controls_.back().name] = &controls_.back();
    return controls_.back();
}

Control& WindowModel::addElement(ControlArray& array, const std::string& arrayName, int index,
                                 Control control) {
    control.name = element(arrayName, index);
    Control& added = add(std::move(control));
    array.set(index, added);
    return added;
}

Timer& WindowModel::addTimer(const std::string& name, int intervalMs, bool enabledAtLoad,
                             std::function<void()> tick) {
    timers_.push_back({std::make_unique<Timer>(scheduler_, name, intervalMs, std::move(tick)),
                       intervalMs, enabledAtLoad});
    return *timers_.back().timer;
}

Control* WindowModel::find(const std::string& name) {
    const auto it = index_.find(name);
    return it == index_.end() ? nullptr : it->second;
}

Control& WindowModel::ctl(const std::string& name) {
    if (Control* c = find(name)) return *c;
    throw std::out_of_range(name_ + " has no control " + name);
}

Timer* WindowModel::findTimer(const std::string& name) {
    for (auto& slot : timers_)
        if (slot.timer->name() == name) return slot.timer.get();
    return nullptr;
}

Timer& WindowModel::timer(const std::string& name) {
    if (Timer* t = findTimer(name)) return *t;
    throw std::out_of_range(name_ + " has no timer " + name);
}

std::vector<Timer*> WindowModel::timers() const {
    std::vector<Timer*> all;
    for (const auto& slot : timers_)
        all.push_back(slot.timer.get());
    return all;
}

void WindowModel::setState(State state) {
    state_ = state;
    Changes::next();
    // A timer may run only while its window is shown.
    scheduler_.wantsChanged();
    if (onStateChanged) onStateChanged(*this);
}

WindowModel& WindowModel::touch() {
    if (state_ != State::Unloaded) return *this;
    if (designCaption_.empty()) designCaption_ = caption;
    state_ = State::Hidden;
    for (auto& slot : timers_) {
        slot.timer->setInterval(slot.designInterval);
        slot.timer->setEnabled(slot.enabledAtLoad);
    }
    onLoad();
    setState(State::Hidden);
    fire("Form_Load");
    return *this;
}

void WindowModel::on(const std::string& event, std::function<void()> handler) {
    handlers_[event] = std::move(handler);
}

std::vector<std::string> WindowModel::handlerNames() const {
    std::vector<std::string> names;
    for (const auto& [name, handler] : handlers_)
        if (handler) names.push_back(name);
    std::sort(names.begin(), names.end());
    return names;
}

bool WindowModel::fire(const std::string& event) {
    const auto it = handlers_.find(event);
    const bool handled = it != handlers_.end() && it->second;
    // Copies: the handler may replace itself or unload the window.
    const auto handler = handled ? it->second : nullptr;
    const auto observer = onFire;
    if (observer) observer(*this, event, false);
    if (handled) handler();
    if (observer) observer(*this, event, true);
    return handled;
}

void WindowModel::show() {
    touch();
    setState(State::Shown);
}

void WindowModel::showModal() {
    touch();
    setState(State::ShownModal);
}

void WindowModel::hide() {
    if (state_ == State::Unloaded) return;
    setState(State::Hidden);
}

void WindowModel::unload() {
    if (state_ == State::Unloaded) return;
    for (auto& slot : timers_)
        slot.timer->setEnabled(false);
    unloading_ = true;
    onUnload();
    unloading_ = false;
    // The next load starts again from the design.
    std::size_t i = 0;
    for (auto& c : controls_)
        c = design_[i++];
    if (!designCaption_.empty()) caption = designCaption_;
    setState(State::Unloaded);
}

} // namespace orbek
