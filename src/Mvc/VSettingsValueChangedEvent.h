#pragma once

#include "Mvc/KeyContainer.h"
#include "Mvc/VSettingsEvent.h"
#include "Mvc/ValueContainer.h"

// Tells a settings view that a key got a value.
class VSettingsValueChangedEvent : public VSettingsEvent, public KeyContainer, public ValueContainer
{
public:
    VSettingsValueChangedEvent(MvcBase *sender, const QString &key, const QVariant &value)
        : VSettingsEvent(ValueChangedType, sender)
        , KeyContainer(key)
        , ValueContainer(value)
    {
    }
};
