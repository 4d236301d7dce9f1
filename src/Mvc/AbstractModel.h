#pragma once

#include "Mvc/MvcBase.h"
#include "Mvc/MvcParticipantPointer.h"

class AbstractController;
class MChangeControllerEvent;
class MEvent;

// The model role. The owning QObject hands its custom events to
// deliverEvent() from customEvent().
class AbstractModel : public MvcBase
{
public:
    explicit AbstractModel(QObject *self);
    // Tells the controller, which drops its model.
    ~AbstractModel() override;

    // Handles events of the base family; subclasses call it first and then
    // handle their own family.
    virtual void dispatchEvent(MEvent *event);

    // Passes model events to dispatchEvent() and ignores every other event.
    void deliverEvent(QEvent *event);

    // The controller while its self object lives, else null.
    AbstractController *controller() const { return m_controller.get(); }
    QObject *controllerObject() const { return m_controller.object(); }

protected:
    virtual void onChangeController(MChangeControllerEvent *event);

private:
    MvcParticipantPointer<AbstractController> m_controller;
};
