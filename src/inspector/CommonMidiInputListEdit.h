#ifndef INSPECTOR_COMMONMIDIINPUTLISTEDIT_H
#define INSPECTOR_COMMONMIDIINPUTLISTEDIT_H

#include <QLineEdit>

class MidiEvent;

// A one-line editor of pitches, velocities or raw MIDI messages that takes
// only well-formed text and can be filled by playing a MIDI keyboard. What
// is played lands in the text only; like typed text it reaches the
// document when the edit ends.
class CommonMidiInputListEdit : public QLineEdit
{
    Q_OBJECT

public:
    enum InputKind { PitchInput = 1, VelocityInput = 2, RawMessageInput = 3 };

    explicit CommonMidiInputListEdit(QWidget *parent = nullptr);

    virtual int inputKind() const = 0;
    bool isListMode() const { return m_listMode; }

protected:
    void customEvent(QEvent *event) override;

    // Installs a flashing validator over pattern, in place of the one a base
    // class installed.
    void setPattern(const QString &pattern);
    void insertMidiMessage(const MidiEvent &event);

    bool m_listMode = true;
};

#endif
