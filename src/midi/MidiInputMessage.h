#ifndef MIDI_MIDIINPUTMESSAGE_H
#define MIDI_MIDIINPUTMESSAGE_H

#include <QMetaType>
#include <QVector>

// One message received on a MIDI input port.
struct MidiInputMessage
{
    double deltaTime = 0.0;  // seconds since the previous message on the port, from the driver
    QVector<quint8> bytes;   // the complete message, status byte first
    int modifiers = 0;       // Qt::KeyboardModifiers held when it arrived
    quint64 receivedNs = 0;  // currentTimeNs() when the driver delivered it
};

Q_DECLARE_METATYPE(MidiInputMessage)

#endif
