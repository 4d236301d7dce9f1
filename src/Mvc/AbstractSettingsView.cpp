#include "Mvc/AbstractSettingsView.h"

#include "Mvc/CEvent.h"
#include "Mvc/MvcEventFamily.h"
#include "Mvc/SettingsController.h"
#include "Mvc/SettingsModel.h"
#include "Mvc/VChangeControllerEvent.h"
#include "Mvc/VModelChangedEvent.h"
#include "Mvc/VSettingsKeyRemovedEvent.h"
#include "Mvc/VSettingsValueChangedEvent.h"

AbstractSettingsView::AbstractSettingsView(QObject *self)
    : AbstractView(self)
{
}

AbstractSettingsView::~AbstractSettingsView() = default;

quint32 AbstractSettingsView::eventFamily() const
{
    return settingsEventFamily();
}

void AbstractSettingsView::dispatchEvent(VEvent *event)
{
    AbstractView::dispatchEvent(event);
    if (event->eventFamily() != settingsEventFamily())
        return;
    switch (int(event->type())) {
    case VSettingsEvent::ValueChangedType:
        if (auto *e = dynamic_cast<VSettingsValueChangedEvent *>(event))
            settingsValueChanged(e);
        break;
    case VSettingsEvent::KeyRemovedType:
        if (auto *e = dynamic_cast<VSettingsKeyRemovedEvent *>(event))
            settingsKeyRemoved(e);
        break;
    default:
        break;
    }
}

SettingsController *AbstractSettingsView::settingsController() const
{
    return m_settingsController.data();
}

SettingsModel *AbstractSettingsView::settingsModel() const
{
    return m_settingsModel.data();
}

void AbstractSettingsView::postToController(CEvent *event)
{
    post(m_settingsController.data(), event);
}

void AbstractSettingsView::onChangeController(VChangeControllerEvent *event)
{
    AbstractView::onChangeController(event);
    m_settingsController = qobject_cast<SettingsController *>(controllerObject());
    settingsControllerChanged(event);
}

void AbstractSettingsView::onModelChanged(VModelChangedEvent *event)
{
    AbstractView::onModelChanged(event);
    m_settingsModel = qobject_cast<SettingsModel *>(modelObject());
    settingsModelChanged(event);
}

void AbstractSettingsView::onRefresh(VEvent *event)
{
    settingsLoaded(event);
}

void AbstractSettingsView::settingsControllerChanged(VChangeControllerEvent *)
{
}

void AbstractSettingsView::settingsModelChanged(VModelChangedEvent *)
{
}

void AbstractSettingsView::settingsLoaded(VEvent *)
{
}

void AbstractSettingsView::settingsValueChanged(VSettingsValueChangedEvent *)
{
}

void AbstractSettingsView::settingsKeyRemoved(VSettingsKeyRemovedEvent *)
{
}
