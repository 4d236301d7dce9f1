#ifndef MIDI_CLOSEDCLIENTREAPER_H
#define MIDI_CLOSEDCLIENTREAPER_H

#include <QString>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// Closes MIDI clients and destroys them once a grace period has passed since
// the close, on a thread of its own. A closed client may still be used by
// its driver thread for a while, yet one left running costs a server cycle
// each time: so each is destroyed as soon as its grace has passed, whether
// or not anything else is closed after it.
//
// Closing a JACK client's port takes a server round trip or two, and the
// clients close one at a time in the process: a thread closing a document
// with many ports would wait for all of them. Here the ports close while
// that thread goes on. Closes and due destructions take turns in the order
// they became due, so neither waits on a long run of the other.
class ClosedClientReaper
{
public:
    explicit ClosedClientReaper(quint64 graceNs);
    // Closes what still waits to be closed, waits out the grace of the
    // clients still waiting, then destroys them.
    ~ClosedClientReaper();
    ClosedClientReaper(const ClosedClientReaper &) = delete;
    ClosedClientReaper &operator=(const ClosedClientReaper &) = delete;

    // Runs destroy on the reaper's thread once the grace has passed.
    void add(std::function<void()> destroy);
    // Runs close on the reaper's thread as soon as it can, then destroy
    // once the grace has passed since close returned. The key names what
    // the client's port was linked to (the port it opened).
    void add(const QString &key, std::function<void()> close, std::function<void()> destroy);
    // Returns once no client of that key waits to be closed or is closing.
    void waitUntilClosed(const QString &key);
    // Returns once every client added so far is closed and destroyed.
    void finish();
    // Clients waiting to be closed or for their grace to pass.
    std::size_t waitingCount() const;

private:
    struct Closing
    {
        quint64 addedNs;
        QString key;
        std::function<void()> close;
        std::function<void()> destroy;
    };
    struct Closed
    {
        quint64 dueNs;
        std::function<void()> destroy;
    };

    void startThread(); // caller holds m_mutex
    void run();
    // Caller holds m_mutex.
    bool keyWaits(const QString &key) const;

    const quint64 m_graceNs;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;  // work added, or stop
    std::condition_variable m_progress; // a close or destroy done
    std::deque<Closing> m_closing;      // in the order they came
    std::deque<Closed> m_closed;        // in due order: the grace is the same for all
    QString m_closingKey;               // of the close under way
    bool m_closingNow = false;
    bool m_destroyingNow = false;
    bool m_stop = false;
    std::thread m_thread; // started by the first add
};

#endif
