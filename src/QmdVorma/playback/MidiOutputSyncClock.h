#ifndef QMDVORMA_PLAYBACK_MIDIOUTPUTSYNCCLOCK_H
#define QMDVORMA_PLAYBACK_MIDIOUTPUTSYNCCLOCK_H

#include "QmdVorma/playback/AbstractOutputThread.h"
#include "midi/MidiOutput.h"
#include "QmdVorma/QmdVorma.h"

#include <atomic>
#include <vector>

// One MIDI output port to which a playback clock (MidiSync) sends MIDI
// clock, and the thread that sends its timing clocks: 24 per beat, each one
// when the clock's beat position reaches the next multiple of
// BeatTicksPerClock. Start, continue, stop and song position come from the
// clock itself as it starts, stops and rewinds.
//
// The clock holds its lock for writing while it sends, and a pass holds it
// for reading from reading the position until the clocks are sent and
// counted, so no timing clock is sent twice and none follows a stop.
// Between clocks the thread sleeps until shortly before the next one is
// due (woken early by any change of the clock's timing) and watches the
// time for the rest: a timed wake-up may come a tenth of a millisecond
// late, and receivers judge the tempo by the spacing of the clocks.
//
// A send that fails pauses the thread and closes the port (its name is then
// empty); the output stays with its clock, sending nothing, until the clock
// retires it. The document is not touched.
class MidiOutputSyncClock : public AbstractOutputThread, public MidiOutput
{
public:
    static constexpr QmdVorma::BeatTicks BeatTicksPerClock = 27720;
    // A late output catches up in bursts of at most this many clocks, one
    // burst per poll interval.
    static constexpr int MaxClocksPerPass = 10;
    // How long before a clock is due the thread wakes to watch the time.
    static constexpr quint64 FinalApproachNs = 200000;

    explicit MidiOutputSyncClock(QObject *parent = nullptr);
    // Stops and joins the thread before the port is let go.
    ~MidiOutputSyncClock() override;

    // Microseconds between two passes of a burst at a tempo (0 counts as 1):
    // a sixth of a clock's spacing, 80 at 120 beats per minute, never more
    // than 500.
    static int pollIntervalUs(uint tempo);

    // Timing clocks counted since construction or the last song position
    // zero. The clock that marks a start is not counted.
    quint64 clocksSent() const { return m_clocksSent.load(); }

    // Sends and counts the timing clocks due at a beat position: those up to
    // position div BeatTicksPerClock not yet sent, at most MaxClocksPerPass.
    // A position behind the count (pulled back by phase correction) sends
    // nothing until it passes the count again. True when more are due.
    bool sendClocksDue(QmdVorma::BeatTicks position);
    // One status byte, song position zero (which sets the count to 0), or
    // any bytes, each as one raw message. False when the send failed; the
    // thread is then paused and the port closed.
    bool sendByte(quint8 status);
    bool sendSongPositionZero();
    bool sendRaw(const std::vector<quint8> &bytes);

    // For the clock while it holds its lock for writing: paused at once,
    // without waiting for a pass (one waiting for the lock will find the
    // clock stopped), then the clocks due up to the stop position and MIDI
    // stop.
    void stopAt(QmdVorma::BeatTicks position);

    // Paused once the pass in progress has ended, then the clocks due at
    // the clock's position and MIDI stop. Not while holding the clock's lock.
    void pauseAndWait() override;

protected:
    void processOutput() override;
    quint64 nextPassNs(quint64 now) override;

private:
    std::atomic<quint64> m_clocksSent{0};
    // When the next clock is due and when the thread wakes for it
    // (currentTimeNs); the thread's own.
    quint64 m_dueNs = 0;
    quint64 m_nextPassNs = 0;
};

#endif
