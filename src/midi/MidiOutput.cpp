#include "midi/MidiOutput.h"

#include "midi/MidiPortNames.h"
#include "midi/SharedMidiPort.h"

#include <algorithm>

namespace {

quint8 dataByte(quint8 value)
{
    return std::min<quint8>(value, 0x7F);
}

} // namespace

MidiOutput::MidiOutput() = default;

MidiOutput::~MidiOutput()
{
    allNotesOff();
    std::lock_guard<PriorityInheritanceMutex> lifecycle(m_lifecycleMutex);
    release(detach());
}

bool MidiOutput::close()
{
    allNotesOff();
    return MidiIO<RtMidiOut>::close();
}

bool MidiOutput::sendMessages(const std::vector<MidiOutputMessage> &messages)
{
    if (messages.empty())
        return true;
    // The port and channels are copied and the object's mutex released
    // before the port's mutex is taken, so a close on another thread never
    // waits on a send in the opposite lock order.
    quint16 channels = 0;
    const std::shared_ptr<Port> port = heldPort(&channels);
    if (!port)
        return false;

    std::lock_guard<PriorityInheritanceMutex> lock(port->mutex);
    if (!port->device)
        return false;
    MidiOutputDevice &device = *port->device;
    for (const MidiOutputMessage &m : messages) {
        const quint8 d0 = dataByte(m.data0);
        const quint8 d1 = dataByte(m.data1);
        const quint8 d2 = dataByte(m.data2);
        if (m.kind == MidiOutputMessage::NoteOn || m.kind == MidiOutputMessage::NoteOff) {
            std::lock_guard<PriorityInheritanceMutex> held(m_heldMutex);
            m_held.set(d1, m.kind == MidiOutputMessage::NoteOn && d2 != 0);
        }
        if (m.kind == MidiOutputMessage::Raw) {
            if (!m.bytes.empty() && !device.send(m.bytes.data(), m.bytes.size()))
                return false;
            continue;
        }
        for (int c = 0; c < 16; ++c) {
            if (!(channels & (1u << c)))
                continue;
            auto group = [&](int status, quint8 a, quint8 b) {
                const unsigned char bytes[3] = {quint8(status + c), a, b};
                return device.send(bytes, 3);
            };
            bool ok = true;
            switch (m.kind) {
            case MidiOutputMessage::NoteOn:
                ok = group(0x90, d1, d2);
                break;
            case MidiOutputMessage::NoteOff:
                ok = group(0x80, d1, d2);
                break;
            case MidiOutputMessage::ProgramChange: {
                const unsigned char program[2] = {quint8(0xC0 + c), d0};
                ok = group(0xB0, 0x00, d1) && group(0xB0, 0x20, d2) && device.send(program, 2);
                break;
            }
            case MidiOutputMessage::PitchBend:
                // On the wire the low seven bits come first.
                ok = group(0xE0, d2, d1);
                break;
            case MidiOutputMessage::ControlChange:
                ok = group(0xB0, d1, d2);
                break;
            default:
                break;
            }
            if (!ok)
                return false;
        }
    }
    return true;
}

bool MidiOutput::allNotesOff()
{
    std::vector<MidiOutputMessage> offs;
    {
        std::lock_guard<PriorityInheritanceMutex> held(m_heldMutex);
        if (m_held.none())
            return true;
        for (int key = 0; key < 128; ++key) {
            if (m_held.test(std::size_t(key)))
                offs.push_back(noteOffMessage(0, key, 0));
        }
    }
    return sendMessages(offs);
}

bool MidiOutput::holdsPort(const QString &name) const
{
    const std::shared_ptr<Port> port = heldPort();
    if (!port || portName() != midiPortDisplayName(name))
        return false;
    std::lock_guard<PriorityInheritanceMutex> lock(port->mutex);
    return port->device && port->device->reachesPort();
}

std::vector<quint8> MidiOutput::heldNotes() const
{
    std::vector<quint8> notes;
    std::lock_guard<PriorityInheritanceMutex> held(m_heldMutex);
    for (int key = 0; key < 128; ++key) {
        if (m_held.test(std::size_t(key)))
            notes.push_back(quint8(key));
    }
    return notes;
}
