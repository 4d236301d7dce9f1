#include "canvas/CanvasTexts.h"
#include "canvas/EdgeGeometry.h"
#include "canvas/GridGeometry.h"

#include <QtTest>

#include <cmath>

class TestCanvasGeometry : public QObject
{
    Q_OBJECT

private slots:
    // One point is one scene unit here; the label has its minimum size 10 x 10.
    void edgeLayout_data()
    {
        QTest::addColumn<QPointF>("d");
        QTest::addColumn<int>("pathType");
        QTest::addColumn<bool>("hasElbow");
        QTest::addColumn<QPointF>("elbow");
        QTest::addColumn<QPointF>("start");
        QTest::addColumn<QPointF>("end");
        QTest::addColumn<double>("angle");
        QTest::addColumn<QPointF>("label");
        const QPointF none;
        QTest::newRow("elbow right down") << QPointF(120, 120) << 0 << true << QPointF(120, 0) << QPointF(10, 0)
                                          << QPointF(120, 101) << 90.0 << QPointF(124.5, 4.5);
        QTest::newRow("elbow right up") << QPointF(120, -120) << 0 << true << QPointF(120, 0) << QPointF(10, 0)
                                        << QPointF(120, -101) << -90.0 << QPointF(124.5, -14.5);
        QTest::newRow("elbow left down") << QPointF(-120, 120) << 0 << true << QPointF(-120, 0)
                                         << QPointF(-10, 0) << QPointF(-120, 101) << 90.0 << QPointF(-120, -14.5);
        QTest::newRow("elbow left up") << QPointF(-120, -120) << 0 << true << QPointF(-120, 0) << QPointF(-10, 0)
                                       << QPointF(-120, -101) << -90.0 << QPointF(-120, 4.5);
        QTest::newRow("flipped right down") << QPointF(120, 120) << 1 << true << QPointF(0, 120) << QPointF(0, 10)
                                            << QPointF(101, 120) << 0.0 << QPointF(0, 124.5);
        QTest::newRow("flipped right up") << QPointF(120, -120) << 1 << true << QPointF(0, -120)
                                          << QPointF(0, -10) << QPointF(101, -120) << 0.0 << QPointF(0, -134.5);
        QTest::newRow("flipped left down") << QPointF(-120, 120) << 1 << true << QPointF(0, 120) << QPointF(0, 10)
                                           << QPointF(-101, 120) << 180.0 << QPointF(4.5, 105.5);
        QTest::newRow("flipped left up") << QPointF(-120, -120) << 1 << true << QPointF(0, -120)
                                         << QPointF(0, -10) << QPointF(-101, -120) << 180.0 << QPointF(4.5, -115.5);
        // A short second leg: bend before the target's column, arrive
        // straight; the label then lands on the target and steps left of it.
        QTest::newRow("short vertical leg") << QPointF(120, 10) << 0 << true << QPointF(101, 0) << QPointF(10, 0)
                                            << QPointF(101, 10) << 0.0 << QPointF(95.5, 4.5);
        QTest::newRow("short horizontal leg") << QPointF(10, 120) << 1 << true << QPointF(0, 101)
                                              << QPointF(0, 10) << QPointF(10, 101) << 90.0
                                              << QPointF(-14.5, 105.5);
        QTest::newRow("level city block") << QPointF(120, 0) << 0 << false << none << QPointF(10, 0)
                                          << QPointF(101, 0) << 0.0 << QPointF(50.5, 4.5);
        QTest::newRow("level flipped") << QPointF(-120, 0) << 1 << false << none << QPointF(-10, 0)
                                       << QPointF(-101, 0) << 180.0 << QPointF(-60.5, -14.5);
        QTest::newRow("direct down") << QPointF(0, 120) << 2 << false << none << QPointF(0, 10)
                                     << QPointF(0, 101) << 90.0 << QPointF(4.5, 50.5);
        QTest::newRow("direct diagonal") << QPointF(120, 120) << 2 << false << none
                                         << QPointF(10 / std::sqrt(2.0), 10 / std::sqrt(2.0))
                                         << QPointF(120 - 19 / std::sqrt(2.0), 120 - 19 / std::sqrt(2.0)) << 45.0
                                         << QPointF();
        // Ends 29 points apart: start and end meet, and the label still
        // gets a place (left of the source, pushed off its box).
        QTest::newRow("ends meet") << QPointF(29, 0) << 2 << false << none << QPointF(10, 0) << QPointF(10, 0)
                                   << 0.0 << QPointF(-24.5, -14.5);
    }

    void edgeLayout()
    {
        QFETCH(QPointF, d);
        QFETCH(int, pathType);
        QFETCH(bool, hasElbow);
        QFETCH(QPointF, elbow);
        QFETCH(QPointF, start);
        QFETCH(QPointF, end);
        QFETCH(double, angle);
        QFETCH(QPointF, label);
        const EdgeGeometry g = EdgeGeometry::compute(d, pathType, 1, 1, QSizeF(4, 3));
        const auto near = [](const QPointF &a, const QPointF &b) {
            return std::fabs(a.x() - b.x()) < 1e-4 && std::fabs(a.y() - b.y()) < 1e-4;
        };
        QCOMPARE(g.hasElbow, hasElbow);
        if (hasElbow)
            QVERIFY(near(g.elbow, elbow));
        QVERIFY(near(g.start, start));
        QVERIFY(near(g.end, end));
        QVERIFY(std::fabs(g.arrowAngle - angle) < 1e-6);
        QVERIFY(std::isfinite(g.labelPos.x()) && std::isfinite(g.labelPos.y()));
        if (!label.isNull())
            QVERIFY2(near(g.labelPos, label),
                     qPrintable(QStringLiteral("%1, %2").arg(g.labelPos.x()).arg(g.labelPos.y())));
    }

    void usageLabel_data()
    {
        QTest::addColumn<int>("method");
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("label");
        QTest::newRow("sequential") << 0 << "7=1,5=1,7=3,5=0" << QStringLiteral("2(1),4(\u221E)");
        QTest::newRow("empty entries keep their place") << 0 << "5=1,,5=2" << "1(1),3(2)";
        QTest::newRow("one entry") << 0 << "5=3" << "";
        QTest::newRow("not listed") << 0 << "7=1,8=1" << "";
        QTest::newRow("random") << 2 << "5=1,7=2,5=2" << "3/5";
        QTest::newRow("random unlimited") << 2 << "5=0,7=2" << QStringLiteral("\u221E/2");
        QTest::newRow("parallel") << 1 << "5=1,7=2" << "";
        QTest::newRow("unknown method") << 9 << "5=1,7=2" << "";
    }

    void usageLabel()
    {
        QFETCH(int, method);
        QFETCH(QString, list);
        QFETCH(QString, label);
        QCOMPARE(CanvasTexts::edgeUsageLabel(5, method, list), label);
    }

    void nodeToolTip_data()
    {
        QTest::addColumn<QString>("notes");
        QTest::addColumn<QString>("tip");
        const QString thirty = QStringLiteral("C3:96:100%,E3:96:100%,G3:96:1");
        QTest::newRow("short") << "C3:96:100%" << "C3:96:100%";
        QTest::newRow("thirty characters") << thirty << thirty;
        QTest::newRow("long without commas") << QString(40, QLatin1Char('C')) << QString(40, QLatin1Char('C'));
        QTest::newRow("comma before 30 only") << "C3,E3" + QString(40, QLatin1Char('x'))
                                              << "C3,E3" + QString(40, QLatin1Char('x'));
        QTest::newRow("two breaks") << QString(30, 'a') + ',' + QString(30, 'b') + ",c"
                                    << QString(30, 'a') + ",\n" + QString(30, 'b') + ",\nc";
    }

    void nodeToolTip()
    {
        QFETCH(QString, notes);
        QFETCH(QString, tip);
        QCOMPARE(CanvasTexts::nodeToolTip(notes), tip);
    }

    void edgeLengthText_data()
    {
        QTest::addColumn<qlonglong>("ticks");
        QTest::addColumn<int>("divs");
        QTest::addColumn<QString>("text");
        QTest::newRow("one principal") << 665280LL << 4 << "1 principal = 4 divisions";
        QTest::newRow("one division") << 166320LL << 4 << "0.25 principals = 1 division";
        QTest::newRow("no divisions") << 665280LL << 0 << "1 principal = 0 divisions";
        QTest::newRow("damaged divisions") << 665280LL << 2000000000 << "1 principal = 665280 divisions";
    }

    void edgeLengthText()
    {
        QFETCH(qlonglong, ticks);
        QFETCH(int, divs);
        QFETCH(QString, text);
        QCOMPARE(CanvasTexts::edgeLengthText(ticks, divs), text);
    }

    void gridBounds()
    {
        QCOMPARE(GridGeometry::widenToPrincipals(QRectF(-50, 0, 100, 10), 160, 160).left(), -160.0);
        QCOMPARE(GridGeometry::widenToPrincipals(QRectF(-50, 0, 100, 10), 160, 160).right(), 160.0);
        QCOMPARE(GridGeometry::widenToPrincipals(QRectF(200, 0, 100, 10), 160, 160).left(), 0.0);
        QCOMPARE(GridGeometry::widenToPrincipals(QRectF(200, 0, 100, 10), 160, 160).right(), 320.0);
        QCOMPARE(GridGeometry::canvasDivsPerPrincipal(0), 1);
        QCOMPARE(GridGeometry::canvasDivsPerPrincipal(-7), 1);
        QCOMPARE(GridGeometry::canvasDivsPerPrincipal(64), 64);
        QCOMPARE(GridGeometry::canvasDivsPerPrincipal(700000), 665280);
        QCOMPARE(GridGeometry::snapStep(13), QmdVorma::Ticks(665280 / 13));
    }

    // How many principals of a device period one picture of the grid spans:
    // a whole number of pixels, at least 256 of them, at most 2048.
    void tilePrincipals_data()
    {
        QTest::addColumn<double>("period");
        QTest::addColumn<int>("principals");
        QTest::newRow("160 pixels") << 160.0 << 2;
        QTest::newRow("120 pixels") << 120.0 << 3;
        QTest::newRow("300 pixels") << 300.0 << 1;
        QTest::newRow("half pixels") << 37.5 << 8;
        QTest::newRow("fifths") << 52.8 << 5;
        // 110 dots per inch: 550 / 3 pixels, as the scale factors round it.
        QTest::newRow("thirds, rounded") << 665280 * ((110 / 72.0) * 120 / 665280) << 3;
        QTest::newRow("no whole multiple") << 100 * M_PI << 0;
        QTest::newRow("wider than a picture") << 2500.0 << 0;
        QTest::newRow("none") << 0.0 << 0;
    }

    void tilePrincipals()
    {
        QFETCH(double, period);
        QFETCH(int, principals);
        QCOMPARE(GridGeometry::tilePrincipals(period, 256, 2048), principals);
    }
};

QTEST_APPLESS_MAIN(TestCanvasGeometry)
#include "tst_canvasgeometry.moc"
