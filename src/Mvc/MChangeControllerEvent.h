#pragma once

#include "Mvc/AbstractControllerContainer.h"
#include "Mvc/MEvent.h"

// Tells a model its controller.
class MChangeControllerEvent : public MEvent, public AbstractControllerContainer
{
public:
    explicit MChangeControllerEvent(AbstractController *controller)
        : MEvent(ChangeControllerType)
        , AbstractControllerContainer(controller)
    {
    }
};
