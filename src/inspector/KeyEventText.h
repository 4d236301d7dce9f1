#ifndef INSPECTOR_KEYEVENTTEXT_H
#define INSPECTOR_KEYEVENTTEXT_H

#include <QKeyEvent>

// The editors that force the case of typed letters hand their base class a
// copy of the key event with other text. Everything else a key binding or
// an input method might look at stays as it came.
QKeyEvent keyEventWithText(const QKeyEvent &event, const QString &text);

#endif
