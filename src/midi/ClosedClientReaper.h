#ifndef MIDI_CLOSEDCLIENTREAPER_H
#define MIDI_CLOSEDCLIENTREAPER_H

#include <QtGlobal>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// Destroys MIDI clients whose port has closed once a grace period has passed
// since the close, on a thread of its own. A closed client may still be
// used by its driver thread for a while, yet one left running costs a
// server cycle each time: so each is destroyed as soon as its grace has
// passed, whether or not anything else is closed after it.
class ClosedClientReaper
{
public:
    explicit ClosedClientReaper(quint64 graceNs);
    // Waits out the grace of the clients still waiting, then destroys them.
    ~ClosedClientReaper();
    ClosedClientReaper(const ClosedClientReaper &) = delete;
    ClosedClientReaper &operator=(const ClosedClientReaper &) = delete;

    // Runs destroy on the reaper's thread once the grace has passed.
    void add(std::function<void()> destroy);
    // Clients waiting for their grace to pass.
    std::size_t waitingCount() const;

private:
    struct Closed
    {
        quint64 dueNs;
        std::function<void()> destroy;
    };

    void run();

    const quint64 m_graceNs;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Closed> m_closed; // in due order: the grace is the same for all
    bool m_stop = false;
    std::thread m_thread; // started by the first add
};

#endif
