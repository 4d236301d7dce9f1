#include "midi/Platform.h"

#include <pthread.h>
#include <sys/prctl.h>
#include <sched.h>
#include <time.h>

namespace {

// Below the default priority of a JACK server's process thread (10), so
// audio processing is never preempted by the engine's MIDI threads.
constexpr int TimeCriticalFifoPriority = 8;

} // namespace

quint64 currentTimeNs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return quint64(ts.tv_sec) * 1000000000ull + quint64(ts.tv_nsec);
}

bool realtimeSchedulingEnabled()
{
    return qEnvironmentVariable("VORMA_REALTIME").trimmed() != QLatin1String("0");
}

bool applyCurrentThreadPriority(QThread::Priority priority)
{
    const pthread_t self = pthread_self();
    if (priority == QThread::TimeCriticalPriority && realtimeSchedulingEnabled()) {
        sched_param param{};
        param.sched_priority = TimeCriticalFifoPriority;
        if (pthread_setschedparam(self, SCHED_FIFO, &param) == 0)
            return true;
    }
    int policy = SCHED_OTHER;
    sched_param current{};
    if (pthread_getschedparam(self, &policy, &current) == 0
        && (policy == SCHED_FIFO || policy == SCHED_RR)) {
        sched_param normal{};
        pthread_setschedparam(self, SCHED_OTHER, &normal);
    }
    return false;
}

void setCurrentThreadTimerSlackNs(unsigned long ns)
{
    prctl(PR_SET_TIMERSLACK, qMax(1ul, ns), 0, 0, 0);
}
