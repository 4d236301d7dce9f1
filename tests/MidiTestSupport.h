#ifndef TESTS_MIDITESTSUPPORT_H
#define TESTS_MIDITESTSUPPORT_H

#include "midi/FakeMidiBackend.h"
#include "midi/MidiInput.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// Installs a fresh fake MIDI system for the scope, then returns to the
// platform's.
class ScopedFakeMidi
{
public:
    // Closed devices' clients are destroyed once the grace has passed.
    explicit ScopedFakeMidi(quint64 clientGraceNs = 0) : fake(FakeMidiBackend::install(clientGraceNs)) {}
    ~ScopedFakeMidi() { MidiBackend::setCurrent(nullptr); }
    FakeMidiBackend *operator->() const { return fake.get(); }

    const std::shared_ptr<FakeMidiBackend> fake;
};

// Counts an input's readyRead() on the relay thread itself (a direct
// connection; QSignalSpy is not safe across threads) and keeps what it took.
class ReadyReadCounter
{
public:
    explicit ReadyReadCounter(MidiInput *input, bool takeMessages = true)
    {
        m_connection = QObject::connect(input, &MidiInput::readyRead, [this, takeMessages](MidiInput *in) {
            QVector<MidiInputMessage> taken;
            if (takeMessages)
                taken = in->takeMessages();
            std::function<void()> hook;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                hook = m_hook;
            }
            if (hook)
                hook();
            std::lock_guard<std::mutex> lock(m_mutex);
            m_lastThread = std::this_thread::get_id();
            ++m_count;
            m_messages += taken;
            m_changed.notify_all();
        });
    }
    ~ReadyReadCounter() { QObject::disconnect(m_connection); }

    // Runs on the relay thread inside each readyRead().
    void setHook(std::function<void()> hook)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_hook = std::move(hook);
    }

    bool waitFor(int count, int timeoutMs = 5000)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                  [&] { return m_count >= count; });
    }
    int count() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_count;
    }
    // The thread readyRead() last came on.
    std::thread::id lastThread() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_lastThread;
    }
    QVector<MidiInputMessage> messages() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_messages;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::function<void()> m_hook;
    int m_count = 0;
    std::thread::id m_lastThread;
    QVector<MidiInputMessage> m_messages;
    QMetaObject::Connection m_connection;
};

#endif
