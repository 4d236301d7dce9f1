#include "QmdVorma/DocumentDefaults.h"

#include "Qmd/QmdDirectModelInterface.h"
#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/QmdVorma.h"

#include <QCoreApplication>

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

QString defaultSyncType()
{
    return QStringLiteral("internal");
}

void writeElementState(QmdDirectModelInterface &d, const QmdIndex &state, int type)
{
    for (const KeyValue &entry : elementStateDefaults(type))
        d.setData(entry.key, entry.value, state);
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
