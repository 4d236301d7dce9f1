#pragma once

#include "Mvc/MvcParticipantPointer.h"

#include <QList>
#include <QVector>

class AbstractView;

// A set of views in the order they joined. A view whose self object is gone
// no longer counts as a member, so nothing is ever posted to it.
class MvcViewSet
{
public:
    // False when the view was a member already.
    bool insert(AbstractView *view);
    // Also forgets every member that is gone.
    void remove(AbstractView *view);
    void clear();

    bool contains(AbstractView *view) const;
    QList<AbstractView *> views() const;

private:
    QVector<MvcParticipantPointer<AbstractView>> m_members;
};
