#pragma once

#include <QObject>
#include <QPointer>

// A pointer to a participant (model, view or controller) that reads as null
// once the participant's self object is gone. Events and participants keep
// their partners this way, so a partner destroyed while events about it are
// still queued is never dereferenced.
template <class Participant>
class MvcParticipantPointer
{
public:
    MvcParticipantPointer(Participant *participant = nullptr)
        : m_participant(participant)
        , m_object(participant ? participant->self() : nullptr)
    {
    }

    // The participant while its self object lives, else null.
    Participant *get() const { return m_object ? m_participant : nullptr; }
    QObject *object() const { return m_object.data(); }

private:
    Participant *m_participant;
    QPointer<QObject> m_object;
};
