#include "inspector/QPlainTextEditPlus.h"

QPlainTextEditPlus::QPlainTextEditPlus(QWidget *parent) : QPlainTextEdit(parent)
{
}

void QPlainTextEditPlus::focusOutEvent(QFocusEvent *event)
{
    QPlainTextEdit::focusOutEvent(event);
    // A popup such as the context menu takes the keyboard for a moment but
    // leaves the editor the focus: the edit goes on.
    if (!hasFocus())
        emit editingFinished();
}
