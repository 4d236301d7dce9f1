#pragma once

#include "Mvc/AbstractController.h"
#include "Mvc/MvcParticipantPointer.h"

// Event payload: one controller, read as null once the controller is gone.
class AbstractControllerContainer
{
public:
    explicit AbstractControllerContainer(AbstractController *controller)
        : m_controller(controller)
    {
    }

    AbstractController *controller() const { return m_controller.get(); }

protected:
    ~AbstractControllerContainer() = default;

private:
    MvcParticipantPointer<AbstractController> m_controller;
};
