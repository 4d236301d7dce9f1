#include "QmdVorma/QmdVormaImporter.h"

#include "Qmd/QmdModel.h"
#include "QmdVorma/QmdVorma.h"
#include "QmdVorma/ScaleModes.h"
#include "QmdVorma/ValueForms.h"

#include <QBitArray>
#include <QColor>
#include <QPolygonF>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <cmath>

using namespace QmdVorma;

namespace {

// "#rrggbb" then the alpha in two hexadecimal digits; alpha 0 without them.
QColor colorFromText(const QString &lower)
{
    QColor color(lower.left(7));
    const QString alphaText = lower.mid(7, 2);
    const bool hex = alphaText.size() == 2 && std::all_of(alphaText.cbegin(), alphaText.cend(), [](QChar c) {
        return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'));
    });
    color.setAlpha(hex ? alphaText.toInt(nullptr, 16) : 0);
    return color;
}

// (0, 0) for a text that is not "{x, y}" or whose numbers do not fit.
TickPoint tickPointFromText(const QString &lower)
{
    static const QRegularExpression pattern(QStringLiteral("^\\{([+-]?\\d+),\\s*([+-]?\\d+)\\}$"));
    const QRegularExpressionMatch match = pattern.match(lower);
    if (!match.hasMatch())
        return TickPoint();
    bool xOk = false;
    bool yOk = false;
    const TickPoint point(match.capturedRef(1).toLongLong(&xOk), match.capturedRef(2).toLongLong(&yOk));
    return xOk && yOk ? point : TickPoint();
}

// Curve values drive controller output: a coordinate that is no finite
// number is read as 0 like any other malformed one.
qreal coordinate(const QStringList &parts, int i)
{
    if (i >= parts.size())
        return 0;
    bool ok = false;
    const qreal value = parts.at(i).toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0;
}

QPolygonF polygonFromText(const QString &lower)
{
    QPolygonF polygon;
    for (const QString &pointText : lower.split(QLatin1Char(';'))) {
        const QStringList parts = pointText.split(QLatin1Char(','));
        polygon << QPointF(coordinate(parts, 0), coordinate(parts, 1));
    }
    return polygon;
}

bool isBitText(const QString &lower)
{
    for (const QChar c : lower) {
        if (c != QLatin1Char('0') && c != QLatin1Char('1'))
            return false;
    }
    return true;
}

QBitArray bitsFromText(const QString &lower)
{
    QBitArray bits(lower.size());
    for (int i = 0; i < lower.size(); ++i)
        bits.setBit(i, lower.at(i) == QLatin1Char('1'));
    return bits;
}

} // namespace

QmdVormaImporter::QmdVormaImporter(QmdModel *model, QIODevice *device, QObject *parent)
    : QmdPropertyListImporter(model, device, parent)
{
    qRegisterMetaType<TickPoint>("QmdVorma::TickPoint");
}

QVariant QmdVormaImporter::readPlainValue(const Element &element, const QmdIndex &target)
{
    if (element.name != QLatin1String("string"))
        return QmdPropertyListImporter::readPlainValue(element, target);

    const QmdModel &m = *model();
    const QString lower = element.text.toLower();
    const QString &key = target.key();

    if (ValueForms::isStyleColorEntry(m, target))
        return colorFromText(lower);
    if (ValueForms::isElementEntry(m, target)) {
        if (ValueForms::isNamedKey(key))
            return ValueForms::valueOfName(key, lower);
        if (key == QLatin1String("TickPos"))
            return QVariant::fromValue(tickPointFromText(lower));
    }
    if (key == QLatin1String("MidiChannels") && isBitText(lower))
        return bitsFromText(lower);
    if (key == QLatin1String("CurvePoints"))
        return polygonFromText(lower);
    if (key == QLatin1String("ChromaticScaleDegreeSet"))
        return parseScaleDegreeSet(lower);
    return QmdPropertyListImporter::readPlainValue(element, target);
}
