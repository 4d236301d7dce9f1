#include "app/EventWait.h"
#include "app/ProductInfo.h"

#include <QElapsedTimer>
#include <QTimer>

#include <QSysInfo>
#include <QtTest>

class TestProductInfo : public QObject
{
    Q_OBJECT

private slots:
    void namesOfTheBuild();
    void activationMessages_data();
    void activationMessages();
    void waitingForEventsEnds();
};

void TestProductInfo::namesOfTheBuild()
{
    QCOMPARE(productDisplayName(), QStringLiteral("Vorma"));
    QCOMPARE(versionString(), QStringLiteral("2.1.0.7"));
    QCOMPARE(applicationId(), "Vorma/2.1.0.7 (Linux; " + QSysInfo::currentCpuArchitecture() + ")");
    QCOMPARE(documentFileFilter(), QStringLiteral("Vorma Network ( *.vrm)"));
}

void TestProductInfo::activationMessages_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("nothing named: a new window") << QStringList{"/usr/bin/vorma"} << QStringList{"new"};
    QTest::newRow("no program path either") << QStringList{} << QStringList{"new"};
    QTest::newRow("relative paths in order")
        << QStringList{"vorma", "b.vrm", "sub/a.vrm"} << QStringList{"/home/u/b.vrm", "/home/u/sub/a.vrm"};
    QTest::newRow("absolute path kept") << QStringList{"vorma", "/tmp/x.vrm"} << QStringList{"/tmp/x.vrm"};
    QTest::newRow("dots cleaned") << QStringList{"vorma", "../t/./x.vrm"} << QStringList{"/home/t/x.vrm"};
    // A document called "new" is a document, not a new window.
    QTest::newRow("a file named new") << QStringList{"vorma", "new"} << QStringList{"/home/u/new"};
}

void TestProductInfo::activationMessages()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, messages);
    QCOMPARE(::activationMessages(arguments, QStringLiteral("/home/u")), messages);
}

void TestProductInfo::waitingForEventsEnds()
{
    // Something that gets ready while events run is waited for.
    bool ready = false;
    QTimer::singleShot(30, [&ready] { ready = true; });
    QVERIFY(processEventsUntil([&ready] { return ready; }, 5000));

    // Something that never does holds start-up only until the time-out.
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!processEventsUntil([] { return false; }, 250));
    QVERIFY(clock.elapsed() >= 240);
    QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
}

QTEST_GUILESS_MAIN(TestProductInfo)
#include "tst_productinfo.moc"
