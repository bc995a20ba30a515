// Virtual time for the whole station. Every timer of every window, and every delivery a test
// or the in-process controller plans, is due at a virtual millisecond; the Qt host advances
// the time from a real clock, tests advance it by hand.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orbek {

class Scheduler;

// A window timer: an interval in milliseconds and an enabled flag. Enabling it, or setting its
// interval, starts its count from now; interval 0 never fires; a tick that disables its own
// timer fires no more. A tick still running (inside a modal box) is not entered again.
class Timer {
  public:
    Timer(Scheduler& scheduler, std::string name, int intervalMs, std::function<void()> tick);
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    const std::string& name() const { return name_; }
    bool enabled() const { return enabled_; }
    int interval() const { return interval_; }
    void setEnabled(bool enabled);
    void setInterval(int intervalMs);
    void start() { setEnabled(true); }
    void stop() { setEnabled(false); }
    void setTick(std::function<void()> tick) { tick_ = std::move(tick); }

  private:
    friend class Scheduler;
    void arm();

    Scheduler& scheduler_;
    std::string name_;
    int interval_;
    bool enabled_ = false;
    bool running_ = false;
    int64_t due_ = 0;
    uint64_t order_ = 0;
    std::function<void()> tick_;
};

class Scheduler {
  public:
    int64_t now() const { return now_; }

    // Runs everything due up to `time` in due order, then sets the time to `time`. Safe to call
    // from inside a tick (a modal box's loop does): the inner call runs what falls due meanwhile.
    void advanceTo(int64_t time);
    void advanceBy(int64_t ms) { advanceTo(now_ + ms); }

    // Runs what is due now without moving the time.
    void runDue() { advanceTo(now_); }

    // A one-shot call at an absolute virtual time (frames from a controller, scripted actions).
    void at(int64_t time, std::function<void()> call);
    void after(int64_t ms, std::function<void()> call) { at(now_ + ms, std::move(call)); }

    // The next time something is due, or -1 when nothing is.
    int64_t nextDue() const;

    // Stops every timer (the station's end).
    void stopAll();

  private:
    friend class Timer;
    struct Call {
        int64_t due;
        uint64_t order;
        std::function<void()> call;
    };
    void add(Timer* timer);
    void remove(Timer* timer);
    uint64_t nextOrder() { return order_++; }
    bool runOne(int64_t limit);

    int64_t now_ = 0;
    uint64_t order_ = 0;
    std::vector<Timer*> timers_;
    std::vector<Call> calls_;
};

} // namespace orbek
