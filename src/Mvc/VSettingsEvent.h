#pragma once

#include "Mvc/VEvent.h"

// A settings notification for a settings view.
class VSettingsEvent : public VEvent
{
public:
    static constexpr Type ValueChangedType = Type(User + 1000);
    static constexpr Type KeyRemovedType = Type(User + 1001);

    VSettingsEvent(Type type, MvcBase *sender);

    quint32 eventFamily() const override;
};
