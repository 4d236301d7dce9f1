#pragma once

#include "Mvc/MEvent.h"

// A store operation for the settings model. Of ClearType or SyncType it
// carries nothing else.
class MSettingsEvent : public MEvent
{
public:
    static constexpr Type ChangeValueType = Type(User + 1000);
    static constexpr Type RemoveKeyType = Type(User + 1001);
    static constexpr Type ClearType = Type(User + 1002);
    static constexpr Type SyncType = Type(User + 1003);

    explicit MSettingsEvent(Type type);

    quint32 eventFamily() const override;
};
