#ifndef QMDVORMA_ARCUSAGE_H
#define QMDVORMA_ARCUSAGE_H

#include "Qmd/Qmd.h"

#include <QHash>
#include <QSet>
#include <QString>

// A node's outgoing edges as the document records them: `ArcIdentifiers`
// gives each edge its arc number, and the `ArcUsageList` text says how often
// voices use each edge, in entries "<edge id>=<use count>" joined by ",".
// Readers accept empty entries (a trailing ",") and entries without "=".
namespace QmdVorma {

// The edge id of an entry: the text before the first "=" (all of it when
// there is none) as an unsigned decimal number; 0 when it is not one.
quint32 arcUsageEdgeId(const QString &entry);
// The use count of an entry: the text between the first "=" and the next
// one as a signed decimal number; 0 when it is not one or there is no "=".
int arcUsageCount(const QString &entry);

// The list with an entry for a new edge, used once, at its end.
QString appendArcUsage(const QString &list, QmdItemId edgeId);
// The list without the entries of the edge; every other part, empty ones
// included, stays as it was.
QString removeArcUsages(const QString &list, QmdItemId edgeId);
// The entries of the edges that `newIds` maps, under their new ids with
// their counts as written; entries of other edges and empty ones are
// dropped.
QString remapArcUsages(const QString &list, const QHash<QmdItemId, QmdItemId> &newIds);

// The lowest arc number not taken; -1 when none below 0x7FFFFFFF is free.
int firstFreeArcNumber(const QSet<quint32> &taken);

} // namespace QmdVorma

#endif
