#include "app/EventWait.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

bool processEventsUntil(const std::function<bool()> &done, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return done();
        const qint64 step = qBound<qint64>(1, deadline.remainingTime(), 100);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, int(step));
    }
    return true;
}
