#include "midi/ClosedClientReaper.h"

#include "midi/Platform.h"

#include <chrono>

ClosedClientReaper::ClosedClientReaper(quint64 graceNs)
    : m_graceNs(graceNs)
{
}

ClosedClientReaper::~ClosedClientReaper()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
    // The thread may have left before the last clients' grace had passed.
    for (Closed &c : m_closed) {
        const quint64 now = currentTimeNs();
        if (c.dueNs > now)
            std::this_thread::sleep_for(std::chrono::nanoseconds(c.dueNs - now));
        c.destroy();
    }
}

void ClosedClientReaper::add(std::function<void()> destroy)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closed.push_back({currentTimeNs() + m_graceNs, std::move(destroy)});
        if (!m_thread.joinable())
            m_thread = std::thread([this] { run(); });
    }
    m_changed.notify_all();
}

std::size_t ClosedClientReaper::waitingCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_closed.size();
}

void ClosedClientReaper::run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stop) {
        if (m_closed.empty()) {
            m_changed.wait(lock);
            continue;
        }
        const quint64 now = currentTimeNs();
        const quint64 due = m_closed.front().dueNs;
        if (due > now) {
            m_changed.wait_for(lock, std::chrono::nanoseconds(due - now));
            continue;
        }
        Closed c = std::move(m_closed.front());
        m_closed.pop_front();
        // Destroying a client can take a while (a JACK client's thread is
        // joined): adding more must not wait for it.
        lock.unlock();
        c.destroy();
        lock.lock();
    }
}
