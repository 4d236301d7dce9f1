#pragma once

#include "Mvc/MvcEvent.h"

class QObject;

// An event addressed to a controller. The originator, when flagged as given,
// is the participant that asked for the change and is not told about it.
class CEvent : public MvcEvent
{
public:
    enum Flag { OriginatorGiven = 0x1 };

    static constexpr Type ChangeModelType = Type(User + 0);
    static constexpr Type ViewAttachType = Type(User + 1);
    static constexpr Type ViewDetachType = Type(User + 2);
    static constexpr Type ClearViewsType = Type(User + 3);

    explicit CEvent(Type type, QObject *originator = nullptr, int flags = 0);

    TargetKind targetKind() const override;

    QObject *originator() const { return m_originator; }
    int flags() const { return m_flags; }

    // True when `object` is the originator and flag bit 0 says it is given.
    bool isFrom(const QObject *object) const;

private:
    QObject *m_originator;
    int m_flags;
};
