#ifndef QMDVORMA_PLAYBACK_ABSTRACTOUTPUTTHREAD_H
#define QMDVORMA_PLAYBACK_ABSTRACTOUTPUTTHREAD_H

#include "QmdVorma/playback/SyncTimingListener.h"
#include "midi/PriorityInheritanceMutex.h"

#include <QThread>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

class AbstractSync;

// A thread that does passes of output work while playing and sleeps while
// paused. States: new (0) after construction, playing (2) after play(),
// paused (1) after pause(); new and paused threads wait without a time
// limit, a playing one does a pass and then sleeps until nextPassNs() or
// until woken (play, wake(), a timing change of its clock, terminate).
//
// Destruction: the most-derived class must call stopThread() in its
// destructor, so no pass runs while the parts it uses are destroyed; this
// class's destructor does it too, for the case nothing overrides the pass.
class AbstractOutputThread : public QThread, private SyncTimingListener
{
    Q_OBJECT

public:
    enum State { New = 0, Paused = 1, Playing = 2 };

    explicit AbstractOutputThread(QObject *parent = nullptr);
    ~AbstractOutputThread() override;

    // The clock the passes read; null for none. The thread follows the
    // clock's timing changes while it is set. The clock must outlive the
    // thread or be replaced first.
    void setSync(AbstractSync *sync);
    AbstractSync *sync() const { return m_sync.load(); }

    int state() const { return m_state.load(); }
    // Microseconds between two passes where nextPassNs() keeps the default.
    void setInterval(int microseconds);
    int interval() const { return m_interval.load(); }

public slots:
    virtual void play();
    // Paused once any pass in progress has ended: after it returns no pass
    // runs until play(). Called from the thread itself (from inside a pass)
    // it does not wait. Never call it holding a lock that a pass takes.
    virtual void pauseAndWait();
    // Sets the flag that ends the thread and wakes it; the owner then waits
    // for it (QThread::wait).
    virtual void terminateSafely();

public:
    // Paused at once, without waiting for a pass in progress.
    void pause();

protected:
    void run() override;

    // One pass of work, on the thread.
    virtual void processOutput() = 0;
    // When the next pass is due, as a currentTimeNs() value; `now` or
    // earlier for at once. Runs on the thread after every pass.
    virtual quint64 nextPassNs(quint64 now);

    // Makes a sleeping playing thread look again at once.
    void wake();
    // terminateSafely() and a wait for the thread; does nothing when it
    // never ran or has ended.
    void stopThread();

private:
    void syncTimingChanged() override;
    void syncDestroyed(AbstractSync *sync) override;

    std::atomic<AbstractSync *> m_sync{nullptr};
    std::atomic<int> m_state{New};
    std::atomic<int> m_interval{500};

    PriorityInheritanceMutex m_mutex; // guards the members below
    std::condition_variable_any m_wake;
    std::condition_variable_any m_passDone;
    bool m_terminate = false;
    bool m_wakePending = false;
    bool m_inPass = false;
    std::thread::id m_runThread;
};

#endif
