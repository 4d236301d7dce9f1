#include "Mvc/MvcViewSet.h"

#include "Mvc/AbstractView.h"

#include <algorithm>

bool MvcViewSet::insert(AbstractView *view)
{
    if (!view || contains(view))
        return false;
    m_members.append(view);
    return true;
}

void MvcViewSet::remove(AbstractView *view)
{
    m_members.erase(std::remove_if(m_members.begin(), m_members.end(),
                                   [view](const MvcParticipantPointer<AbstractView> &member) {
                                       AbstractView *live = member.get();
                                       return !live || live == view;
                                   }),
                    m_members.end());
}

void MvcViewSet::clear()
{
    m_members.clear();
}

bool MvcViewSet::contains(AbstractView *view) const
{
    return view && views().contains(view);
}

QList<AbstractView *> MvcViewSet::views() const
{
    QList<AbstractView *> live;
    for (const auto &member : m_members) {
        if (AbstractView *view = member.get())
            live.append(view);
    }
    return live;
}
