#pragma once

#include "Mvc/AbstractModel.h"
#include "Mvc/MvcParticipantPointer.h"

// Event payload: one model, read as null once the model is gone.
class AbstractModelContainer
{
public:
    explicit AbstractModelContainer(AbstractModel *model)
        : m_model(model)
    {
    }

    AbstractModel *model() const { return m_model.get(); }

protected:
    ~AbstractModelContainer() = default;

private:
    MvcParticipantPointer<AbstractModel> m_model;
};
