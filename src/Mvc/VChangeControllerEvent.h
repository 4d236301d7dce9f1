#pragma once

#include "Mvc/AbstractControllerContainer.h"
#include "Mvc/VEvent.h"

// Tells a view its controller.
class VChangeControllerEvent : public VEvent, public AbstractControllerContainer
{
public:
    VChangeControllerEvent(MvcBase *sender, AbstractController *controller)
        : VEvent(ChangeControllerType, sender)
        , AbstractControllerContainer(controller)
    {
    }
};
