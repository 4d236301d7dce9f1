#pragma once

#include "Mvc/AbstractModelContainer.h"
#include "Mvc/CEvent.h"

// Sets the controller's model; a null model drops it.
class CChangeModelEvent : public CEvent, public AbstractModelContainer
{
public:
    explicit CChangeModelEvent(AbstractModel *model, QObject *originator = nullptr, int flags = 0)
        : CEvent(ChangeModelType, originator, flags)
        , AbstractModelContainer(model)
    {
    }
};
