#include "QmdVorma/ElementTypeNames.h"
#include "QmdVorma/QmdVorma.h"
#include "QmdVorma/ScaleFactors.h"

#include <QImage>
#include <QtTest>

#include <cmath>

using namespace QmdVorma;

// The screen factors between ticks, points and pixels, and the element type
// names.
class TstScaleFactors : public QObject
{
    Q_OBJECT

    static QImage imageAt(int dotsPerInch)
    {
        QImage image(1, 1, QImage::Format_RGB32);
        const int dotsPerMeter = int(std::lround(dotsPerInch / 0.0254));
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        return image;
    }

private slots:
    // Runs first: nothing has set the factors yet.
    void zeroBeforeInit()
    {
        for (double factor : {pointScaleX, pointScaleY, pixelsPerTickX, pixelsPerTickY, ticksPerPixelX, ticksPerPixelY})
            QCOMPARE(factor, 0.0);
        initScaleFactors(nullptr);
        QCOMPARE(ticksPerPixelX, 0.0);
    }

    void factors_data()
    {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<double>("pointScale");
        QTest::addColumn<double>("pixelsPerTick");
        QTest::addColumn<double>("ticksPerPixel");
        QTest::newRow("72 dpi") << 72 << 1.0 << 0.00018037518037518038 << 5544.0;
        QTest::newRow("96 dpi") << 96 << 1.3333333333333333 << 0.0002405002405002405 << 4158.0;
        QTest::newRow("144 dpi") << 144 << 2.0 << 0.00036075036075036075 << 2772.0;
    }
    void factors()
    {
        QFETCH(int, dpi);
        QFETCH(double, pointScale);
        QFETCH(double, pixelsPerTick);
        QFETCH(double, ticksPerPixel);
        const QImage device = imageAt(dpi);
        QCOMPARE(device.logicalDpiX(), dpi);
        initScaleFactors(&device);
        QCOMPARE(pointScaleX, pointScale);
        QCOMPARE(pointScaleY, pointScale);
        QCOMPARE(pixelsPerTickX, pixelsPerTick);
        QCOMPARE(pixelsPerTickY, pixelsPerTick);
        QCOMPARE(ticksPerPixelX, ticksPerPixel);
        QCOMPARE(ticksPerPixelY, ticksPerPixel);
        // One principal is PointsPerPrincipal points on the screen.
        QCOMPARE(TicksPerPrincipal * pixelsPerTickX, PointsPerPrincipal * pointScaleX);
    }

    void axesAreIndependent()
    {
        QImage device = imageAt(72);
        device.setDotsPerMeterY(int(std::lround(144 / 0.0254)));
        initScaleFactors(&device);
        QCOMPARE(ticksPerPixelX, 5544.0);
        QCOMPARE(ticksPerPixelY, 2772.0);
    }

    void elementTypeName_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("name");
        QTest::newRow("0") << 0 << "Invalid";
        QTest::newRow("1") << 1 << "Edge";
        QTest::newRow("2") << 2 << "Node";
        QTest::newRow("3") << 3 << "Text Box";
        QTest::newRow("4") << 4 << "Voice Group";
        QTest::newRow("5") << 5 << "";
        QTest::newRow("-1") << -1 << "";
    }
    void elementTypeName()
    {
        QFETCH(int, type);
        QFETCH(QString, name);
        QCOMPARE(QmdVorma::elementTypeName(type), name);
    }
};

QTEST_GUILESS_MAIN(TstScaleFactors)
#include "tst_scalefactors.moc"
