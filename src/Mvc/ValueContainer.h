#pragma once

#include <QVariant>

// Event payload: a value.
class ValueContainer
{
public:
    explicit ValueContainer(const QVariant &value)
        : m_value(value)
    {
    }

    const QVariant &value() const { return m_value; }

protected:
    ~ValueContainer() = default;

private:
    QVariant m_value;
};
