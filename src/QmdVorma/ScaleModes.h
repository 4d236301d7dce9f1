#ifndef QMDVORMA_SCALEMODES_H
#define QMDVORMA_SCALEMODES_H

#include "QmdVorma/BuiltInScaleMode.h"

#include <QSet>
#include <QString>
#include <QVector>

using BuiltInScaleModeList = QVector<BuiltInScaleMode>;
using BuiltInScaleModeSet = QSet<BuiltInScaleMode>;

// The built-in scale modes and the text form of degree sets.
//
// The built-in modes come from "ScaleModes.plist" beside the program and are
// loaded once per process, by the first document controller, on the GUI
// thread before any playback thread exists; after that they are only read.
namespace QmdVorma {

// The process-wide built-in modes in load order (duplicates kept), and the
// same modes once each, every record keeping the order of its first
// occurrence. Both are empty until loadScaleModes fills them.
BuiltInScaleModeList &builtInScaleModes();
BuiltInScaleModeSet &builtInScaleModeSet();

// "Chromatic", all twelve degrees, order -1: the mode every document has.
const BuiltInScaleMode &defaultScaleMode();

// The program's directory followed by "/ScaleModes.plist".
QString scaleModesFilePath();

// Empties list and set, then fills them from the property list at filePath:
// every dict of its top array holding a non-empty "Label" and
// "ChromaticScaleDegreeSet" string adds one mode, numbered from 0 in file
// order. Without any such mode (no file, a broken one, none complete) the
// modes are Chromatic, Major and Minor. A mode equal to defaultMode is always
// there: when the file lacks it, it comes last. Problems of the file are not
// reported.
void loadScaleModes(BuiltInScaleModeList &list, BuiltInScaleModeSet &set,
                    const BuiltInScaleMode &defaultMode, const QString &filePath = scaleModesFilePath());

// Reads text such as "{0,2,4,5,7,9,11}": every number from 0 to 11 between
// braces, commas and white space sets its degree; anything else is ignored.
// Text without a valid degree gives all twelve degrees (4095).
int parseScaleDegreeSet(const QString &text);

// "{", the set degrees among 0 to 11 in ascending order separated by ",",
// then "}"; "{}" for the empty set.
QString formatScaleDegreeSet(int degreeSet);

} // namespace QmdVorma

#endif
