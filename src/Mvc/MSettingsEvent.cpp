#include "Mvc/MSettingsEvent.h"

#include "Mvc/MvcEventFamily.h"

MSettingsEvent::MSettingsEvent(Type type)
    : MEvent(type)
{
}

quint32 MSettingsEvent::eventFamily() const
{
    return settingsEventFamily();
}
