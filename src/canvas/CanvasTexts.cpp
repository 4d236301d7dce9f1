#include "canvas/CanvasTexts.h"

#include "QmdVorma/ArcUsage.h"
#include "QmdVorma/QmdVorma.h"

#include <QCoreApplication>
#include <QStringList>

namespace CanvasTexts {

QString usageCountText(int count)
{
    return count == 0 ? QString(QChar(0x221E)) : QString::number(count);
}

QString edgeUsageLabel(QmdItemId edgeId, int signallingMethod, const QString &arcUsageList)
{
    const QStringList entries = arcUsageList.split(QLatin1Char(','));
    if (entries.size() < 2)
        return QString();
    QString text;
    if (signallingMethod == 0) {
        for (int i = 0; i < entries.size(); ++i) {
            if (QmdVorma::arcUsageEdgeId(entries.at(i)) != edgeId)
                continue;
            if (!text.isEmpty())
                text += QLatin1Char(',');
            text += QStringLiteral("%1(%2)").arg(i + 1).arg(usageCountText(QmdVorma::arcUsageCount(entries.at(i))));
        }
    } else if (signallingMethod == 2) {
        int own = 0;
        int all = 0;
        for (const QString &entry : entries) {
            const int count = QmdVorma::arcUsageCount(entry);
            all += count;
            if (QmdVorma::arcUsageEdgeId(entry) == edgeId)
                own += count;
        }
        text = usageCountText(own) + QLatin1Char('/') + usageCountText(all);
    }
    return text;
}

QString nodeToolTip(const QString &notes)
{
    constexpr int lineLength = 30;
    QString rest = notes;
    QString text;
    while (!rest.isEmpty()) {
        const int comma = rest.size() > lineLength ? rest.indexOf(QLatin1Char(','), lineLength) : -1;
        if (comma < 0) {
            text += rest;
            break;
        }
        text += rest.left(comma + 1) + QLatin1Char('\n');
        rest = rest.mid(comma + 1);
    }
    return text;
}

QString edgeLengthText(qint64 ticks, int divsPerPrincipal)
{
    const double principals = double(ticks) / double(QmdVorma::TicksPerPrincipal);
    const qint64 divs = qMin<qint64>(divsPerPrincipal, qint64(QmdVorma::TicksPerPrincipal));
    const double divisions = divs <= 0 ? 0 : double(ticks) / double(QmdVorma::TicksPerPrincipal / divs);
    const char *context = "GraphicsEdgeItem";
    return QStringLiteral("%1 %2 = %3 %4")
        .arg(QString::number(principals, 'g', 6),
             principals == 1 ? QCoreApplication::translate(context, "principal")
                             : QCoreApplication::translate(context, "principals"),
             QString::number(divisions, 'g', 6),
             divisions == 1 ? QCoreApplication::translate(context, "division")
                            : QCoreApplication::translate(context, "divisions"));
}

} // namespace CanvasTexts
