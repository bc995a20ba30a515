#include "core/line_list.hpp"

#include <algorithm>
#include <limits>

namespace orbek {

namespace {
// Blocks grow from small (most list boxes hold a few lines) to this size.
constexpr std::size_t kFirstBlock = 1024;
constexpr std::size_t kLargestBlock = 64 * 1024;
} // namespace

void LineList::push_back(std::string_view line) {
    // A line longer than a record can say is cut there; no list box comes near it.
    line = line.substr(0, std::numeric_limits<uint32_t>::max());
    if (blocks_.empty() || blocks_.back().capacity() - blocks_.back().size() < line.size()) {
        const std::size_t grown =
            blocks_.empty() ? kFirstBlock : std::min(2 * blocks_.back().capacity(), kLargestBlock);
        blocks_.emplace_back().reserve(std::max(grown, line.size()));
    }
    std::vector<char>& block = blocks_.back();
    spans_.push_back({static_cast<uint32_t>(blocks_.size() - 1),
                      static_cast<uint32_t>(block.size()), static_cast<uint32_t>(line.size())});
    block.insert(block.end(), line.begin(), line.end());
    changedAt_ = Changes::next();
}

void LineList::reset() {
    ++resets_;
    changedAt_ = Changes::next();
}

void LineList::clear() {
    if (empty()) return;
    // Swapped out, so the memory of a long list goes back at once.
    std::vector<std::vector<char>>().swap(blocks_);
    std::deque<Span>().swap(spans_);
    reset();
}

LineList& LineList::operator=(const LineList& other) {
    if (this == &other || (empty() && other.empty())) return *this;
    blocks_ = other.blocks_;
    spans_ = other.spans_;
    reset();
    return *this;
}

LineList& LineList::operator=(const std::vector<std::string>& lines) {
    if (*this == lines) return *this;
    std::vector<std::vector<char>>().swap(blocks_);
    std::deque<Span>().swap(spans_);
    for (const std::string& line : lines)
        push_back(line);
    reset();
    return *this;
}

} // namespace orbek
