#ifndef QMDVORMA_MIDISYNC_H
#define QMDVORMA_MIDISYNC_H

#include "QmdVorma/AbstractSync.h"

#include <atomic>
#include <shared_mutex>

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
// All clock state is guarded by one std::shared_mutex, which is not
// recursive and is never held while a signal is emitted, a listener is told
// or anything outside the clock is called.
class MidiSync : public AbstractSync
{
    Q_OBJECT

public:
    // Stopped at 0, 120 beats per minute, 1:1, with its rates computed, so
    // it runs even when it is never bound to a document.
    explicit MidiSync(QObject *parent = nullptr);

    static QString staticTypeKey();
    QString typeKey() const override;
    QString displayName() const override;

    bool isPlaying() const override;
    // Starts or stops now. (With MIDI clock outputs a start gets a lead-in
    // of 10 ms; the clock has none yet.)
    void setPlaying(bool playing) override;
    // The common body of starting and stopping. Starting anchors the running
    // segment at startNs + leadInNs, waiting (lock held) for that moment when
    // leadInNs is not 0, and keeps the accumulators: a start while playing
    // drops what was played since the last fold. Stopping folds at startNs.
    void setPlayingAt(quint64 startNs, quint64 leadInNs, bool playing);

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
    void reset() override;
    void setTempo(uint tempo) override;
    void setPrincipalsToBeatsNumerator(uint numerator) override;
    void setPrincipalsToBeatsDenominator(uint denominator) override;

protected:
    // The clock's reading of real time; tests give it a time of their own.
    virtual quint64 nowNs() const;

    // Where MIDI clock following pulls the beat position into phase: the
    // correction added to the beat-tick position (the tick correction
    // follows it through the ratio).
    void setBeatTickOffset(qint64 offset);

private:
    enum class Field { Tempo, Numerator, Denominator };
    void setField(Field field, uint value);

    // The functions below run with m_lock held, shared or exclusive.
    void recomputeRates();
    void foldAt(quint64 ns);
    quint64 runningNs(quint64 now) const;
    QmdVorma::Ticks ticksAt(quint64 now) const;
    QmdVorma::BeatTicks beatTicksAt(quint64 now) const;

    mutable std::shared_mutex m_lock;

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
};

// A new clock for a `SyncType` value (case is ignored) with the parent;
// null for a type that names no clock.
AbstractSync *createSync(const QString &typeKey, QObject *parent);

#endif
