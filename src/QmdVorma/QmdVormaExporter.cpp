#include "QmdVorma/QmdVormaExporter.h"

#include "Qmd/QmdModel.h"
#include "QmdVorma/QmdVorma.h"
#include "QmdVorma/ScaleModes.h"
#include "QmdVorma/ValueForms.h"

#include <QBitArray>
#include <QColor>
#include <QPolygonF>
#include <QStringList>

using namespace QmdVorma;

namespace {

// False when the value is no colour, so that it is written as it is instead
// of as some colour it never was.
bool toColor(const QVariant &value, QColor &color)
{
    QVariant converted = value;
    if (!converted.convert(QMetaType::QColor))
        return false;
    color = converted.value<QColor>();
    return color.isValid();
}

QString tickPointText(const TickPoint &point)
{
    return QStringLiteral("{%1, %2}").arg(point.x).arg(point.y);
}

QString polygonText(const QPolygonF &polygon)
{
    QStringList points;
    points.reserve(polygon.size());
    for (const QPointF &point : polygon)
        points << QString::number(point.x(), 'g', 6) + QLatin1Char(',') + QString::number(point.y(), 'g', 6);
    return points.join(QLatin1Char(';'));
}

QString bitText(const QBitArray &bits)
{
    QString text(bits.size(), QLatin1Char('0'));
    for (int i = 0; i < bits.size(); ++i) {
        if (bits.testBit(i))
            text[i] = QLatin1Char('1');
    }
    return text;
}

} // namespace

QmdVormaExporter::QmdVormaExporter(QmdModel *model, QIODevice *device, QObject *parent)
    : QmdPropertyListExporter(model, device, parent)
{
    qRegisterMetaType<TickPoint>("QmdVorma::TickPoint");
}

void QmdVormaExporter::writePlainValue(const QmdIndex &index)
{
    const QmdModel &m = *model();
    const QVariant value = m.data(index);
    const QString &key = index.key();
    const QString stringName = QStringLiteral("string");

    QColor color;
    if (ValueForms::isStyleColorEntry(m, index) && toColor(value, color)) {
        writeTextElement(stringName, color.name() + QStringLiteral("%1").arg(color.alpha(), 2, 16, QLatin1Char('0')));
        return;
    }
    if (ValueForms::isNamedKey(key) && ValueForms::isElementEntry(m, index)) {
        writeTextElement(stringName, ValueForms::nameOf(key, value.toInt()));
        return;
    }
    const int type = value.userType();
    if (type == qMetaTypeId<TickPoint>()) {
        writeTextElement(stringName, tickPointText(value.value<TickPoint>()));
        return;
    }
    if (type == QMetaType::QPolygonF) {
        writeTextElement(stringName, polygonText(value.value<QPolygonF>()));
        return;
    }
    if (type == QMetaType::QBitArray) {
        writeTextElement(stringName, bitText(value.toBitArray()));
        return;
    }
    if (key == QLatin1String("ChromaticScaleDegreeSet")) {
        writeTextElement(stringName, formatScaleDegreeSet(value.toInt()));
        return;
    }
    // Qt's own text of a colour puts a translucent colour's alpha first;
    // colours outside the style keys are stored without alpha.
    if (type == QMetaType::QColor) {
        writeTextElement(stringName, value.value<QColor>().name());
        return;
    }
    QmdPropertyListExporter::writePlainValue(index);
}
