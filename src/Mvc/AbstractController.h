#pragma once

#include "Mvc/MvcBase.h"
#include "Mvc/MvcParticipantPointer.h"
#include "Mvc/MvcViewSet.h"

class AbstractModel;
class AbstractView;
class CChangeModelEvent;
class CEvent;
class CViewAttachEvent;
class CViewDetachEvent;

// The controller role. The owning QObject hands its custom events to
// deliverEvent() from customEvent().
class AbstractController : public MvcBase
{
public:
    explicit AbstractController(QObject *self);
    // Posts nothing: models and views notice through their guarded pointers.
    ~AbstractController() override;

    // Handles events of the base family; subclasses call it first and then
    // handle their own family.
    virtual void dispatchEvent(CEvent *event);

    // Passes controller events to dispatchEvent() and ignores every other
    // event.
    void deliverEvent(QEvent *event);

    // Each of these only posts the request to the controller's own self
    // object; it takes effect on a later pass of the event loop.
    void setModel(AbstractModel *model);
    void attachView(AbstractView *view);
    void detachView(AbstractView *view);

    // The model while its self object lives, else null.
    AbstractModel *model() const { return m_model.get(); }
    QObject *modelObject() const { return m_model.object(); }

    // The attached views that still live, in the order they were attached.
    QList<AbstractView *> views() const { return m_views.views(); }

protected:
    virtual void onChangeModel(CChangeModelEvent *event);
    virtual void onViewAttach(CViewAttachEvent *event);
    virtual void onViewDetach(CViewDetachEvent *event);
    virtual void clearViews();

private:
    MvcParticipantPointer<AbstractModel> m_model;
    MvcViewSet m_views;
};
