#include "QmdVorma/playback/AbstractInstrument.h"

#include "QmdVorma/playback/AbstractSync.h"
#include "midi/Platform.h"

#include <algorithm>

AbstractInstrument::AbstractInstrument(QmdItemId id, QObject *parent)
    : AbstractOutputThread(parent)
    , m_id(id)
{
    m_batch.reserve(BatchLimit);
}

AbstractInstrument::~AbstractInstrument()
{
    stopThread();
}

void AbstractInstrument::setController(QmdVormaController *newController)
{
    if (QmdVormaController *old = controller())
        disconnect(old, &QmdVormaController::instrumentDataEffected, this,
                   &AbstractInstrument::onInstrumentDataEffected);
    QmdObserver::setController(newController);
    if (newController)
        connect(newController, &QmdVormaController::instrumentDataEffected, this,
                &AbstractInstrument::onInstrumentDataEffected);
    reset();
}

bool AbstractInstrument::queueMessage(const MidiOutputMessage &message)
{
    if (!m_queue.push(message))
        return false;
    wakeIfFirst(message.time);
    return true;
}

bool AbstractInstrument::queueMessagePair(const MidiOutputMessage &first, const MidiOutputMessage &second)
{
    if (!m_queue.pushPair(first, second))
        return false;
    wakeIfFirst(std::min(first.time, second.time));
    return true;
}

void AbstractInstrument::wakeIfFirst(QmdVorma::Ticks time)
{
    // A message behind the first one is due no sooner than what the thread
    // already sleeps for; only a new first message needs it awake.
    QmdVorma::Ticks first = 0;
    if (m_queue.nextTime(&first) && first >= time)
        wake();
}

bool AbstractInstrument::sendNow(const MidiOutputMessage &message)
{
    return sendMessages(std::vector<MidiOutputMessage>{message});
}

void AbstractInstrument::reset()
{
    m_queue.clear();
}

void AbstractInstrument::onInstrumentDataEffected(QmdItemId, const QStringList &, QmdRequestId)
{
}

void AbstractInstrument::processOutput()
{
    AbstractSync *clock = sync();
    // A document's instrument plays its clock's time line: what the voice
    // groups queued for the start waits until the clock runs (its start
    // wakes the thread). The thru instrument sends whatever its clock does.
    if (!clock || (m_id != 0 && !clock->isPlaying()))
        return;
    awaitFirstDue(clock);
    m_batch.clear();
    m_queue.takeDue(m_batch, BatchLimit, clock->currentTicks());
    if (!m_batch.empty())
        sendMessages(m_batch);
}

void AbstractInstrument::awaitFirstDue(AbstractSync *clock)
{
    const quint64 now = currentTimeNs();
    if (m_plannedWakeNs != 0 && now >= m_plannedWakeNs) {
        // A timed wake: how late it came sets the lead, which then fades
        // by 1/64 a wake while the machine stays calm.
        const quint64 late = now - m_plannedWakeNs;
        m_leadNs = qBound(MinLeadNs, std::max(m_leadNs - m_leadNs / 64, 2 * late), MaxLeadNs);
    }
    m_plannedWakeNs = 0;
    QmdVorma::Ticks first = 0;
    quint64 due = 0;
    if (!m_queue.nextTime(&first) || !clock->dueTimeNs(first, &due) || due <= now || due - now > m_leadNs)
        return;
    while (currentTimeNs() < due) {
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
    }
}

quint64 AbstractInstrument::nextPassNs(quint64 now)
{
    const quint64 idle = now + IdleWakeMs * 1000000u;
    AbstractSync *clock = sync();
    QmdVorma::Ticks first = 0;
    quint64 due = 0;
    if (!clock || !m_queue.nextTime(&first) || !clock->dueTimeNs(first, &due)) {
        m_plannedWakeNs = 0;
        return idle;
    }
    const quint64 wake = due > now + m_leadNs ? due - m_leadNs : due;
    m_plannedWakeNs = std::min(wake, idle);
    return m_plannedWakeNs;
}
