#ifndef QMDVORMA_DOCUMENTDEFAULTS_H
#define QMDVORMA_DOCUMENTDEFAULTS_H

#include <QColor>
#include <QString>
#include <QVariant>
#include <QVector>

#include <optional>

class QmdDirectModelInterface;
class QmdIndex;

// The values the system writes into a network document, with their types.
//
// Integer keys may come back as int or uint (a binding writes the widget's
// type, a file reads every integer as int): readers convert, writers use the
// types given here.
namespace QmdVorma {

// The `Type` of an element.
enum ElementType { InvalidElement = 0, EdgeElement = 1, NodeElement = 2, TextBoxElement = 3, VoiceGroupElement = 4 };

struct KeyValue
{
    QString key;
    QVariant value;
};
using KeyValueList = QVector<KeyValue>;

// The root values every document gets when they are missing, in the order
// they are written. The style colours, `SyncType`, `Tool` and the
// dictionaries are written separately.
const KeyValueList &rootDefaults();

// What the adding requests write into new elements and instruments besides
// the values that depend on the request (positions, start and end nodes, the
// first instrument, the default scale mode, an instrument's kind, colour,
// label, port and channels).
const KeyValueList &edgeDefaults();
const KeyValueList &nodeDefaults();
const KeyValueList &textBoxDefaults();
const KeyValueList &voiceGroupDefaults();
const KeyValueList &instrumentDefaults();

// The run-time state an element starts with: edges and nodes have one, other
// kinds none (an empty list).
const KeyValueList &elementStateDefaults(int type);

// What a root key must hold for the rest of the program to use it, given
// the entry of its defaults and what the document holds: nothing when the
// stored value can stay as it is; the default when the value is missing, of
// another kind or not finite; the nearest value in range, of the default's
// type, when it lies outside its range or is of another numeric type. int
// and uint both do for an unsigned key (files read integers as int).
std::optional<QVariant> repairedRootValue(const KeyValue &entry, const QVariant &stored);

// The `SyncType` of a document without one.
QString defaultSyncType();
// The tool every reset selects (node and edge).
constexpr int DefaultTool = 2;

// Writes the run-time state of an element of `type` into the dictionary at
// `state` in one change, replacing what those keys held.
void writeElementState(QmdDirectModelInterface &d, const QmdIndex &state, int type);

// A stored colour: a QColor, or its name as a file gives it back
// ("#rrggbb"); black when it is neither.
QColor colorValue(const QVariant &value);

// The length in ticks of one division of the grid. A stored
// `DivsPerPrincipal` below 1 (files can hold anything) counts as 1.
quint64 ticksPerDivision(const QVariant &divsPerPrincipal);

} // namespace QmdVorma

#endif
