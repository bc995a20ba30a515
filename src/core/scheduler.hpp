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

// A window timer: an interval in milliseconds and an enabled flag. Enabling a disabled timer
// starts its count from now; enabling an enabled one changes nothing; setting the interval
// (even to the same value) restarts the count; disabling stops it. Interval 0 never fires; a
// tick that disables its own timer fires no more. A tick still running (inside a modal box)
// is not entered again while every other timer keeps firing.
class Timer {
  public:
    Timer(Scheduler& scheduler, std::string name, int intervalMs, std::function<void()> tick);
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    const std::string& name() const { return name_; }
    bool enabled() const { return enabled_; }
    // How often the timer was enabled or disabled (for what shows whether it runs).
    uint64_t switches() const { return switches_; }
    int interval() const { return interval_; }
    // The virtual time of the next tick (meaningful while enabled).
    int64_t due() const { return due_; }
    void setEnabled(bool enabled);
    void setInterval(int intervalMs);
    void start() { setEnabled(true); }
    void stop() { setEnabled(false); }
    void setTick(std::function<void()> tick) { tick_ = std::move(tick); }
    // A timer whose ticks only matter while `wanted` says so (a clock shown in a window that is
    // hidden): it stays enabled but nothing runs or wakes for it meanwhile; the tick that fell
    // due then runs as soon as it is wanted again, and the count starts afresh from it. Whatever
    // `wanted` reads must tell the scheduler when it changes (`Scheduler::wantsChanged`).
    void setWanted(std::function<bool()> wanted) { wanted_ = std::move(wanted); }

  private:
    friend class Scheduler;
    void arm();
    // Enabled, with an interval, not running and wanted: it may fire.
    bool live() const { return enabled_ && interval_ > 0 && !running_ && (!wanted_ || wanted_()); }

    Scheduler& scheduler_;
    std::string name_;
    int interval_;
    bool enabled_ = false;
    uint64_t switches_ = 0;
    bool running_ = false;
    int64_t due_ = 0;
    uint64_t order_ = 0;
    std::function<void()> tick_;
    std::function<bool()> wanted_;
};

class Scheduler {
  public:
    // The present virtual time. Inside a tick or call it is the time that item was due; between
    // items, in a program driven by a real clock, it is that clock's time.
    int64_t now() const;

    // The time of the last item run or advance made, whatever the clock says since.
    int64_t ranTo() const { return now_; }
    // The due time of the latest item run so far (-1 before the first).
    int64_t lastDue() const { return lastDue_; }
    // True while an item runs, not counting one waiting on a modal loop.
    bool running() const { return depth_ > 0; }

    // Runs everything due up to `time` in due order, then sets the time to `time`. Safe to call
    // from inside a tick (a modal box's loop does): the inner call runs what falls due meanwhile.
    void advanceTo(int64_t time);
    void advanceBy(int64_t ms) { advanceTo(now() + ms); }

    // Runs what is due now without moving the time.
    void runDue() { advanceTo(now_); }

    // Ends the advance in progress after the item running now, so the host's event loop turns
    // before anything else runs: a box or window closed by that item then returns first, as it
    // would after a person's click, which is an event of its own.
    void yieldToHost() { yield_ = true; }

    // A one-shot call at an absolute virtual time (frames from a controller, scripted actions).
    void at(int64_t time, std::function<void()> call);
    void after(int64_t ms, std::function<void()> call) { at(now() + ms, std::move(call)); }

    // The next time something is due, or -1 when nothing is. With `within`, the last due time
    // no more than `within` after that one: a host that wakes then runs them all in one go.
    int64_t nextDue(int64_t within = 0) const;
    // What some timer's `wanted` reads has changed (a window shown or hidden).
    void wantsChanged() { changed(); }

    // Stops every timer (the station's end).
    void stopAll();

    // The real program's clock in virtual milliseconds: between items, handlers that arm a
    // timer count from it rather than from the last item run.
    void setClock(std::function<int64_t()> clock) { clock_ = std::move(clock); }
    // Called whenever the next due time may have changed (a timer armed or stopped, a call
    // planned, an item begun or ended), so a driver can wake exactly then.
    void setOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }

    // While a host's modal loop waits for the user, the item that opened it is not the present:
    // handlers run from that loop see the clock's time.
    class Waiting {
      public:
        explicit Waiting(Scheduler& scheduler) : scheduler_(scheduler), depth_(scheduler.depth_) {
            scheduler_.depth_ = 0;
        }
        ~Waiting() { scheduler_.depth_ = depth_; }
        Waiting(const Waiting&) = delete;
        Waiting& operator=(const Waiting&) = delete;

      private:
        Scheduler& scheduler_;
        int depth_;
    };

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
    void changed() {
        if (onChange_) onChange_();
    }

    int64_t now_ = 0;
    int64_t lastDue_ = -1;
    uint64_t order_ = 0;
    int depth_ = 0; // items running, not counting those waiting on a modal loop
    bool yield_ = false;
    std::vector<Timer*> timers_;
    std::vector<Timer*> enabled_; // the few that may fire: what the next due time is found among
    std::vector<Call> calls_;
    std::function<int64_t()> clock_;
    std::function<void()> onChange_;
};

} // namespace orbek
