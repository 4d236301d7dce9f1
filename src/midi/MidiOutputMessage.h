#ifndef MIDI_MIDIOUTPUTMESSAGE_H
#define MIDI_MIDIOUTPUTMESSAGE_H

#include <QMetaType>
#include <QtGlobal>

#include <vector>

// A MIDI message due at a playback tick. It carries no channel: the
// instrument's port sends every kind but Raw once on each enabled channel.
struct MidiOutputMessage
{
    // Ticks of the playback clock (665280 to a principal); the port layer
    // only orders and compares them.
    using Ticks = quint64;

    enum Kind : qint32 {
        NoteOn = 0,
        NoteOff = 1,
        ProgramChange = 2, // with bank select
        PitchBend = 3,
        ControlChange = 4,
        Raw = 5
    };

    qint32 kind = NoteOn;
    Ticks time = 0;
    quint8 data0 = 0; // program (ProgramChange)
    quint8 data1 = 0; // key, bank MSB, bend MSB or controller
    quint8 data2 = 0; // velocity, bank LSB, bend LSB or value
    std::vector<quint8> bytes; // the whole message, Raw only

    bool operator==(const MidiOutputMessage &o) const
    {
        return kind == o.kind && time == o.time && data0 == o.data0 && data1 == o.data1
            && data2 == o.data2 && bytes == o.bytes;
    }
    bool operator!=(const MidiOutputMessage &o) const { return !(*this == o); }
};

// Builders keep the low 8 bits of each argument; they do not clamp.
MidiOutputMessage noteOnMessage(MidiOutputMessage::Ticks time, int key, int velocity);
MidiOutputMessage noteOffMessage(MidiOutputMessage::Ticks time, int key, int velocity);
// program counts from 0
MidiOutputMessage programChangeMessage(MidiOutputMessage::Ticks time, int program, int bankMsb, int bankLsb);
// value is the 14-bit bend, 8192 the centre
MidiOutputMessage pitchBendMessage(MidiOutputMessage::Ticks time, quint16 value);
MidiOutputMessage controlChangeMessage(MidiOutputMessage::Ticks time, int controller, int value);

Q_DECLARE_METATYPE(MidiOutputMessage)

#endif
