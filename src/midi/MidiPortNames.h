#ifndef MIDI_MIDIPORTNAMES_H
#define MIDI_MIDIPORTNAMES_H

#include "midi/MidiBackend.h"

#include <QSet>
#include <QString>
#include <QStringList>

// Port names as users see them and documents store them.

// True when a sorts before b in the natural order of port names: the stems
// (all before a trailing run of decimal digits) compare locale-aware; when they
// are equal the trailing numbers compare as numbers (none counts as 0), so
// "Port 2" comes before "Port 10".
bool comparePortNames(const QString &a, const QString &b);
// Sorts into that order; names that compare equal keep their order.
void sortPortNames(QStringList &names);

// The name users see for a driver's port name: ALSA appends " client:port"
// numbers that change from run to run, so they are cut off. Applied to a
// stored name it gives the name to look for, so a document saved with the
// numbers still finds its port.
QString midiPortDisplayName(const QString &name);

// The names users see for a driver's port list, in its order. A name an
// earlier port already shows gets the lowest numeral from 2 on that no port
// shows ("Synth", "Synth 2"), so identical devices can each be chosen and
// documents store which one; a device keeps its name while the system lists
// it in the same place.
QStringList midiPortDisplayNames(const QStringList &rawNames);

// The ports of a direction present now, without this process's own ports:
// the driver's names and, at the same places, the names users see.
struct MidiPortList
{
    QStringList rawNames;
    QStringList displayNames;
};
MidiPortList listMidiPorts(MidiBackend &backend, MidiDirection direction);

// The client name under which this process opens ports of a direction. It
// carries the process id so the port lists can leave out this process's own
// ports (under JACK the output list would otherwise offer our own inputs,
// and a default output port could loop back into them).
QString ownMidiClientName(MidiDirection direction);
// True when a driver's port name belongs to a port this process opened.
bool isOwnMidiPort(const QString &rawName);

// The ports present now, enumerated afresh, by display name, without this
// process's own ports. Empty when there are none or no MIDI system works;
// nothing fails outward.
QStringList midiPortNames(MidiDirection direction);
QSet<QString> midiInputPortNameSet();
QSet<QString> midiOutputPortNameSet();

// The position of a port in midiPortNames, matched by display name; false
// when it is not present.
bool findMidiInputPort(const QString &name, int *index);
bool findMidiOutputPort(const QString &name, int *index);

#endif
