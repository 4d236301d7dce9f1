#ifndef QMDVORMA_PLAYBACK_ABSTRACTSYNC_H
#define QMDVORMA_PLAYBACK_ABSTRACTSYNC_H

#include "Qmd/QmdObserver.h"
#include "QmdVorma/QmdVorma.h"
#include "QmdVorma/QmdVormaController.h"
#include "midi/PriorityInheritanceMutex.h"

#include <QObject>
#include <QString>

#include <mutex>
#include <vector>

class SyncTimingListener;

// A playback clock: the one time reference of a document's playback. It
// turns real time (currentTimeNs) into ticks, 665280 per principal, the unit
// of the grid and of every queued message, and into beat ticks, 665280 per
// beat, the unit of MIDI clock. Principals advance at tempo x N / D per
// minute for a principals-to-beats ratio of N:D.
//
// Bound to a document controller, tempo and ratio follow the root keys
// `Tempo`, `PrincipalsToBeatsNumerator` and `PrincipalsToBeatsDenominator`
// both ways (a value set on the clock is written back without an undo step),
// and every modelReset() rewinds the clock.
//
// Positions and conversions may be read from any thread. Commands may come
// from any thread too; change signals are emitted on the calling thread,
// never with the clock's lock held.
class AbstractSync : public QObject, public QmdObserver<QmdVormaController>
{
    Q_OBJECT
    Q_PROPERTY(uint tempo READ tempo WRITE setTempo NOTIFY tempoChanged)
    Q_PROPERTY(uint principalsToBeatsNumerator READ principalsToBeatsNumerator WRITE
                   setPrincipalsToBeatsNumerator NOTIFY principalsToBeatsNumeratorChanged)
    Q_PROPERTY(uint principalsToBeatsDenominator READ principalsToBeatsDenominator WRITE
                   setPrincipalsToBeatsDenominator NOTIFY principalsToBeatsDenominatorChanged)

public:
    explicit AbstractSync(QObject *parent = nullptr);
    // Tells every timing listener that the clock is gone.
    ~AbstractSync() override;

    // The `SyncType` value that selects this kind of clock.
    virtual QString typeKey() const = 0;
    virtual QString displayName() const = 0;

    virtual bool isPlaying() const = 0;
    virtual void setPlaying(bool playing) = 0;
    virtual uint tempo() const = 0;
    virtual uint principalsToBeatsNumerator() const = 0;
    virtual uint principalsToBeatsDenominator() const = 0;

    // Nanoseconds played since the last rewind.
    virtual quint64 elapsedNs() const = 0;
    virtual QmdVorma::Ticks currentTicks() const = 0;
    virtual QmdVorma::BeatTicks currentBeatTicks() const = 0;

    // Durations at the present tempo and ratio, rounded down.
    virtual QmdVorma::Ticks nsToTicks(quint64 ns) const = 0;
    virtual quint64 ticksToNs(QmdVorma::Ticks ticks) const = 0;
    virtual QmdVorma::BeatTicks nsToBeatTicks(quint64 ns) const = 0;
    virtual quint64 beatTicksToNs(QmdVorma::BeatTicks beatTicks) const = 0;
    virtual QmdVorma::BeatTicks ticksToBeatTicks(QmdVorma::Ticks ticks) const = 0;
    virtual QmdVorma::Ticks beatTicksToTicks(QmdVorma::BeatTicks beatTicks) const = 0;

    // The currentTimeNs() at which currentTicks() reaches `ticks` if the
    // timing stays as it is (now, when it has already); false while the
    // clock stands, when no such time can be given. Lets a thread sleep
    // until a message is due instead of polling.
    virtual bool dueTimeNs(QmdVorma::Ticks ticks, quint64 *ns) const = 0;

    // Unbinds from the previous controller; bound to a new one, the clock
    // follows its root keys and modelReset(), and is rewound.
    void setController(QmdVormaController *controller) override;

    // A listener stays registered until removed or the clock is destroyed.
    void addTimingListener(SyncTimingListener *listener);
    void removeTimingListener(SyncTimingListener *listener);

public slots:
    // Stopped at position 0; tempo and ratio stay.
    virtual void reset();
    virtual void setTempo(uint tempo) = 0;
    virtual void setPrincipalsToBeatsNumerator(uint numerator) = 0;
    virtual void setPrincipalsToBeatsDenominator(uint denominator) = 0;

signals:
    void tempoChanged(uint tempo);
    void principalsToBeatsNumeratorChanged(uint numerator);
    void principalsToBeatsDenominatorChanged(uint denominator);
    // After every change of tempo or ratio.
    void timingChanged();

protected:
    // Call without holding the clock's own lock.
    void notifyTimingListeners();

private:
    PriorityInheritanceMutex m_listenersMutex;
    std::vector<SyncTimingListener *> m_listeners;
};

#endif
