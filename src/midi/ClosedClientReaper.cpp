#include "midi/ClosedClientReaper.h"

#include "midi/Platform.h"

#include <chrono>

namespace {

void sleepUntil(quint64 dueNs)
{
    const quint64 now = currentTimeNs();
    if (dueNs > now)
        std::this_thread::sleep_for(std::chrono::nanoseconds(dueNs - now));
}

} // namespace

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
    // The thread may have left before everything was closed and the last
    // clients' grace had passed.
    for (Closing &c : m_closing) {
        c.close();
        m_closed.push_back({currentTimeNs() + m_graceNs, std::move(c.destroy)});
    }
    for (Closed &c : m_closed) {
        sleepUntil(c.dueNs);
        c.destroy();
    }
}

void ClosedClientReaper::add(std::function<void()> destroy)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closed.push_back({currentTimeNs() + m_graceNs, std::move(destroy)});
        startThread();
    }
    m_changed.notify_all();
}

void ClosedClientReaper::add(const QString &key, std::function<void()> close, std::function<void()> destroy)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closing.push_back({currentTimeNs(), key, std::move(close), std::move(destroy)});
        startThread();
    }
    m_changed.notify_all();
}

void ClosedClientReaper::waitUntilClosed(const QString &key)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_progress.wait(lock, [&] { return !keyWaits(key); });
}

void ClosedClientReaper::finish()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_progress.wait(lock, [&] {
        return m_closing.empty() && m_closed.empty() && !m_closingNow && !m_destroyingNow;
    });
}

std::size_t ClosedClientReaper::waitingCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_closing.size() + m_closed.size() + (m_closingNow ? 1 : 0);
}

void ClosedClientReaper::startThread()
{
    if (!m_thread.joinable())
        m_thread = std::thread([this] { run(); });
}

bool ClosedClientReaper::keyWaits(const QString &key) const
{
    if (m_closingNow && m_closingKey == key)
        return true;
    for (const Closing &c : m_closing) {
        if (c.key == key)
            return true;
    }
    return false;
}

void ClosedClientReaper::run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stop) {
        const quint64 now = currentTimeNs();
        const bool destroyDue = !m_closed.empty() && m_closed.front().dueNs <= now;
        // Closing or destroying a client can take a while (a JACK port
        // closes in a server round trip, a JACK client's thread is joined):
        // adding more must not wait for it.
        if (!m_closing.empty() && (!destroyDue || m_closing.front().addedNs <= m_closed.front().dueNs)) {
            Closing c = std::move(m_closing.front());
            m_closing.pop_front();
            m_closingNow = true;
            m_closingKey = c.key;
            lock.unlock();
            c.close();
            c.close = nullptr;
            lock.lock();
            m_closingNow = false;
            m_closingKey.clear();
            m_closed.push_back({currentTimeNs() + m_graceNs, std::move(c.destroy)});
            m_progress.notify_all();
            continue;
        }
        if (destroyDue) {
            Closed c = std::move(m_closed.front());
            m_closed.pop_front();
            m_destroyingNow = true;
            lock.unlock();
            c.destroy();
            c.destroy = nullptr;
            lock.lock();
            m_destroyingNow = false;
            m_progress.notify_all();
            continue;
        }
        if (m_closed.empty())
            m_changed.wait(lock);
        else
            m_changed.wait_for(lock, std::chrono::nanoseconds(m_closed.front().dueNs - now));
    }
}
