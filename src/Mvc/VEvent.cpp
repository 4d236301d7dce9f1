#include "Mvc/VEvent.h"

VEvent::VEvent(Type type, MvcBase *sender)
    : MvcEvent(type)
    , m_sender(sender)
{
}

MvcEvent::TargetKind VEvent::targetKind() const
{
    return ViewTarget;
}
