#pragma once

#include "Mvc/MvcBase.h"
#include "Mvc/MvcParticipantPointer.h"
#include "Mvc/MvcViewSet.h"

class AbstractController;
class AbstractModel;
class VChangeControllerEvent;
class VEvent;
class VModelChangedEvent;

// The view role. The owning QObject hands its custom events to
// deliverEvent() from customEvent().
class AbstractView : public MvcBase
{
public:
    explicit AbstractView(QObject *self);
    // Asks the controller to detach this view.
    ~AbstractView() override;

    // Handles events of the base family; subclasses call it first and then
    // handle their own family.
    virtual void dispatchEvent(VEvent *event);

    // Passes view events to dispatchEvent() and ignores every other event.
    void deliverEvent(QEvent *event);

    // The partners while their self objects live, else null.
    AbstractController *controller() const { return m_controller.get(); }
    QObject *controllerObject() const { return m_controller.object(); }
    AbstractModel *model() const { return m_model.get(); }
    QObject *modelObject() const { return m_model.object(); }

    // Dependent views follow this view to every controller it is given.
    void addDependentView(AbstractView *view);
    void removeDependentView(AbstractView *view);
    QList<AbstractView *> dependentViews() const { return m_dependentViews.views(); }

protected:
    virtual void onChangeController(VChangeControllerEvent *event);
    virtual void onModelChanged(VModelChangedEvent *event);
    // Redraw or reload here; the base does nothing.
    virtual void onRefresh(VEvent *event);

private:
    MvcParticipantPointer<AbstractController> m_controller;
    MvcParticipantPointer<AbstractModel> m_model;
    MvcViewSet m_dependentViews;
};
