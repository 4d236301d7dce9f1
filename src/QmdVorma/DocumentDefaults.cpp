#include "QmdVorma/DocumentDefaults.h"

#include "Qmd/QmdDirectModelInterface.h"
#include "Qmd/QmdModel.h"
#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/QmdVorma.h"

#include <QCoreApplication>
#include <QHash>

#include <cmath>
#include <limits>

namespace QmdVorma {

const KeyValueList &rootDefaults()
{
    static const KeyValueList list{
        {Keys::Tempo, 120u},
        {Keys::PrincipalsToBeatsNumerator, 1u},
        {Keys::PrincipalsToBeatsDenominator, 1u},
        {Keys::DivsPerPrincipal, 4u},
        {Keys::ScaleKey, 0u},
        // Made to name the default scale mode by the reset.
        {Keys::ScaleMode, 0u},
        {Keys::ShowGrid, true},
        {Keys::SnapToGrid, true},
        {Keys::ShowNodeCounters, false},
        {Keys::ShowNodeLastNotesSent, false},
        {Keys::ShowEdgeSignalling, false},
        {Keys::ZoomScale, 1.0},
    };
    return list;
}

const KeyValueList &edgeDefaults()
{
    static const KeyValueList list{
        {Keys::Path, int(CityBlock)},
    };
    return list;
}

const KeyValueList &nodeDefaults()
{
    static const KeyValueList list{
        {Keys::Notes, QStringLiteral("C3:96:100%")},
        {Keys::SignallingMethod, 0},
    };
    return list;
}

const KeyValueList &textBoxDefaults()
{
    static const KeyValueList list{
        {Keys::Text, QCoreApplication::translate("QmdVormaController", "<html><body>Text</body></html>")},
    };
    return list;
}

const KeyValueList &voiceGroupDefaults()
{
    static const KeyValueList list{
        {Keys::TriggeringQuantization, 3},
        {Keys::InitialPitch, QStringLiteral("C3")},
        {Keys::InitialVelocity, QStringLiteral("96")},
        {Keys::InitialDuration, QStringLiteral("1.0")},
        {Keys::UseScale, false},
        {Keys::ScaleKey, 0u},
    };
    return list;
}

const KeyValueList &instrumentDefaults()
{
    static const KeyValueList list{
        {Keys::MidiDoProgramChange, false},
        {Keys::MidiProgram, 1},
        {Keys::MidiBankMSB, 0},
        {Keys::MidiBankLSB, 0},
    };
    return list;
}

const KeyValueList &elementStateDefaults(int type)
{
    static const KeyValueList none;
    static const KeyValueList edge{
        {Keys::CurrentScaleId, 0},
    };
    static const KeyValueList node{
        {Keys::CurrentEdgeUsageId, 0u},
        {Keys::CurrentEdgeUsageUses, 0},
        {Keys::CurrentUserMidiMessageId, 0},
        {Keys::HitCount, 0},
        {Keys::LastNotesSent, QStringLiteral("")},
    };
    switch (type) {
    case EdgeElement:
        return edge;
    case NodeElement:
        return node;
    default:
        return none;
    }
}

namespace {

struct Range
{
    double low;
    double high;
};

// Where a root value stops making sense: a tempo or a division count of 0
// would divide by zero, beyond these the clock and the grid cannot follow.
Range rootValueRange(const QString &key)
{
    static const QHash<QString, Range> ranges{
        {Keys::Tempo, {1, 999}},
        {Keys::PrincipalsToBeatsNumerator, {1, 128}},
        {Keys::PrincipalsToBeatsDenominator, {1, 128}},
        {Keys::DivsPerPrincipal, {1, double(TicksPerPrincipal)}},
        {Keys::ScaleKey, {0, 11}},
        {Keys::ZoomScale, {0.25, 8}},
    };
    return ranges.value(key, {0, double(std::numeric_limits<quint32>::max())});
}

bool isNumber(const QVariant &value)
{
    switch (value.userType()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

std::optional<QVariant> repairedNumber(const KeyValue &entry, const QVariant &stored)
{
    const int type = entry.value.userType();
    const bool integral = type != QMetaType::Double;
    // Every integer of 32 bits, and far beyond, is exact in a double.
    const double number = stored.toDouble();
    if (!std::isfinite(number))
        return entry.value;
    const Range range = rootValueRange(entry.key);
    const bool inRange = number >= range.low && number <= range.high;
    const bool rightType = integral ? stored.userType() == QMetaType::Int || stored.userType() == QMetaType::UInt
                                    : stored.userType() == QMetaType::Double;
    if (inRange && rightType)
        return std::nullopt;
    const double usable = qBound(range.low, integral ? std::round(number) : number, range.high);
    if (integral)
        return QVariant(uint(usable));
    return QVariant(usable);
}

} // namespace

std::optional<QVariant> repairedRootValue(const KeyValue &entry, const QVariant &stored)
{
    switch (entry.value.userType()) {
    case QMetaType::UInt:
    case QMetaType::Double:
        if (!isNumber(stored))
            return entry.value;
        return repairedNumber(entry, stored);
    case QMetaType::QColor:
        // A file may give a colour back as its name.
        if (stored.userType() == QMetaType::QColor ? stored.value<QColor>().isValid()
                                                   : stored.userType() == QMetaType::QString
                                                         && QColor(stored.toString()).isValid())
            return std::nullopt;
        return entry.value;
    default:
        if (stored.userType() == entry.value.userType())
            return std::nullopt;
        return entry.value;
    }
}

QString defaultSyncType()
{
    return QStringLiteral("internal");
}

void writeElementState(QmdDirectModelInterface &d, const QmdIndex &state, int type)
{
    // One write: a load makes the states of thousands of elements.
    QHash<QString, QVariant> values;
    for (const KeyValue &entry : elementStateDefaults(type))
        values.insert(entry.key, entry.value);
    if (!values.isEmpty() && d.model())
        d.model()->setData(values, state);
}

QColor colorValue(const QVariant &value)
{
    if (value.userType() == QMetaType::QColor)
        return value.value<QColor>();
    const QColor color(value.toString());
    return color.isValid() ? color : QColor(Qt::black);
}

quint64 ticksPerDivision(const QVariant &divsPerPrincipal)
{
    // Above one division per tick the division would be 0 ticks long and
    // every later division by it would fail.
    const qlonglong divs = qBound<qlonglong>(1, divsPerPrincipal.toLongLong(), qlonglong(TicksPerPrincipal));
    return TicksPerPrincipal / quint64(divs);
}

} // namespace QmdVorma
