#pragma once

#include <QtGlobal>

class QEvent;
class QObject;

// Root of the model, view and controller roles. A role is a mix-in that a
// QObject subclass inherits beside QObject; that QObject is the participant's
// self object, to which the other participants post their events.
//
// QObject must be the first base: a role's destructor still posts events
// that refer to its self object.
class MvcBase
{
public:
    explicit MvcBase(QObject *self);
    virtual ~MvcBase();

    virtual quint32 eventFamily() const;

    QObject *self() const { return m_self; }

protected:
    // Posts `event` to `receiver`; a receiver that is gone discards it.
    static void post(QObject *receiver, QEvent *event);

private:
    Q_DISABLE_COPY(MvcBase)

    QObject *m_self;
};
