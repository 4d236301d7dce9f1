#ifndef WIDGETS_MIDIEVENT_H
#define WIDGETS_MIDIEVENT_H

#include <QEvent>
#include <QInputEvent>
#include <QVector>

struct MidiInputMessage;

// One message played on the MIDI entry port, handed synchronously to the
// widget with the keyboard focus. It lives on the sender's stack: a receiver
// reads it in customEvent() and never keeps it.
class MidiEvent : public QInputEvent
{
public:
    static constexpr QEvent::Type MidiEventType = QEvent::User; // 1000

    MidiEvent(const QVector<quint8> &bytes, double deltaTime,
              Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    explicit MidiEvent(const MidiInputMessage &message);

    // The MidiEvent inside `event`, or null when it is another event. Checks
    // the class as well as the type number, so a foreign event that happens
    // to use type 1000 is never read as ours.
    static const MidiEvent *from(const QEvent *event);

    double deltaTime;
    QVector<quint8> bytes; // status byte first
};

#endif
