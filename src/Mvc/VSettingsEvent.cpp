#include "Mvc/VSettingsEvent.h"

#include "Mvc/MvcEventFamily.h"

VSettingsEvent::VSettingsEvent(Type type, MvcBase *sender)
    : VEvent(type, sender)
{
}

quint32 VSettingsEvent::eventFamily() const
{
    return settingsEventFamily();
}
