#include "widgets/MidiEvent.h"

#include "midi/MidiInputMessage.h"

#include <QtTest>

namespace {

// A foreign event that shares the first user type number.
class OtherUserEvent : public QEvent
{
public:
    OtherUserEvent() : QEvent(QEvent::User) {}
};

} // namespace

class tst_MidiEvent : public QObject
{
    Q_OBJECT

private slots:
    void carriesTheMessage()
    {
        MidiInputMessage message;
        message.bytes = {0x90, 60, 100};
        message.deltaTime = 0.25;
        message.modifiers = int(Qt::ShiftModifier);
        const MidiEvent event(message);
        QCOMPARE(int(event.type()), 1000);
        QCOMPARE(event.bytes, message.bytes);
        QCOMPARE(event.deltaTime, 0.25);
        QCOMPARE(event.modifiers(), Qt::ShiftModifier);
        QCOMPARE(MidiEvent::from(&event), &event);
    }

    void otherEventsAreNotReadAsMidi()
    {
        const OtherUserEvent sameNumber;
        const QEvent other(QEvent::KeyPress);
        QVERIFY(!MidiEvent::from(&sameNumber));
        QVERIFY(!MidiEvent::from(&other));
        QVERIFY(!MidiEvent::from(nullptr));
    }
};

QTEST_GUILESS_MAIN(tst_MidiEvent)
#include "tst_midievent.moc"
