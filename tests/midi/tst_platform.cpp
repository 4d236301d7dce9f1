#include "midi/Platform.h"

#include <QtTest>

#include <pthread.h>
#include <sched.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

int currentPolicy()
{
    int policy = -1;
    sched_param param{};
    pthread_getschedparam(pthread_self(), &policy, &param);
    return policy;
}

// Restores an environment variable when the test ends.
class ScopedEnv
{
public:
    ScopedEnv(const char *name, const QByteArray &value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name))
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    bool m_had;
    QByteArray m_old;
};

} // namespace

class TestPlatform : public QObject
{
    Q_OBJECT
private slots:
    void timeIsOneMonotonicBaseForAllThreads();
    void timeAdvancesInNanoseconds();
    void realtimeRequestHonoursTheSwitch_data();
    void realtimeRequestHonoursTheSwitch();
};

// A stamp taken on one thread after another thread's stamp (ordered by an
// atomic hand-over) is never smaller: there is one base, not one per CPU.
void TestPlatform::timeIsOneMonotonicBaseForAllThreads()
{
    std::atomic<quint64> baton{0};
    std::atomic<bool> backwards{false};
    constexpr int Rounds = 20000;
    auto player = [&](int parity) {
        for (int i = 0; i < Rounds; ++i) {
            quint64 seen;
            while (((seen = baton.load(std::memory_order_acquire)) & 1) != quint64(parity)) {
            }
            const quint64 now = currentTimeNs();
            if (now < (seen & ~quint64(1)))
                backwards = true;
            // The stamp with its low bit set to hand over the turn.
            baton.store((now & ~quint64(1)) | quint64(1 - parity), std::memory_order_release);
        }
    };
    std::thread a(player, 0);
    std::thread b(player, 1);
    a.join();
    b.join();
    QVERIFY(!backwards.load());
}

void TestPlatform::timeAdvancesInNanoseconds()
{
    const quint64 t0 = currentTimeNs();
    const auto s0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const quint64 elapsed = currentTimeNs() - t0;
    const auto steady = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::steady_clock::now() - s0).count();
    QVERIFY(elapsed >= 20000000ull);
    // Same clock as the standard steady clock, so within a millisecond.
    QVERIFY(qAbs(qint64(elapsed) - qint64(steady)) < 1000000);
}

void TestPlatform::realtimeRequestHonoursTheSwitch_data()
{
    QTest::addColumn<QByteArray>("realtime");
    QTest::newRow("VORMA_REALTIME=0") << QByteArray("0");
    QTest::newRow("unset") << QByteArray();
}

// Time-critical asks for SCHED_FIFO unless switched off; refusal is silent,
// and what the helper reports is what the thread got. A later normal
// priority takes the thread back to the normal policy.
void TestPlatform::realtimeRequestHonoursTheSwitch()
{
    QFETCH(QByteArray, realtime);
    ScopedEnv env("VORMA_REALTIME", realtime);
    const bool enabled = realtime.isNull();
    QCOMPARE(realtimeSchedulingEnabled(), enabled);

    bool granted = true;
    int policyAfterRequest = -1;
    int policyAfterNormal = -1;
    std::thread worker([&] {
        granted = applyCurrentThreadPriority(QThread::TimeCriticalPriority);
        policyAfterRequest = currentPolicy();
        applyCurrentThreadPriority(QThread::NormalPriority);
        policyAfterNormal = currentPolicy();
    });
    worker.join();

    if (!enabled)
        QVERIFY(!granted);
    QCOMPARE(policyAfterRequest, granted ? SCHED_FIFO : SCHED_OTHER);
    QCOMPARE(policyAfterNormal, SCHED_OTHER);
}

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
