#pragma once

#include "Mvc/MvcEvent.h"

// An event addressed to a model.
class MEvent : public MvcEvent
{
public:
    static constexpr Type ChangeControllerType = Type(User + 0);

    explicit MEvent(Type type);

    TargetKind targetKind() const override;
};
