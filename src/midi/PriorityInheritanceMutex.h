#ifndef MIDI_PRIORITYINHERITANCEMUTEX_H
#define MIDI_PRIORITYINHERITANCEMUTEX_H

#include <pthread.h>

// A pthread mutex with the priority-inheritance protocol, for every lock
// that time-critical threads (voice groups, instrument and clock outputs)
// share with threads of normal priority (the window's, the MIDI driver's):
// while a time-critical thread waits for it, the holder runs at the
// waiter's priority, so a busy machine that preempts an ordinary holder
// cannot hold up the waiter for longer than the holder's own work.
//
// Lockable, so std::lock_guard, std::unique_lock and
// std::condition_variable_any take it; a pthread mutex underneath, so
// ThreadSanitizer sees every lock and unlock.
class PriorityInheritanceMutex
{
public:
    enum Kind {
        NonRecursive,
        // The owner may lock again; each lock needs its unlock.
        Recursive
    };

    explicit PriorityInheritanceMutex(Kind kind = NonRecursive);
    ~PriorityInheritanceMutex();
    PriorityInheritanceMutex(const PriorityInheritanceMutex &) = delete;
    PriorityInheritanceMutex &operator=(const PriorityInheritanceMutex &) = delete;

    void lock();
    bool try_lock();
    void unlock();

    pthread_mutex_t *native_handle() { return &m_mutex; }

private:
    pthread_mutex_t m_mutex;
};

#endif
