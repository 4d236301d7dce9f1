#include "widgets/MidiEvent.h"

#include "midi/MidiInputMessage.h"

MidiEvent::MidiEvent(const QVector<quint8> &bytes, double deltaTime,
                     Qt::KeyboardModifiers modifiers)
    : QInputEvent(MidiEventType, modifiers), deltaTime(deltaTime), bytes(bytes)
{
}

MidiEvent::MidiEvent(const MidiInputMessage &message)
    : MidiEvent(message.bytes, message.deltaTime,
                Qt::KeyboardModifiers(message.modifiers))
{
}

const MidiEvent *MidiEvent::from(const QEvent *event)
{
    if (!event || event->type() != MidiEventType)
        return nullptr;
    return dynamic_cast<const MidiEvent *>(event);
}
