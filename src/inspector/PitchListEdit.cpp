#include "inspector/PitchListEdit.h"

#include "inspector/KeyEventText.h"

PitchListEdit::PitchListEdit(QWidget *parent) : CommonMidiInputListEdit(parent)
{
    m_listMode = true;
    setPattern(QStringLiteral("|((((([ACDFG]#?)|[EB])((-[12])|[0-8]))|([+-](([0-9]{1,2})|(1[01][0-9])|(12[0-7]))))(,(((([ACDFG]#?)|[EB])((-[12])|[0-8]))|([+-](([0-9]{1,2})|(1[01][0-9])|(12[0-7])))))*)"));
}

void PitchListEdit::keyPressEvent(QKeyEvent *event)
{
    QKeyEvent copy = keyEventWithText(*event, event->text().toUpper());
    CommonMidiInputListEdit::keyPressEvent(&copy);
    event->setAccepted(copy.isAccepted());
}
