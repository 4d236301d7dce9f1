#pragma once

#include "Mvc/AbstractModelContainer.h"
#include "Mvc/VEvent.h"

// Tells a view its model.
class VModelChangedEvent : public VEvent, public AbstractModelContainer
{
public:
    VModelChangedEvent(MvcBase *sender, AbstractModel *model)
        : VEvent(ModelChangedType, sender)
        , AbstractModelContainer(model)
    {
    }
};
