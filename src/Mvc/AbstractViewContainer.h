#pragma once

#include "Mvc/AbstractView.h"
#include "Mvc/MvcParticipantPointer.h"

// Event payload: one view, read as null once the view is gone.
class AbstractViewContainer
{
public:
    explicit AbstractViewContainer(AbstractView *view)
        : m_view(view)
    {
    }

    AbstractView *view() const { return m_view.get(); }

protected:
    ~AbstractViewContainer() = default;

private:
    MvcParticipantPointer<AbstractView> m_view;
};
