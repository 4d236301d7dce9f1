#include "Mvc/AbstractView.h"

#include "Mvc/AbstractController.h"
#include "Mvc/CViewAttachEvent.h"
#include "Mvc/CViewDetachEvent.h"
#include "Mvc/MvcEventFamily.h"
#include "Mvc/VChangeControllerEvent.h"
#include "Mvc/VModelChangedEvent.h"

AbstractView::AbstractView(QObject *self)
    : MvcBase(self)
{
}

AbstractView::~AbstractView()
{
    if (QObject *controller = m_controller.object())
        post(controller, new CViewDetachEvent(this));
}

void AbstractView::dispatchEvent(VEvent *event)
{
    if (event->eventFamily() != mvcEventFamily())
        return;
    switch (int(event->type())) {
    case VEvent::ChangeControllerType:
        if (auto *e = dynamic_cast<VChangeControllerEvent *>(event))
            onChangeController(e);
        break;
    case VEvent::ModelChangedType:
        if (auto *e = dynamic_cast<VModelChangedEvent *>(event))
            onModelChanged(e);
        break;
    case VEvent::RefreshType:
        onRefresh(event);
        break;
    default:
        break;
    }
}

void AbstractView::deliverEvent(QEvent *event)
{
    if (auto *e = dynamic_cast<VEvent *>(event))
        dispatchEvent(e);
}

void AbstractView::addDependentView(AbstractView *view)
{
    if (view != this)
        m_dependentViews.insert(view);
}

void AbstractView::removeDependentView(AbstractView *view)
{
    m_dependentViews.remove(view);
}

void AbstractView::onChangeController(VChangeControllerEvent *event)
{
    AbstractController *controller = event->controller();
    m_controller = controller;

    for (AbstractView *dependent : m_dependentViews.views()) {
        AbstractController *old = dependent->controller();
        if (old == controller)
            continue;
        if (old)
            post(old->self(), new CViewDetachEvent(dependent));
        if (controller)
            post(controller->self(), new CViewAttachEvent(dependent));
    }

    post(self(), new VModelChangedEvent(this, controller ? controller->model() : nullptr));
}

void AbstractView::onModelChanged(VModelChangedEvent *event)
{
    m_model = event->model();
    post(self(), new VEvent(VEvent::RefreshType, this));
}

void AbstractView::onRefresh(VEvent *)
{
}
