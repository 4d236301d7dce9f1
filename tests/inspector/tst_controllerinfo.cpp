#include "inspector/ControllerInfo.h"
#include "GuiTestMain.h"

#include "QmdVorma/QmdVorma.h"

#include <QtTest>

#include <limits>

class TestControllerInfo : public QObject
{
    Q_OBJECT

private slots:
    void rows_data();
    void rows();
    void tableIsBuiltOnce();
    void normalizedCurvePoints_data();
    void normalizedCurvePoints();
    void damagedPointsDoNotHang();
};

void TestControllerInfo::rows_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("resetValue");
    QTest::addColumn<int>("pairedLsb");
    QTest::newRow("-2 pitch bend") << -2 << QString() << 0 << -1;
    QTest::newRow("-1 none") << -1 << QString() << 0 << -1;
    QTest::newRow("0") << 0 << "0 - Bank Select (coarse)" << 0 << 32;
    QTest::newRow("1") << 1 << "1 - Modulation Wheel (coarse)" << 0 << 33;
    QTest::newRow("7") << 7 << "7 - Channel Volume (coarse)" << 127 << 39;
    QTest::newRow("10") << 10 << "10 - Pan (coarse)" << 64 << 42;
    QTest::newRow("31") << 31 << "31 - Undefined (coarse)" << 0 << 63;
    QTest::newRow("39") << 39 << "39 - Channel Volume (fine)" << 127 << -1;
    QTest::newRow("42") << 42 << "42 - Pan (fine)" << 0 << -1;
    QTest::newRow("64") << 64 << "64 - Damper Pedal On/Off (Sustain)" << 0 << -1;
    QTest::newRow("99") << 99 << "99 - Non-Registered Parameter Number (NRPN) - MSB" << 0 << 98;
    QTest::newRow("101") << 101 << "101 - Registered Parameter Number (RPN) - MSB" << 0 << 100;
    QTest::newRow("127") << 127 << "127 - [CMM] Poly Mode On (+ mono off + all notes off)" << 0 << -1;
    QTest::newRow("128") << 128 << QString() << 0 << -1;
    QTest::newRow("-127 start value") << -127 << QString() << 0 << -1;
}

void TestControllerInfo::rows()
{
    QFETCH(int, code);
    const ControllerInfo info = controllerInfo(code);
    QTEST(info.name, "name");
    QTEST(int(info.resetValue), "resetValue");
    QTEST(int(info.pairedLsbCode), "pairedLsb");
}

void TestControllerInfo::tableIsBuiltOnce()
{
    const QVector<ControllerInfo> *first = &controllerInfos();
    QCOMPARE(first->size(), 128);
    QCOMPARE(&controllerInfos(), first);
    QCOMPARE(controllerInfos().size(), 128);
    for (int code = 0; code < 128; ++code)
        QVERIFY(controllerInfos().at(code).name.startsWith(QStringLiteral("%1 - ").arg(code)));
}

void TestControllerInfo::normalizedCurvePoints_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("msb");
    QTest::addColumn<int>("lsb");
    QTest::addColumn<QPolygonF>("points");
    QTest::addColumn<QPolygonF>("expected");
    const auto P = [](const QVector<QPointF> &points = {}) { return QPolygonF(points); };
    QTest::newRow("single default volume") << 1 << 7 << -1 << P() << P({{0, 16256}});
    QTest::newRow("single default volume pair") << 1 << 7 << 39 << P() << P({{0, 16383}});
    QTest::newRow("single default pan") << 1 << 10 << 42 << P() << P({{0, 8192}});
    QTest::newRow("single default modulation") << 1 << 1 << 33 << P() << P({{0, 0}});
    QTest::newRow("linear default pitch bend") << 2 << -2 << -2 << P() << P({{0, 8192}, {1, 8192}});
    QTest::newRow("cubic default pan") << 3 << 10 << -1 << P() << P({{0, 8192}, {1, 8192}});
    QTest::newRow("single moves first to 0") << 1 << 1 << -1 << P({{0.3, 500}, {0.7, 900}})
                                             << P({{0, 500}, {0.7, 900}});
    QTest::newRow("linear completes the end") << 2 << 1 << -1 << P({{0, 300}}) << P({{0, 300}, {1, 300}});
    QTest::newRow("linear complete") << 2 << 1 << -1 << P({{0, 300}, {1, 700}}) << P({{0, 300}, {1, 700}});
    QTest::newRow("linear late start") << 2 << 1 << -1 << P({{0.5, 300}, {1, 700}})
                                       << P({{0, 300}, {0.5, 300}, {1, 700}});
    QTest::newRow("late start, no end") << 3 << 1 << -1 << P({{0.5, 300}}) << P({{0, 300}, {0.5, 300}, {1, 300}});
    QTest::newRow("none keeps empty") << 0 << 1 << -1 << P() << P();
    QTest::newRow("none keeps points") << 0 << 1 << -1 << P({{0.5, 3}}) << P({{0.5, 3}});
    QTest::newRow("unknown type") << 9 << 1 << -1 << P({{0.5, 3}}) << P({{0.5, 3}});
}

void TestControllerInfo::normalizedCurvePoints()
{
    QFETCH(int, type);
    QFETCH(int, msb);
    QFETCH(int, lsb);
    QFETCH(QPolygonF, points);
    const QPolygonF input = points;
    QTEST(::normalizedCurvePoints(type, msb, lsb, points), "expected");
    QCOMPARE(points, input);
    // Normalised points stay as they are.
    const QPolygonF once = ::normalizedCurvePoints(type, msb, lsb, points);
    QCOMPARE(::normalizedCurvePoints(type, msb, lsb, once), once);
}

void TestControllerInfo::damagedPointsDoNotHang()
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    QPolygonF points;
    for (int i = 0; i < 5000; ++i)
        points << QPointF(i % 3 ? nan : -i, 1e9);
    for (int type = 0; type <= 3; ++type)
        QVERIFY(::normalizedCurvePoints(type, 1, -1, points).size() >= points.size());
}

// Curve points travel through QVariant as QPolygonF, which only a program
// that loads the GUI library can hold: hence an application object.
VORMA_GUI_TEST_MAIN(TestControllerInfo)
#include "tst_controllerinfo.moc"
