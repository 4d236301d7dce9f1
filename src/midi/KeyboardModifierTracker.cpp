#include "midi/KeyboardModifierTracker.h"

#include <QCoreApplication>
#include <QInputEvent>

std::atomic<int> KeyboardModifierTracker::s_modifiers{0};

KeyboardModifierTracker::KeyboardModifierTracker(QObject *parent)
    : QObject(parent)
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->installEventFilter(this);
}

KeyboardModifierTracker::~KeyboardModifierTracker()
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

bool KeyboardModifierTracker::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
        setCurrent(int(static_cast<QInputEvent *>(event)->modifiers()));
        break;
    case QEvent::ApplicationDeactivate:
        // Keys released while another program has the focus never reach us.
        setCurrent(0);
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
