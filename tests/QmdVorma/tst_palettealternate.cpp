#include "QmdVorma/PaletteTestSupport.h"

#include "Mvc/MvcTestSupport.h"

#include <QSettings>
#include <QtTest>

// The alternate palette, chosen by the setting "AlternateColorPalette". The
// palette is made once per process, hence a test program of its own.
class TstPaletteAlternate : public QObject
{
    Q_OBJECT

    SettingsSandbox m_settings;

private slots:
    void initTestCase()
    {
        QVERIFY(m_settings.isReady());
        QSettings().setValue(QStringLiteral("AlternateColorPalette"), true);
    }

    void alternatePalette()
    {
        verifyPalette({
            {"Orange", QColor(230, 159, 0)},
            {"Sky Blue", QColor(86, 180, 233)},
            {"Bluish Green", QColor(0, 158, 115)},
            {"Yellow", QColor(240, 228, 66)},
            {"Blue", QColor(0, 114, 178)},
            {"Vermillon", QColor(213, 94, 0)},
            {"Reddish Purple", QColor(204, 121, 167)},
        });
        QCOMPARE(QmdVorma::paletteColorName(7), QStringLiteral("Orange 2"));
        QCOMPARE(QmdVorma::instrumentColorPalette().size(), 63);
    }

    // A change of the setting waits for the next start of the program.
    void settingIsReadOnce()
    {
        QSettings().setValue(QStringLiteral("AlternateColorPalette"), false);
        QCOMPARE(QmdVorma::instrumentColorPalette().size(), 63);
        QCOMPARE(QmdVorma::paletteColorName(0), QStringLiteral("Orange"));
    }
};

QTEST_GUILESS_MAIN(TstPaletteAlternate)
#include "tst_palettealternate.moc"
