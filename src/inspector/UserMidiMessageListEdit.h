#ifndef INSPECTOR_USERMIDIMESSAGELISTEDIT_H
#define INSPECTOR_USERMIDIMESSAGELISTEDIT_H

#include "inspector/CommonMidiInputListEdit.h"

// Raw MIDI messages, each of bytes written "0x90 0x3c 0x64", the messages
// separated by commas. Hex digits are lower case, so typed letters are
// lower-cased. A played message replaces the list; with Shift held it is
// added to it.
class UserMidiMessageListEdit : public CommonMidiInputListEdit
{
    Q_OBJECT

public:
    explicit UserMidiMessageListEdit(QWidget *parent = nullptr);

    int inputKind() const override { return RawMessageInput; }

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

#endif
