#pragma once

#include <QEvent>

// An event posted between the models, views and controllers of the
// framework. Receivers check the family before the type, because other
// families reuse the same type numbers.
class MvcEvent : public QEvent
{
public:
    enum TargetKind { ModelTarget = 1, ViewTarget = 2, ControllerTarget = 3 };

    explicit MvcEvent(Type type);
    ~MvcEvent() override;

    virtual quint32 eventFamily() const;
    virtual TargetKind targetKind() const = 0;
};
