#include "QmdVorma/StylePresets.h"

#include "QmdVorma/DocumentKeys.h"

#include <QColor>

#include <algorithm>
#include <mutex>

namespace QmdVorma {

namespace {

std::mutex presetMutex;

// Guarded by presetMutex.
QHash<QString, StylePreset> &presetTable()
{
    static QHash<QString, StylePreset> table;
    if (table.isEmpty()) {
        const QColor transparent(0, 0, 0, 0);
        table.insert(QStringLiteral("Dark"), {
            {Keys::StyleBackgroundColor, QColor(39, 39, 47, 255)},
            {Keys::StylePrincipalLinesColor, QColor(46, 46, 54, 255)},
            {Keys::StylePrincipalPointsColor, QColor(200, 200, 200, 255)},
            {Keys::StyleDivisionLinesColor, transparent},
            {Keys::StyleDivisionPointsColor, QColor(128, 128, 128, 255)},
            {Keys::StyleAnnotationColor, QColor(255, 255, 255, 128)},
            {Keys::StyleNodesColor, QColor(155, 158, 255, 255)},
            {Keys::StyleEdgesColor, QColor(113, 117, 137, 255)},
        });
        table.insert(QStringLiteral("Light"), {
            {Keys::StyleBackgroundColor, QColor(255, 255, 255, 255)},
            {Keys::StylePrincipalLinesColor, QColor(180, 180, 180, 255)},
            {Keys::StylePrincipalPointsColor, transparent},
            {Keys::StyleDivisionLinesColor, QColor(220, 230, 240, 255)},
            {Keys::StyleDivisionPointsColor, transparent},
            {Keys::StyleAnnotationColor, QColor(0, 0, 0, 255)},
            {Keys::StyleNodesColor, QColor(44, 101, 169, 255)},
            {Keys::StyleEdgesColor, QColor(40, 40, 40, 255)},
        });
    }
    return table;
}

} // namespace

QStringList stylePresetNames()
{
    std::lock_guard<std::mutex> lock(presetMutex);
    QStringList names = presetTable().keys();
    std::sort(names.begin(), names.end());
    return names;
}

bool stylePreset(const QString &name, StylePreset *preset)
{
    std::lock_guard<std::mutex> lock(presetMutex);
    const QHash<QString, StylePreset> &table = presetTable();
    const auto found = table.constFind(name);
    if (found == table.cend())
        return false;
    *preset = *found;
    return true;
}

QString defaultStylePresetName()
{
    return QStringLiteral("Dark");
}

} // namespace QmdVorma
