#include "inspector/UserMidiMessageListEdit.h"

#include "inspector/KeyEventText.h"

UserMidiMessageListEdit::UserMidiMessageListEdit(QWidget *parent) : CommonMidiInputListEdit(parent)
{
    m_listMode = true;
    setPattern(QStringLiteral("|(|((0x([0-9]|[a-f]){1,2})(\\s(0x([0-9]|[a-f]){1,2}))*)(,|((0x([0-9]|[a-f]){1,2})(\\s(0x([0-9]|[a-f]){1,2}))*))*)"));
}

void UserMidiMessageListEdit::keyPressEvent(QKeyEvent *event)
{
    QKeyEvent copy = keyEventWithText(*event, event->text().toLower());
    CommonMidiInputListEdit::keyPressEvent(&copy);
    event->setAccepted(copy.isAccepted());
}
