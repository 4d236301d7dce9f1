#ifndef QMDVORMA_VALUEFORMS_H
#define QMDVORMA_VALUEFORMS_H

#include <QString>

class QmdIndex;
class QmdModel;

// What QmdVormaExporter and QmdVormaImporter share: where a form applies and
// the names of the named int forms.
namespace QmdVorma {
namespace ValueForms {

// A root entry whose key matches "^Style.*Color$": a colour with its alpha.
bool isStyleColorEntry(const QmdModel &model, const QmdIndex &index);

// A key directly inside one element's dictionary, that is, the entry's
// grandparent is keyed "Elements" (wherever that one is: copied elements
// sit under such a key too).
bool isElementEntry(const QmdModel &model, const QmdIndex &index);

// The named int forms of element entries: `Type`, `Path`,
// `SignallingMethod`.
bool isNamedKey(const QString &key);
// The name written for the value; empty for a value without a name.
QString nameOf(const QString &key, int value);
// The value of a lower-case name, older names included; 0 for any other.
int valueOfName(const QString &key, const QString &lowerName);

} // namespace ValueForms
} // namespace QmdVorma

#endif
