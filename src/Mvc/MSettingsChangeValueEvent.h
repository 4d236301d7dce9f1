#pragma once

#include "Mvc/KeyContainer.h"
#include "Mvc/MSettingsEvent.h"
#include "Mvc/ValueContainer.h"

// Stores a value under a key.
class MSettingsChangeValueEvent : public MSettingsEvent, public KeyContainer, public ValueContainer
{
public:
    MSettingsChangeValueEvent(const QString &key, const QVariant &value)
        : MSettingsEvent(ChangeValueType)
        , KeyContainer(key)
        , ValueContainer(value)
    {
    }
};
