#include "QmdVorma/PaletteTestSupport.h"

#include "Mvc/MvcTestSupport.h"

#include <QtTest>

// The standard palette, in a settings store without "AlternateColorPalette".
class TstPalette : public QObject
{
    Q_OBJECT

    SettingsSandbox m_settings;

private slots:
    void initTestCase() { QVERIFY(m_settings.isReady()); }

    void standardPalette()
    {
        verifyPalette({
            {"Tangerine", QColor(255, 128, 0)},
            {"Pistachio", QColor(131, 204, 7)},
            {"Aqua", QColor(0, 128, 255)},
            {"Grape", QColor(128, 0, 255)},
            {"Strawberry", QColor(255, 0, 128)},
            {"Asparagus", QColor(128, 128, 0)},
            {"Mocha", QColor(128, 64, 0)},
            {"Nickel", QColor(128, 128, 128)},
        });
        QCOMPARE(QmdVorma::paletteColorName(8), QStringLiteral("Tangerine 2"));
        QCOMPARE(QmdVorma::paletteColorName(71), QStringLiteral("Nickel 9"));
    }
};

QTEST_GUILESS_MAIN(TstPalette)
#include "tst_palette.moc"
