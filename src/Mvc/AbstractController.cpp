#include "Mvc/AbstractController.h"

#include "Mvc/AbstractModel.h"
#include "Mvc/AbstractView.h"
#include "Mvc/CChangeModelEvent.h"
#include "Mvc/CViewAttachEvent.h"
#include "Mvc/CViewDetachEvent.h"
#include "Mvc/MChangeControllerEvent.h"
#include "Mvc/MvcEventFamily.h"
#include "Mvc/VChangeControllerEvent.h"
#include "Mvc/VModelChangedEvent.h"

AbstractController::AbstractController(QObject *self)
    : MvcBase(self)
{
}

AbstractController::~AbstractController() = default;

void AbstractController::dispatchEvent(CEvent *event)
{
    if (event->eventFamily() != mvcEventFamily())
        return;
    switch (int(event->type())) {
    case CEvent::ChangeModelType:
        if (auto *e = dynamic_cast<CChangeModelEvent *>(event))
            onChangeModel(e);
        break;
    case CEvent::ViewAttachType:
        if (auto *e = dynamic_cast<CViewAttachEvent *>(event))
            onViewAttach(e);
        break;
    case CEvent::ViewDetachType:
        if (auto *e = dynamic_cast<CViewDetachEvent *>(event))
            onViewDetach(e);
        break;
    case CEvent::ClearViewsType:
        clearViews();
        break;
    default:
        break;
    }
}

void AbstractController::deliverEvent(QEvent *event)
{
    if (auto *e = dynamic_cast<CEvent *>(event))
        dispatchEvent(e);
}

void AbstractController::setModel(AbstractModel *model)
{
    post(self(), new CChangeModelEvent(model));
}

void AbstractController::attachView(AbstractView *view)
{
    post(self(), new CViewAttachEvent(view));
}

void AbstractController::detachView(AbstractView *view)
{
    post(self(), new CViewDetachEvent(view));
}

void AbstractController::onChangeModel(CChangeModelEvent *event)
{
    AbstractModel *model = event->model();
    m_model = model;
    if (!model)
        return;
    post(model->self(), new MChangeControllerEvent(this));
    for (AbstractView *view : m_views.views())
        post(view->self(), new VModelChangedEvent(this, model));
}

void AbstractController::onViewAttach(CViewAttachEvent *event)
{
    AbstractView *view = event->view();
    if (!view)
        return;
    m_views.insert(view);
    post(view->self(), new VChangeControllerEvent(this, this));
}

void AbstractController::onViewDetach(CViewDetachEvent *event)
{
    // A view that detaches from its destructor is gone by now and reads as
    // null; removing null still forgets it, with every other gone member.
    m_views.remove(event->view());
}

void AbstractController::clearViews()
{
    m_views.clear();
}
