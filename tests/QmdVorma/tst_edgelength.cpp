// Edge lengths in ticks for each routing, what a missing edge or node gives,
// the two halves of an edge-usage entry, and the arc number a node gives
// each of its edges.
#include "QmdVorma/EditingTestSupport.h"

#include <QtTest>

#include <atomic>
#include <limits>
#include <thread>

using namespace QmdVorma;

namespace {

constexpr qint64 P = qint64(TicksPerPrincipal);
constexpr qint64 Max = std::numeric_limits<qint64>::max();
constexpr qint64 Min = std::numeric_limits<qint64>::min();

QVariant tickPoint(qint64 x, qint64 y)
{
    return QVariant::fromValue(TickPoint(x, y));
}

} // namespace

class TstEdgeLength : public QObject
{
    Q_OBJECT

    SettingsSandbox m_settings;

private slots:
    void initTestCase() { QVERIFY(m_settings.isReady()); }

    void lengths_data()
    {
        QTest::addColumn<TickPoint>("from");
        QTest::addColumn<TickPoint>("to");
        QTest::addColumn<int>("path");
        QTest::addColumn<qint64>("length");
        QTest::addColumn<bool>("ok");
        QTest::newRow("city block") << TickPoint(0, 0) << TickPoint(3 * P, 4 * P) << 0 << 7 * P << true;
        QTest::newRow("city block flipped") << TickPoint(0, 0) << TickPoint(3 * P, 4 * P) << 1 << 7 * P << true;
        QTest::newRow("direct") << TickPoint(0, 0) << TickPoint(3 * P, 4 * P) << 2 << 5 * P << true;
        QTest::newRow("backwards") << TickPoint(5, 5) << TickPoint(2, 1) << 0 << qint64(7) << true;
        QTest::newRow("sqrt 2 rounds down") << TickPoint(0, 0) << TickPoint(1, 1) << 2 << qint64(1) << true;
        QTest::newRow("sqrt 5 rounds down") << TickPoint(0, 0) << TickPoint(1, 2) << 2 << qint64(2) << true;
        QTest::newRow("sqrt 13 rounds up") << TickPoint(0, 0) << TickPoint(2, 3) << 2 << qint64(4) << true;
        QTest::newRow("unknown path") << TickPoint(0, 0) << TickPoint(1, 1) << 3 << qint64(0) << true;
        QTest::newRow("negative path") << TickPoint(0, 0) << TickPoint(1, 1) << -1 << qint64(0) << true;
        // Positions a damaged file may hold: refused, never overflowing.
        QTest::newRow("span beyond 64 bits") << TickPoint(Min, 0) << TickPoint(Max, 0) << 0 << qint64(0) << false;
        QTest::newRow("sum beyond 64 bits") << TickPoint(0, 0) << TickPoint(Max, Max) << 0 << qint64(0) << false;
        QTest::newRow("straight beyond 64 bits") << TickPoint(0, 0) << TickPoint(Max, Max) << 2 << qint64(0)
                                                 << false;
        QTest::newRow("largest difference") << TickPoint(-1, 0) << TickPoint(Max - 1, 0) << 0 << Max << true;
    }

    // The same through the edge and through its two nodes.
    void lengths()
    {
        QFETCH(TickPoint, from);
        QFETCH(TickPoint, to);
        QFETCH(int, path);
        QFETCH(qint64, length);
        QFETCH(bool, ok);
        VormaDocument doc;
        const QmdItemId a = doc.addElement({{Keys::Type, 2}, {Keys::TickPos, QVariant::fromValue(from)}});
        const QmdItemId b = doc.addElement({{Keys::Type, 2}, {Keys::TickPos, QVariant::fromValue(to)}});
        const QmdItemId edge = doc.addElement(
            {{Keys::Type, 1}, {Keys::FromNode, uint(a)}, {Keys::ToNode, uint(b)}, {Keys::Path, path}});
        doc.attach();
        const QmdVormaController &c = doc.controller;
        bool answer = !ok;
        QCOMPARE(c.edgeLength(edge, &answer), length);
        QCOMPARE(answer, ok);
        answer = !ok;
        QCOMPARE(c.edgeLength(c.elementIndex(a), c.elementIndex(b), EdgePath(path), &answer), length);
        QCOMPARE(answer, ok);
    }

    void missingParts()
    {
        VormaDocument doc;
        const QmdItemId a = doc.addElement({{Keys::Type, 2}, {Keys::TickPos, tickPoint(0, 0)}});
        const QmdItemId b = doc.addElement({{Keys::Type, 2}, {Keys::TickPos, tickPoint(2, 3)}});
        const QmdItemId noPath = doc.addElement({{Keys::Type, 1}, {Keys::FromNode, uint(a)}, {Keys::ToNode, uint(b)}});
        const QmdItemId loop = doc.addElement({{Keys::Type, 1}, {Keys::FromNode, uint(b)}, {Keys::ToNode, uint(b)},
                                               {Keys::Path, 2}});
        const QmdItemId noStart = doc.addElement({{Keys::Type, 1}, {Keys::ToNode, uint(b)}});
        const QmdItemId goneStart = doc.addElement({{Keys::Type, 1}, {Keys::FromNode, 99u}, {Keys::ToNode, uint(b)}});
        const QmdItemId unplaced = doc.addElement({{Keys::Type, 2}});
        const QmdItemId toUnplaced = doc.addElement(
            {{Keys::Type, 1}, {Keys::FromNode, uint(b)}, {Keys::ToNode, uint(unplaced)}});
        doc.attach();
        const QmdVormaController &c = doc.controller;

        bool ok = false;
        QCOMPARE(c.edgeLength(noPath, &ok), qint64(5));
        QVERIFY(ok);
        QCOMPARE(c.edgeLength(loop, &ok), qint64(0));
        QVERIFY(ok);
        QCOMPARE(c.edgeLength(toUnplaced, &ok), qint64(5)); // a node without position sits at the origin
        QVERIFY(ok);
        for (QmdItemId edge : {noStart, goneStart, QmdItemId(0), QmdItemId(1234)}) {
            ok = true;
            QCOMPARE(c.edgeLength(edge, &ok), qint64(0));
            QVERIFY(!ok);
        }
        VormaDocument other;
        other.attach();
        ok = true;
        QCOMPARE(c.edgeLength(c.elementIndex(a), other.controller.elementsIndex(), CityBlock, &ok), qint64(0));
        QVERIFY(!ok);
        QCOMPARE(c.edgeLength(noPath), qint64(5));
    }

    // Voice groups ask for lengths while the user edits.
    void lengthsFromAnotherThread()
    {
        VormaDocument doc;
        doc.attach();
        const QmdItemId a = addNode(doc, 0, 0);
        const QmdItemId b = addNode(doc, 3, 4);
        const QmdItemId edge = addEdge(doc, a, b);
        std::atomic<bool> done{false};
        std::atomic<int> wrong{0};
        std::thread reader([&] {
            while (!done) {
                bool ok = false;
                if (doc.controller.edgeLength(edge, &ok) != 7 || !ok)
                    ++wrong;
            }
        });
        for (int i = 0; i < 50; ++i)
            doc.controller.requestAddNode(TickPoint(i, i));
        done = true;
        reader.join();
        settle();
        QCOMPARE(wrong.load(), 0);
    }

    void usageEntries_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<uint>("edge");
        QTest::addColumn<int>("count");
        QTest::newRow("both") << "12=3" << 12u << 3;
        QTest::newRow("no count") << "12" << 12u << 0;
        QTest::newRow("no edge") << "=5" << 0u << 5;
        QTest::newRow("empty") << "" << 0u << 0;
        QTest::newRow("negative count") << "12=-1" << 12u << -1;
        QTest::newRow("not numbers") << "x=y" << 0u << 0;
        QTest::newRow("a second =") << "7=2=9" << 7u << 2;
        QTest::newRow("largest id") << "4294967295=1" << 4294967295u << 1;
        QTest::newRow("id too large") << "4294967296=1" << 0u << 1;
    }

    void usageEntries()
    {
        QFETCH(QString, entry);
        QFETCH(uint, edge);
        QFETCH(int, count);
        QCOMPARE(QmdVormaController::arcUsageEdgeId(entry), edge);
        QCOMPARE(QmdVormaController::arcUsageCount(entry), count);
    }

    void arcIdentifiers()
    {
        VormaDocument doc;
        const QmdItemId node = doc.addElement({{Keys::Type, 2}});
        const QmdItemId bare = doc.addElement({{Keys::Type, 2}});
        doc.write([&](QmdDirectModelInterface &d) {
            const QmdIndex element = d.index(node, d.index(Keys::Elements));
            d.setType(Keys::ArcIdentifiers, Qmd::IntDict, element);
            d.setData(5, 2, d.index(Keys::ArcIdentifiers, element));
            d.setData(6, 0u, d.index(Keys::ArcIdentifiers, element));
        });
        doc.attach();
        const QmdVormaController &c = doc.controller;
        QCOMPARE(c.arcIdentifierOfEdge(node, 5), 2);
        QCOMPARE(c.arcIdentifierOfEdge(node, 6), 0);
        QCOMPARE(c.arcIdentifierOfEdge(node, 7), 0);
        QCOMPARE(c.arcIdentifierOfEdge(node, 0), 0);
        QCOMPARE(c.arcIdentifierOfEdge(bare, 5), 0);
        QCOMPARE(c.arcIdentifierOfEdge(99, 5), 0);
        QCOMPARE(c.arcIdentifierOfEdge(0, 5), 0);
    }
};

QTEST_GUILESS_MAIN(TstEdgeLength)
#include "tst_edgelength.moc"
