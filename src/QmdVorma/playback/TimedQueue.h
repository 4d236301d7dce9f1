#ifndef QMDVORMA_PLAYBACK_TIMEDQUEUE_H
#define QMDVORMA_PLAYBACK_TIMEDQUEUE_H

#include "QmdVorma/QmdVorma.h"
#include "midi/PriorityInheritanceMutex.h"

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

// A bounded queue of records kept in order of their `time` member, shared
// between producer threads and one taker. Records with equal times leave in
// the order they came. Producers never wait for the taker: a full queue
// refuses the record.
//
// Every operation takes only the queue's own mutex and calls nothing else
// while holding it, so the queue can be used under any other engine lock.
// The slots are allocated once, so pushing and taking allocate nothing
// beyond what copying a record itself needs.
template <class T>
class TimedQueue
{
public:
    static constexpr int DefaultCapacity = 1000;

    explicit TimedQueue(int capacity = DefaultCapacity)
        : m_slots(std::size_t(std::max(capacity, 0)))
    {
    }
    TimedQueue(const TimedQueue &) = delete;
    TimedQueue &operator=(const TimedQueue &) = delete;

    int capacity() const { return int(m_slots.size()); }

    int size() const
    {
        std::lock_guard<PriorityInheritanceMutex> lock(m_mutex);
        return m_count;
    }

    bool isEmpty() const { return size() == 0; }

    // Inserts after every record whose time is not later; false (and
    // nothing inserted) when the queue is full.
    bool push(const T &record) { return push(T(record)); }

    bool push(T &&record)
    {
        std::lock_guard<PriorityInheritanceMutex> lock(m_mutex);
        if (m_count >= capacity())
            return false;
        insert(std::move(record));
        return true;
    }

    // Both records or neither: the two halves of a 14-bit controller value
    // must not be split by a queue that fills up between them.
    bool pushPair(const T &first, const T &second)
    {
        std::lock_guard<PriorityInheritanceMutex> lock(m_mutex);
        if (m_count > capacity() - 2)
            return false;
        insert(T(first));
        insert(T(second));
        return true;
    }

    // Moves due records (time not later than now) from the front to the end
    // of batch, in time order, while batch holds fewer than limit records.
    // Stops at the first record not yet due. Returns how many were moved.
    int takeDue(std::vector<T> &batch, int limit, QmdVorma::Ticks now)
    {
        std::lock_guard<PriorityInheritanceMutex> lock(m_mutex);
        int taken = 0;
        while (m_count > 0 && int(batch.size()) < limit && slot(0).time <= now) {
            batch.push_back(std::move(slot(0)));
            slot(0) = T();
            m_head = (m_head + 1) % capacity();
            --m_count;
            ++taken;
        }
        return taken;
    }

    // The time of the first record; false when the queue is empty. Lets a
    // taker sleep until something is due.
    bool nextTime(QmdVorma::Ticks *time) const
    {
        std::lock_guard<PriorityInheritanceMutex> lock(m_mutex);
        if (m_count == 0)
            return false;
        *time = slot(0).time;
        return true;
    }

    void clear()
    {
        std::lock_guard<PriorityInheritanceMutex> lock(m_mutex);
        for (int i = 0; i < m_count; ++i)
            slot(i) = T();
        m_head = 0;
        m_count = 0;
    }

private:
    T &slot(int i) { return m_slots[std::size_t((m_head + i) % capacity())]; }
    const T &slot(int i) const { return m_slots[std::size_t((m_head + i) % capacity())]; }

    // Caller holds the mutex and has checked for room.
    void insert(T &&record)
    {
        // Upper bound: the first record later than the new one.
        int lo = 0;
        int hi = m_count;
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (record.time < slot(mid).time)
                hi = mid;
            else
                lo = mid + 1;
        }
        // Records mostly arrive in time order, so this shift is usually empty.
        for (int i = m_count; i > lo; --i)
            slot(i) = std::move(slot(i - 1));
        slot(lo) = std::move(record);
        ++m_count;
    }

    mutable PriorityInheritanceMutex m_mutex;
    std::vector<T> m_slots;
    int m_head = 0;
    int m_count = 0;
};

#endif
