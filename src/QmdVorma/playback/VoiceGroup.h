#ifndef QMDVORMA_PLAYBACK_VOICEGROUP_H
#define QMDVORMA_PLAYBACK_VOICEGROUP_H

#include "Qmd/QmdObserver.h"
#include "QmdVorma/QmdVorma.h"
#include "QmdVorma/QmdVormaController.h"
#include "QmdVorma/playback/VoiceState.h"
#include "midi/PriorityInheritanceMutex.h"

#include <QThread>
#include <QVector>

#include <boost/random/mersenne_twister.hpp>

#include <array>
#include <atomic>
#include <condition_variable>
#include <limits>
#include <mutex>

class AbstractSync;

// One voice group element of a playing network: a thread with a fixed pool
// of 24 voices. When the group starts, one voice leaves the group for its
// start node; every node a voice reaches plays its notes and sends new
// voices on along its outgoing edges, which take as many ticks as they are
// long. While the group iterates, the thread takes a step every 10 ms;
// otherwise it sleeps.
//
// Timing: a step handles every arrival that falls due within two steps of
// the clock's position, also of voices that left a node during the step,
// and stamps everything an arrival sends with the exact arrival tick. An
// arrival is thus handled at least a whole step before it is due, whatever
// the group's phase, so a step that runs late (a loaded machine, a wait for
// another group's arrival) still queues it in time and the instrument sends
// it on time; what a step sees late still goes out at once, in order. The
// transport lets the groups look ahead once more just before it starts the
// clock (stepAhead), so the notes of the start tick are queued when it
// starts rather than at the first step after it.
//
// Locks, outermost first: the group's main mutex (a whole step, every slot
// body), the controller's nodeArrivalMutex (one arrival), controllerMutex
// (document reads and requests), the pool mutex (the voice sets); queue
// mutexes innermost. Nothing that holds a controller lock may call a slot.
class VoiceGroup : public QThread, public QmdObserver<QmdVormaController>
{
    Q_OBJECT

public:
    // The pool holds the voices with ids 1 up to one less than this.
    static constexpr int VoiceLimit = 25;
    static constexpr int PoolSize = VoiceLimit - 1;
    static constexpr quint64 StepNs = 10000000;
    // How far ahead of the clock a step handles arrivals.
    static constexpr quint64 LookAheadNs = 2 * StepNs;
    // Places of an instrument's queue that controller curves leave to notes.
    static constexpr int CurveQueueReserve = 200;
    // How often a step lets voices that left during it arrive as well.
    static constexpr int MaxFollowUpRounds = 8;
    // How long a node that played nothing lights up.
    static constexpr quint64 SilentFlashNs = 100000000;

    struct Voice
    {
        qint32 id = 0;
        VoiceState state;
    };

    // A note that has started; its end is posted for the canvas once the
    // step has advanced every voice.
    struct PendingNoteOff
    {
        VoiceState note;
        QmdItemId nodeId = 0;
        qint32 voiceId = 0;
    };

    struct EdgeChoice
    {
        QmdItemId primary = 0; // 0: none
        QmdItemIdList further;
    };

    // Registers a seed of its own and takes the controller's clock; the pool
    // is made when the thread runs.
    VoiceGroup(QmdItemId groupId, QmdVormaController *controller, QObject *parent = nullptr);
    // Stops the thread when it still runs, then releases the seed.
    ~VoiceGroup() override;

    QmdItemId groupId() const { return m_groupId; }

    // Until the thread has made its voices and taken its clock.
    void waitUntilStarted();
    bool isStarted() const { return m_started.load(); }
    // Read without a lock, by the canvas and MIDI triggering among others.
    bool isIterating() const { return m_iterating.load(); }

    // A 32-bit seed no other live group holds, from a process-wide
    // generator seeded once with the time.
    static quint32 newUniqueSeed();
    quint32 seed() const { return m_seed; }
    // Test hook: restarts the group's generator from seed, so random edges
    // and random notes repeat. Thread-safe.
    void seedGenerator(quint32 seed);

    // No step runs from now until gotoStart(); a step in progress has ended
    // when this returns. Going to the start uses it, so no step writes old
    // counters or queues old ticks after the rewind.
    void suspendSteps();
    // No step runs any more, whatever comes: the group's document is being
    // replaced and the group waits to be deleted.
    void retire();

    // One step as the thread takes it, regardless of the iterating flag
    // (tests and benchmarks drive idle groups with it). Blocks on the main
    // mutex.
    void stepOnce();
    // The arrivals of an iterating group due within the look-ahead of the
    // clock's position, handled now whether the clock plays or not; nothing
    // for a group that does not iterate or whose steps are suspended. The
    // transport calls it just before it starts the clock.
    void stepAhead();

    // ---- One step's parts. Called with the main mutex held (stepOnce and
    // the thread's steps); the voice sets lock themselves.

    Voice *takeFreeVoice();
    void deactivateVoice(Voice *voice);
    void deactivateAllVoices();
    int activeVoiceCount() const;
    int freeVoiceCount() const;
    QVector<VoiceState> activeVoiceStates() const;

    // The ticks a voice takes along item: 0 for the group's own hop and for
    // wormholes, the edge's length otherwise; false for an edge that is gone
    // or has lost a node.
    bool edgeTravelTicks(QmdItemId item, QmdVorma::Ticks *ticks) const;
    // Uniform in [min, max] from the group's generator; min when max is
    // below it.
    int randomInt(int min, int max);
    void readMute();
    void readScale();
    bool isMuted() const { return m_mute; }
    int scaleKey() const { return m_scaleKey; }
    int degreeSet() const { return m_degreeSet; }

    // Moves the voice on and, when its arrival falls due before the next
    // step, lets it arrive at its edge's end node.
    void advanceVoice(Voice *voice);
    // The edges that voices leave the node on, by its signalling method and
    // usage list; moves the sequential cursor. Under nodeArrivalMutex.
    EdgeChoice chooseOutgoingEdges(QmdItemId nodeId);
    // A new voice carrying state leaves on the edge: false for edge 0, an
    // invalid edge, and when the pool is empty (then a NoFreeVoice event is
    // posted).
    bool startVoiceOnEdge(const VoiceState &state, QmdItemId edge);
    // The notes of a notes-tree node for the state a voice brought; moves
    // the node's cursors. state is changed by the node's own lists. Under
    // nodeArrivalMutex.
    QVector<VoiceState> evaluateNotesTree(const QmdIndex &treeNode, VoiceState &state, QmdItemId primaryEdge);
    // Queues the edge's controller curves along the travel of state (its
    // departure, arrival and instrument).
    void scheduleEdgeControllers(const VoiceState &state, QmdItemId edge, QmdVorma::Ticks travel);

public slots:
    // Takes the controller's current clock; a paused group stays paused, an
    // iterating one goes on (from its start node when it had no voice).
    void syncSync();
    // Restart at the clock's position with velocity scale 1.
    void reset();
    void resetTo(QmdVorma::Ticks startPos, QmdVorma::Scale velocityScale);
    // Iterates; a group without voices first restarts at the clock's
    // position, unless it already started there and the clock has stood
    // since.
    void continueIterating();
    // Sleeps; the voices stay where they are.
    void pauseIterating();
    void deactivateAllVoicesAndPauseIterating();
    // Back to the start node at the clock's position; a playing group plays
    // on, a paused one stays paused. Ends suspendSteps().
    void gotoStart();
    // Ends the thread (without the main mutex); the owner then waits for it.
    void terminateSafely();

protected:
    void run() override;

private:
    // The slots above do nothing before the thread runs its loop.
    bool isLive() const;
    // Main mutex held for the whole of each.
    void iterate();
    void step();
    // Every arrival due within the look-ahead, whatever the clock does.
    void handleDueArrivals();
    // Advances the voices in order on the calling thread.
    void advanceVoices(const QVector<Voice *> &voices);
    void restart(QmdVorma::Ticks start, QmdVorma::Scale velocityScale);
    void setIterating(bool iterating);
    void takeControllerSync();

    // The clock's position plus the look-ahead.
    QmdVorma::Ticks arrivalHorizon() const;
    // Everything of one arrival; nodeArrivalMutex and controllerMutex held.
    void arrive(Voice *voice, QmdItemId nodeId, const QString &userMessages, bool silent);
    // One message of a node's list: hex bytes separated by single spaces.
    void sendUserMessage(const QString &text, const VoiceState &state);
    void postEvent(int kind, QmdVorma::Ticks time, qint32 voiceId, QmdItemId nodeId = 0,
                   const VoiceState *state = nullptr);
    void flushPendingNoteOffs();

    const QmdItemId m_groupId;
    QmdVormaController *const m_c;
    // The document this group was made for; a load or reset replaces it.
    const quint64 m_generation;

    std::atomic<bool> m_started{false};
    std::atomic<bool> m_iterating{false};
    std::atomic<bool> m_terminate{false};

    // Where the thread sleeps. The flags above change under it, so a wake
    // that comes just before the thread waits is not lost.
    PriorityInheritanceMutex m_waitMutex;
    std::condition_variable_any m_wake;

    // Serialises steps with the slots. Guards everything below it.
    PriorityInheritanceMutex m_mainMutex;
    AbstractSync *m_sync = nullptr;
    bool m_suspended = false;
    // Where the group last restarted; none yet.
    QmdVorma::Ticks m_startedAt = std::numeric_limits<QmdVorma::Ticks>::max();
    bool m_retired = false;
    bool m_mute = false;
    int m_scaleKey = 0;
    int m_degreeSet = 0xFFF;
    QVector<PendingNoteOff> m_pendingNoteOffs; // added under nodeArrivalMutex
    QVector<Voice *> m_joined; // started during a step; under nodeArrivalMutex
    quint32 m_seed = 0;
    boost::random::mt19937 m_generator; // drawn under nodeArrivalMutex

    // The voices and which of them are under way.
    mutable PriorityInheritanceMutex m_poolMutex;
    std::array<Voice, PoolSize> m_voices;
    QVector<Voice *> m_free;
    QVector<Voice *> m_active;
};

#endif
