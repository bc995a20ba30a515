#include "core/scheduler.hpp"

#include <algorithm>

namespace orbek {

Timer::Timer(Scheduler& scheduler, std::string name, int intervalMs, std::function<void()> tick)
    : scheduler_(scheduler), name_(std::move(name)), interval_(intervalMs), tick_(std::move(tick)) {
    scheduler_.add(this);
}

Timer::~Timer() {
    scheduler_.remove(this);
}

void Timer::arm() {
    due_ = scheduler_.now() + interval_;
    order_ = scheduler_.nextOrder();
}

void Timer::setEnabled(bool enabled) {
    // An enabled timer keeps its count: repeating an order to start it does not delay it.
    if (enabled == enabled_) return;
    enabled_ = enabled;
    ++switches_;
    if (enabled_) {
        arm();
        scheduler_.enabled_.push_back(this);
    } else {
        std::erase(scheduler_.enabled_, this);
    }
    scheduler_.changed();
}

void Timer::setInterval(int intervalMs) {
    interval_ = std::max(0, intervalMs);
    if (enabled_) arm();
    scheduler_.changed();
}

int64_t Scheduler::now() const {
    if (clock_ && depth_ == 0) return std::max(now_, clock_());
    return now_;
}

void Scheduler::add(Timer* timer) {
    timers_.push_back(timer);
}

void Scheduler::remove(Timer* timer) {
    std::erase(timers_, timer);
    std::erase(enabled_, timer);
}

void Scheduler::at(int64_t time, std::function<void()> call) {
    calls_.push_back({std::max(time, now_), nextOrder(), std::move(call)});
    changed();
}

int64_t Scheduler::nextDue(int64_t within) const {
    int64_t best = -1;
    for (const Timer* t : enabled_)
        if (t->live() && (best < 0 || t->due_ < best)) best = t->due_;
    for (const Call& c : calls_)
        if (best < 0 || c.due < best) best = c.due;
    if (best < 0 || within <= 0) return best;
    int64_t last = best;
    for (const Timer* t : enabled_)
        if (t->live() && t->due_ <= best + within) last = std::max(last, t->due_);
    for (const Call& c : calls_)
        if (c.due <= best + within) last = std::max(last, c.due);
    return last;
}

bool Scheduler::runOne(int64_t limit) {
    Timer* timer = nullptr;
    for (Timer* t : enabled_) {
        if (t->due_ > limit || !t->live()) continue;
        if (!timer || t->due_ < timer->due_ ||
            (t->due_ == timer->due_ && t->order_ < timer->order_))
            timer = t;
    }
    auto call = calls_.end();
    for (auto it = calls_.begin(); it != calls_.end(); ++it) {
        if (it->due > limit) continue;
        if (call == calls_.end() || it->due < call->due ||
            (it->due == call->due && it->order < call->order))
            call = it;
    }
    const bool callFirst =
        call != calls_.end() && (!timer || call->due < timer->due_ ||
                                 (call->due == timer->due_ && call->order < timer->order_));
    if (callFirst) {
        now_ = std::max(now_, call->due);
        lastDue_ = std::max(lastDue_, call->due);
        auto fn = std::move(call->call);
        calls_.erase(call);
        changed();
        ++depth_;
        fn();
        --depth_;
        return true;
    }
    if (!timer) return false;
    now_ = std::max(now_, timer->due_);
    lastDue_ = std::max(lastDue_, timer->due_);
    timer->due_ += timer->interval_;
    timer->order_ = nextOrder();
    timer->running_ = true;
    // A driver must be able to wake for the other timers while this tick holds a modal box.
    changed();
    // The tick may destroy nothing it does not own; the timer outlives its own tick.
    auto tick = timer->tick_;
    ++depth_;
    if (tick) tick();
    --depth_;
    timer->running_ = false;
    // A tick held up by a modal box does not catch up on the ticks it missed: the count starts
    // again when it returns. A hold of exactly whole intervals ends on a due time, which counts
    // as missed too, so no extra tick follows at once.
    if (timer->enabled_ && timer->due_ <= now_) timer->arm();
    changed();
    return true;
}

void Scheduler::advanceTo(int64_t time) {
    while (runOne(time)) {
        if (yield_) {
            // What is still due runs at the host's next turn.
            yield_ = false;
            changed();
            return;
        }
    }
    now_ = std::max(now_, time);
}

void Scheduler::stopAll() {
    for (Timer* t : timers_)
        t->enabled_ = false;
    enabled_.clear();
    calls_.clear();
    changed();
}

} // namespace orbek
