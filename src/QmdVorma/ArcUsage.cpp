#include "QmdVorma/ArcUsage.h"

#include <QStringList>

namespace QmdVorma {

namespace {

const QChar EntrySeparator = QLatin1Char(',');
const QChar CountSeparator = QLatin1Char('=');

} // namespace

quint32 arcUsageEdgeId(const QString &entry)
{
    bool ok = false;
    const uint id = entry.section(CountSeparator, 0, 0).toUInt(&ok);
    return ok ? id : 0;
}

int arcUsageCount(const QString &entry)
{
    if (!entry.contains(CountSeparator))
        return 0;
    bool ok = false;
    const int count = entry.section(CountSeparator, 1, 1).toInt(&ok);
    return ok ? count : 0;
}

QString appendArcUsage(const QString &list, QmdItemId edgeId)
{
    const QString entry = QString::number(edgeId) + QStringLiteral("=1");
    return list.isEmpty() ? entry : list + EntrySeparator + entry;
}

QString removeArcUsages(const QString &list, QmdItemId edgeId)
{
    QStringList kept;
    for (const QString &entry : list.split(EntrySeparator)) {
        if (arcUsageEdgeId(entry) != edgeId)
            kept.append(entry);
    }
    return kept.join(EntrySeparator);
}

QString remapArcUsages(const QString &list, const QHash<QmdItemId, QmdItemId> &newIds)
{
    QStringList kept;
    for (const QString &entry : list.split(EntrySeparator, Qt::SkipEmptyParts)) {
        const QmdItemId newId = newIds.value(arcUsageEdgeId(entry));
        if (newId == 0)
            continue;
        // The count is kept as text; an entry without one stays without.
        const int separator = entry.lastIndexOf(CountSeparator);
        kept.append(separator < 0 ? QString::number(newId) : QString::number(newId) + entry.mid(separator));
    }
    return kept.join(EntrySeparator);
}

int firstFreeArcNumber(const QSet<quint32> &taken)
{
    // Among n + 1 candidates at most n are taken, so the search ends long
    // before the limit for any real node.
    for (quint32 n = 0; n < 0x7FFFFFFFu; ++n) {
        if (!taken.contains(n))
            return int(n);
    }
    return -1;
}

} // namespace QmdVorma
