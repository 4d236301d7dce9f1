#include "QmdVorma/MidiOutputMessage.h"

namespace {

MidiOutputMessage message(qint32 kind, QmdVorma::Ticks time, int d0, int d1, int d2)
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

MidiOutputMessage noteOnMessage(QmdVorma::Ticks time, int key, int velocity)
{
    return message(MidiOutputMessage::NoteOn, time, 0, key, velocity);
}

MidiOutputMessage noteOffMessage(QmdVorma::Ticks time, int key, int velocity)
{
    return message(MidiOutputMessage::NoteOff, time, 0, key, velocity);
}

MidiOutputMessage programChangeMessage(QmdVorma::Ticks time, int program, int bankMsb, int bankLsb)
{
    return message(MidiOutputMessage::ProgramChange, time, program, bankMsb, bankLsb);
}

MidiOutputMessage pitchBendMessage(QmdVorma::Ticks time, quint16 value)
{
    return message(MidiOutputMessage::PitchBend, time, 0, value / 128, value % 128);
}

MidiOutputMessage controlChangeMessage(QmdVorma::Ticks time, int controller, int value)
{
    return message(MidiOutputMessage::ControlChange, time, 0, controller, value);
}
