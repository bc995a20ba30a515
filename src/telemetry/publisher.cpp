#include "telemetry/publisher.hpp"

#include <algorithm>

namespace orbek::telemetry {

void OutgoingQueue::push(Message message) {
    if (message.retained) {
        if (!retained_.count(message.topic)) retainedTopics_.push_back(message.topic);
        retained_[message.topic] = message;
        const auto stale = std::find_if(waiting_.begin(), waiting_.end(), [&](const Message& m) {
            return m.retained && m.topic == message.topic;
        });
        if (stale != waiting_.end()) waiting_.erase(stale);
        waiting_.push_back(std::move(message));
        return;
    }
    waiting_.push_back(std::move(message));
    if (++events_ <= limit_) return;
    const auto oldest = std::find_if(waiting_.begin(), waiting_.end(),
                                     [](const Message& m) { return !m.retained; });
    waiting_.erase(oldest);
    --events_;
    ++dropped_;
}

std::optional<Message> OutgoingQueue::take() {
    if (waiting_.empty()) return std::nullopt;
    Message m = std::move(waiting_.front());
    waiting_.pop_front();
    if (!m.retained) --events_;
    return m;
}

void OutgoingQueue::giveBack(Message message) {
    if (!message.retained) ++events_;
    waiting_.push_front(std::move(message));
}

void OutgoingQueue::resendRetained() {
    for (auto topic = retainedTopics_.rbegin(); topic != retainedTopics_.rend(); ++topic) {
        const auto pending = std::find_if(waiting_.begin(), waiting_.end(), [&](const Message& m) {
            return m.retained && m.topic == *topic;
        });
        if (pending == waiting_.end()) waiting_.push_front(retained_[*topic]);
    }
}

void MemoryPublisher::publish(Message message) {
    queue_.push(std::move(message));
    status_.dropped = queue_.dropped();
    if (status_.connected) flush();
}

PublisherStatus MemoryPublisher::status() const {
    return status_;
}

void MemoryPublisher::setConnected(bool connected, const std::string& why) {
    if (!connected) status_.error = why;
    if (connected == status_.connected) return;
    status_.connected = connected;
    if (!connected) return;
    queue_.resendRetained();
    flush();
}

void MemoryPublisher::flush() {
    while (auto m = queue_.take()) {
        ++status_.sent;
        if (onSend) onSend(*m);
    }
}

} // namespace orbek::telemetry
