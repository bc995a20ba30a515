// The lines of a list box, kept compactly: the characters in a few large blocks that are never
// moved, and one small record per line. A list of a million lines holds no string of its own per
// line, and adding a line never copies the lines before it.
#pragma once

#include "core/tracked.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace orbek {

class LineList {
  public:
    class const_iterator {
      public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = std::string_view;
        using difference_type = std::ptrdiff_t;
        using reference = std::string_view;
        using pointer = void;

        const_iterator() = default;
        const_iterator(const LineList* list, std::size_t i) : list_(list), i_(i) {}
        std::string_view operator*() const { return (*list_)[i_]; }
        std::string_view operator[](difference_type n) const { return *(*this + n); }
        const_iterator& operator++() { return ++i_, *this; }
        const_iterator operator++(int) { return {list_, i_++}; }
        const_iterator& operator--() { return --i_, *this; }
        const_iterator operator--(int) { return {list_, i_--}; }
        const_iterator& operator+=(difference_type n) {
            i_ = static_cast<std::size_t>(static_cast<difference_type>(i_) + n);
            return *this;
        }
        const_iterator& operator-=(difference_type n) { return *this += -n; }
        friend const_iterator operator+(const_iterator it, difference_type n) { return it += n; }
        friend const_iterator operator+(difference_type n, const_iterator it) { return it += n; }
        friend const_iterator operator-(const_iterator it, difference_type n) { return it -= n; }
        friend difference_type operator-(const const_iterator& a, const const_iterator& b) {
            return static_cast<difference_type>(a.i_) - static_cast<difference_type>(b.i_);
        }
        friend bool operator==(const const_iterator& a, const const_iterator& b) {
            return a.i_ == b.i_;
        }
        friend auto operator<=>(const const_iterator& a, const const_iterator& b) {
            return a.i_ <=> b.i_;
        }

      private:
        const LineList* list_ = nullptr;
        std::size_t i_ = 0;
    };
    using value_type = std::string_view;
    using iterator = const_iterator;

    LineList() = default;
    LineList(const LineList&) = default;
    // Taking other lines is a change unless both are empty.
    LineList& operator=(const LineList& other);
    LineList& operator=(const std::vector<std::string>& lines);

    void push_back(std::string_view line);
    void clear();

    std::size_t size() const { return spans_.size(); }
    bool empty() const { return spans_.empty(); }
    std::string_view operator[](std::size_t i) const {
        const Span& s = spans_[i];
        return {blocks_[s.block].data() + s.offset, s.length};
    }
    std::string_view back() const { return (*this)[size() - 1]; }
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }
    std::vector<std::string> lines() const { return {begin(), end()}; }

    // The stamp of the last change (see Changes).
    uint64_t changedAt() const { return changedAt_; }
    // Counts the changes other than lines added at the end: a view that saw the same count has
    // at most new lines at the end to take in.
    uint64_t resets() const { return resets_; }

    friend bool operator==(const LineList& a, const std::vector<std::string>& b) {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
    }
    friend bool operator==(const LineList& a, const LineList& b) {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
    }

  private:
    struct Span {
        uint32_t block;
        uint32_t offset;
        uint32_t length;
    };
    void reset();

    // Each block is reserved once and filled up to that size, so the lines in it never move.
    std::vector<std::vector<char>> blocks_;
    std::deque<Span> spans_;
    uint64_t changedAt_ = 0;
    uint64_t resets_ = 0;
};

} // namespace orbek
