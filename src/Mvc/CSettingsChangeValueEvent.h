#pragma once

#include "Mvc/CSettingsEvent.h"
#include "Mvc/KeyContainer.h"
#include "Mvc/ValueContainer.h"

// Asks the settings controller to set a key.
class CSettingsChangeValueEvent : public CSettingsEvent, public KeyContainer, public ValueContainer
{
public:
    CSettingsChangeValueEvent(const QString &key, const QVariant &value, QObject *originator = nullptr, int flags = 0)
        : CSettingsEvent(ChangeValueType, originator, flags)
        , KeyContainer(key)
        , ValueContainer(value)
    {
    }
};
