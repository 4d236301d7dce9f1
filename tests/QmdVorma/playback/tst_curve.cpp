// Controller curves of edges: the samples of each kind of curve over a
// travel, the messages of a sample for each kind of controller code, and a
// curve played along an edge into the fake MIDI system.
#include "QmdVorma/playback/PlaybackTestSupport.h"

#include "QmdVorma/playback/ControllerCurve.h"

using namespace QmdVorma;

namespace {

QPolygonF points(const QVector<QPointF> &list)
{
    return QPolygonF(list);
}

QList<int> valuesOf(const QVector<CurveSample> &samples)
{
    QList<int> values;
    for (const CurveSample &s : samples)
        values << s.value;
    return values;
}

QStringList hexOf(const QVector<MidiOutputMessage> &messages)
{
    QStringList hex;
    for (const MidiOutputMessage &m : messages)
        hex << QStringLiteral("%1:%2:%3:%4").arg(m.kind).arg(m.time).arg(m.data1).arg(m.data2);
    return hex;
}

constexpr quint64 Second = 1000000000ull;

} // namespace

class TestCurve : public QObject
{
    Q_OBJECT
private slots:
    void singleValue();
    void linearRisesEvenly();
    void cubicBetweenEqualValuesStays();
    void cubicLeavesAndReachesLevel();
    void shortAndZeroTravels();
    void degenerateCurves();
    void sampleMessages();
    void thinning_data();
    void thinning();
    void curvePlaysAlongTheEdge();
};

void TestCurve::singleValue()
{
    const auto samples = sampleControllerCurve(SingleValue, points({{0, 8192}, {1, 0}}), 500, 1000, Second);
    QCOMPARE(samples, (QVector<CurveSample>{{500, 8192}}));
    bool paired = true;
    QCOMPARE(hexOf(curveSampleMessages(samples.first(), PitchBendCode, NoControllerCode, &paired)),
             QStringList{"3:500:64:0"});
    QVERIFY(!paired);
}

void TestCurve::linearRisesEvenly()
{
    // A travel of one second: 40 samples of 25 ms, then the arrival.
    const Ticks travel = 2 * TicksPerPrincipal;
    const auto samples = sampleControllerCurve(LinearCurve, points({{0, 0}, {1, 16383}}), 1000, travel, Second);
    QCOMPARE(samples.size(), 41);
    for (int i = 0; i < 40; ++i) {
        QCOMPARE(samples.at(i).time, 1000 + Ticks(i) * (travel / 40));
        QVERIFY2(qAbs(samples.at(i).value - qRound(16383.0 * i / 40)) <= 1, qPrintable(QString::number(i)));
    }
    QCOMPARE(samples.last(), (CurveSample{1000 + travel, 16383}));

    bool paired = true;
    QCOMPARE(hexOf(curveSampleMessages(samples.last(), 7, NoControllerCode, &paired)), QStringList{"4:1331560:7:127"});
    QVERIFY(!paired);
}

void TestCurve::cubicBetweenEqualValuesStays()
{
    const auto samples =
        sampleControllerCurve(CubicCurve, points({{0, 5000}, {0.3, 5000}, {1, 5000}}), 0, 665280, Second / 2);
    QCOMPARE(samples.size(), 21);
    for (int value : valuesOf(samples))
        QCOMPARE(value, 5000);
}

void TestCurve::cubicLeavesAndReachesLevel()
{
    // An S between two values: slow at both ends, fastest in the middle.
    const auto samples = sampleControllerCurve(CubicCurve, points({{0, 0}, {1, 16000}}), 0, 665280, Second);
    const QList<int> v = valuesOf(samples);
    QCOMPARE(v.size(), 41);
    for (int i = 1; i < v.size(); ++i)
        QVERIFY(v.at(i) >= v.at(i - 1));
    QVERIFY(v.at(2) - v.at(1) < v.at(21) - v.at(20));
    QVERIFY(qAbs(v.at(20) - 8000) < 200);
    QCOMPARE(v.last(), 16000);
}

void TestCurve::shortAndZeroTravels()
{
    // No time: two samples at the departure, the start and the end value.
    QCOMPARE(sampleControllerCurve(LinearCurve, points({{0, 100}, {1, 200}}), 7, 0, 0),
             (QVector<CurveSample>{{7, 100}, {7, 200}}));
    // Under 25 ms: one interval, as for no time.
    QCOMPARE(sampleControllerCurve(LinearCurve, points({{0, 100}, {1, 200}}), 7, 300, 10000000),
             (QVector<CurveSample>{{7, 100}, {307, 200}}));
    // Hours of travel are not sampled every 25 ms.
    QCOMPARE(sampleControllerCurve(LinearCurve, points({{0, 100}, {1, 200}}), 0, Ticks(1) << 40, 36000 * Second).size(),
             int(MaxCurveIntervals) + 1);
}

void TestCurve::degenerateCurves()
{
    QVERIFY(sampleControllerCurve(LinearCurve, QPolygonF(), 0, 1000, Second).isEmpty());
    QVERIFY(sampleControllerCurve(NoCurve, points({{0, 1}, {1, 2}}), 0, 1000, Second).isEmpty());
    // One point, or all points at one place: the path has no length to walk.
    QCOMPARE(valuesOf(sampleControllerCurve(LinearCurve, points({{0.5, 300}}), 0, 665280, Second / 10)),
             (QList<int>{300, 300, 300, 300, 300}));
    QCOMPARE(valuesOf(sampleControllerCurve(CubicCurve, points({{0, 9}, {0, 9}}), 0, 665280, Second / 20)),
             (QList<int>{9, 9, 9}));
    // Values outside 14 bits, from a file edited by hand, are cut to them.
    QCOMPARE(valuesOf(sampleControllerCurve(SingleValue, points({{0, 70000}}), 0, 0, 0)), QList<int>{16383});
    QCOMPARE(valuesOf(sampleControllerCurve(SingleValue, points({{0, -5}}), 0, 0, 0)), QList<int>{0});
}

void TestCurve::sampleMessages()
{
    const CurveSample sample{40, 1000}; // 7 x 128 + 104
    bool paired = false;
    QCOMPARE(hexOf(curveSampleMessages(sample, 1, 33, &paired)), (QStringList{"4:40:1:7", "4:40:33:104"}));
    QVERIFY(paired);
    QCOMPARE(hexOf(curveSampleMessages(sample, 1, NoControllerCode, &paired)), QStringList{"4:40:1:7"});
    QVERIFY(!paired);
    QCOMPARE(hexOf(curveSampleMessages(sample, -3, 33, &paired)), QStringList{"4:40:33:104"});
    QCOMPARE(hexOf(curveSampleMessages(sample, 5, PitchBendCode, &paired)), QStringList{"3:40:7:104"});
    QVERIFY(curveSampleMessages(sample, 200, 300, &paired).isEmpty());
}

void TestCurve::thinning_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("keep");
    QTest::addColumn<QList<int>>("kept");
    QTest::newRow("all fit") << 4 << 4 << QList<int>{0, 1, 2, 3};
    QTest::newRow("spread, ends kept") << 9 << 3 << QList<int>{0, 4, 8};
    QTest::newRow("uneven") << 10 << 4 << QList<int>{0, 3, 6, 9};
    QTest::newRow("one: the last value") << 5 << 1 << QList<int>{4};
    QTest::newRow("none") << 5 << 0 << QList<int>{};
}

void TestCurve::thinning()
{
    QFETCH(int, count);
    QFETCH(int, keep);
    QFETCH(QList<int>, kept);
    QVector<CurveSample> samples;
    for (int i = 0; i < count; ++i)
        samples.append({Ticks(i), qint16(i)});
    QCOMPARE(valuesOf(thinCurveSamples(samples, keep)), kept);
}

void TestCurve::curvePlaysAlongTheEdge()
{
    // At 120 beats per minute the edge of two principals takes one second.
    PlayedNetwork net(120);
    const QmdItemId a = net.node(0, 0, QStringLiteral("C3:96:0.1"));
    const QmdItemId b = net.node(2, 0, QStringLiteral("D3:96:0.1"));
    const QmdItemId edge = net.edge(a, b);
    net.curve(edge, LinearCurve, 7, NoControllerCode, points({{0, 0}, {1, 16383}}));
    // An entry without a controller sends nothing.
    net.curve(edge, LinearCurve, NoControllerCode, 11, points({{0, 0}, {1, 16383}}));
    net.group(a);
    net.c().requestPlay();
    QVERIFY(net.waitForNotesOn(2));
    QTRY_COMPARE(net.sent().size(), 45);

    // The curve is queued as the voice leaves, ahead of the note at the same
    // tick.
    QStringList expected{"b0 07 00", "90 3c 60"};
    const QStringList sent = net.sent();
    QCOMPARE(sent.mid(0, 2), expected);
    QList<int> values;
    for (const QString &m : net.sentWithStatus(0xB0))
        values << m.section(QLatin1Char(' '), 2).toInt(nullptr, 16);
    QCOMPARE(values.size(), 41);
    for (int i = 1; i < values.size(); ++i)
        QVERIFY(values.at(i) >= values.at(i - 1));
    QCOMPARE(values.last(), 127);
    // The last value goes with the arrival, before the note there.
    QCOMPARE(sent.indexOf(QStringLiteral("b0 07 7f")) + 1, sent.indexOf(QStringLiteral("90 3e 60")));
}

QTEST_GUILESS_MAIN(TestCurve)
#include "tst_curve.moc"
