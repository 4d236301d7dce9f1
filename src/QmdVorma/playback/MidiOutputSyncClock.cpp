#include "QmdVorma/playback/MidiOutputSyncClock.h"

#include "QmdVorma/playback/MidiSync.h"
#include "midi/Platform.h"

#include <algorithm>

namespace {

constexpr quint8 TimingClock = 0xF8;
constexpr quint8 Stop = 0xFC;

} // namespace

MidiOutputSyncClock::MidiOutputSyncClock(QObject *parent)
    : AbstractOutputThread(parent)
{
}

MidiOutputSyncClock::~MidiOutputSyncClock()
{
    stopThread();
}

int MidiOutputSyncClock::pollIntervalUs(uint tempo)
{
    const quint64 perClock = 60000u / (24u * quint64(std::max(tempo, 1u)));
    return int(std::max<quint64>(1, std::min<quint64>(4 * perClock, 500)));
}

bool MidiOutputSyncClock::sendClocksDue(QmdVorma::BeatTicks position)
{
    const quint64 reached = position / BeatTicksPerClock;
    const quint64 sent = m_clocksSent.load();
    if (reached <= sent)
        return false;
    const quint64 due = reached - sent;
    const quint64 now = std::min<quint64>(due, MaxClocksPerPass);
    for (quint64 i = 0; i < now; ++i) {
        if (!sendByte(TimingClock))
            return false;
        m_clocksSent.fetch_add(1);
    }
    return due > now;
}

bool MidiOutputSyncClock::sendByte(quint8 status)
{
    return sendRaw({status});
}

bool MidiOutputSyncClock::sendSongPositionZero()
{
    m_clocksSent.store(0);
    return sendRaw({0xF2, 0x00, 0x00});
}

bool MidiOutputSyncClock::sendRaw(const std::vector<quint8> &bytes)
{
    MidiOutputMessage message;
    message.kind = MidiOutputMessage::Raw;
    message.bytes = bytes;
    if (sendMessages({message}))
        return true;
    // Not pauseAndWait(): the clock may hold its lock here, with a pass
    // of this thread waiting for it.
    pause();
    close();
    return false;
}

void MidiOutputSyncClock::stopAt(QmdVorma::BeatTicks position)
{
    pause();
    if (!sync())
        return;
    sendClocksDue(position);
    sendByte(Stop);
}

void MidiOutputSyncClock::pauseAndWait()
{
    AbstractOutputThread::pauseAndWait();
    if (AbstractSync *clock = sync()) {
        sendClocksDue(clock->currentBeatTicks());
        sendByte(Stop);
    }
}

void MidiOutputSyncClock::processOutput()
{
    // Woken for the final approach: watch the time until the clock is due.
    // No lock is held meanwhile; the pass below decides what is due.
    for (quint64 now = currentTimeNs(); now < m_dueNs && m_dueNs - now <= FinalApproachNs; now = currentTimeNs()) {
    }
    // Counted from before the pass, so the time spent waiting for the lock
    // and sending can only make the next pass early (when it finds nothing
    // due and sleeps again), never late.
    const quint64 passStart = currentTimeNs();
    auto *clock = qobject_cast<MidiSync *>(sync());
    const quint64 delay = clock ? clock->runClockOutputPass(*this) : MidiSync::IdleOutputDelayNs;
    m_dueNs = passStart + delay;
    m_nextPassNs = m_dueNs - std::min(delay, FinalApproachNs);
}

quint64 MidiOutputSyncClock::nextPassNs(quint64)
{
    return m_nextPassNs;
}
