// SPDX-License-Identifier: GPL-3.0-or-later
#include "scanner/EventQueue.h"

namespace vestiscop::scanner {

void EventQueue::post(const SourceMessage& message)
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_messages.push_back(message);
    }
    m_ready.notify_one();
}

std::optional<SourceMessage> EventQueue::take(std::chrono::steady_clock::time_point deadline)
{
    std::unique_lock<std::mutex> guard(m_lock);
    if (!m_ready.wait_until(guard, deadline, [this] { return !m_messages.empty(); }))
        return std::nullopt;
    SourceMessage message = m_messages.front();
    m_messages.pop_front();
    return message;
}

std::size_t EventQueue::size() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_messages.size();
}

} // namespace vestiscop::scanner
