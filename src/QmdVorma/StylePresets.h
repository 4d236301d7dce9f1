#ifndef QMDVORMA_STYLEPRESETS_H
#define QMDVORMA_STYLEPRESETS_H

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

// The named colour styles of a network document: each gives the eight root
// keys `StyleBackgroundColor` ... `StyleEdgesColor` a QColor. A colour with
// alpha 0 switches that part of the grid off.
//
// The table is process-wide, built on first use and never changed; its mutex
// is held only inside these functions, which hand out copies, so callers
// never hold it while they take another lock.
namespace QmdVorma {

using StylePreset = QHash<QString, QVariant>;

// The preset names in character-code order: "Dark", "Light".
QStringList stylePresetNames();

// A copy of the preset of that exact name; false, with preset untouched,
// when there is none.
bool stylePreset(const QString &name, StylePreset *preset);

// The style of documents that have none.
QString defaultStylePresetName();

} // namespace QmdVorma

#endif
