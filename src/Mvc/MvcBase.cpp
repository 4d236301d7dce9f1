#include "Mvc/MvcBase.h"

#include "Mvc/MvcEventFamily.h"

#include <QCoreApplication>
#include <QEvent>

MvcBase::MvcBase(QObject *self)
    : m_self(self)
{
}

MvcBase::~MvcBase() = default;

quint32 MvcBase::eventFamily() const
{
    return mvcEventFamily();
}

void MvcBase::post(QObject *receiver, QEvent *event)
{
    if (receiver)
        QCoreApplication::postEvent(receiver, event);
    else
        delete event;
}
