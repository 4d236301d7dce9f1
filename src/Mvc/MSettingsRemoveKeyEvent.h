#pragma once

#include "Mvc/KeyContainer.h"
#include "Mvc/MSettingsEvent.h"

// Removes a key from the store.
class MSettingsRemoveKeyEvent : public MSettingsEvent, public KeyContainer
{
public:
    explicit MSettingsRemoveKeyEvent(const QString &key)
        : MSettingsEvent(RemoveKeyType)
        , KeyContainer(key)
    {
    }
};
