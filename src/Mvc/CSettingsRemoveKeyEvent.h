#pragma once

#include "Mvc/CSettingsEvent.h"
#include "Mvc/KeyContainer.h"

// Asks the settings controller to remove a key.
class CSettingsRemoveKeyEvent : public CSettingsEvent, public KeyContainer
{
public:
    explicit CSettingsRemoveKeyEvent(const QString &key, QObject *originator = nullptr, int flags = 0)
        : CSettingsEvent(RemoveKeyType, originator, flags)
        , KeyContainer(key)
    {
    }
};
