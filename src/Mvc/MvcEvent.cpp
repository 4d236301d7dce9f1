#include "Mvc/MvcEvent.h"

#include "Mvc/MvcEventFamily.h"

MvcEvent::MvcEvent(Type type)
    : QEvent(type)
{
}

MvcEvent::~MvcEvent() = default;

quint32 MvcEvent::eventFamily() const
{
    return mvcEventFamily();
}
