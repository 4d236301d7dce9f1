#include "inspector/KeyEventText.h"

QKeyEvent keyEventWithText(const QKeyEvent &event, const QString &text)
{
    return QKeyEvent(event.type(), event.key(), event.modifiers(), event.nativeScanCode(),
                     event.nativeVirtualKey(), event.nativeModifiers(), text,
                     event.isAutoRepeat(), ushort(event.count()));
}
