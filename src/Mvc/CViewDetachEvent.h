#pragma once

#include "Mvc/AbstractViewContainer.h"
#include "Mvc/CEvent.h"

// Detaches a view from the controller.
class CViewDetachEvent : public CEvent, public AbstractViewContainer
{
public:
    explicit CViewDetachEvent(AbstractView *view, QObject *originator = nullptr, int flags = 0)
        : CEvent(ViewDetachType, originator, flags)
        , AbstractViewContainer(view)
    {
    }
};
