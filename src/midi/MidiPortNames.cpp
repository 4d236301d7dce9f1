#include "midi/MidiPortNames.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <algorithm>

namespace {

struct SplitName
{
    QString stem;
    qulonglong number = 0;
};

SplitName splitTrailingNumber(const QString &name)
{
    static const QRegularExpression trailingDigits(QStringLiteral("\\d+$"));
    const QRegularExpressionMatch match = trailingDigits.match(name);
    if (!match.hasMatch())
        return {name, 0};
    bool ok = false;
    const qulonglong number = match.captured().toULongLong(&ok);
    return {name.left(match.capturedStart()), ok ? number : 0};
}

QString clientPart(const QString &rawName)
{
    const int colon = rawName.indexOf(QLatin1Char(':'));
    return colon < 0 ? QString() : rawName.left(colon);
}

bool findPort(MidiDirection direction, const QString &name, int *index)
{
    const QStringList names = midiPortNames(direction);
    const int i = names.indexOf(midiPortDisplayName(name));
    if (index)
        *index = i;
    return i >= 0;
}

} // namespace

bool comparePortNames(const QString &a, const QString &b)
{
    const SplitName sa = splitTrailingNumber(a);
    const SplitName sb = splitTrailingNumber(b);
    const int stems = QString::localeAwareCompare(sa.stem, sb.stem);
    if (stems != 0)
        return stems < 0;
    return sa.number < sb.number;
}

void sortPortNames(QStringList &names)
{
    std::stable_sort(names.begin(), names.end(), comparePortNames);
}

QString midiPortDisplayName(const QString &name)
{
    static const QRegularExpression alsaNumbers(QStringLiteral(" \\d+:\\d+$"));
    QString display = name;
    display.remove(alsaNumbers);
    return display;
}

QStringList midiPortDisplayNames(const QStringList &rawNames)
{
    QStringList shown;
    shown.reserve(rawNames.size());
    for (const QString &raw : rawNames)
        shown << midiPortDisplayName(raw);
    // Names the ports show of their own are never handed to another port.
    const QSet<QString> own(shown.cbegin(), shown.cend());
    QSet<QString> used;
    for (QString &name : shown) {
        if (used.contains(name)) {
            QString numbered;
            for (int n = 2;; ++n) {
                numbered = name + QLatin1Char(' ') + QString::number(n);
                if (!used.contains(numbered) && !own.contains(numbered))
                    break;
            }
            name = numbered;
        }
        used.insert(name);
    }
    return shown;
}

MidiPortList listMidiPorts(MidiBackend &backend, MidiDirection direction)
{
    MidiPortList list;
    for (const QString &raw : backend.portNames(direction)) {
        if (!isOwnMidiPort(raw))
            list.rawNames << raw;
    }
    list.displayNames = midiPortDisplayNames(list.rawNames);
    return list;
}

QString ownMidiClientName(MidiDirection direction)
{
    return QStringLiteral("Vorma %1 %2")
        .arg(direction == MidiDirection::Input ? QStringLiteral("In") : QStringLiteral("Out"))
        .arg(QCoreApplication::applicationPid());
}

bool isOwnMidiPort(const QString &rawName)
{
    const QString client = clientPart(rawName);
    if (client.isEmpty())
        return false;
    // JACK renames a second client of the same name to "name-01".
    for (MidiDirection d : {MidiDirection::Input, MidiDirection::Output}) {
        const QString own = ownMidiClientName(d);
        if (client == own || client.startsWith(own + QLatin1Char('-')))
            return true;
    }
    return false;
}

QStringList midiPortNames(MidiDirection direction)
{
    return listMidiPorts(*MidiBackend::current(), direction).displayNames;
}

QSet<QString> midiInputPortNameSet()
{
    const QStringList names = midiPortNames(MidiDirection::Input);
    return QSet<QString>(names.begin(), names.end());
}

QSet<QString> midiOutputPortNameSet()
{
    const QStringList names = midiPortNames(MidiDirection::Output);
    return QSet<QString>(names.begin(), names.end());
}

bool findMidiInputPort(const QString &name, int *index)
{
    return findPort(MidiDirection::Input, name, index);
}

bool findMidiOutputPort(const QString &name, int *index)
{
    return findPort(MidiDirection::Output, name, index);
}
