#ifndef MIDI_KEYBOARDMODIFIERTRACKER_H
#define MIDI_KEYBOARDMODIFIERTRACKER_H

#include <QObject>

#include <atomic>

// Keeps the keyboard modifiers the user holds in a value any thread may
// read. MIDI input arrives on driver threads, where no QtGui call is
// allowed, yet every message records the modifiers held when it came. The
// application creates one tracker on the GUI thread; it watches the input
// events of the whole application.
class KeyboardModifierTracker : public QObject
{
    Q_OBJECT
public:
    explicit KeyboardModifierTracker(QObject *parent = nullptr);
    ~KeyboardModifierTracker() override;

    // Qt::KeyboardModifiers as an int; 0 until a tracker has seen input.
    static int current() { return s_modifiers.load(std::memory_order_relaxed); }
    static void setCurrent(int modifiers) { s_modifiers.store(modifiers, std::memory_order_relaxed); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static std::atomic<int> s_modifiers;
};

#endif
