// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The connection's own parent "window" for owners that have no event loop of
// their own (the command-line program): messages that sources post from
// their threads wait here until the owner's thread takes them.

#include "scanner/Twain.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

namespace vestiscop::scanner {

class EventQueue final : public EventSink {
public:
    EventQueue() = default;
    ~EventQueue() = default;
    EventQueue(const EventQueue&) = delete;
    EventQueue& operator=(const EventQueue&) = delete;

    // Any thread.
    void post(const SourceMessage& message) override;

    // The oldest message, waiting at most until the deadline; none when it
    // passes first.
    std::optional<SourceMessage> take(std::chrono::steady_clock::time_point deadline);

    std::size_t size() const;

private:
    mutable std::mutex m_lock;
    std::condition_variable m_ready;
    std::deque<SourceMessage> m_messages;
};

} // namespace vestiscop::scanner
