#include "Mvc/CSettingsEvent.h"

#include "Mvc/MvcEventFamily.h"

CSettingsEvent::CSettingsEvent(Type type, QObject *originator, int flags)
    : CEvent(type, originator, flags)
{
}

quint32 CSettingsEvent::eventFamily() const
{
    return settingsEventFamily();
}
