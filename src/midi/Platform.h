#ifndef MIDI_PLATFORM_H
#define MIDI_PLATFORM_H

#include <QThread>
#include <QtGlobal>

// The small layer between the engine and Linux: one time base and thread
// scheduling.

// Monotonic nanoseconds (CLOCK_MONOTONIC). Every thread of the process reads
// the same base, so stamps taken on a MIDI driver thread compare directly
// with the playback clock's readings on any other thread.
quint64 currentTimeNs();

// False when the environment variable VORMA_REALTIME is "0" (the test
// script sets it), so no test thread ever competes with the machine at
// real-time priority.
bool realtimeSchedulingEnabled();

// Sets the calling thread's scheduling for a QThread priority. Qt maps
// priorities to nothing under Linux's default policy, so time-critical
// threads ask for SCHED_FIFO here, from inside the thread; when that is not
// permitted (no rtprio limit) or disabled the thread silently keeps the
// normal policy. Every other priority gives the normal policy. Returns true
// when the thread now runs with real-time scheduling.
bool applyCurrentThreadPriority(QThread::Priority priority);

// Timed sleeps of the calling thread end within `ns` of their time; Linux
// otherwise lets a thread of the normal policy wake up to 50 us late, to
// group wake-ups.
void setCurrentThreadTimerSlackNs(unsigned long ns);

#endif
