#pragma once

#include "QmdVorma/InstrumentPalette.h"

#include <QtTest>

struct PaletteBaseColor
{
    QString name;
    QColor color;
};

// Checks the whole process-wide palette against its base colours: the base
// entries in order, then eight passes named "<base> 2" to "<base> 9" with the
// base colours, every colour opaque, and black without name outside.
inline void verifyPalette(const QVector<PaletteBaseColor> &base)
{
    const QVector<PaletteEntry> &palette = QmdVorma::instrumentColorPalette();
    QCOMPARE(palette.size(), base.size() * 9);
    for (int i = 0; i < palette.size(); ++i) {
        const PaletteBaseColor &b = base.at(i % base.size());
        const int pass = i / base.size() + 1;
        const QString name = pass == 1 ? b.name : QStringLiteral("%1 %2").arg(b.name).arg(pass);
        QCOMPARE(palette.at(i).name, name);
        QCOMPARE(palette.at(i).color, b.color);
        QCOMPARE(palette.at(i).color.alpha(), 255);
        QCOMPARE(QmdVorma::paletteColorName(i), name);
        QCOMPARE(QmdVorma::paletteColor(i), b.color);
    }
    for (int outside : {-1, int(palette.size()), std::numeric_limits<int>::min(), std::numeric_limits<int>::max()}) {
        QVERIFY(QmdVorma::paletteColorName(outside).isEmpty());
        QCOMPARE(QmdVorma::paletteColor(outside), QColor(Qt::black));
    }
}
