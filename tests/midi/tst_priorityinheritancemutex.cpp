#include "midi/PriorityInheritanceMutex.h"

#include <QtTest>

#include <sys/syscall.h>
#include <unistd.h>

#include <mutex>
#include <thread>

class TestPriorityInheritanceMutex : public QObject
{
    Q_OBJECT
private slots:
    void heldThroughTheKernelsInheritingLock_data();
    void heldThroughTheKernelsInheritingLock();
};

void TestPriorityInheritanceMutex::heldThroughTheKernelsInheritingLock_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("plain") << int(PriorityInheritanceMutex::NonRecursive);
    QTest::newRow("recursive") << int(PriorityInheritanceMutex::Recursive);
}

// The kernel can raise only an owner it knows: a priority-inheriting lock
// keeps its owner's thread id in its lock word (a plain one keeps 1 or 2),
// and a waiter gets it only after the owner lets go as often as it locked.
void TestPriorityInheritanceMutex::heldThroughTheKernelsInheritingLock()
{
    QFETCH(int, kind);
    PriorityInheritanceMutex mutex{PriorityInheritanceMutex::Kind(kind)};
    const int depth = kind == PriorityInheritanceMutex::Recursive ? 2 : 1;
    for (int i = 0; i < depth; ++i)
        mutex.lock();
    QCOMPARE(mutex.native_handle()->__data.__lock & 0x3FFFFFFF, int(syscall(SYS_gettid)));

    auto othersTry = [&] {
        bool got = false;
        std::thread other([&] {
            got = mutex.try_lock();
            if (got)
                mutex.unlock();
        });
        other.join();
        return got;
    };
    for (int i = 0; i < depth; ++i) {
        QVERIFY(!othersTry());
        mutex.unlock();
    }
    QVERIFY(othersTry());
    QCOMPARE(mutex.native_handle()->__data.__lock, 0);
}

QTEST_APPLESS_MAIN(TestPriorityInheritanceMutex)
#include "tst_priorityinheritancemutex.moc"
