#include "QmdVorma/InstrumentPalette.h"

#include "QmdVorma/ApplicationSettingsKeys.h"

#include <QCoreApplication>
#include <QSettings>

namespace QmdVorma {

namespace {

struct BaseColor
{
    const char *name;
    int red, green, blue;
};

const BaseColor standardColors[] = {
    {QT_TRANSLATE_NOOP("QObject", "Tangerine"), 255, 128, 0},
    {QT_TRANSLATE_NOOP("QObject", "Pistachio"), 131, 204, 7},
    {QT_TRANSLATE_NOOP("QObject", "Aqua"), 0, 128, 255},
    {QT_TRANSLATE_NOOP("QObject", "Grape"), 128, 0, 255},
    {QT_TRANSLATE_NOOP("QObject", "Strawberry"), 255, 0, 128},
    {QT_TRANSLATE_NOOP("QObject", "Asparagus"), 128, 128, 0},
    {QT_TRANSLATE_NOOP("QObject", "Mocha"), 128, 64, 0},
    {QT_TRANSLATE_NOOP("QObject", "Nickel"), 128, 128, 128},
};

// Colours told apart also by people with the common kinds of colour blindness.
const BaseColor alternateColors[] = {
    {QT_TRANSLATE_NOOP("QObject", "Orange"), 230, 159, 0},
    {QT_TRANSLATE_NOOP("QObject", "Sky Blue"), 86, 180, 233},
    {QT_TRANSLATE_NOOP("QObject", "Bluish Green"), 0, 158, 115},
    {QT_TRANSLATE_NOOP("QObject", "Yellow"), 240, 228, 66},
    {QT_TRANSLATE_NOOP("QObject", "Blue"), 0, 114, 178},
    {QT_TRANSLATE_NOOP("QObject", "Vermillon"), 213, 94, 0},
    {QT_TRANSLATE_NOOP("QObject", "Reddish Purple"), 204, 121, 167},
};

template <size_t N>
QVector<PaletteEntry> buildPalette(const BaseColor (&base)[N])
{
    QVector<PaletteEntry> palette;
    palette.reserve(int(N) * 9);
    for (const BaseColor &b : base)
        palette.append({QCoreApplication::translate("QObject", b.name), QColor(b.red, b.green, b.blue)});
    for (int pass = 2; pass <= 9; ++pass) {
        for (int i = 0; i < int(N); ++i) {
            const PaletteEntry entry = palette.at(i); // a copy: append may move the storage
            palette.append({QStringLiteral("%1 %2").arg(entry.name).arg(pass), entry.color});
        }
    }
    return palette;
}

} // namespace

const QVector<PaletteEntry> &instrumentColorPalette()
{
    static const QVector<PaletteEntry> palette = [] {
        const bool alternate = QSettings().value(alternateColorPaletteKey(), false).toBool();
        return alternate ? buildPalette(alternateColors) : buildPalette(standardColors);
    }();
    return palette;
}

QColor paletteColor(int index)
{
    const QVector<PaletteEntry> &palette = instrumentColorPalette();
    return index >= 0 && index < palette.size() ? palette.at(index).color : QColor(Qt::black);
}

QString paletteColorName(int index)
{
    const QVector<PaletteEntry> &palette = instrumentColorPalette();
    return index >= 0 && index < palette.size() ? palette.at(index).name : QString();
}

} // namespace QmdVorma
