#include "Mvc/AbstractModel.h"

#include "Mvc/AbstractController.h"
#include "Mvc/CChangeModelEvent.h"
#include "Mvc/MChangeControllerEvent.h"
#include "Mvc/MvcEventFamily.h"

AbstractModel::AbstractModel(QObject *self)
    : MvcBase(self)
{
}

AbstractModel::~AbstractModel()
{
    if (QObject *controller = m_controller.object())
        post(controller, new CChangeModelEvent(nullptr));
}

void AbstractModel::dispatchEvent(MEvent *event)
{
    if (event->eventFamily() != mvcEventFamily())
        return;
    if (event->type() == MEvent::ChangeControllerType) {
        if (auto *e = dynamic_cast<MChangeControllerEvent *>(event))
            onChangeController(e);
    }
}

void AbstractModel::deliverEvent(QEvent *event)
{
    if (auto *e = dynamic_cast<MEvent *>(event))
        dispatchEvent(e);
}

void AbstractModel::onChangeController(MChangeControllerEvent *event)
{
    m_controller = event->controller();
}
