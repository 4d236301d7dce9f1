#ifndef QMD_QMDOBSERVER_H
#define QMD_QMDOBSERVER_H

#include <QPointer>

// Mix-in for the views and engine classes that follow a document controller.
// An observer's constructor calls setController with the controller it was
// given; overrides disconnect from the old controller, call this version and
// connect to the new one.
template <typename Controller>
class QmdObserver
{
public:
    QmdObserver() = default;
    virtual ~QmdObserver() = default;

    virtual void setController(Controller *controller)
    {
        if (m_controller != controller)
            m_controller = controller;
    }

    // Null once the controller has been destroyed.
    Controller *controller() const { return m_controller.data(); }

protected:
    QPointer<Controller> m_controller;
};

#endif
