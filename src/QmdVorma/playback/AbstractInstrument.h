#ifndef QMDVORMA_PLAYBACK_ABSTRACTINSTRUMENT_H
#define QMDVORMA_PLAYBACK_ABSTRACTINSTRUMENT_H

#include "Qmd/QmdObserver.h"
#include "QmdVorma/playback/AbstractOutputThread.h"
#include "midi/MidiOutputMessage.h"
#include "QmdVorma/QmdVormaController.h"
#include "QmdVorma/playback/TimedQueue.h"

#include <QStringList>

#include <vector>

// An output thread of one instrument of a document (the entry `id` under
// `Instruments`; id 0 and no controller for an instrument of its own, such
// as the application's thru instrument). Producers queue messages stamped
// with a tick; each pass sends the messages due at the clock's current tick,
// at most BatchLimit at a time, through sendMessages(). A document's
// instrument (id other than 0) sends nothing while its clock stands.
//
// While playing, the thread sleeps until the first queued message is due,
// a message is queued ahead of it, or the clock's timing changes; at most
// IdleWakeMs when nothing can be computed (an empty queue or a standing
// clock), so a wake-up that was never announced costs at most that much.
//
// A busy machine wakes even a real-time thread late now and then (the
// kernel finishes what it is doing first), so the thread wakes a lead
// before the first message is due and watches the clock for the rest. The
// lead follows how late the thread's recent wake-ups came (between
// MinLeadNs and MaxLeadNs), so a quiet machine spends next to nothing on
// watching.
class AbstractInstrument : public AbstractOutputThread, public QmdObserver<QmdVormaController>
{
    Q_OBJECT

public:
    static constexpr int BatchLimit = 32;
    static constexpr quint64 IdleWakeMs = 200;
    static constexpr quint64 MinLeadNs = 100000;
    static constexpr quint64 MaxLeadNs = 1000000;

    explicit AbstractInstrument(QmdItemId id, QObject *parent = nullptr);
    ~AbstractInstrument() override;

    QmdItemId instrumentId() const { return m_id; }

    // The `Type` of instrument entries this class plays.
    virtual QString typeKey() const = 0;
    virtual QString displayName() const = 0;

    // Follows the controller's instrumentDataEffected() (null: none), then
    // resets the instrument.
    void setController(QmdVormaController *controller) override;

    // Insert a copy in time order; false, and nothing queued, when the queue
    // is full (a pair needs two free places). Any thread.
    bool queueMessage(const MidiOutputMessage &message);
    bool queueMessagePair(const MidiOutputMessage &first, const MidiOutputMessage &second);
    const TimedQueue<MidiOutputMessage> &outputQueue() const { return m_queue; }

    // Sends one message at once, bypassing the queue (program changes).
    bool sendNow(const MidiOutputMessage &message);

public slots:
    // Empties the output queue.
    virtual void reset();
    // A change of keys of instrument `id`; nothing here.
    virtual void onInstrumentDataEffected(QmdItemId id, const QStringList &keys, QmdRequestId rid);

protected:
    void processOutput() override;
    quint64 nextPassNs(quint64 now) override;

    // Sends a batch; false when it could not be sent (it is then lost).
    virtual bool sendMessages(const std::vector<MidiOutputMessage> &batch) = 0;

private:
    // Wakes the thread when `time` is now the first due time of the queue.
    void wakeIfFirst(QmdVorma::Ticks time);

    const QmdItemId m_id;
    TimedQueue<MidiOutputMessage> m_queue;
    // Watches the clock until the first queued message is due, when that
    // is no more than the lead away. Thread only.
    void awaitFirstDue(AbstractSync *clock);

    // Used by the thread only; its room is reserved once.
    std::vector<MidiOutputMessage> m_batch;
    // Thread only: when the current sleep was planned to end (0: no timed
    // wake planned), and the lead.
    quint64 m_plannedWakeNs = 0;
    quint64 m_leadNs = MinLeadNs;
};

#endif
