#pragma once

#include "Mvc/CEvent.h"

// A settings request to the settings controller. Of ClearType or SyncType it
// carries nothing else.
class CSettingsEvent : public CEvent
{
public:
    static constexpr Type ChangeValueType = Type(User + 1000);
    static constexpr Type RemoveKeyType = Type(User + 1001);
    static constexpr Type ClearType = Type(User + 1002);
    static constexpr Type SyncType = Type(User + 1003);

    explicit CSettingsEvent(Type type, QObject *originator = nullptr, int flags = 0);

    quint32 eventFamily() const override;
};
