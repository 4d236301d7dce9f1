#include "QmdVorma/playback/AbstractOutputThread.h"

#include "QmdVorma/playback/AbstractSync.h"
#include "midi/Platform.h"

#include <chrono>

namespace {

// currentTimeNs() and std::chrono::steady_clock both read CLOCK_MONOTONIC,
// so a due time converts directly into a deadline for the wait.
std::chrono::steady_clock::time_point steadyTime(quint64 ns)
{
    return std::chrono::steady_clock::time_point(std::chrono::nanoseconds(ns));
}

} // namespace

AbstractOutputThread::AbstractOutputThread(QObject *parent)
    : QThread(parent)
{
}

AbstractOutputThread::~AbstractOutputThread()
{
    stopThread();
    setSync(nullptr);
}

void AbstractOutputThread::setSync(AbstractSync *sync)
{
    AbstractSync *old = m_sync.exchange(sync);
    if (old == sync)
        return;
    if (old)
        old->removeTimingListener(this);
    if (sync)
        sync->addTimingListener(this);
    wake();
}

void AbstractOutputThread::setInterval(int microseconds)
{
    m_interval.store(qMax(1, microseconds));
}

void AbstractOutputThread::play()
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_mutex);
    m_state.store(Playing);
    m_wakePending = true;
    m_wake.notify_all();
}

void AbstractOutputThread::pause()
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_mutex);
    m_state.store(Paused);
}

void AbstractOutputThread::pauseAndWait()
{
    std::unique_lock<PriorityInheritanceMutex> lock(m_mutex);
    m_state.store(Paused);
    // A pass that pauses its own thread is the pass in progress.
    if (std::this_thread::get_id() == m_runThread)
        return;
    m_passDone.wait(lock, [this] { return !m_inPass; });
}

void AbstractOutputThread::terminateSafely()
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_mutex);
    m_terminate = true;
    m_wake.notify_all();
}

void AbstractOutputThread::wake()
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_mutex);
    m_wakePending = true;
    m_wake.notify_all();
}

void AbstractOutputThread::stopThread()
{
    terminateSafely();
    wait();
}

quint64 AbstractOutputThread::nextPassNs(quint64 now)
{
    return now + quint64(m_interval.load()) * 1000u;
}

void AbstractOutputThread::syncTimingChanged()
{
    wake();
}

void AbstractOutputThread::syncDestroyed(AbstractSync *sync)
{
    m_sync.compare_exchange_strong(sync, nullptr);
}

void AbstractOutputThread::run()
{
    applyCurrentThreadPriority(priority());
    // Without real-time scheduling a timed wake-up may otherwise come 50 us
    // late: messages and clocks are due to the tick.
    setCurrentThreadTimerSlackNs(1000);
    std::unique_lock<PriorityInheritanceMutex> lock(m_mutex);
    m_runThread = std::this_thread::get_id();
    for (;;) {
        m_wake.wait(lock, [this] { return m_terminate || m_state.load() == Playing; });
        if (m_terminate)
            break;
        // Cleared before the pass reads anything, so whatever arrives from
        // now on shortens the sleep that follows.
        m_wakePending = false;
        m_inPass = true;
        lock.unlock();

        processOutput();
        const quint64 now = currentTimeNs();
        const quint64 next = nextPassNs(now);

        lock.lock();
        m_inPass = false;
        m_passDone.notify_all();
        if (next > now) {
            m_wake.wait_until(lock, steadyTime(next), [this] {
                return m_terminate || m_wakePending || m_state.load() != Playing;
            });
        }
    }
    m_runThread = std::thread::id();
}
