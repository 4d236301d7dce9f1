#include "midi/MidiOutputMessage.h"

namespace {

MidiOutputMessage message(qint32 kind, MidiOutputMessage::Ticks time, int d0, int d1, int d2)
{
    MidiOutputMessage m;
    m.kind = kind;
    m.time = time;
    m.data0 = quint8(d0);
    m.data1 = quint8(d1);
    m.data2 = quint8(d2);
    return m;
}

} // namespace

MidiOutputMessage noteOnMessage(MidiOutputMessage::Ticks time, int key, int velocity)
{
    return message(MidiOutputMessage::NoteOn, time, 0, key, velocity);
}

MidiOutputMessage noteOffMessage(MidiOutputMessage::Ticks time, int key, int velocity)
{
    return message(MidiOutputMessage::NoteOff, time, 0, key, velocity);
}

MidiOutputMessage programChangeMessage(MidiOutputMessage::Ticks time, int program, int bankMsb, int bankLsb)
{
    return message(MidiOutputMessage::ProgramChange, time, program, bankMsb, bankLsb);
}

MidiOutputMessage pitchBendMessage(MidiOutputMessage::Ticks time, quint16 value)
{
    return message(MidiOutputMessage::PitchBend, time, 0, value / 128, value % 128);
}

MidiOutputMessage controlChangeMessage(MidiOutputMessage::Ticks time, int controller, int value)
{
    return message(MidiOutputMessage::ControlChange, time, 0, controller, value);
}
