// The output thread's states and wake-ups: no pass unless playing, no lost
// wake, pauseAndWait waiting for the pass in progress (but not for itself),
// and clock changes waking a sleeping thread.
#include "QmdVorma/playback/AbstractOutputThread.h"
#include "QmdVorma/playback/MidiSync.h"

#include <QtTest>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <thread>

namespace {

class CountingThread : public AbstractOutputThread
{
public:
    // Runs on the thread inside every pass; set before start().
    std::function<void(int pass)> onPass;
    // 0: the base's interval.
    quint64 sleepNs = 0;

    ~CountingThread() override { stopThread(); }

    int passes() const { return m_passes.load(); }

    bool waitForPasses(int count, int timeoutMs = 5000) const
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (m_passes.load() < count) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            std::this_thread::yield();
        }
        return true;
    }

protected:
    void processOutput() override
    {
        const int pass = ++m_passes;
        // A vector the pass touches: destroyed with this object, so a pass
        // still running during destruction would show under ASan.
        m_scratch.assign(8, pass);
        if (onPass)
            onPass(pass);
    }

    quint64 nextPassNs(quint64 now) override
    {
        return sleepNs ? now + sleepNs : AbstractOutputThread::nextPassNs(now);
    }

private:
    std::atomic<int> m_passes{0};
    std::vector<int> m_scratch;
};

void sleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace

class TestOutputThread : public QObject
{
    Q_OBJECT
private slots:
    void passesOnlyWhilePlaying();
    void noWakeIsLost();
    void pauseAndWaitWaitsForThePassInProgress();
    void aPassMayPauseItsOwnThread();
    void terminateEndsEveryState();
    void clockChangesWakeASleepingThread();
};

void TestOutputThread::passesOnlyWhilePlaying()
{
    auto thread = std::make_unique<CountingThread>();
    QCOMPARE(thread->state(), int(AbstractOutputThread::New));
    thread->start();
    sleepMs(20);
    QCOMPARE(thread->passes(), 0);

    thread->play();
    QCOMPARE(thread->state(), int(AbstractOutputThread::Playing));
    QVERIFY(thread->waitForPasses(5));

    thread->pauseAndWait();
    QCOMPARE(thread->state(), int(AbstractOutputThread::Paused));
    const int paused = thread->passes();
    sleepMs(20);
    QCOMPARE(thread->passes(), paused);

    // Destroyed while playing: the thread ends before anything it uses.
    thread->play();
    QVERIFY(thread->waitForPasses(paused + 2));
    thread.reset();
}

void TestOutputThread::noWakeIsLost()
{
    // With passes an hour apart, only play() can bring the next pass: a
    // wake lost between the thread's look at its state and its wait would
    // stall it.
    CountingThread thread;
    thread.sleepNs = 3600ull * 1000000000ull;
    thread.start();
    for (int i = 1; i <= 300; ++i) {
        thread.play();
        QVERIFY2(thread.waitForPasses(i, 2000), qPrintable(QString::number(i)));
        thread.pauseAndWait();
    }
}

void TestOutputThread::pauseAndWaitWaitsForThePassInProgress()
{
    CountingThread thread;
    std::promise<void> entered;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    thread.onPass = [&](int pass) {
        if (pass == 1) {
            entered.set_value();
            released.wait();
        }
    };
    thread.start();
    thread.play();
    entered.get_future().wait();

    std::atomic<bool> returned{false};
    std::thread pauser([&] {
        thread.pauseAndWait();
        returned = true;
    });
    sleepMs(30);
    QVERIFY(!returned.load());
    release.set_value();
    pauser.join();
    QVERIFY(returned.load());
    QCOMPARE(thread.passes(), 1);
    sleepMs(10);
    QCOMPARE(thread.passes(), 1);
}

void TestOutputThread::aPassMayPauseItsOwnThread()
{
    CountingThread thread;
    thread.onPass = [&](int) { thread.pauseAndWait(); };
    thread.start();
    thread.play();
    QVERIFY(thread.waitForPasses(1));
    QTRY_COMPARE(thread.state(), int(AbstractOutputThread::Paused));
    sleepMs(10);
    QCOMPARE(thread.passes(), 1);
    thread.play();
    QVERIFY(thread.waitForPasses(2));
}

void TestOutputThread::terminateEndsEveryState()
{
    for (int state : {0, 1, 2}) {
        CountingThread thread;
        thread.start();
        if (state == 1) {
            thread.play();
            thread.pauseAndWait();
        } else if (state == 2) {
            thread.play();
        }
        thread.terminateSafely();
        QVERIFY2(thread.wait(5000), qPrintable(QString::number(state)));
    }
}

void TestOutputThread::clockChangesWakeASleepingThread()
{
    MidiSync sync;
    CountingThread thread;
    thread.sleepNs = 3600ull * 1000000000ull;
    thread.setSync(&sync);
    thread.start();
    thread.play();
    QVERIFY(thread.waitForPasses(1));

    sync.setTempo(100);
    QVERIFY(thread.waitForPasses(2, 2000));
    sync.setPlaying(true);
    QVERIFY(thread.waitForPasses(3, 2000));
    sync.reset();
    QVERIFY(thread.waitForPasses(4, 2000));

    // A clock handed over wakes it too; the old one no longer does.
    MidiSync next;
    thread.setSync(&next);
    QVERIFY(thread.waitForPasses(5, 2000));
    sync.setTempo(90);
    sleepMs(20);
    QCOMPARE(thread.passes(), 5);

    {
        MidiSync shortLived;
        thread.setSync(&shortLived);
    }
    QCOMPARE(thread.sync(), nullptr);
}

QTEST_GUILESS_MAIN(TestOutputThread)
#include "tst_outputthread.moc"
