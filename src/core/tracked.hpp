// Change tracking for the window models. Every property that takes a new value is stamped with the
// next number of one change count, so a view draws again only what changed since it last drew,
// and a view that is waiting for changes is told of the first one. One UI thread, no lock.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace orbek {

class Changes {
  public:
    // The stamp of the latest change.
    static uint64_t count() { return count_; }
    // Stamps a change; tells the listener when it is armed.
    static uint64_t next() {
        ++count_;
        if (armed_) {
            armed_ = false;
            if (listener_) listener_();
        }
        return count_;
    }
    // The listener is told of the first change after each `arm`; it must only take note (the
    // change is still under way when it is told).
    static void listen(std::function<void()> listener) {
        listener_ = std::move(listener);
        armed_ = false;
    }
    static void arm() { armed_ = static_cast<bool>(listener_); }

  private:
    static inline uint64_t count_ = 0;
    static inline bool armed_ = false;
    static inline std::function<void()> listener_;
};

template <class T> class Tracked;
template <class U> struct IsTracked : std::false_type {};
template <class T> struct IsTracked<Tracked<T>> : std::true_type {};

// A property of a control: reads as its value, and a new value different from the old one is
// stamped as a change.
template <class T> class Tracked {
  public:
    Tracked() = default;
    explicit Tracked(T value) : value_(std::move(value)) {}
    Tracked(const Tracked&) = default;

    Tracked& operator=(const Tracked& other) { return *this = other.value_; }
    Tracked& operator=(const T& value) {
        if (!(value_ == value)) {
            value_ = value;
            changedAt_ = Changes::next();
        }
        return *this;
    }
    Tracked& operator=(T&& value) {
        if (!(value_ == value)) {
            value_ = std::move(value);
            changedAt_ = Changes::next();
        }
        return *this;
    }

    const T& get() const { return value_; }
    operator const T&() const { return value_; }
    // A text property reads as a view of its text too.
    operator std::string_view() const requires std::is_same_v<T, std::string> { return value_; }
    const T* operator->() const { return &value_; }
    // The stamp of the last change; 0 for the design value.
    uint64_t changedAt() const { return changedAt_; }

    // Text properties read like the text for the common questions and joins.
    bool empty() const requires std::is_same_v<T, std::string> { return value_.empty(); }
    std::size_t size() const requires std::is_same_v<T, std::string> { return value_.size(); }
    void clear() requires std::is_same_v<T, std::string> { *this = std::string(); }
    template <class... A> std::size_t find(A&&... a) const requires std::is_same_v<T, std::string> {
        return value_.find(std::forward<A>(a)...);
    }
    std::string
    substr(std::size_t pos = 0,
           std::size_t count = std::string::npos) const requires std::is_same_v<T, std::string> {
        return value_.substr(pos, count);
    }
    friend std::string operator+(const Tracked& a,
                                 const Tracked& b) requires std::is_same_v<T, std::string> {
        return a.value_ + b.value_;
    }
    friend std::string operator+(const Tracked& a,
                                 std::string_view b) requires std::is_same_v<T, std::string> {
        return a.value_ + std::string(b);
    }
    friend std::string operator+(std::string a,
                                 const Tracked& b) requires std::is_same_v<T, std::string> {
        return a += b.value_;
    }
    friend std::string operator+(const char* a,
                                 const Tracked& b) requires std::is_same_v<T, std::string> {
        return a + b.value_;
    }

    friend bool operator==(const Tracked& a, const Tracked& b) { return a.value_ == b.value_; }
    template <class U>
    requires(!IsTracked<U>::value) && requires(const T& t, const U& u) { t == u; }
    friend bool operator==(const Tracked& a, const U& b) { return a.value_ == b; }
    friend std::ostream& operator<<(std::ostream& out, const Tracked& t) requires
        requires(std::ostream& o) {
        o << t.value_;
    }
    { return out << t.value_; }

  private:
    T value_{};
    uint64_t changedAt_ = 0;
};

} // namespace orbek
