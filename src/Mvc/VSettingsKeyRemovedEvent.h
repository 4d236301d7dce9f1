#pragma once

#include "Mvc/KeyContainer.h"
#include "Mvc/VSettingsEvent.h"

// Tells a settings view that a key was removed.
class VSettingsKeyRemovedEvent : public VSettingsEvent, public KeyContainer
{
public:
    VSettingsKeyRemovedEvent(MvcBase *sender, const QString &key)
        : VSettingsEvent(KeyRemovedType, sender)
        , KeyContainer(key)
    {
    }
};
