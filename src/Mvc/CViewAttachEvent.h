#pragma once

#include "Mvc/AbstractViewContainer.h"
#include "Mvc/CEvent.h"

// Attaches a view to the controller.
class CViewAttachEvent : public CEvent, public AbstractViewContainer
{
public:
    explicit CViewAttachEvent(AbstractView *view, QObject *originator = nullptr, int flags = 0)
        : CEvent(ViewAttachType, originator, flags)
        , AbstractViewContainer(view)
    {
    }
};
