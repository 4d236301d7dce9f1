#include "QmdVorma/DocumentConversion.h"

#include "Qmd/QmdDirectModelInterface.h"
#include "QmdVorma/DocumentDefaults.h"
#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/InstrumentPalette.h"

#include <QStringList>

namespace QmdVorma {

namespace {

bool isDict(const QmdDirectModelInterface &d, const QmdIndex &index)
{
    return d.model()->type(index) == Qmd::StrDict;
}

// The elements of one kind, in the model's order.
QmdIndexList elementsOfType(const QmdDirectModelInterface &d, const QmdIndex &elements, int type)
{
    QmdIndexList result;
    if (!elements.isValid())
        return result;
    for (const QmdIndex &element : d.indexes(elements)) {
        if (isDict(d, element) && d.data(Keys::Type, element).toInt() == type)
            result.append(element);
    }
    return result;
}

bool has(const QmdDirectModelInterface &d, const QString &key, const QmdIndex &parent)
{
    return d.index(key, parent).isValid();
}

void convertArcUsages(QmdDirectModelInterface &d, const QmdIndex &node)
{
    const QmdIndex usages = d.index(Keys::OrderedArcUsages, node);
    if (!usages.isValid())
        return;
    QStringList entries;
    for (const QmdIndex &usage : d.indexes(usages)) {
        entries.append(QStringLiteral("%1=%2")
                           .arg(d.data(Keys::Arc, usage).toUInt())
                           .arg(d.data(Keys::UsageRule, usage).toInt()));
    }
    d.setData(Keys::ArcUsageList, entries.join(QLatin1Char(',')), node);
    d.remove(Keys::OrderedArcUsages, node);
}

void convertNoteLists(QmdDirectModelInterface &d, const QmdIndex &node)
{
    QStringList present;
    for (const QString *key : {&Keys::PitchList, &Keys::VelocityList, &Keys::DurationList}) {
        if (has(d, *key, node))
            present.append(*key);
    }
    if (present.isEmpty())
        return;
    if (!has(d, Keys::Notes, node)) {
        const QString p = d.data(Keys::PitchList, node).toString();
        const QString v = d.data(Keys::VelocityList, node).toString();
        const QString dur = d.data(Keys::DurationList, node).toString();
        // An empty list before a later one keeps its place as "+0", which
        // leaves the voice's value as it is.
        const QString keepP = p.isEmpty() ? QStringLiteral("+0") : p;
        const QString keepV = v.isEmpty() ? QStringLiteral("+0") : v;
        QString notes;
        if (!dur.isEmpty())
            notes = keepP + QLatin1Char(':') + keepV + QLatin1Char(':') + dur;
        else if (!v.isEmpty())
            notes = keepP + QLatin1Char(':') + v;
        else
            notes = p;
        d.setData(Keys::Notes, notes, node);
    }
    d.model()->remove(present, node);
}

} // namespace

void convertOlderNodes(QmdDirectModelInterface &d, const QmdIndex &elements)
{
    for (const QmdIndex &node : elementsOfType(d, elements, NodeElement)) {
        convertArcUsages(d, node);
        convertNoteLists(d, node);
    }
}

void convertOlderVoiceGroups(QmdDirectModelInterface &d, const QmdIndex &elements, const QmdIndex &instruments)
{
    const QString *const moved[] = {&Keys::MidiPort, &Keys::MidiChannels, &Keys::MidiDoProgramChange,
                                    &Keys::MidiProgram, &Keys::MidiBankMSB, &Keys::MidiBankLSB};
    for (const QmdIndex &group : elementsOfType(d, elements, VoiceGroupElement)) {
        if (!has(d, Keys::Identifier, group))
            continue;
        const int n = d.data(Keys::Identifier, group).toInt();
        QHash<QString, QVariant> data{
            {Keys::Type, d.data(Keys::OutputType, group)},
            {Keys::Color, paletteColor(n)},
            {Keys::Label, QStringLiteral("%1 %2").arg(QStringLiteral("Instrument")).arg(qint64(n) + 1)},
        };
        for (const QString *key : moved)
            data.insert(*key, d.data(*key, group));
        const QmdItemId id = d.addType(Qmd::StrDict, instruments);
        const QmdIndex instrument = d.index(id, instruments);
        if (instrument.isValid())
            d.model()->setData(data, instrument);
        d.setData(Keys::InitialInstrument, uint(id), group);
        d.model()->remove(QStringList{Keys::Identifier, Keys::MidiBankLSB, Keys::MidiBankMSB, Keys::MidiChannels,
                             Keys::MidiDoProgramChange, Keys::MidiPort, Keys::MidiProgram, Keys::OutputType},
                 group);
    }
}

QmdItemId mergeBuiltInScaleModes(QmdDirectModelInterface &d, const QmdIndex &scaleModes,
                                 const BuiltInScaleModeList &builtInList, const BuiltInScaleModeSet &builtInSet,
                                 const BuiltInScaleMode &defaultMode)
{
    QmdItemId defaultId = 0;
    if (!scaleModes.isValid())
        return defaultId;
    int nextUserOrder = FirstUserDisplayOrder;
    BuiltInScaleModeSet present;
    for (const QmdIndex &mode : d.indexes(scaleModes)) {
        if (!isDict(d, mode))
            continue;
        const BuiltInScaleMode pair(d.data(Keys::Label, mode).toString(),
                                    d.data(Keys::ChromaticScaleDegreeSet, mode).toInt(), 0);
        present.insert(pair);
        const auto builtIn = builtInSet.constFind(pair);
        if (builtIn != builtInSet.cend()) {
            d.setData(Keys::IsBuiltIn, true, mode);
            d.setData(Keys::DisplayOrder, builtIn->displayOrder, mode);
            if (pair == defaultMode)
                defaultId = mode.itemId();
        } else {
            d.setData(Keys::IsBuiltIn, false, mode);
            d.setData(Keys::DisplayOrder, nextUserOrder++, mode);
        }
    }
    for (const BuiltInScaleMode &builtIn : builtInList) {
        // The list may name a mode twice; the document gets it once.
        if (present.contains(builtIn))
            continue;
        present.insert(builtIn);
        const QmdItemId id = d.addType(Qmd::StrDict, scaleModes);
        const QmdIndex mode = d.index(id, scaleModes);
        if (!mode.isValid())
            continue;
        d.setData(Keys::Label, builtIn.label, mode);
        d.setData(Keys::ChromaticScaleDegreeSet, builtIn.degreeSet, mode);
        d.setData(Keys::DisplayOrder, builtIn.displayOrder, mode);
        d.setData(Keys::IsBuiltIn, true, mode);
        if (builtIn == defaultMode)
            defaultId = id;
    }
    return defaultId;
}

void repairScaleModeReferences(QmdDirectModelInterface &d, const QmdIndex &elements, const QmdIndex &scaleModes,
                               QmdItemId defaultScaleModeId)
{
    auto namesMode = [&](const QmdIndex &holder) {
        const QmdItemId id = d.data(Keys::ScaleMode, holder).toUInt();
        return id != 0 && scaleModes.isValid() && d.index(id, scaleModes).isValid();
    };
    if (!namesMode(QmdIndex()))
        d.setData(Keys::ScaleMode, uint(defaultScaleModeId));
    for (const QmdIndex &group : elementsOfType(d, elements, VoiceGroupElement)) {
        d.setDataIfInvalid(Keys::DontPlayNote, false, group);
        d.setDataIfInvalid(Keys::UseScale, false, group);
        d.setDataIfInvalid(Keys::ScaleKey, 0u, group);
        d.setDataIfInvalid(Keys::ScaleMode, uint(defaultScaleModeId), group);
        if (!namesMode(group))
            d.setData(Keys::ScaleMode, uint(defaultScaleModeId), group);
    }
}

} // namespace QmdVorma
