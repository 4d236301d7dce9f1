#include "Mvc/CEvent.h"

CEvent::CEvent(Type type, QObject *originator, int flags)
    : MvcEvent(type)
    , m_originator(originator)
    , m_flags(flags)
{
}

MvcEvent::TargetKind CEvent::targetKind() const
{
    return ControllerTarget;
}

bool CEvent::isFrom(const QObject *object) const
{
    return (m_flags & OriginatorGiven) && object && m_originator == object;
}
