#pragma once

#include "Mvc/MvcEvent.h"

class MvcBase;

// An event addressed to a view; a VEvent of RefreshType asks the view to
// reload everything it shows.
class VEvent : public MvcEvent
{
public:
    static constexpr Type ChangeControllerType = Type(User + 0);
    static constexpr Type ModelChangedType = Type(User + 1);
    static constexpr Type RefreshType = Type(User + 2);

    // `sender` is the participant that posts the event: a controller, or the
    // view itself.
    VEvent(Type type, MvcBase *sender);

    TargetKind targetKind() const override;

    MvcBase *sender() const { return m_sender; }

private:
    MvcBase *m_sender;
};
