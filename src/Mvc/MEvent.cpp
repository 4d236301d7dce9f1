#include "Mvc/MEvent.h"

MEvent::MEvent(Type type)
    : MvcEvent(type)
{
}

MvcEvent::TargetKind MEvent::targetKind() const
{
    return ModelTarget;
}
