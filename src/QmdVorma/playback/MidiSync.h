#ifndef QMDVORMA_PLAYBACK_MIDISYNC_H
#define QMDVORMA_PLAYBACK_MIDISYNC_H

#include "QmdVorma/playback/AbstractSync.h"
#include "midi/MidiInputMessage.h"
#include "midi/PriorityInheritanceMutex.h"

#include <QHash>
#include <QSet>

#include <atomic>
#include <deque>
#include <mutex>
#include <vector>

class MidiInput;
class MidiOutputSyncClock;

// The playback clock of type "internal": it runs on currentTimeNs() at the
// document's tempo and ratio.
//
// The position is the sum of accumulators that hold everything played up to
// a mark, plus the segment running since the mark while playing. A change
// of tempo or ratio first folds the running segment into the accumulators
// at the old rate, so it never moves the position, only its slope.
//
// A tempo, numerator or denominator of 0 (a document file can hold one) is
// kept as the value, and counts as 1 for the rates: nothing divides by it.
//
// MIDI clock. Bound to a document, the clock follows MIDI clock arriving
// on the input ports named in `SyncMidiInputs` and sends MIDI clock to the
// output ports named in `SyncMidiOutputs` (entries whose `MidiSync` is
// true), and keeps both sets in step with the document.
//
// Following runs on the port layer's relay thread: start (0xFA) and song
// position zero go to start through the controller's transport; start and
// continue (0xFB) make the next timing clock (0xF8) start the clock at its
// own time stamp (that clock marks the position and is not counted); stop
// (0xFC) stops it at the stop's time stamp, on the position the received
// clocks count; the spacing of the clocks sets the tempo (at most one
// change per 100 ms, written into the document's `Tempo` through the
// binding); and a position more than half a clock off the count in three
// batches in a row jumps onto it.
//
// Sending: each output port has a MidiOutputSyncClock thread. Starting
// sends start (or continue when clocks were sent since the last rewind),
// waits a lead-in of 10 ms and sends a timing clock that marks the
// position; the threads then send one clock per 27720 beat ticks. Stopping
// sends the clocks due up to the stop position and stop; a rewind sends
// song position zero.
//
// All clock state is guarded by one priority-inheriting mutex (real-time
// threads read the clock, ordinary ones change it), which is not recursive
// and is never held while a signal is emitted, a listener is told or
// anything outside the clock is called. Ports are found, opened and retired
// outside it (a port that fails to send is closed where the send failed).
// Sends happen under it (the clock's own bytes and an output thread's clocks
// alike), so every byte goes out in the order of the clock's state changes.
class MidiSync : public AbstractSync
{
    Q_OBJECT

public:
    static constexpr quint64 ClockLeadInNs = 10000000;
    // How long an output thread sleeps when it cannot tell when the next
    // clock is due; timing changes wake it earlier.
    static constexpr quint64 IdleOutputDelayNs = 200000000;

    // Stopped at 0, 120 beats per minute, 1:1, with its rates computed, so
    // it runs even when it is never bound to a document.
    explicit MidiSync(QObject *parent = nullptr);
    // Closes the clock's MIDI ports, waiting for deliveries in flight and
    // joining the output threads.
    ~MidiSync() override;

    static QString staticTypeKey();
    QString typeKey() const override;
    QString displayName() const override;

    bool isPlaying() const override;
    // Starts or stops now; with MIDI clock outputs a start gets the lead-in.
    void setPlaying(bool playing) override;
    // The common body of starting and stopping. Starting sends start or
    // continue to the outputs, anchors the running segment at startNs +
    // leadInNs, waiting (lock held) for that moment when leadInNs is not 0,
    // sends the marking clock and sets the outputs playing; it keeps the
    // accumulators. A start while playing only re-anchors the running
    // segment at startNs, dropping what was played since the last fold; the
    // outputs hear nothing of it. Stopping folds at startNs, and the
    // outputs send the clocks due up to there and stop.
    void setPlayingAt(quint64 startNs, quint64 leadInNs, bool playing);

    // Retires the MIDI clock ports, binds (see AbstractSync), then opens the
    // ports the new document names.
    void setController(QmdVormaController *controller) override;

    // Port names as the document keys them (ALSA's client:port numbers do
    // not count). Adding makes a port object for each name that has none yet
    // and opens it (an output joins a playing clock at once); one whose port
    // is missing or fails stays, without a port name, until its name is
    // removed. Removing closes the ports of the names (waiting for their
    // deliveries in flight, joining their threads). GUI thread; never with
    // the clock's lock held.
    void addSyncInputs(const QSet<QString> &names);
    void addSyncOutputs(const QSet<QString> &names);
    void removeSyncInputs(const QSet<QString> &names);
    void removeSyncOutputs(const QSet<QString> &names);
    QList<MidiInput *> syncInputs() const;
    QList<MidiOutputSyncClock *> syncOutputs() const;

    // One pass of an output thread, with the lock held for reading: sends
    // and counts the clocks due now, and returns in how many ns the next
    // pass is due.
    quint64 runClockOutputPass(MidiOutputSyncClock &output);

    uint tempo() const override;
    uint principalsToBeatsNumerator() const override;
    uint principalsToBeatsDenominator() const override;

    quint64 elapsedNs() const override;
    QmdVorma::Ticks currentTicks() const override;
    QmdVorma::BeatTicks currentBeatTicks() const override;

    QmdVorma::Ticks nsToTicks(quint64 ns) const override;
    quint64 ticksToNs(QmdVorma::Ticks ticks) const override;
    QmdVorma::BeatTicks nsToBeatTicks(quint64 ns) const override;
    quint64 beatTicksToNs(QmdVorma::BeatTicks beatTicks) const override;
    QmdVorma::BeatTicks ticksToBeatTicks(QmdVorma::Ticks ticks) const override;
    QmdVorma::Ticks beatTicksToTicks(QmdVorma::BeatTicks beatTicks) const override;

    bool dueTimeNs(QmdVorma::Ticks ticks, quint64 *ns) const override;

public slots:
    // Also clears what following counted, and the outputs send song
    // position zero.
    void reset() override;
    void setTempo(uint tempo) override;
    void setPrincipalsToBeatsNumerator(uint numerator) override;
    void setPrincipalsToBeatsDenominator(uint denominator) override;

    // The controller's changes under `SyncMidiInputs` and `SyncMidiOutputs`:
    // entries added or removed, or their `MidiSync` set or cleared.
    void onItemsChanged(const QmdIndex &parent, const QStringList &keys);
    void onItemsRemoved(const QmdIndex &parent, const QStringList &keys);
    // Takes and follows everything queued on the input; connected directly,
    // so it runs on the port layer's relay thread.
    void onMidiSyncReadyRead(MidiInput *input);

protected:
    // The clock's reading of real time; tests give it a time of their own.
    virtual quint64 nowNs() const;

    // Follows one batch of received messages in arrival order.
    void followMidiClock(const QVector<MidiInputMessage> &messages);

    // Where MIDI clock following pulls the beat position into phase: the
    // correction added to the beat-tick position (the tick correction
    // follows it through the ratio).
    void setBeatTickOffset(qint64 offset);

private:
    enum class Field { Tempo, Numerator, Denominator };
    void setField(Field field, uint value);
    // snapToReceivedClocks: a stop by the follower, which puts the stopped
    // beat position on the clocks it counted.
    void changePlaying(quint64 startNs, quint64 leadInNs, bool playing, bool snapToReceivedClocks);

    // Following, on a relay thread; each takes the lock itself.
    // The moment the driver stamped the message, on the currentTimeNs()
    // scale: the deltas the driver reports, added up from an anchor, so
    // the tempo follows the clocks as they were sent however late this
    // thread gets to them. Called for every message, in order.
    quint64 driverTimeNs(const MidiInputMessage &message);
    bool followTimingClock(const MidiInputMessage &message, quint64 driverNs);
    // From the driver's stamp of a timing clock.
    void estimateTempo(quint64 driverNs, bool startedClock);
    void checkPhase();
    void setPendingStart(bool pending);
    void requestGotoStart();
    void requestPrimePlayback(bool playing);

    // Takes every port out of the lists and closes them.
    void retireSyncPorts();
    static void closeInputs(const std::vector<MidiInput *> &inputs);
    static void stopOutputs(const std::vector<MidiOutputSyncClock *> &outputs);
    // By the display name a port was asked for, whether or not it opened.
    template <class Port>
    bool hasSyncPort(const std::vector<Port *> &ports, const QString &displayName) const;
    template <class Port>
    std::vector<Port *> takeSyncPorts(std::vector<Port *> &ports, const QSet<QString> &names);

    // The functions below run with m_lock held.
    void recomputeRates();
    void foldAt(quint64 ns);
    quint64 runningNs(quint64 now) const;
    QmdVorma::Ticks ticksAt(quint64 now) const;
    QmdVorma::BeatTicks beatTicksAt(quint64 now) const;
    // When the running segment brings a position (accumulator plus
    // correction) to `target` at the rate num/den.
    quint64 dueAt(quint64 accumulator, qint64 offset, quint64 num, quint64 den, quint64 target) const;

    mutable PriorityInheritanceMutex m_lock;

    // Read without the lock by the plain getters; written under it.
    std::atomic<bool> m_playing{false};
    std::atomic<uint> m_tempo{120};
    std::atomic<uint> m_numerator{1};
    std::atomic<uint> m_denominator{1};

    // Totals up to m_markNs.
    quint64 m_elapsedNs = 0;
    QmdVorma::Ticks m_ticks = 0;
    QmdVorma::BeatTicks m_beatTicks = 0;
    quint64 m_markNs = 0;
    qint64 m_tickOffset = 0;
    qint64 m_beatTickOffset = 0;

    // The rates as exact fractions (ticks = ns x m_tickNum / m_tickDen, and
    // so on), so whole seconds give whole tick counts without rounding
    // drift. Set by recomputeRates().
    quint64 m_tickNum = 1;
    quint64 m_tickDen = 1;
    quint64 m_beatNum = 1;
    quint64 m_beatDen = 1;
    quint64 m_ratioNum = 1;
    quint64 m_ratioDen = 1;

    // MIDI clock, under m_lock.
    std::vector<MidiInput *> m_syncInputs;
    std::vector<MidiOutputSyncClock *> m_syncOutputs;
    // The display name of the entry each of them was opened for.
    QHash<const QObject *, QString> m_syncPortNames;
    // Set by start and continue, taken by the next timing clock.
    bool m_pendingStart = false;
    // 27720 per timing clock received while playing, not counting the one
    // that marks a start; cleared by reset.
    quint64 m_expectedBeatTicks = 0;
    // Batches in a row whose position was more than half a clock off.
    int m_mismatchCount = 0;

    // The controller the follower calls; set while bound, and cleared only
    // after the inputs are closed.
    std::atomic<QmdVormaController *> m_followed{nullptr};

    // The tempo estimate: clock stamps of the window (at most 2 s) after its
    // start. Several input ports may deliver at once.
    PriorityInheritanceMutex m_estimateMutex;
    std::deque<quint64> m_clockStamps;
    bool m_windowOpen = false;
    quint64 m_windowStartNs = 0;
    quint64 m_lastClockNs = 0;
    double m_previousWindowedTempo = 0;
    // The driver's time line (driverTimeNs).
    quint64 m_driverNs = 0;
    bool m_driverAnchored = false;
    quint64 m_lastTempoChangeNs = 0;
};

// A new clock for a `SyncType` value (case is ignored) with the parent;
// null for a type that names no clock.
AbstractSync *createSync(const QString &typeKey, QObject *parent);

#endif
